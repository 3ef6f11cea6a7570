#include "wave/LoadedWave.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <utility>

const uchar* LoadedWave::bytesAt(qint32 n, int byteInFrame, int width) const
{
    if (n < 0)
        return nullptr;
    // 64-bit offsets: n * BlockAlign overflows 32 bits for large buffers.
    const qint64 offset = qint64(n) * Format.BlockAlign + byteInFrame;
    if (offset + width > SampleData.size())
        return nullptr;
    return SampleData.data() + offset;
}

double LoadedWave::sample16(qint32 n, int byteInFrame) const
{
    const uchar* p = bytesAt(n, byteInFrame, 2);
    return p ? qFromLittleEndian<qint16>(p) / 32768.0 : 0.0;
}

double LoadedWave::sample8(qint32 n, int byteInFrame) const
{
    const uchar* p = bytesAt(n, byteInFrame, 1);
    return p ? (int(*p) - 128) / 128.0 : 0.0;
}

double LoadedWave::ReadSampleMono16(qint32 n) const
{
    return sample16(n, 0);
}

double LoadedWave::ReadSampleMono8(qint32 n) const
{
    return sample8(n, 0);
}

void LoadedWave::ReadSampleStereo16(qint32 n, double& left, double& right) const
{
    left = sample16(n, 0);
    right = sample16(n, 2);
}

void LoadedWave::ReadSampleStereo8(qint32 n, double& left, double& right) const
{
    left = sample8(n, 0);
    right = sample8(n, 1);
}

double LoadedWave::FirstChannel(qint32 n) const
{
    const bool wide = Format.BitsPerSample == 16;
    if (Format.Channels == 2) {
        double left = 0.0;
        double right = 0.0;
        if (wide)
            ReadSampleStereo16(n, left, right);
        else
            ReadSampleStereo8(n, left, right);
        return left;
    }
    return wide ? ReadSampleMono16(n) : ReadSampleMono8(n);
}

std::vector<double> LoadedWave::FirstChannelValues(qint32 start, qint32 count) const
{
    std::vector<double> values(static_cast<size_t>(std::max(count, 0)));
    for (qint32 i = 0; i < count; ++i)
        values[static_cast<size_t>(i)] = FirstChannel(start + i);
    return values;
}

bool LoadedWave::StoreMono(std::span<const double> values, quint32 rate)
{
    std::vector<qint16> samples(values.size());
    std::transform(values.begin(), values.end(), samples.begin(), [](double x) {
        return qint16(std::clamp(std::nearbyint(x * 32768.0), -32768.0, 32767.0));
    });
    return Store16(samples, 1, rate);
}

bool LoadedWave::Store16(std::span<const qint16> samples, int channels, quint32 rate)
{
    const qint64 bytes = qint64(samples.size()) * 2;
    const qint64 frames = channels > 0 ? qint64(samples.size()) / channels : 0;
    if (channels <= 0 || frames > 0x7FFFFFFF || bytes > 0xFFFFFFFFLL)
        return false;
    SampleBuffer buffer;
    if (!buffer.allocate(bytes))
        return false;
    for (size_t i = 0; i < samples.size(); ++i) // little-endian, as in a WAV file
        qToLittleEndian<qint16>(samples[i], buffer.data() + 2 * i);
    SampleData = std::move(buffer);
    Format = WaveFormat{};
    Format.FormatTag = 1;
    Format.Channels = quint16(channels);
    Format.SampleRate = rate;
    Format.BlockAlign = quint16(channels * 2);
    Format.ByteRate = rate * Format.BlockAlign;
    Format.BitsPerSample = 16;
    DataSize = quint32(bytes);
    SampleCount = qint32(frames);
    SliceStart = 0;
    SliceEnd = qint32(frames);
    FileOpen = true;
    return true;
}
