#pragma once

#include "unit/WaveDestination.h"

#include <QByteArray>

#include <span>
#include <vector>

class LoadedWave;

// The slice as the unit will play it, made from the very bytes a download sends
// (DownloadEncoder::EncodeFrames at the level), so what is heard is what is written: the first
// channel, at most the unit's 131072 samples, an ID as its 8-bit bytes, the Pink File as its
// 16-bit words, at the rate the unit plays the destination.
namespace UnitPreview {

// The values the unit plays from a download's data bytes for dest: an ID byte b as
// (b - 128) / 128, a Pink File word v (two bytes, low first) as (v - 32768) / 32768; nothing for
// DestNone. A lone last byte of the Pink File is dropped.
std::vector<double> decoded(const QByteArray& data, WaveDestination dest);

// The first-channel values encoded as a download at level (1..100), cut to the unit's limit,
// and decoded back.
std::vector<double> played(std::span<const double> values, int bitsPerSample, WaveDestination dest,
                           int level);

// Makes `out` the preview of the source's slice: mono, 16-bit PCM at the destination's play
// rate (DestinationInfo::PlayRate), its slice the whole, ready for Playback; every value exact in
// 16 bits. False, leaving `out` as it was, when no file is open, the slice is empty or dest is
// DestNone. out must not be the source.
bool build(const LoadedWave& source, WaveDestination dest, int level, LoadedWave& out);

} // namespace UnitPreview
