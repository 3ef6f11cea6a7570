#include "sim/LinePacer.h"

#include <algorithm>
#include <cmath>
#include <limits>

LinePacer::LinePacer(qint64 baud, qint64 startMs)
    : m_bytesPerSecond(baud > 0 ? double(baud) / 10.0 : 0.0),
      m_burst(std::max(2.0, m_bytesPerSecond * BurstMs / 1000.0)), m_lastMs(startMs)
{
}

qsizetype LinePacer::allowance(qint64 nowMs)
{
    if (!paced())
        return std::numeric_limits<qsizetype>::max();
    refill(nowMs);
    return qsizetype(std::floor(m_credit));
}

void LinePacer::consume(qsizetype count)
{
    if (paced())
        m_credit = std::max(0.0, m_credit - double(count));
}

qint64 LinePacer::msUntilNext(qint64 nowMs)
{
    if (!paced())
        return 0;
    refill(nowMs);
    if (m_credit >= 1.0)
        return 0;
    return qint64(std::ceil((1.0 - m_credit) * 1000.0 / m_bytesPerSecond));
}

void LinePacer::refill(qint64 nowMs)
{
    if (nowMs <= m_lastMs)
        return;
    m_credit = std::min(m_burst, m_credit + double(nowMs - m_lastMs) * m_bytesPerSecond / 1000.0);
    m_lastMs = nowMs;
}
