#include "PortTable.h"
#include "RegEdit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// Device nodes are stood in for by plain files; the table only follows paths and links.
class TestPortTable : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void lowestFreeNumbers_data();
    void lowestFreeNumbers();
    void numbersStableAcrossRuns();
    void replugKeepsNumber();
    void handEntriesKeptAndUsed();
    void seventeenthDeviceGetsNone();
    void numbersWithoutDevice_data();
    void numbersWithoutDevice();
    void details();

private:
    QString makeDevice(const QString& name);
    void link(const QString& linkName, const QString& target);
    PortCandidate candidate(const QString& path) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RegEdit> m_store;
    QString m_dev;
    QString m_byId;
};

void TestPortTable::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_dev = m_dir->filePath("dev");
    m_byId = m_dir->filePath("by-id");
    QVERIFY(QDir().mkpath(m_dev));
    QVERIFY(QDir().mkpath(m_byId));
    m_store = std::make_unique<RegEdit>(m_dir->filePath("registry.ini"));
}

QString TestPortTable::makeDevice(const QString& name)
{
    const QString path = m_dev + "/" + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    return path;
}

void TestPortTable::link(const QString& linkName, const QString& target)
{
    const QString path = m_byId + "/" + linkName;
    QFile::remove(path);
    QVERIFY(QFile::link(target, path));
}

PortCandidate TestPortTable::candidate(const QString& path) const
{
    PortCandidate c;
    c.systemLocation = path;
    return c;
}

void TestPortTable::lowestFreeNumbers_data()
{
    QTest::addColumn<QList<int>>("handTaken"); // numbers filled by hand beforehand
    QTest::addColumn<int>("deviceCount");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("empty table") << QList<int>{} << 3 << QList<int>{1, 2, 3};
    QTest::newRow("gap at 2") << QList<int>{2} << 3 << QList<int>{1, 3, 4};
    QTest::newRow("first three taken") << QList<int>{1, 2, 3} << 2 << QList<int>{4, 5};
    QTest::newRow("only 16 free") << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}
                                  << 2 << QList<int>{16, 0};
}

void TestPortTable::lowestFreeNumbers()
{
    QFETCH(QList<int>, handTaken);
    QFETCH(int, deviceCount);
    QFETCH(QList<int>, expected);
    for (int n : handTaken)
        m_store->SaveRegSetting("App", "Ports", QString("COM%1").arg(n),
                                "/dev/hand" + QString::number(n));
    QList<PortCandidate> devices;
    for (int i = 0; i < deviceCount; ++i)
        devices << candidate(makeDevice(QString("ttyUSB%1").arg(i)));
    PortTable table(*m_store, "App", m_byId);
    QCOMPARE(table.registerDevices(devices), expected);
    for (int i = 0; i < deviceCount; ++i) {
        if (expected[i] != 0)
            QCOMPARE(table.devicePath(expected[i]), devices[i].systemLocation);
    }
    for (int n : handTaken)
        QCOMPARE(table.devicePath(n), "/dev/hand" + QString::number(n));
}

void TestPortTable::numbersStableAcrossRuns()
{
    const QString a = makeDevice("ttyUSB0");
    const QString b = makeDevice("ttyACM0");
    const QList<int> first =
        PortTable(*m_store, "App", m_byId).registerDevices({candidate(a), candidate(b)});
    QCOMPARE(first, (QList<int>{1, 2}));
    // Next run lists them the other way round and adds one.
    const QString c = makeDevice("ttyS4");
    PortTable next(*m_store, "App", m_byId);
    QCOMPARE(next.registerDevices({candidate(c), candidate(b), candidate(a)}),
             (QList<int>{3, 2, 1}));
    QCOMPARE(next.numberOf(a), 1);
    QCOMPARE(next.numberOf(c), 3);
}

void TestPortTable::replugKeepsNumber()
{
    const QString other = makeDevice("ttyUSB0");
    const QString first = makeDevice("ttyUSB1");
    link("usb-FTDI_FT232R_A1B2-if00-port0", first);
    PortTable table(*m_store, "App", m_byId);
    QCOMPARE(table.registerDevices({candidate(other), candidate(first)}), (QList<int>{1, 2}));
    QCOMPARE(table.devicePath(2), m_byId + "/usb-FTDI_FT232R_A1B2-if00-port0");
    // Unplugged, then plugged back in under another node name.
    QVERIFY(QFile::remove(first));
    const QString again = makeDevice("ttyUSB7");
    link("usb-FTDI_FT232R_A1B2-if00-port0", again);
    PortTable later(*m_store, "App", m_byId);
    QCOMPARE(later.registerDevices({candidate(again), candidate(other)}), (QList<int>{2, 1}));
    QCOMPARE(later.details(2).resolvedPath, QFileInfo(again).canonicalFilePath());
}

void TestPortTable::handEntriesKeptAndUsed()
{
    const QString pty = makeDevice("pts-7");
    m_store->SaveRegSetting("App", "Ports", "COM5", pty);
    m_store->SaveRegSetting("App", "Ports", "COM1", "/dev/gone-for-good");
    PortTable table(*m_store, "App", m_byId);
    const QString usb = makeDevice("ttyUSB0");
    QCOMPARE(table.registerDevices({candidate(usb), candidate(pty)}), (QList<int>{2, 5}));
    QCOMPARE(table.devicePath(5), pty);
    QCOMPARE(table.devicePath(1), QString("/dev/gone-for-good"));
    QVERIFY(!table.details(1).present());
    QVERIFY(table.details(1).hasDevice());
}

void TestPortTable::seventeenthDeviceGetsNone()
{
    QList<PortCandidate> devices;
    QList<int> expected;
    for (int i = 0; i < 17; ++i) {
        devices << candidate(makeDevice(QString("ttyX%1").arg(i)));
        expected << (i < 16 ? i + 1 : 0);
    }
    PortTable table(*m_store, "App", m_byId);
    QCOMPARE(table.registerDevices(devices), expected);
    QCOMPARE(table.numberOf(devices[16].systemLocation), 0);
}

void TestPortTable::numbersWithoutDevice_data()
{
    QTest::addColumn<int>("n");
    QTest::newRow("0") << 0;
    QTest::newRow("-1") << -1;
    QTest::newRow("17") << 17;
    QTest::newRow("32767") << 32767;
    QTest::newRow("empty entry 4") << 4;
}

void TestPortTable::numbersWithoutDevice()
{
    QFETCH(int, n);
    m_store->SaveRegSetting("App", "Ports", "COM1", makeDevice("ttyUSB0"));
    m_store->SaveRegSetting("App", "Ports", "COM17", makeDevice("ttyUSB1"));
    PortTable table(*m_store, "App", m_byId);
    QCOMPARE(table.devicePath(n), QString());
    QVERIFY(!table.details(n).hasDevice());
    QCOMPARE(table.details(n).tooltipText(), QString("No device"));
}

void TestPortTable::details()
{
    PortCandidate c = candidate(makeDevice("ttyUSB0"));
    c.description = "FT232R USB UART";
    c.serialNumber = "A1B2C3";
    c.hasVendorId = c.hasProductId = true;
    c.vendorId = 0x0403;
    c.productId = 0x6001;
    PortCandidate plain = candidate(makeDevice("ttyS0"));
    plain.hasVendorId = true; // a vendor without a product is no USB id
    plain.vendorId = 0xABCD;
    PortTable table(*m_store, "App", m_byId);
    QCOMPARE(table.registerDevices({c, plain}), (QList<int>{1, 2}));
    const PortDetails d = table.details(1);
    QCOMPARE(d.devicePath, c.systemLocation);
    QCOMPARE(d.description, QString("FT232R USB UART"));
    QCOMPARE(d.usbId, QString("0403:6001"));
    QCOMPARE(d.serialNumber, QString("A1B2C3"));
    const QString tip = d.tooltipText();
    for (const char* part : {"FT232R USB UART", "USB 0403:6001", "A1B2C3"})
        QVERIFY2(tip.contains(part), qPrintable(tip));
    QVERIFY(tip.startsWith(c.systemLocation));
    QCOMPARE(table.details(2).usbId, QString());
}

QTEST_GUILESS_MAIN(TestPortTable)
#include "tst_serial_porttable.moc"
