// pelorin-flash as a technician runs it: the real program against real orvanta-sim processes on
// pseudo-terminals. What it writes is the unit's stream worked out from the byte-format rules,
// the very stream the window's tests hold the window to.
#include "tests/unit/ExpectedBytes.h"
#include "tests/unit/SimUnit.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

const QByteArray kTerminator(6, '\xFF');

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

class TestFlashCli : public QObject
{
    Q_OBJECT

private slots:
    void program_data()
    {
        QTest::addColumn<int>("dest"); // 1 Station ID, 2 Channel ID, 3 Pink File
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("level");
        QTest::newRow("Station ID 8-bit") << 1 << 8 << 100;
        QTest::newRow("Channel ID 16-bit level 37") << 2 << 16 << 37;
        QTest::newRow("Pink File 16-bit level 80") << 3 << 16 << 80;
    }
    // Frames 300..1800 of 3000 programmed: the unit and the copy file beside the wave file get
    // the stream the window sends for that slice and level, and the report says so.
    void program()
    {
        QFETCH(int, dest);
        QFETCH(int, bits);
        QFETCH(int, level);
        QTemporaryDir dir;
        const TestWav wav = TestWav::Sweep(bits, 1, 3000, dest == 3 ? 48000 : 8000);
        QVERIFY(wav.Write(dir.filePath("sound.wav")));
        SimUnit unit;
        QVERIFY(unit.Start({"--baud", "0"}));
        Flash flash;
        QCOMPARE(flash.Run({"program", QStringList{"station", "C", "pink"}[dest - 1],
                            dir.filePath("sound.wav"), "--port", unit.Link(), "--start", "300",
                            "--end", "1800", "--level", QString::number(level), "--json"}),
                 0);
        const QByteArray expected = ExpectedStream(wav, dest, level, 1500, 300);
        QCOMPARE(SimUnit::ReadFile(dir.filePath("sound.bin")), expected);
        QVERIFY(unit.Received().contains(expected));
        const QList<QJsonObject> units = flash.Json();
        QCOMPARE(units.size(), 1);
        const QJsonObject o = units[0];
        QVERIFY(o["device"].toString().startsWith("/dev/pts/") && !o["id"].toString().isEmpty());
        QVERIFY(o["seconds"].toDouble() > 0);
        const QString name = QStringList{"Station ID", "Channel ID", "Pink Wave File"}[dest - 1];
        QCOMPARE(QStringList({o["port"].toString(), o["destination"].toString(),
                              QString::number(o["bytes"].toInt()), o["result"].toString(),
                              o["ok"].toBool() ? "ok" : "not ok", o["copy"].toString()}),
                 QStringList({unit.Link(), name, QString::number(expected.size()), "programmed",
                              "ok", dir.filePath("sound.bin")}));
    }

    // Four units on one command: two answer, one is silent, one hangs up during the write. The two
    // good ones are programmed alike and the others fail on their own, without holding them back.
    void manyUnitsAtOnce()
    {
        QTemporaryDir dir;
        const QString wave = dir.filePath("id.wav");
        const TestWav wav = TestWav::Sweep(8, 1, 2000);
        QVERIFY(wav.Write(wave));
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
        QCOMPARE(first, ExpectedStream(wav, 1, 100, 2000));
        QCOMPARE(SimUnit::ReadFile(got[3]["copy"].toString()), first);
        QVERIFY(units[0].Received().endsWith(first) && units[3].Received().endsWith(first));
        QVERIFY(got[0]["copy"].toString() != got[3]["copy"].toString());
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said"); // a part of what stderr says
        QTest::newRow("no file") << QStringList{"write", "S"} << 2
                                 << "write takes DEST and FILE.wav";
        QTest::newRow("missing file") << QStringList{"write", "S", "@/none.wav"} << 2 << "none.wav";
        QTest::newRow("same unit twice")
            << QStringList{"id", "--port", "@link", "--port", "@link"} << 2 << "@link";
        QTest::newRow("no such device") << QStringList{"id", "--port", "@/gone"} << 3 << "@/gone";
    }

    void refusals()
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

    // Ctrl+C during a write: the write stops at a block, its terminator still goes out, and the
    // copy file holds exactly what the unit received of it.
    void interruptMidWrite()
    {
        QTemporaryDir dir;
        const QString wave = dir.filePath("long.wav");
        QVERIFY(TestWav::Sweep(8, 1, 12000).Write(wave));
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
};

QTEST_MAIN(TestFlashCli)
#include "tst_flash_cli.moc"
