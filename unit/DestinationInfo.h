#pragma once

#include "unit/WaveDestination.h"

#include <QString>

// Fixed facts about one destination, one row of the destination table: its code letter on the
// line, its display name, the caption of its option button and of the Send and Erase buttons,
// the width of one sample in the unit's format, the rates the unit plays it at and whether other
// rates are refused. The table's rows drive the option buttons, the captions, the truncation
// question, the encoding and the rate checks; adding a destination means adding a row (and its
// area in the unit simulator).
// DestNone has no code letter, an empty name, zero width and the captions shown at start-up.
class DestinationInfo
{
public:
    // The destinations after DestNone: the option buttons, one per row.
    static constexpr int Count = 3;

    // Any value outside 1..Count yields the DestNone entry.
    static const DestinationInfo& Of(int destination);
    // Maps a stored integer to a destination; anything outside 1..Count becomes DestNone.
    static WaveDestination FromValue(int value);
    // Option button k (0..Count - 1) chooses destination k + 1; any other index gives DestNone.
    static WaveDestination FromOptionIndex(int index);

    constexpr WaveDestination Destination() const { return m_destination; }
    char CodeLetter() const { return m_codeLetter; }
    QString DestinationName() const;
    QString OptionCaption() const;
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
    // True: a file at a rate this destination does not play is refused at Send; false: it is
    // offered a conversion and may be sent frame for frame.
    bool RefusesOtherRates() const { return m_refusesOtherRates; }

    constexpr DestinationInfo(WaveDestination destination, char codeLetter, const char* name,
                              const char* optionCaption, const char* sendCaption,
                              const char* eraseCaption, int bytesPerSample, quint32 playRate,
                              quint32 alsoRate, bool refusesOtherRates)
        : m_destination(destination), m_codeLetter(codeLetter), m_name(name),
          m_optionCaption(optionCaption), m_sendCaption(sendCaption), m_eraseCaption(eraseCaption),
          m_bytesPerSample(bytesPerSample), m_playRate(playRate), m_alsoRate(alsoRate),
          m_refusesOtherRates(refusesOtherRates)
    {
    }

private:
    WaveDestination m_destination;
    char m_codeLetter;
    const char* m_name;
    const char* m_optionCaption;
    const char* m_sendCaption;
    const char* m_eraseCaption;
    int m_bytesPerSample;
    quint32 m_playRate;
    quint32 m_alsoRate; // 0: none
    bool m_refusesOtherRates;
};
