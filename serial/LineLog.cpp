#include "serial/LineLog.h"

#include <algorithm>

namespace {

bool printable(char c)
{
    return c >= 0x20 && c <= 0x7E && c != '[' && c != ']';
}

QString hexByte(uchar b)
{
    return QString::number(b, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

} // namespace

LineLog::LineLog(qint64 capacity) : m_capacity(std::max<qint64>(capacity, RunOverhead + 1)) {}

void LineLog::add(qint64 ms, Direction direction, QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    m_runs.push_back(Run{m_nextSeq++, ms, direction, bytes.toByteArray()});
    m_cost += bytes.size() + RunOverhead;
    trim();
}

void LineLog::addEvent(qint64 ms, const QString& text)
{
    add(ms, Direction::Event, text.toUtf8());
}

void LineLog::trim()
{
    while (m_cost > m_capacity && m_runs.size() > 1) {
        m_cut += m_runs.front().bytes.size();
        m_cost -= m_runs.front().bytes.size() + RunOverhead;
        m_runs.pop_front();
    }
    if (m_cost > m_capacity) { // one run larger than the whole log: keep its end
        Run& only = m_runs.front();
        const qint64 excess = m_cost - m_capacity;
        only.bytes.remove(0, excess);
        m_cut += excess;
        m_cost -= excess;
    }
}

QString LineLog::renderBytes(QByteArrayView bytes)
{
    QString out;
    out.reserve(bytes.size() * 3);
    bool inHex = false;
    for (qsizetype i = 0; i < bytes.size();) {
        const char c = bytes[i];
        if (printable(c)) {
            if (inHex)
                out += QLatin1Char(']');
            inHex = false;
            out += QLatin1Char(c);
            ++i;
            continue;
        }
        qsizetype same = 1;
        while (i + same < bytes.size() && bytes[i + same] == c)
            ++same;
        if (same < 3)
            same = 1;
        out += inHex ? QStringLiteral(" ") : QStringLiteral("[");
        inHex = true;
        out += hexByte(uchar(c));
        if (same > 1)
            out += QChar(0x00D7) + QString::number(same);
        i += same;
    }
    if (inHex)
        out += QLatin1Char(']');
    return out;
}

QString LineLog::lineHead(qint64 ms, Direction direction)
{
    static const QString tags[] = {QStringLiteral("TX"), QStringLiteral("RX"),
                                   QStringLiteral("--")};
    const QString seconds = QStringLiteral("%1.%2")
                                .arg(ms / 1000)
                                .arg(ms % 1000, 3, 10, QLatin1Char('0'))
                                .rightJustified(10);
    return seconds + QLatin1Char(' ') + tags[int(direction)] + QLatin1Char(' ');
}

void LineLog::appendLines(QStringList& lines, const Run& run)
{
    const QString head = lineHead(run.ms, run.direction);
    if (run.direction == Direction::Event) {
        lines << head + QString::fromUtf8(run.bytes);
        return;
    }
    for (qsizetype at = 0; at < run.bytes.size(); at += BytesPerLine)
        lines << head + renderBytes(QByteArrayView(run.bytes).sliced(
                            at, std::min<qsizetype>(BytesPerLine, run.bytes.size() - at)));
}

QStringList LineLog::linesFrom(qint64 seq) const
{
    QStringList lines;
    auto it = std::lower_bound(m_runs.begin(), m_runs.end(), seq,
                               [](const Run& run, qint64 s) { return run.seq < s; });
    for (; it != m_runs.end(); ++it)
        appendLines(lines, *it);
    return lines;
}

QString LineLog::cutMarker(qint64 cut)
{
    return QStringLiteral("... %1 earlier bytes cut ...").arg(cut);
}

QString LineLog::text() const
{
    QStringList lines = linesFrom(0);
    if (m_cut > 0)
        lines.prepend(cutMarker(m_cut));
    return lines.isEmpty() ? QString() : lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
