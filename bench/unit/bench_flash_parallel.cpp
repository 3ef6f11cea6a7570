// pelorin-flash programming a bench of units: one unit, then 8 at once, each an orvanta-sim paced
// like a 9600-baud line. Prints the wall time of both runs, their ratio (target <= 1.05) and the
// CPU the program used for the 8 units as a share of one core (target < 10 %).
#include "tests/unit/SimUnit.h"
#include "tests/unit/TestWav.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

double ChildCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Run
{
    int status = -1;
    double wallSeconds = 0;
    double cpuSeconds = 0;
};

// Programs the Station ID of `units` simulators with wave; the simulators stay up meanwhile so
// that only pelorin-flash is counted among the finished children.
Run Program(int units, const QString& wave, const QTemporaryDir& home)
{
    std::vector<std::unique_ptr<SimUnit>> sims;
    QStringList args{"program", "station", wave, "--quiet"};
    for (int i = 0; i < units; ++i) {
        sims.push_back(std::make_unique<SimUnit>());
        if (!sims.back()->Start({"--baud", "9600"}))
            return {};
        args << "--port" << sims.back()->Link();
    }
    QProcess flash;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.filePath("config"));
    flash.setProcessEnvironment(env);
    flash.setProcessChannelMode(QProcess::ForwardedChannels);
    const double cpu0 = ChildCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    flash.start(QStringLiteral(PELORIN_FLASH_PATH), args);
    flash.waitForFinished(600000);
    Run run;
    run.wallSeconds = clock.elapsed() / 1000.0;
    run.cpuSeconds = ChildCpuSeconds() - cpu0;
    run.status = flash.exitStatus() == QProcess::NormalExit ? flash.exitCode() : -2;
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir home;
    const QString wave = home.filePath("station.wav");
    TestWav wav;
    wav.bits = 8;
    for (int i = 0; i < 8000; ++i)
        wav.frames.append({128 + (i * 13) % 90 - 45, 0});
    if (!wav.Write(wave))
        return 1;
    const Run one = Program(1, wave, home);
    const Run eight = Program(8, wave, home);
    std::printf("bench_flash_parallel: program of an 8000-frame Station ID at 9600 baud\n");
    std::printf("one unit: exit %d, %.2f s wall, %.3f s CPU\n", one.status, one.wallSeconds,
                one.cpuSeconds);
    std::printf("8 units at once: exit %d, %.2f s wall, %.3f s CPU\n", eight.status,
                eight.wallSeconds, eight.cpuSeconds);
    std::printf("wall time of 8 against one: %.3f (target <= 1.05); CPU %.2f %% of a core "
                "(target < 10 %%)\n",
                eight.wallSeconds / one.wallSeconds, 100 * eight.cpuSeconds / eight.wallSeconds);
    return one.status == 0 && eight.status == 0 ? 0 : 1;
}
