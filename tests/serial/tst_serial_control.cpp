#include "DeviceAccess.h"
#include "PortTable.h"
#include "PtyPair.h"
#include "RegEdit.h"
#include "SerialControl.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <grp.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <termios.h>
#include <thread>

namespace {

double cpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

QByteArray pattern(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 x = 12345;
    for (int i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        bytes[i] = char(x >> 16);
    }
    return bytes;
}

// Reads the master side on its own thread at a given pace until `expected` bytes came or the
// deadline passed.
class PacedReader
{
public:
    PacedReader(int fd, int expected, int chunk, int periodMs)
        : m_thread([=, this] { run(fd, expected, chunk, periodMs); })
    {
    }
    ~PacedReader() { join(); }
    QByteArray join()
    {
        if (m_thread.joinable())
            m_thread.join();
        return m_data;
    }

private:
    void run(int fd, int expected, int chunk, int periodMs)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        std::vector<char> buffer(chunk);
        while (m_data.size() < expected && std::chrono::steady_clock::now() < deadline) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 100) > 0 && (p.revents & POLLIN)) {
                const ssize_t n = ::read(fd, buffer.data(), chunk);
                if (n > 0)
                    m_data.append(buffer.data(), n);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(periodMs));
        }
    }
    QByteArray m_data;
    std::thread m_thread;
};

} // namespace

class TestSerialControl : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void everyByteValueBothWays();
    void commandBytes_data();
    void commandBytes();
    void largeOutputHoldsCallerAndKeepsEventsFlowing();
    void slowPeerAt960BytesPerSecond();
    void openFailures_data();
    void openFailures();
    void openWhileOpen();
    void inUseByThisProgram();
    void inUseByAnotherProgram();
    void inUseByExclusiveFd();
    void permissionTextNamesGroup();
    void closedPortOperations();
    void settings_data();
    void settings();
    void invalidProperties_data();
    void invalidProperties();
    void hangUp_data();
    void hangUp();
    void receiveThreshold();

private:
    void entry(int n, const QString& path)
    {
        m_store->SaveRegSetting("App", "Ports", QString("COM%1").arg(n), path);
    }
    bool openOn(PtyPair& pty, int n = 3);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RegEdit> m_store;
    std::unique_ptr<PortTable> m_table;
    std::unique_ptr<SerialControl> m_control;
};

void TestSerialControl::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_store = std::make_unique<RegEdit>(m_dir->filePath("registry.ini"));
    m_table = std::make_unique<PortTable>(*m_store, "App", m_dir->filePath("no-by-id"));
    m_control = std::make_unique<SerialControl>(m_table.get());
}

void TestSerialControl::cleanup()
{
    m_control.reset();
}

bool TestSerialControl::openOn(PtyPair& pty, int n)
{
    if (!pty.valid())
        return false;
    entry(n, pty.slavePath());
    m_control->setCommPort(n);
    const CommError e = m_control->setPortOpen(true);
    if (!e.ok())
        qWarning() << e.number << e.description;
    return e.ok() && m_control->PortOpen();
}

void TestSerialControl::everyByteValueBothWays()
{
    PtyPair pty;
    QVERIFY(openOn(pty));
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    QCOMPARE(m_control->Output(all).number, 0);
    QCOMPARE(m_control->waitForDrain(5000).number, 0);
    QCOMPARE(pty.read(256, 2000), all);

    QVERIFY(pty.write(all));
    QTRY_COMPARE(m_control->InBufferCount(), qint16(256));
    CommError error{-1, {}};
    QCOMPARE(m_control->Input(&error), all);
    QCOMPARE(error.number, 0);
    QCOMPARE(m_control->InBufferCount(), qint16(0));
}

void TestSerialControl::commandBytes_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("four-character command") << QByteArray("QXFS");
    QTest::newRow("write command") << QByteArray("QXWS");
    QTest::newRow("255") << QByteArray("\xFF");
    QTest::newRow("terminator run") << QByteArray(6, '\xFF');
    QTest::newRow("CR LF not added") << QByteArray("QX\r\n");
}

void TestSerialControl::commandBytes()
{
    QFETCH(QByteArray, text);
    PtyPair pty;
    QVERIFY(openOn(pty));
    QCOMPARE(m_control->Output(text).number, 0);
    QCOMPARE(m_control->waitForDrain(5000).number, 0);
    // Exactly these bytes arrive and nothing follows within half a second.
    QCOMPARE(pty.read(text.size() + 16, 500), text);
}

void TestSerialControl::largeOutputHoldsCallerAndKeepsEventsFlowing()
{
    // 300 KB read at about 100 KB/s: the pseudo-terminal's kernel buffer (about 18 KB) fills
    // early, so Output holds for roughly three seconds.
    PtyPair pty;
    QVERIFY(openOn(pty));
    QCOMPARE(m_control->setOutBufferSize(2500).number, 0);
    const QByteArray data = pattern(300 * 1024);
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, this, [&ticks] { ++ticks; });
    timer.start(25);
    PacedReader reader(pty.master(), data.size(), 1024, 10);
    const CommError sent = m_control->Output(data);
    const int ticksDuringOutput = ticks;
    QCOMPARE(sent.number, 0);
    QVERIFY(m_control->OutBufferCount() <= 2500);
    QVERIFY2(ticksDuringOutput >= 10, qPrintable(QString::number(ticksDuringOutput)));
    QCOMPARE(m_control->waitForDrain(30000).number, 0);
    QCOMPARE(m_control->OutBufferCount(), qint64(0));
    const QByteArray received = reader.join();
    QCOMPARE(received.size(), data.size());
    QVERIFY(received == data);
}

void TestSerialControl::slowPeerAt960BytesPerSecond()
{
    // 2880 bytes at 960 B/s: three seconds. (A hold at this pace would need the kernel buffer
    // full first, over 20 s; the hold itself is covered above.)
    PtyPair pty;
    QVERIFY(openOn(pty));
    const QByteArray data = pattern(2880);
    PacedReader reader(pty.master(), data.size(), 96, 100);
    for (int i = 0; i < data.size(); i += 512)
        QCOMPARE(m_control->Output(data.mid(i, 512)).number, 0);
    QCOMPARE(m_control->waitForDrain(20000).number, 0);
    QCOMPARE(reader.join(), data);
}

void TestSerialControl::openFailures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("number");
    QTest::newRow("missing device") << "missing" << int(CommError::InvalidPort);
    QTest::newRow("no table entry") << "no-entry" << int(CommError::InvalidPort);
    QTest::newRow("number 0") << "zero" << int(CommError::InvalidPort);
    QTest::newRow("number 17") << "seventeen" << int(CommError::InvalidPort);
    QTest::newRow("regular file") << "file" << int(CommError::NotSerialDevice);
    QTest::newRow("/dev/null") << "devnull" << int(CommError::NotSerialDevice);
    QTest::newRow("directory") << "dir" << int(CommError::NotSerialDevice);
}

void TestSerialControl::openFailures()
{
    QFETCH(QString, kind);
    QFETCH(int, number);
    int n = 4;
    if (kind == "missing") {
        entry(n, m_dir->filePath("ttyNothing"));
    } else if (kind == "zero") {
        n = 0;
    } else if (kind == "seventeen") {
        n = 17;
        entry(17, "/dev/null");
    } else if (kind == "file") {
        QFile file(m_dir->filePath("plain"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("untouched");
        file.close();
        entry(n, file.fileName());
    } else if (kind == "devnull") {
        entry(n, "/dev/null");
    } else if (kind == "dir") {
        entry(n, m_dir->path());
    }
    QCOMPARE(m_control->setCommPort(n).number, 0);
    const CommError e = m_control->setPortOpen(true);
    QCOMPARE(e.number, number);
    QVERIFY(!e.description.isEmpty());
    QVERIFY(!m_control->PortOpen());
    if (kind == "file") {
        QFile file(m_dir->filePath("plain"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("untouched"));
    }
}

void TestSerialControl::openWhileOpen()
{
    PtyPair pty;
    QVERIFY(openOn(pty));
    QCOMPARE(m_control->setPortOpen(true).number, int(CommError::InvalidWhileOpen));
    QCOMPARE(m_control->setCommPort(5).number, int(CommError::InvalidWhileOpen));
    QVERIFY(m_control->PortOpen());
    QCOMPARE(m_control->CommPort(), qint16(3));
    // Still usable.
    QCOMPARE(m_control->Output("QXID").number, 0);
    QCOMPARE(m_control->waitForDrain(5000).number, 0);
    QCOMPARE(pty.read(4, 1000), QByteArray("QXID"));
}

void TestSerialControl::inUseByThisProgram()
{
    PtyPair pty;
    QVERIFY(openOn(pty));
    SerialControl second(m_table.get());
    second.setCommPort(3);
    QCOMPARE(second.setPortOpen(true).number, int(CommError::PortInUse));
    QVERIFY(!second.PortOpen());
    QCOMPARE(m_control->setPortOpen(false).number, 0);
    QCOMPARE(second.setPortOpen(true).number, 0);
}

void TestSerialControl::inUseByAnotherProgram()
{
    PtyPair pty;
    QVERIFY(pty.valid());
    entry(3, pty.slavePath());
    QProcess holder;
    holder.start(PORT_HOLDER_PATH, {pty.slavePath()});
    QVERIFY(holder.waitForStarted(5000));
    QVERIFY(holder.waitForReadyRead(5000));
    QCOMPARE(holder.readAllStandardOutput().trimmed(), QByteArray("held"));
    m_control->setCommPort(3);
    const CommError e = m_control->setPortOpen(true);
    QCOMPARE(e.number, int(CommError::PortInUse));
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(5000));
    QCOMPARE(m_control->setPortOpen(true).number, 0);
}

void TestSerialControl::inUseByExclusiveFd()
{
    if (::geteuid() == 0)
        QSKIP("exclusive terminal mode does not bind the superuser");
    PtyPair pty;
    QVERIFY(pty.valid());
    const int fd = ::open(QFile::encodeName(pty.slavePath()).constData(), O_RDWR | O_NOCTTY);
    QVERIFY(fd >= 0);
    QCOMPARE(::ioctl(fd, TIOCEXCL), 0);
    entry(3, pty.slavePath());
    m_control->setCommPort(3);
    QCOMPARE(m_control->setPortOpen(true).number, int(CommError::PortInUse));
    ::close(fd);
}

void TestSerialControl::permissionTextNamesGroup()
{
    QFile file(m_dir->filePath("ttyFake"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const group* g = ::getgrnam("dialout");
    if (!g)
        g = ::getgrgid(::getegid());
    QVERIFY(g);
    const QString name = QString::fromLocal8Bit(g->gr_name);
    if (::chown(QFile::encodeName(file.fileName()).constData(), -1, g->gr_gid) != 0)
        QSKIP("cannot give the file the group");
    const QString text = DeviceAccess::permissionText(file.fileName());
    QVERIFY2(text.contains("\"" + name + "\""), qPrintable(text));
    QVERIFY2(text.contains("sudo usermod -aG " + name + " $USER"), qPrintable(text));
    QVERIFY(text.contains(file.fileName()));
    QVERIFY(text.contains("log in again"));
}

void TestSerialControl::closedPortOperations()
{
    CommError error;
    QCOMPARE(m_control->Output("QXID").number, int(CommError::NotOpen));
    QCOMPARE(m_control->Input(&error), QByteArray());
    QCOMPARE(error.number, int(CommError::NotOpen));
    QCOMPARE(m_control->waitForDrain(100).number, int(CommError::NotOpen));
    QCOMPARE(m_control->InBufferCount(), qint16(0));
    QCOMPARE(m_control->setPortOpen(false).number, 0); // closing a closed port is harmless
}

void TestSerialControl::settings_data()
{
    // Pseudo-terminals keep the rate but ignore the character format bits, so only the rate is
    // read back here; the format text itself is covered by the parser's table.
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("whileOpen");
    QTest::addColumn<int>("speed");
    QTest::newRow("open 9600") << "9600,N,8,1" << true << int(B9600);
    QTest::newRow("open 4800") << "4800,N,8,1" << true << int(B4800);
    QTest::newRow("open 1200 odd") << "1200,O,8,1" << true << int(B1200);
    QTest::newRow("open 115200 lower case") << "115200,n,8,1" << true << int(B115200);
    QTest::newRow("closed 2400, applied at open") << "2400,N,8,1" << false << int(B2400);
    QTest::newRow("closed 19200, applied at open") << "19200,N,8,1" << false << int(B19200);
}

void TestSerialControl::settings()
{
    QFETCH(QString, text);
    QFETCH(bool, whileOpen);
    QFETCH(int, speed);
    PtyPair pty;
    QVERIFY(pty.valid());
    if (!whileOpen)
        QCOMPARE(m_control->setSettings(text).number, 0);
    QVERIFY(openOn(pty));
    if (whileOpen)
        QCOMPARE(m_control->setSettings(text).number, 0);
    QCOMPARE(m_control->Settings(), text);
    // Read the rate back from the terminal itself.
    const int fd =
        ::open(QFile::encodeName(pty.slavePath()).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        QSKIP("the terminal cannot be opened a second time here");
    termios t{};
    QCOMPARE(::tcgetattr(fd, &t), 0);
    ::close(fd);
    QCOMPARE(int(::cfgetospeed(&t)), speed);
}

void TestSerialControl::invalidProperties_data()
{
    QTest::addColumn<QString>("property");
    QTest::addColumn<int>("value");
    QTest::newRow("Handshaking -1") << "Handshaking" << -1;
    QTest::newRow("Handshaking 3") << "Handshaking" << 3;
    QTest::newRow("InputMode 2") << "InputMode" << 2;
    QTest::newRow("InputLen -1") << "InputLen" << -1;
    QTest::newRow("OutBufferSize 0") << "OutBufferSize" << 0;
    QTest::newRow("RThreshold -5") << "RThreshold" << -5;
    QTest::newRow("Settings text") << "Settings" << 0;
}

void TestSerialControl::invalidProperties()
{
    QFETCH(QString, property);
    QFETCH(int, value);
    PtyPair pty;
    QVERIFY(openOn(pty));
    CommError e;
    const auto v = qint16(value);
    if (property == "Handshaking") {
        e = m_control->setHandshaking(value);
        QCOMPARE(m_control->Handshaking(), 0);
    } else if (property == "InputMode") {
        e = m_control->setInputMode(value);
        QCOMPARE(m_control->InputMode(), 0);
    } else if (property == "InputLen") {
        e = m_control->setInputLen(v);
        QCOMPARE(m_control->InputLen(), qint16(0));
    } else if (property == "OutBufferSize") {
        const qint16 before = m_control->OutBufferSize();
        e = m_control->setOutBufferSize(v);
        QCOMPARE(m_control->OutBufferSize(), before);
    } else if (property == "RThreshold") {
        e = m_control->setRThreshold(v);
        QCOMPARE(m_control->RThreshold(), qint16(0));
    } else {
        e = m_control->setSettings("9600;N;8;1");
        QCOMPARE(m_control->Settings(), QString("9600,N,8,1"));
    }
    QCOMPARE(e.number, int(CommError::InvalidValue));
    QVERIFY(!e.description.isEmpty());
    QVERIFY(m_control->PortOpen());
}

void TestSerialControl::hangUp_data()
{
    QTest::addColumn<bool>("writing");
    QTest::newRow("idle") << false;
    QTest::newRow("mid-write") << true;
}

void TestSerialControl::hangUp()
{
    QFETCH(bool, writing);
    auto pty = std::make_unique<PtyPair>();
    QVERIFY(openOn(*pty));
    QList<CommError> lost;
    connect(m_control.get(), &SerialControl::portLost, this,
            [&lost](const CommError& e) { lost << e; });
    QTimer::singleShot(300, this, [&pty] { pty->closeMaster(); });
    if (writing) {
        // Nobody reads: the kernel buffer fills and Output holds until the peer goes away.
        const CommError e = m_control->Output(pattern(200 * 1024));
        QCOMPARE(e.number, int(CommError::PortLost));
        QVERIFY(!e.description.isEmpty());
    }
    QTRY_COMPARE(lost.size(), 1);
    QVERIFY(!m_control->PortOpen());
    // Nothing spins once the port is gone.
    const double cpuBefore = cpuSeconds();
    QTest::qWait(1000);
    const double cpuUsed = cpuSeconds() - cpuBefore;
    QVERIFY2(cpuUsed < 0.3, qPrintable(QString::number(cpuUsed)));
    QCOMPARE(lost.size(), 1);
    QVERIFY(lost[0].number == CommError::PortLost || lost[0].number == CommError::ReadFailed ||
            lost[0].number == CommError::WriteFailed);
    // A new terminal on the same number opens again.
    PtyPair next;
    QVERIFY(openOn(next));
    QCOMPARE(m_control->Output("QXID").number, 0);
    QCOMPARE(m_control->waitForDrain(5000).number, 0);
    QCOMPARE(next.read(4, 1000), QByteArray("QXID"));
}

void TestSerialControl::receiveThreshold()
{
    PtyPair pty;
    QVERIFY(openOn(pty));
    QCOMPARE(m_control->setRThreshold(11).number, 0);
    QCOMPARE(m_control->setInputLen(4).number, 0);
    QList<qint16> events;
    connect(m_control.get(), &SerialControl::OnComm, this,
            [&events, this] { events << m_control->CommEvent(); });
    QVERIFY(pty.write("0123456789"));
    QTRY_COMPARE(m_control->InBufferCount(), qint16(10));
    QTest::qWait(100);
    QCOMPARE(events.size(), 0);
    QVERIFY(pty.write("A"));
    QTRY_COMPARE(events.size(), 1);
    QCOMPARE(events[0], qint16(SerialControl::EvReceive));
    QCOMPARE(m_control->Input(), QByteArray("0123"));
    QCOMPARE(m_control->InBufferCount(), qint16(7));
    QCOMPARE(m_control->Input(), QByteArray("4567"));
    QCOMPARE(m_control->Input(), QByteArray("89A"));
    QCOMPARE(m_control->Input(), QByteArray());
    // RThreshold 0: no receive events at all.
    QCOMPARE(m_control->setRThreshold(0).number, 0);
    QVERIFY(pty.write(QByteArray(20, 'x')));
    QTRY_COMPARE(m_control->InBufferCount(), qint16(20));
    QTest::qWait(100);
    QCOMPARE(events.size(), 1);
}

QTEST_GUILESS_MAIN(TestSerialControl)
#include "tst_serial_control.moc"
