#pragma once

#include <QByteArray>

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
    static QByteArray chunk(const QByteArray& id, const QByteArray& payload);
    // A chunk with any declared size and exactly the given payload bytes (no automatic pad).
    static QByteArray rawChunk(const QByteArray& id, quint32 declared, const QByteArray& payload);
    static QByteArray fmtChunk(const Fmt& f);
    // "RIFF", size 4 + body (or `declared`), the form type, then the body.
    static QByteArray riff(const QByteArray& form, const QByteArray& body, qint64 declared = -1);
    // The common case: RIFF WAVE with a "fmt " chunk and a "data" chunk.
    static QByteArray pcm(const Fmt& f, const QByteArray& data);
    static quint16 blockAlignOf(const Fmt& f);
    static QByteArray le16(quint16 v);
    static QByteArray le32(quint32 v);
};
