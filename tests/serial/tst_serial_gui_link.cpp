// The serial link of the main window over real pseudo-terminals: SendCom byte for byte and into
// a slow peer, StartCom and its error line, DTR and RTS at each close, a peer that hangs up.
#include "serial/CommError.h"
#include "tests/serial/SerialWindow.h"

#include <QFile>
#include <QProcess>
#include <QTimer>
#include <QtTest>

#include <ctime>
#include <sys/stat.h>
#include <utility>

// A ramp of prime period, so a dropped or repeated block of any usual size shows.
static QByteArray pattern(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i % 251);
    return bytes;
}

class TestSerialGuiLink : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        m_holder.closeWriteChannel();
        m_holder.waitForFinished(5000);
    }
    void sendBytes_data();
    void sendBytes();
    void sendToSlowPeer_data();
    void sendToSlowPeer();
    void startComFailures_data();
    void startComFailures();
    void linesDroppedBeforeEveryClose();
    void peerHangsUpMidWrite();

private:
    // Prepares the failure of `kind` on COM n; returns false when it cannot be produced here.
    bool prepareFailure(SerialWindow& w, const QString& kind, int n);
    QProcess m_holder; // another program that holds a device
};

void TestSerialGuiLink::sendBytes_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("every byte value in order") << PtyPair::allByteValues();
    QTest::newRow("four-character command") << QByteArray("QXBS");
}

void TestSerialGuiLink::sendBytes()
{
    QFETCH(QByteArray, text);
    SerialWindow w;
    PtyPair& pty = w.openPty(2);
    QVERIFY(w.send(text));
    QCOMPARE(pty.read(text.size() + 16, 300), text); // exactly these bytes, nothing after them
    QCOMPARE(w.linkColour(), SerialWindow::Green);
}

void TestSerialGuiLink::sendToSlowPeer_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("block");  // bytes per SendCom
    QTest::addColumn<int>("chunk");  // bytes the peer reads ...
    QTest::addColumn<int>("period"); // ... every this many ms
    QTest::addColumn<bool>("holds");
    // 300 KB is far more than the terminal's buffer and the 2500-byte transmit buffer hold: at
    // 100 KB/s SendCom holds its caller for about three seconds. At the pace of a 9600-baud line
    // (960 bytes per second) the download's 512-byte blocks are fed for three seconds; 300 KB at
    // that pace would take over five minutes.
    QTest::newRow("300 KB at 100 KB/s") << 300 * 1024 << 300 * 1024 << 1024 << 10 << true;
    QTest::newRow("9600-baud pace") << 2880 << 512 << 96 << 100 << false;
}

void TestSerialGuiLink::sendToSlowPeer()
{
    QFETCH(int, size);
    QFETCH(int, block);
    QFETCH(int, chunk);
    QFETCH(int, period);
    QFETCH(bool, holds);
    SerialWindow w;
    PtyPair& pty = w.openPty(4);
    const QByteArray data = pattern(size);
    int ticks = 0;
    QObject::connect(w.c().tmr_Delay, &QTimer::timeout, w.c().txtCom, [&ticks] { ++ticks; });
    QByteArray received;
    QTimer peer; // reads only while the window processes events, as SendCom must while it holds
    QObject::connect(&peer, &QTimer::timeout, w.c().txtCom,
                     [&] { received += pty.read(chunk, 0); });
    peer.start(period);
    for (int i = 0; i < size; i += block)
        w.ctl().SendCom(data.mid(i, block));
    if (holds) // the window's timers kept ticking while SendCom held
        QVERIFY2(ticks >= 20, qPrintable(QString::number(ticks)));
    QVERIFY(w.ctl().MSComm1().OutBufferCount() <= 2500);
    QVERIFY(w.ctl().DrainOutput(30000));
    QTRY_COMPARE_WITH_TIMEOUT(received.size(), data.size(), 30000);
    QCOMPARE(received, data);
    QVERIFY(w.errorLines.isEmpty());
}

void TestSerialGuiLink::startComFailures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("shown"); // the whole text, or the head before the description
    QTest::newRow("missing device")
        << "missing" << int(CommError::InvalidPort) << SerialWindow::missingText(7);
    QTest::newRow("held by another program")
        << "held" << int(CommError::PortInUse)
        << "Port in use by another process - Com-7 is not available. StartCom 02";
    // "Error # ", the number after one blank, the procedure, CR (shown as a line break), the
    // description, the step label.
    for (const auto& [kind, number] : {std::pair{"file", int(CommError::NotSerialDevice)},
                                       std::pair{"permission", int(CommError::PermissionDenied)}})
        QTest::newRow(kind) << kind << number
                            << QStringLiteral("Error #  %1: In DetermineValidPorts\n").arg(number);
}

bool TestSerialGuiLink::prepareFailure(SerialWindow& w, const QString& kind, int n)
{
    if (kind == "missing" || kind == "file") {
        QFile file(w.f.dir.filePath("plain"));
        w.attach(n, kind == "file" ? file.fileName() : w.f.dir.filePath("ttyGone"));
        return kind == "missing" || file.open(QIODevice::WriteOnly);
    }
    if (kind == "held") {
        m_holder.start(PORT_HOLDER_PATH, {w.attachPty(n).slavePath()});
        return m_holder.waitForStarted(5000) && m_holder.waitForReadyRead(5000) &&
               m_holder.readAllStandardOutput().trimmed() == "held";
    }
    // the superuser opens any device
    return ::geteuid() != 0 &&
           ::chmod(QFile::encodeName(w.attachPty(n).slavePath()).constData(), 0) == 0;
}

void TestSerialGuiLink::startComFailures()
{
    QFETCH(QString, kind);
    QFETCH(int, number);
    SerialWindow w;
    w.create();
    if (!prepareFailure(w, kind, 7))
        QSKIP("this failure cannot be produced here");
    QFETCH(QString, shown);
    w.c().mnuCOMsel[1]->setChecked(true);
    w.use(7);
    QVERIFY(!w.portOpen());
    QCOMPARE(w.linkColour(), SerialWindow::Red);
    QCOMPARE(w.ctl().LastStartComError(), number);
    QVERIFY(w.checkedItems().isEmpty());
    QCOMPARE(w.errorLines.size(), 1);
    const QString line = w.errorLines.first();
    const bool described = shown.startsWith("Error") && line.startsWith(shown) &&
                           line.endsWith(" StartCom 02") && line.size() > shown.size() + 12;
    QVERIFY2(line == shown || described, qPrintable(line));
    if (kind == "permission")
        QVERIFY2(line.contains("usermod -aG"), qPrintable(line));
    // On screen one line, from its start; the whole text stays with the box after it empties.
    QCOMPARE(w.errorText(), QString(line).replace('\n', QStringLiteral(" | ")));
    QCOMPARE(w.c().txtErr->textCursor().position(), 0);
    w.c().txtErr->clear();
    QCOMPARE(w.statusLine()->WholeText(), line);
    QVERIFY(w.c().txtErr->toolTip().contains(line.section('\n', -1).toHtmlEscaped()));
    QCOMPARE(w.f.state.ErrorTicks, 200);
    // The same failure again, through StartCom and through SendCom: only red, nothing shown.
    for (const bool viaSend : {false, true}) {
        w.c().txtCom->setPalette(QPalette());
        if (viaSend)
            w.ctl().SendCom("QXBS");
        else
            w.ctl().StartCom();
        QCOMPARE(w.linkColour(), SerialWindow::Red);
    }
    QCOMPARE(w.errorLines.size(), 1);
    // A failure with another number is news: shown too.
    const bool wasMissing = number == CommError::InvalidPort;
    w.attach(8, wasMissing ? QString("/dev/null") : w.f.dir.filePath("ttyGone"));
    w.use(8);
    QCOMPARE(w.errorLines.size(), 2);
    QVERIFY(wasMissing ? w.errorLines[1].startsWith("Error #  8006: In DetermineValidPorts\n")
                       : w.errorLines[1] == SerialWindow::missingText(8));
    // Port 8 works again: the check mark returns to the item of the port in use.
    w.attachPty(8);
    w.ctl().DetermineValidPorts();
    QVERIFY(w.portOpen());
    QCOMPARE(w.visibleItems().value(w.checkedItems().value(0) - 1), "COM8| 8");
    QCOMPARE(w.checkedItems().size(), 1);
}

void TestSerialGuiLink::linesDroppedBeforeEveryClose()
{
    SerialWindow w;
    w.openPty(5);
    w.actions.clear();
    w.ctl().StartCom();
    // DTR and RTS dropped, then the port closed, before it is opened again once.
    using A = SerialControl::LineAction;
    QCOMPARE(w.actions.mid(0, 3), QList<A>({A::DtrOff, A::RtsOff, A::Closed}));
    QVERIFY(w.actions.count(A::Opened) == 1 && w.actions.indexOf(A::Opened) > 2);
    QVERIFY(w.portOpen());
    QVERIFY(w.ctl().MSComm1().DTREnable() && w.ctl().MSComm1().RTSEnable());
    QCOMPARE(w.linkColour(), SerialWindow::Cyan);
    // At exit the same: DTR and RTS dropped, then the port closed.
    w.actions.clear();
    QVERIFY(w.f.window->close());
    QVERIFY(!w.portOpen());
    QCOMPARE(w.actions, QList<A>({A::DtrOff, A::RtsOff, A::Closed}));
}

void TestSerialGuiLink::peerHangsUpMidWrite()
{
    SerialWindow w;
    w.openPty(2);
    // Nobody reads: the send holds until the peer goes away.
    QTimer::singleShot(300, w.c().txtCom, [&w] { w.ptys.front()->closeMaster(); });
    w.ctl().SendCom(pattern(200 * 1024));
    QTRY_VERIFY(!w.portOpen());
    QTest::qWait(200); // let the control's own report of the loss arrive too
    QCOMPARE(w.errorLines.size(), 1);
    QVERIFY(w.errorLines[0].endsWith(" Mscomm1_OnComm"));
    QCOMPARE(w.linkColour(), SerialWindow::Red);
    // Nothing spins once the port is gone, and nothing more is reported.
    const std::clock_t before = std::clock(); // processor time of the whole program
    QTest::qWait(1000);
    const double used = double(std::clock() - before) / CLOCKS_PER_SEC;
    QVERIFY2(used < 0.3, qPrintable(QString::number(used)));
    QCOMPARE(w.errorLines.size(), 1);
    // A new terminal under the same number: the next SendCom opens it and writes.
    PtyPair& next = w.attachPty(2);
    QVERIFY(w.send("QXBS"));
    QVERIFY(w.portOpen());
    QCOMPARE(next.read(16, 300), QByteArray("QXBS"));
    QCOMPARE(w.linkColour(), SerialWindow::Green);
}

QTEST_MAIN(TestSerialGuiLink)
#include "tst_serial_gui_link.moc"
