#include "FlashArea.h"

#include <QTest>

class tst_FlashArea : public QObject
{
    Q_OBJECT
private slots:
    void programAnds_data();
    void programAnds();
    void eraseAndLoad();
};

void tst_FlashArea::programAnds_data()
{
    QTest::addColumn<QList<int>>("values"); // programmed one after another at offset 1
    QTest::addColumn<int>("result");
    QTest::newRow("from erased") << QList<int>{0x5a} << 0x5a;
    QTest::newRow("FF keeps") << QList<int>{0x5a, 0xff} << 0x5a;
    QTest::newRow("bits only clear") << QList<int>{0xf0, 0x3c} << 0x30;
    QTest::newRow("zero sticks") << QList<int>{0x00, 0xff, 0x7f} << 0x00;
}

void tst_FlashArea::programAnds()
{
    QFETCH(QList<int>, values);
    QFETCH(int, result);
    FlashArea area(4);
    for (int v : values)
        area.program(1, char(v));
    QCOMPARE(quint8(area.contents()[1]), quint8(result));
    QCOMPARE(area.contents()[0], char(0xFF));
    QCOMPARE(area.isBlank(), result == 0xff);
}

void tst_FlashArea::eraseAndLoad()
{
    FlashArea area(8);
    QVERIFY(area.isBlank());
    area.program(8, 0); // past the end: dropped
    area.program(-1, 0);
    QVERIFY(area.isBlank());
    area.program(7, 0);
    QVERIFY(!area.isBlank());
    area.erase();
    QCOMPARE(area.contents(), QByteArray(8, char(0xFF)));
    QVERIFY(!area.load(QByteArray(7, 'x')));
    QVERIFY(area.isBlank());
    QVERIFY(area.load(QByteArray("abcdefgh")));
    QCOMPARE(area.contents(), QByteArray("abcdefgh"));
}

QTEST_GUILESS_MAIN(tst_FlashArea)
#include "tst_FlashArea.moc"
