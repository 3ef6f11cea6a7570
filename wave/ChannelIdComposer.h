#pragma once

#include "wave/ChannelIdLayout.h"

#include <QString>

#include <array>
#include <vector>

class LoadedWave;

// Builds a Channel ID from one phrase per channel. Each phrase (samples at 8000 per second,
// empty for a silent slot) is trimmed of the silence around it (SilenceTrim), fitted to its slot
// when it is too long and the row asks for it, then placed at the start of its slot. One gain
// serves all phrases: the loudest phrase's peak reaches the level, the others keep their
// loudness relative to it.
class ChannelIdComposer
{
public:
    // What to do with a phrase longer than its slot.
    enum class Fit
    {
        None,   // nothing: the composition fails and names the row
        Trim,   // cut to the slot, ending in a FadeSamples fade-out so the cut does not click
        SpeedUp // time-compressed to the slot (resampled by length / slot): faster and higher
    };
    static constexpr qint32 FadeSamples = 40; // 5 ms
    static constexpr double DefaultLevelPercent = 90.0;

    struct Input
    {
        std::array<std::vector<double>, ChannelIdLayout::Channels> phrases; // [0]: channel 1
        std::array<Fit, ChannelIdLayout::Channels> fits{};                  // all Fit::None
        ChannelIdLayout::Mode mode = ChannelIdLayout::Mode::HalfSecond;
        double levelPercent = DefaultLevelPercent; // target peak, (0, 100] % of full scale
    };

    struct RowReport
    {
        qint32 sourceLength = 0; // samples after trimming
        qint32 slotLength = 0;
        qint32 placedLength = 0;  // samples in the slot; 0 when the row is too long and unfitted
        bool tooLong = false;     // sourceLength > slotLength
        Fit fittedBy = Fit::None; // Trim or SpeedUp only when the row was too long and fitted
        // "Channel 3: 5000 samples (0.625 s), 904 samples (0.113 s) longer than its slot of 4096
        // (0.512 s)"; empty when the phrase fits.
        QString tooLongText(int channel) const;
    };

    struct Result
    {
        bool ok = false;
        QString error; // why not: a too-long row's tooLongText per line, or a bad level
        std::array<RowReport, ChannelIdLayout::Channels> rows;
        std::vector<qint16> samples; // ChannelIdLayout::Total when ok, empty otherwise
    };

    static Result compose(const Input& input);

    // Makes a successful result the loaded wave: mono, 16-bit, 8000 per second, the slice the
    // whole Channel ID. False, `out` left as it was, when the result is not ok.
    static bool toLoadedWave(const Result& result, LoadedWave& out);
};
