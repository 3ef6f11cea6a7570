// The serial link without a window: the settings store, and the serial-port control over a real
// pseudo-terminal attached through the port table.
#include "app/settings/RegEdit.h"
#include "serial/DeviceAccess.h"
#include "serial/LineErrorCounters.h"
#include "serial/LineEventText.h"
#include "serial/PortTable.h"
#include "serial/SerialControl.h"
#include "tests/serial/PtyPair.h"

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <grp.h>
#include <unistd.h>

class TestSerialCore : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void composePath_data();
    void composePath();
    void firstRunWritesEmptyDefault();
    void failedWriteKeepsStore_data();
    void failedWriteKeepsStore();
    void inputKeepsEveryByte();
    void numberKeptAcrossRunsAndReplugging();
    void permissionTextNamesGroup();
    void lineEvents();

private:
    // A link standing in for a device node: it leads to a pseudo-terminal of its own.
    QString device(const QString& name)
    {
        const QString path = m_dir->filePath(name);
        return QFile::link(m_ptys.emplace_back(std::make_unique<PtyPair>())->slavePath(), path)
                   ? path
                   : QString();
    }
    static QList<PortCandidate> candidates(const QStringList& paths)
    {
        QList<PortCandidate> list;
        for (const QString& path : paths)
            list.emplaceBack().systemLocation = path;
        return list;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RegEdit> m_store;
    std::vector<std::unique_ptr<PtyPair>> m_ptys;
};

void TestSerialCore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_store = std::make_unique<RegEdit>(m_dir->filePath("registry.ini"));
}

void TestSerialCore::composePath_data()
{
    QTest::addColumn<QStringList>("parts"); // application key, section, value name
    QTest::addColumn<QString>("expected");
    const QString root("HKEY_LOCAL_MACHINE\\SOFTWARE\\Telquin\\");
    QTest::newRow("all parts") << QStringList{"P", "F", "C"} << root + "P\\F\\C";
    QTest::newRow("no app key") << QStringList{"", "F", "C"} << root + "F\\C";
    QTest::newRow("no section") << QStringList{"P", "", "C"} << root + "P\\C";
    QTest::newRow("no value name") << QStringList{"P", "F", ""} << root + "P\\F\\";
    QTest::newRow("nothing") << QStringList{"", "", ""} << root;
}

void TestSerialCore::composePath()
{
    QFETCH(QStringList, parts);
    QFETCH(QString, expected);
    QCOMPARE(RegEdit::ComposePath(parts[0], parts[1], parts[2]), expected);
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

void TestSerialCore::failedWriteKeepsStore_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("kept"); // what reads return after the failed write
    QTest::addColumn<QString>("reason");
    QTest::newRow("parent is a file") << "parent file"
                                      << "dflt"
                                      << "cannot create the folder";
    QTest::newRow("read-only directory") << "read-only dir"
                                         << " 3"
                                         << "Permission denied";
    QTest::newRow("immutable file") << "immutable"
                                    << " 3"
                                    << "read-only";
}

void TestSerialCore::failedWriteKeepsStore()
{
    QFETCH(QString, how);
    QFETCH(QString, kept);
    QFETCH(QString, reason);
    const QString parent = m_dir->filePath("parent"), file = parent + "/registry.ini";
    if (how == "parent file") {
        QVERIFY(QFile(parent).open(QIODevice::WriteOnly));
    } else {
        QVERIFY(QDir().mkpath(parent));
        RegEdit(file).SaveRegSetting("App", "FormInit", "ComPort", " 3");
    }
    if (how == "read-only dir" && ::geteuid() == 0)
        QSKIP("file permissions do not bind the superuser");
    if (how == "read-only dir")
        QVERIFY(QFile::setPermissions(parent, QFile::ReadOwner | QFile::ExeOwner));
    if (how == "immutable" && QProcess::execute("chattr", {"+i", file}) != 0)
        QSKIP("chattr +i is not supported here");
    const auto bytesOf = [&file] {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    };
    const QByteArray before = bytesOf();
    const RegEdit store(file);
    // A probe registering a new device fails to write; every later read still sees the file.
    store.SaveRegSetting("App", "Ports", "COM1", "/dev/ttyUSB0");
    const auto failure = store.takeWriteFailure();
    QCOMPARE(store.GetRegSetting("App", "FormInit", "ComPort", "dflt"), kept);
    QCOMPARE(store.GetRegSetting("App", "Ports", "COM1", ""), QString());
    store.SaveRegSetting("App", "FormInit", "ComPort", " 4");
    const bool toldAgain = store.takeWriteFailure().has_value();
    QCOMPARE(RegEdit(file).GetRegSetting("App", "FormInit", "ComPort", "dflt"), kept);
    QProcess::execute("chattr", {"-i", file});
    QCOMPARE(bytesOf(), before); // nothing lost, nothing half-written
    QVERIFY2(failure && failure->contains(file) && failure->contains(reason),
             qPrintable(failure.value_or("no failure")));
    QVERIFY(!toldAgain); // a store that stays unwritable is told once
}

void TestSerialCore::inputKeepsEveryByte()
{
    // Every byte value arrives unchanged and in order, at most InputLen bytes per Input.
    PtyPair pty;
    PortTable table(*m_store, "App", m_dir->filePath("by-id"));
    SerialControl control(&table);
    m_store->SaveRegSetting("App", "Ports", "COM3", pty.slavePath());
    control.setCommPort(3);
    QVERIFY(control.setPortOpen(true).ok() && control.PortOpen());
    QCOMPARE(control.setInputLen(100).number, 0);
    const QByteArray all = PtyPair::allByteValues();
    QVERIFY(pty.write(all));
    QTRY_COMPARE(control.InBufferCount(), qint16(256));
    QCOMPARE(control.Input(), all.left(100));
    QCOMPARE(control.Input(), all.mid(100, 100));
    QCOMPARE(control.Input(), all.mid(200));
    QCOMPARE(control.Input(), QByteArray());
}

void TestSerialCore::numberKeptAcrossRunsAndReplugging()
{
    const QString byId = m_dir->filePath("by-id");
    QVERIFY(QDir().mkpath(byId));
    const QString other = device("ttyUSB0"), first = device("ttyUSB1");
    const QString link = byId + "/usb-FTDI_FT232R_A1B2-if00-port0";
    QVERIFY(QFile::link(first, link));
    PortTable table(*m_store, "App", byId);
    QCOMPARE(table.registerDevices(candidates({other, first})), (QList<int>{1, 2}));
    QCOMPARE(table.devicePath(2), link); // kept by its stable name
    // Unplugged, then plugged back in under another node name; the next run lists it first.
    QVERIFY(QFile::remove(first) && QFile::remove(link));
    const QString again = device("ttyUSB7");
    QVERIFY(QFile::link(again, link));
    PortTable next(*m_store, "App", byId);
    QCOMPARE(next.registerDevices(candidates({again, other})), (QList<int>{2, 1}));
    QCOMPARE(next.details(2).resolvedPath, QFileInfo(again).canonicalFilePath());
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
    for (const QString& part : {path, "\"" + name + "\"", "sudo usermod -aG " + name + " $USER"})
        QVERIFY2(text.contains(part), qPrintable(text));
}

void TestSerialCore::lineEvents()
{
    // Framing, overrun, parity and break counters that grew become their line events.
    const LineErrorCounters before{5, 6, 7, 8};
    const LineErrorCounters after{8, 8, 8, 9};
    const QList<int> codes = LineErrorCounters::eventsBetween(before, after);
    QCOMPARE(codes, (QList<int>{1001, 1004, 1006, 1009}));
    QStringList shown;
    for (int code : codes)
        shown << LineEventText(code);
    QCOMPARE(shown,
             (QStringList{"Break Received", "Framing Error", "Overrun Error", "Parity Error"}));
    QVERIFY(LineErrorCounters::eventsBetween(after, after).isEmpty());
}

QTEST_GUILESS_MAIN(TestSerialCore)
#include "tst_serial_core.moc"
