// Who holds a port: other programs' flocks, exclusive mode and lock files (stale ones ignored and
// removed), Pelorin's own hold, the kernel console and the seventeenth device.
#include "app/settings/RegEdit.h"
#include "serial/ConsoleDevices.h"
#include "serial/PortHolder.h"
#include "serial/PortTable.h"
#include "serial/SerialControl.h"
#include "tests/serial/PtyPair.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

class TestPortTruth : public QObject
{
    Q_OBJECT
private slots:
    void holds_data();
    void holds();
    void ownHoldSeenByOthers();
    void consoleNeverNumberedOrOpened_data();
    void consoleNeverNumberedOrOpened();
    void seventeenthDeviceIsTold();

private:
    // A child that runs until the test ends; "flock" is util-linux flock(1).
    static bool start(QProcess& child, const QStringList& command)
    {
        child.start(command[0], command.mid(1));
        return child.waitForStarted(5000);
    }
    static void writeFile(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
};

enum Setup
{
    Free,
    FlockChild,
    Exclusive,
    LiveLockFile,
    DeadLockFile,
    OwnLockFile
};

void TestPortTruth::holds_data()
{
    QTest::addColumn<int>("setup");
    QTest::addColumn<QString>("how"); // empty: not held
    QTest::addColumn<QStringList>("programs");
    QTest::newRow("free") << int(Free) << QString() << QStringList{};
    QTest::newRow("flock by another program")
        << int(FlockChild) << "flock" << QStringList{"flock"}; // the lock's owner, not its child
    QTest::newRow("exclusive mode, also for the superuser")
        << int(Exclusive) << "exclusive mode" << QStringList{""};
    QTest::newRow("live lock file under another name of the device")
        << int(LiveLockFile) << "lock file" << QStringList{"sleep"};
    QTest::newRow("lock file of a process that is gone")
        << int(DeadLockFile) << QString() << QStringList{};
    QTest::newRow("lock file naming this process, which does not hold the port")
        << int(OwnLockFile) << QString() << QStringList{};
}

void TestPortTruth::holds()
{
    QFETCH(int, setup);
    QFETCH(QString, how);
    QFETCH(QStringList, programs);
    QTemporaryDir dir;
    PtyPair pty;
    const QString alias = dir.filePath("by-id-link"); // the device checked under another name
    QVERIFY(QFile::link(pty.slavePath(), alias));
    const QString lock = dir.filePath("LCK.." + pty.slavePath().mid(5).replace('/', '_'));
    QProcess child;
    int exclusiveFd = -1;
    qint64 lockPid = 0;
    qint64 holderPid = 0;
    if (setup == FlockChild) {
        QVERIFY(start(child, {"flock", pty.slavePath(), "sleep", "30"}));
        holderPid = child.processId();
        QTRY_VERIFY(PortHolder({dir.path()}).check(alias).held);
    } else if (setup == Exclusive) {
        exclusiveFd = ::open(QFile::encodeName(pty.slavePath()), O_RDWR | O_NOCTTY);
        QVERIFY(exclusiveFd >= 0 && ::ioctl(exclusiveFd, TIOCEXCL) == 0);
    } else if (setup == LiveLockFile || setup == DeadLockFile) {
        QVERIFY(start(child, {"sleep", setup == LiveLockFile ? "30" : "0"}));
        lockPid = child.processId();
        if (setup == DeadLockFile)
            QVERIFY(child.waitForFinished(5000));
    } else if (setup == OwnLockFile) {
        lockPid = ::getpid();
    }
    if (lockPid)
        writeFile(lock, QByteArray::number(lockPid).rightJustified(10, ' ') + '\n');
    const PortHolder::Hold hold = PortHolder({dir.path()}).check(alias);
    if (exclusiveFd >= 0)
        ::close(exclusiveFd);
    QCOMPARE(hold.held, !how.isEmpty());
    QVERIFY2(hold.how.startsWith(how), qPrintable(hold.how));
    if (hold.held) {
        QVERIFY2(programs.contains(hold.program), qPrintable(hold.text(alias)));
        if (lockPid || holderPid)
            QCOMPARE(hold.pid, lockPid ? lockPid : holderPid);
    }
    QCOMPARE(QFile::exists(lock), setup == LiveLockFile); // stale ones are removed
    child.kill();
    child.waitForFinished(5000);
}

void TestPortTruth::ownHoldSeenByOthers()
{
    // While Pelorin has the port open, a program that uses flock finds it busy; then free.
    QTemporaryDir dir;
    PtyPair pty;
    RegEdit store(dir.filePath("registry.ini"));
    PortTable table(store, "App");
    store.SaveRegSetting("App", "Ports", "COM2", pty.slavePath());
    SerialControl control(&table);
    control.setCommPort(2);
    const auto flockExit = [&] {
        return QProcess::execute("flock", {"-n", "-E", "9", pty.slavePath(), "true"});
    };
    QVERIFY(control.setPortOpen(true).ok());
    QCOMPARE(flockExit(), 9);
    control.setPortOpen(false);
    QCOMPARE(flockExit(), 0);
}

void TestPortTruth::consoleNeverNumberedOrOpened_data()
{
    QTest::addColumn<QByteArray>("active");
    QTest::addColumn<QByteArray>("commandLine"); // %1: the pseudo-terminal's name under /dev
    QTest::addColumn<bool>("console");
    QTest::newRow("named as active console") << QByteArray("tty0 %1\n") << QByteArray() << true;
    QTest::newRow("console= on the command line")
        << QByteArray("tty0\n") << QByteArray("quiet console=%1,115200n8 panic=1") << true;
    QTest::newRow("named nowhere") << QByteArray("tty0\n") << QByteArray("console=tty0") << false;
}

void TestPortTruth::consoleNeverNumberedOrOpened()
{
    QFETCH(QByteArray, active);
    QFETCH(QByteArray, commandLine);
    QFETCH(bool, console);
    QTemporaryDir dir;
    PtyPair pty;
    const QByteArray name = QFile::encodeName(pty.slavePath().mid(5));
    writeFile(dir.filePath("active"), active.replace("%1", name));
    writeFile(dir.filePath("cmdline"), commandLine.replace("%1", name));
    RegEdit store(dir.filePath("registry.ini"));
    PortTable table(store, "App");
    table.setConsoleDevices(ConsoleDevices(
        {dir.filePath("active"), dir.filePath("cmdline"), dir.filePath("no-console"), "/dev"}));
    PortCandidate candidate;
    candidate.systemLocation = pty.slavePath();
    QCOMPARE(table.registerDevices({candidate}), QList<int>{console ? 0 : 1});
    store.SaveRegSetting("App", "Ports", "COM5", pty.slavePath()); // an entry made by hand
    SerialControl control(&table);
    control.setCommPort(5);
    QCOMPARE(control.setPortOpen(true).number,
             console ? int(CommError::NotSerialDevice) : int(CommError::Success));
    QCOMPARE(control.PortOpen(), !console);
}

void TestPortTruth::seventeenthDeviceIsTold()
{
    QTemporaryDir dir;
    PtyPair pty;
    RegEdit store(dir.filePath("registry.ini"));
    for (int n = 1; n <= 16; ++n)
        store.SaveRegSetting("App", "Ports", PortTable::valueName(n),
                             "/dev/taken" + QString::number(n));
    PortTable table(store, "App");
    PortCandidate candidate;
    candidate.systemLocation = pty.slavePath();
    QCOMPARE(table.registerDevices({candidate}), QList<int>{0});
    const auto notice = table.takeNotice();
    QVERIFY(notice && notice->contains(pty.slavePath()) && notice->contains("forget"));
    QCOMPARE(table.registerDevices({candidate}), QList<int>{0});
    QVERIFY(!table.takeNotice()); // told once
}

QTEST_GUILESS_MAIN(TestPortTruth)
#include "tst_port_truth.moc"
