// pelorin-flash as a technician runs it: the real program against real orvanta-sim processes on
// pseudo-terminals. What it writes must be what the window writes for the same slice and level.
#include "tests/unit/SimUnit.h"
#include "tests/unit/TestWav.h"
#include "tests/unit/UnitWindow.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

class TestFlashCli : public QObject
{
    Q_OBJECT
private slots:
    void programMatchesWindow_data();
    void programMatchesWindow();
    void manyUnitsAtOnce();
    void refusals_data();
    void refusals();
    void interruptMidWrite();
};

namespace {

const QByteArray kTerminator(6, '\xFF');

TestWav Sweep(int bits, int frames, quint32 rate = 8000)
{
    TestWav wav;
    wav.bits = bits;
    wav.rate = rate;
    for (int i = 0; i < frames; ++i)
        wav.frames.append({bits == 8 ? (i * 7) % 256 : (i * 797) % 65536 - 32768, 0});
    return wav;
}

// pelorin-flash with its settings and runtime folder in `home`; stdout and stderr kept apart.
struct Flash
{
    QTemporaryDir home;
    QProcess process;

    void Start(const QStringList& args)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", home.filePath("config"));
        env.insert("XDG_RUNTIME_DIR", home.path());
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(PELORIN_FLASH_PATH), args);
    }
    int Run(const QStringList& args, int ms = 60000)
    {
        Start(args);
        if (!process.waitForFinished(ms))
            return -1;
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    }
    // One parsed object per line of stdout.
    QList<QJsonObject> Json()
    {
        QList<QJsonObject> units;
        for (const QByteArray& line : process.readAllStandardOutput().split('\n'))
            if (!line.isEmpty())
                units.append(QJsonDocument::fromJson(line).object());
        return units;
    }
};

} // namespace

void TestFlashCli::programMatchesWindow_data()
{
    QTest::addColumn<int>("option"); // 0 Station ID, 1 Channel ID, 2 Pink File
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("level");
    QTest::newRow("Station ID 8-bit") << 0 << 8 << 100;
    QTest::newRow("Channel ID 16-bit level 37") << 1 << 16 << 37;
    QTest::newRow("Pink File 16-bit level 80") << 2 << 16 << 80;
}

void TestFlashCli::programMatchesWindow()
{
    QFETCH(int, option);
    QFETCH(int, bits);
    QFETCH(int, level);
    const QString name = QStringList{"Station ID", "Channel ID", "Pink Wave File"}[option];
    // The window sends frames 300..1800 of 3000 (its sliders at 100 and 600 thousandths).
    UnitWindow u;
    SimUnit windowUnit;
    QVERIFY(windowUnit.Start({"--baud", "0"}));
    u.AttachCom1(windowUnit.Link());
    QVERIFY(u.Open(Sweep(bits, 3000, option == 2 ? 48000 : 8000)));
    u.Choose(option);
    u.Controls().HScroll_gain->setValue(level);
    u.Controls().HScroll2->setValue(600);
    u.Controls().HScroll1->setValue(100);
    u.Answer({Toolkit::Ok});
    u.Click(0);
    const QByteArray window = SimUnit::ReadFile(u.CopyPath());
    QVERIFY(window.endsWith(kTerminator));

    SimUnit unit;
    QVERIFY(unit.Start({"--baud", "0"}));
    Flash flash;
    const QString wave = QFileInfo(u.CopyPath()).path() + "/sound.wav";
    const QStringList dest{"station", "C", "pink"};
    QCOMPARE(flash.Run({"program", dest[option], wave, "--port", unit.Link(), "--start", "300",
                        "--end", "1800", "--level", QString::number(level), "--json"}),
             0);
    QCOMPARE(SimUnit::ReadFile(u.CopyPath()), window);
    QVERIFY(unit.Received().contains(window));
    const QList<QJsonObject> units = flash.Json();
    QCOMPARE(units.size(), 1);
    const QJsonObject o = units[0];
    QVERIFY(o["device"].toString().startsWith("/dev/pts/") && !o["id"].toString().isEmpty());
    QVERIFY(o["seconds"].toDouble() > 0);
    QCOMPARE(QStringList({o["port"].toString(), o["destination"].toString(),
                          QString::number(o["bytes"].toInt()), o["result"].toString(),
                          o["ok"].toBool() ? "ok" : "not ok", o["copy"].toString()}),
             QStringList({unit.Link(), name, QString::number(window.size()), "programmed", "ok",
                          u.CopyPath()}));
}

// Four units on one command: two answer, one is silent, one hangs up during the write. The two
// good ones are programmed alike and the others fail on their own, without holding them back.
void TestFlashCli::manyUnitsAtOnce()
{
    QTemporaryDir dir;
    const QString wave = dir.filePath("id.wav");
    QVERIFY(Sweep(8, 2000).Write(wave));
    SimUnit units[4];
    const QStringList options[4] = {{}, {"--ignore"}, {"--hangup-after", "700"}, {}};
    QStringList args{"write", "S", wave, "--json"};
    for (int i = 0; i < 4; ++i) {
        QVERIFY(units[i].Start(QStringList{"--baud", "0"} + options[i]));
        args << "--port" << units[i].Link();
    }
    Flash flash;
    QCOMPARE(flash.Run(args), 1);
    const QList<QJsonObject> got = flash.Json();
    QCOMPARE(got.size(), 4);
    QString results;
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(got[i]["port"].toString(), units[i].Link());
        results +=
            QStringLiteral("%1 %2 | ").arg(got[i]["ok"].toBool()).arg(got[i]["bytes"].toInt());
    }
    QCOMPARE(results,
             "1 2010 | 0 0 | 0 " + QString::number(got[2]["bytes"].toInt()) + " | 1 2010 | ");
    QVERIFY(got[2]["bytes"].toInt() < 2010);
    QVERIFY2(got[1]["result"].toString().contains("no answer"),
             qPrintable(got[1]["result"].toString()));
    const QByteArray first = SimUnit::ReadFile(got[0]["copy"].toString());
    QCOMPARE(first.size(), 2010);
    QCOMPARE(SimUnit::ReadFile(got[3]["copy"].toString()), first);
    QVERIFY(units[0].Received().endsWith(first) && units[3].Received().endsWith(first));
    QVERIFY(got[0]["copy"].toString() != got[3]["copy"].toString());
}

void TestFlashCli::refusals_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said"); // a part of what stderr says
    QTest::newRow("no file") << QStringList{"write", "S"} << 2 << "write takes DEST and FILE.wav";
    QTest::newRow("missing file") << QStringList{"write", "S", "@/none.wav"} << 2 << "none.wav";
    QTest::newRow("same unit twice")
        << QStringList{"id", "--port", "@link", "--port", "@link"} << 2 << "@link";
    QTest::newRow("no such device") << QStringList{"id", "--port", "@/gone"} << 3 << "@/gone";
}

void TestFlashCli::refusals()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, said);
    SimUnit unit;
    QVERIFY(unit.Start({}));
    QTemporaryDir dir;
    const auto place = [&](QString s) {
        return s.replace("@link", unit.Link()).replace("@", dir.path());
    };
    for (QString& a : args)
        a = place(a);
    Flash flash;
    QCOMPARE(flash.Run(args), status);
    const QString err = QString::fromUtf8(flash.process.readAllStandardError());
    QVERIFY2(err.contains(place(said)), qPrintable(err));
}

// Ctrl+C during a write: the write stops at a block, its terminator still goes out, and the copy
// file holds exactly what the unit received of it.
void TestFlashCli::interruptMidWrite()
{
    QTemporaryDir dir;
    const QString wave = dir.filePath("long.wav");
    QVERIFY(Sweep(8, 12000).Write(wave));
    SimUnit unit;
    QVERIFY(unit.Start({"--baud", "9600"}));
    Flash flash;
    flash.Start({"write", "S", wave, "--port", unit.Link()});
    QTRY_VERIFY_WITH_TIMEOUT(unit.Received().size() > 2500, 20000);
    ::kill(pid_t(flash.process.processId()), SIGINT);
    QVERIFY(flash.process.waitForFinished(20000));
    QCOMPARE(flash.process.exitCode(), 130);
    const QByteArray copy = SimUnit::ReadFile(dir.filePath("long.bin"));
    QVERIFY(copy.size() > 2500 && copy.size() < 12010);
    QVERIFY(copy.endsWith(kTerminator));
    QTRY_VERIFY_WITH_TIMEOUT(unit.Received().endsWith(copy), 10000);
}

QTEST_MAIN(TestFlashCli)
#include "tst_flash_cli.moc"
