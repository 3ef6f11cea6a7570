// The toolkit layer's conversions and the program's number texts.
#include "NumberText.h"
#include "Toolkit.h"

#include <QTest>

class TestToolkit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void standardForm_data();
    void standardForm();
    void val_data();
    void val();
    void toInt16_data();
    void toInt16();
    void filterToQt();
    void bgrColours_data();
    void bgrColours();
};

void TestToolkit::standardForm_data()
{
    QTest::addColumn<qint64>("value");
    QTest::addColumn<QString>("standard");
    QTest::addColumn<QString>("plain");
    QTest::newRow("zero") << qint64(0) << " 0"
                          << "0";
    QTest::newRow("slice") << qint64(131072) << " 131072"
                           << "131072";
    QTest::newRow("port") << qint64(3) << " 3"
                          << "3";
    QTest::newRow("negative") << qint64(-5) << "-5"
                              << "-5";
}

void TestToolkit::standardForm()
{
    QFETCH(qint64, value);
    QFETCH(QString, standard);
    QFETCH(QString, plain);
    QCOMPARE(NumberText::Str(value), standard);
    QCOMPARE(NumberText::Plain(value), plain);
}

void TestToolkit::val_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("blank-led") << " 3" << 3.0;
    QTest::newRow("zero tag") << "0" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("trailing text") << "7x" << 7.0;
    QTest::newRow("letters") << "COM3" << 0.0;
    QTest::newRow("negative") << " -12" << -12.0;
    QTest::newRow("decimal") << "2.5" << 2.5;
}

void TestToolkit::val()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(NumberText::Val(text), value);
}

void TestToolkit::toInt16_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");
    QTest::newRow("blank-led") << " 3" << true << 3;
    QTest::newRow("half rounds to even") << "2.5" << true << 2;
    QTest::newRow("other half") << "3.5" << true << 4;
    QTest::newRow("largest") << "32767" << true << 32767;
    QTest::newRow("too large") << "32768" << false << 0;
    QTest::newRow("letters") << "COM3" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
}

void TestToolkit::toInt16()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, value);
    const auto result = NumberText::ToInt16(text);
    QCOMPARE(result.has_value(), ok);
    if (ok)
        QCOMPARE(int(*result), value);
}

void TestToolkit::filterToQt()
{
    QCOMPARE(Toolkit::FilterToQt("Wav Files (*.wav)|*.wav|All Files (*.*)|*.*"),
             QStringLiteral("Wav Files (*.wav);;All Files (*.*)"));
}

void TestToolkit::bgrColours_data()
{
    QTest::addColumn<quint32>("bgr");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("red") << quint32(0x0000FF) << QColor(255, 0, 0);
    QTest::newRow("cyan") << quint32(0xFFFF00) << QColor(0, 255, 255);
    QTest::newRow("green") << quint32(0x00FF00) << QColor(0, 255, 0);
    QTest::newRow("light red") << quint32(0xC0C0FF) << QColor(255, 0xC0, 0xC0);
}

void TestToolkit::bgrColours()
{
    QFETCH(quint32, bgr);
    QFETCH(QColor, colour);
    QCOMPARE(Toolkit::FromBgr(bgr), colour);
}

QTEST_MAIN(TestToolkit)
#include "tst_toolkit.moc"
