#include "sim/SimOptions.h"
#include "sim/SimServer.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvanta-sim"));
    SimOptions options;
    switch (options.parse(QCoreApplication::arguments())) {
    case SimOptions::Outcome::ShowHelp:
        std::fputs(qPrintable(options.message()), stdout);
        return 0;
    case SimOptions::Outcome::Error:
        std::fprintf(stderr, "orvanta-sim: %s\nTry 'orvanta-sim --help'.\n",
                     qPrintable(options.message()));
        return 2;
    case SimOptions::Outcome::Run:
        break;
    }
    SimServer server(options);
    QString error;
    if (!server.start(&error)) {
        std::fprintf(stderr, "orvanta-sim: %s\n", qPrintable(error));
        return 1;
    }
    return server.run();
}
