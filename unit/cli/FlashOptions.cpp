#include "unit/cli/FlashOptions.h"

#include "serial/PortTable.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include <cmath>

namespace {

const QString kUsage = QStringLiteral(
    "usage: pelorin-flash [options] id\n"
    "       pelorin-flash [options] blank|erase DEST\n"
    "       pelorin-flash [options] write|program DEST FILE.wav\n"
    "DEST is station, channel or pink (S, C, P). program erases, checks that the destination is\n"
    "blank, writes, waits for the unit's QXPGM and checks that it is no longer blank.\n"
    "Exit status: 0 every unit done and confirmed, 1 a unit failed or did not confirm, 2 bad\n"
    "usage or file, 3 a port could not be opened, 130 stopped by Ctrl+C.\n");

struct CommandWord
{
    const char* word;
    FlashOptions::Command command;
    int words; // words after the command
};
constexpr CommandWord kCommands[] = {
    {"id", FlashOptions::Command::Id, 0},           {"blank", FlashOptions::Command::Blank, 1},
    {"erase", FlashOptions::Command::Erase, 1},     {"write", FlashOptions::Command::Write, 2},
    {"program", FlashOptions::Command::Program, 2},
};

QCommandLineOption option(const char* name, const QString& help, const char* value = nullptr)
{
    return value ? QCommandLineOption(QLatin1String(name), help, QLatin1String(value))
                 : QCommandLineOption(QLatin1String(name), help);
}

} // namespace

FlashOptions::Outcome FlashOptions::parse(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(kUsage);
    parser.addOptions({
        option("port",
               QStringLiteral("COMn of the port table or a device path; repeat it to "
                              "program several units at once (default: the saved port)."),
               "PORT"),
        option("start", QStringLiteral("First frame of the slice, or seconds as 1.5s (default 0)."),
               "POS"),
        option("end", QStringLiteral("Frame after the slice, or seconds (default: the end)."),
               "POS"),
        option("level", QStringLiteral("Download level 1..100 in percent (default 100)."), "N"),
        option("truncate", QStringLiteral("Cut a slice longer than 131072 frames to 131072.")),
        option("convert",
               QStringLiteral("Convert a file in another format or at another rate to 16-bit PCM "
                              "at the destination's rate (8000, or 48000 for pink) first.")),
        option("json", QStringLiteral("Print one JSON object per unit instead of the table.")),
        option("quiet", QStringLiteral("No progress lines and no table; errors only.")),
        option("help", QStringLiteral("Show this help.")),
        option("version", QStringLiteral("Show the version.")),
    });
    if (!parser.parse(args)) {
        fail(parser.errorText());
        return Outcome::Error;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        m_message = parser.helpText();
        return Outcome::ShowHelp;
    }
    if (parser.isSet(QStringLiteral("version")))
        return Outcome::ShowVersion;
    m_ports = parser.values(QStringLiteral("port"));
    m_truncate = parser.isSet(QStringLiteral("truncate"));
    m_convert = parser.isSet(QStringLiteral("convert"));
    m_json = parser.isSet(QStringLiteral("json"));
    m_quiet = parser.isSet(QStringLiteral("quiet"));
    const bool ok =
        readPositional(parser.positionalArguments()) &&
        readValues(parser.values(QStringLiteral("start")), parser.values(QStringLiteral("end")),
                   parser.value(QStringLiteral("level")));
    return ok ? Outcome::Run : Outcome::Error;
}

bool FlashOptions::readPositional(const QStringList& words)
{
    if (words.isEmpty())
        return fail(QStringLiteral("no command given"));
    const CommandWord* found = nullptr;
    for (const CommandWord& c : kCommands)
        found = words[0] == QLatin1String(c.word) ? &c : found;
    if (!found)
        return fail(QStringLiteral("unknown command \"%1\"").arg(words[0]));
    m_command = found->command;
    if (words.size() - 1 != found->words)
        return fail(QStringLiteral("%1 takes %2")
                        .arg(words[0], found->words == 0   ? "no argument"
                                       : found->words == 1 ? "DEST"
                                                           : "DEST and FILE.wav"));
    if (found->words == 0)
        return true;
    m_dest = parseDestination(words[1]);
    if (m_dest == DestNone)
        return fail(QStringLiteral("unknown destination \"%1\" (station, channel, pink or S, C, P)")
                        .arg(words[1]));
    m_wave = found->words == 2 ? words[2] : QString();
    return true;
}

bool FlashOptions::readValues(const QStringList& starts, const QStringList& ends,
                              const QString& level)
{
    if (starts.size() > 1 || ends.size() > 1)
        return fail(QStringLiteral("--start and --end may be given once each"));
    if (!needsWave() && (!starts.isEmpty() || !ends.isEmpty() || !level.isEmpty()))
        return fail(QStringLiteral("--start, --end and --level belong to write and program"));
    if (!starts.isEmpty() && !(m_start = parsePosition(starts[0])))
        return fail(
            QStringLiteral("--start needs frames or seconds (1.5s), got \"%1\"").arg(starts[0]));
    if (!ends.isEmpty() && !(m_end = parsePosition(ends[0])))
        return fail(
            QStringLiteral("--end needs frames or seconds (1.5s), got \"%1\"").arg(ends[0]));
    if (level.isEmpty())
        return true;
    bool ok = false;
    m_level = level.toInt(&ok);
    if (!ok || m_level < 1 || m_level > 100)
        return fail(
            QStringLiteral("--level needs a whole number from 1 to 100, got \"%1\"").arg(level));
    return true;
}

bool FlashOptions::fail(const QString& text)
{
    m_message = text;
    return false;
}

bool FlashOptions::sliceFrames(qint32 sampleCount, quint32 rate, qint32* start, qint32* end,
                               QString* error) const
{
    // Seconds become the nearest frame, halves to the even one, like every rounding here.
    const auto frames = [rate](const Position& p) {
        return p.seconds ? std::nearbyint(p.value * rate) : p.value;
    };
    const double first = m_start ? frames(*m_start) : 0.0;
    const double last = m_end ? frames(*m_end) : double(sampleCount);
    if (first > sampleCount || last > sampleCount) {
        *error = QStringLiteral("the slice %1..%2 lies beyond the file's %3 frames")
                     .arg(first, 0, 'f', 0)
                     .arg(last, 0, 'f', 0)
                     .arg(sampleCount);
        return false;
    }
    if (last < first) {
        *error = QStringLiteral("--end %1 lies before --start %2")
                     .arg(last, 0, 'f', 0)
                     .arg(first, 0, 'f', 0);
        return false;
    }
    *start = qint32(first);
    *end = qint32(last);
    return true;
}

WaveDestination FlashOptions::parseDestination(const QString& text)
{
    const QString t = text.toLower();
    if (t == QLatin1String("s") || t == QLatin1String("station"))
        return DestStationID;
    if (t == QLatin1String("c") || t == QLatin1String("channel"))
        return DestChannelID;
    if (t == QLatin1String("p") || t == QLatin1String("pink"))
        return DestPinkFile;
    return DestNone;
}

int FlashOptions::portNumber(const QString& text)
{
    static const QRegularExpression com(QStringLiteral("^COM([0-9]{1,2})$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = com.match(text);
    const int n = m.hasMatch() ? m.captured(1).toInt() : 0;
    return n >= PortTable::FirstPort && n <= PortTable::LastPort ? n : 0;
}

std::optional<FlashOptions::Position> FlashOptions::parsePosition(const QString& text)
{
    static const QRegularExpression frames(QStringLiteral("^[0-9]{1,10}$"));
    static const QRegularExpression seconds(QStringLiteral("^([0-9]{1,6}(\\.[0-9]{1,6})?)s$"));
    if (frames.match(text).hasMatch())
        return Position{text.toDouble(), false};
    const QRegularExpressionMatch m = seconds.match(text);
    if (m.hasMatch())
        return Position{m.captured(1).toDouble(), true};
    return std::nullopt;
}
