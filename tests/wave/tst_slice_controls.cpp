// The slider arithmetic: slice bounds from the two slice sliders and the attenuation read-out of
// the level slider, in the user's locale.
#include "AttenuationText.h"
#include "SliceMath.h"

#include <QtTest>

#include <charconv>
#include <cmath>

class TestSliceControls : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void frameAt_data();
    void frameAt();
    void captionTable_data();
    void captionTable();
    void everyLevel_data();
    void everyLevel();
};

void TestSliceControls::frameAt_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<qint32>("count");
    QTest::addColumn<qint32>("frame");
    QTest::newRow("131072 at 0") << 0 << 131072 << 0;
    QTest::newRow("131072 at 1000") << 1000 << 131072 << 131072;
    QTest::newRow("12345 at 1: 12.345") << 1 << 12345 << 12;
    QTest::newRow("12345 at 999: 12332.655") << 999 << 12345 << 12333;
    QTest::newRow("500 at 3: 1.5 to even") << 3 << 500 << 2;
    QTest::newRow("500 at 4: 2.0") << 4 << 500 << 2;
    QTest::newRow("500 at 5: 2.5 to even") << 5 << 500 << 2;
    QTest::newRow("500 at 7: 3.5 to even") << 7 << 500 << 4;
    QTest::newRow("no file loaded") << 700 << 0 << 0;
    QTest::newRow("largest count at 1000") << 1000 << 2147483647 << 2147483647;
    QTest::newRow("one hour at 48000, 500") << 500 << 172800000 << 86400000;
}

void TestSliceControls::frameAt()
{
    QFETCH(int, position);
    QFETCH(qint32, count);
    QFETCH(qint32, frame);
    QCOMPARE(SliceMath::FrameAt(position, count), frame);
}

void TestSliceControls::captionTable_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("caption");
    const char* rows[][2] = {
        {"100", "Download Attenuation 0 Db"},    {"99", "Download Attenuation -0.1 Db"},
        {"90", "Download Attenuation -1.0 Db"},  {"50", "Download Attenuation -6.9 Db"},
        {"37", "Download Attenuation -9.9 Db"},  {"36", "Download Attenuation -10.2 Db"},
        {"10", "Download Attenuation -23.0 Db"}, {"1", "Download Attenuation -46.0 Db"}};
    for (const auto& row : rows)
        QTest::newRow(row[0]) << QByteArray(row[0]).toInt() << QString::fromLatin1(row[1]);
}

void TestSliceControls::captionTable()
{
    QFETCH(int, level);
    QFETCH(QString, caption);
    QCOMPARE(AttenuationText::Caption(level, QLocale::c()), caption);
    QString comma = caption;
    comma.replace(QLatin1Char('.'), QLatin1Char(','));
    QCOMPARE(AttenuationText::Caption(level, QLocale(QLocale::German)), comma);
}

void TestSliceControls::everyLevel_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::newRow("point") << QLocale::c();
    QTest::newRow("comma") << QLocale(QLocale::German);
    QTest::newRow("point, English") << QLocale(QLocale::English, QLocale::UnitedStates);
    QTest::newRow("comma, French") << QLocale(QLocale::French);
}

void TestSliceControls::everyLevel()
{
    QFETCH(QLocale, locale);
    for (int v = 1; v <= 100; ++v) {
        // The C library's shortest-form conversion with 15 significant digits, then the
        // locale's separator, then the cut.
        const double a = 10.0 * std::log(double(v) / 100.0);
        char buffer[64] = {};
        std::to_chars(buffer, buffer + sizeof buffer, a, std::chars_format::general, 15);
        QString text = QString::fromLatin1(buffer);
        text.replace(QLatin1Char('.'), locale.decimalPoint());
        text.truncate(a < -10.0 ? 5 : 4);
        QCOMPARE(AttenuationText::Value(v, locale), text);
        QVERIFY2(text.size() <= 5 && !text.contains(QLatin1Char('e')), qPrintable(text));
    }
}

QTEST_APPLESS_MAIN(TestSliceControls)
#include "tst_slice_controls.moc"
