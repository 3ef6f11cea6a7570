// The serial controller over real pseudo-terminals, without a main window: SendCom byte for byte
// and into a slow peer, StartCom and its error line, DTR and RTS before a reopen, a peer that
// hangs up, the port probe and the COM menu, the saved choice of port, and the unit's replies.
#include "serial/CommError.h"
#include "tests/serial/SerialRig.h"

#include <QFile>
#include <QProcess>
#include <QtTest>

namespace {

// A ramp of prime period, so a dropped or repeated block of any usual size shows.
QByteArray pattern(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i % 251);
    return bytes;
}

// "2-4 6": 2, 3, 4, 6.
QList<int> numbers(const QString& ranges)
{
    QList<int> list;
    for (const QString& range : ranges.split(' ', Qt::SkipEmptyParts)) {
        for (int n = range.section('-', 0, 0).toInt(); n <= range.section('-', -1).toInt(); ++n)
            list << n;
    }
    return list;
}

QString missingText(int n)
{
    return QStringLiteral("Invalid Port Number - Com-%1 can't be used as a device interface. "
                          "StartCom 02")
        .arg(n);
}

struct Scenario
{
    QString ports;  // "2-4:pty 5:null": COM2 to COM4 pseudo-terminals, COM5 /dev/null
    int use;        // the port in use, 0 for none
    QString listed; // the ports the COM menu lists, in order, as "2-4 6"
    QString shown;  // the error line, or its head up to the description; empty for none
    int number;     // LastStartComError
};

} // namespace

Q_DECLARE_METATYPE(Scenario)

class TestSerialLink : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        m_holder.kill();
        m_holder.waitForFinished(5000);
    }
    void probeAndStart_data()
    {
        QTest::addColumn<Scenario>("s");
        const auto row = [](const char* name, const Scenario& s) { QTest::newRow(name) << s; };
        row("11 ports, none in use", {"1-11:pty", 0, "1-11", "", 0});
        row("the lowest twelve that open, three that do not between them",
            {"1:null 2-4:pty 5:file 6-13:pty 14:gone 15-16:pty", 0, "2-4 6-13 15", "", 0});
        row("the port in use listed and checked", {"1:pty 3:pty 5:pty", 3, "1 3 5", "", 0});
        row("the port in use missing", {"1:pty", 5, "1", missingText(5), CommError::InvalidPort});
        row("the port in use held by another program",
            {"7:held", 7, "",
             "Port in use by another process - Com-7 is not available. StartCom 02",
             CommError::PortInUse});
        // "Error # ", the number after one blank, the procedure, CR (shown as a line break), the
        // description, the step label.
        row("the port in use is no terminal",
            {"7:null", 7, "", "Error #  8006: In DetermineValidPorts\n",
             CommError::NotSerialDevice});
    }
    // The probe lists, as caption "COM<n>" and tag " <n>", the lowest twelve ports that open (each
    // opened once to test it, none above the twelfth tried) and hides the other items; then the
    // port in use is opened and checked, or its failure shown.
    void probeAndStart()
    {
        QFETCH(Scenario, s);
        SerialRig r;
        attach(r, s.ports);
        r.state.ComPortNum = qint16(s.use);
        r.ctl->DetermineValidPorts();
        QStringList items;
        for (int n : numbers(s.listed))
            items << QStringLiteral("COM%1| %1").arg(n);
        QCOMPARE(SerialRig::visibleItems(r.c), items);
        const bool open = s.use != 0 && s.shown.isEmpty();
        QCOMPARE(r.portOpen(), open);
        QCOMPARE(r.actions.count(SerialControl::Opened), items.size() + (open ? 1 : 0));
        const int item = int(numbers(s.listed).indexOf(s.use)) + 1;
        QCOMPARE(SerialRig::checkedItems(r.c), open ? QList<int>{item} : QList<int>{});
        QCOMPARE(r.ctl->LastStartComError(), s.number);
        if (s.use != 0)
            QCOMPARE(SerialRig::linkColour(r.c), open ? SerialRig::Cyan : SerialRig::Red);
        // A port that does not open is not reported by the probe; the port in use is, once.
        QCOMPARE(r.errorLines.size(), s.shown.isEmpty() ? 0 : 1);
        const QString line = r.errorLines.value(0);
        const bool described = s.shown.endsWith('\n') && line.startsWith(s.shown) &&
                               line.endsWith(" StartCom 02") && line.size() > s.shown.size() + 12;
        QVERIFY2(line == s.shown || described, qPrintable(line));
    }
    void failureToldOnce()
    {
        SerialRig r;
        r.attach(7, r.dir.path()); // a folder: no serial device
        r.c.mnuCOMsel[1]->setChecked(true);
        r.use(7);
        QVERIFY(SerialRig::checkedItems(r.c).isEmpty());
        const QString line = r.errorLines.value(0);
        QVERIFY2(line.startsWith("Error #  8006: In DetermineValidPorts\n"), qPrintable(line));
        QCOMPARE(r.state.ErrorTicks, 200);
        QCOMPARE(r.c.txtErr->toPlainText(), QString(line).replace('\n', QStringLiteral(" | ")));
        // The same failure again, here through SendCom: only red, nothing shown.
        r.c.txtCom->setPalette(QPalette());
        QVERIFY(!r.ctl->SendCom("QXBS"));
        QCOMPARE(SerialRig::linkColour(r.c), SerialRig::Red);
        // A failure with another number is news: shown too.
        r.attach(8, r.dir.filePath("gone"));
        r.use(8);
        QCOMPARE(r.errorLines, (QStringList{line, missingText(8)}));
    }
    void checkMarkFollowsPortInUse()
    {
        SerialRig r;
        attach(r, "1:pty 3:pty 5:pty");
        r.ctl->DetermineValidPorts();
        r.ctl->mnuCOMsel_Click(2); // the item that reads "COM3": chosen, saved and opened at once
        QCOMPARE(SerialRig::checkedItems(r.c), QList<int>{2});
        QCOMPARE(r.state.ComPortNum, qint16(3));
        QCOMPARE(r.store.GetRegSetting(AppState::AppTitle, "FormInit", "ComPort", {}), " 3");
        QCOMPARE(r.c.txtCom->text(), QString("3"));
        QVERIFY(r.portOpen());
        // COM1 goes away: the next probe lists COM3 in item 1 and COM5 in item 2. A path that is
        // gone, not a closed pseudo-terminal: a freed /dev/pts number can go to a parallel test.
        r.attach(1, r.dir.filePath("gone"));
        // While a download runs, opening the menu requests no probe.
        r.state.TransferBusy = true;
        r.ctl->mnuCOM_Click();
        QVERIFY(!r.state.ProbeRequested);
        r.state.TransferBusy = false;
        r.ctl->mnuCOM_Click();
        r.ctl->tmr_Delay_Timer(); // runs the requested probe
        QVERIFY(!r.state.ProbeRequested);
        QCOMPARE(SerialRig::visibleItems(r.c), QStringList({"COM3| 3", "COM5| 5"}));
        QCOMPARE(SerialRig::checkedItems(r.c), QList<int>{1}); // the item that now names COM3
        QCOMPARE(r.state.ComPortNum, qint16(3));
        QVERIFY(r.portOpen());
    }
    void newDeviceListedWithItsFacts()
    {
        // A device the system lists for the first time gets the lowest free number; the item's
        // tooltip tells its path, description, USB vendor:product and serial number.
        SerialRig r;
        r.attachPty(1);
        PtyPair adapter;
        const PortCandidate device{
            adapter.slavePath(), "FT232R USB UART", "A10K5XYZ", true, 0x0403, true, 0x6001};
        r.ctl->setDeviceLister([device] { return QList<PortCandidate>{device}; });
        r.ctl->DetermineValidPorts();
        QCOMPARE(SerialRig::visibleItems(r.c), QStringList({"COM1| 1", "COM2| 2"}));
        QVERIFY(r.c.mnuCOM->toolTipsVisible());
        const QString facts("\nFT232R USB UART\nUSB 0403:6001\nSerial number A10K5XYZ");
        QCOMPARE(r.c.mnuCOMsel[2]->toolTip(), adapter.slavePath() + facts);
    }
    void sendIntoSlowPeer()
    {
        // Far more than the terminal's buffer and the 2500-byte transmit buffer hold, read at
        // 100 KB/s: SendCom holds its caller for about three seconds, processing events meanwhile,
        // and every byte value arrives in order, nothing after them.
        const QByteArray data = PtyPair::allByteValues() + pattern(300 * 1024);
        SerialRig r;
        PtyPair& pty = r.openPty(4);
        QByteArray received;
        QTimer peer; // reads only while events are processed
        QObject::connect(&peer, &QTimer::timeout, &r.owner, [&] { received += pty.read(1024, 0); });
        peer.start(10);
        QVERIFY(r.ctl->SendCom(data));
        QCOMPARE(SerialRig::linkColour(r.c), SerialRig::Green);
        QVERIFY(r.ctl->MSComm1().OutBufferCount() <= 2500);
        QVERIFY(r.ctl->DrainOutput(30000));
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), data.size(), 30000);
        peer.stop();
        QCOMPARE(received + pty.read(16, 300), data);
        QVERIFY(r.errorLines.isEmpty());
    }
    void peerHangsUpMidWrite()
    {
        SerialRig r;
        r.openPty(2);
        // Nobody reads: the send holds until the peer goes away.
        QTimer::singleShot(300, &r.owner, [&r] { r.ptys.front()->closeMaster(); });
        QVERIFY(!r.ctl->SendCom(pattern(200 * 1024)));
        QTRY_VERIFY(!r.portOpen());
        QTest::qWait(200); // the control's own report of the loss arrives too: told once
        QCOMPARE(r.errorLines.size(), 1);
        QVERIFY(r.errorLines[0].endsWith(" Mscomm1_OnComm"));
        QCOMPARE(SerialRig::linkColour(r.c), SerialRig::Red);
        // A new terminal under the same number: the next SendCom opens it and writes.
        PtyPair& next = r.attachPty(2);
        QVERIFY(r.ctl->SendCom("QXBS") && r.ctl->DrainOutput(5000));
        QCOMPARE(next.read(16, 300), QByteArray("QXBS"));
        QCOMPARE(SerialRig::linkColour(r.c), SerialRig::Green);
    }
    void linesDroppedBeforeReopen()
    {
        SerialRig r;
        PtyPair& pty = r.openPty(5);
        r.actions.clear();
        r.ctl->StartCom();
        QCOMPARE(pty.lineFormat(), QString("9600,1")); // the line at the unit's rate, one stop bit
        // DTR and RTS dropped, then the port closed, before it is opened again once.
        using A = SerialControl::LineAction;
        QCOMPARE(r.actions.mid(0, 3), QList<A>({A::DtrOff, A::RtsOff, A::Closed}));
        QVERIFY(r.actions.count(A::Opened) == 1 && r.actions.indexOf(A::Opened) > 2);
        QVERIFY(r.portOpen());
        QVERIFY(r.ctl->MSComm1().DTREnable() && r.ctl->MSComm1().RTSEnable());
        QCOMPARE(SerialRig::linkColour(r.c), SerialRig::Cyan);
    }
    void repliesReachBoxAndSession()
    {
        // Every line of an arrival goes to the reply box and on to the unit session byte for byte
        // (Latin-1, never UTF-8); the LF after the last CR waits in RxBuffer; txtErr is left alone.
        SerialRig r;
        PtyPair& pty = r.openPty(3);
        r.c.txtErr->setPlainText("untouched");
        QList<QByteArray> handedOn;
        QObject::connect(r.ctl.get(), &SerialController::replyLine, &r.owner,
                         [&handedOn](const QByteArray& line) { handedOn << line; });
        const QByteArray high("\x00\x7f\x80\xfe\xffQXPGM", 10);
        QVERIFY(pty.write(high + "\rQXBSQXERA\r\n"));
        QTRY_COMPARE(handedOn, (QList<QByteArray>{high, "QXBSQXERA"}));
        QCOMPARE(r.c.txt_rply->toPlainText(), ' ' + QString::fromLatin1(high) + " QXBSQXERA");
        QCOMPARE(r.c.txtErr->toPlainText(), QStringLiteral("untouched"));
        QCOMPARE(r.state.RxBuffer, QByteArray("\n"));
    }

private:
    void attach(SerialRig& r, const QString& ports);
    QProcess m_holder; // another program that holds a device: util-linux flock(1)
};

void TestSerialLink::attach(SerialRig& r, const QString& ports)
{
    QVERIFY(QFile(r.dir.filePath("file")).open(QIODevice::WriteOnly)); // what "file" names
    for (const QString& part : ports.split(' ', Qt::SkipEmptyParts)) {
        const QString kind = part.section(':', 1);
        for (int n : numbers(part.section(':', 0, 0))) {
            if (kind == "pty" || kind == "held")
                r.attachPty(n);
            else
                r.attach(n, kind == "null" ? QString("/dev/null") : r.dir.filePath(kind));
        }
        if (kind == "held") {
            m_holder.start("flock", {r.ptys.back()->slavePath(), "sleep", "30"});
            QTRY_VERIFY(PortHolder().check(r.ptys.back()->slavePath()).held);
        }
    }
}

QTEST_MAIN(TestSerialLink)
#include "tst_serial_link.moc"
