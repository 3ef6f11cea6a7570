// Feeds arbitrary bytes to the WAV loader (as an in-memory device) and reads frames through
// every accessor; any crash, sanitizer report or out-of-range sample value is a finding.
#include "wave/LoadedWave.h"
#include "wave/WaveFileReader.h"

#include <QBuffer>

#include <cstdint>
#include <limits>

namespace {

void check(double v)
{
    if (!(v >= -1.0 && v < 1.0))
        __builtin_trap();
}

void readFrame(const LoadedWave& wave, qint32 n)
{
    double left = 0, right = 0;
    check(wave.ReadSampleMono16(n));
    check(wave.ReadSampleMono8(n));
    wave.ReadSampleStereo16(n, left, right);
    check(left);
    check(right);
    wave.ReadSampleStereo8(n, left, right);
    check(left);
    check(right);
    check(wave.FirstChannel(n));
}

// Every frame that can hold bytes from the input, the last frames of the (possibly huge, zero)
// tail, and indices outside the valid range.
void readFrames(const LoadedWave& wave, size_t inputSize)
{
    const qint64 align = wave.Format.BlockAlign ? wave.Format.BlockAlign : 1;
    const qint64 head = qMin<qint64>(wave.SampleCount, qint64(inputSize) / align + 4);
    for (qint32 n = 0; n < head; ++n)
        readFrame(wave, n);
    for (qint64 n = qMax<qint64>(head, qint64(wave.SampleCount) - 4); n < wave.SampleCount; ++n)
        readFrame(wave, qint32(n));
    for (qint32 n : {-1, std::numeric_limits<qint32>::min(), wave.SampleCount,
                     std::numeric_limits<qint32>::max()})
        readFrame(wave, n);
}

void loadOnce(LoadedWave& wave, const QByteArray& bytes)
{
    QBuffer device;
    device.setData(bytes);
    if (!device.open(QIODevice::ReadOnly))
        return;
    const LoadResult result = LoadWaveDevice(wave, device);
    if (wave.FileOpen != (result.show == LoadResult::Show::Nothing))
        __builtin_trap();
    if (wave.FileOpen && wave.SampleData.size() < qint64(wave.SampleCount) * wave.Format.BlockAlign)
        __builtin_trap();
    readFrames(wave, size_t(bytes.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    LoadedWave wave;
    loadOnce(wave, bytes);
    // A second load into the same wave covers the reload path (old buffer replaced or kept).
    loadOnce(wave, bytes);
    return 0;
}
