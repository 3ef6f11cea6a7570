#include "tests/support/WavBuilder.h"

#include <QFile>

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

QString WavBuilder::write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}
