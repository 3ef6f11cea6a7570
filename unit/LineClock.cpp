#include "unit/LineClock.h"

#include <algorithm>
#include <cmath>

LineClock::LineClock(double bytesPerSecond) : m_bytesPerMs(std::max(bytesPerSecond, 1.0) / 1000.0)
{
}

void LineClock::handOver(qint64 bytes, qint64 nowMs)
{
    if (bytes <= 0)
        return;
    const double start = std::max(m_busyUntilExact, double(nowMs));
    m_busyUntilExact = start + double(bytes) / m_bytesPerMs;
    m_busyUntilMs = qint64(std::ceil(m_busyUntilExact));
    m_handed += bytes;
}

qint64 LineClock::sentBy(qint64 nowMs) const
{
    // The queue drains at a constant rate, so what is left is the time still needed.
    const double leftMs = std::max(0.0, m_busyUntilExact - double(nowMs));
    const qint64 waiting = qint64(std::ceil(leftMs * m_bytesPerMs));
    return std::clamp<qint64>(m_handed - waiting, 0, m_handed);
}

qint64 LineClock::msFor(qint64 count) const
{
    return qint64(std::ceil(double(std::max<qint64>(count, 0)) / m_bytesPerMs));
}
