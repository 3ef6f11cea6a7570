#include "unit/UnitPreview.h"

#include "unit/DestinationInfo.h"
#include "unit/DownloadEncoder.h"
#include "unit/UnitProtocol.h"
#include "wave/LoadedWave.h"

#include <algorithm>
#include <cmath>

namespace UnitPreview {

std::vector<double> decoded(const QByteArray& data, WaveDestination dest)
{
    const int width = DestinationInfo::Of(dest).BytesPerSample();
    std::vector<double> values;
    if (width == 0)
        return values;
    values.reserve(size_t(data.size() / width));
    const auto byte = [&data](qsizetype i) { return int(quint8(data[i])); };
    for (qsizetype i = 0; i + width <= data.size(); i += width) {
        if (width == 1)
            values.push_back((byte(i) - 128) / 128.0);
        else
            values.push_back((byte(i) + 256 * byte(i + 1) - 32768) / 32768.0);
    }
    return values;
}

std::vector<double> played(std::span<const double> values, int bitsPerSample, WaveDestination dest,
                           int level)
{
    const size_t sent = std::min(values.size(), size_t(UnitProtocol::MaxDownloadSamples));
    const QByteArray data =
        DownloadEncoder::EncodeFrames(values.first(sent), bitsPerSample, dest, level);
    return decoded(data, dest);
}

bool build(const LoadedWave& source, WaveDestination dest, int level, LoadedWave& out)
{
    const qint32 slice = source.SliceEnd - source.SliceStart;
    if (!source.FileOpen || slice <= 0 || DestinationInfo::FromValue(dest) == DestNone)
        return false;
    // Only what the unit takes is read, however long the slice.
    const qint32 count = std::min(slice, UnitProtocol::MaxDownloadSamples);
    const std::vector<double> heard = played(source.FirstChannelValues(source.SliceStart, count),
                                             source.Format.BitsPerSample, dest, level);
    // Every value is a whole number of 1/32768 (ID bytes of 1/128), so 16 bits hold it exactly.
    return out.StoreMono(heard, DestinationInfo::Of(dest).PlayRate());
}

} // namespace UnitPreview
