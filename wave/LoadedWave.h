#pragma once

#include "wave/SampleBuffer.h"
#include "wave/WaveFormat.h"

#include <atomic>
#include <span>
#include <vector>

// The one in-memory wave file. FileOpen true means Format, DataSize, SampleData and SampleCount
// all describe the last successfully loaded file; nothing may use the samples otherwise.
// Frame n starts at byte n * Format.BlockAlign of SampleData.
class LoadedWave
{
public:
    WaveFormat Format;
    qint32 SampleCount = 0;
    qint32 SliceStart = 0;
    qint32 SliceEnd = 0;
    bool FileOpen = false;
    quint32 DataSize = 0;
    SampleBuffer SampleData;
    // True while the slice is being heard; cleared when its sound has ended or was stopped.
    std::atomic<bool> Playing{false};

    // One frame as values in [-1, 1): 16-bit as signed / 32768, 8-bit as (byte - 128) / 128.
    // Callers pass 0 <= n < SampleCount. As a last guard, a sample whose bytes lie (even partly)
    // outside SampleData reads as 0.0 instead of touching memory beyond it.
    double ReadSampleMono16(qint32 n) const;
    double ReadSampleMono8(qint32 n) const;
    void ReadSampleStereo16(qint32 n, double& left, double& right) const;
    void ReadSampleStereo8(qint32 n, double& left, double& right) const;

    // The first channel of frame n, read the way every consumer reads it: the stereo pair when
    // Channels is 2, the 16-bit accessor when BitsPerSample is 16, 8-bit otherwise.
    double FirstChannel(qint32 n) const;
    // FirstChannel of the count frames from start on, read once (what a download sends).
    std::vector<double> FirstChannelValues(qint32 start, qint32 count) const;

    // Makes this the wave of the interleaved 16-bit samples (format tag 1, `rate` per second,
    // slice the whole, FileOpen true). False, leaving the wave as it was, when the samples are
    // too many for a WAV file or the memory cannot be had.
    bool Store16(std::span<const qint16> samples, int channels, quint32 rate);
    // Store16 of mono values in [-1, 1): each times 32768, to the nearest integer (halves to
    // even), held to the 16-bit range.
    bool StoreMono(std::span<const double> values, quint32 rate);

private:
    double sample16(qint32 n, int byteInFrame) const;
    double sample8(qint32 n, int byteInFrame) const;
    const uchar* bytesAt(qint32 n, int byteInFrame, int width) const;
};
