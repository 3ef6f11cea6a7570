// The main window's serial link against the unit simulator on its pseudo-terminal: a blank
// check answered into the reply box, and a paced write that takes as long as a 9600-baud line.
#include "SerialWindow.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

#include <cstdio>

namespace {

// Starts the simulator with its link in `dir`; returns the link path, empty on failure.
QString startSimulator(QProcess& sim, const QString& dir, const QString& baud)
{
    const QString link = dir + "/sim";
    sim.start(ORVANTA_SIM_PATH, {"--link", link, "--baud", baud});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000))
        return {};
    const QByteArray line = sim.readLine().trimmed();
    if (line != "orvanta-sim: listening on " + link.toLocal8Bit())
        return {};
    return link;
}

void stopSimulator(QProcess& sim)
{
    sim.terminate();
    if (!sim.waitForFinished(5000))
        sim.kill();
}

} // namespace

class TestSerialGuiSim : public QObject
{
    Q_OBJECT
private slots:
    void blankCheck_data();
    void blankCheck();
    void pacedWrite();
};

void TestSerialGuiSim::blankCheck_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("reply");
    // The echo of the four command bytes, then the answer: one line of at least 11 bytes.
    QTest::newRow("Station ID") << QByteArray("QXBS") << " QXBSQXERA";
    QTest::newRow("Channel ID") << QByteArray("QXBC") << " QXBCQXERA";
    QTest::newRow("Pink File") << QByteArray("QXBP") << " QXBPQXERA";
    QTest::newRow("ID query") << QByteArray("\xFF\xFF\xFF\xFF\xFF\xFF\r\n") << " OV16 V0116";
}

void TestSerialGuiSim::blankCheck()
{
    QFETCH(QByteArray, command);
    QFETCH(QString, reply);
    SerialWindow w;
    QProcess sim;
    const QString link = startSimulator(sim, w.f.dir.path(), "0");
    QVERIFY(!link.isEmpty());
    w.attach(1, link);
    w.savePort(" 1");
    w.create();
    QVERIFY(w.portOpen());
    w.ctl().SendCom(command);
    QTRY_COMPARE(w.reply(), reply);
    stopSimulator(sim);
}

void TestSerialGuiSim::pacedWrite()
{
    SerialWindow w;
    QProcess sim;
    const QString link = startSimulator(sim, w.f.dir.path(), "9600");
    QVERIFY(!link.isEmpty());
    w.attach(1, link);
    w.create();
    w.use(1);
    QVERIFY(w.portOpen());
    QByteArray stream("QXWS");
    for (int i = 0; i < 1000; ++i)
        stream.append(char(i % 255)); // no 0xFF in the data: it would end the write
    stream.append(QByteArray(6, '\xFF'));
    QElapsedTimer clock;
    clock.start();
    w.ctl().SendCom(stream);
    QTRY_COMPARE_WITH_TIMEOUT(w.reply(), QString(" QXWSQXPGM"), 15000);
    const double seconds = clock.nsecsElapsed() / 1e9;
    // 1007 bytes up to the third 0xFF and 11 back at 960 bytes per second: about 1.06 s.
    std::printf("paced 1000-byte write answered after %.3f s\n", seconds);
    QVERIFY2(seconds > 0.7 && seconds < 5.0, qPrintable(QString::number(seconds)));
    stopSimulator(sim);
}

QTEST_MAIN(TestSerialGuiSim)
#include "tst_serial_gui_sim.moc"
