#include "TestWav.h"

#include <QDataStream>
#include <QFile>

QByteArray TestWav::Bytes() const
{
    QByteArray data;
    QDataStream samples(&data, QIODevice::WriteOnly);
    samples.setByteOrder(QDataStream::LittleEndian);
    for (const Frame& f : frames)
        for (int v : channels == 2 ? QList{f.left, f.right} : QList{f.left})
            bits == 16 ? samples << qint16(v) : samples << quint8(v);
    const auto blockAlign = quint16(channels * bits / 8);
    QByteArray file;
    QDataStream out(&file, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + data.size());
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(channels) << rate << rate * blockAlign << blockAlign
        << quint16(bits);
    out.writeRawData("data", 4);
    out << quint32(data.size());
    return file + data;
}

bool TestWav::Write(const QString& path) const
{
    QFile file(path);
    const QByteArray bytes = Bytes();
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

double TestWav::Value(int frame) const
{
    const int s = frames[frame].left;
    return bits == 16 ? s / 32768.0 : (s - 128) / 128.0;
}
