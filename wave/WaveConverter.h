#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <vector>

class LoadedWave;

// Turns a sound file the project's own reader cannot use as it is (other rates, µ-law, A-law,
// 24-bit, 32-bit, float, extensible) into 16-bit PCM at a chosen rate: decoded by libsndfile,
// resampled by libsoxr at high quality (with its anti-alias filter). The file is read in blocks,
// so memory holds the output and one block. Channels are kept.
class WaveConverter
{
public:
    struct Result
    {
        bool ok = false;
        bool cancelled = false;
        QString error; // why it failed, in words
    };
    // Called after each block with the share done (0..1); returning false cancels.
    using Progress = std::function<bool(double done)>;

    // Fills `out` (format tag 1, 16 bits, `rate` per second, slice the whole file) only on
    // success; on failure or cancel `out` is left as it was.
    static Result Convert(const QString& path, quint32 rate, LoadedWave& out,
                          const Progress& progress = {});

    // The question to ask when the project's reader cannot use the file as it is (a format it
    // refuses, or a rate other than 8000, 44100 and 48000) and libsndfile can read it; nullopt
    // when the file loads as it is or cannot be converted either.
    static std::optional<QString> Offer(const QString& path, quint32 rate);

    // Samples resampled from `fromRate` to `toRate` per second by libsoxr at high quality, its
    // filter's delay removed: size · toRate / fromRate of them, rounded. Empty for rates <= 0.
    static std::vector<double> Resample(const std::vector<double>& samples, double fromRate,
                                        double toRate);

    // What the file holds in words ("µ-law, 22050 samples/s, 1 channel"); empty if unreadable.
    static QString Describe(const QString& path);
};
