#include "wave/SilenceTrim.h"

#include <algorithm>
#include <cmath>

namespace SilenceTrim {

Span soundSpan(const std::vector<double>& samples)
{
    const auto magnitude = [](double a, double b) { return std::abs(a) < std::abs(b); };
    const auto loudest = std::max_element(samples.begin(), samples.end(), magnitude);
    if (loudest == samples.end())
        return {};
    const double threshold = std::max(std::abs(*loudest) * RelativeThreshold, AbsoluteFloor);
    const auto isSound = [threshold](double v) { return std::abs(v) >= threshold; };
    const auto first = std::find_if(samples.begin(), samples.end(), isSound);
    if (first == samples.end())
        return {};
    const auto last = std::find_if(samples.rbegin(), samples.rend(), isSound).base();
    const qint64 start = std::max<qint64>(first - samples.begin() - MarginSamples, 0);
    const qint64 end =
        std::min<qint64>(last - samples.begin() + MarginSamples, qint64(samples.size()));
    return {qint32(start), qint32(end - start)};
}

std::vector<double> trimmed(const std::vector<double>& samples)
{
    const Span span = soundSpan(samples);
    return {samples.begin() + span.start, samples.begin() + span.start + span.length};
}

} // namespace SilenceTrim
