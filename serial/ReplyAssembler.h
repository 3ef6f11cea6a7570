#pragma once

#include "ReplyEffects.h"

#include <QByteArray>
#include <QString>

// Cuts received bytes into reply lines at each CR and recognises the erase replies. The caller
// keeps the bytes not yet consumed (the main window's RxBuffer), so a line split across receive
// events is joined. Only lines ending with CR are shown; an LF after a CR stays at the front of
// the buffer. Bytes become characters as Latin-1, for display only.
class ReplyAssembler
{
public:
    // Consumes every complete line from the front of rxBuffer and leaves an incomplete one.
    // While eraseWaiting is true, a line holding "QXERA" or "QXERR" (any case) sets it false for
    // the rest of the call.
    static ReplyEffects consumeLines(QByteArray& rxBuffer, bool& eraseWaiting);
};

// Reply box text after appending `addition`: when the result holds more than 500 characters,
// only its last 10,000 are kept.
QString appendToReplyBox(const QString& boxText, const QString& addition);
