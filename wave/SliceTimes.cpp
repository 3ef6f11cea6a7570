#include "wave/SliceTimes.h"

#include "app/core/NumberText.h"
#include "wave/LoadedWave.h"

#include <algorithm>
#include <cmath>

namespace SliceTimes {

namespace {

// Tolerance for steps and tick positions that land on a boundary up to the double's last bits.
constexpr double kSlack = 1e-9;

// The step as mantissa (1, 2 or 5) times ten to the exponent, so multiples are computed exactly.
struct Step
{
    int mantissa = 1;
    int exponent = 0;

    double value() const { return mantissa * std::pow(10.0, exponent); }
    double times(qint64 k) const
    {
        const double scaled = double(k) * mantissa;
        return exponent < 0 ? scaled / std::pow(10.0, -exponent)
                            : scaled * std::pow(10.0, exponent);
    }
    int decimals() const { return std::max(0, -exponent); }
};

// The smallest 1, 2 or 5 times a power of ten that is not below rough (> 0).
Step niceStep(double rough)
{
    Step step{1, int(std::floor(std::log10(rough)))};
    for (const int m : {1, 2, 5, 10}) {
        step.mantissa = m;
        if (step.value() >= rough * (1.0 - kSlack))
            break;
    }
    if (step.mantissa == 10)
        step = {1, step.exponent + 1};
    return step;
}

} // namespace

QString seconds(qint64 frames, quint32 rate, const QLocale& locale)
{
    if (rate == 0)
        return {};
    // Integer milliseconds, halves up: no double decides a tie such as 4 frames at 8000/s.
    const qint64 magnitude = (std::abs(frames) * 2000 + rate) / (2 * qint64(rate));
    const qint64 ms = frames < 0 ? -magnitude : magnitude;
    return NumberText::Fixed(double(ms) / 1000.0, 3, locale) + QStringLiteral(" s");
}

Texts sliceTexts(const LoadedWave& wave, const QLocale& locale)
{
    if (!wave.FileOpen)
        return {};
    const quint32 rate = wave.Format.SampleRate;
    return {seconds(wave.SliceStart, rate, locale), seconds(wave.SliceEnd, rate, locale),
            seconds(qint64(wave.SliceEnd) - wave.SliceStart, rate, locale)};
}

Ruler rulerFor(qint64 startFrame, qint64 frames, quint32 rate, int width, int minSpacing,
               const QLocale& locale)
{
    if (frames <= 0 || rate == 0 || width < 1 || minSpacing < 1)
        return {};
    const double duration = double(frames) / rate;
    const Step step = niceStep(minSpacing * duration / width);
    Ruler ruler{step.value(), {}};
    const double startSec = double(startFrame) / rate;
    const double endSec = double(startFrame + frames) / rate;
    const auto first = qint64(std::ceil(startSec / ruler.step - kSlack));
    const auto last = qint64(std::floor(endSec / ruler.step + kSlack));
    for (qint64 k = first; k <= last; ++k) {
        const double at = step.times(k);
        const double x = (at * rate - double(startFrame)) * width / double(frames);
        const int twips = std::clamp(int(std::nearbyint(x)), 0, width);
        ruler.ticks.append({at, twips, NumberText::Fixed(at, step.decimals(), locale)});
    }
    return ruler;
}

} // namespace SliceTimes
