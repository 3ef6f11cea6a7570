#include "sim/UnitModel.h"

#include <algorithm>

namespace {
constexpr char Ff = char(0xFF);
constexpr char Cr = '\r';
constexpr char Lf = '\n';
constexpr int TerminatorRun = 3; // the unit ends a write at the first run of three 0xFF
} // namespace

UnitModel::UnitModel() : UnitModel(Settings()) {}

UnitModel::UnitModel(Settings settings)
    : m_settings(std::move(settings)), m_dest{Destination{'S', FlashArea(StationSize), {}, 0},
                                              Destination{'C', FlashArea(ChannelSize), {}, 0},
                                              Destination{'P', FlashArea(PinkSize), {}, 0}},
      m_hungUp(m_settings.hangupAfter == 0)
{
}

qsizetype UnitModel::feed(const QByteArray& bytes, qint64 nowMs)
{
    tick(nowMs);
    qsizetype taken = 0;
    for (char byte : bytes) {
        if (m_hungUp)
            break;
        ++m_received;
        ++taken;
        takeByte(byte, nowMs);
        if (m_settings.hangupAfter >= 0 && m_received >= m_settings.hangupAfter) {
            m_hungUp = true;
            m_output.clear(); // what was not sent yet never reaches the other side
        }
    }
    return taken;
}

void UnitModel::tick(qint64 nowMs)
{
    while (!m_erases.empty() && m_erases.front().dueMs <= nowMs) {
        const char code = m_erases.front().code;
        m_erases.erase(m_erases.begin());
        area(code)->erase();
        m_events.push_back({EventKind::EraseDone, code});
        answer("QXERA");
    }
}

std::optional<qint64> UnitModel::nextDeadline() const
{
    if (m_erases.empty())
        return std::nullopt;
    return m_erases.front().dueMs;
}

void UnitModel::consumeOutput(qsizetype count)
{
    m_output.remove(0, std::min(count, m_output.size()));
}

std::vector<UnitModel::Event> UnitModel::takeEvents()
{
    std::vector<Event> events;
    events.swap(m_events);
    return events;
}

const FlashArea* UnitModel::area(char code) const
{
    const int i = indexOf(code);
    return i < 0 ? nullptr : &m_dest[i].area;
}

FlashArea* UnitModel::area(char code)
{
    const int i = indexOf(code);
    return i < 0 ? nullptr : &m_dest[i].area;
}

QByteArray UnitModel::lastWrite(char code) const
{
    const int i = indexOf(code);
    return i < 0 ? QByteArray() : m_dest[i].lastWrite;
}

QByteArray UnitModel::statusLine() const
{
    QByteArray line = "QXSTA";
    for (const Destination& d : m_dest) {
        const bool erasing = std::any_of(m_erases.begin(), m_erases.end(),
                                         [&](const PendingErase& e) { return e.code == d.code; });
        const char* state = erasing ? "ERASING" : (d.area.isBlank() ? "BLANK" : "USED");
        line +=
            ' ' + QByteArray(1, d.code) + '=' + state + ',' + QByteArray::number(d.lastWriteSize);
    }
    line += " RX=" + QByteArray::number(m_received);
    return line;
}

void UnitModel::takeByte(char byte, qint64 nowMs)
{
    if (m_state == State::Write)
        writeByte(byte);
    else
        commandByte(byte, nowMs);
}

void UnitModel::commandByte(char byte, qint64 nowMs)
{
    if (byte == Ff || byte == Lf)
        return;
    if (byte == Cr) {
        // The ID query: it also throws away whatever answer was still waiting to go out.
        m_output.clear();
        m_state = State::Idle;
        answer("OV16 V" + m_settings.firmware);
        return;
    }
    if (acceptCommandByte(byte, nowMs))
        return;
    // A wrong byte ends the partial command; it may itself start the next one ("QQX...").
    m_state = State::Idle;
    acceptCommandByte(byte, nowMs);
}

bool UnitModel::acceptCommandByte(char byte, qint64 nowMs)
{
    switch (m_state) {
    case State::Idle:
        if (byte != 'Q')
            return false;
        m_state = State::GotQ;
        break;
    case State::GotQ:
        if (byte != 'X')
            return false;
        m_state = State::GotQX;
        break;
    case State::GotQX:
        if (byte == 'S') {
            echo(byte);
            m_state = State::Idle;
            answer(statusLine());
            return true;
        }
        if (byte != 'W' && byte != 'E' && byte != 'B')
            return false;
        m_letter = byte;
        m_state = State::GotLetter;
        break;
    case State::GotLetter:
        if (indexOf(byte) < 0)
            return false;
        echo(byte);
        runCommand(m_letter, byte, nowMs);
        return true;
    case State::Write:
        return false;
    }
    echo(byte);
    return true;
}

void UnitModel::runCommand(char letter, char code, qint64 nowMs)
{
    m_state = State::Idle;
    if (letter == 'W') {
        m_state = State::Write;
        m_writeIndex = indexOf(code);
        m_writePos = 0;
        m_writeData.clear();
        m_ffRun = 0;
    } else if (letter == 'E') {
        startErase(code, nowMs);
    } else {
        answer(area(code)->isBlank() ? "QXERA" : "QXERR");
    }
}

void UnitModel::writeByte(char byte)
{
    if (byte == Ff) {
        if (++m_ffRun == TerminatorRun)
            finishWrite();
        return;
    }
    // Fewer than three 0xFF before another byte: they were data after all.
    for (; m_ffRun > 0; --m_ffRun)
        writeData(Ff);
    writeData(byte);
}

void UnitModel::writeData(char byte)
{
    Destination& d = m_dest[m_writeIndex];
    d.area.program(m_writePos, byte); // beyond the area's end the byte is dropped
    ++m_writePos;
    if (m_writeData.size() < MaxWriteRecord)
        m_writeData.append(byte);
}

void UnitModel::finishWrite()
{
    Destination& d = m_dest[m_writeIndex];
    d.lastWrite = m_writeData;
    d.lastWriteSize = m_writePos;
    m_writeData.clear();
    m_ffRun = 0;
    m_state = State::Idle;
    m_events.push_back({EventKind::WriteDone, d.code});
    answer("QXPGM");
}

void UnitModel::startErase(char code, qint64 nowMs)
{
    m_erases.push_back({nowMs + std::max<qint64>(0, m_settings.eraseMs), code});
    std::stable_sort(
        m_erases.begin(), m_erases.end(),
        [](const PendingErase& a, const PendingErase& b) { return a.dueMs < b.dueMs; });
    tick(nowMs); // an erase time of zero answers at once
}

void UnitModel::answer(const QByteArray& text)
{
    send(text + "\r\n");
}

void UnitModel::echo(char byte)
{
    if (m_settings.echo)
        send(QByteArray(1, byte));
}

void UnitModel::send(const QByteArray& bytes)
{
    if (m_settings.ignore || m_hungUp)
        return;
    const qsizetype room = MaxPendingOutput - m_output.size();
    m_output.append(bytes.left(std::max<qsizetype>(0, room)));
}

int UnitModel::indexOf(char code) const
{
    for (int i = 0; i < int(m_dest.size()); ++i) {
        if (m_dest[i].code == code)
            return i;
    }
    return -1;
}
