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
};

} // namespace

class TestFlashCli : public QObject
{
    Q_OBJECT

private slots:
    // Frames 300..1800 of 3000 programmed at level 37 on four units at once: two answer, one is
    // silent, one hangs up during the write. The two good ones and their own copy files get the
    // stream the window sends for that slice and level; the others fail on their own, without
    // holding them back; the report says so.
    void programManyUnits()
    {
        QTemporaryDir dir;
        const QString wave = dir.filePath("sound.wav");
        const TestWav wav = TestWav::Sweep(16, 1, 3000);
        QVERIFY(wav.Write(wave));
        SimUnit units[4];
        const QStringList options[4] = {{}, {"--ignore"}, {"--hangup-after", "700"}, {}};
        QStringList args{"program", "C",    wave,      "--start", "300",
                         "--end",   "1800", "--level", "37",      "--json"};
        for (int i = 0; i < 4; ++i) {
            QVERIFY(units[i].Start(QStringList{"--baud", "0", "--erase-ms", "300"} + options[i]));
            args << "--port" << units[i].Link();
        }
        Flash flash;
        QCOMPARE(flash.Run(args), 1);
        QList<QJsonObject> got; // one object per line of stdout
        for (const QByteArray& line : flash.process.readAllStandardOutput().split('\n'))
            if (!line.isEmpty())
                got.append(QJsonDocument::fromJson(line).object());
        QCOMPARE(got.size(), 4);
        const QByteArray expected = ExpectedStream(wav, 2, 37, 1500, 300);
        QString results;
        for (int i = 0; i < 4; ++i) {
            const QJsonObject& o = got[i];
            QCOMPARE(o["port"].toString() + ", " + o["destination"].toString(),
                     units[i].Link() + ", Channel ID");
            results += QStringLiteral("%1 %2 | ").arg(o["ok"].toBool()).arg(o["bytes"].toInt());
        }
        const int cut = got[2]["bytes"].toInt();
        QCOMPARE(results, "1 1510 | 0 0 | 0 " + QString::number(cut) + " | 1 1510 | ");
        QVERIFY(cut < expected.size());
        QVERIFY2(got[1]["result"].toString().contains("no answer"),
                 qPrintable(got[1]["result"].toString()));
        for (int i : {0, 3}) {
            const QJsonObject& o = got[i];
            QCOMPARE(o["result"].toString(), "programmed");
            QVERIFY(o["device"].toString().startsWith("/dev/pts/") &&
                    !o["id"].toString().isEmpty());
            QVERIFY(o["seconds"].toDouble() > 0);
            QCOMPARE(SimUnit::ReadFile(o["copy"].toString()), expected);
            QVERIFY(units[i].Received().contains(expected));
        }
        QVERIFY(got[0]["copy"].toString() != got[3]["copy"].toString());
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said"); // a part of what stderr says
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
