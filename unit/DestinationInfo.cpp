#include "DestinationInfo.h"

#include <array>

namespace {

// Indexed by the destination value.
constexpr std::array<DestinationInfo, 4> kTable{{
    {DestNone, '\0', "", "Send Station ID", "Erase Station ID", 0, 8000, 0},
    {DestStationID, 'S', "Station ID", "Send Station ID", "Erase Station ID", 1, 8000, 0},
    {DestChannelID, 'C', "Channel ID", "Send Channel ID", "Erase Channel ID", 1, 8000, 0},
    {DestPinkFile, 'P', "Pink Wave File", "Send Pink File", "Erase Pink File", 2, 48000, 44100},
}};

} // namespace

WaveDestination DestinationInfo::FromValue(int value)
{
    if (value < DestStationID || value > DestPinkFile) {
        return DestNone;
    }
    return static_cast<WaveDestination>(value);
}

WaveDestination DestinationInfo::FromOptionIndex(int index)
{
    if (index < 0 || index > 2) {
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

QString DestinationInfo::SendCaption() const
{
    return QString::fromLatin1(m_sendCaption);
}

QString DestinationInfo::EraseCaption() const
{
    return QString::fromLatin1(m_eraseCaption);
}
