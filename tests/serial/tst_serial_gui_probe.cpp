// The port probe and the COM menu of the main window, with pseudo-terminals as ports: which
// items are listed, the check mark, the saved port and its restore at the next start.
#include "SerialWindow.h"

#include <QFile>
#include <QMenu>
#include <QtTest>

namespace {

// Expected visible items for the openable ports, independent of the window: the lowest twelve,
// in ascending order, as caption "COM<n>" and tag " <n>".
QStringList expectedItems(QList<int> openable)
{
    std::sort(openable.begin(), openable.end());
    QStringList items;
    for (int n : openable.mid(0, 12))
        items << QStringLiteral("COM%1| %1").arg(n);
    return items;
}

QList<int> range(int from, int to)
{
    QList<int> list;
    for (int n = from; n <= to; ++n)
        list << n;
    return list;
}

} // namespace

class TestSerialGuiProbe : public QObject
{
    Q_OBJECT
private slots:
    void probe_data();
    void probe();
    void tooltipNamesDevice();
    void newDeviceGetsLowestFreeNumber();
    void choosePortItem();
    void checkMarkStaysOnItemPosition();
    void savedPortRestoredAtNextStart();
    void savedPortNotListed();
    void menuClickRequestsProbe_data();
    void menuClickRequestsProbe();
};

void TestSerialGuiProbe::probe_data()
{
    QTest::addColumn<QList<int>>("openable");   // COM numbers with a pseudo-terminal
    QTest::addColumn<QList<int>>("unopenable"); // COM numbers whose entry fails to open
    QTest::newRow("COM1, COM3, COM4; COM2 missing") << QList<int>{1, 3, 4} << QList<int>{2};
    QTest::newRow("none") << QList<int>{} << QList<int>{};
    QTest::newRow("only failing entries") << QList<int>{} << QList<int>{1, 5, 16};
    QTest::newRow("COM16 alone") << QList<int>{16} << QList<int>{};
    QTest::newRow("11 ports") << range(1, 11) << QList<int>{};
    QTest::newRow("12 ports") << range(1, 12) << QList<int>{};
    QTest::newRow("13 ports") << range(1, 13) << QList<int>{};
    QTest::newRow("16 ports") << range(1, 16) << QList<int>{};
    QTest::newRow("13 ports with gaps")
        << QList<int>{2, 3, 4, 6, 7, 8, 9, 10, 11, 12, 13, 15, 16} << QList<int>{1, 5, 14};
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
    QCOMPARE(w.visibleItems(), expectedItems(openable));
    for (int i = w.visibleItems().size() + 1; i <= 12; ++i)
        QVERIFY(!w.c().mnuCOMsel[i]->isVisible());
    // Each port is opened once to test it, and ports above the twelfth listed are not tried.
    QCOMPARE(w.actions.count(SerialControl::Opened), int(std::min<qsizetype>(openable.size(), 12)));
    QVERIFY(!w.portOpen()); // no port chosen: the probe leaves every port closed
    QVERIFY(w.checkedItems().isEmpty());
    QVERIFY(w.errorLines.isEmpty()); // a port that does not open is not reported by the probe
}

void TestSerialGuiProbe::tooltipNamesDevice()
{
    SerialWindow w;
    PtyPair& pty = w.attachPty(2);
    w.create();
    QVERIFY(w.c().mnuCOM->toolTipsVisible());
    QCOMPARE(w.visibleItems(), QStringList{"COM2| 2"});
    QVERIFY2(w.c().mnuCOMsel[1]->toolTip().contains(pty.slavePath()),
             qPrintable(w.c().mnuCOMsel[1]->toolTip()));
}

void TestSerialGuiProbe::newDeviceGetsLowestFreeNumber()
{
    // A device the system lists for the first time gets the lowest free number; the item's
    // tooltip shows its path, description, USB vendor:product and serial number.
    SerialWindow w;
    w.attachPty(1);
    PtyPair adapter;
    QVERIFY(adapter.valid());
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
    const QString tip = w.c().mnuCOMsel[2]->toolTip();
    for (const QString& fact : {adapter.slavePath(), QString("FT232R USB UART"),
                                QString("0403:6001"), QString("A10K5XYZ")})
        QVERIFY2(tip.contains(fact), qPrintable(tip));
    QCOMPARE(w.f.settings->GetRegSetting(AppState::AppTitle, "Ports", "COM2", {}),
             adapter.slavePath());
}

void TestSerialGuiProbe::choosePortItem()
{
    SerialWindow w;
    w.attachPty(1);
    PtyPair& com3 = w.attachPty(3);
    w.create();
    QCOMPARE(w.visibleItems(), QStringList({"COM1| 1", "COM3| 3"}));
    w.c().mnuCOMsel[2]->trigger(); // the item that reads "COM3"
    QCOMPARE(w.checkedItems(), QList<int>{2});
    QCOMPARE(w.f.state.ComPortNum, qint16(3));
    QCOMPARE(w.savedPort(), QString(" 3"));
    QCOMPARE(w.c().txtCom->text(), QString("3"));
    QFile store(w.f.StoreFile());
    QVERIFY(store.open(QIODevice::ReadOnly));
    qInfo().noquote() << "settings store after choosing COM3:\n" + store.readAll();
    // The chosen port is opened at once.
    QVERIFY(w.portOpen());
    QCOMPARE(w.linkColour(), QColor(0, 255, 255));
    w.ctl().SendCom("QXBP");
    QVERIFY(w.ctl().DrainOutput(5000));
    QCOMPARE(com3.read(16, 300), QByteArray("QXBP"));
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
    w.ptys.front()->closeMaster();
    emit w.c().mnuCOM->aboutToShow();
    QTRY_VERIFY(!w.f.state.ProbeRequested);
    QCOMPARE(w.visibleItems(), QStringList({"COM3| 3", "COM5| 5"}));
    QCOMPARE(w.checkedItems(), QList<int>{2});
    // The port in use is still COM3, open again after the probe.
    QCOMPARE(w.f.state.ComPortNum, qint16(3));
    QVERIFY(w.portOpen());
}

void TestSerialGuiProbe::savedPortRestoredAtNextStart()
{
    QString store;
    QStringList paths;
    {
        SerialWindow first;
        first.attachPty(2);
        first.attachPty(3);
        first.create();
        first.c().mnuCOMsel[2]->trigger();
        QCOMPARE(first.savedPort(), QString(" 3"));
        store = first.f.StoreFile();
        // The next start reads the same store.
        SerialWindow second;
        second.f.settings = std::make_unique<RegEdit>(store);
        first.f.window.reset(); // the first program ends and lets go of its port
        second.create();
        int checked = 0;
        for (int i = 1; i <= 12; ++i) {
            if (second.c().mnuCOMsel[i]->isChecked()) {
                ++checked;
                QCOMPARE(second.c().mnuCOMsel[i]->data().toString(), QString(" 3"));
            }
        }
        QCOMPARE(checked, 1);
        QCOMPARE(second.f.state.ComPortNum, qint16(3));
        QCOMPARE(second.c().txtCom->text(), QString("3"));
        QVERIFY(second.portOpen());
        QCOMPARE(second.linkColour(), QColor(0, 255, 255));
    }
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
    QCOMPARE(w.linkColour(), QColor(255, 0, 0));
    QCOMPARE(w.errorLines,
             QStringList{"Invalid Port Number - Com-5 can't be used as a device interface. "
                         "StartCom 02"});
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
    const QStringList expected =
        busy ? QStringList{"COM1| 1"} : QStringList({"COM1| 1", "COM4| 4"});
    QCOMPARE(w.visibleItems(), expected);
}

QTEST_MAIN(TestSerialGuiProbe)
#include "tst_serial_gui_probe.moc"
