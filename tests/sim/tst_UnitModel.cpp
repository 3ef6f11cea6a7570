#include "sim/UnitModel.h"

#include <QTest>

Q_DECLARE_METATYPE(UnitModel::Settings)

namespace {
const QByteArray Ff3(3, char(0xFF));
const QByteArray Ff6(6, char(0xFF));
const QByteArray IdQuery = Ff6 + "\r\n";
const QByteArray IdLine("OV16 V0116\r\n");

// Feeds the bytes at nowMs and collects what the unit sends.
QByteArray exchange(UnitModel& unit, const QByteArray& bytes, qint64 nowMs = 0)
{
    unit.feed(bytes, nowMs);
    const QByteArray out = unit.pendingOutput();
    unit.consumeOutput(out.size());
    return out;
}

// Bytes 0..254 in turn: no 0xFF, so no run of three can end a write early.
QByteArray ramp(qsizetype size)
{
    QByteArray data(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        data[i] = char(i % 255);
    return data;
}

} // namespace

class tst_UnitModel : public QObject
{
    Q_OBJECT
private slots:
    void commands_data();
    void commands();
    void writeSplitAcrossReads_data();
    void writeSplitAcrossReads();
    void writeLongerThanArea();
    void writeOverUnerasedFlashAnds();
    void idQueryEndsOpenWrite();
    void eraseTiming();
    void hangupAfter_data();
    void hangupAfter();
};

void tst_UnitModel::commands_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QByteArray>("station"); // data of the last write to the Station ID area
    QTest::addColumn<UnitModel::Settings>("settings");
    const auto row = [](const char* name, const QByteArray& in, const QByteArray& out,
                        const QByteArray& station = {}, const UnitModel::Settings& s = {}) {
        QTest::newRow(name) << in << out << station << s;
    };
    const QByteArray pgm("QXWSQXPGM\r\n");
    row("blank checks", "QXBSQXBCQXBP", "QXBSQXERA\r\nQXBCQXERA\r\nQXBPQXERA\r\n");
    row("erase", "QXEP", "QXEPQXERA\r\n", {}, {.eraseMs = 0});
    row("write", "QXWS\x01\x02" + Ff6, pgm, "\x01\x02");
    row("two FF then data", "QXWS\x01\xff\xff\x02" + Ff6, pgm, "\x01\xff\xff\x02");
    row("leading FF", "QXWS\xff\xff\x10" + Ff3, pgm, "\xff\xff\x10");
    row("commands are data", "QXWSQXBS\r\n" + Ff6, pgm, "QXBS\r\n");
    row("command after three FF", "QXWS\x10" + Ff3 + "QXBS", pgm + "QXBSQXERR\r\n", "\x10");
    row("fourth FF is ignored", "QXWS\x10" + Ff3 + "\xffQXBC", pgm + "QXBCQXERA\r\n", "\x10");
    row("id query", IdQuery, IdLine);
    row("firmware", IdQuery, "OV16 V0203\r\n", {}, {.firmware = "0203"});
    row("stray bytes ignored", QByteArray("ABZ\x01\x80\nqxbs") + Ff6, "");
    row("QQX restarts", "QQXBS", "QQXBSQXERA\r\n");
    row("unknown letter", "QXZBS", "QX");
    row("unknown code", "QXBXQXBP", "QXBQXBPQXERA\r\n");
    row("0xFF and LF inside command",
        "QX\xff"
        "B\nS",
        "QXBSQXERA\r\n");
    row("CR drops pending answer", "QXBS\r", IdLine);
    row("CR ends partial command", "QXW\rS", IdLine);
    row("status", "QXWC" + ramp(300) + Ff6 + "QXS",
        "QXWCQXPGM\r\nQXSQXSTA S=BLANK,0 C=USED,300 P=BLANK,0 RX=313\r\n");
    row("no echo", "QXBPQXWS\x05" + Ff6, "QXERA\r\nQXPGM\r\n", "\x05", {.echo = false});
    row("ignore", "QXBPQXWS\x05" + Ff6 + "QXS" + IdQuery, "", "\x05", {.ignore = true});
}

void tst_UnitModel::commands()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, output);
    QFETCH(QByteArray, station);
    QFETCH(UnitModel::Settings, settings);
    UnitModel unit(settings);
    QCOMPARE(exchange(unit, input), output);
    QVERIFY(!unit.writing());
    QCOMPARE(unit.lastWrite('S'), station);
    QCOMPARE(unit.area('S')->contents().left(station.size() + 1), station + char(0xFF));
}

void tst_UnitModel::writeSplitAcrossReads_data()
{
    QTest::addColumn<int>("chunk");
    for (int chunk : {1, 2, 3, 5, 7})
        QTest::addRow("chunk %d", chunk) << chunk;
}

// Every split of the data and of the terminator, with 0xFF pairs inside the data.
void tst_UnitModel::writeSplitAcrossReads()
{
    QFETCH(int, chunk);
    const QByteArray data = ramp(600) + "\xff\xff" + ramp(100) + "\xff\xff" + ramp(5);
    const QByteArray stream = "QXWP" + data + Ff6;
    UnitModel unit;
    QByteArray out;
    for (qsizetype i = 0; i < stream.size(); i += chunk) {
        if (i <= stream.size() - 4) // the third 0xFF of the terminator has not arrived yet
            QVERIFY(!out.contains("QXPGM"));
        out += exchange(unit, stream.mid(i, chunk), i);
    }
    QCOMPARE(out, QByteArray("QXWPQXPGM\r\n"));
    QCOMPARE(unit.lastWrite('P'), data);
    QCOMPARE(unit.area('P')->contents().left(data.size() + 1), data + char(0xFF));
    QVERIFY(unit.area('S')->isBlank() && unit.area('C')->isBlank());
}

// Data beyond the area is dropped; the record of the write keeps all of it.
void tst_UnitModel::writeLongerThanArea()
{
    const std::pair<char, int> areas[] = {{'S', 131072}, {'C', 131072}, {'P', 262144}};
    for (const auto& [code, size] : areas) {
        const QByteArray data = ramp(size + 1000);
        const QByteArray command = "QXW" + QByteArray(1, code);
        UnitModel unit;
        QCOMPARE(exchange(unit, command + data + Ff6), command + "QXPGM\r\n");
        QCOMPARE(unit.area(code)->contents(), data.left(size));
        QCOMPARE(unit.lastWrite(code), data);
    }
}

void tst_UnitModel::writeOverUnerasedFlashAnds()
{
    const QByteArray first("\xf0\x0f\x55\xaa\x81\x7e");
    const QByteArray second("\x3c\x3c\xff\x0f\x01\xfe\x40");
    QByteArray expected = second;
    for (qsizetype i = 0; i < first.size(); ++i)
        expected[i] = char(quint8(first[i]) & quint8(second[i]));
    UnitModel unit(UnitModel::Settings{.eraseMs = 0});
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
    QCOMPARE(exchange(unit, "QXWS" + data), QByteArray("QXWS"));
    QVERIFY(unit.writing());
    QCOMPARE(exchange(unit, IdQuery), IdLine);
    QCOMPARE(unit.lastWrite('S'), data);
    QVERIFY(!unit.writing());
    QCOMPARE(exchange(unit, "QXBS"), QByteArray("QXBSQXERR\r\n"));
    // Sent as one burst, the CR also clears the "QXPGM" still waiting.
    UnitModel burst;
    QCOMPARE(exchange(burst, "QXWS" + data + IdQuery), IdLine);
    QCOMPARE(burst.lastWrite('S'), data);
}

// The area is blank and "QXERA" sent exactly --erase-ms (2000 by default) after the command.
void tst_UnitModel::eraseTiming()
{
    const qint64 start = 123456;
    UnitModel unit;
    exchange(unit, "QXWP\x01" + Ff6, start);
    QCOMPARE(exchange(unit, "QXEP", start), QByteArray("QXEP"));
    QCOMPARE(unit.nextDeadline(), std::optional<qint64>(start + 2000));
    unit.tick(start + 1999);
    QVERIFY(unit.pendingOutput().isEmpty() && !unit.area('P')->isBlank());
    unit.tick(start + 2000);
    QCOMPARE(exchange(unit, {}, start + 2000), QByteArray("QXERA\r\n"));
    QVERIFY(unit.area('P')->isBlank() && !unit.nextDeadline());
}

void tst_UnitModel::hangupAfter_data()
{
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<QByteArray>("input");
    QTest::newRow("at once") << qint64(0) << QByteArray("QXBS");
    QTest::newRow("mid stream") << qint64(6) << QByteArray("QXBSQXBC");
    QTest::newRow("mid write") << qint64(10) << QByteArray("QXWS" + ramp(20) + Ff6);
}

// The line closes after exactly that many bytes; nothing more is taken or answered.
void tst_UnitModel::hangupAfter()
{
    QFETCH(qint64, limit);
    QFETCH(QByteArray, input);
    UnitModel unit(UnitModel::Settings{.hangupAfter = limit});
    QCOMPARE(unit.feed(input, 0), qsizetype(limit));
    QVERIFY(unit.hungUp() && unit.pendingOutput().isEmpty());
    QCOMPARE(unit.feed("QXBS", 1), qsizetype(0));
    QCOMPARE(unit.received(), limit);
}

QTEST_GUILESS_MAIN(tst_UnitModel)
#include "tst_UnitModel.moc"
