#include "sim/SimOptions.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <unistd.h>
#include <utility>

namespace {
QCommandLineOption option(const char* name, const QString& text, const char* value = nullptr)
{
    if (!value)
        return QCommandLineOption(QLatin1String(name), text);
    return QCommandLineOption(QLatin1String(name), text, QLatin1String(value));
}

QList<QCommandLineOption> allOptions()
{
    return {
        option("link",
               QStringLiteral("Make the symbolic link to the terminal at PATH (default: %1).")
                   .arg(SimOptions::defaultLinkPath()),
               "PATH"),
        option("firmware",
               QStringLiteral("Four-digit firmware version in the ID line (default: 0116)."),
               "VVVV"),
        option("erase-ms", QStringLiteral("Milliseconds an erase takes (default: 2000)."), "MS"),
        option("baud",
               QStringLiteral("Pace both directions like an 8N1 line of N baud; 0 is unpaced "
                              "(default: 9600)."),
               "N"),
        option("flash-dir",
               QStringLiteral("Keep the FLASH areas, the last write of each and every received "
                              "byte in DIR."),
               "DIR"),
        option("no-echo", QStringLiteral("Do not echo command characters.")),
        option("hangup-after",
               QStringLiteral("Close the line after N received bytes, like a pulled cable; the "
                              "link stays, dead."),
               "N"),
        option("ignore", QStringLiteral("Never answer anything (a dead unit).")),
    };
}
} // namespace

SimOptions::Outcome SimOptions::parse(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulates an Orvanta unit on a pseudo-terminal. Ends cleanly on SIGINT "
                       "or SIGTERM."));
    const QCommandLineOption help = parser.addHelpOption();
    parser.addOptions(allOptions());
    if (!parser.parse(args)) {
        m_message = parser.errorText();
        return Outcome::Error;
    }
    if (parser.isSet(help)) {
        m_message = parser.helpText();
        return Outcome::ShowHelp;
    }
    if (!parser.positionalArguments().isEmpty()) {
        m_message = QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments()[0]);
        return Outcome::Error;
    }
    return readValues(parser) ? Outcome::Run : Outcome::Error;
}

bool SimOptions::readValues(const QCommandLineParser& parser)
{
    const QString firmware = parser.isSet("firmware") ? parser.value("firmware") : "0116";
    if (!QRegularExpression(QStringLiteral("^[0-9]{4}$")).match(firmware).hasMatch()) {
        m_message = QStringLiteral("--firmware needs four digits, got \"%1\"").arg(firmware);
        return false;
    }
    m_unit.firmware = firmware.toLatin1();
    for (const auto& [name, value] :
         {std::pair{"erase-ms", &m_unit.eraseMs}, std::pair{"baud", &m_baud},
          std::pair{"hangup-after", &m_unit.hangupAfter}}) {
        if (parser.isSet(name) && !readNumber(name, parser.value(name), value))
            return false;
    }
    m_unit.echo = !parser.isSet("no-echo");
    m_unit.ignore = parser.isSet("ignore");
    m_linkPath = parser.isSet("link") ? parser.value("link") : defaultLinkPath();
    m_flashDir = parser.value("flash-dir");
    if (m_linkPath.isEmpty()) {
        m_message = QStringLiteral("--link needs a path");
        return false;
    }
    return true;
}

QString SimOptions::defaultLinkPath()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return QDir(runtime).filePath(QStringLiteral("orvanta-sim"));
    return QStringLiteral("/tmp/orvanta-sim-%1").arg(getuid());
}

bool SimOptions::readNumber(const QString& name, const QString& text, qint64* value)
{
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    // The upper bound keeps time and byte arithmetic far from overflow.
    constexpr qint64 Max = qint64(1) << 40;
    if (!ok || number < 0 || number > Max) {
        m_message = QStringLiteral("--%1 needs a whole number from 0 to %2, got \"%3\"")
                        .arg(name)
                        .arg(Max)
                        .arg(text);
        return false;
    }
    *value = number;
    return true;
}
