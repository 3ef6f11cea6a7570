// The slice's times as a person reads them and the plot's time ruler, without a window.
#include "wave/LoadedWave.h"
#include "wave/SliceTimes.h"

#include <QTest>

class TestSliceTimes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void seconds_data();
    void seconds();
    void ruler_data();
    void ruler();
};

namespace {
const QLocale kC = QLocale::c();
const QLocale kGerman(QLocale::German, QLocale::Germany);
} // namespace

void TestSliceTimes::seconds_data()
{
    QTest::addColumn<quint32>("rate");
    QTest::addColumn<qint64>("frames");
    QTest::addColumn<QString>("text"); // in German: the locale's separator
    const auto row = [](const char* name, quint32 rate, qint64 frames, const char* text) {
        QTest::newRow(name) << rate << frames << QString::fromUtf8(text);
    };
    row("8000: 0.375 ms rounds down", 8000, 3, "0,000 s");
    row("8000: half a ms, a tie, rounds up", 8000, 4, "0,001 s");
    row("8000: the unit's 131072", 8000, 131072, "16,384 s");
    row("44100: 0.499 ms rounds down", 44100, 22, "0,000 s");
    row("44100: 0.522 ms rounds up", 44100, 23, "0,001 s");
    row("44100: one frame before a second", 44100, 44099, "1,000 s");
    row("44100: 131072", 44100, 131072, "2,972 s");
    row("48000: just under half a ms", 48000, 23, "0,000 s");
    row("48000: 131072", 48000, 131072, "2,731 s");
    row("48000: long, no group separator", 48000, 48000LL * 4000 + 1200, "4000,025 s");
    row("no rate", 0, 100, "");
}

void TestSliceTimes::seconds()
{
    QFETCH(quint32, rate);
    QFETCH(qint64, frames);
    QFETCH(QString, text);
    QCOMPARE(SliceTimes::seconds(frames, rate, kGerman), text);
    LoadedWave w;
    w.FileOpen = true;
    w.Format.SampleRate = rate;
    w.SliceStart = 8;
    w.SliceEnd = qint32(8 + frames);
    const SliceTimes::Texts t = SliceTimes::sliceTexts(w, kC);
    QCOMPARE(t.start, SliceTimes::seconds(8, rate, kC));
    QCOMPARE(t.end, SliceTimes::seconds(w.SliceEnd, rate, kC));
    QCOMPARE(t.length, SliceTimes::seconds(w.SliceEnd - 8, rate, kC));
}

void TestSliceTimes::ruler_data()
{
    QTest::addColumn<quint32>("rate");
    QTest::addColumn<qint64>("start");
    QTest::addColumn<qint64>("frames");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("spacing");
    QTest::addColumn<double>("step");
    QTest::addColumn<int>("count");
    // The first and the last tick as "seconds@x:text"; empty without ticks.
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    const auto row = [](const char* name, quint32 rate, qint64 start, qint64 frames, int width,
                        int spacing, double step, int count, const char* first, const char* last) {
        QTest::newRow(name) << rate << start << frames << width << spacing << step << count
                            << QString::fromUtf8(first) << QString::fromUtf8(last);
    };
    // 2.731 s over 6000 twips, 1000 apart at least: 0.455 s, so half seconds.
    row("48000: the Pink File", 48000, 0, 131072, 6000, 1000, 0.5, 6, "0@0:0.0", "2.5@5493:2.5");
    // 0.5 s from 1 s on, 500 twips apart: 0.0417 s, so 0.05; both ends are ticks.
    row("8000: inside the file", 8000, 8000, 4000, 6000, 500, 0.05, 11, "1@0:1.00",
        "1.5@6000:1.50");
    // 1200 twips of 6000 for a second are exactly 0.2 s: the step is 0.2, not 0.5.
    row("44100: a step exactly nice", 44100, 22050, 44100, 6000, 1200, 0.2, 5, "0.6@600:0.6",
        "1.4@5400:1.4");
    row("44100: no tick inside", 44100, 100, 300, 1000, 1000, 0.01, 0, "", "");
    row("8000: tens of seconds", 8000, 0, 800000, 1000, 100, 10.0, 11, "0@0:0", "100@1000:100");
    row("48000: empty slice", 48000, 100, 0, 6000, 1000, 0.0, 0, "", "");
}

void TestSliceTimes::ruler()
{
    QFETCH(quint32, rate);
    QFETCH(qint64, start);
    QFETCH(qint64, frames);
    QFETCH(int, width);
    QFETCH(int, spacing);
    QFETCH(double, step);
    QFETCH(int, count);
    QFETCH(QString, first);
    QFETCH(QString, last);
    const SliceTimes::Ruler r = SliceTimes::rulerFor(start, frames, rate, width, spacing, kC);
    QVERIFY2(std::fabs(r.step - step) < 1e-12, qPrintable(QString::number(r.step)));
    QCOMPARE(r.ticks.size(), qsizetype(count));
    const auto show = [](const SliceTimes::Tick& t) {
        return QStringLiteral("%1@%2:%3").arg(t.seconds).arg(t.x).arg(t.text);
    };
    QCOMPARE(r.ticks.isEmpty() ? QString() : show(r.ticks.first()), first);
    QCOMPARE(r.ticks.isEmpty() ? QString() : show(r.ticks.last()), last);
    for (qsizetype i = 1; i < r.ticks.size(); ++i) {
        QVERIFY(r.ticks[i].x - r.ticks[i - 1].x >= spacing - 1); // rounding may take one twip
        QVERIFY(std::fabs(r.ticks[i].seconds - r.ticks[i - 1].seconds - step) < 1e-9);
    }
}

QTEST_APPLESS_MAIN(TestSliceTimes)
#include "tst_slice_times.moc"
