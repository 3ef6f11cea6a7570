#include "unit/DestinationInfo.h"

#include <array>

namespace {

// Indexed by the destination value.
constexpr std::array<DestinationInfo, DestinationInfo::Count + 1> kTable{{
    {DestNone, '\0', "", "", "Send Station ID", "Erase Station ID", 0, 8000, 0, false},
    {DestStationID, 'S', "Station ID", "Station ID", "Send Station ID", "Erase Station ID", 1, 8000,
     0, false},
    {DestChannelID, 'C', "Channel ID", "Channel ID", "Send Channel ID", "Erase Channel ID", 1, 8000,
     0, false},
    {DestPinkFile, 'P', "Pink Wave File", "Pink File", "Send Pink File", "Erase Pink File", 2,
     48000, 44100, true},
}};
static_assert(
    [] {
        for (size_t i = 0; i < kTable.size(); ++i)
            if (kTable[i].Destination() != int(i))
                return false;
        return true;
    }(),
    "one row per destination value, in order");

} // namespace

WaveDestination DestinationInfo::FromValue(int value)
{
    if (value < 1 || value > Count) {
        return DestNone;
    }
    return static_cast<WaveDestination>(value);
}

WaveDestination DestinationInfo::FromOptionIndex(int index)
{
    if (index < 0 || index >= Count) {
        return DestNone;
    }
    return FromValue(index + 1);
}

const DestinationInfo& DestinationInfo::Of(int destination)
{
    return kTable[FromValue(destination)];
}

QString DestinationInfo::DestinationName() const
{
    return QString::fromLatin1(m_name);
}

QString DestinationInfo::OptionCaption() const
{
    return QString::fromLatin1(m_optionCaption);
}

QString DestinationInfo::SendCaption() const
{
    return QString::fromLatin1(m_sendCaption);
}

QString DestinationInfo::EraseCaption() const
{
    return QString::fromLatin1(m_eraseCaption);
}
