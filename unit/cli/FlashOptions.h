#pragma once

#include "unit/WaveDestination.h"

#include <QString>
#include <QStringList>

#include <optional>

// The command line of pelorin-flash. parse() never exits the program: it says whether to run,
// show the help or version text or report a usage error, and the caller acts on it.
class FlashOptions
{
public:
    enum class Outcome
    {
        Run,
        ShowHelp,
        ShowVersion,
        Error
    };
    enum class Command
    {
        Id,
        Blank,
        Erase,
        Write,
        Program
    };
    // A slice edge as given: whole frames, or seconds ("1.5s").
    struct Position
    {
        double value = 0.0;
        bool seconds = false;
    };

    // args includes the program name first, as in QCoreApplication::arguments().
    Outcome parse(const QStringList& args);

    const QString& message() const { return m_message; } // help text or the usage error
    Command command() const { return m_command; }
    WaveDestination destination() const { return m_dest; }
    const QString& waveFile() const { return m_wave; }
    const QStringList& ports() const { return m_ports; } // as given; empty: the saved port
    int level() const { return m_level; }
    bool truncate() const { return m_truncate; }
    bool convert() const { return m_convert; }
    bool json() const { return m_json; }
    bool quiet() const { return m_quiet; }
    bool needsWave() const { return m_command == Command::Write || m_command == Command::Program; }

    // The slice [start, end) in frames of a file of sampleCount frames at rate per second; an
    // edge outside the file or an end before the start is an error in words.
    bool sliceFrames(qint32 sampleCount, quint32 rate, qint32* start, qint32* end,
                     QString* error) const;

    // "S", "station", ... in any letter case; DestNone for anything else.
    static WaveDestination parseDestination(const QString& text);
    // "COM3" (any case) gives 3; 0 when text names no port number 1..16 (a device path).
    static int portNumber(const QString& text);
    static std::optional<Position> parsePosition(const QString& text);

private:
    bool readPositional(const QStringList& words);
    bool readValues(const QStringList& starts, const QStringList& ends, const QString& level);
    bool fail(const QString& text);

    QString m_message;
    Command m_command = Command::Id;
    WaveDestination m_dest = DestNone;
    QString m_wave;
    QStringList m_ports;
    std::optional<Position> m_start;
    std::optional<Position> m_end;
    int m_level = 100;
    bool m_truncate = false;
    bool m_convert = false;
    bool m_json = false;
    bool m_quiet = false;
};
