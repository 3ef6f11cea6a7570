#pragma once

#include "unit/LineClock.h"
#include "unit/WaveDestination.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class DownloadPlan;
class UnitLink;

// Runs one unit command at a time on a line and holds the line until the command is done:
// the download (with its drain and the unit's acknowledgement), the erase with its wait, the
// blank check and the ID query. While a command runs every other start is refused (false).
//
// The download is paced by the line's clock: no byte counts as sent before the line could have
// sent it (the smaller of the driver's and the clock's count), and no more than BufferBytes are
// handed over ahead of that count, so a stop reaches the unit within about BufferBytes. The write
// stream is exactly the one of DownloadPlan: command and frame 0, blocks of 256 frames, the rest
// with the terminator (also after a stop).
class UnitSession : public QObject
{
    Q_OBJECT
public:
    enum class Command
    {
        None,
        Download,
        Erase,
        BlankCheck,
        IdQuery
    };
    Q_ENUM(Command)
    enum class Result
    {
        Confirmed,   // download: every byte left and "QXPGM" came; ID query: the unit answered
        Unconfirmed, // download: every byte left, but no "QXPGM" in time
        Stopped,     // download stopped (terminator sent), or a wait ended by endWait()
        Failed,      // the line would not open, closed or failed, or did not drain in time
        Erased,      // erase or blank check: "QXERA"
        NotBlank,    // erase or blank check: "QXERR"
        NoAnswer     // erase: 100 ticks without an answer; blank check, ID query: none in time
    };
    Q_ENUM(Result)

    static constexpr qint64 BufferBytes = 2500;    // the transmit buffer the line may run ahead
    static constexpr int EraseTicks = 100;         // 100-ms ticks of the erase wait
    static constexpr qint64 AnswerMarginMs = 2000; // after the line time, for the unit's answer
    static constexpr qint64 DrainMarginMs = 5000;  // past the line time, for a slow driver
    static constexpr qint64 StallMs = 10000;       // no byte leaving for this long fails a download

    struct Download
    {
        WaveDestination dest = DestNone;
        int bitsPerSample = 16;
        std::vector<double> values; // first-channel values of the frames to send, in order
        std::function<int()> level; // the download level 1..100, asked for every block
    };

    explicit UnitSession(UnitLink& link, QObject* parent = nullptr);
    ~UnitSession() override;

    // Monotonic milliseconds; tests replace the clock and call pump() themselves.
    void setClock(std::function<qint64()> nowMs);

    // Each start returns false, doing nothing, while a command runs (or for no destination).
    // Otherwise the command has begun; a line that would not open ends it at once, Failed.
    bool startDownload(Download download);
    bool startErase(WaveDestination dest);
    bool startBlankCheck(WaveDestination dest);
    bool startIdQuery();

    // Download: no block after the one being handed over; the terminator follows and the line
    // drains. Other commands: nothing.
    void requestStop();
    // Ends a running command as soon as its bytes have left: a download stops as above, a wait
    // ends with Stopped. For leaving the program without cutting a command string.
    void endWait();
    // The erase wait's 100-ms clock.
    void eraseTick();
    // One complete line from the unit, without its CR.
    void replyLine(const QByteArray& line);
    // One step of the running command; the session's own timer calls it.
    void pump();

    // Runs a nested event loop until the running command has finished; every command is bounded
    // (line time plus its margins), and the loop sleeps between events.
    void waitUntilIdle();

    Command running() const { return m_command; }
    bool busy() const { return m_command != Command::None; }
    bool stopRequested() const { return m_stop; }
    int eraseTicksLeft() const { return m_ticksLeft; }
    // The write stream handed to the line so far (the current or last download).
    const QByteArray& stream() const;
    // Bytes of that stream the line has taken, by the smaller of the two counts.
    qint64 sentBytes() const { return m_sent; }
    QByteArray sentStream() const { return stream().left(m_sent); }
    qint32 downloadFrames() const;
    // Bytes of the current or last download's whole write stream when it runs to its end.
    qint64 plannedBytes() const;
    // Bytes per second the line carries by the running or last command's line clock.
    double lineRate() const { return m_clock.bytesPerSecond(); }
    // Frames of the download the line has taken.
    qint32 framesSent() const;
    // The answer line of the last ID query.
    const QByteArray& answer() const { return m_answer; }

signals:
    void started(UnitSession::Command command);
    // Download: percent of the frames the line has taken. Erase: 100 - ticks left.
    void progress(double percent);
    // "QXERA" during an erase wait: the line from the word to its end.
    void eraseAnswered(const QByteArray& text);
    void finished(UnitSession::Command command, UnitSession::Result result);

private:
    enum class Phase
    {
        Streaming, // download blocks are being handed over
        Draining,  // the last bytes are on their way; a download then waits for "QXPGM"
        Waiting    // erase, blank check, ID query: waiting for the answer
    };

    bool begin(Command command);
    void sendCommand(const QByteArray& bytes, qint64 waitMs);
    bool write(const QByteArray& bytes);
    void stream(qint64 now);
    bool handOverNextBlock(qint64 now);
    qint64 nextBlockBytes() const;
    void drain(qint64 now);
    void wait(qint64 now);
    void updateSent(qint64 now);
    bool allLeft() const;
    void finish(Result result);
    void schedule(qint64 ms);
    qint64 now() const;

    UnitLink& m_link;
    QTimer m_timer;
    QElapsedTimer m_elapsed;
    std::function<qint64()> m_now;
    Command m_command = Command::None;
    Phase m_phase = Phase::Waiting;
    LineClock m_clock{960};
    std::unique_ptr<DownloadPlan> m_plan;
    Download m_download;
    qint64 m_sent = 0;
    qint64 m_lastUnsent = 0;
    qint64 m_deadlineMs = 0;
    qint64 m_progressAtMs = 0; // the line last took a byte, or had nothing to take
    int m_ticksLeft = 0;
    bool m_stop = false;
    bool m_endWait = false;
    bool m_acknowledged = false;
    QByteArray m_answer;
};
