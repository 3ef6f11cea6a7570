#include "TestWav.h"

#include <QFile>
#include <QtEndian>

namespace {

void Put16(QByteArray& out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void Put32(QByteArray& out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

void PutSample(QByteArray& out, int bits, int value)
{
    if (bits == 16)
        Put16(out, static_cast<quint16>(static_cast<qint16>(value)));
    else
        out.append(static_cast<char>(static_cast<quint8>(value)));
}

} // namespace

QByteArray TestWav::Bytes() const
{
    const quint16 blockAlign = static_cast<quint16>(channels * bits / 8);
    QByteArray data;
    for (const Frame& f : frames) {
        PutSample(data, bits, f.left);
        if (channels == 2)
            PutSample(data, bits, f.right);
    }
    QByteArray body("WAVE");
    body.append("fmt ");
    Put32(body, 16);
    Put16(body, 1);
    Put16(body, static_cast<quint16>(channels));
    Put32(body, rate);
    Put32(body, rate * blockAlign);
    Put16(body, blockAlign);
    Put16(body, static_cast<quint16>(bits));
    body.append("data");
    Put32(body, static_cast<quint32>(data.size()));
    body.append(data);
    QByteArray file("RIFF");
    Put32(file, static_cast<quint32>(body.size()));
    return file + body;
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
