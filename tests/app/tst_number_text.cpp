// The program's number texts, without a window.
#include "app/core/NumberText.h"

#include <QTest>

class TestNumberText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readings_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("val"); // the leading numeric value
        QTest::addColumn<int>("int16");  // -99999: not a 16-bit number
        QTest::newRow("tab-led") << "\t4" << 4.0 << 4;
        QTest::newRow("blank tag") << "" << 0.0 << -99999;
        QTest::newRow("trailing text") << "7x" << 7.0 << -99999;
        QTest::newRow("letters") << "COM3" << 0.0 << -99999;
        QTest::newRow("negative") << " -12" << -12.0 << -12;
        QTest::newRow("half to even") << "2.5" << 2.5 << 2;
        QTest::newRow("other half up") << "3.5" << 3.5 << 4;
        QTest::newRow("largest") << "32767" << 32767.0 << 32767;
        QTest::newRow("too large") << "32768" << 32768.0 << -99999;
    }

    void readings()
    {
        QFETCH(QString, text);
        QFETCH(double, val);
        QFETCH(int, int16);
        QCOMPARE(NumberText::Val(text), val);
        const auto strict = NumberText::ToInt16(text);
        QCOMPARE(strict ? int(*strict) : -99999, int16);
    }

    void forms()
    {
        QCOMPARE(NumberText::Str(131072), QStringLiteral(" 131072"));
        QCOMPARE(NumberText::Str(-5), QStringLiteral("-5"));
        QCOMPARE(NumberText::Plain(3), QStringLiteral("3"));
        const QLocale german(QLocale::German, QLocale::Germany);
        QCOMPARE(NumberText::Fixed(1234.5678, 3, german), QStringLiteral("1234,568"));
        QCOMPARE(NumberText::Fixed(-7.75, 1, QLocale::c()), QStringLiteral("-7.8"));
    }
};

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_number_text.moc"
