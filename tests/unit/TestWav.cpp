#include "tests/unit/TestWav.h"

#include "tests/support/WavBuilder.h"

#include <QFile>

TestWav TestWav::Sweep(int bits, int channels, int frames, quint32 rate)
{
    TestWav wav{.rate = rate, .bits = bits, .channels = channels, .frames = {}};
    const QList<int> edges = bits == 16
                                 ? QList{-32768, -1, 0, 255, 256, 32512, 32513, 32767, 32767, 32767}
                                 : QList{0, 128, 192, 255, 255, 255, 1};
    const int low = bits == 16 ? -32768 : 0, high = bits == 16 ? 32767 : 255;
    for (int i = 0; i < frames; ++i) {
        const int sweep = bits == 16 ? int(qint16(quint16(i * 7919))) : (i * 37) % 256;
        wav.frames.append({i < edges.size() ? edges[i] : sweep, i % 2 ? high : low});
    }
    return wav;
}

bool TestWav::Write(const QString& path) const
{
    QByteArray data;
    for (const Frame& f : frames)
        for (int v : channels == 2 ? QList{f.left, f.right} : QList{f.left})
            data += bits == 16 ? WavBuilder::le16(quint16(v)) : QByteArray(1, char(v));
    const QByteArray bytes =
        WavBuilder::pcm({.channels = quint16(channels), .rate = rate, .bits = quint16(bits)}, data);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
