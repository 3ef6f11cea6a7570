#pragma once

#include "ReplyEffects.h"

#include <QByteArray>
#include <QString>

// Cuts received bytes into reply lines at each CR and recognises the erase replies. Holds the
// bytes not yet consumed (`RxBuffer`), so a line split across receive events is joined.
// Only lines ending with CR are shown; an LF after a CR stays at the front of the buffer.
// Bytes become characters as Latin-1, for display only.
class ReplyAssembler
{
public:
    // Appends newBytes to RxBuffer and consumes every complete line. While eraseWaiting is true,
    // a line holding "QXERA" or "QXERR" (any case) sets it false for the rest of the call.
    ReplyEffects process(const QByteArray& newBytes, bool& eraseWaiting);
    // The same line loop over a buffer kept by the caller (the main window's RxBuffer): consumes
    // every complete line from its front and leaves an incomplete one.
    static ReplyEffects consumeLines(QByteArray& rxBuffer, bool& eraseWaiting);

    const QByteArray& RxBuffer() const { return m_rxBuffer; }
    void clear() { m_rxBuffer.clear(); }

private:
    QByteArray m_rxBuffer;
};

// Reply box text after appending `addition`: when the result holds more than 500 characters,
// only its last 10,000 are kept.
QString appendToReplyBox(const QString& boxText, const QString& addition);
