#pragma once

#include "unit/WaveDestination.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <span>

// Conversion of first-channel sample values (as the wave accessors return them: 16-bit source in
// [-1, 32767/32768], 8-bit source in [-1, 127/128]) into the unit's byte formats.
// bitsPerSample 16 selects the 16-bit rules; every other width is treated as 8-bit, as the wave
// accessors do. level is the download attenuation in percent of full scale (1..100).
namespace DownloadEncoder {

// Nearest integer, halves to the even neighbour; NaN gives 0, values beyond the signed 32-bit
// range saturate.
qint32 RoundHalfEven(double y);

// Appends the byte(s) of one sample for dest; appends nothing for DestNone.
// Station ID / Channel ID: one unsigned byte, 128 is silence, never 0xFF.
// Pink File: two bytes of offset binary, low byte first, never both 0xFF.
// So no stream of encoded samples holds three 0xFF bytes in a row.
void EncodeSample(QByteArray& out, double x, int bitsPerSample, WaveDestination dest, int level);

// Encodes frames 0..count-1 obtained from sampleAt, at a fixed level; data bytes only.
QByteArray EncodeFrames(qint32 count, const std::function<double(qint32)>& sampleAt,
                        int bitsPerSample, WaveDestination dest, int level);
QByteArray EncodeFrames(std::span<const double> samples, int bitsPerSample, WaveDestination dest,
                        int level);

// The text of the "Caution" question asked before a slice longer than the unit's limit is cut
// down; empty for DestNone.
QString TruncationQuestion(WaveDestination dest);

} // namespace DownloadEncoder
