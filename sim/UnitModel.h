#pragma once

#include "sim/FlashArea.h"

#include <QByteArray>
#include <array>
#include <optional>
#include <vector>

// The unit's side of the serial protocol, without any terminal: bytes go in with the time they
// arrived (feed), time passes (tick), answers come out (pendingOutput/consumeOutput). The three
// FLASH areas and the data of the last write of each are kept here.
class UnitModel
{
public:
    struct Settings
    {
        QByteArray firmware = "0116"; // four digits of the ID line "OV16 Vxxxx"
        qint64 eraseMs = 2000;        // time an erase takes before "QXERA"
        bool echo = true;             // echo every accepted command character
        bool ignore = false;          // a dead unit: never send anything
        qint64 hangupAfter = -1;      // close the line after this many bytes (< 0: never)
    };

    enum class EventKind
    {
        WriteDone,
        EraseDone
    };
    struct Event
    {
        EventKind kind;
        char code; // destination code letter: 'S', 'C' or 'P'
    };

    static constexpr qsizetype StationSize = 131072;
    static constexpr qsizetype ChannelSize = 131072;
    static constexpr qsizetype PinkSize = 262144;
    // Answers beyond this many unsent bytes are lost, as on a receiver that overruns.
    static constexpr qsizetype MaxPendingOutput = 65536;
    // The record of a write's data stops growing here; the area itself is far smaller.
    static constexpr qsizetype MaxWriteRecord = 16 * 1024 * 1024;
    static constexpr std::array<char, 3> Codes = {'S', 'C', 'P'};

    UnitModel();
    explicit UnitModel(Settings settings);

    // Takes bytes received at nowMs; returns how many were taken (fewer only when the line
    // closes because of hangupAfter).
    qsizetype feed(const QByteArray& bytes, qint64 nowMs);
    // Finishes the erases that are due at nowMs.
    void tick(qint64 nowMs);
    // Time of the next pending erase, if any.
    std::optional<qint64> nextDeadline() const;

    const QByteArray& pendingOutput() const { return m_output; }
    void consumeOutput(qsizetype count);
    std::vector<Event> takeEvents();

    bool hungUp() const { return m_hungUp; }
    qint64 received() const { return m_received; }
    bool writing() const { return m_state == State::Write; }

    // nullptr for a letter that is no destination code.
    const FlashArea* area(char code) const;
    FlashArea* area(char code);
    // The data bytes of the most recent completed write to code, before truncation.
    QByteArray lastWrite(char code) const;
    // The answer to "QXS", without the line ending.
    QByteArray statusLine() const;

private:
    enum class State
    {
        Idle,      // waiting for 'Q'
        GotQ,      // waiting for 'X'
        GotQX,     // waiting for the command letter
        GotLetter, // waiting for the destination code
        Write      // data until three 0xFF in a row
    };
    struct Destination
    {
        char code;
        FlashArea area;
        QByteArray lastWrite;
        qsizetype lastWriteSize = 0; // bytes of the last write, including any not recorded
    };
    struct PendingErase
    {
        qint64 dueMs;
        char code;
    };

    void takeByte(char byte, qint64 nowMs);
    void commandByte(char byte, qint64 nowMs);
    bool acceptCommandByte(char byte, qint64 nowMs);
    void runCommand(char letter, char code, qint64 nowMs);
    void writeByte(char byte);
    void writeData(char byte);
    void finishWrite();
    void startErase(char code, qint64 nowMs);
    void answer(const QByteArray& text);
    void echo(char byte);
    void send(const QByteArray& bytes);
    int indexOf(char code) const;

    Settings m_settings;
    std::array<Destination, 3> m_dest;
    std::vector<PendingErase> m_erases;
    std::vector<Event> m_events;
    QByteArray m_output;
    State m_state = State::Idle;
    char m_letter = 0;
    int m_writeIndex = -1;
    qsizetype m_writePos = 0;
    QByteArray m_writeData;
    int m_ffRun = 0;
    qint64 m_received = 0;
    bool m_hungUp = false;
};
