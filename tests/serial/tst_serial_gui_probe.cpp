// The port probe and the COM menu of the main window, with pseudo-terminals as ports: which
// items are listed, their tooltips, the check mark, the saved port and its restore.
#include "tests/serial/SerialWindow.h"

#include <QMenu>
#include <QtTest>

class TestSerialGuiProbe : public QObject
{
    Q_OBJECT
private slots:
    void probe_data();
    void probe();
    void newDeviceGetsLowestFreeNumber();
    void portChosenSavedAndRestored();
    void checkMarkFollowsPortInUse();
    void savedPortNotListed();
};

void TestSerialGuiProbe::probe_data()
{
    QTest::addColumn<QList<int>>("openable");   // COM numbers with a pseudo-terminal, ascending
    QTest::addColumn<QList<int>>("unopenable"); // COM numbers whose entry fails to open
    QList<int> upTo13;
    for (int n = 1; n <= 13; ++n)
        upTo13 << n;
    QTest::newRow("11 ports") << upTo13.mid(0, 11) << QList<int>{};
    QTest::newRow("12 ports") << upTo13.mid(0, 12) << QList<int>{};
    QTest::newRow("13 ports, three that do not open between them")
        << upTo13.mid(1, 3) + upTo13.mid(5) + QList<int>{15, 16} << QList<int>{1, 5, 14};
}

void TestSerialGuiProbe::probe()
{
    QFETCH(QList<int>, openable);
    QFETCH(QList<int>, unopenable);
    SerialWindow w;
    w.attachPtys(openable);
    for (int n : unopenable)
        w.attach(n, n % 2 ? QStringLiteral("/dev/null") : w.f.dir.filePath("ttyGone"));
    w.create();
    // The lowest twelve openable ports, in ascending order, as caption "COM<n>" and tag " <n>";
    // the other items hidden.
    QStringList expected;
    for (int n : openable.mid(0, 12))
        expected << QStringLiteral("COM%1| %1").arg(n);
    QCOMPARE(w.visibleItems(), expected);
    // Each port is opened once to test it, and ports above the twelfth listed are not tried.
    QCOMPARE(w.actions.count(SerialControl::Opened), expected.size());
    QVERIFY(!w.portOpen()); // no port chosen: the probe leaves every port closed
    QVERIFY(w.checkedItems().isEmpty());
    QVERIFY(w.errorLines.isEmpty()); // a port that does not open is not reported by the probe
}

void TestSerialGuiProbe::newDeviceGetsLowestFreeNumber()
{
    // A device the system lists for the first time gets the lowest free number; the item's
    // tooltip shows its path, description, USB vendor:product and serial number.
    SerialWindow w;
    w.attachPty(1);
    PtyPair adapter;
    w.create(false);
    const PortCandidate device{
        adapter.slavePath(), "FT232R USB UART", "A10K5XYZ", true, 0x0403, true, 0x6001};
    w.ctl().setDeviceLister([device] { return QList<PortCandidate>{device}; });
    w.f.window->Form_Load();
    QCOMPARE(w.visibleItems(), QStringList({"COM1| 1", "COM2| 2"}));
    QVERIFY(w.c().mnuCOM->toolTipsVisible());
    const QString tip = w.c().mnuCOMsel[2]->toolTip();
    for (const QString& fact : {adapter.slavePath(), QString("FT232R USB UART"),
                                QString("0403:6001"), QString("A10K5XYZ")})
        QVERIFY2(tip.contains(fact), qPrintable(tip));
}

void TestSerialGuiProbe::portChosenSavedAndRestored()
{
    SerialWindow first;
    first.attachPty(1);
    first.attachPty(3);
    first.create();
    QCOMPARE(first.visibleItems(), QStringList({"COM1| 1", "COM3| 3"}));
    first.c().mnuCOMsel[2]->trigger(); // the item that reads "COM3"
    QCOMPARE(first.checkedItems(), QList<int>{2});
    QCOMPARE(first.f.state.ComPortNum, qint16(3));
    QCOMPARE(first.f.settings->GetRegSetting(AppState::AppTitle, "FormInit", "ComPort", {}),
             QString(" 3"));
    QCOMPARE(first.c().txtCom->text(), QString("3"));
    // The chosen port is opened at once.
    QVERIFY(first.portOpen());
    QCOMPARE(first.linkColour(), SerialWindow::Cyan);

    // The next start reads the same store, once the first program let go of its port.
    SerialWindow second;
    second.f.settings = std::make_unique<RegEdit>(first.f.StoreFile());
    first.f.window.reset();
    second.create();
    QCOMPARE(second.checkedItems(), QList<int>{2});
    QCOMPARE(second.f.state.ComPortNum, qint16(3));
    QCOMPARE(second.c().txtCom->text(), QString("3"));
    QVERIFY(second.portOpen());
    QCOMPARE(second.linkColour(), SerialWindow::Cyan);
}

void TestSerialGuiProbe::checkMarkFollowsPortInUse()
{
    SerialWindow w;
    w.attachPtys({1, 3, 5});
    w.create();
    w.c().mnuCOMsel[2]->trigger(); // COM3
    QCOMPARE(w.checkedItems(), QList<int>{2});
    // COM1 goes away: the next probe lists COM3 in item 1 and COM5 in item 2.
    // Point COM1 at a device that is gone rather than closing its pseudo-terminal: a freed
    // /dev/pts number can be taken at once by another test running in parallel.
    w.attach(1, w.f.dir.filePath("gone"));
    // While a download runs, opening the menu requests no probe.
    w.f.state.TransferBusy = true;
    emit w.c().mnuCOM->aboutToShow();
    QVERIFY(!w.f.state.ProbeRequested);
    QTest::qWait(150); // several ticks of tmr_Delay
    QCOMPARE(w.visibleItems(), QStringList({"COM1| 1", "COM3| 3", "COM5| 5"}));
    w.f.state.TransferBusy = false;
    emit w.c().mnuCOM->aboutToShow();
    QVERIFY(w.f.state.ProbeRequested);
    QTRY_VERIFY(!w.f.state.ProbeRequested);
    QCOMPARE(w.visibleItems(), QStringList({"COM3| 3", "COM5| 5"}));
    QCOMPARE(w.checkedItems(), QList<int>{1}); // the item that now names COM3
    // The port in use is still COM3, open again after the probe.
    QCOMPARE(w.f.state.ComPortNum, qint16(3));
    QVERIFY(w.portOpen());
}

void TestSerialGuiProbe::savedPortNotListed()
{
    SerialWindow w;
    w.attachPty(1);
    w.savePort(" 5");
    w.create();
    QCOMPARE(w.visibleItems(), QStringList{"COM1| 1"});
    QVERIFY(w.checkedItems().isEmpty());
    QCOMPARE(w.f.state.ComPortNum, qint16(5));
    QCOMPARE(w.c().txtCom->text(), QString("5"));
    QVERIFY(!w.portOpen());
    QCOMPARE(w.linkColour(), SerialWindow::Red);
    QCOMPARE(w.errorLines, QStringList{SerialWindow::missingText(5)});
}

QTEST_MAIN(TestSerialGuiProbe)
#include "tst_serial_gui_probe.moc"
