// The serial link without a window: the settings store, the port table over stand-in device
// files, the serial-port control over a real pseudo-terminal, and the line events.
#include "DeviceAccess.h"
#include "LineErrorCounters.h"
#include "LineEventText.h"
#include "PortTable.h"
#include "PtyPair.h"
#include "RegEdit.h"
#include "SerialControl.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <grp.h>
#include <termios.h>

class TestSerialCore : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void composePath_data();
    void composePath();
    void firstRunWritesEmptyDefault();
    void unwritableStoreFailsSilently_data();
    void unwritableStoreFailsSilently();
    void lowestFreeNumbers_data();
    void lowestFreeNumbers();
    void numberKeptAcrossRunsAndReplugging();
    void inputKeepsEveryByte();
    void settingsReachTheLine();
    void permissionTextNamesGroup();
    void lineEvents_data();
    void lineEvents();

private:
    // A plain file standing in for a device node; the table only follows paths and links.
    QString device(const QString& name)
    {
        QFile file(m_dir->filePath(name));
        return file.open(QIODevice::WriteOnly) ? file.fileName() : QString();
    }
    static QList<PortCandidate> candidates(const QStringList& paths)
    {
        QList<PortCandidate> list;
        for (const QString& path : paths)
            list.emplaceBack().systemLocation = path;
        return list;
    }
    bool openOn(PtyPair& pty)
    {
        m_store->SaveRegSetting("App", "Ports", "COM3", pty.slavePath());
        m_control->setCommPort(3);
        return m_control->setPortOpen(true).ok() && m_control->PortOpen();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_byId;
    std::unique_ptr<RegEdit> m_store;
    std::unique_ptr<PortTable> m_table;
    std::unique_ptr<SerialControl> m_control;
};

void TestSerialCore::init()
{
    m_control.reset();
    m_dir = std::make_unique<QTemporaryDir>();
    m_byId = m_dir->filePath("by-id");
    QVERIFY(QDir().mkpath(m_byId));
    m_store = std::make_unique<RegEdit>(m_dir->filePath("registry.ini"));
    m_table = std::make_unique<PortTable>(*m_store, "App", m_byId);
    m_control = std::make_unique<SerialControl>(m_table.get());
}

void TestSerialCore::composePath_data()
{
    QTest::addColumn<QString>("parts"); // application key|section|value name
    QTest::addColumn<QString>("expected");
    const QString root("HKEY_LOCAL_MACHINE\\SOFTWARE\\Telquin\\");
    QTest::newRow("all parts") << "Pelorin142E|FormInit|ComPort"
                               << root + "Pelorin142E\\FormInit\\ComPort";
    QTest::newRow("no app key") << "|FormInit|ComPort" << root + "FormInit\\ComPort";
    QTest::newRow("no section") << "Pelorin142E||ComPort" << root + "Pelorin142E\\ComPort";
    QTest::newRow("no value name") << "Pelorin142E|FormInit|" << root + "Pelorin142E\\FormInit\\";
    QTest::newRow("nothing") << "||" << root;
}

void TestSerialCore::composePath()
{
    QFETCH(QString, parts);
    QFETCH(QString, expected);
    const QStringList p = parts.split('|');
    QCOMPARE(RegEdit::ComposePath(p[0], p[1], p[2]), expected);
}

void TestSerialCore::firstRunWritesEmptyDefault()
{
    QCOMPARE(m_store->GetRegSetting("Pelorin142E", "FormInit", "ComPort", ""), QString());
    // The value exists now: an independent reader of the file sees it, empty.
    QSettings file(m_dir->filePath("registry.ini"), QSettings::IniFormat);
    const QString key("HKEY_LOCAL_MACHINE/SOFTWARE/Telquin/Pelorin142E/FormInit/ComPort");
    QVERIFY(file.contains(key));
    QCOMPARE(file.value(key).toString(), QString());
    // A later read with another default gets the stored empty text, not the default.
    QCOMPARE(m_store->GetRegSetting("Pelorin142E", "FormInit", "ComPort", "7"), QString());
}

void TestSerialCore::unwritableStoreFailsSilently_data()
{
    QTest::addColumn<bool>("readOnlyDir"); // else a file stands where the folder should be
    QTest::newRow("parent is a file") << false;
    QTest::newRow("read-only directory") << true;
}

void TestSerialCore::unwritableStoreFailsSilently()
{
    QFETCH(bool, readOnlyDir);
    const QString parent = m_dir->filePath("parent");
    if (readOnlyDir && ::geteuid() == 0)
        QSKIP("file permissions do not bind the superuser");
    if (readOnlyDir) {
        QVERIFY(QDir().mkpath(parent));
        QFile::setPermissions(parent, QFile::ReadOwner | QFile::ExeOwner);
    } else {
        QVERIFY(!device("parent").isEmpty());
    }
    const RegEdit store(parent + "/registry.ini");
    store.SaveRegSetting("App", "FormInit", "ComPort", " 5");
    QCOMPARE(store.GetRegSetting("App", "FormInit", "ComPort", "dflt"), QString("dflt"));
    QVERIFY(!QFile::exists(parent + "/registry.ini"));
}

void TestSerialCore::lowestFreeNumbers_data()
{
    QTest::addColumn<QList<int>>("handTaken"); // numbers written by hand beforehand
    QTest::addColumn<int>("devices");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("empty table") << QList<int>{} << 3 << QList<int>{1, 2, 3};
    QTest::newRow("gap at 2") << QList<int>{2} << 3 << QList<int>{1, 3, 4};
    QTest::newRow("only 16 free, then none")
        << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15} << 2 << QList<int>{16, 0};
}

void TestSerialCore::lowestFreeNumbers()
{
    QFETCH(QList<int>, handTaken);
    QFETCH(int, devices);
    QFETCH(QList<int>, expected);
    for (int n : handTaken)
        m_store->SaveRegSetting("App", "Ports", QString("COM%1").arg(n),
                                QString("/dev/h%1").arg(n));
    QStringList paths;
    for (int i = 0; i < devices; ++i)
        paths << device(QString("ttyUSB%1").arg(i));
    QCOMPARE(m_table->registerDevices(candidates(paths)), expected);
    for (int i = 0; i < devices; ++i)
        QCOMPARE(m_table->devicePath(expected[i]), expected[i] ? paths[i] : QString());
    for (int n : handTaken) // entries written by hand stay
        QCOMPARE(m_table->devicePath(n), QString("/dev/h%1").arg(n));
}

void TestSerialCore::numberKeptAcrossRunsAndReplugging()
{
    const QString other = device("ttyUSB0"), first = device("ttyUSB1");
    const QString link = m_byId + "/usb-FTDI_FT232R_A1B2-if00-port0";
    QVERIFY(QFile::link(first, link));
    QCOMPARE(m_table->registerDevices(candidates({other, first})), (QList<int>{1, 2}));
    QCOMPARE(m_table->devicePath(2), link);
    // Unplugged, then plugged back in under another node name; the next run lists it first.
    QVERIFY(QFile::remove(first) && QFile::remove(link));
    const QString again = device("ttyUSB7");
    QVERIFY(QFile::link(again, link));
    PortTable next(*m_store, "App", m_byId);
    QCOMPARE(next.registerDevices(candidates({again, other})), (QList<int>{2, 1}));
    QCOMPARE(next.details(2).resolvedPath, QFileInfo(again).canonicalFilePath());
}

void TestSerialCore::inputKeepsEveryByte()
{
    // Every byte value arrives unchanged and in order, at most InputLen bytes per Input.
    PtyPair pty;
    QVERIFY(openOn(pty));
    QCOMPARE(m_control->setInputLen(100).number, 0);
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    QVERIFY(pty.write(all));
    QTRY_COMPARE(m_control->InBufferCount(), qint16(256));
    CommError error{-1, {}};
    QCOMPARE(m_control->Input(&error), all.left(100));
    QCOMPARE(error.number, 0);
    QCOMPARE(m_control->Input(), all.mid(100, 100));
    QCOMPARE(m_control->Input(), all.mid(200));
    QCOMPARE(m_control->Input(), QByteArray());
}

void TestSerialCore::settingsReachTheLine()
{
    // Pseudo-terminals keep the rate but ignore the character format, so the rate is read back.
    PtyPair pty;
    const auto rate = [&pty] {
        const int fd = ::open(QFile::encodeName(pty.slavePath()), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios t{};
        ::tcgetattr(fd, &t);
        ::close(fd);
        return ::cfgetospeed(&t);
    };
    QCOMPARE(m_control->setSettings("2400,N,8,1").number, 0); // kept until the open
    QVERIFY(openOn(pty));
    QCOMPARE(rate(), speed_t(B2400));
    QCOMPARE(m_control->setSettings("4800,n,8,1").number, 0); // applied at once
    QCOMPARE(rate(), speed_t(B4800));
    QCOMPARE(m_control->setSettings("9600;N;8;1").number, int(CommError::InvalidValue));
    QCOMPARE(m_control->Settings(), QString("4800,n,8,1"));
    QCOMPARE(rate(), speed_t(B4800));
}

void TestSerialCore::permissionTextNamesGroup()
{
    const QString path = device("ttyFake");
    const group* g = ::getgrnam("dialout");
    QVERIFY(g || (g = ::getgrgid(::getegid())));
    const QString name = QString::fromLocal8Bit(g->gr_name);
    if (::chown(QFile::encodeName(path).constData(), -1, g->gr_gid) != 0)
        QSKIP("cannot give the file the group");
    const QString text = DeviceAccess::permissionText(path);
    for (const QString& part :
         {path, "\"" + name + "\"", "sudo usermod -aG " + name + " $USER", QString("log in again")})
        QVERIFY2(text.contains(part), qPrintable(text));
}

void TestSerialCore::lineEvents_data()
{
    QTest::addColumn<QList<int>>("grown"); // framing, overrun, parity, break counters grew by
    QTest::addColumn<QList<int>>("codes");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("framing") << QList<int>{1, 0, 0, 0} << QList<int>{1004}
                             << QStringList{"Framing Error"};
    QTest::newRow("all, overrun twice")
        << QList<int>{3, 2, 1, 1} << QList<int>{1001, 1004, 1006, 1009}
        << QStringList{"Break Received", "Framing Error", "Overrun Error", "Parity Error"};
}

void TestSerialCore::lineEvents()
{
    QFETCH(QList<int>, grown);
    QFETCH(QList<int>, codes);
    QFETCH(QStringList, texts);
    const LineErrorCounters before{5, 6, 7, 8};
    const LineErrorCounters after{5 + grown[0], 6 + grown[1], 7 + grown[2], 8 + grown[3]};
    QCOMPARE(LineErrorCounters::eventsBetween(before, after), codes);
    QStringList shown;
    for (int code : codes)
        shown << LineEventText(code);
    QCOMPARE(shown, texts);
}

QTEST_GUILESS_MAIN(TestSerialCore)
#include "tst_serial_core.moc"
