#include "wave/WaveFormat.h"

#include <QtEndian>

void WaveFormat::toBytes(uchar (&bytes)[RecordSize]) const
{
    qToLittleEndian(FormatTag, bytes + 0);
    qToLittleEndian(Channels, bytes + 2);
    qToLittleEndian(SampleRate, bytes + 4);
    qToLittleEndian(ByteRate, bytes + 8);
    qToLittleEndian(BlockAlign, bytes + 12);
    qToLittleEndian(BitsPerSample, bytes + 14);
    qToLittleEndian(ExtraSize, bytes + 16);
}

void WaveFormat::fromBytes(const uchar (&bytes)[RecordSize])
{
    FormatTag = qFromLittleEndian<quint16>(bytes + 0);
    Channels = qFromLittleEndian<quint16>(bytes + 2);
    SampleRate = qFromLittleEndian<quint32>(bytes + 4);
    ByteRate = qFromLittleEndian<quint32>(bytes + 8);
    BlockAlign = qFromLittleEndian<quint16>(bytes + 12);
    BitsPerSample = qFromLittleEndian<quint16>(bytes + 14);
    ExtraSize = qFromLittleEndian<quint16>(bytes + 16);
}
