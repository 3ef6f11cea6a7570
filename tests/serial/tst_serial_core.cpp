// The serial link without a window: the settings store, the serial-port control receiving over a
// real pseudo-terminal, the cutting of replies into lines, the reply box's length and the line
// events.
#include "app/settings/RegEdit.h"
#include "serial/LineErrorCounters.h"
#include "serial/LineEventText.h"
#include "serial/LineSettings.h"
#include "serial/PortTable.h"
#include "serial/ReplyAssembler.h"
#include "serial/SerialControl.h"
#include "tests/serial/PtyPair.h"

#include <QFile>
#include <QMetaEnum>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using Lines = QList<QByteArray>;

class TestSerialCore : public QObject
{
    Q_OBJECT
private slots:
    void composePath_data();
    void composePath();
    void failedWriteKeepsStore_data();
    void failedWriteKeepsStore();
    void receive();
    void replyLines_data();
    void replyLines();
    void replyBox_data();
    void replyBox();
    void lineSettings_data();
    void lineSettings();
    void lineEvents();

private:
    QTemporaryDir m_dir;
};

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

void TestSerialCore::failedWriteKeepsStore_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("kept"); // what reads return after the failed write
    QTest::addColumn<QString>("reason");
    const auto row = [](const char* name, const char* how, const char* kept, const char* reason) {
        QTest::newRow(name) << QString(how) << QString(kept) << QString(reason);
    };
    row("parent is a file", "parent file", "dflt", "cannot create the folder");
    row("read-only directory", "read-only dir", " 3", "Permission denied");
    row("immutable file", "immutable", " 3", "read-only");
}

void TestSerialCore::failedWriteKeepsStore()
{
    QFETCH(QString, how);
    QFETCH(QString, kept);
    QFETCH(QString, reason);
    const QString parent = m_dir.filePath(QTest::currentDataTag());
    const QString file = parent + "/registry.ini";
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

void TestSerialCore::receive()
{
    // The receive event comes once RThreshold bytes wait, not one byte later; every byte value
    // arrives unchanged and in order, at most InputLen bytes per Input.
    PtyPair pty;
    RegEdit store(m_dir.filePath("registry.ini"));
    store.SaveRegSetting("App", "Ports", "COM3", pty.slavePath());
    PortTable table(store, "App", m_dir.filePath("by-id"));
    SerialControl control(&table);
    QList<qint16> events;
    connect(&control, &SerialControl::OnComm, this, [&] { events << control.CommEvent(); });
    control.setCommPort(3);
    QVERIFY(control.setRThreshold(11).ok() && control.setInputLen(100).ok());
    QVERIFY(control.setPortOpen(true).ok() && control.PortOpen());
    const QByteArray all = PtyPair::allByteValues();
    QVERIFY(pty.write(all.left(10)));
    QTRY_COMPARE(control.InBufferCount(), qint16(10));
    QVERIFY(events.isEmpty()); // the arrival has been handled: its event would have come with it
    QVERIFY(pty.write(all.mid(10, 1)));
    QTRY_COMPARE(events, QList<qint16>{SerialControl::EvReceive});
    QVERIFY(pty.write(all.mid(11)));
    QTRY_COMPARE(control.InBufferCount(), qint16(256));
    QCOMPARE(control.Input(), all.left(100));
    QCOMPARE(control.Input(), all.mid(100, 100));
    QCOMPARE(control.Input(), all.mid(200));
    QCOMPARE(control.Input(), QByteArray());
}

void TestSerialCore::replyLines_data()
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
        << Lines{"0123456789AB"} << Lines{} << QByteArray("0123456789AB");
    QTest::newRow("every byte value but CR and LF unchanged")
        << Lines{QByteArray("\x00\x7f\x80\xfe\xffQXPGM\r", 11)}
        << Lines{QByteArray("\x00\x7f\x80\xfe\xffQXPGM", 10)} << QByteArray();
}

void TestSerialCore::replyLines()
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

void TestSerialCore::replyBox_data()
{
    QTest::addColumn<int>("before"); // characters in the box
    QTest::addColumn<int>("added");
    QTest::addColumn<int>("kept"); // the last this many of them stay
    QTest::newRow("just over 500, stays whole") << 500 << 46 << 546;
    QTest::newRow("12000, cut to the last 10000") << 11000 << 1000 << 10000;
}

void TestSerialCore::replyBox()
{
    QFETCH(int, before);
    QFETCH(int, added);
    QFETCH(int, kept);
    QString all;
    for (int i = 0; all.size() < before + added; ++i)
        all += QString::number(i) + ' '; // no two places alike
    all.truncate(before + added);
    QCOMPARE(appendToReplyBox(all.left(before), all.mid(before)), all.right(kept));
}

void TestSerialCore::lineSettings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("read"); // rate, parity, data bits, stop bits, bytes per second
    const auto row = [](const char* name, const char* text, const char* read) {
        QTest::newRow(name) << QString(text) << QString(read);
    };
    row("the unit's", "9600,N,8,1", "9600 NoParity 8 OneStop 960");
    row("either case, blanks", " 2400 , e , 7 , 2 ", "2400 EvenParity 7 TwoStop 218.18");
    row("odd, one and a half", "56000,o,5,1.5", "56000 OddParity 5 OneAndHalfStop 6588.2");
    row("mark", "300,M,6,1", "300 MarkParity 6 OneStop 33.333");
    row("space", "300,S,8,2", "300 SpaceParity 8 TwoStop 25");
    row("three parts", "9600,N,8", "expected rate,parity,data bits,stop bits");
    row("rate 0", "0,N,8,1", "invalid baud rate \"0\"");
    row("parity X", "9600,X,8,1", "invalid parity \"X\"");
    row("nine bits", "9600,N,9,1", "invalid data bits \"9\"");
    row("three stop bits", "9600,N,8,3", "invalid stop bits \"3\"");
}

void TestSerialCore::lineSettings()
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
