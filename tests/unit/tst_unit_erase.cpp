// Erase, Blank Check and Send CR from the main window against orvanta-sim on a pseudo-terminal
// attached as COM1: the bytes on the line, the answers in the reply and status boxes, the erase
// wait with its progress and button states.
#include "SimUnit.h"
#include "UnitWindow.h"

#include "ProgressBar.h"

#include <QAction>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

constexpr int kLineMs = 10000;
constexpr int kAreaSize = 131072;

// What the window shows while an erase waits, sampled from a timer.
struct WaitRecord
{
    double highestBar = -1;
    int samples = 0;
    bool buttonsAsTable = true; // Send and Erase disabled, Stop, Send CR, Blank Check enabled
    bool comMenuDisabled = true;
};

} // namespace

class TestUnitErase : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void unitAnswersErase();
    void silentUnitRunsFullWait();
    void blankCheckEndsWait();
    void commandBytes_data();
    void commandBytes();

private:
    // Clicks Erase (confirming the notice) and records the window until the wait ends.
    WaitRecord Erase(UnitWindow& u, int option);
    void CheckIdleAfterErase(UnitWindow& u);
};

WaitRecord TestUnitErase::Erase(UnitWindow& u, int option)
{
    WaitRecord r;
    QTimer sampler;
    sampler.setInterval(20);
    connect(&sampler, &QTimer::timeout, this, [&] {
        if (u.State().EraseCountdown <= 0)
            return;
        ++r.samples;
        r.highestBar = std::max(r.highestBar, u.Controls().ProgressBar1->Value());
        const bool table = !u.Button(0)->isEnabled() && !u.Button(1)->isEnabled() &&
                           u.Button(2)->isEnabled() && u.Button(3)->isEnabled() &&
                           u.Button(4)->isEnabled();
        r.buttonsAsTable = r.buttonsAsTable && table;
        r.comMenuDisabled = r.comMenuDisabled && !u.Controls().mnuCOM->menuAction()->isEnabled();
    });
    sampler.start();
    u.Choose(option);
    u.Answer({Toolkit::Ok});
    u.Click(1);
    return r;
}

void TestUnitErase::CheckIdleAfterErase(UnitWindow& u)
{
    QCOMPARE(u.State().EraseCountdown, 0);
    QCOMPARE(u.Controls().ProgressBar1->Value(), 0.0);
    QVERIFY(!u.Controls().ProgressBar1->isHidden());
    QVERIFY(u.Button(1)->isEnabled());
    QVERIFY(!u.Button(2)->isEnabled());
    QVERIFY(!u.Button(0)->isEnabled()); // no wave file is open, so Send stays off
    QVERIFY(u.Controls().mnuCOM->menuAction()->isEnabled());
}

void TestUnitErase::unitAnswersErase()
{
    UnitWindow u;
    SimUnit sim;
    QVERIFY(sim.PutFlashFile("station.bin", QByteArray(kAreaSize, '\0')));
    QVERIFY(sim.Start({"--baud", "0", "--erase-ms", "300"}));
    u.AttachCom1(sim.Link());
    const WaitRecord r = Erase(u, 0);

    QCOMPARE(sim.Received(), QByteArray("QXES"));
    QCOMPARE(u.Controls().txtErr->toPlainText(), QStringLiteral("QXERA"));
    QVERIFY(u.Controls().txt_rply->toPlainText().contains("QXERA"));
    QVERIFY(r.samples > 0);
    QVERIFY2(r.highestBar < 50, qPrintable(QString::number(r.highestBar))); // ended early
    QVERIFY(r.buttonsAsTable);
    QVERIFY(r.comMenuDisabled);
    QCOMPARE(sim.FlashFile("station.bin"), QByteArray(kAreaSize, '\xFF'));
    CheckIdleAfterErase(u);
}

void TestUnitErase::silentUnitRunsFullWait()
{
    UnitWindow u;
    SimUnit sim;
    QVERIFY(sim.Start({"--baud", "0", "--ignore"}));
    u.AttachCom1(sim.Link());
    const WaitRecord r = Erase(u, 1);

    QCOMPARE(sim.Received(), QByteArray("QXEC"));
    QCOMPARE(r.highestBar, 99.0); // 100 ticks: the bar climbs to 99, then drops to 0
    QVERIFY(r.buttonsAsTable);
    QVERIFY(r.comMenuDisabled);
    QCOMPARE(u.Controls().txtErr->toPlainText(), QString());
    CheckIdleAfterErase(u);
}

void TestUnitErase::blankCheckEndsWait()
{
    UnitWindow u;
    SimUnit sim;
    QVERIFY(sim.Start({"--baud", "0", "--erase-ms", "15000"}));
    u.AttachCom1(sim.Link());
    QTimer::singleShot(400, this, [&] { u.Click(4); });
    const WaitRecord r = Erase(u, 2);

    QCOMPARE(sim.Received(), QByteArray("QXEPQXBP"));
    QVERIFY2(r.highestBar < 50, qPrintable(QString::number(r.highestBar)));
    CheckIdleAfterErase(u);
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
    const QString before = button == 3 ? QString() : QStringLiteral("earlier");
    u.Click(button);
    QTRY_COMPARE_WITH_TIMEOUT(sim.Received(), line, kLineMs);
    QTRY_COMPARE_WITH_TIMEOUT(u.Controls().txt_rply->toPlainText(), before + reply, kLineMs);
    QCOMPARE(u.State().EraseCountdown, 0);
    QCOMPARE(u.Controls().txtErr->toPlainText(), QString()); // no erase waits: status untouched
}

QTEST_MAIN(TestUnitErase)
#include "tst_unit_erase.moc"
