// Receiving the unit's replies in the main window over a real pseudo-terminal: lines cut at CR
// into the reply box, the erase words, the receive threshold and the size of the reply box.
#include "SerialWindow.h"

#include <QTextCursor>
#include <QtTest>

class TestSerialGuiReceive : public QObject
{
    Q_OBJECT
private slots:
    void lines_data();
    void lines();
    void replyBoxLimit_data();
    void replyBoxLimit();
};

void TestSerialGuiReceive::lines_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks"); // what the peer writes, one event at a time
    QTest::addColumn<int>("eraseCountdown");
    QTest::addColumn<QString>("reply");  // txt_rply afterwards
    QTest::addColumn<QString>("status"); // txtErr afterwards ("untouched": unchanged)
    QTest::addColumn<int>("eraseAfter");
    QTest::addColumn<QByteArray>("rest"); // RxBuffer afterwards

    using L = QList<QByteArray>;
    QTest::newRow("not blank ends the wait, status untouched")
        << L{"QXBSQXERR\r\n"} << 12 << " QXBSQXERR"
        << "untouched" << 0 << QByteArray("\n");
    QTest::newRow("mixed case with a tail") << L{"QXEPQxErA done\r\n"} << 5 << " QXEPQxErA done"
                                            << "QxErA done" << 0 << QByteArray("\n");
    QTest::newRow("line split across events")
        << L{"OV16 V0116 ab", "cdefghijkl\r\n"} << 0 << " OV16 V0116 abcdefghijkl"
        << "untouched" << 0 << QByteArray("\n");
    QTest::newRow("two lines in one event")
        << L{"QXBSQXERA\r\nQXBCQXERR\r\n"} << 0 << " QXBSQXERA  QXBCQXERR"
        << "untouched" << 0 << QByteArray("\n");
    QTest::newRow("lone CR shows nothing") << L{"\rQXBSQXERA\r"} << 0 << " QXBSQXERA"
                                           << "untouched" << 0 << QByteArray();
    QTest::newRow("bytes without CR stay") << L{"0123456789AB"} << 9 << ""
                                           << "untouched" << 9 << QByteArray("0123456789AB");
    QTest::newRow("LF carried into the next line")
        << L{"QXESQXERA\r\n", "QXBSQXERR\r\n"} << 40 << " QXESQXERA  QXBSQXERR"
        << "QXERA" << 0 << QByteArray("\n");
    QTest::newRow("below the threshold, then reached")
        << L{"QXBSQXER", "A\r", "\n"} << 0 << " QXBSQXERA"
        << "untouched" << 0 << QByteArray("\n");
}

void TestSerialGuiReceive::lines()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(int, eraseCountdown);
    QFETCH(QString, reply);
    QFETCH(QString, status);
    QFETCH(int, eraseAfter);
    QFETCH(QByteArray, rest);

    SerialWindow w;
    PtyPair& pty = w.openPty(3);
    w.c().Timer_erase->stop(); // the countdown stays where the row puts it
    w.c().tmr_Delay->stop();
    w.f.state.ErrorTicks = -1;
    w.c().txtErr->setPlainText("untouched");
    w.f.state.EraseCountdown = eraseCountdown;
    // An event comes once 11 bytes wait, and takes everything that waits.
    int waiting = 0;
    int expectedEvents = 0;
    for (const QByteArray& chunk : chunks) {
        QVERIFY(pty.write(chunk));
        waiting += chunk.size();
        if (waiting >= 11) {
            waiting = 0;
            ++expectedEvents;
            QTRY_COMPARE(w.events, expectedEvents);
        } else {
            QTRY_COMPARE(int(w.ctl().MSComm1().InBufferCount()), waiting);
            QTest::qWait(50);
            QCOMPARE(w.events, expectedEvents);
        }
    }
    QCOMPARE(w.reply(), reply);
    QCOMPARE(w.errorText(), status);
    QCOMPARE(w.f.state.EraseCountdown, eraseAfter);
    QCOMPARE(w.f.state.RxBuffer, rest);
}

void TestSerialGuiReceive::replyBoxLimit_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("length"); // characters per line before the CR
    QTest::newRow("just over 500, stays whole") << 6 << 90;
    QTest::newRow("12000, cut to the last 10000") << 120 << 99;
}

void TestSerialGuiReceive::replyBoxLimit()
{
    QFETCH(int, lines);
    QFETCH(int, length);
    SerialWindow w;
    PtyPair& pty = w.openPty(1);
    QByteArray sent;
    QString all;
    for (int i = 0; i < lines; ++i) {
        QByteArray line(length, char('a' + i % 26));
        line.replace(0, 4, QByteArray::number(1000 + i)); // every line its own text
        sent += line + '\r';
        all += ' ' + QString::fromLatin1(line);
    }
    // Independent of the window: more than 500 characters keep only the last 10,000.
    const QString expected = all.size() > 500 ? all.right(10000) : all;
    // In pieces of 1000 bytes, one receive event each, so no tail below the threshold waits.
    for (int i = 0; i < sent.size(); i += 1000) {
        const int before = w.events;
        QVERIFY(pty.write(sent.mid(i, 1000)));
        QTRY_VERIFY(w.events > before && w.ctl().MSComm1().InBufferCount() == 0);
    }
    QCOMPARE(w.reply(), expected);
    QCOMPARE(w.c().txt_rply->textCursor().position(), std::min(500, int(expected.size())));
}

QTEST_MAIN(TestSerialGuiReceive)
#include "tst_serial_gui_receive.moc"
