#include "tests/support/WavBuilder.h"

QByteArray WavBuilder::le16(quint16 v)
{
    return QByteArray(1, char(v & 0xFF)) + char(v >> 8);
}

QByteArray WavBuilder::le32(quint32 v)
{
    return le16(quint16(v & 0xFFFF)) + le16(quint16(v >> 16));
}

QByteArray WavBuilder::chunk(const QByteArray& id, const QByteArray& payload)
{
    QByteArray out = rawChunk(id, quint32(payload.size()), payload);
    if (payload.size() % 2)
        out.append('\0');
    return out;
}

QByteArray WavBuilder::rawChunk(const QByteArray& id, quint32 declared, const QByteArray& payload)
{
    return id + le32(declared) + payload;
}

quint16 WavBuilder::blockAlignOf(const Fmt& f)
{
    return f.blockAlign >= 0 ? quint16(f.blockAlign) : quint16(f.channels * (f.bits / 8));
}

QByteArray WavBuilder::fmtChunk(const Fmt& f)
{
    const quint16 align = blockAlignOf(f);
    QByteArray body = le16(f.tag) + le16(f.channels) + le32(f.rate) + le32(f.rate * align) +
                      le16(align) + le16(f.bits);
    if (f.chunkSize > 16)
        body += le16(f.cbSize);
    while (body.size() < f.chunkSize)
        body.append(char(0x11 * (body.size() % 15)));
    return chunk("fmt ", body);
}

QByteArray WavBuilder::riff(const QByteArray& form, const QByteArray& body, qint64 declared)
{
    const quint32 size = declared >= 0 ? quint32(declared) : quint32(4 + body.size());
    return "RIFF" + le32(size) + form + body;
}

QByteArray WavBuilder::pcm(const Fmt& f, const QByteArray& data)
{
    return riff("WAVE", fmtChunk(f) + chunk("data", data));
}
