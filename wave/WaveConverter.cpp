#include "wave/WaveConverter.h"

#include "wave/LoadedWave.h"
#include "wave/RateCheck.h"

#include <QFile>

#include <sndfile.h>
#include <soxr.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr sf_count_t kBlockFrames = 16384;

struct SndFileCloser
{
    void operator()(SNDFILE* f) const { sf_close(f); }
};
struct SoxrDeleter
{
    void operator()(soxr* s) const { soxr_delete(s); }
};
using SndFile = std::unique_ptr<SNDFILE, SndFileCloser>;
using Resampler = std::unique_ptr<soxr, SoxrDeleter>;

SndFile Open(const QString& path, SF_INFO* info)
{
    *info = SF_INFO{};
    return SndFile(sf_open(QFile::encodeName(path).constData(), SFM_READ, info));
}

QString SubtypeName(int format)
{
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_U8:
        return QStringLiteral("8-bit PCM");
    case SF_FORMAT_PCM_S8:
        return QStringLiteral("signed 8-bit PCM");
    case SF_FORMAT_PCM_16:
        return QStringLiteral("16-bit PCM");
    case SF_FORMAT_PCM_24:
        return QStringLiteral("24-bit PCM");
    case SF_FORMAT_PCM_32:
        return QStringLiteral("32-bit PCM");
    case SF_FORMAT_FLOAT:
        return QStringLiteral("32-bit float");
    case SF_FORMAT_DOUBLE:
        return QStringLiteral("64-bit float");
    case SF_FORMAT_ULAW:
        return QStringLiteral("µ-law");
    case SF_FORMAT_ALAW:
        return QStringLiteral("A-law");
    default:
        return QStringLiteral("compressed sound");
    }
}

QString Described(const SF_INFO& info)
{
    return QStringLiteral("%1, %2 samples/s, %3 channel%4")
        .arg(SubtypeName(info.format))
        .arg(info.samplerate)
        .arg(info.channels)
        .arg(info.channels == 1 ? "" : "s");
}

} // namespace

std::optional<QString> WaveConverter::Offer(const QString& path, quint32 rate)
{
    SF_INFO info;
    if (!Open(path, &info))
        return std::nullopt;
    const int major = info.format & SF_FORMAT_TYPEMASK;
    const int sub = info.format & SF_FORMAT_SUBMASK;
    const bool readable = (major == SF_FORMAT_WAV || major == SF_FORMAT_WAVEX) &&
                          (sub == SF_FORMAT_PCM_16 || sub == SF_FORMAT_PCM_U8) &&
                          info.channels <= 2;
    if ((readable && isRateSupported(quint32(info.samplerate))) || info.channels > 2)
        return std::nullopt;
    return QStringLiteral("This file is %1. Convert it to 16-bit PCM at %2 samples/s?")
        .arg(Described(info))
        .arg(rate);
}

QString WaveConverter::Describe(const QString& path)
{
    SF_INFO info;
    return Open(path, &info) ? Described(info) : QString();
}

WaveConverter::Result WaveConverter::Convert(const QString& path, quint32 rate, LoadedWave& out,
                                             const Progress& progress)
{
    SF_INFO info;
    const SndFile file = Open(path, &info);
    if (!file)
        return {false, false, QString::fromLocal8Bit(sf_strerror(nullptr))};
    if (info.channels < 1 || info.channels > 2 || info.samplerate <= 0 || rate == 0)
        return {false, false, QStringLiteral("only mono and stereo sound can be converted")};
    const int channels = info.channels;
    // Full scale in, full scale out: no normalisation behind the technician's back.
    sf_command(file.get(), SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
    soxr_error_t error = nullptr;
    soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_INT16_I);
    io.flags |= SOXR_NO_DITHER; // the same file converts to the same samples every time
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    const Resampler resampler(
        soxr_create(info.samplerate, rate, unsigned(channels), &error, &io, &quality, nullptr));
    if (error)
        return {false, false, QString::fromLatin1(error)};
    const double ratio = double(rate) / info.samplerate;
    std::vector<qint16> samples;
    samples.reserve(size_t(std::ceil(double(info.frames) * ratio + 64) * channels));
    std::vector<float> in(size_t(kBlockFrames * channels));
    std::vector<qint16> block(size_t((kBlockFrames * ratio + 1024) * channels));
    const size_t blockFrames = block.size() / size_t(channels);
    sf_count_t read = 0;
    for (;;) {
        const sf_count_t got = sf_readf_float(file.get(), in.data(), kBlockFrames);
        read += std::max<sf_count_t>(got, 0);
        // An empty input flushes the filter's tail; keep draining until it gives nothing.
        const bool last = got <= 0;
        size_t done = 0;
        error = soxr_process(resampler.get(), last ? nullptr : in.data(),
                             size_t(std::max<sf_count_t>(got, 0)), nullptr, block.data(),
                             blockFrames, &done);
        if (error)
            return {false, false, QString::fromLatin1(error)};
        samples.insert(samples.end(), block.begin(), block.begin() + qsizetype(done * channels));
        if (last && done == 0)
            break;
        if (!last && progress && !progress(info.frames > 0 ? double(read) / info.frames : 0.0))
            return {false, true, QStringLiteral("Conversion cancelled.")};
    }
    if (!out.Store16(samples, channels, rate))
        return {false, false, QStringLiteral("the converted sound is too large")};
    return {true, false, {}};
}

std::vector<double> WaveConverter::Resample(const std::vector<double>& samples, double fromRate,
                                            double toRate)
{
    if (fromRate <= 0 || toRate <= 0 || samples.empty())
        return {};
    std::vector<double> out(size_t(std::llround(double(samples.size()) * toRate / fromRate)));
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT64_I, SOXR_FLOAT64_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    size_t done = 0;
    const soxr_error_t error =
        soxr_oneshot(fromRate, toRate, 1, samples.data(), samples.size(), nullptr, out.data(),
                     out.size(), &done, &io, &quality, nullptr);
    out.resize(error ? 0 : done);
    return out;
}
