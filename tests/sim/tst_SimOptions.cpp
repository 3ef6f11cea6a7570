#include "sim/SimOptions.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

// Every value the command line sets, in one line.
QString describe(const SimOptions& o)
{
    const UnitModel::Settings& u = o.unit();
    return QStringLiteral("%1 baud=%2 erase=%3 hangup=%4 %5 %6 firmware=%7 flash=%8")
        .arg(o.linkPath())
        .arg(o.baud())
        .arg(u.eraseMs)
        .arg(u.hangupAfter)
        .arg(u.echo ? "echo" : "no-echo", u.ignore ? "ignore" : "answers",
             QString::fromLatin1(u.firmware), o.flashDir());
}

} // namespace

Q_DECLARE_METATYPE(SimOptions::Outcome)

class tst_SimOptions : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
};

void tst_SimOptions::parse_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<SimOptions::Outcome>("outcome");
    QTest::addColumn<QString>("text"); // the values read; for help and errors, what the text names
    const auto row = [](const char* name, const QStringList& args, const QString& text,
                        SimOptions::Outcome outcome = SimOptions::Outcome::Error) {
        QTest::newRow(name) << args << outcome << text;
    };
    const auto run = SimOptions::Outcome::Run;
    // Without --link the link lives in the user's runtime folder ($RT here).
    row("defaults", {},
        "$RT/orvanta-sim baud=9600 erase=2000 hangup=-1 echo answers "
        "firmware=0116 flash=",
        run);
    row("fast", {"--link", "/t", "--baud", "0", "--erase-ms", "0"},
        "/t baud=0 erase=0 hangup=-1 echo answers firmware=0116 flash=", run);
    row("faults", {"--link=/t", "--hangup-after=0", "--no-echo", "--ignore"},
        "/t baud=9600 erase=2000 hangup=0 no-echo ignore firmware=0116 flash=", run);
    row("firmware and FLASH folder", {"--link", "/t", "--firmware", "0321", "--flash-dir", "/f"},
        "/t baud=9600 erase=2000 hangup=-1 echo answers firmware=0321 flash=/f", run);
    row("help", {"--help"}, "--hangup-after", SimOptions::Outcome::ShowHelp);
    row("short firmware", {"--firmware", "116"}, "--firmware");
    row("negative baud", {"--baud", "-1"}, "--baud");
    row("text erase", {"--erase-ms", "soon"}, "--erase-ms");
    row("unknown option", {"--fast"}, "fast");
    row("stray argument", {"now"}, "unexpected argument: now");
}

void tst_SimOptions::parse()
{
    QFETCH(QStringList, args);
    QFETCH(SimOptions::Outcome, outcome);
    QFETCH(QString, text);
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    SimOptions o;
    QCOMPARE(o.parse(QStringList{"orvanta-sim"} + args), outcome);
    if (outcome == SimOptions::Outcome::Run)
        QCOMPARE(describe(o), text.replace("$RT", runtime.path()));
    else
        QVERIFY2(o.message().contains(text), qPrintable(o.message()));
}

QTEST_GUILESS_MAIN(tst_SimOptions)
#include "tst_SimOptions.moc"
