// The Pink File loop: its length against the loop's, fitting it, the jump at the wrap and a
// cross-fade that removes it.
#include "wave/LoopCheck.h"

#include <QTest>

#include <cmath>
#include <numbers>

using LoopCheck::Fade;
using LoopCheck::Fit;

namespace {

struct FitRow
{
    qint64 length;
    Fit fit;
    qint64 fitted;
    double pad; // the value appended, where anything is
    const char* text;
};

struct FadeRow
{
    double period; // of the sine, in samples
    qint64 after;  // samples of the wave after the loop
    Fade fade;
    qint64 length; // of the result
    double gain;   // of both ends halfway through the fade
};

} // namespace

Q_DECLARE_METATYPE(FitRow)
Q_DECLARE_METATYPE(FadeRow)

class TestLoopCheck : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fitted_data();
    void fitted();
    void wrap_data();
    void wrap();
    void crossFaded_data();
    void crossFaded();
};

void TestLoopCheck::fitted_data()
{
    QTest::addColumn<FitRow>("row");
    const char* shorter = "120000 samples, 11072 short of 131072";
    const char* equal = "131072 samples, fits the loop";
    const char* longer = "140000 samples, 8928 over 131072";
    QTest::newRow("shorter, trim") << FitRow{120000, Fit::Trim, 120000, 0, shorter};
    QTest::newRow("shorter, pad silence") << FitRow{120000, Fit::PadSilence, 131072, 0, shorter};
    QTest::newRow("shorter, pad hold") << FitRow{120000, Fit::PadHold, 131072, 119999e-6, shorter};
    QTest::newRow("equal, trim") << FitRow{131072, Fit::Trim, 131072, 0, equal};
    QTest::newRow("equal, pad") << FitRow{131072, Fit::PadHold, 131072, 0, equal};
    QTest::newRow("longer, trim") << FitRow{140000, Fit::Trim, 131072, 0, longer};
    QTest::newRow("longer, pad") << FitRow{140000, Fit::PadSilence, 140000, 0, longer};
    QTest::newRow("empty, pad hold")
        << FitRow{0, Fit::PadHold, 131072, 0, "0 samples, 131072 short of 131072"};
}

void TestLoopCheck::fitted()
{
    QFETCH(FitRow, row);
    QCOMPARE(LoopCheck::lengthText(row.length, 131072), QString::fromUtf8(row.text));
    std::vector<double> x(static_cast<size_t>(row.length));
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = double(i) * 1e-6;
    const std::vector<double> out = LoopCheck::fitted(x, 131072, row.fit);
    QCOMPARE(qint64(out.size()), row.fitted);
    const qint64 kept = std::min(row.length, row.fitted);
    QVERIFY(std::equal(out.begin(), out.begin() + kept, x.begin()));
    QVERIFY(std::all_of(out.begin() + kept, out.end(), [&](double v) { return v == row.pad; }));
}

void TestLoopCheck::wrap_data()
{
    QTest::addColumn<QList<double>>("loop");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    const QLocale c = QLocale::c();
    QTest::newRow("steeper than the sound")
        << QList<double>{0.5, 0.1, -0.3} << c
        << "Loop jump 0.800 (-1.9 dB) after sample 2, steeper than the sound";
    QTest::newRow("German, full scale is 0 dB")
        << QList<double>{-0.5, 0.0, 0.5} << QLocale(QLocale::German)
        << "Loop jump 1,000 (0,0 dB) after sample 2, steeper than the sound";
    QTest::newRow("gentle") << QList<double>{0.0, 0.5, 0.01} << c
                            << "Loop jump 0.010 (-40.0 dB) after sample 2";
    QTest::newRow("none") << QList<double>{0.2, 0.6, 0.2} << c << "Loop jump 0.000 after sample 2";
    QTest::newRow("empty") << QList<double>{} << c << "No loop";
}

void TestLoopCheck::wrap()
{
    QFETCH(QList<double>, loop);
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QCOMPARE(LoopCheck::wrapText(LoopCheck::wrapOf(std::vector(loop.begin(), loop.end())), locale),
             text);
}

void TestLoopCheck::crossFaded_data()
{
    QTest::addColumn<FadeRow>("row");
    // 131072 samples are 1310.72 periods of 100: the slice stops mid-period.
    QTest::newRow("sound after it, linear") << FadeRow{100.0, 5000, Fade::Linear, 131072, 0.5};
    QTest::newRow("sound after it, equal power")
        << FadeRow{37.3, 2000, Fade::EqualPower, 131072, std::sqrt(0.5)};
    QTest::newRow("too little after it: own tail")
        << FadeRow{100.0, 1999, Fade::Linear, 129072, 0.5};
}

void TestLoopCheck::crossFaded()
{
    QFETCH(FadeRow, row);
    const qint64 loop = 131072;
    const qint64 n = 2000;
    std::vector<double> x(static_cast<size_t>(loop + row.after));
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = 0.8 * std::sin(2.0 * std::numbers::pi * double(i) / row.period);
    // The threshold: the steepest step the sound itself takes inside the loop.
    const LoopCheck::Wrap before = LoopCheck::wrapOf(std::span(x).first(size_t(loop)));
    QVERIFY(before.jump > before.largestStep);

    const std::vector<double> out = LoopCheck::crossFaded(x, loop, n, row.fade);
    QCOMPARE(qint64(out.size()), row.length);
    const double after = LoopCheck::wrapOf(out).jump;
    QVERIFY2(after < before.largestStep, qPrintable(QString::number(after)));
    // The start now goes on from where the wrap lands: after the loop, or after what is left.
    QCOMPARE(out[0], x[size_t(row.length)]);
    const qint64 mid = n / 2;
    QVERIFY(std::fabs(out[mid] - row.gain * (x[mid] + x[row.length + mid])) < 1e-12);
    QVERIFY(std::equal(out.begin() + n, out.end(), x.begin() + n));
}

QTEST_APPLESS_MAIN(TestLoopCheck)
#include "tst_loop_check.moc"
