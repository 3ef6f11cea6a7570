#pragma once

#include <QString>
#include <QtGlobal>

// The times of one download as the technician reads them, from the bytes the line has taken
// (UnitSession::sentBytes) against the whole write stream and the line's rate. Times are the
// caller's milliseconds of one monotonic clock, so nothing here reads a clock itself.
//
//   on started(Download):  clock.emplace(session.plannedBytes(), session.lineRate(), nowMs);
//   on every progress():   status = clock->update(session.sentBytes(), nowMs);
//   on finished():         status = clock->finish(session.sentBytes(), nowMs);
//
// progress() comes only when the count grows, so a stall shows only where update() is also
// called from a timer (once a second, say).
class DownloadClock
{
public:
    // The line counts as stalled, and says so, once it has taken nothing for this long.
    static constexpr qint64 StallNoticeMs = 2000;

    // totalBytes: the write stream when it runs to its end (command, data, terminator);
    // bytesPerSecond: the line's rate (960 at 9600 baud 8N1; below 1 counts as 1).
    DownloadClock(qint64 totalBytes, double bytesPerSecond, qint64 startMs);

    // The line has taken sentBytes by nowMs; neither count nor time goes back (a smaller value
    // keeps the last). Returns progressText().
    QString update(qint64 sentBytes, qint64 nowMs);
    // update(), then endText(): the call for the end of the download, however it ended.
    QString finish(qint64 sentBytes, qint64 nowMs);

    qint64 sentBytes() const { return m_sent; }
    qint64 goneMs() const { return m_nowMs - m_startMs; }
    // The bytes still to go at the line's rate, rounded up to whole milliseconds.
    qint64 leftMs() const;
    // How long the line has taken no byte (since the start when it has taken none yet).
    qint64 stalledMs() const { return m_nowMs - m_sentAtMs; }

    // "0:42 gone, 1:57 left" (gone rounded down, left up, to whole seconds), with
    // ", nothing sent for 0:05" once the line has stalled.
    QString progressText() const;
    // "Sent 131078 bytes in 2:17, 957 bytes/s"; "Sent 5000 of 131078 bytes in ..." when it ended
    // short. The duration is rounded to the nearest second, the rate (from the exact
    // milliseconds) to a whole byte; no rate when no time has gone.
    QString endText() const;

    // Whole seconds as "m:ss", "h:mm:ss" from an hour on; a negative count shows as 0:00.
    static QString clockText(qint64 seconds);

private:
    qint64 m_total;
    double m_bytesPerSecond;
    qint64 m_startMs;
    qint64 m_nowMs;
    qint64 m_sent = 0;
    qint64 m_sentAtMs;
};
