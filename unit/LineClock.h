#pragma once

#include <QtGlobal>

// What a serial line can have carried: bytes handed to it queue behind each other and leave at
// the line's rate. Used to never count a byte as sent before the line could have sent it, even
// where the driver's queue cannot be seen (pseudo-terminals, some USB adapters).
class LineClock
{
public:
    explicit LineClock(double bytesPerSecond);

    // bytes are queued at nowMs; they start once the line has sent everything before them.
    void handOver(qint64 bytes, qint64 nowMs);
    // Bytes handed over in all.
    qint64 handedOver() const { return m_handed; }
    // Bytes the line can have sent by nowMs (never more than were handed over).
    qint64 sentBy(qint64 nowMs) const;
    // When the last byte handed over will have left.
    qint64 doneAtMs() const { return m_busyUntilMs; }
    // Milliseconds the line needs for count bytes.
    qint64 msFor(qint64 count) const;
    double bytesPerSecond() const { return m_bytesPerMs * 1000.0; }

private:
    double m_bytesPerMs;
    qint64 m_handed = 0;
    qint64 m_busyUntilMs = 0;
    double m_busyUntilExact = 0.0;
};
