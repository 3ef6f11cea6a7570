#include "TerminalEnd.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {
const QByteArray Ff6(6, char(0xFF));

QByteArray ramp(qsizetype size)
{
    QByteArray data(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        data[i] = char(i % 251);
    return data;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
} // namespace

class tst_SimProcess : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void answers_data();
    void answers();
    void eraseAnsweredAfterEraseMs();
    void writeStoredInFlashDir();
    void portCanBeReopened();
    void hangupAfterClosesLine();
    void sigtermRemovesLink();
    void badFlashFileIsRefused();
    void pacedWriteTakesLineTime();

private:
    // Starts the simulator on a link in a fresh folder; true once it listens.
    bool start(const QStringList& args);
    QString link() const { return m_dir->filePath("tty"); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_sim;
    TerminalEnd m_tool;
};

void tst_SimProcess::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_sim = std::make_unique<QProcess>();
}

void tst_SimProcess::cleanup()
{
    m_tool.close();
    if (m_sim->state() != QProcess::NotRunning) {
        m_sim->terminate();
        if (!m_sim->waitForFinished(5000))
            m_sim->kill();
        m_sim->waitForFinished(5000);
    }
}

bool tst_SimProcess::start(const QStringList& args)
{
    m_sim->setProcessChannelMode(QProcess::SeparateChannels);
    m_sim->start(QStringLiteral(ORVANTA_SIM_PATH), QStringList{"--link", link()} + args);
    const QByteArray expected = "orvanta-sim: listening on " + QFile::encodeName(link()) + "\n";
    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    while (!out.contains(expected) && clock.elapsed() < 5000 && m_sim->waitForReadyRead(5000))
        out += m_sim->readAllStandardOutput();
    return out == expected && m_tool.open(link());
}

void tst_SimProcess::answers_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("blank check") << QStringList{} << QByteArray("QXBC")
                                 << QByteArray("QXBCQXERA\r\n");
    QTest::newRow("id query") << QStringList{} << QByteArray(Ff6 + "\r\n")
                              << QByteArray("OV16 V0116\r\n");
    QTest::newRow("firmware") << QStringList{"--firmware", "0321"} << QByteArray(Ff6 + "\r\n")
                              << QByteArray("OV16 V0321\r\n");
    QTest::newRow("no echo") << QStringList{"--no-echo"} << QByteArray("QXBP")
                             << QByteArray("QXERA\r\n");
    QTest::newRow("stray bytes first")
        << QStringList{} << QByteArray("\n\x00zQQXBS", 8) << QByteArray("QQXBSQXERA\r\n");
    QTest::newRow("ignore") << QStringList{"--ignore"} << QByteArray("QXBS" + Ff6 + "\r\n")
                            << QByteArray();
}

void tst_SimProcess::answers()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, answer);
    QVERIFY(start(QStringList{"--baud", "0"} + args));
    QVERIFY(m_tool.writeAll(input));
    if (answer.isEmpty())
        QCOMPARE(m_tool.readFor(500), QByteArray());
    else
        QCOMPARE(m_tool.readUntil(answer), answer);
}

void tst_SimProcess::eraseAnsweredAfterEraseMs()
{
    QVERIFY(start({"--baud", "0", "--erase-ms", "400"}));
    QVERIFY(m_tool.writeAll("QXWP\x01\x02" + Ff6));
    QCOMPARE(m_tool.readUntil("QXPGM\r\n"), QByteArray("QXWPQXPGM\r\n"));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(m_tool.writeAll("QXEP"));
    QCOMPARE(m_tool.readUntil("QXERA\r\n"), QByteArray("QXEPQXERA\r\n"));
    qDebug() << "erase answered after" << clock.elapsed() << "ms";
    QVERIFY(clock.elapsed() >= 395); // never before the erase time
    QVERIFY(m_tool.writeAll("QXBP"));
    QCOMPARE(m_tool.readUntil("\r\n"), QByteArray("QXBPQXERA\r\n"));
}

void tst_SimProcess::writeStoredInFlashDir()
{
    const QString flash = m_dir->filePath("flash");
    QVERIFY(start({"--baud", "0", "--flash-dir", flash}));
    const QByteArray data = ramp(3000) + "\xff\xff" + ramp(10);
    const QByteArray stream = "QXWS" + data + Ff6;
    QVERIFY(m_tool.writeAll(stream));
    QCOMPARE(m_tool.readUntil("QXPGM\r\n"), QByteArray("QXWSQXPGM\r\n"));
    QCOMPARE(readFile(flash + "/station.last"), data);
    const QByteArray area = readFile(flash + "/station.bin");
    QCOMPARE(area.size(), qsizetype(131072));
    QCOMPARE(area.left(data.size()), data);
    QCOMPARE(readFile(flash + "/rx.bin"), stream);
    // A new run finds the FLASH as it was left.
    cleanup();
    m_sim = std::make_unique<QProcess>();
    QVERIFY(start({"--baud", "0", "--flash-dir", flash}));
    QVERIFY(m_tool.writeAll("QXBSQXBC"));
    QCOMPARE(m_tool.readUntil("QXBCQXERA\r\n"), QByteArray("QXBSQXERR\r\nQXBCQXERA\r\n"));
}

void tst_SimProcess::portCanBeReopened()
{
    QVERIFY(start({"--baud", "0"}));
    for (const char* command : {"QXBS", "QXBC", "QXBP"}) {
        QVERIFY(m_tool.open(link()));
        QVERIFY(m_tool.writeAll(command));
        QCOMPARE(m_tool.readUntil("\r\n"), QByteArray(command) + "QXERA\r\n");
        m_tool.close();
        QTest::qWait(50); // the simulator sees the tool gone for a moment
    }
    QCOMPARE(m_sim->state(), QProcess::Running);
}

void tst_SimProcess::hangupAfterClosesLine()
{
    QVERIFY(start({"--baud", "0", "--hangup-after", "6"}));
    QVERIFY(m_tool.writeAll("QXBSQXBC"));
    QVERIFY(m_tool.waitHangup(5000));
    QCOMPARE(m_sim->state(), QProcess::Running);
    // The link stays but leads nowhere once the tool lets go of the old line.
    m_tool.close();
    QVERIFY(QFileInfo(link()).isSymLink());
    QVERIFY(!m_tool.open(link()));
    m_sim->terminate();
    QVERIFY(m_sim->waitForFinished(5000));
    QCOMPARE(m_sim->exitCode(), 0);
}

void tst_SimProcess::sigtermRemovesLink()
{
    QVERIFY(start({}));
    QVERIFY(QFileInfo(link()).isSymLink());
    m_sim->terminate();
    QVERIFY(m_sim->waitForFinished(5000));
    QCOMPARE(m_sim->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_sim->exitCode(), 0);
    QVERIFY(!QFileInfo(link()).isSymLink());
}

void tst_SimProcess::badFlashFileIsRefused()
{
    const QString flash = m_dir->filePath("flash");
    QVERIFY(QDir().mkpath(flash));
    QFile bad(flash + "/channel.bin");
    QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("xyz") == 3);
    bad.close();
    m_sim->start(QStringLiteral(ORVANTA_SIM_PATH), {"--link", link(), "--flash-dir", flash});
    QVERIFY(m_sim->waitForFinished(5000));
    QCOMPARE(m_sim->exitCode(), 1);
    QVERIFY(m_sim->readAllStandardError().contains("channel.bin"));
    QVERIFY(!QFileInfo(link()).isSymLink());
    QCOMPARE(readFile(flash + "/channel.bin"), QByteArray("xyz"));
}

void tst_SimProcess::pacedWriteTakesLineTime()
{
    QVERIFY(start({"--baud", "9600"}));
    const QByteArray data = ramp(1000);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(m_tool.writeAll("QXWC" + data + Ff6));
    QCOMPARE(m_tool.readUntil("QXPGM\r\n", 10000), QByteArray("QXWCQXPGM\r\n"));
    const double seconds = clock.elapsed() / 1000.0;
    qDebug() << "1000 data bytes at 9600 baud took" << seconds << "s (line time about 1.05 s)";
    // Only a sanity range: the lower bound proves the pacing, the upper one a stuck line.
    QVERIFY(seconds > 0.9 && seconds < 3.0);
}

QTEST_GUILESS_MAIN(tst_SimProcess)
#include "tst_SimProcess.moc"
