// The serial link without a window: a settings store that cannot be written; which ports may be
// numbered and opened, and who holds one (other programs' flocks, exclusive mode and lock files,
// stale ones ignored and removed, Pelorin's own hold, the kernel console); the port table's
// numbers; the control receiving over a pseudo-terminal; the cutting of replies into lines, the
// reply box, the line format, the line events and the line log. Missing devices and those that
// are no terminal are the serial link test's.
#include "app/settings/RegEdit.h"
#include "serial/ConsoleDevices.h"
#include "serial/DeviceAccess.h"
#include "serial/LineErrorCounters.h"
#include "serial/LineEventText.h"
#include "serial/LineLog.h"
#include "serial/LineSettings.h"
#include "serial/PortHolder.h"
#include "serial/PortTable.h"
#include "serial/ReplyAssembler.h"
#include "serial/SerialControl.h"
#include "tests/serial/PtyPair.h"

#include <QMetaEnum>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <grp.h>
#include <numeric>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using Lines = QList<QByteArray>;
using Ports = QList<PortCandidate>; // each given by its path

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestSerialCore : public QObject
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
    void failedWriteKeepsStore_data()
    {
        QTest::addColumn<QString>("kept"); // what reads return after the failed write
        QTest::addColumn<QString>("reason");
        QTest::newRow("parent file") << QString("dflt") << QString("cannot create the folder");
        QTest::newRow("read-only dir") << QString(" 3") << QString("Permission denied");
        QTest::newRow("immutable") << QString(" 3") << QString("read-only");
    }
    void failedWriteKeepsStore()
    {
        QFETCH(QString, kept);
        QFETCH(QString, reason);
        const QString how = QTest::currentDataTag();
        const QString parent = m_dir->filePath(how), file = parent + "/registry.ini";
        if (how == "parent file")
            writeFile(parent, {});
        else
            RegEdit(file).SaveRegSetting("App", "FormInit", "ComPort", " 3");
        if (how == "read-only dir" && ::geteuid() == 0)
            QSKIP("file permissions do not bind the superuser");
        if (how == "read-only dir")
            QVERIFY(QFile::setPermissions(parent, QFile::ReadOwner | QFile::ExeOwner));
        if (how == "immutable" && QProcess::execute("chattr", {"+i", file}) != 0)
            QSKIP("chattr +i is not supported here");
        const QByteArray before = readFile(file);
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
        QCOMPARE(readFile(file), before); // nothing lost, nothing half-written
        QVERIFY2(failure && failure->contains(file) && failure->contains(reason),
                 qPrintable(failure.value_or("no failure")));
        QVERIFY(!toldAgain); // a store that stays unwritable is told once
    }
    void access_data()
    {
        QTest::addColumn<QString>("how");     // of the hold found; empty: not held
        QTest::addColumn<QString>("program"); // the holder's program, as the system tells it
        QTest::addColumn<int>("number");      // of the control's open
        const auto row = [](const char* setup, const char* how, const char* program, int n) {
            QTest::newRow(setup) << QString(how) << QString(program) << n;
        };
        const int inUse = CommError::PortInUse, notSerial = CommError::NotSerialDevice;
        row("free", "", "", CommError::Success);       // then held by Pelorin against flock users
        row("flock", "flock", "flock", inUse);         // by another program, not its child
        row("exclusive", "exclusive mode", "", inUse); // binds the superuser too
        row("live lock", "lock file", "sleep", inUse); // under another name of the device
        row("dead lock", "", "", CommError::Success);  // of a process that is gone
        row("own lock", "", "", CommError::Success);   // this process, which does not hold it
        row("active console", "", "", notSerial);
        row("console=", "", "", notSerial); // on the kernel command line
        row("no right", "", "", CommError::PermissionDenied);
    }
    // Who holds the device as PortHolder finds it; whether the port table numbers it (never the
    // kernel console); and the control's open of COM1: refused with the failure number that says
    // why, naming the hold, or done.
    void access()
    {
        QFETCH(QString, how);
        QFETCH(QString, program);
        QFETCH(int, number);
        const QString setup = QTest::currentDataTag();
        const QString alias = device("tty"); // the device checked under another name
        const QString tty = m_ptys.back()->slavePath();
        const QString lock = m_dir->filePath("LCK.." + tty.mid(5).replace('/', '_'));
        const QByteArray name = QFile::encodeName(tty.mid(5));
        QProcess child; // "flock" is util-linux flock(1)
        int exclusiveFd = -1;
        qint64 lockPid = setup == "own lock" ? ::getpid() : 0;
        if (setup == "flock") {
            child.start("flock", {tty, "sleep", "30"});
            QTRY_VERIFY(PortHolder({m_dir->path()}).check(alias).held);
        } else if (setup == "exclusive") {
            exclusiveFd = ::open(QFile::encodeName(tty), O_RDWR | O_NOCTTY);
            QVERIFY(exclusiveFd >= 0 && ::ioctl(exclusiveFd, TIOCEXCL) == 0);
        } else if (setup == "live lock" || setup == "dead lock") {
            child.start("sleep", {setup == "live lock" ? "30" : "0"});
            QVERIFY(child.waitForStarted(5000));
            lockPid = child.processId();
            QVERIFY(setup == "live lock" || child.waitForFinished(5000));
        } else if (setup == "active console") {
            writeFile(m_dir->filePath("active"), "tty0 " + name + "\n");
        } else if (setup == "console=") {
            writeFile(m_dir->filePath("cmdline"), "quiet console=" + name + ",115200n8 panic=1");
        } else if (setup == "no right") {
            if (::geteuid() == 0)
                QSKIP("the superuser opens any device");
            QVERIFY(::chmod(QFile::encodeName(tty).constData(), 0) == 0);
        }
        if (lockPid)
            writeFile(lock, QByteArray::number(lockPid).rightJustified(10, ' ') + '\n');
        const qint64 holderPid = setup == "flock" ? child.processId() : lockPid;
        m_table->setConsoleDevices(
            ConsoleDevices({m_dir->filePath("active"), m_dir->filePath("cmdline"),
                            m_dir->filePath("no-console"), "/dev"}));
        const bool console = setup.contains("console");
        QCOMPARE(m_table->registerDevices(Ports{{tty}}), QList<int>{console ? 0 : 1});
        const PortHolder::Hold hold = PortHolder({m_dir->path()}).check(alias);
        const CommError opened = open(alias);
        if (exclusiveFd >= 0)
            ::close(exclusiveFd);
        child.kill();
        child.waitForFinished(5000);
        QCOMPARE(hold.held, !how.isEmpty());
        QVERIFY2(hold.how.startsWith(how) || !hold.held, qPrintable(hold.how));
        QVERIFY2(opened.number == number, qPrintable(opened.description));
        QCOMPARE(m_control->PortOpen(), number == CommError::Success);
        if (hold.held) {
            QCOMPARE(hold.program, program);
            QVERIFY2(opened.description.contains(hold.how), qPrintable(opened.description));
            if (holderPid)
                QCOMPARE(hold.pid, holderPid);
        }
        QCOMPARE(QFile::exists(lock), setup == "live lock"); // stale ones are removed
        if (setup == "free") { // while Pelorin has it open, a program using flock finds it busy
            const QStringList flock{"-n", "-E", "9", tty, "true"};
            QCOMPARE(QProcess::execute("flock", flock), 9);
            m_control->setPortOpen(false);
            QCOMPARE(QProcess::execute("flock", flock), 0);
        }
    }
    void numberKeptAcrossRunsAndReplugging()
    {
        const QString byId = m_dir->filePath("by-id");
        QVERIFY(QDir().mkpath(byId));
        const QString other = device("ttyUSB0"), first = device("ttyUSB1");
        const QString link = byId + "/usb-FTDI_FT232R_A1B2-if00-port0";
        QVERIFY(QFile::link(first, link));
        QCOMPARE(m_table->registerDevices(Ports{{other}, {first}}), (QList<int>{1, 2}));
        QCOMPARE(m_table->devicePath(2), link); // kept by its stable name
        // Unplugged, then plugged back in under another node name; the next run lists it first.
        QVERIFY(QFile::remove(first) && QFile::remove(link));
        const QString again = device("ttyUSB7");
        QVERIFY(QFile::link(again, link));
        PortTable next(*m_store, "App", byId);
        QCOMPARE(next.registerDevices(Ports{{again}, {other}}), (QList<int>{2, 1}));
        QCOMPARE(next.details(2).resolvedPath, QFileInfo(again).canonicalFilePath());
    }
    void seventeenthDeviceIsTold()
    {
        for (int n = 1; n <= 16; ++n)
            m_store->SaveRegSetting("App", "Ports", PortTable::valueName(n),
                                    "/dev/taken" + QString::number(n));
        const QString tty = device("tty");
        QCOMPARE(m_table->registerDevices(Ports{{tty}}), QList<int>{0});
        const auto notice = m_table->takeNotice();
        QVERIFY(notice && notice->contains(tty) && notice->contains("forget"));
        QCOMPARE(m_table->registerDevices(Ports{{tty}}), QList<int>{0});
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
        for (const QString& part : {path, '"' + name + '"', "sudo usermod -aG " + name + " $USER"})
            QVERIFY2(text.contains(part), qPrintable(text));
    }
    void receive()
    {
        // The receive event comes once RThreshold bytes wait, not one byte later; every byte value
        // arrives unchanged and in order, at most InputLen bytes per Input.
        const QString tty = device("tty");
        const PtyPair& pty = *m_ptys.back();
        QList<qint16> events;
        connect(m_control.get(), &SerialControl::OnComm, this,
                [&] { events << m_control->CommEvent(); });
        QVERIFY(m_control->setRThreshold(11).ok() && m_control->setInputLen(100).ok());
        QVERIFY(open(tty).ok());
        QByteArray all(256, Qt::Uninitialized);
        std::iota(all.begin(), all.end(), char(0));
        QVERIFY(pty.write(all.left(10)));
        QTRY_COMPARE(m_control->InBufferCount(), qint16(10));
        QVERIFY(events.isEmpty()); // the arrival has been handled: its event would have come
        QVERIFY(pty.write(all.mid(10, 1)));
        QTRY_COMPARE(events, QList<qint16>{SerialControl::EvReceive});
        QVERIFY(pty.write(all.mid(11)));
        QTRY_COMPARE(m_control->InBufferCount(), qint16(256));
        for (int at = 0; at <= 300; at += 100)
            QCOMPARE(m_control->Input(), all.mid(at, 100));
    }
    void replyLines_data()
    {
        QTest::addColumn<Lines>("arrivals"); // added to the buffer one at a time, cut after each
        QTest::addColumn<Lines>("lines");
        QTest::addColumn<QByteArray>("rest"); // left in the buffer
        QTest::newRow("line split across arrivals")
            << Lines{"OV16 V0116 ab", "cdefghijkl\r\n"} << Lines{"OV16 V0116 abcdefghijkl"}
            << QByteArray("\n");
        QTest::newRow("two lines in one arrival, the LF after a CR leads the next")
            << Lines{"QXBSQXERA\r\nQXBCQXERR\r\n"} << Lines{"QXBSQXERA", " QXBCQXERR"}
            << QByteArray("\n");
        QTest::newRow("lone CRs make no line")
            << Lines{"\rQXBSQXERA\r", "\r"} << Lines{"QXBSQXERA"} << QByteArray();
        QTest::newRow("bytes without CR stay")
            << Lines{"QXPGM\rAB"} << Lines{"QXPGM"} << QByteArray("AB");
    }
    void replyLines()
    {
        QFETCH(Lines, arrivals);
        QFETCH(Lines, lines);
        QFETCH(QByteArray, rest);
        QByteArray buffer;
        Lines cut;
        for (const QByteArray& arrival : arrivals)
            cut += ReplyAssembler::consumeLines(buffer += arrival);
        QCOMPARE(cut, lines);
        QCOMPARE(buffer, rest);
    }
    void replyBox()
    {
        // Just over 500 characters stay whole; 12000 are cut to the last 10000.
        QString all;
        for (int i = 0; all.size() < 12000; ++i)
            all += QString::number(i) + ' '; // no two places alike
        all.truncate(12000);
        QCOMPARE(appendToReplyBox(all.left(500), all.mid(500, 46)), all.left(546));
        QCOMPARE(appendToReplyBox(all.left(11000), all.mid(11000)), all.right(10000));
    }
    void lineSettings_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("read"); // rate, parity, data bits, stop bits, bytes per second
        const auto row = [](const char* text, const char* read) {
            QTest::newRow(text) << QString(text) << QString(read);
        };
        row("9600,N,8,1", "9600 NoParity 8 OneStop 960"); // the unit's
        row(" 2400 , e , 7 , 2 ", "2400 EvenParity 7 TwoStop 218.18");
        row("56000,o,5,1.5", "56000 OddParity 5 OneAndHalfStop 6588.2");
        row("300,M,6,1", "300 MarkParity 6 OneStop 33.333");
        row("300,S,8,2", "300 SpaceParity 8 TwoStop 25");
        row("9600,N,8", "expected rate,parity,data bits,stop bits");
        row("0,N,8,1", "invalid baud rate \"0\"");
        row("9600,X,8,1", "invalid parity \"X\"");
        row("9600,N,9,1", "invalid data bits \"9\"");
        row("9600,N,8,3", "invalid stop bits \"3\"");
    }
    void lineSettings()
    {
        QFETCH(QString, text);
        QFETCH(QString, read);
        QString why;
        const auto s = LineSettings::parse(text, &why);
        const auto key = [](auto value) {
            return QMetaEnum::fromType<decltype(value)>().valueToKey(value);
        };
        QCOMPARE(s ? QStringLiteral("%1 %2 %3 %4 %5")
                         .arg(s->baudRate)
                         .arg(key(s->parity), QString::number(s->dataBits), key(s->stopBits))
                         .arg(s->bytesPerSecond(), 0, 'g', 5)
                   : why,
                 read);
    }
    void lineEvents()
    {
        // Framing, overrun, parity and break counters that grew become their line events.
        const LineErrorCounters before{5, 6, 7, 8}, after{8, 8, 8, 9};
        QStringList shown;
        for (int code : LineErrorCounters::eventsBetween(before, after))
            shown << QString::number(code) + ' ' + LineEventText(code);
        QCOMPARE(shown, (QStringList{"1001 Break Received", "1004 Framing Error",
                                     "1006 Overrun Error", "1009 Parity Error"}));
        QVERIFY(LineErrorCounters::eventsBetween(before, before).isEmpty()); // unlike counts
    }
    void logText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("pair is not a run")
            << QByteArray("\x80\x80\x7F\x7F\x7F", 5) << QString("[80 80 7F×3]");
        QTest::newRow("brackets are hex, NUL, a blank")
            << QByteArray("a[b] \0", 6) << "a[5B]b[5D] [00]";
        QTest::newRow("runs stop at text")
            << QByteArray("QXWS\x00\x00\x00Q\xFF\xFF\xFF\xFF", 12) << QString("QXWS[00×3]Q[FF×4]");
    }
    void logText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(LineLog::renderBytes(bytes), text);
    }
    void logRing_data()
    {
        QTest::addColumn<qint64>("capacity");
        QTest::addColumn<Lines>("runs"); // sent, received, sent, ... 1 ms apart
        QTest::addColumn<QString>("text");
        const qint64 room = 2 * LineLog::RunOverhead + 8; // two runs of 4 bytes
        QTest::newRow("kept whole")
            << room << Lines{"QXBS", "QXBS"} << "     0.000 TX QXBS\n     0.001 RX QXBS\n";
        QTest::newRow("oldest run cut, marker") << room << Lines{"QXEC", "QXBS", "QXBS"}
                                                << "... 4 earlier bytes cut ...\n"
                                                   "     0.001 RX QXBS\n     0.002 TX QXBS\n";
        QTest::newRow("one run over the whole log keeps its end")
            << qint64(LineLog::RunOverhead + 3) << Lines{"QXBSQXERA"}
            << "... 6 earlier bytes cut ...\n     0.000 TX ERA\n";
        QTest::newRow("long run over several lines")
            << qint64(1 << 20) << Lines{QByteArray(40, 'x')}
            << "     0.000 TX " + QString(32, 'x') + "\n     0.000 TX xxxxxxxx\n";
    }
    void logRing()
    {
        QFETCH(qint64, capacity);
        QFETCH(Lines, runs);
        QFETCH(QString, text);
        LineLog log(capacity);
        for (int i = 0; i < runs.size(); ++i)
            log.add(i, i % 2 ? LineLog::Direction::Received : LineLog::Direction::Sent, runs[i]);
        QCOMPARE(log.text(), text);
        QVERIFY(log.heldCost() <= capacity);
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

QTEST_GUILESS_MAIN(TestSerialCore)
#include "tst_serial_core.moc"
