#include "tests/unit/TestWav.h"

#include <QDataStream>
#include <QFile>

bool TestWav::Write(const QString& path) const
{
    const auto blockAlign = quint16(channels * bits / 8);
    const auto dataSize = quint32(frames.size() * blockAlign);
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + dataSize);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(channels) << rate << rate * blockAlign << blockAlign
        << quint16(bits);
    out.writeRawData("data", 4);
    out << dataSize;
    for (const Frame& f : frames)
        for (int v : channels == 2 ? QList{f.left, f.right} : QList{f.left})
            bits == 16 ? out << qint16(v) : out << quint8(v);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
