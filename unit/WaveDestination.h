#pragma once

// Which of the unit's three sound files a command works on. The values are fixed: they travel
// as small integers between the destination buttons, the download and the erase.
enum WaveDestination
{
    DestNone = 0,
    DestStationID = 1,
    DestChannelID = 2,
    DestPinkFile = 3
};
