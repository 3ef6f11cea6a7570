#pragma once

#include "WaveDestination.h"

#include <QString>

// Fixed facts about one destination: its code letter on the line, its display name, the captions
// of the Send and Erase buttons, the width of one sample in the unit's format and the rates the
// unit plays it at.
// DestNone has no code letter, an empty name, zero width and the captions shown at start-up.
class DestinationInfo
{
public:
    // Any value outside 1..3 yields the DestNone entry.
    static const DestinationInfo& Of(int destination);
    // Maps a stored integer to a destination; anything outside 1..3 becomes DestNone.
    static WaveDestination FromValue(int value);
    // Option button k (0..2) chooses destination k + 1; any other index gives DestNone.
    static WaveDestination FromOptionIndex(int index);

    WaveDestination Destination() const { return m_destination; }
    char CodeLetter() const { return m_codeLetter; }
    QString DestinationName() const;
    QString SendCaption() const;
    QString EraseCaption() const;
    int BytesPerSample() const { return m_bytesPerSample; }
    // The rate the unit plays this destination at, which conversion aims for.
    quint32 PlayRate() const { return m_playRate; }
    // Whether a file at this rate plays at its own speed here (the Pink File also takes 44100).
    bool Plays(quint32 rate) const
    {
        return rate == m_playRate || (rate != 0 && rate == m_alsoRate);
    }

    constexpr DestinationInfo(WaveDestination destination, char codeLetter, const char* name,
                              const char* sendCaption, const char* eraseCaption, int bytesPerSample,
                              quint32 playRate, quint32 alsoRate)
        : m_destination(destination), m_codeLetter(codeLetter), m_name(name),
          m_sendCaption(sendCaption), m_eraseCaption(eraseCaption),
          m_bytesPerSample(bytesPerSample), m_playRate(playRate), m_alsoRate(alsoRate)
    {
    }

private:
    WaveDestination m_destination;
    char m_codeLetter;
    const char* m_name;
    const char* m_sendCaption;
    const char* m_eraseCaption;
    int m_bytesPerSample;
    quint32 m_playRate;
    quint32 m_alsoRate; // 0: none
};
