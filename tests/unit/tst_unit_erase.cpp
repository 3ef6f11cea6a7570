// Erase, Blank Check and Send CR from the main window against orvanta-sim on a pseudo-terminal
// attached as COM1: the bytes on the line, the answers in the reply and status boxes, the erase
// wait with its progress and button states.
#include "SimUnit.h"
#include "UnitWindow.h"

#include "ProgressBar.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TestUnitErase : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void erase_data();
    void erase();
    void commandBytes_data();
    void commandBytes();
};

void TestUnitErase::erase_data()
{
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<int>("option");
    QTest::addColumn<bool>("blankCheck"); // clicked 400 ms into the wait
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("fullWait");
    QTest::newRow("unit answers") << QStringList{"--erase-ms", "300"} << 0 << false
                                  << QByteArray("QXES") << "QXERA" << false;
    QTest::newRow("silent unit") << QStringList{"--ignore"} << 1 << false << QByteArray("QXEC")
                                 << QString() << true;
    QTest::newRow("Blank Check during the wait") << QStringList{"--erase-ms", "15000"} << 2 << true
                                                 << QByteArray("QXEPQXBP") << "QXERA" << false;
}

void TestUnitErase::erase()
{
    QFETCH(QStringList, simOptions);
    QFETCH(int, option);
    QFETCH(bool, blankCheck);
    QFETCH(QByteArray, line);
    QFETCH(QString, status);
    QFETCH(bool, fullWait);
    UnitWindow u;
    SimUnit sim;
    QVERIFY(sim.Start(QStringList{"--baud", "0"} + simOptions));
    u.AttachCom1(sim.Link());
    // What the window shows while the erase waits: the highest bar value and whether Send,
    // Erase and the COM menu were disabled, Stop, Send CR and Blank Check enabled, the bar shown.
    const QList<bool> waiting{false, false, true, true, true, false, true, false};
    double highestBar = -1;
    bool asTable = true;
    QTimer sampler;
    connect(&sampler, &QTimer::timeout, this, [&] {
        if (u.State().EraseCountdown <= 0)
            return;
        highestBar = std::max(highestBar, u.Controls().ProgressBar1->Value());
        asTable = asTable && u.States() == waiting;
    });
    sampler.start(20);
    if (blankCheck)
        QTimer::singleShot(400, this, [&u] { u.Click(4); });
    u.Choose(option);
    u.Answer({Toolkit::Ok});
    u.Click(1);

    QCOMPARE(sim.Received(), line);
    QCOMPARE(u.Controls().txtErr->toPlainText(), status);
    // A full wait is 100 ticks: the bar climbs to 99, then drops to 0.
    QVERIFY2(fullWait ? highestBar == 99 : highestBar >= 0 && highestBar < 50,
             qPrintable(QString::number(highestBar)));
    QVERIFY(asTable);
    QCOMPARE(u.State().EraseCountdown, 0);
    QCOMPARE(u.Controls().ProgressBar1->Value(), 0.0);
    // The buttons and the COM menu return, the bar stays shown; no wave file, so no Send.
    QCOMPARE(u.States(), (QList<bool>{false, true, false, true, true, true, true, false}));
}

void TestUnitErase::commandBytes_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<int>("button");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("reply");
    const QByteArray idQuery = QByteArray::fromHex("ffffffffffff0d0a");
    QTest::newRow("Blank Check Station ID") << 0 << 4 << QByteArray("QXBS") << " QXBSQXERA";
    QTest::newRow("Blank Check Channel ID") << 1 << 4 << QByteArray("QXBC") << " QXBCQXERA";
    QTest::newRow("Blank Check Pink File") << 2 << 4 << QByteArray("QXBP") << " QXBPQXERA";
    QTest::newRow("Send CR") << 0 << 3 << idQuery << " OV16 V0116";
}

void TestUnitErase::commandBytes()
{
    QFETCH(int, option);
    QFETCH(int, button);
    QFETCH(QByteArray, line);
    QFETCH(QString, reply);
    UnitWindow u;
    SimUnit sim;
    QVERIFY(sim.Start({"--baud", "0"}));
    u.AttachCom1(sim.Link());
    u.Choose(option);
    u.Controls().txt_rply->setPlainText(QStringLiteral("earlier"));
    const QString before =
        button == 3 ? QString() : QStringLiteral("earlier"); // Send CR empties it
    u.Click(button);
    QTRY_COMPARE_WITH_TIMEOUT(sim.Received(), line, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(u.Controls().txt_rply->toPlainText(), before + reply, 10000);
    QCOMPARE(u.State().EraseCountdown, 0);
    QCOMPARE(u.Controls().txtErr->toPlainText(), QString()); // no erase waits: status untouched
}

QTEST_MAIN(TestUnitErase)
#include "tst_unit_erase.moc"
