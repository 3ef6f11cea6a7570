#pragma once

#include <QtGlobal>

#include <vector>

// Finds a phrase between the silence before and after it (samples at 8000 per second in
// [-1, 1]). A sample is sound when its magnitude reaches 1 % of the phrase's own peak (-40 dB)
// and at least AbsoluteFloor, so a recording's hiss of a step or two never counts as sound.
// MarginSamples (10 ms) beyond the first and last sound are kept, as far as the phrase reaches,
// so that soft onsets and decays stay whole.
namespace SilenceTrim {

inline constexpr double RelativeThreshold = 0.01;
inline constexpr double AbsoluteFloor = 2.0 / 32768;
inline constexpr qint32 MarginSamples = 80;

struct Span
{
    qint32 start = 0;
    qint32 length = 0; // 0: nothing in the phrase is sound
};

Span soundSpan(const std::vector<double>& samples);
// The samples of soundSpan.
std::vector<double> trimmed(const std::vector<double>& samples);

} // namespace SilenceTrim
