#include "DestinationInfo.h"
#include "UnitProtocol.h"

#include <QTest>

#include <limits>

// Command strings and the destination table as the unit and the operator see them.
class TestUnitProtocol : public QObject
{
    Q_OBJECT

private slots:
    void commands_data();
    void commands();
    void idQueryAndTerminator();
    void destinations_data();
    void destinations();
    void fromValue_data();
    void fromValue();
    void optionIndex_data();
    void optionIndex();
};

void TestUnitProtocol::commands_data()
{
    QTest::addColumn<int>("dest");
    QTest::addColumn<QByteArray>("write");
    QTest::addColumn<QByteArray>("erase");
    QTest::addColumn<QByteArray>("blank");
    QTest::newRow("station") << 1 << QByteArray("QXWS") << QByteArray("QXES") << QByteArray("QXBS");
    QTest::newRow("channel") << 2 << QByteArray("QXWC") << QByteArray("QXEC") << QByteArray("QXBC");
    QTest::newRow("pink") << 3 << QByteArray("QXWP") << QByteArray("QXEP") << QByteArray("QXBP");
    QTest::newRow("none") << 0 << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("out of range") << 4 << QByteArray() << QByteArray() << QByteArray();
}

void TestUnitProtocol::commands()
{
    QFETCH(int, dest);
    QFETCH(QByteArray, write);
    QFETCH(QByteArray, erase);
    QFETCH(QByteArray, blank);
    const auto d = static_cast<WaveDestination>(dest);
    // Exact bytes: no line ending or anything else after the code letter.
    QCOMPARE(UnitProtocol::WriteCommand(d), write);
    QCOMPARE(UnitProtocol::EraseCommand(d), erase);
    QCOMPARE(UnitProtocol::BlankCheckCommand(d), blank);
    QCOMPARE(UnitProtocol::EraseCommand(d).size(), erase.isEmpty() ? 0 : 4);
}

void TestUnitProtocol::idQueryAndTerminator()
{
    const QByteArray query = UnitProtocol::IdQuery();
    const QByteArray expectedQuery = QByteArray::fromHex("FFFFFFFFFFFF0D0A");
    QCOMPARE(query, expectedQuery);
    QCOMPARE(UnitProtocol::Terminator(), QByteArray::fromHex("FFFFFFFFFFFF"));
    QCOMPARE(UnitProtocol::MaxDownloadSamples, 131072);
    QCOMPARE(UnitProtocol::SendChunkSamples, 256);
}

void TestUnitProtocol::destinations_data()
{
    QTest::addColumn<int>("dest");
    QTest::addColumn<char>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("send");
    QTest::addColumn<QString>("erase");
    QTest::addColumn<int>("width");
    QTest::newRow("none") << 0 << '\0' << QString() << "Send Station ID"
                          << "Erase Station ID" << 0;
    QTest::newRow("station") << 1 << 'S' << "Station ID"
                             << "Send Station ID"
                             << "Erase Station ID" << 1;
    QTest::newRow("channel") << 2 << 'C' << "Channel ID"
                             << "Send Channel ID"
                             << "Erase Channel ID" << 1;
    QTest::newRow("pink") << 3 << 'P' << "Pink Wave File"
                          << "Send Pink File"
                          << "Erase Pink File" << 2;
    QTest::newRow("negative") << -1 << '\0' << QString() << "Send Station ID"
                              << "Erase Station ID" << 0;
}

void TestUnitProtocol::destinations()
{
    QFETCH(int, dest);
    QFETCH(char, code);
    QFETCH(QString, name);
    QFETCH(QString, send);
    QFETCH(QString, erase);
    QFETCH(int, width);
    const DestinationInfo& info = DestinationInfo::Of(dest);
    QCOMPARE(info.CodeLetter(), code);
    QCOMPARE(info.DestinationName(), name);
    QCOMPARE(info.SendCaption(), send);
    QCOMPARE(info.EraseCaption(), erase);
    QCOMPARE(info.BytesPerSample(), width);
}

void TestUnitProtocol::fromValue_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("1") << 1 << 1;
    QTest::newRow("3") << 3 << 3;
    QTest::newRow("4") << 4 << 0;
    QTest::newRow("-3") << -3 << 0;
    QTest::newRow("int max") << std::numeric_limits<int>::max() << 0;
}

void TestUnitProtocol::fromValue()
{
    QFETCH(int, value);
    QFETCH(int, expected);
    QCOMPARE(static_cast<int>(DestinationInfo::FromValue(value)), expected);
    QCOMPARE(static_cast<int>(DestinationInfo::Of(value).Destination()), expected);
}

void TestUnitProtocol::optionIndex_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("expected");
    QTest::newRow("station button") << 0 << 1;
    QTest::newRow("channel button") << 1 << 2;
    QTest::newRow("pink button") << 2 << 3;
    QTest::newRow("past the last") << 3 << 0;
    QTest::newRow("negative") << -1 << 0;
    QTest::newRow("int max") << std::numeric_limits<int>::max() << 0;
}

void TestUnitProtocol::optionIndex()
{
    QFETCH(int, index);
    QFETCH(int, expected);
    QCOMPARE(static_cast<int>(DestinationInfo::FromOptionIndex(index)), expected);
}

QTEST_GUILESS_MAIN(TestUnitProtocol)
#include "tst_unit_protocol.moc"
