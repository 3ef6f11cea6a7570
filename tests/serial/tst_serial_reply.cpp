#include "LineErrorCounters.h"
#include "LineEventText.h"
#include "LineSettings.h"
#include "ReplyAssembler.h"

#include <QtTest>

using Chunks = QList<QByteArray>;

// Effects written as "R:<text>" (reply box) and "S:<text>" (status box), in order.
static QStringList describe(const QList<ReplyEffects::Effect>& effects)
{
    QStringList out;
    for (const auto& e : effects)
        out << (e.kind == ReplyEffects::Effect::AppendReply ? "R:" : "S:") + e.text;
    return out;
}

class TestReply : public QObject
{
    Q_OBJECT
private slots:
    void lines_data();
    void lines();
    void replyBox_data();
    void replyBox();
    void lineEventText_data();
    void lineEventText();
    void lineSettings_data();
    void lineSettings();
    void lineErrorEvents_data();
    void lineErrorEvents();
};

void TestReply::lines_data()
{
    QTest::addColumn<Chunks>("chunks"); // one process() call each
    QTest::addColumn<bool>("eraseWaiting");
    QTest::addColumn<QStringList>("effects");
    QTest::addColumn<bool>("eraseEnded");
    QTest::addColumn<bool>("waitingAfter");
    QTest::addColumn<QByteArray>("rest");

    QTest::newRow("erase done while waiting")
        << Chunks{"QXERA\r\n"} << true << QStringList{"R: QXERA", "S:QXERA"} << true << false
        << QByteArray("\n");
    QTest::newRow("erase done, no wait") << Chunks{"QXERA\r\n"} << false << QStringList{"R: QXERA"}
                                         << false << false << QByteArray("\n");
    QTest::newRow("line split across calls")
        << Chunks{"QXP", "GM\r"} << false << QStringList{"R: QXPGM"} << false << false
        << QByteArray();
    QTest::newRow("two lines in one call")
        << Chunks{"ONE\rTWO\r"} << false << QStringList{"R: ONE", "R: TWO"} << false << false
        << QByteArray();
    QTest::newRow("lone CR") << Chunks{"\r"} << true << QStringList{} << false << true
                             << QByteArray();
    QTest::newRow("no CR accumulates")
        << Chunks{"abc", "def"} << true << QStringList{} << false << true << QByteArray("abcdef");
    QTest::newRow("refused ends wait, no status")
        << Chunks{"QXERR\r"} << true << QStringList{"R: QXERR"} << true << false << QByteArray();
    QTest::newRow("lower case words")
        << Chunks{"qxera ok\r"} << true << QStringList{"R: qxera ok", "S:qxera ok"} << true << false
        << QByteArray();
    QTest::newRow("mixed case refused")
        << Chunks{"qXeRr\r"} << true << QStringList{"R: qXeRr"} << true << false << QByteArray();
    QTest::newRow("status from word to line end")
        << Chunks{"ID QXERA S 1\r"} << true << QStringList{"R: ID QXERA S 1", "S:QXERA S 1"} << true
        << false << QByteArray();
    QTest::newRow("LF carried into next line")
        << Chunks{"A\r\nB\r"} << false << QStringList{"R: A", "R:  B"} << false << false
        << QByteArray();
    QTest::newRow("LF inside line becomes space")
        << Chunks{"A\nB\r"} << false << QStringList{"R: A B"} << false << false << QByteArray();
    QTest::newRow("only first erase word counts")
        << Chunks{"QXERR\rQXERA\r"} << true << QStringList{"R: QXERR", "R: QXERA"} << true << false
        << QByteArray();
    QTest::newRow("word split across lines is no word")
        << Chunks{"QXE\rRA\r"} << true << QStringList{"R: QXE", "R: RA"} << false << true
        << QByteArray();
    QTest::newRow("CR search is exact, high bytes kept")
        << Chunks{QByteArray("\x8D\xFF\r", 3)} << false
        << QStringList{QString("R: ") + QChar(0x8D) + QChar(0xFF)} << false << false
        << QByteArray();
    QTest::newRow("NUL bytes kept")
        << Chunks{QByteArray("a\0b\r", 4)} << false << QStringList{QString("R: a") + QChar(0) + "b"}
        << false << false << QByteArray();
}

void TestReply::lines()
{
    QFETCH(Chunks, chunks);
    QFETCH(bool, eraseWaiting);
    QFETCH(QStringList, effects);
    QFETCH(bool, eraseEnded);
    QFETCH(bool, waitingAfter);
    QFETCH(QByteArray, rest);
    ReplyAssembler assembler;
    QStringList seen;
    bool ended = false;
    for (const QByteArray& chunk : chunks) {
        const ReplyEffects out = assembler.process(chunk, eraseWaiting);
        seen += describe(out.effects);
        ended = ended || out.eraseEnded;
    }
    QCOMPARE(seen, effects);
    QCOMPARE(ended, eraseEnded);
    QCOMPARE(eraseWaiting, waitingAfter);
    QCOMPARE(assembler.RxBuffer(), rest);
}

void TestReply::replyBox_data()
{
    QTest::addColumn<int>("boxLength");
    QTest::addColumn<int>("additionLength");
    QTest::addColumn<int>("expectedLength");
    QTest::newRow("small") << 10 << 6 << 16;
    QTest::newRow("exactly 500") << 494 << 6 << 500;
    QTest::newRow("501 stays whole") << 495 << 6 << 501;
    QTest::newRow("10,000 stays whole") << 9994 << 6 << 10000;
    QTest::newRow("10,001 cut") << 9995 << 6 << 10000;
    QTest::newRow("long box") << 30000 << 7 << 10000;
}

void TestReply::replyBox()
{
    QFETCH(int, boxLength);
    QFETCH(int, additionLength);
    QFETCH(int, expectedLength);
    // Distinct characters at each position, so a wrong cut shows.
    QString box;
    for (int i = 0; i < boxLength; ++i)
        box += QChar('a' + i % 26);
    const QString addition = " " + QString(additionLength - 1, 'Z');
    const QString result = appendToReplyBox(box, addition);
    QCOMPARE(result.size(), expectedLength);
    QVERIFY(result.endsWith(addition));
    const QString whole = box + addition;
    QCOMPARE(result, whole.mid(whole.size() - expectedLength));
}

void TestReply::lineEventText_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("3") << 3 << "Change in CTS Detected";
    QTest::newRow("4") << 4 << "Change in DSR Detected";
    QTest::newRow("5") << 5 << "Change in CD Detected";
    QTest::newRow("6") << 6 << "The Phone is Ringing";
    QTest::newRow("7") << 7 << "End of File Detected";
    QTest::newRow("1001") << 1001 << "Break Received";
    QTest::newRow("1002") << 1002 << "CTS Timeout";
    QTest::newRow("1003") << 1003 << "DSR Timeout";
    QTest::newRow("1004") << 1004 << "Framing Error";
    QTest::newRow("1006") << 1006 << "Overrun Error";
    QTest::newRow("1007") << 1007 << "Carrier Detect Timeout";
    QTest::newRow("1008") << 1008 << "Receive Buffer Overflow";
    QTest::newRow("1009") << 1009 << "Parity Error";
    QTest::newRow("1010") << 1010 << "Transmit Buffer Full";
    QTest::newRow("1011") << 1011 << "Error retrieving DCB";
    QTest::newRow("1005") << 1005 << "Unknown error or event";
    QTest::newRow("0") << 0 << "Unknown error or event";
    QTest::newRow("1") << 1 << "Unknown error or event";
    QTest::newRow("-1") << -1 << "Unknown error or event";
}

void TestReply::lineEventText()
{
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(LineEventText(code), text);
}

void TestReply::lineSettings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("stopBits");
    QTest::newRow("9600,N,8,1") << "9600,N,8,1" << true << 9600 << int(QSerialPort::NoParity) << 8
                                << int(QSerialPort::OneStop);
    QTest::newRow("56000,N,8,1") << "56000,N,8,1" << true << 56000 << int(QSerialPort::NoParity)
                                 << 8 << int(QSerialPort::OneStop);
    QTest::newRow("even 7 2") << "4800,e,7,2" << true << 4800 << int(QSerialPort::EvenParity) << 7
                              << int(QSerialPort::TwoStop);
    QTest::newRow("odd 1.5") << "1200,O,5,1.5" << true << 1200 << int(QSerialPort::OddParity) << 5
                             << int(QSerialPort::OneAndHalfStop);
    QTest::newRow("mark") << "300,M,6,1" << true << 300 << int(QSerialPort::MarkParity) << 6
                          << int(QSerialPort::OneStop);
    QTest::newRow("space") << "300,S,8,1" << true << 300 << int(QSerialPort::SpaceParity) << 8
                           << int(QSerialPort::OneStop);
    for (const char* bad :
         {"", "9600", "9600,N,8", "9600,N,8,1,1", "x,N,8,1", "0,N,8,1", "-9600,N,8,1", "9600,X,8,1",
          "9600,N,9,1", "9600,N,4,1", "9600,N,8,3", "9600,NN,8,1"})
        QTest::newRow(bad[0] ? bad : "empty") << bad << false << 0 << 0 << 0 << 0;
}

void TestReply::lineSettings()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QString why;
    const auto parsed = LineSettings::parse(text, &why);
    QCOMPARE(parsed.has_value(), valid);
    if (!valid) {
        QVERIFY(!why.isEmpty());
        return;
    }
    QFETCH(int, rate);
    QFETCH(int, parity);
    QFETCH(int, dataBits);
    QFETCH(int, stopBits);
    QCOMPARE(parsed->baudRate, rate);
    QCOMPARE(int(parsed->parity), parity);
    QCOMPARE(int(parsed->dataBits), dataBits);
    QCOMPARE(int(parsed->stopBits), stopBits);
}

void TestReply::lineErrorEvents_data()
{
    QTest::addColumn<QList<int>>("grown"); // frame, overrun, parity, break increments
    QTest::addColumn<QList<int>>("codes");
    QTest::newRow("none") << QList<int>{0, 0, 0, 0} << QList<int>{};
    QTest::newRow("framing") << QList<int>{1, 0, 0, 0} << QList<int>{1004};
    QTest::newRow("overrun twice") << QList<int>{0, 2, 0, 0} << QList<int>{1006};
    QTest::newRow("parity") << QList<int>{0, 0, 1, 0} << QList<int>{1009};
    QTest::newRow("break") << QList<int>{0, 0, 0, 1} << QList<int>{1001};
    QTest::newRow("all") << QList<int>{3, 1, 1, 1} << QList<int>{1001, 1004, 1006, 1009};
}

void TestReply::lineErrorEvents()
{
    QFETCH(QList<int>, grown);
    QFETCH(QList<int>, codes);
    const LineErrorCounters before{5, 6, 7, 8};
    const LineErrorCounters after{5 + grown[0], 6 + grown[1], 7 + grown[2], 8 + grown[3]};
    QCOMPARE(LineErrorCounters::eventsBetween(before, after), codes);
    // Events for the kinds whose text says so.
    for (int code : codes)
        QVERIFY(LineEventText(code) != "Unknown error or event");
}

QTEST_GUILESS_MAIN(TestReply)
#include "tst_serial_reply.moc"
