// The simulated unit without its terminal: the command model and its FLASH, the pacing of the
// line, and the command line of orvanta-sim.
#include "sim/LinePacer.h"
#include "sim/SimOptions.h"
#include "sim/UnitModel.h"

#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(UnitModel::Settings)
Q_DECLARE_METATYPE(SimOptions::Outcome)

namespace {
const QByteArray Ff3(3, char(0xFF));
const QByteArray Ff6(6, char(0xFF));
const QByteArray IdQuery = Ff6 + "\r\n";
const QByteArray IdLine("OV16 V0116\r\n");

// Feeds the bytes at nowMs and collects what the unit sends.
QByteArray exchange(UnitModel& unit, const QByteArray& bytes, qint64 nowMs = 0)
{
    unit.feed(bytes, nowMs);
    const QByteArray out = unit.pendingOutput();
    unit.consumeOutput(out.size());
    return out;
}

// Bytes 0..254 in turn: no 0xFF, so no run of three can end a write early.
QByteArray ramp(qsizetype size)
{
    QByteArray data(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        data[i] = char(i % 255);
    return data;
}

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

class tst_SimCore : public QObject
{
    Q_OBJECT
private slots:
    void commands_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QByteArray>("station"); // data of the last write to the Station ID area
        QTest::addColumn<QByteArray>("flash");   // the start of that area
        QTest::addColumn<UnitModel::Settings>("settings");
        const auto row = [](const char* name, const QByteArray& in, const QByteArray& out,
                            const QByteArray& station = {}, const UnitModel::Settings& s = {},
                            const QByteArray& flash = {}) {
            QTest::newRow(name) << in << out << station << (flash.isNull() ? station : flash) << s;
        };
        const QByteArray pgm("QXWSQXPGM\r\n");
        // Programming only clears bits: a second write over an unerased area ANDs into the first.
        const QByteArray first("\xf0\x0f\x55\xaa\x81\x7e"), second("\x3c\x3c\xff\x0f\x01\xfe\x40");
        row("blank checks", "QXBSQXBCQXBP", "QXBSQXERA\r\nQXBCQXERA\r\nQXBPQXERA\r\n");
        row("leading FF", "QXWS\xff\xff\x10" + Ff3, pgm, "\xff\xff\x10");
        row("commands are data", "QXWSQXBS\r\n" + Ff6, pgm, "QXBS\r\n");
        row("command after three FF", "QXWS\x10" + Ff3 + "QXBS", pgm + "QXBSQXERR\r\n", "\x10");
        row("fourth FF is ignored", "QXWS\x10" + Ff3 + "\xffQXBC", pgm + "QXBCQXERA\r\n", "\x10");
        row("firmware", IdQuery, "OV16 V0203\r\n", {}, {.firmware = "0203"});
        row("stray bytes ignored", QByteArray("ABZ\x01\x80\nqxbs") + Ff6, "");
        row("QQX restarts", "QQXBS", "QQXBSQXERA\r\n");
        row("unknown letter", "QXZBS", "QX");
        row("unknown code", "QXBXQXBP", "QXBQXBPQXERA\r\n");
        row("0xFF and LF inside command",
            "QX\xff"
            "B\nS",
            "QXBSQXERA\r\n");
        row("CR drops pending answer", "QXBS\r", IdLine);
        // The ID query's 0xFF end an open write; its CR also clears the "QXPGM" still waiting.
        row("id query ends open write", "QXWS\x11\x22\x33" + IdQuery, IdLine, "\x11\x22\x33");
        row("write over unerased FLASH", "QXWS" + first + Ff6 + "QXWS" + second + Ff6, pgm + pgm,
            second, {}, QByteArray("\x30\x0c\x55\x0a\x01\x7e\x40"));
        row("erase, then write", "QXWS" + first + Ff6 + "QXES" + "QXWS" + second + Ff6,
            pgm + "QXESQXERA\r\n" + pgm, second, {.eraseMs = 0});
        row("CR ends partial command", "QXW\rS", IdLine);
        row("status", "QXWC" + ramp(300) + Ff6 + "QXS",
            "QXWCQXPGM\r\nQXSQXSTA S=BLANK,0 C=USED,300 P=BLANK,0 RX=313\r\n");
        row("no echo", "QXBPQXWS\x05" + Ff6, "QXERA\r\nQXPGM\r\n", "\x05", {.echo = false});
        row("ignore", "QXBPQXWS\x05" + Ff6 + "QXS" + IdQuery, "", "\x05", {.ignore = true});
        const QByteArray pairs = ramp(600) + "\xff\xff" + ramp(100) + "\xff\xff" + ramp(5);
        row("0xFF pairs inside the data", "QXWS" + pairs + Ff6, pgm, pairs);
        // Data beyond the area is dropped; the record of the write keeps all of it.
        const QByteArray longer = ramp(UnitModel::StationSize + 1000);
        row("write longer than the area", "QXWS" + longer + Ff6, pgm, longer, {},
            longer.left(UnitModel::StationSize));
        // The line closes after exactly that many bytes; nothing more is taken or answered.
        row("hang up at once", "QXBS", "", {}, {.hangupAfter = 0});
        row("hang up mid stream", "QXBSQXBC", "", {}, {.hangupAfter = 6});
        row("hang up mid write", "QXWS" + ramp(20) + Ff6, "", {}, {.hangupAfter = 10}, ramp(6));
    }
    // Every split of the input gives the same result.
    void commands()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, output);
        QFETCH(QByteArray, station);
        QFETCH(QByteArray, flash);
        QFETCH(UnitModel::Settings, settings);
        for (const qsizetype chunk : {input.size(), qsizetype(1), qsizetype(2), qsizetype(7)}) {
            UnitModel unit(settings);
            for (qsizetype i = 0; i < input.size(); i += chunk)
                unit.feed(input.mid(i, chunk), i);
            QCOMPARE(unit.pendingOutput(), output);
            QCOMPARE(unit.received(),
                     settings.hangupAfter < 0 ? input.size() : settings.hangupAfter);
            QCOMPARE(unit.feed("QXBS", 1), qsizetype(settings.hangupAfter < 0 ? 4 : 0));
            QVERIFY(!unit.writing() || unit.hungUp());
            QCOMPARE(unit.lastWrite('S'), station);
            QCOMPARE(unit.area('S')->contents().left(flash.size() + 1),
                     (flash + char(0xFF)).left(UnitModel::StationSize));
        }
    }
    // The area is blank and "QXERA" sent exactly --erase-ms (2000 by default) after the command.
    void eraseTiming()
    {
        const qint64 start = 123456;
        UnitModel unit;
        exchange(unit, "QXWP\x01" + Ff6, start);
        QCOMPARE(exchange(unit, "QXEP", start), QByteArray("QXEP"));
        QCOMPARE(unit.nextDeadline(), std::optional<qint64>(start + 2000));
        unit.tick(start + 1999);
        QVERIFY(unit.pendingOutput().isEmpty() && !unit.area('P')->isBlank());
        unit.tick(start + 2000);
        QCOMPARE(exchange(unit, {}, start + 2000), QByteArray("QXERA\r\n"));
        QVERIFY(unit.area('P')->isBlank() && !unit.nextDeadline());
    }
    void rateHolds_data()
    {
        QTest::addColumn<qint64>("baud");
        QTest::addColumn<qint64>("stepMs");
        QTest::newRow("9600, 7 ms") << qint64(9600) << qint64(7);
        QTest::newRow("115200, 3 ms") << qint64(115200) << qint64(3);
        QTest::newRow("unpaced") << qint64(0) << qint64(7);
    }
    // A greedy reader takes all it is allowed at every step: after t ms it must have no more than
    // t * baud / 10000 bytes plus the short credit, and not fall more than a byte and a step
    // behind. A minute of silence allows only 20 ms worth at once.
    void rateHolds()
    {
        QFETCH(qint64, baud);
        QFETCH(qint64, stepMs);
        LinePacer pacer(baud);
        if (baud == 0) { // never held back, never a wait
            QVERIFY(pacer.allowance(0) >= 1 << 30 && pacer.msUntilNext(0) == 0);
            return;
        }
        const double perMs = double(baud) / 10000.0;
        const double credit = std::max(2.0, perMs * 20); // at most 20 ms worth after a pause
        qint64 total = 0;
        for (qint64 t = 0; t <= 3000; t += stepMs) {
            const qsizetype n = pacer.allowance(t);
            pacer.consume(n);
            total += n;
            QVERIFY2(total <= t * perMs + credit, qPrintable(QString::number(t)));
            QVERIFY2(total >= (t - stepMs) * perMs - 1, qPrintable(QString::number(t)));
            if (pacer.allowance(t) == 0)
                QVERIFY(pacer.msUntilNext(t) > 0);
        }
        QCOMPARE(pacer.allowance(63000), qsizetype(credit));
        pacer.consume(qsizetype(credit));
        const qint64 wait = pacer.msUntilNext(63000); // the rest of a byte
        QVERIFY(wait >= 1 && wait <= 2 && pacer.allowance(63000 + wait) >= 1);
    }
    void options_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<SimOptions::Outcome>("outcome");
        // The values read; for help and errors, what the text names.
        QTest::addColumn<QString>("text");
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
        row("firmware and FLASH folder",
            {"--link", "/t", "--firmware", "0321", "--flash-dir", "/f"},
            "/t baud=9600 erase=2000 hangup=-1 echo answers firmware=0321 flash=/f", run);
        row("help", {"--help"}, "--hangup-after", SimOptions::Outcome::ShowHelp);
        row("short firmware", {"--firmware", "116"}, "--firmware");
        row("negative baud", {"--baud", "-1"}, "--baud");
        row("text erase", {"--erase-ms", "soon"}, "--erase-ms");
        row("unknown option", {"--fast"}, "fast");
        row("stray argument", {"now"}, "unexpected argument: now");
    }
    void options()
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
};

QTEST_GUILESS_MAIN(tst_SimCore)
#include "tst_SimCore.moc"
