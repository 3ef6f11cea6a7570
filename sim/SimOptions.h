#pragma once

#include "sim/UnitModel.h"

#include <QString>
#include <QStringList>

class QCommandLineParser;

// The command line of orvanta-sim. parse() never exits the program: it says whether to run,
// show the help text or report an error, and the caller acts on it.
class SimOptions
{
public:
    enum class Outcome
    {
        Run,
        ShowHelp,
        Error
    };

    // args includes the program name first, as in QCoreApplication::arguments().
    Outcome parse(const QStringList& args);

    const QString& message() const { return m_message; } // help text or error
    const QString& linkPath() const { return m_linkPath; }
    const QString& flashDir() const { return m_flashDir; } // empty: everything in memory
    qint64 baud() const { return m_baud; }
    const UnitModel::Settings& unit() const { return m_unit; }

    static constexpr qint64 DefaultBaud = 9600;
    // $XDG_RUNTIME_DIR/orvanta-sim, or /tmp/orvanta-sim-<uid> without a runtime folder.
    static QString defaultLinkPath();

private:
    bool readValues(const QCommandLineParser& parser);
    bool readNumber(const QString& name, const QString& text, qint64* value);

    QString m_message;
    QString m_linkPath;
    QString m_flashDir;
    qint64 m_baud = DefaultBaud;
    UnitModel::Settings m_unit;
};
