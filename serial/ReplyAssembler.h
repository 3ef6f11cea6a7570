#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Cuts received bytes into reply lines at each CR. The caller keeps the bytes not yet consumed
// (the main window's RxBuffer), so a line split across receive events is joined. Only lines that
// end with a CR count; an LF after a CR stays at the front of the buffer and, like every LF,
// becomes a space of the next line.
class ReplyAssembler
{
public:
    // Consumes every complete line from the front of rxBuffer and leaves an incomplete one.
    // Returns the lines that hold more than their CR, without the CR, LFs turned into spaces.
    static QList<QByteArray> consumeLines(QByteArray& rxBuffer);
};

// Reply box text after appending `addition`: when the result holds more than 500 characters,
// only its last 10,000 are kept.
QString appendToReplyBox(const QString& boxText, const QString& addition);
