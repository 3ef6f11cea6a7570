#pragma once

#include <QLocale>
#include <QString>
#include <QtGlobal>

#include <limits>
#include <span>
#include <vector>

// The Pink File as the unit plays it: a fixed number of samples (the unit's 131072,
// UnitProtocol::MaxDownloadSamples, passed in as loopLength) repeated without end, so its length
// must fit exactly and its last sample must lead smoothly into its first. Samples are
// first-channel values in [-1, 1], as LoadedWave::FirstChannelValues gives them.
namespace LoopCheck {

// The length against the loop's: "131072 samples, fits the loop", "120000 samples, 11072 short
// of 131072", "140000 samples, 8928 over 131072".
QString lengthText(qint64 length, qint64 loopLength);

enum class Fit
{
    Trim,       // drop the samples past loopLength
    PadSilence, // append zeros up to loopLength
    PadHold     // append copies of the last sample (no new step where the padding starts)
};
// The samples fitted to loopLength. Each choice acts in its own direction only: Trim returns a
// shorter slice as it is, the pads return a longer one as it is (the caller checks the size).
// An empty slice is padded with silence whichever pad is chosen.
std::vector<double> fitted(std::span<const double> samples, qint64 loopLength, Fit fit);

// The step the unit plays where the loop starts again.
struct Wrap
{
    double jump = 0.0; // |x[L-1] - x[0]| in full-scale units (0..2)
    double jumpDb = -std::numeric_limits<double>::infinity(); // 20 log10(jump); 0 dB: full scale
    double largestStep = 0.0; // the largest |x[i+1] - x[i]| inside the loop
    qint64 index = -1;        // the loop's last sample, after which it wraps; -1: empty loop
    // The wrap is steeper than any step the sound takes itself: it is heard as a click.
    bool clicks() const { return jump > largestStep; }
};
Wrap wrapOf(std::span<const double> loop);
// "Loop jump 0.412 (-7.7 dB) after sample 131071" with the locale's decimal separator, plus
// ", steeper than the sound" when it clicks; "No loop" for an empty one.
QString wrapText(const Wrap& wrap, const QLocale& locale);

enum class Fade
{
    Linear,    // gains w and 1 - w: keeps the level when both ends are alike (in phase)
    EqualPower // gains sin and cos of w * pi / 2: keeps the power when the ends are unrelated
};
// The loop's end cross-faded into its start over n samples, so the wrap has no click. samples
// holds the loop (its first loopLength values; fewer make a shorter loop) and, where the wave
// goes on, what follows it. With n values after the loop: out[i] = w x[i] + (1 - w) x[L + i]
// for i < n, w = i / n rising from 0, and out[i] = x[i] after; the result is L long and wraps
// from x[L-1] to x[L], the sound's own next step. Without them the loop's own last n samples
// are faded into its start instead and the result is n shorter (L - n), wrapping from x[L-n-1]
// to x[L-n]. n is held to 0..L (0..L/2 for the shorter result); 0 returns the loop as it is.
std::vector<double> crossFaded(std::span<const double> samples, qint64 loopLength, qint64 n,
                               Fade fade);

} // namespace LoopCheck
