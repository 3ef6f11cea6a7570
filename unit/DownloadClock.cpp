#include "unit/DownloadClock.h"

#include <algorithm>
#include <cmath>

DownloadClock::DownloadClock(qint64 totalBytes, double bytesPerSecond, qint64 startMs)
    : m_total(std::max<qint64>(totalBytes, 0)), m_bytesPerSecond(std::max(bytesPerSecond, 1.0)),
      m_startMs(startMs), m_nowMs(startMs), m_sentAtMs(startMs)
{
}

QString DownloadClock::update(qint64 sentBytes, qint64 nowMs)
{
    m_nowMs = std::max(m_nowMs, nowMs);
    if (sentBytes > m_sent) {
        m_sent = sentBytes;
        m_sentAtMs = m_nowMs;
    }
    return progressText();
}

QString DownloadClock::finish(qint64 sentBytes, qint64 nowMs)
{
    update(sentBytes, nowMs);
    return endText();
}

qint64 DownloadClock::leftMs() const
{
    const qint64 left = std::max<qint64>(m_total - m_sent, 0);
    return qint64(std::ceil(double(left) * 1000.0 / m_bytesPerSecond));
}

QString DownloadClock::progressText() const
{
    QString text = clockText(goneMs() / 1000) + QStringLiteral(" gone, ") +
                   clockText((leftMs() + 999) / 1000) + QStringLiteral(" left");
    if (stalledMs() >= StallNoticeMs)
        text += QStringLiteral(", nothing sent for ") + clockText(stalledMs() / 1000);
    return text;
}

QString DownloadClock::endText() const
{
    QString text = QStringLiteral("Sent ") + QString::number(m_sent);
    if (m_sent < m_total)
        text += QStringLiteral(" of ") + QString::number(m_total);
    text += QStringLiteral(" bytes in ") + clockText((goneMs() + 500) / 1000);
    if (goneMs() > 0) {
        const auto rate = qint64(std::llround(double(m_sent) * 1000.0 / double(goneMs())));
        text += QStringLiteral(", ") + QString::number(rate) + QStringLiteral(" bytes/s");
    }
    return text;
}

QString DownloadClock::clockText(qint64 seconds)
{
    const qint64 s = std::max<qint64>(seconds, 0);
    const auto two = [](qint64 v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    if (s < 3600)
        return QString::number(s / 60) + QLatin1Char(':') + two(s % 60);
    return QString::number(s / 3600) + QLatin1Char(':') + two(s / 60 % 60) + QLatin1Char(':') +
           two(s % 60);
}
