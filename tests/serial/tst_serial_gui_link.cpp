// The serial link of the main window over real pseudo-terminals: StartCom and its error line,
// SendCom byte for byte, a send that holds its caller, a peer that hangs up, and shutdown.
#include "CommError.h"
#include "SerialWindow.h"

#include <QFile>
#include <QProcess>
#include <QTimer>
#include <QtTest>

#include <chrono>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

double cpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Bytes that are not a simple ramp, so a dropped or repeated block shows.
QByteArray pattern(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 x = 2463534242u;
    for (int i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        bytes[i] = char(x);
    }
    return bytes;
}

// Reads the master side on its own thread, `chunk` bytes per `periodMs`, until `expected`
// bytes came or 40 s passed.
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
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(40);
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

const QColor Red(255, 0, 0);
const QColor Cyan(0, 255, 255);
const QColor Green(0, 255, 0);

QString missingText(int n)
{
    return QStringLiteral("Invalid Port Number - Com-%1 can't be used as a device interface. "
                          "StartCom 02")
        .arg(n);
}

QString inUseText(int n)
{
    return QStringLiteral("Port in use by another process - Com-%1 is not available. StartCom 02")
        .arg(n);
}

} // namespace

class TestSerialGuiLink : public QObject
{
    Q_OBJECT
private slots:
    void everyByteValueInOrder();
    void commandBytes_data();
    void commandBytes();
    void largeSendHoldsWhileTimersTick();
    void downloadPaceOf9600Baud();
    void startComFailures_data();
    void startComFailures();
    void differentFailuresBothShown();
    void failureAfterWorkingLinkIsShownAgain();
    void startComOnOpenPort();
    void noPortChosen();
    void sendComOpensClosedPort();
    void peerHangsUpMidWrite();
    void shutdown_data();
    void shutdown();

private:
    // Prepares the failure of `kind` on COM n; returns false when it cannot be set up here.
    bool prepareFailure(SerialWindow& w, const QString& kind, int n, QProcess& holder,
                        std::unique_ptr<SerialControl>& second);
};

void TestSerialGuiLink::everyByteValueInOrder()
{
    SerialWindow w;
    PtyPair& pty = w.attachPty(2);
    w.create();
    w.use(2);
    QVERIFY(w.portOpen());
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    w.ctl().SendCom(all);
    QVERIFY(w.ctl().DrainOutput(5000));
    QCOMPARE(pty.read(512, 1000), all);
    QCOMPARE(w.linkColour(), Green);
}

void TestSerialGuiLink::commandBytes_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("blank check") << QByteArray("QXBS");
    QTest::newRow("erase") << QByteArray("QXEP");
    QTest::newRow("write command") << QByteArray("QXWC");
    QTest::newRow("byte 255") << QByteArray("\xFF");
    QTest::newRow("terminator") << QByteArray(6, '\xFF');
    QTest::newRow("ID query") << QByteArray("\xFF\xFF\xFF\xFF\xFF\xFF\r\n");
    QTest::newRow("NUL bytes") << QByteArray("\0QX\0", 4);
}

void TestSerialGuiLink::commandBytes()
{
    QFETCH(QByteArray, text);
    SerialWindow w;
    PtyPair& pty = w.attachPty(1);
    w.create();
    w.use(1);
    w.ctl().SendCom(text);
    QVERIFY(w.ctl().DrainOutput(5000));
    // Exactly these bytes and nothing after them.
    QCOMPARE(pty.read(text.size() + 16, 300), text);
}

void TestSerialGuiLink::largeSendHoldsWhileTimersTick()
{
    // 300 KB read at about 100 KB/s: far more than the terminal's buffer and the 2500-byte
    // transmit buffer hold, so SendCom holds its caller for about three seconds.
    SerialWindow w;
    PtyPair& pty = w.attachPty(4);
    w.create();
    w.use(4);
    const QByteArray data = pattern(300 * 1024);
    int ticks = 0;
    QObject::connect(w.c().tmr_Delay, &QTimer::timeout, w.c().txtCom, [&ticks] { ++ticks; });
    PacedReader reader(pty.master(), data.size(), 1024, 10);
    w.ctl().SendCom(data);
    const int ticksDuringSend = ticks;
    QVERIFY(w.ctl().MSComm1().OutBufferCount() <= 2500);
    QVERIFY2(ticksDuringSend >= 20, qPrintable(QString::number(ticksDuringSend)));
    QVERIFY(w.ctl().DrainOutput(30000));
    const QByteArray received = reader.join();
    QCOMPARE(received.size(), data.size());
    QVERIFY(received == data);
    QVERIFY(w.errorLines.isEmpty());
}

void TestSerialGuiLink::downloadPaceOf9600Baud()
{
    // A peer that takes 96 bytes every 100 ms (960 bytes per second, a 9600-baud line), fed in
    // 512-byte blocks as a download does: every byte arrives once and in order.
    SerialWindow w;
    PtyPair& pty = w.attachPty(1);
    w.create();
    w.use(1);
    const QByteArray data = pattern(2880);
    PacedReader reader(pty.master(), data.size(), 96, 100);
    for (int i = 0; i < data.size(); i += 512)
        w.ctl().SendCom(data.mid(i, 512));
    QVERIFY(w.ctl().DrainOutput(20000));
    QCOMPARE(reader.join(), data);
}

void TestSerialGuiLink::startComFailures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("number");
    QTest::newRow("missing device") << "missing" << int(CommError::InvalidPort);
    QTest::newRow("no table entry") << "no-entry" << int(CommError::InvalidPort);
    QTest::newRow("held by this program") << "held-here" << int(CommError::PortInUse);
    QTest::newRow("held by another program") << "held-elsewhere" << int(CommError::PortInUse);
    QTest::newRow("regular file") << "file" << int(CommError::NotSerialDevice);
    QTest::newRow("/dev/null") << "devnull" << int(CommError::NotSerialDevice);
    QTest::newRow("directory") << "dir" << int(CommError::NotSerialDevice);
    QTest::newRow("no permission") << "permission" << int(CommError::PermissionDenied);
}

bool TestSerialGuiLink::prepareFailure(SerialWindow& w, const QString& kind, int n,
                                       QProcess& holder, std::unique_ptr<SerialControl>& second)
{
    const QString dir = w.f.dir.path();
    if (kind == "missing") {
        w.attach(n, dir + "/ttyGone");
    } else if (kind == "held-here") {
        w.attachPty(n);
        second = std::make_unique<SerialControl>(&w.ctl().Ports());
        second->setCommPort(static_cast<qint16>(n));
        return second->setPortOpen(true).ok();
    } else if (kind == "held-elsewhere") {
        PtyPair& pty = w.attachPty(n);
        holder.start(PORT_HOLDER_PATH, {pty.slavePath()});
        return holder.waitForStarted(5000) && holder.waitForReadyRead(5000) &&
               holder.readAllStandardOutput().trimmed() == "held";
    } else if (kind == "file") {
        QFile file(dir + "/plain");
        if (!file.open(QIODevice::WriteOnly))
            return false;
        w.attach(n, file.fileName());
    } else if (kind == "devnull") {
        w.attach(n, "/dev/null");
    } else if (kind == "dir") {
        w.attach(n, dir);
    } else if (kind == "permission") {
        if (::geteuid() == 0)
            return false; // the superuser opens any device
        PtyPair& pty = w.attachPty(n);
        return ::chmod(QFile::encodeName(pty.slavePath()).constData(), 0) == 0;
    }
    return true;
}

void TestSerialGuiLink::startComFailures()
{
    QFETCH(QString, kind);
    QFETCH(int, number);
    const int n = 7;
    SerialWindow w;
    QProcess holder;
    std::unique_ptr<SerialControl> second;
    w.create();
    if (!prepareFailure(w, kind, n, holder, second))
        QSKIP("this failure cannot be produced here");
    w.c().mnuCOMsel[1]->setChecked(true);
    w.use(n);
    QVERIFY(!w.portOpen());
    QCOMPARE(w.linkColour(), Red);
    QCOMPARE(w.ctl().LastStartComError(), number);
    QVERIFY(w.checkedItems().isEmpty());
    QCOMPARE(w.errorLines.size(), 1);
    const QString shown = w.errorLines.first();
    if (number == CommError::InvalidPort) {
        QCOMPARE(shown, missingText(n));
    } else if (number == CommError::PortInUse) {
        QCOMPARE(shown, inUseText(n));
    } else {
        // "Error # ", the number after one blank, the procedure text, CR, the description.
        // The box shows the CR as a line break.
        const QString head =
            QStringLiteral("Error #  %1: In DetermineValidPorts\r").arg(number).replace('\r', '\n');
        QVERIFY2(shown.startsWith(head), qPrintable(shown));
        QVERIFY2(shown.size() > head.size() + QStringLiteral(" StartCom 02").size(),
                 qPrintable(shown));
        QVERIFY(shown.endsWith(" StartCom 02"));
        if (kind == "permission")
            QVERIFY2(shown.contains("usermod -aG"), qPrintable(shown));
    }
    QCOMPARE(w.f.state.ErrorTicks, 200);
    // The same failure again, through StartCom and through SendCom: only red, nothing shown.
    w.c().txtCom->setPalette(QPalette());
    w.ctl().StartCom();
    QCOMPARE(w.linkColour(), Red);
    w.c().txtCom->setPalette(QPalette());
    w.ctl().SendCom("QXBS");
    QCOMPARE(w.linkColour(), Red);
    QCOMPARE(w.errorLines.size(), 1);
    if (holder.state() != QProcess::NotRunning) {
        holder.closeWriteChannel();
        holder.waitForFinished(5000);
    }
}

void TestSerialGuiLink::differentFailuresBothShown()
{
    SerialWindow w;
    w.create();
    w.attach(7, w.f.dir.filePath("ttyGone"));
    w.attach(8, "/dev/null");
    w.attach(9, w.f.dir.filePath("ttyAlsoGone"));
    w.use(7);
    w.use(8);
    w.use(9);
    QCOMPARE(w.errorLines.size(), 3);
    QCOMPARE(w.errorLines[0], missingText(7));
    QVERIFY(w.errorLines[1].startsWith("Error #  8006: In DetermineValidPorts\n")); // CR shown
    QCOMPARE(w.errorLines[2], missingText(9));
}

void TestSerialGuiLink::failureAfterWorkingLinkIsShownAgain()
{
    // A port that worked and then went missing is news again; the technician is told.
    SerialWindow w;
    w.create();
    w.attach(7, w.f.dir.filePath("ttyGone"));
    w.attachPty(3);
    w.use(7);
    w.use(3);
    QCOMPARE(w.linkColour(), Cyan);
    QCOMPARE(w.ctl().LastStartComError(), 0);
    w.use(7);
    QCOMPARE(w.errorLines, QStringList({missingText(7), missingText(7)}));
}

void TestSerialGuiLink::startComOnOpenPort()
{
    SerialWindow w;
    PtyPair& pty = w.attachPty(5);
    w.create();
    w.use(5);
    QVERIFY(w.portOpen());
    w.actions.clear();
    w.ctl().StartCom();
    // DTR and RTS dropped, then the port closed, before it is opened again.
    using A = SerialControl::LineAction;
    QVERIFY(w.actions.size() > 3);
    QCOMPARE(w.actions.mid(0, 3), QList<A>({A::DtrOff, A::RtsOff, A::Closed}));
    QCOMPARE(w.actions.count(A::Opened), 1);
    QVERIFY(w.actions.indexOf(A::Opened) > 2);
    QVERIFY(w.portOpen());
    QVERIFY(w.ctl().MSComm1().DTREnable());
    QVERIFY(w.ctl().MSComm1().RTSEnable());
    QCOMPARE(w.ctl().MSComm1().Settings(), QString("9600,N,8,1"));
    QCOMPARE(w.linkColour(), Cyan);
    QVERIFY(w.c().tmrComInit->isActive());
    w.ctl().SendCom("QXID");
    QVERIFY(w.ctl().DrainOutput(5000));
    QCOMPARE(pty.read(16, 300), QByteArray("QXID"));
}

void TestSerialGuiLink::noPortChosen()
{
    SerialWindow w;
    w.attachPty(1);
    w.create();
    QCOMPARE(w.f.state.ComPortNum, qint16(0));
    const QColor before = w.linkColour();
    w.ctl().StartCom();
    w.ctl().SendCom("QXBS");
    QVERIFY(!w.portOpen());
    QCOMPARE(w.linkColour(), before);
    QVERIFY(w.actions.count(SerialControl::Opened) == 1); // the probe's test of COM1 only
    QVERIFY(w.errorLines.isEmpty());
}

void TestSerialGuiLink::sendComOpensClosedPort()
{
    SerialWindow w;
    PtyPair& pty = w.attachPty(6);
    w.create();
    w.f.state.ComPortNum = 6;
    QVERIFY(!w.portOpen());
    w.ctl().SendCom("QXBC");
    QVERIFY(w.portOpen());
    QCOMPARE(w.linkColour(), Green);
    QVERIFY(w.ctl().DrainOutput(5000));
    QCOMPARE(pty.read(16, 300), QByteArray("QXBC"));
}

void TestSerialGuiLink::peerHangsUpMidWrite()
{
    SerialWindow w;
    w.attachPty(2);
    w.create();
    w.use(2);
    QVERIFY(w.portOpen());
    // Nobody reads: the send holds until the peer goes away.
    QTimer::singleShot(300, w.c().txtCom, [&w] { w.ptys.front()->closeMaster(); });
    w.ctl().SendCom(pattern(200 * 1024));
    QTRY_VERIFY(!w.portOpen());
    QTest::qWait(200); // let the control's own report of the loss arrive too
    QCOMPARE(w.errorLines.size(), 1);
    QVERIFY(w.errorLines[0].endsWith(" Mscomm1_OnComm"));
    QCOMPARE(w.linkColour(), Red);
    // Nothing spins once the port is gone.
    const double before = cpuSeconds();
    QTest::qWait(1000);
    const double used = cpuSeconds() - before;
    QVERIFY2(used < 0.3, qPrintable(QString::number(used)));
    QCOMPARE(w.errorLines.size(), 1);
    // A new terminal under the same number: the next SendCom opens it and writes.
    PtyPair& next = w.attachPty(2);
    w.ctl().SendCom("QXBS");
    QVERIFY(w.portOpen());
    QVERIFY(w.ctl().DrainOutput(5000));
    QCOMPARE(next.read(16, 300), QByteArray("QXBS"));
    QCOMPARE(w.linkColour(), Green);
}

void TestSerialGuiLink::shutdown_data()
{
    QTest::addColumn<bool>("open");
    QTest::newRow("port open") << true;
    QTest::newRow("port closed") << false;
}

void TestSerialGuiLink::shutdown()
{
    QFETCH(bool, open);
    SerialWindow w;
    w.attachPty(1);
    w.create();
    if (open)
        w.use(1);
    QCOMPARE(w.portOpen(), open);
    w.actions.clear();
    QVERIFY(w.f.window->close());
    QVERIFY(!w.portOpen());
    using A = SerialControl::LineAction;
    const QList<A> expected =
        open ? QList<A>({A::DtrOff, A::RtsOff, A::Closed}) : QList<A>(); // closed: lines untouched
    QCOMPARE(w.actions, expected);
}

QTEST_MAIN(TestSerialGuiLink)
#include "tst_serial_gui_link.moc"
