// The Sound menu's numbers, without a window: the Pink File loop (its length against the loop's,
// fitting it, the jump at the wrap and a cross-fade that removes it), the slice's times with the
// plot's time ruler, and the download level's read-out.
#include "wave/AttenuationText.h"
#include "wave/LoadedWave.h"
#include "wave/LoopCheck.h"
#include "wave/SliceTimes.h"

#include <QTest>

#include <cmath>
#include <functional>
#include <numbers>

using LoopCheck::Fade;
using LoopCheck::Fit;
using Text = std::function<QString()>;
Q_DECLARE_METATYPE(Fade)
Q_DECLARE_METATYPE(Text)

namespace {

constexpr qint64 kLoop = 131072;
const QLocale kC = QLocale::c();
const QLocale kGerman(QLocale::German, QLocale::Germany);

struct RulerRow
{
    quint32 rate;
    qint64 start, frames;
    int width, spacing;
    const char* ruler; // "step: count", then the first and the last tick as "seconds@x:text"
};

} // namespace

Q_DECLARE_METATYPE(RulerRow)

class TestLoopCheck : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void texts_data()
    {
        QTest::addColumn<Text>("made");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, Text made, const char* text) {
            QTest::newRow(name) << made << QString::fromUtf8(text);
        };
        const auto wrap = [](std::vector<double> loop, QLocale l) {
            return [=] { return LoopCheck::wrapText(LoopCheck::wrapOf(loop), l); };
        };
        // Seconds in German, for the locale's separator.
        const auto seconds = [](quint32 rate, qint64 frames) {
            return [=] { return SliceTimes::seconds(frames, rate, kGerman); };
        };
        row("wrap: German, full scale is 0 dB", wrap({-0.5, 0.0, 0.5}, kGerman),
            "Loop jump 1,000 (0,0 dB) after sample 2, steeper than the sound");
        row("wrap: gentle", wrap({0.0, 0.5, 0.01}, kC),
            "Loop jump 0.010 (-40.0 dB) after sample 2");
        row("wrap: none", wrap({0.2, 0.6, 0.2}, kC), "Loop jump 0.000 after sample 2");
        row("wrap: empty", wrap({}, kC), "No loop");
        row("8000: 0.375 ms rounds down", seconds(8000, 3), "0,000 s");
        row("8000: half a ms, a tie, rounds up", seconds(8000, 4), "0,001 s");
        row("44100: one frame before a second", seconds(44100, 44099), "1,000 s");
        row("48000: long, no group separator", seconds(48000, 48000LL * 4000 + 1200), "4000,025 s");
        row("no rate", seconds(0, 100), "");
        // 10 ln(level / 100) cut to 4 characters, or to 5 below -10 so that one decimal stays.
        const auto level = [](int v, QLocale l) {
            return [=] { return AttenuationText::Value(v, l); };
        };
        row("level 100: no attenuation", level(100, kC), "0");
        row("level 37: just above -10", level(37, kC), "-9.9");
        row("level 36: just below -10", level(36, kC), "-10.2");
        row(
            "slice: start, end, length",
            [] {
                LoadedWave w;
                w.StoreMono(std::vector<double>(44), 8000);
                w.SliceStart = 4;
                const SliceTimes::Texts t = SliceTimes::sliceTexts(w, kGerman);
                return QStringList({t.start, t.end, t.length}).join(" | ");
            },
            "0,001 s | 0,006 s | 0,005 s");
    }
    void texts()
    {
        QFETCH(Text, made);
        QFETCH(QString, text);
        QCOMPARE(made(), text);
    }

    void fitted_data()
    {
        QTest::addColumn<qint64>("length");
        QTest::addColumn<QString>("text");
        QTest::newRow("shorter") << qint64(120000) << "120000 samples, 11072 short of 131072";
        QTest::newRow("equal") << kLoop << "131072 samples, fits the loop";
        QTest::newRow("longer") << qint64(140000) << "140000 samples, 8928 over 131072";
        QTest::newRow("empty") << qint64(0) << "0 samples, 131072 short of 131072";
    }
    // Each fit acts in its own direction only: a trim only shortens, a pad only lengthens.
    void fitted()
    {
        QFETCH(qint64, length);
        QFETCH(QString, text);
        QCOMPARE(LoopCheck::lengthText(length, kLoop), text);
        std::vector<double> x(static_cast<size_t>(length));
        for (size_t i = 0; i < x.size(); ++i)
            x[i] = double(i + 1) * 1e-6;
        for (const Fit fit : {Fit::Trim, Fit::PadSilence, Fit::PadHold}) {
            const std::vector<double> out = LoopCheck::fitted(x, kLoop, fit);
            QCOMPARE(qint64(out.size()),
                     fit == Fit::Trim ? std::min(length, kLoop) : std::max(length, kLoop));
            const auto kept = std::min(out.size(), x.size());
            QVERIFY(std::equal(out.begin(), out.begin() + kept, x.begin()));
            const double pad = fit == Fit::PadHold && length > 0 ? x.back() : 0.0;
            QVERIFY(std::all_of(out.begin() + kept, out.end(), [&](double v) { return v == pad; }));
        }
    }

    void crossFaded_data()
    {
        QTest::addColumn<double>("period"); // of the sine, in samples
        QTest::addColumn<qint64>("after");  // samples of the wave after the loop
        QTest::addColumn<Fade>("fade");
        QTest::addColumn<double>("gain"); // of both ends halfway through the fade
        // 131072 samples are 1310.72 periods of 100: the slice stops mid-period.
        QTest::newRow("sound after it, linear") << 100.0 << qint64(5000) << Fade::Linear << 0.5;
        QTest::newRow("sound after it, equal power")
            << 37.3 << qint64(2000) << Fade::EqualPower << std::sqrt(0.5);
        QTest::newRow("too little after it: own tail")
            << 100.0 << qint64(1999) << Fade::Linear << 0.5;
    }
    void crossFaded()
    {
        QFETCH(double, period);
        QFETCH(qint64, after);
        QFETCH(Fade, fade);
        QFETCH(double, gain);
        const qint64 n = 2000;
        std::vector<double> x(static_cast<size_t>(kLoop + after));
        for (size_t i = 0; i < x.size(); ++i)
            x[i] = 0.8 * std::sin(2.0 * std::numbers::pi * double(i) / period);
        // The threshold: the steepest step the sound itself takes inside the loop.
        const LoopCheck::Wrap before = LoopCheck::wrapOf(std::span(x).first(size_t(kLoop)));
        QVERIFY(before.clicks());
        const std::vector<double> out = LoopCheck::crossFaded(x, kLoop, n, fade);
        // Without n samples after the loop its own tail stands in for them and is cut off.
        const qint64 length = after >= n ? kLoop : kLoop - n;
        QCOMPARE(qint64(out.size()), length);
        QVERIFY(LoopCheck::wrapOf(out).jump < before.largestStep);
        // The start now goes on from where the wrap lands.
        QCOMPARE(out[0], x[size_t(length)]);
        QVERIFY(std::fabs(out[n / 2] - gain * (x[n / 2] + x[length + n / 2])) < 1e-12);
        QVERIFY(std::equal(out.begin() + n, out.end(), x.begin() + n));
    }

    void ruler_data()
    {
        QTest::addColumn<RulerRow>("r");
        const auto row = [](const char* name, RulerRow r) { QTest::newRow(name) << r; };
        // 2.731 s over 6000 twips, 1000 apart at least: 0.455 s, so half seconds.
        row("48000: the Pink File", {48000, 0, 131072, 6000, 1000, "0.5: 6 0@0:0.0 2.5@5493:2.5"});
        // 0.5 s from 1 s on, 500 twips apart: 0.0417 s, so 0.05; both ends are ticks.
        row("8000: inside the file",
            {8000, 8000, 4000, 6000, 500, "0.05: 11 1@0:1.00 1.5@6000:1.50"});
        // 1200 twips of 6000 for a second are exactly 0.2 s: the step is 0.2, not 0.5.
        row("44100: a step exactly nice",
            {44100, 22050, 44100, 6000, 1200, "0.2: 5 0.6@600:0.6 1.4@5400:1.4"});
        row("8000: tens of seconds", {8000, 0, 800000, 1000, 100, "10: 11 0@0:0 100@1000:100"});
        row("48000: empty slice", {48000, 100, 0, 6000, 1000, "0: 0"});
    }
    void ruler()
    {
        QFETCH(RulerRow, r);
        const SliceTimes::Ruler ruler =
            SliceTimes::rulerFor(r.start, r.frames, r.rate, r.width, r.spacing, kC);
        const auto show = [](const SliceTimes::Tick& t) {
            return QStringLiteral(" %1@%2:%3").arg(t.seconds).arg(t.x).arg(t.text);
        };
        QString text = QStringLiteral("%1: %2").arg(ruler.step).arg(ruler.ticks.size());
        if (!ruler.ticks.isEmpty())
            text += show(ruler.ticks.first()) + show(ruler.ticks.last());
        QCOMPARE(text, QString::fromUtf8(r.ruler));
    }
};

QTEST_APPLESS_MAIN(TestLoopCheck)
#include "tst_loop_check.moc"
