// The port probe and the COM menu of the main window, with pseudo-terminals as ports: which
// items are listed, their tooltips, the check mark, the saved port and its restore.
#include "SerialWindow.h"

#include <QMenu>
#include <QtTest>

#include <numeric>

namespace {

// The numbers from..to.
QList<int> range(int from, int to)
{
    QList<int> list(to - from + 1);
    std::iota(list.begin(), list.end(), from);
    return list;
}

} // namespace

class TestSerialGuiProbe : public QObject
{
    Q_OBJECT
private slots:
    void probe_data();
    void probe();
    void newDeviceGetsLowestFreeNumber();
    void portChosenSavedAndRestored();
    void checkMarkStaysOnItemPosition();
    void savedPortNotListed();
    void menuClickRequestsProbe_data();
    void menuClickRequestsProbe();
};

void TestSerialGuiProbe::probe_data()
{
    QTest::addColumn<QList<int>>("openable");   // COM numbers with a pseudo-terminal, ascending
    QTest::addColumn<QList<int>>("unopenable"); // COM numbers whose entry fails to open
    QTest::newRow("COM1, COM3, COM4; COM2 missing") << QList<int>{1, 3, 4} << QList<int>{2};
    QTest::newRow("only failing entries") << QList<int>{} << QList<int>{1, 5, 16};
    QTest::newRow("COM16 alone") << QList<int>{16} << QList<int>{};
    QTest::newRow("11 ports") << range(1, 11) << QList<int>{};
    QTest::newRow("12 ports") << range(1, 12) << QList<int>{};
    QTest::newRow("13 ports") << range(1, 13) << QList<int>{};
    QTest::newRow("13 ports with gaps")
        << range(2, 4) + range(6, 13) + QList<int>{15, 16} << QList<int>{1, 5, 14};
}

void TestSerialGuiProbe::probe()
{
    QFETCH(QList<int>, openable);
    QFETCH(QList<int>, unopenable);
    SerialWindow w;
    for (int n : openable)
        w.attachPty(n);
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
    PortCandidate device;
    device.systemLocation = adapter.slavePath();
    device.description = "FT232R USB UART";
    device.serialNumber = "A10K5XYZ";
    device.hasVendorId = device.hasProductId = true;
    device.vendorId = 0x0403;
    device.productId = 0x6001;
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
    PtyPair& com3 = first.attachPty(3);
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
    QVERIFY(first.send("QXBP"));
    QCOMPARE(com3.read(16, 300), QByteArray("QXBP"));

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

void TestSerialGuiProbe::checkMarkStaysOnItemPosition()
{
    SerialWindow w;
    w.attachPty(1);
    w.attachPty(3);
    w.attachPty(5);
    w.create();
    w.c().mnuCOMsel[2]->trigger(); // COM3
    QCOMPARE(w.checkedItems(), QList<int>{2});
    // COM1 goes away: the next probe lists COM3 in item 1 and COM5 in item 2.
    // Point COM1 at a device that is gone rather than closing its pseudo-terminal: a freed
    // /dev/pts number can be taken at once by another test running in parallel.
    w.attach(1, w.f.dir.filePath("gone"));
    emit w.c().mnuCOM->aboutToShow();
    QTRY_VERIFY(!w.f.state.ProbeRequested);
    QCOMPARE(w.visibleItems(), QStringList({"COM3| 3", "COM5| 5"}));
    QCOMPARE(w.checkedItems(), QList<int>{2});
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

void TestSerialGuiProbe::menuClickRequestsProbe_data()
{
    QTest::addColumn<bool>("busy");
    QTest::newRow("idle: probe runs") << false;
    QTest::newRow("download running: refused") << true;
}

void TestSerialGuiProbe::menuClickRequestsProbe()
{
    QFETCH(bool, busy);
    SerialWindow w;
    w.attachPty(1);
    w.create();
    QCOMPARE(w.visibleItems(), QStringList{"COM1| 1"});
    w.attachPty(4); // a new port, seen only by a new probe
    w.f.state.TransferBusy = busy;
    emit w.c().mnuCOM->aboutToShow();
    QCOMPARE(w.f.state.ProbeRequested, !busy);
    QTest::qWait(150); // several ticks of tmr_Delay
    QVERIFY(!w.f.state.ProbeRequested);
    QCOMPARE(w.visibleItems(), busy ? QStringList{"COM1| 1"} : QStringList({"COM1| 1", "COM4| 4"}));
}

QTEST_MAIN(TestSerialGuiProbe)
#include "tst_serial_gui_probe.moc"
