// The serial link without a window: a settings store that cannot be written, the serial-port
// control receiving over a real pseudo-terminal, the cutting of replies into lines, the reply box's
// length, the line format, the line events and the line log.
#include "app/settings/RegEdit.h"
#include "serial/LineErrorCounters.h"
#include "serial/LineEventText.h"
#include "serial/LineLog.h"
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
        const QString parent = m_dir.filePath(how), file = parent + "/registry.ini";
        if (how == "parent file")
            QVERIFY(QFile(parent).open(QIODevice::WriteOnly));
        else
            RegEdit(file).SaveRegSetting("App", "FormInit", "ComPort", " 3");
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
    void receive()
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
        QVERIFY(
            events.isEmpty()); // the arrival has been handled: its event would have come with it
        QVERIFY(pty.write(all.mid(10, 1)));
        QTRY_COMPARE(events, QList<qint16>{SerialControl::EvReceive});
        QVERIFY(pty.write(all.mid(11)));
        QTRY_COMPARE(control.InBufferCount(), qint16(256));
        QCOMPARE(control.Input(), all.left(100));
        QCOMPARE(control.Input(), all.mid(100, 100));
        QCOMPARE(control.Input(), all.mid(200));
        QCOMPARE(control.Input(), QByteArray());
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
        QTest::newRow("every byte value but CR and LF unchanged, bytes without CR stay")
            << Lines{QByteArray("\x00\x7f\x80\xfe\xffQXPGM\rAB", 13)}
            << Lines{QByteArray("\x00\x7f\x80\xfe\xffQXPGM", 10)} << QByteArray("AB");
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
        QVERIFY(LineErrorCounters::eventsBetween(after, after).isEmpty());
    }
    void logText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("reply with CR LF") << QByteArray("QXBSQXERA\r\n") << "QXBSQXERA[0D 0A]";
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
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestSerialCore)
#include "tst_serial_core.moc"
