#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <deque>

// A bounded record of what crossed the serial line: runs of bytes sent and received, each with
// its time (ms) and direction, and the port's events. It holds about `capacity` bytes, each run
// counted with RunOverhead for what it costs beside its bytes; the oldest runs go first and the
// text then starts with a marker that says how many bytes were cut.
//
// Text form, one line per at most BytesPerLine bytes of a run:
//   "    12.345 TX QXBS"     time in seconds, TX sent / RX received / -- event, then the bytes:
// printable ASCII as text, every other byte (and '[', ']') as hex in brackets, a run of three or
// more equal hex bytes compressed: "QXWS[80 7F×3]", "[FF×6]", "QXERA[0D 0A]".
class LineLog
{
public:
    enum class Direction
    {
        Sent,
        Received,
        Event
    };
    struct Run
    {
        qint64 seq;
        qint64 ms;
        Direction direction;
        QByteArray bytes; // an event's text as UTF-8
    };
    static constexpr qint64 DefaultCapacity = 1 << 20;
    static constexpr int BytesPerLine = 32;
    static constexpr int RunOverhead = 64; // what each run costs beside its bytes

    explicit LineLog(qint64 capacity = DefaultCapacity);

    void add(qint64 ms, Direction direction, QByteArrayView bytes);
    void addEvent(qint64 ms, const QString& text);

    qint64 cutBytes() const { return m_cut; }
    qint64 nextSeq() const { return m_nextSeq; }
    // Sequence number of the oldest run held (nextSeq when empty).
    qint64 firstSeq() const { return m_runs.empty() ? m_nextSeq : m_runs.front().seq; }
    // Bytes held, with the cost of each run.
    qint64 heldCost() const { return m_cost; }

    // The lines of the runs numbered seq and later that are still held.
    QStringList linesFrom(qint64 seq) const;
    // The whole log: the cut marker when bytes were cut, then every line, each ending in '\n'.
    QString text() const;

    static QString cutMarker(qint64 cut);
    static QString renderBytes(QByteArrayView bytes);
    static QString lineHead(qint64 ms, Direction direction);

private:
    void trim();
    static void appendLines(QStringList& lines, const Run& run);

    qint64 m_capacity;
    std::deque<Run> m_runs;
    qint64 m_cost = 0;
    qint64 m_cut = 0;
    qint64 m_nextSeq = 0;
};
