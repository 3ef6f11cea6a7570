#include "unit/UnitSession.h"

#include "unit/DestinationInfo.h"
#include "unit/DownloadPlan.h"
#include "unit/UnitLink.h"
#include "unit/UnitProtocol.h"

#include <QEventLoop>

#include <algorithm>

namespace {
// Longest sleep between two steps: progress and a lost line are noticed within it.
constexpr qint64 kMaxSleepMs = 50;
constexpr qint64 kMinSleepMs = 5;
constexpr qint64 kEraseTickMs = 100;
constexpr qint64 kPollMs = 20;
const QByteArray kNoStream;
} // namespace

UnitSession::UnitSession(UnitLink& link, QObject* parent) : QObject(parent), m_link(link)
{
    m_elapsed.start();
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &UnitSession::pump);
}

UnitSession::~UnitSession() = default;

void UnitSession::setClock(std::function<qint64()> nowMs)
{
    m_now = std::move(nowMs);
}

qint64 UnitSession::now() const
{
    return m_now ? m_now() : m_elapsed.elapsed();
}

const QByteArray& UnitSession::stream() const
{
    return m_plan ? m_plan->Stream() : kNoStream;
}

qint32 UnitSession::downloadFrames() const
{
    return m_plan ? m_plan->Size() : 0;
}

qint64 UnitSession::plannedBytes() const
{
    return m_plan ? m_plan->PlannedBytes() : 0;
}

qint32 UnitSession::framesSent() const
{
    if (!m_plan)
        return 0;
    const int width = DestinationInfo::Of(m_download.dest).BytesPerSample();
    const qint64 data = m_sent - UnitProtocol::WriteCommand(m_download.dest).size();
    return qint32(std::clamp<qint64>(data / std::max(width, 1), 0, m_plan->NextFrame()));
}

// ---- Starting a command ----

// Takes the line for command; false when it would not open (the command has then ended Failed).
bool UnitSession::begin(Command command)
{
    m_command = command;
    m_clock = LineClock(m_link.bytesPerSecond());
    m_sent = 0;
    m_lastUnsent = 0;
    m_stop = false;
    m_endWait = false;
    m_acknowledged = false;
    m_ticksLeft = 0;
    m_progressAtMs = now();
    emit started(command);
    if (m_link.open())
        return true;
    finish(Result::Failed);
    return false;
}

bool UnitSession::startDownload(Download download)
{
    if (busy() || DestinationInfo::FromValue(download.dest) == DestNone)
        return false;
    const auto size =
        qint32(std::min<size_t>(download.values.size(), UnitProtocol::MaxDownloadSamples));
    m_download = std::move(download);
    if (!m_download.level)
        m_download.level = [] { return 100; };
    m_plan = std::make_unique<DownloadPlan>(m_download.dest, m_download.bitsPerSample, size);
    m_phase = Phase::Streaming;
    if (begin(Command::Download))
        pump();
    return true;
}

bool UnitSession::startErase(WaveDestination dest)
{
    const QByteArray command = UnitProtocol::EraseCommand(dest);
    if (busy() || command.isEmpty())
        return false;
    // Should the ticks stop coming, the wait still ends, at twice its nominal length.
    if (begin(Command::Erase)) {
        m_ticksLeft = EraseTicks;
        sendCommand(command, 2 * EraseTicks * kEraseTickMs);
    }
    return true;
}

bool UnitSession::startBlankCheck(WaveDestination dest)
{
    const QByteArray command = UnitProtocol::BlankCheckCommand(dest);
    if (busy() || command.isEmpty())
        return false;
    if (begin(Command::BlankCheck))
        sendCommand(command, AnswerMarginMs);
    return true;
}

bool UnitSession::startIdQuery()
{
    if (busy())
        return false;
    m_answer.clear();
    if (begin(Command::IdQuery))
        sendCommand(UnitProtocol::IdQuery(), AnswerMarginMs);
    return true;
}

// Puts a whole command string on the line and waits up to waitMs past its line time.
void UnitSession::sendCommand(const QByteArray& bytes, qint64 waitMs)
{
    m_phase = Phase::Waiting;
    m_clock.handOver(bytes.size(), now());
    m_deadlineMs = m_clock.doneAtMs() + waitMs;
    if (write(bytes))
        schedule(kMaxSleepMs);
}

// ---- Requests from outside ----

void UnitSession::requestStop()
{
    if (m_command == Command::Download)
        m_stop = true;
}

void UnitSession::endWait()
{
    m_stop = m_command == Command::Download;
    m_endWait = busy();
    if (busy())
        schedule(0);
}

void UnitSession::eraseTick()
{
    if (m_command != Command::Erase || m_ticksLeft <= 0)
        return;
    --m_ticksLeft;
    emit progress(EraseTicks - m_ticksLeft);
    if (m_ticksLeft == 0)
        finish(Result::NoAnswer);
}

void UnitSession::replyLine(const QByteArray& line)
{
    switch (m_command) {
    case Command::Download:
        // Only an answer after the terminator was handed over confirms this write.
        if (m_phase == Phase::Draining &&
            UnitProtocol::FindAnswer(line, UnitProtocol::ProgrammedWord) >= 0) {
            m_acknowledged = true;
            schedule(0);
        }
        break;
    case Command::Erase:
    case Command::BlankCheck: {
        const qsizetype erased = UnitProtocol::FindAnswer(line, UnitProtocol::ErasedWord);
        if (erased >= 0 && m_command == Command::Erase)
            emit eraseAnswered(line.mid(erased));
        if (erased >= 0)
            finish(Result::Erased);
        else if (UnitProtocol::FindAnswer(line, UnitProtocol::NotBlankWord) >= 0)
            finish(Result::NotBlank);
        break;
    }
    case Command::IdQuery:
        if (!line.trimmed().isEmpty()) {
            m_answer = line.trimmed();
            finish(Result::Confirmed);
        }
        break;
    case Command::None:
        break;
    }
}

void UnitSession::waitUntilIdle()
{
    if (!busy())
        return;
    QEventLoop loop;
    connect(this, &UnitSession::finished, &loop, &QEventLoop::quit);
    loop.exec();
}

// ---- Running ----

void UnitSession::pump()
{
    if (!busy())
        return;
    const qint64 t = now();
    if (!m_link.isOpen()) {
        finish(Result::Failed); // m_sent keeps the count of the last look while open
        return;
    }
    updateSent(t);
    if (m_phase == Phase::Streaming && t - m_progressAtMs > StallMs) {
        finish(Result::Failed); // the driver has taken no byte for that long
        return;
    }
    if (m_phase == Phase::Streaming)
        stream(t);
    if (!busy())
        return;
    if (m_phase == Phase::Draining)
        drain(t);
    else if (m_phase == Phase::Waiting)
        wait(t);
}

void UnitSession::updateSent(qint64 t)
{
    m_lastUnsent = m_link.unsentBytes();
    const qint64 byDriver = m_clock.handedOver() - m_lastUnsent;
    const qint64 sent = std::max(m_sent, std::min(m_clock.sentBy(t), byDriver));
    if (sent == m_sent && m_clock.handedOver() > m_sent)
        return;
    m_progressAtMs = t;
    if (sent == m_sent)
        return;
    m_sent = sent;
    if (m_command == Command::Download && m_plan->Size() > 0)
        emit progress(double(framesSent()) * 100.0 / m_plan->Size());
}

void UnitSession::stream(qint64 t)
{
    while (m_phase == Phase::Streaming && handOverNextBlock(t)) {
        if (!busy())
            return; // the write failed
    }
    if (m_phase == Phase::Streaming) {
        // Asleep until the line has made room for the next block.
        const qint64 excess = m_clock.handedOver() - m_sent + nextBlockBytes() - BufferBytes;
        // With no excess by the clock, the driver is the slower count: look again soon.
        schedule(excess > 0 ? m_clock.msFor(excess) : kPollMs);
    }
}

// Bytes of the hand-over that comes next.
qint64 UnitSession::nextBlockBytes() const
{
    const qint64 terminator = UnitProtocol::TerminatorLength;
    if (m_stop || m_plan->AtEnd())
        return terminator;
    const qint64 width = DestinationInfo::Of(m_download.dest).BytesPerSample();
    const qint64 n = m_plan->NextFrame();
    const qint64 chunk = UnitProtocol::SendChunkSamples;
    const qint64 due = (n + chunk - 1) / chunk * chunk; // frame whose encoding ends the block
    if (due >= m_plan->Size())
        return (m_plan->Size() - n) * width + terminator;
    const qint64 command = n == 0 ? UnitProtocol::WriteCommand(m_download.dest).size() : 0;
    return command + (due - n + 1) * width;
}

bool UnitSession::handOverNextBlock(qint64 t)
{
    const qint64 ahead = m_clock.handedOver() - m_sent;
    if (m_clock.handedOver() > 0 && ahead + nextBlockBytes() > BufferBytes)
        return false;
    QByteArray chunk;
    if (m_stop || m_plan->AtEnd()) {
        chunk = m_plan->Finish();
    } else {
        const int level = m_download.level();
        bool due = false;
        while (!due && !m_plan->AtEnd()) {
            const qint32 i = m_plan->NextFrame();
            due = m_plan->AddFrame(m_download.values[size_t(i)], level);
        }
        chunk = due ? m_plan->TakeChunk() : m_plan->Finish();
    }
    if (m_plan->AtEnd() && chunk.endsWith(UnitProtocol::Terminator()))
        m_phase = Phase::Draining;
    m_clock.handOver(chunk.size(), t);
    if (m_phase == Phase::Draining)
        m_deadlineMs = m_clock.doneAtMs() + DrainMarginMs;
    return write(chunk);
}

bool UnitSession::write(const QByteArray& bytes)
{
    if (m_link.write(bytes))
        return true;
    finish(Result::Failed);
    return false;
}

bool UnitSession::allLeft() const
{
    return m_sent >= m_clock.handedOver() && m_lastUnsent == 0;
}

void UnitSession::drain(qint64 t)
{
    if (allLeft()) {
        if (m_stop)
            finish(Result::Stopped);
        else if (m_acknowledged)
            finish(Result::Confirmed);
        else if (t >= m_clock.doneAtMs() + AnswerMarginMs)
            finish(Result::Unconfirmed);
        else
            schedule(m_clock.doneAtMs() + AnswerMarginMs - t);
        return;
    }
    if (t >= m_deadlineMs) {
        finish(Result::Failed); // the driver holds bytes long past the line time
        return;
    }
    schedule(m_clock.doneAtMs() - t);
}

void UnitSession::wait(qint64 t)
{
    if (m_endWait && allLeft()) {
        finish(Result::Stopped);
        return;
    }
    if (t >= m_deadlineMs) {
        finish(Result::NoAnswer);
        return;
    }
    schedule(m_deadlineMs - t);
}

void UnitSession::finish(Result result)
{
    m_timer.stop();
    const Command command = m_command;
    m_command = Command::None;
    m_ticksLeft = 0;
    emit finished(command, result);
}

void UnitSession::schedule(qint64 ms)
{
    m_timer.start(int(std::clamp(ms, kMinSleepMs, kMaxSleepMs)));
}
