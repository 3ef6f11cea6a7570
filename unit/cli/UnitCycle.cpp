#include "unit/cli/UnitCycle.h"

#include "unit/CopyFile.h"
#include "unit/DestinationInfo.h"
#include "unit/UnitProtocol.h"
#include "unit/cli/PortLink.h"

using Command = FlashOptions::Command;
using Result = UnitSession::Result;

namespace {

constexpr int kEraseTickMs = 100;

std::vector<UnitCycle::Step> stepsOf(Command command)
{
    using S = UnitCycle::Step;
    switch (command) {
    case Command::Id:
        return {S::Id};
    case Command::Blank:
        return {S::Id, S::BlankErased};
    case Command::Erase:
        return {S::Id, S::Erase};
    case Command::Write:
        return {S::Id, S::Write};
    case Command::Program:
        return {S::Id, S::Erase, S::BlankErased, S::Write, S::BlankWritten};
    }
    return {};
}

QString doneWord(Command command)
{
    switch (command) {
    case Command::Id:
        return QStringLiteral("answered");
    case Command::Blank:
        return QStringLiteral("blank");
    case Command::Erase:
        return QStringLiteral("erased");
    case Command::Write:
        return QStringLiteral("written");
    case Command::Program:
        return QStringLiteral("programmed");
    }
    return {};
}

} // namespace

UnitCycle::UnitCycle(QString port, QString device, Job job, const QString& storeFile,
                     QObject* parent)
    : QObject(parent), m_port(std::move(port)), m_device(std::move(device)), m_job(std::move(job)),
      m_link(new PortLink(m_device, storeFile, this)), m_session(new UnitSession(*m_link, this)),
      m_steps(stepsOf(m_job.command))
{
    connect(m_link, &PortLink::replyLine, m_session, &UnitSession::replyLine);
    connect(m_session, &UnitSession::finished, this, &UnitCycle::onFinished);
    connect(m_session, &UnitSession::progress, this, [this] {
        if (m_session->running() == UnitSession::Command::Download)
            m_written = m_session->sentBytes();
    });
    m_eraseTicks.setInterval(kEraseTickMs);
    connect(&m_eraseTicks, &QTimer::timeout, m_session, &UnitSession::eraseTick);
    m_clock.start();
}

UnitCycle::~UnitCycle() = default;

bool UnitCycle::open()
{
    if (m_link->open())
        return true;
    refuse(m_link->failure());
    return false;
}

void UnitCycle::refuse(const QString& why)
{
    m_failure = why;
    end(false, QStringLiteral("not opened: ") + why);
}

void UnitCycle::start()
{
    m_running = true;
    m_clock.restart();
    m_step = 0;
    runStep();
}

void UnitCycle::stop()
{
    m_stop = true;
    // A write ends after the block being handed over, with its terminator; a wait ends as soon
    // as its command has left whole.
    if (m_session->running() == UnitSession::Command::Download)
        m_session->requestStop();
    else
        m_session->endWait();
}

void UnitCycle::runStep()
{
    if (m_stop) {
        end(false, QStringLiteral("stopped"));
        return;
    }
    const WaveDestination dest = m_job.dest;
    switch (m_steps[m_step]) {
    case Step::Id:
        m_session->startIdQuery();
        break;
    case Step::Erase:
        m_eraseTicks.start();
        m_session->startErase(dest);
        break;
    case Step::BlankErased:
    case Step::BlankWritten:
        m_session->startBlankCheck(dest);
        break;
    case Step::Write:
        m_writeClock.start();
        m_session->startDownload({.dest = dest,
                                  .bitsPerSample = m_job.bitsPerSample,
                                  .values = m_job.values,
                                  .level = [level = m_job.level] { return level; }});
        break;
    }
}

void UnitCycle::onFinished(UnitSession::Command, UnitSession::Result result)
{
    m_eraseTicks.stop();
    const Step step = m_steps[m_step];
    QString failure = judge(step, result);
    if (step == Step::Write) {
        m_written = m_session->sentBytes();
        m_writeMs = m_writeClock.elapsed();
        if (!m_job.copyFile.isEmpty()) {
            if (const auto copyFailed =
                    CopyFile::WriteCopyFile(m_job.copyFile, m_session->sentStream()))
                m_failure = *copyFailed;
        }
    }
    if (!failure.isEmpty()) {
        end(false, failure);
        return;
    }
    if (++m_step == m_steps.size()) {
        end(true, doneWord(m_job.command));
        return;
    }
    // The next command starts from the event loop, not inside the session's own signal.
    QTimer::singleShot(0, this, &UnitCycle::runStep);
}

// Empty when the step went as it must; otherwise what went wrong, in words.
QString UnitCycle::judge(Step step, UnitSession::Result result) const
{
    if (result == Result::Stopped)
        return QStringLiteral("stopped");
    if (result == Result::Failed) {
        const QString why = m_link->failure();
        return QStringLiteral("failed: the port did not send all data") +
               (why.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(why));
    }
    switch (step) {
    case Step::Id:
        return result == Result::Confirmed ? QString()
                                           : QStringLiteral("failed: no answer to the ID query");
    case Step::Erase:
        if (result == Result::Erased)
            return {};
        return result == Result::NoAnswer ? QStringLiteral("failed: no QXERA, the erase timed out")
                                          : QStringLiteral("failed: the erase was answered QXERR");
    case Step::BlankErased:
        if (result == Result::Erased)
            return {};
        return result == Result::NotBlank ? QStringLiteral("failed: not blank (QXERR)")
                                          : QStringLiteral("failed: no answer to the blank check");
    case Step::Write:
        return result == Result::Confirmed
                   ? QString()
                   : QStringLiteral("failed: the unit did not confirm the write (no QXPGM)");
    case Step::BlankWritten:
        if (result == Result::NotBlank)
            return {};
        return result == Result::Erased
                   ? QStringLiteral("failed: still blank after the write (QXERA)")
                   : QStringLiteral("failed: no answer to the blank check after the write");
    }
    return QStringLiteral("failed");
}

void UnitCycle::end(bool ok, const QString& result)
{
    m_ok = ok;
    m_result = result;
    m_elapsedMs = m_clock.elapsed();
    m_link->close(); // the session has drained every byte it handed over
    const bool wasRunning = m_running;
    m_running = false;
    if (wasRunning)
        emit done();
}

QString UnitCycle::stepName() const
{
    static const char* const names[] = {"id", "erase", "blank check", "write", "blank check"};
    if (!m_running)
        return m_result;
    return QLatin1String(names[int(m_steps[m_step])]);
}

qint64 UnitCycle::streamBytes() const
{
    const qint64 width = DestinationInfo::Of(m_job.dest).BytesPerSample();
    const qint64 frames =
        std::min<qint64>(qint64(m_job.values.size()), UnitProtocol::MaxDownloadSamples);
    return UnitProtocol::WriteCommand(m_job.dest).size() + width * frames +
           UnitProtocol::TerminatorLength;
}

double UnitCycle::bytesPerSecondNow() const
{
    const qint64 ms = m_writeMs >= 0           ? m_writeMs
                      : m_writeClock.isValid() ? m_writeClock.elapsed()
                                               : 0;
    return ms > 0 ? m_written * 1000.0 / ms : 0.0;
}

double UnitCycle::secondsLeft() const
{
    return double(streamBytes() - m_written) / std::max(m_link->bytesPerSecond(), 1.0);
}
