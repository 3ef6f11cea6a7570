#pragma once

#include <QtGlobal>

// Lets bytes pass no faster than an 8N1 line of the given baud rate (baud / 10 bytes per
// second). A baud rate of 0 means unpaced. Idle time builds up a credit of at most BurstMs
// worth of bytes (two at least), so a burst after a pause stays short, as on a real line.
class LinePacer
{
public:
    explicit LinePacer(qint64 baud, qint64 startMs = 0);

    bool paced() const { return m_bytesPerSecond > 0; }
    // How many bytes may pass at nowMs.
    qsizetype allowance(qint64 nowMs);
    // Records that count bytes passed (at most the last allowance).
    void consume(qsizetype count);
    // Milliseconds from nowMs until at least one byte may pass (0: now).
    qint64 msUntilNext(qint64 nowMs);

    static constexpr qint64 BurstMs = 20;

private:
    void refill(qint64 nowMs);

    double m_bytesPerSecond;
    double m_burst;
    double m_credit = 0;
    qint64 m_lastMs;
};
