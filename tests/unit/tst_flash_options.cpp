// The command line of pelorin-flash: what each form of it runs, and the words of every refusal.
#include "unit/cli/FlashOptions.h"

#include <QTest>

namespace {

// What a parsed command line asks for, in one line.
QString Summary(const FlashOptions& o)
{
    static const char* const commands[] = {"id", "blank", "erase", "write", "program"};
    return QStringLiteral("%1 dest=%2 file=%3 ports=%4 level=%5%6%7%8%9")
        .arg(QLatin1String(commands[int(o.command())]))
        .arg(int(o.destination()))
        .arg(o.waveFile(), o.ports().join(','))
        .arg(o.level())
        .arg(QLatin1String(o.truncate() ? " truncate" : ""), QLatin1String(o.json() ? " json" : ""),
             QLatin1String(o.quiet() ? " quiet" : ""))
        .arg(QLatin1String(o.convert() ? " convert" : ""));
}

} // namespace

class TestFlashOptions : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("expected"); // the summary, or a part of the message
        const auto row = [](const char* line, FlashOptions::Outcome outcome, const char* expected) {
            QTest::newRow(line) << QString::fromLatin1(line) << int(outcome) << QString(expected);
        };
        using O = FlashOptions::Outcome;
        row("id", O::Run, "id dest=0 file= ports= level=100");
        row("--port COM3 blank S", O::Run, "blank dest=1 file= ports=COM3 level=100");
        row("erase channel --port /dev/ttyUSB0 --port COM2", O::Run,
            "erase dest=2 file= ports=/dev/ttyUSB0,COM2 level=100");
        row("program PINK a.wav --level 1 --truncate --json --quiet", O::Run,
            "program dest=3 file=a.wav ports= level=1 truncate json quiet");
        row("write c x.wav --start 1.5s --end 4000", O::Run,
            "write dest=2 file=x.wav ports= level=100");
        row("write S speech.wav --convert", O::Run,
            "write dest=1 file=speech.wav ports= level=100 convert");
        row("--help", O::ShowHelp, "Exit status: 0 every unit done");
        row("--version", O::ShowVersion, "");
        row("", O::Error, "no command given");
        row("flash S a.wav", O::Error, "unknown command \"flash\"");
        row("blank", O::Error, "blank takes DEST");
        row("write S", O::Error, "write takes DEST and FILE.wav");
        row("id S", O::Error, "id takes no argument");
        row("erase X", O::Error, "unknown destination \"X\"");
        row("write S a.wav --level 0", O::Error,
            "--level needs a whole number from 1 to 100, got \"0\"");
        row("write S a.wav --level 101", O::Error, "got \"101\"");
        row("write S a.wav --level 5.5", O::Error, "got \"5.5\"");
        row("write S a.wav --start -3", O::Error,
            "--start needs frames or seconds (1.5s), got \"-3\"");
        row("write S a.wav --end 2m", O::Error, "--end needs frames or seconds (1.5s), got \"2m\"");
        row("write S a.wav --start 1 --start 2", O::Error,
            "--start and --end may be given once each");
        row("blank S --level 50", O::Error,
            "--start, --end and --level belong to write and program");
        row("id --bogus", O::Error, "bogus");
    }

    void parse()
    {
        QFETCH(QString, line);
        QFETCH(int, outcome);
        QFETCH(QString, expected);
        FlashOptions o;
        const QStringList args = QStringList{"pelorin-flash"} + line.split(' ', Qt::SkipEmptyParts);
        QCOMPARE(int(o.parse(args)), outcome);
        if (outcome == int(FlashOptions::Outcome::Run))
            QCOMPARE(Summary(o), expected);
        else
            QVERIFY2(o.message().contains(expected), qPrintable(o.message()));
    }

    // The slice of a file of 48000 frames at 8000 per second: "start end", or a part of the
    // refusal. Seconds go to the nearest frame.
    void slice()
    {
        const QList<QPair<QString, QString>> rows{
            {"", "0 48000"},
            {"--start 100 --end 200", "100 200"},
            {"--start 1.5s --end 2s", "12000 16000"},
            {"--start 0.000125s --end 5.999999s", "1 48000"},
            {"--start 6s", "48000 48000"},
            {"--end 48001", "the slice 0..48001 lies beyond the file's 48000 frames"},
            {"--start 7s", "lies beyond"},
            {"--start 300 --end 200", "--end 200 lies before --start 300"}};
        for (const auto& [line, expected] : rows) {
            FlashOptions o;
            QCOMPARE(o.parse(QStringList{"pelorin-flash", "write", "S", "a.wav"} +
                             line.split(' ', Qt::SkipEmptyParts)),
                     FlashOptions::Outcome::Run);
            qint32 start = -1, end = -1;
            QString got;
            if (o.sliceFrames(48000, 8000, &start, &end, &got))
                got = QStringLiteral("%1 %2").arg(start).arg(end);
            QVERIFY2(expected[0].isDigit() ? got == expected : got.contains(expected),
                     qPrintable(line + ": " + got));
        }
    }
};

QTEST_GUILESS_MAIN(TestFlashOptions)
#include "tst_flash_options.moc"
