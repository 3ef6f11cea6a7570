// Converting 10 minutes of 48 kHz stereo 16-bit sound (made by sox) to 8000 per second: speed
// against real time (target >= 50x) and the peak memory it adds (target <= twice the output's
// size plus the input's).
#include "wave/LoadedWave.h"
#include "wave/WaveConverter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>

namespace {
double PeakMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // kilobytes on Linux
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath("ten-minutes.wav");
    const double seconds = 600;
    if (QProcess::execute("sox", {"-n", "-r", "48000", "-b", "16", "-c", "2", path, "synth",
                                  QString::number(seconds), "pinknoise", "vol", "0.3"}) != 0) {
        std::printf("bench_wave_convert: sox could not make the input\n");
        return 1;
    }
    const double inputMiB = QFileInfo(path).size() / 1048576.0;
    const double before = PeakMiB();
    LoadedWave wave;
    QElapsedTimer clock;
    clock.start();
    const WaveConverter::Result r = WaveConverter::Convert(path, 8000, wave);
    const double elapsed = clock.elapsed() / 1000.0;
    const double outputMiB = wave.DataSize / 1048576.0;
    const double added = PeakMiB() - before;
    std::printf("bench_wave_convert: %.0f s of 48000 stereo 16-bit (%.1f MiB) to 8000: %s\n",
                seconds, inputMiB, r.ok ? "ok" : qPrintable(r.error));
    std::printf("time %.2f s, %.0fx real time (target >= 50x); %d frames\n", elapsed,
                seconds / elapsed, wave.SampleCount);
    std::printf(
        "peak memory added %.1f MiB, output %.1f MiB, limit 2 x output + input = %.1f MiB\n", added,
        outputMiB, 2 * outputMiB + inputMiB);
    return r.ok ? 0 : 1;
}
