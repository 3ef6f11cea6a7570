// Which ports may be numbered and opened, and who holds one: other programs' flocks, exclusive
// mode and lock files (stale ones ignored and removed), Pelorin's own hold, the kernel console,
// the numbers the port table gives and the seventeenth device. Missing devices and those that are
// no terminal are the serial link test's.
#include "app/settings/RegEdit.h"
#include "serial/ConsoleDevices.h"
#include "serial/DeviceAccess.h"
#include "serial/PortHolder.h"
#include "serial/PortTable.h"
#include "serial/SerialControl.h"
#include "tests/serial/PtyPair.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <grp.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

QList<PortCandidate> candidates(const QStringList& paths)
{
    QList<PortCandidate> list;
    for (const QString& path : paths)
        list.emplaceBack().systemLocation = path;
    return list;
}

enum Setup
{
    Free,
    FlockChild,
    Exclusive,
    LiveLockFile,
    DeadLockFile,
    OwnLockFile,
    ActiveConsole,
    KernelLineConsole,
    NoRight
};

struct Access
{
    Setup setup;
    QString how;     // of the hold found; empty: not held
    QString program; // the holder's program, as the system tells it
    int number;      // of the control's open
};

} // namespace

Q_DECLARE_METATYPE(Access)

class TestPortTruth : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_control.reset();
        m_dir = std::make_unique<QTemporaryDir>();
        m_ptys.clear();
        m_store = std::make_unique<RegEdit>(m_dir->filePath("registry.ini"));
        m_table = std::make_unique<PortTable>(*m_store, "App", m_dir->filePath("by-id"));
        m_control = std::make_unique<SerialControl>(m_table.get());
    }
    void access_data()
    {
        QTest::addColumn<Access>("a");
        const auto row = [](const char* name, const Access& a) { QTest::newRow(name) << a; };
        const int inUse = CommError::PortInUse, notSerial = CommError::NotSerialDevice;
        row("free", {Free, {}, {}, CommError::Success});
        row("flock by another program", {FlockChild, "flock", "flock", inUse}); // not its child
        row("exclusive mode, also for the superuser", {Exclusive, "exclusive mode", "", inUse});
        row("live lock file under another name of the device",
            {LiveLockFile, "lock file", "sleep", inUse});
        row("lock file of a process that is gone", {DeadLockFile, {}, {}, CommError::Success});
        row("lock file naming this process, which does not hold the port",
            {OwnLockFile, {}, {}, CommError::Success});
        row("named as active console", {ActiveConsole, {}, {}, notSerial});
        row("console= on the kernel command line", {KernelLineConsole, {}, {}, notSerial});
        row("no right to open it", {NoRight, {}, {}, CommError::PermissionDenied});
    }
    // Who holds the device as PortHolder finds it; whether the port table numbers it (never the
    // kernel console); and the control's open of COM1: refused with the failure number that says
    // why, naming the hold, or done.
    void access()
    {
        QFETCH(Access, a);
        const QString alias = device("tty"); // the device checked under another name
        const QString tty = m_ptys.back()->slavePath();
        const QString lock = m_dir->filePath("LCK.." + tty.mid(5).replace('/', '_'));
        const QByteArray name = QFile::encodeName(tty.mid(5));
        QProcess child; // "flock" is util-linux flock(1)
        int exclusiveFd = -1;
        qint64 lockPid = 0;
        switch (a.setup) {
        case FlockChild:
            child.start("flock", {tty, "sleep", "30"});
            QTRY_VERIFY(PortHolder({m_dir->path()}).check(alias).held);
            break;
        case Exclusive:
            exclusiveFd = ::open(QFile::encodeName(tty), O_RDWR | O_NOCTTY);
            QVERIFY(exclusiveFd >= 0 && ::ioctl(exclusiveFd, TIOCEXCL) == 0);
            break;
        case LiveLockFile:
        case DeadLockFile:
            child.start("sleep", {a.setup == LiveLockFile ? "30" : "0"});
            QVERIFY(child.waitForStarted(5000));
            lockPid = child.processId();
            QVERIFY(a.setup == LiveLockFile || child.waitForFinished(5000));
            break;
        case OwnLockFile:
            lockPid = ::getpid();
            break;
        case ActiveConsole:
            writeFile(m_dir->filePath("active"), "tty0 " + name + "\n");
            break;
        case KernelLineConsole:
            writeFile(m_dir->filePath("cmdline"), "quiet console=" + name + ",115200n8 panic=1");
            break;
        case NoRight:
            if (::geteuid() == 0)
                QSKIP("the superuser opens any device");
            QVERIFY(::chmod(QFile::encodeName(tty).constData(), 0) == 0);
            break;
        case Free:
            break;
        }
        if (lockPid)
            writeFile(lock, QByteArray::number(lockPid).rightJustified(10, ' ') + '\n');
        const qint64 holderPid = a.setup == FlockChild ? child.processId() : lockPid;
        m_table->setConsoleDevices(
            ConsoleDevices({m_dir->filePath("active"), m_dir->filePath("cmdline"),
                            m_dir->filePath("no-console"), "/dev"}));
        const bool console = a.setup == ActiveConsole || a.setup == KernelLineConsole;
        QCOMPARE(m_table->registerDevices(candidates({tty})), QList<int>{console ? 0 : 1});
        const PortHolder::Hold hold = PortHolder({m_dir->path()}).check(alias);
        const CommError opened = open(alias);
        if (exclusiveFd >= 0)
            ::close(exclusiveFd);
        child.kill();
        child.waitForFinished(5000);
        QCOMPARE(hold.held, !a.how.isEmpty());
        QVERIFY2(hold.how.startsWith(a.how), qPrintable(hold.how));
        QVERIFY2(opened.number == a.number, qPrintable(opened.description));
        QCOMPARE(m_control->PortOpen(), a.number == CommError::Success);
        if (hold.held) {
            QCOMPARE(hold.program, a.program);
            QVERIFY2(opened.description.contains(hold.how), qPrintable(opened.description));
            if (holderPid)
                QCOMPARE(hold.pid, holderPid);
        }
        QCOMPARE(QFile::exists(lock), a.setup == LiveLockFile); // stale ones are removed
    }
    void ownHoldSeenByOthers()
    {
        // While Pelorin has the port open, a program that uses flock finds it busy; then free.
        const QString tty = m_ptys.emplace_back(std::make_unique<PtyPair>())->slavePath();
        const auto flockExit = [&] {
            return QProcess::execute("flock", {"-n", "-E", "9", tty, "true"});
        };
        QVERIFY(open(tty).ok());
        QCOMPARE(flockExit(), 9);
        m_control->setPortOpen(false);
        QCOMPARE(flockExit(), 0);
    }
    void numberKeptAcrossRunsAndReplugging()
    {
        const QString byId = m_dir->filePath("by-id");
        QVERIFY(QDir().mkpath(byId));
        const QString other = device("ttyUSB0"), first = device("ttyUSB1");
        const QString link = byId + "/usb-FTDI_FT232R_A1B2-if00-port0";
        QVERIFY(QFile::link(first, link));
        QCOMPARE(m_table->registerDevices(candidates({other, first})), (QList<int>{1, 2}));
        QCOMPARE(m_table->devicePath(2), link); // kept by its stable name
        // Unplugged, then plugged back in under another node name; the next run lists it first.
        QVERIFY(QFile::remove(first) && QFile::remove(link));
        const QString again = device("ttyUSB7");
        QVERIFY(QFile::link(again, link));
        PortTable next(*m_store, "App", byId);
        QCOMPARE(next.registerDevices(candidates({again, other})), (QList<int>{2, 1}));
        QCOMPARE(next.details(2).resolvedPath, QFileInfo(again).canonicalFilePath());
    }
    void seventeenthDeviceIsTold()
    {
        for (int n = 1; n <= 16; ++n)
            m_store->SaveRegSetting("App", "Ports", PortTable::valueName(n),
                                    "/dev/taken" + QString::number(n));
        const QString tty = m_ptys.emplace_back(std::make_unique<PtyPair>())->slavePath();
        QCOMPARE(m_table->registerDevices(candidates({tty})), QList<int>{0});
        const auto notice = m_table->takeNotice();
        QVERIFY(notice && notice->contains(tty) && notice->contains("forget"));
        QCOMPARE(m_table->registerDevices(candidates({tty})), QList<int>{0});
        QVERIFY(!m_table->takeNotice()); // told once
    }
    void permissionTextNamesGroup()
    {
        const QString path = device("ttyFake");
        const group* g = ::getgrnam("dialout");
        QVERIFY(g || (g = ::getgrgid(::getegid())));
        const QString name = QString::fromLocal8Bit(g->gr_name);
        if (::chown(QFile::encodeName(path).constData(), -1, g->gr_gid) != 0)
            QSKIP("cannot give the file the group");
        const QString text = DeviceAccess::permissionText(path);
        for (const QString& part :
             {path, "\"" + name + "\"", "sudo usermod -aG " + name + " $USER"})
            QVERIFY2(text.contains(part), qPrintable(text));
    }

private:
    // COM1 of a fresh port table leads to path; the control looks for holds in the test's folder.
    CommError open(const QString& path)
    {
        m_store->SaveRegSetting("App", "Ports", "COM1", path);
        m_control->setHolder(PortHolder({m_dir->path()}));
        return m_control->setPortOpen(true);
    }
    // A link standing in for a device node: it leads to a pseudo-terminal of its own.
    QString device(const QString& name)
    {
        const QString path = m_dir->filePath(name);
        return QFile::link(m_ptys.emplace_back(std::make_unique<PtyPair>())->slavePath(), path)
                   ? path
                   : QString();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::vector<std::unique_ptr<PtyPair>> m_ptys;
    std::unique_ptr<RegEdit> m_store;
    std::unique_ptr<PortTable> m_table;
    std::unique_ptr<SerialControl> m_control;
};

QTEST_GUILESS_MAIN(TestPortTruth)
#include "tst_port_truth.moc"
