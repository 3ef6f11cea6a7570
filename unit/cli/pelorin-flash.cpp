// pelorin-flash: runs the unit commands from a shell, on one unit or on many at once, with the
// same session, port table, encoder and copy file as the window.
#include "app/core/SignalRelay.h"
#include "unit/cli/FlashOptions.h"
#include "unit/cli/FlashRun.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pelorin-flash"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PELORIN_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);
    FlashOptions options;
    switch (options.parse(app.arguments())) {
    case FlashOptions::Outcome::ShowHelp:
        out << options.message();
        return 0;
    case FlashOptions::Outcome::ShowVersion:
        out << "pelorin-flash " << PELORIN_VERSION << "\n";
        return 0;
    case FlashOptions::Outcome::Error:
        err << "pelorin-flash: " << options.message() << "\n(pelorin-flash --help tells more)\n";
        return FlashRun::BadUsage;
    case FlashOptions::Outcome::Run:
        break;
    }
    // Ctrl+C, SIGTERM and SIGHUP stop every unit at its next block; each write still ends with
    // its terminator and the copy file holds what went out.
    SignalRelay relay;
    FlashRun run(options, out, err);
    QObject::connect(&relay, &SignalRelay::received, &run, &FlashRun::stop);
    return run.exec();
}
