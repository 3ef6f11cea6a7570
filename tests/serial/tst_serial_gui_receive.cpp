// Receiving the unit's replies in the main window over a real pseudo-terminal: lines cut at CR
// into the reply box and handed on, the receive threshold and the size of the reply box.
#include "tests/serial/SerialWindow.h"

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
    QTest::addColumn<QString>("reply");            // txt_rply afterwards
    QTest::addColumn<QList<QByteArray>>("lines");  // handed on to the unit session, in order
    QTest::addColumn<QByteArray>("rest");          // RxBuffer afterwards

    using L = QList<QByteArray>;
    QTest::newRow("line split across events")
        << L{"OV16 V0116 ab", "cdefghijkl\r\n"} << " OV16 V0116 abcdefghijkl"
        << L{"OV16 V0116 abcdefghijkl"} << QByteArray("\n");
    QTest::newRow("two lines in one event")
        << L{"QXBSQXERA\r\nQXBCQXERR\r\n"} << " QXBSQXERA  QXBCQXERR"
        << L{"QXBSQXERA", " QXBCQXERR"} << QByteArray("\n");
    QTest::newRow("lone CR shows nothing")
        << L{"\rQXBSQXERA\r"} << " QXBSQXERA" << L{"QXBSQXERA"} << QByteArray();
    QTest::newRow("bytes without CR stay")
        << L{"0123456789AB"} << "" << L{} << QByteArray("0123456789AB");
    QTest::newRow("every byte value but CR and LF arrives unchanged")
        << L{QByteArray("\x00\x7f\x80\xfe\xffQXPGM\r", 11)}
        << QString::fromLatin1("\x00\x7f\x80\xfe\xffQXPGM", 10).prepend(' ')
        << L{QByteArray("\x00\x7f\x80\xfe\xffQXPGM", 10)} << QByteArray();
    QTest::newRow("below the threshold, then reached")
        << L{"QXBSQXER", "A\r", "\n"} << " QXBSQXERA" << L{"QXBSQXERA"} << QByteArray("\n");
}

void TestSerialGuiReceive::lines()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QString, reply);
    QFETCH(QList<QByteArray>, lines);
    QFETCH(QByteArray, rest);

    SerialWindow w;
    PtyPair& pty = w.openPty(3);
    w.c().tmr_Delay->stop();
    w.f.state.ErrorTicks = -1;
    w.c().txtErr->setPlainText("untouched");
    QList<QByteArray> handedOn;
    connect(&w.ctl(), &SerialController::replyLine, this,
            [&handedOn](const QByteArray& line) { handedOn << line; });
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
    QCOMPARE(handedOn, lines);
    QCOMPARE(w.errorText(), QStringLiteral("untouched")); // replies never touch the status
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
    w.f.window->show();
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
    // The caret at the end and the newest line in view.
    QPlainTextEdit* box = w.c().txt_rply;
    QCOMPARE(box->textCursor().position(), int(expected.size()));
    QVERIFY(box->viewport()->rect().contains(box->cursorRect()));
}

QTEST_MAIN(TestSerialGuiReceive)
#include "tst_serial_gui_receive.moc"
