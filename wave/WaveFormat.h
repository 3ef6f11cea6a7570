#pragma once

#include <QtGlobal>

// The 18-byte wave format record: the first 18 bytes of a "fmt " chunk, little-endian, packed.
// Fields are stored as read; only the loader's refusals look at them.
struct WaveFormat
{
    static constexpr int RecordSize = 18;
    static constexpr quint16 ExtensibleTag = 0xFFFE; // the sub-format follows the record

    quint16 FormatTag = 0;
    quint16 Channels = 0;
    quint32 SampleRate = 0;
    quint32 ByteRate = 0;
    quint16 BlockAlign = 0;
    quint16 BitsPerSample = 0;
    quint16 ExtraSize = 0;

    // Serialises to / overwrites from the 18-byte on-disk layout.
    void toBytes(uchar (&bytes)[RecordSize]) const;
    void fromBytes(const uchar (&bytes)[RecordSize]);
};
