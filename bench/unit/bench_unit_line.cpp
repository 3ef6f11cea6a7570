// Times the main window's unit commands against orvanta-sim paced like a 9600-baud line:
//  - line use: from the Send click to the last byte the unit receives, for a 16384-frame
//    Station ID, over the time the line needs for those bytes at 960 bytes per second;
//  - how late the window's 25-ms timer (tmr_Delay) ticks while a download holds the window;
//  - the CPU time the program uses during a full erase wait with a silent unit;
//  - the time Send takes against the line time (it must follow the line, not run ahead of it);
//  - the bytes the unit receives after Stop Transfer is clicked;
//  - the CPU used from an exit during a download to the window's unload (stop, drain, copy);
//  - what COM > Line Log costs while it is open during a download (CPU with it against without).
// Prints the figures; the targets are 1.02, 30 ms, 0.3 s, >= 0.95, <= 2800 bytes, 0.2 s and 2 %.
#include "serial/gui/LineLogWindow.h"
#include "tests/unit/SimUnit.h"
#include "tests/unit/UnitWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

constexpr double kLineBytesPerSecond = 960.0;

TestWav Tone(int frames)
{
    TestWav wav;
    wav.bits = 8;
    wav.rate = 8000;
    for (int i = 0; i < frames; ++i)
        wav.frames.append({128 + ((i * 13) % 90) - 45, 0});
    return wav;
}

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Processes events until rx.bin holds `bytes` bytes or the time runs out; elapsed ms or -1.
qint64 WaitForReceived(const SimUnit& sim, qint64 bytes, const QElapsedTimer& clock, int maxMs)
{
    const QString rx = sim.FlashDir() + QStringLiteral("/rx.bin");
    QEventLoop loop;
    QTimer poll;
    qint64 at = -1;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (QFileInfo(rx).size() >= bytes) {
            at = clock.elapsed();
            loop.quit();
        } else if (clock.elapsed() > maxMs) {
            loop.quit();
        }
    });
    poll.start(2);
    loop.exec();
    return at;
}

bool Ready(UnitWindow& u, SimUnit& sim, const QStringList& options, int frames)
{
    if (!sim.Start(options)) {
        std::printf("  orvanta-sim did not start\n");
        return false;
    }
    u.AttachCom1(sim.Link());
    if (frames > 0 && !u.Open(Tone(frames))) {
        std::printf("  the wave file did not open\n");
        return false;
    }
    return true;
}

void SendStationId(UnitWindow& u)
{
    u.Choose(0);
    u.Answer({Toolkit::Ok});
    u.Click(0);
}

void LineUse()
{
    UnitWindow u;
    SimUnit sim;
    const int frames = 16384;
    if (!Ready(u, sim, {"--baud", "9600"}, frames))
        return;
    const qint64 bytes = frames + 10;
    QElapsedTimer clock;
    clock.start();
    SendStationId(u);
    const qint64 toolMs = clock.elapsed();
    const qint64 lastByteMs = WaitForReceived(sim, bytes, clock, 60000);
    const double lineMs = bytes * 1000.0 / kLineBytesPerSecond;
    std::printf("line use: %lld bytes, Send returned after %lld ms, last byte received after "
                "%lld ms, line time %.0f ms, ratio %.4f (target <= 1.02)\n",
                static_cast<long long>(bytes), static_cast<long long>(toolMs),
                static_cast<long long>(lastByteMs), lineMs, lastByteMs / lineMs);
    std::printf("Send time against the line time: %.4f (target >= 0.95)\n", toolMs / lineMs);
}

void TimerDuringDownload()
{
    UnitWindow u;
    SimUnit sim;
    // Larger than what the pseudo-terminal takes at once, so the port holds the download.
    const int frames = 40000;
    if (!Ready(u, sim, {"--baud", "9600"}, frames))
        return;
    QElapsedTimer clock;
    qint64 last = -1;
    qint64 worst = 0;
    double total = 0;
    int ticks = 0;
    QObject watch;
    QObject::connect(u.Controls().tmr_Delay, &QTimer::timeout, &watch, [&] {
        const qint64 now = clock.nsecsElapsed() / 1000;
        if (last >= 0) {
            const qint64 late = std::max<qint64>(0, now - last - 25000);
            worst = std::max(worst, late);
            total += late;
            ++ticks;
        }
        last = now;
    });
    clock.start();
    SendStationId(u);
    const qint64 ms = clock.elapsed();
    std::printf("tmr_Delay during a %d-frame download (%lld ms in Send): %d ticks, worst "
                "lateness %.1f ms, mean %.2f ms (target <= 30 ms)\n",
                frames, static_cast<long long>(ms), ticks, worst / 1000.0,
                ticks ? total / ticks / 1000.0 : 0.0);
}

void EraseCpu()
{
    UnitWindow u;
    SimUnit sim;
    if (!Ready(u, sim, {"--baud", "9600", "--ignore"}, 0))
        return;
    u.Choose(0);
    u.Answer({Toolkit::Ok});
    QElapsedTimer clock;
    clock.start();
    const double cpu0 = CpuSeconds();
    u.Click(1);
    const double cpu = CpuSeconds() - cpu0;
    std::printf("erase wait with a silent unit: %lld ms, CPU %.3f s (target <= 0.3 s)\n",
                static_cast<long long>(clock.elapsed()), cpu);
}

void BytesAfterStop()
{
    UnitWindow u;
    SimUnit sim;
    if (!Ready(u, sim, {"--baud", "9600"}, 40000))
        return;
    qint64 atClick = -1;
    QTimer::singleShot(6000, &u.Window(), [&] {
        atClick = sim.Received().size();
        u.Click(2);
    });
    SendStationId(u);
    QElapsedTimer clock;
    clock.start();
    const qint64 copy = QFileInfo(u.CopyPath()).size();
    WaitForReceived(sim, copy, clock, 20000);
    std::printf("Stop Transfer after 6 s: the unit had %lld bytes, received %lld after the click "
                "(target <= 2800)\n",
                static_cast<long long>(atClick), static_cast<long long>(copy - atClick));
}

void ExitCpu()
{
    UnitWindow u;
    SimUnit sim;
    if (!Ready(u, sim, {"--baud", "9600"}, 40000))
        return;
    u.Window().show();
    double cpu0 = 0;
    QElapsedTimer clock;
    QTimer::singleShot(4000, &u.Window(), [&] {
        cpu0 = CpuSeconds();
        clock.start();
        u.Window().ExitWithoutQuestion();
    });
    SendStationId(u);
    QElapsedTimer settle;
    settle.start();
    while (u.Window().isVisible() && settle.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    std::printf("exit during a download: window gone %lld ms after the request, CPU %.3f s "
                "(target <= 0.2 s)\n",
                static_cast<long long>(clock.elapsed()), CpuSeconds() - cpu0);
}

// CPU share of one core used by a 16384-frame Station ID download, with or without the log.
double DownloadCpuShare(bool withLog, qint64* logChars)
{
    UnitWindow u;
    SimUnit sim;
    if (!Ready(u, sim, {"--baud", "9600"}, 16384))
        return -1;
    u.Window().show();
    if (withLog)
        u.Controls().mnuLineLog->trigger();
    QElapsedTimer clock;
    clock.start();
    const double cpu0 = CpuSeconds();
    SendStationId(u);
    const double share = (CpuSeconds() - cpu0) / (clock.elapsed() / 1000.0);
    if (withLog && u.Window().LineLogView())
        *logChars = u.Window().LineLogView()->View()->document()->characterCount();
    return share;
}

void LineLogCost()
{
    qint64 chars = 0;
    const double without = DownloadCpuShare(false, &chars);
    const double with = DownloadCpuShare(true, &chars);
    std::printf("download with COM > Line Log open: CPU %.2f %% of a core, without it %.2f %%, "
                "the log costs %.2f %% (target < 2 %%); %lld characters shown\n",
                with * 100, without * 100, (with - without) * 100, static_cast<long long>(chars));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("bench_unit_line: orvanta-sim at 9600 baud over a pseudo-terminal\n");
    // bench_unit_line [name...] runs only the named figures.
    const std::pair<const char*, void (*)()> figures[] = {
        {"line-use", LineUse}, {"timer", TimerDuringDownload},
        {"erase", EraseCpu},   {"stop", BytesAfterStop},
        {"exit", ExitCpu},     {"line-log", LineLogCost}};
    const QStringList chosen = app.arguments().mid(1);
    for (const auto& [name, run] : figures) {
        if (chosen.isEmpty() || chosen.contains(QLatin1String(name)))
            run();
    }
    return 0;
}
