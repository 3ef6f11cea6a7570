#pragma once

#include <QtGlobal>

// Where the unit looks for each channel's phrase in a Channel ID: 16 slots of 8192 samples at
// 8000 per second, 131072 samples in all. In half-second mode (the unit's default, set by a
// jumper) a phrase takes the second half of its slot; in one-second mode the whole slot.
// Everything outside the phrases is silence.
namespace ChannelIdLayout {

enum class Mode
{
    HalfSecond,
    OneSecond
};

inline constexpr int Channels = 16;
inline constexpr quint32 Rate = 8000;
inline constexpr qint32 SlotSamples = 8192;
inline constexpr qint32 Total = Channels * SlotSamples; // 131072, the unit's whole FLASH file

// Samples the phrase of one channel may take.
constexpr qint32 slotLength(Mode mode)
{
    return mode == Mode::HalfSecond ? SlotSamples / 2 : SlotSamples;
}

// First sample of the phrase of channel k (1..Channels).
constexpr qint32 slotStart(int channel, Mode mode)
{
    return SlotSamples * channel - slotLength(mode);
}

} // namespace ChannelIdLayout
