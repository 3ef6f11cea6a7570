#include "UnitModel.h"

#include <QRandomGenerator>
#include <QTest>

namespace {
const QByteArray Ff3(3, char(0xFF));
const QByteArray Ff6(6, char(0xFF));
const QByteArray IdQuery = Ff6 + "\r\n";

// Feeds everything at time 0 and collects what the unit sends.
QByteArray exchange(UnitModel& unit, const QByteArray& bytes, qint64 nowMs = 0)
{
    unit.feed(bytes, nowMs);
    const QByteArray out = unit.pendingOutput();
    unit.consumeOutput(out.size());
    return out;
}

// Bytes 0..254 in turn: no 0xFF, so no run of three can end a write early.
QByteArray ramp(qsizetype size, int start = 0)
{
    QByteArray data(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        data[i] = char((start + i) % 255);
    return data;
}

UnitModel::Settings quiet(bool echo, bool ignore)
{
    UnitModel::Settings s;
    s.echo = echo;
    s.ignore = ignore;
    return s;
}
} // namespace

class tst_UnitModel : public QObject
{
    Q_OBJECT
private slots:
    void commands_data();
    void commands();
    void writeData_data();
    void writeData();
    void writeSplitAcrossReads_data();
    void writeSplitAcrossReads();
    void writeLongerThanArea_data();
    void writeLongerThanArea();
    void writeOverUnerasedFlashAnds();
    void idQueryEndsOpenWrite();
    void eraseTiming_data();
    void eraseTiming();
    void hangupAfter_data();
    void hangupAfter();
    void quietModes_data();
    void quietModes();
    void firmwareInIdLine();
    void statusCountsWrite();
    void unsentAnswersAreBounded();
    void idQueryRecoversFromGarbage_data();
    void idQueryRecoversFromGarbage();
};

void tst_UnitModel::commands_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("output");
    QTest::newRow("blank check S") << QByteArray("QXBS") << QByteArray("QXBSQXERA\r\n");
    QTest::newRow("blank check C") << QByteArray("QXBC") << QByteArray("QXBCQXERA\r\n");
    QTest::newRow("blank check P") << QByteArray("QXBP") << QByteArray("QXBPQXERA\r\n");
    QTest::newRow("erase, no delay") << QByteArray("QXEP") << QByteArray("QXEPQXERA\r\n");
    QTest::newRow("empty write") << QByteArray("QXWC" + Ff6) << QByteArray("QXWCQXPGM\r\n");
    QTest::newRow("id query") << IdQuery << QByteArray("OV16 V0116\r\n");
    QTest::newRow("bare CR") << QByteArray("\r") << QByteArray("OV16 V0116\r\n");
    QTest::newRow("LF ignored") << QByteArray("\n") << QByteArray();
    QTest::newRow("0xFF ignored") << Ff6 << QByteArray();
    QTest::newRow("stray bytes") << QByteArray("ABZ\x01\x80") << QByteArray();
    QTest::newRow("lower case") << QByteArray("qxbs") << QByteArray();
    QTest::newRow("QQX restarts") << QByteArray("QQXBS") << QByteArray("QQXBSQXERA\r\n");
    QTest::newRow("QXQX restarts") << QByteArray("QXQXBC") << QByteArray("QXQXBCQXERA\r\n");
    QTest::newRow("unknown letter") << QByteArray("QXZBS") << QByteArray("QX");
    QTest::newRow("unknown code") << QByteArray("QXBXQXBP") << QByteArray("QXBQXBPQXERA\r\n");
    QTest::newRow("0xFF inside command") << QByteArray("QX\xff"
                                                       "B\nS")
                                         << QByteArray("QXBSQXERA\r\n");
    QTest::newRow("CR drops pending answer")
        << QByteArray("QXBS\r") << QByteArray("OV16 V0116\r\n");
    QTest::newRow("CR ends partial command")
        << QByteArray("QXW\rS") << QByteArray("OV16 V0116\r\n");
    QTest::newRow("status") << QByteArray("QXS")
                            << QByteArray("QXSQXSTA S=BLANK,0 C=BLANK,0 P=BLANK,0 RX=3\r\n");
}

void tst_UnitModel::commands()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, output);
    UnitModel::Settings s;
    s.eraseMs = 0;
    UnitModel unit(s);
    QCOMPARE(exchange(unit, input), output);
    QVERIFY(!unit.writing());
}

void tst_UnitModel::writeData_data()
{
    QTest::addColumn<QByteArray>("stream"); // what follows "QXWS"
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("after"); // answers after the echo of "QXWS"
    QTest::newRow("plain") << QByteArray("\x01\x02\x03" + Ff6) << QByteArray("\x01\x02\x03")
                           << QByteArray("QXPGM\r\n");
    QTest::newRow("two FF then data") << QByteArray("\x01\xff\xff\x02" + Ff6)
                                      << QByteArray("\x01\xff\xff\x02") << QByteArray("QXPGM\r\n");
    QTest::newRow("leading FF") << QByteArray("\xff\xff\x10" + Ff3) << QByteArray("\xff\xff\x10")
                                << QByteArray("QXPGM\r\n");
    const QByteArray singles("\xff\x00\xff\x00", 4);
    QTest::newRow("single FFs") << singles + Ff3 << singles << QByteArray("QXPGM\r\n");
    QTest::newRow("command after three FF")
        << QByteArray("\x10" + Ff3 + "QXBS") << QByteArray("\x10")
        << QByteArray("QXPGM\r\nQXBSQXERR\r\n");
    QTest::newRow("fourth FF is ignored")
        << QByteArray("\x10" + Ff3 + "\xffQXBC") << QByteArray("\x10")
        << QByteArray("QXPGM\r\nQXBCQXERA\r\n");
    QTest::newRow("commands are data")
        << QByteArray("QXBS\r\n" + Ff6) << QByteArray("QXBS\r\n") << QByteArray("QXPGM\r\n");
}

void tst_UnitModel::writeData()
{
    QFETCH(QByteArray, stream);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, after);
    UnitModel unit;
    QCOMPARE(exchange(unit, "QXWS" + stream), "QXWS" + after);
    QCOMPARE(unit.lastWrite('S'), data);
    QCOMPARE(unit.area('S')->contents().left(data.size()), data);
    QVERIFY(unit.area('S')->contents().mid(data.size()) ==
            QByteArray(UnitModel::StationSize - data.size(), char(0xFF)));
}

void tst_UnitModel::writeSplitAcrossReads_data()
{
    QTest::addColumn<int>("chunk");
    QTest::addColumn<QByteArray>("data");
    const QByteArray withFfPairs = ramp(600) + "\xff\xff" + ramp(100) + "\xff\xff" + ramp(5);
    for (int chunk : {1, 2, 3, 5, 7, 4096}) {
        QTest::addRow("chunk %d", chunk) << chunk << ramp(1000, chunk);
        QTest::addRow("FF pairs, chunk %d", chunk) << chunk << withFfPairs;
    }
}

void tst_UnitModel::writeSplitAcrossReads()
{
    QFETCH(int, chunk);
    QFETCH(QByteArray, data);
    UnitModel unit;
    const QByteArray stream = "QXWP" + data + Ff6;
    QByteArray out;
    for (qsizetype i = 0; i < stream.size(); i += chunk) {
        if (i <= stream.size() - 4) // the third 0xFF of the terminator has not arrived yet
            QVERIFY(!out.contains("QXPGM"));
        out += exchange(unit, stream.mid(i, chunk), i);
    }
    QCOMPARE(out, QByteArray("QXWPQXPGM\r\n"));
    QCOMPARE(unit.lastWrite('P'), data);
    QCOMPARE(unit.area('P')->contents().left(data.size()), data);
    QVERIFY(unit.area('S')->isBlank() && unit.area('C')->isBlank());
    const auto events = unit.takeEvents();
    QCOMPARE(events.size(), size_t(1));
    QCOMPARE(events[0].code, 'P');
}

void tst_UnitModel::writeLongerThanArea_data()
{
    QTest::addColumn<char>("code");
    QTest::addColumn<int>("size");
    QTest::newRow("S") << 'S' << 131072;
    QTest::newRow("C") << 'C' << 131072;
    QTest::newRow("P") << 'P' << 262144;
}

void tst_UnitModel::writeLongerThanArea()
{
    QFETCH(char, code);
    QFETCH(int, size);
    const QByteArray data = ramp(size + 1000);
    UnitModel unit;
    QCOMPARE(exchange(unit, "QXW" + QByteArray(1, code) + data + Ff6),
             "QXW" + QByteArray(1, code) + "QXPGM\r\n");
    QCOMPARE(unit.area(code)->size(), qsizetype(size));
    QCOMPARE(unit.area(code)->contents(), data.left(size));
    QCOMPARE(unit.lastWrite(code), data);
}

void tst_UnitModel::writeOverUnerasedFlashAnds()
{
    const QByteArray first("\xf0\x0f\x55\xaa\x81\x7e");
    const QByteArray second("\x3c\x3c\xff\x0f\x01\xfe\x40");
    QByteArray expected = second;
    for (qsizetype i = 0; i < first.size(); ++i)
        expected[i] = char(quint8(first[i]) & quint8(second[i]));
    UnitModel::Settings s;
    s.eraseMs = 0;
    UnitModel unit(s);
    exchange(unit, "QXWC" + first + Ff6 + "QXWC" + second + Ff6);
    QCOMPARE(unit.area('C')->contents().left(expected.size()), expected);
    QCOMPARE(unit.lastWrite('C'), second);
    QCOMPARE(exchange(unit, "QXEC"), QByteArray("QXECQXERA\r\n"));
    exchange(unit, "QXWC" + second + Ff6);
    QCOMPARE(unit.area('C')->contents().left(second.size()), second);
}

void tst_UnitModel::idQueryEndsOpenWrite()
{
    const QByteArray data("\x11\x22\x33");
    UnitModel unit;
    // Answers already sent before the query are not affected.
    QCOMPARE(exchange(unit, "QXWS" + data), QByteArray("QXWS"));
    QCOMPARE(exchange(unit, IdQuery), QByteArray("OV16 V0116\r\n"));
    QCOMPARE(unit.lastWrite('S'), data);
    QVERIFY(!unit.writing());
    // Sent as one burst, the CR also clears the "QXPGM" still waiting.
    UnitModel burst;
    QCOMPARE(exchange(burst, "QXWS" + data + IdQuery), QByteArray("OV16 V0116\r\n"));
    QCOMPARE(burst.lastWrite('S'), data);
    QCOMPARE(exchange(burst, "QXBS"), QByteArray("QXBSQXERR\r\n"));
}

void tst_UnitModel::eraseTiming_data()
{
    QTest::addColumn<char>("code");
    QTest::addColumn<qint64>("eraseMs");
    QTest::addColumn<qint64>("startMs");
    QTest::newRow("S 2000") << 'S' << qint64(2000) << qint64(0);
    QTest::newRow("C 1 late") << 'C' << qint64(1) << qint64(123456);
    QTest::newRow("P 350") << 'P' << qint64(350) << qint64(77);
}

void tst_UnitModel::eraseTiming()
{
    QFETCH(char, code);
    QFETCH(qint64, eraseMs);
    QFETCH(qint64, startMs);
    UnitModel::Settings s;
    s.eraseMs = eraseMs;
    UnitModel unit(s);
    const QByteArray command = "QXE" + QByteArray(1, code);
    exchange(unit, "QXW" + QByteArray(1, code) + "\x01" + Ff6, startMs);
    QCOMPARE(exchange(unit, command, startMs), command);
    QCOMPARE(unit.nextDeadline(), std::optional<qint64>(startMs + eraseMs));
    unit.tick(startMs + eraseMs - 1);
    QVERIFY(unit.pendingOutput().isEmpty());
    QVERIFY(!unit.area(code)->isBlank());
    unit.takeEvents();
    unit.tick(startMs + eraseMs);
    QCOMPARE(exchange(unit, {}, startMs + eraseMs), QByteArray("QXERA\r\n"));
    QVERIFY(unit.area(code)->isBlank());
    QVERIFY(!unit.nextDeadline());
    const auto events = unit.takeEvents();
    QCOMPARE(events.size(), size_t(1));
    QVERIFY(events[0].kind == UnitModel::EventKind::EraseDone && events[0].code == code);
}

void tst_UnitModel::hangupAfter_data()
{
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<qsizetype>("taken");
    QTest::newRow("never") << qint64(-1) << QByteArray("QXBSQXBC") << qsizetype(8);
    QTest::newRow("at once") << qint64(0) << QByteArray("QXBS") << qsizetype(0);
    QTest::newRow("exactly") << qint64(4) << QByteArray("QXBS") << qsizetype(4);
    QTest::newRow("mid stream") << qint64(6) << QByteArray("QXBSQXBC") << qsizetype(6);
    QTest::newRow("mid write") << qint64(10) << QByteArray("QXWS" + ramp(20) + Ff6)
                               << qsizetype(10);
}

void tst_UnitModel::hangupAfter()
{
    QFETCH(qint64, limit);
    QFETCH(QByteArray, input);
    QFETCH(qsizetype, taken);
    UnitModel::Settings s;
    s.hangupAfter = limit;
    UnitModel unit(s);
    QCOMPARE(unit.feed(input, 0), taken);
    QCOMPARE(unit.received(), qint64(taken));
    const bool closed = limit >= 0;
    QCOMPARE(unit.hungUp(), closed);
    if (closed) {
        QVERIFY(unit.pendingOutput().isEmpty());
        QCOMPARE(unit.feed("QXBS", 1), qsizetype(0));
        QCOMPARE(unit.received(), qint64(taken));
    }
}

void tst_UnitModel::quietModes_data()
{
    QTest::addColumn<bool>("echo");
    QTest::addColumn<bool>("ignore");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("output");
    const QByteArray write = "QXWS\x05\x06" + Ff6;
    QTest::newRow("no echo: blank")
        << false << false << QByteArray("QXBP") << QByteArray("QXERA\r\n");
    QTest::newRow("no echo: write") << false << false << write << QByteArray("QXPGM\r\n");
    QTest::newRow("no echo: id") << false << false << IdQuery << QByteArray("OV16 V0116\r\n");
    QTest::newRow("no echo: status") << false << false << QByteArray("QXS")
                                     << QByteArray("QXSTA S=BLANK,0 C=BLANK,0 P=BLANK,0 RX=3\r\n");
    QTest::newRow("ignore: blank") << true << true << QByteArray("QXBP") << QByteArray();
    QTest::newRow("ignore: write") << true << true << write << QByteArray();
    QTest::newRow("ignore: id") << true << true << IdQuery << QByteArray();
}

void tst_UnitModel::quietModes()
{
    QFETCH(bool, echo);
    QFETCH(bool, ignore);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, output);
    UnitModel unit(quiet(echo, ignore));
    QCOMPARE(exchange(unit, input), output);
    // A silent unit still programs its FLASH.
    if (input.startsWith("QXWS"))
        QCOMPARE(unit.area('S')->contents().left(2), QByteArray("\x05\x06"));
}

void tst_UnitModel::firmwareInIdLine()
{
    UnitModel::Settings s;
    s.firmware = "0203";
    UnitModel unit(s);
    QCOMPARE(exchange(unit, IdQuery), QByteArray("OV16 V0203\r\n"));
}

void tst_UnitModel::statusCountsWrite()
{
    UnitModel unit;
    exchange(unit, "QXWC" + ramp(300) + Ff6);
    QCOMPARE(exchange(unit, "QXS"),
             QByteArray("QXSQXSTA S=BLANK,0 C=USED,300 P=BLANK,0 RX=313\r\n"));
}

void tst_UnitModel::unsentAnswersAreBounded()
{
    UnitModel unit;
    QByteArray many;
    for (int i = 0; i < 10000; ++i)
        many += "QXBS";
    unit.feed(many, 0);
    QCOMPARE(unit.pendingOutput().size(), UnitModel::MaxPendingOutput);
    QVERIFY(unit.pendingOutput().startsWith("QXBSQXERA\r\nQXBSQXERA\r\n"));
}

void tst_UnitModel::idQueryRecoversFromGarbage_data()
{
    QTest::addColumn<quint32>("stream");
    for (quint32 stream : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u})
        QTest::addRow("stream %u", stream) << stream;
}

// Whatever came before, the ID query ends any write and gets the ID line as the last answer.
void tst_UnitModel::idQueryRecoversFromGarbage()
{
    QFETCH(quint32, stream);
    QRandomGenerator random(stream);
    // Mostly protocol letters and 0xFF, so commands and writes really start in the noise.
    const QByteArray alphabet("QXWEBSCP\r\n\xff\xff\x00\x7f\x80");
    QByteArray noise(20000, '\0');
    for (char& c : noise)
        c = alphabet[random.bounded(int(alphabet.size()))];
    UnitModel::Settings s;
    s.eraseMs = 5;
    UnitModel unit(s);
    for (qsizetype i = 0; i < noise.size(); i += 97)
        unit.feed(noise.mid(i, 97), i / 97);
    unit.feed(IdQuery, 1000000);
    QVERIFY(!unit.writing());
    QVERIFY(unit.pendingOutput().endsWith("OV16 V0116\r\n"));
    QCOMPARE(unit.received(), qint64(noise.size() + IdQuery.size()));
}

QTEST_GUILESS_MAIN(tst_UnitModel)
#include "tst_UnitModel.moc"
