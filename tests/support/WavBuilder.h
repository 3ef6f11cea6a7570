#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Builds RIFF/WAVE files byte by byte for the reader tests, including malformed ones.
class WavBuilder
{
public:
    struct Fmt
    {
        quint16 tag = 1;
        quint16 channels = 1;
        quint32 rate = 8000;
        quint16 bits = 8;
        int blockAlign = -1; // -1: channels * bits / 8
        int chunkSize = 16;  // 16, 18 or 40; 18 and 40 carry cbSize
        quint16 cbSize = 0;
    };

    // A chunk whose declared size is the payload's, followed by a pad byte when odd.
    static QByteArray chunk(const QByteArray& id, const QByteArray& payload)
    {
        return rawChunk(id, quint32(payload.size()), payload) +
               QByteArray(payload.size() % 2, '\0');
    }
    // A chunk with any declared size and exactly the given payload bytes (no automatic pad).
    static QByteArray rawChunk(const QByteArray& id, quint32 declared, const QByteArray& payload)
    {
        return id + le32(declared) + payload;
    }
    // The format chunk; bytes past cbSize are filler.
    static QByteArray fmtChunk(const Fmt& f)
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
    // "RIFF", size 4 + body (or `declared`), the form type, then the body.
    static QByteArray riff(const QByteArray& form, const QByteArray& body, qint64 declared = -1)
    {
        return "RIFF" + le32(quint32(declared >= 0 ? declared : 4 + body.size())) + form + body;
    }
    // The common case: RIFF WAVE with a "fmt " chunk and a "data" chunk.
    static QByteArray pcm(const Fmt& f, const QByteArray& data)
    {
        return riff("WAVE", fmtChunk(f) + chunk("data", data));
    }
    static quint16 blockAlignOf(const Fmt& f)
    {
        return f.blockAlign >= 0 ? quint16(f.blockAlign) : quint16(f.channels * (f.bits / 8));
    }
    // Writes the bytes as the file at `path` (a test cannot go on without it); the path.
    static QString write(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
    static QByteArray le16(quint16 v) { return QByteArray(1, char(v & 0xFF)) + char(v >> 8); }
    static QByteArray le32(quint32 v) { return le16(quint16(v & 0xFFFF)) + le16(quint16(v >> 16)); }
};
