#pragma once

#include "unit/UnitSession.h"
#include "unit/cli/FlashOptions.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <vector>

class PortLink;

// One unit's whole command on its own port and session: the ID query first (it also ends a write
// left open), then the steps of the command. program: erase and wait for "QXERA", blank check
// expecting "QXERA", write confirmed by "QXPGM", blank check expecting "QXERR". Any other answer,
// a time-out or a lost port ends the cycle failed; stop() ends it at the next block, with the
// write still terminated. The copy file gets exactly the bytes the line took.
class UnitCycle : public QObject
{
    Q_OBJECT
public:
    struct Job
    {
        FlashOptions::Command command = FlashOptions::Command::Id;
        WaveDestination dest = DestNone;
        int bitsPerSample = 16;
        std::vector<double> values; // first-channel values of the slice
        int level = 100;
        QString copyFile; // empty: no copy
    };
    enum class Step
    {
        Id,
        Erase,
        BlankErased,
        Write,
        BlankWritten
    };

    UnitCycle(QString port, QString device, Job job, const QString& storeFile,
              QObject* parent = nullptr);
    ~UnitCycle() override;

    // Opens the port; false with failure() naming the reason.
    bool open();
    // Ends the cycle before it starts: its port could not be reached for this reason.
    void refuse(const QString& why);
    void start();
    void stop();

    const QString& port() const { return m_port; }
    const QString& device() const { return m_device; }
    const Job& job() const { return m_job; }
    bool running() const { return m_running; }
    bool ok() const { return m_ok; }
    const QString& result() const { return m_result; } // the outcome in words
    const QString& failure() const { return m_failure; }
    const QByteArray& idLine() const { return m_session->answer(); }
    QString stepName() const;
    qint64 elapsedMs() const { return m_elapsedMs >= 0 ? m_elapsedMs : m_clock.elapsed(); }
    // The write stream: bytes the line has taken, all of it, and the line's bytes per second.
    qint64 bytesSent() const { return m_written; }
    qint64 streamBytes() const;
    double bytesPerSecondNow() const;
    double secondsLeft() const;

signals:
    void done();

private:
    void runStep();
    void onFinished(UnitSession::Command command, UnitSession::Result result);
    QString judge(Step step, UnitSession::Result result) const;
    void end(bool ok, const QString& result);

    QString m_port;
    QString m_device;
    Job m_job;
    PortLink* m_link;       // child
    UnitSession* m_session; // child
    QTimer m_eraseTicks;
    QElapsedTimer m_clock;
    QElapsedTimer m_writeClock;
    std::vector<Step> m_steps;
    size_t m_step = 0;
    qint64 m_elapsedMs = -1;
    qint64 m_written = 0;
    qint64 m_writeMs = -1; // how long the write took, once it has ended
    bool m_running = false;
    bool m_stop = false;
    bool m_ok = false;
    QString m_result;
    QString m_failure;
};
