// Output throughput into a pseudo-terminal whose peer reads as fast as it can, and the lateness
// of a 25 ms timer while Output holds its caller (fast peer, then a peer paced to ~100 KB/s).
#include "app/settings/RegEdit.h"
#include "serial/PortTable.h"
#include "serial/SerialControl.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <poll.h>
#include <pty.h>
#include <thread>
#include <unistd.h>

namespace {

struct Lateness
{
    double worst = 0;
    double total = 0;
    int ticks = 0;
};

void drainPeer(int fd, qint64 expected, int pauseMs, std::atomic<qint64>* got)
{
    char buffer[16384];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (*got < expected && std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) > 0) {
            const ssize_t n = ::read(fd, buffer, pauseMs ? 1024 : sizeof buffer);
            if (n > 0)
                *got += n;
        }
        if (pauseMs)
            std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    }
}

void run(const char* label, SerialControl& control, int master, int size, int pauseMs)
{
    std::atomic<qint64> got{0};
    std::thread peer(drainPeer, master, size, pauseMs, &got);
    Lateness late;
    QElapsedTimer clock;
    QTimer timer;
    double previous = 0;
    QObject::connect(&timer, &QTimer::timeout, &control, [&] {
        // Lateness: how much longer than 25 ms this tick came after the one before.
        const double now = clock.nsecsElapsed() / 1e6;
        const double lateMs = now - previous - 25;
        previous = now;
        late.worst = std::max(late.worst, lateMs);
        late.total += lateMs;
        ++late.ticks;
    });
    const QByteArray data(size, '\x5A');
    clock.start();
    timer.start(25);
    const CommError e = control.Output(data);
    const double holdMs = clock.nsecsElapsed() / 1e6;
    timer.stop();
    const CommError d = control.waitForDrain(60000);
    peer.join();
    const double totalMs = clock.nsecsElapsed() / 1e6;
    std::printf("%s: %d bytes, Output held %.0f ms, all read after %.0f ms (%.2f MB/s), "
                "errors %d/%d, peer got %lld\n",
                label, size, holdMs, totalMs, size / totalMs / 1000.0, e.number, d.number,
                static_cast<long long>(got.load()));
    std::printf("%s: 25 ms timer during the hold: %d ticks, lateness mean %.2f ms, worst %.2f ms\n",
                label, late.ticks, late.ticks ? late.total / late.ticks : 0.0, late.worst);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    RegEdit store(dir.filePath("registry.ini"));
    PortTable table(store, "Bench", dir.filePath("by-id"));
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
        return 1;
    ::close(slave);
    store.SaveRegSetting("Bench", "Ports", "COM1", QString::fromLocal8Bit(name));
    SerialControl control(&table);
    control.setCommPort(1);
    control.setOutBufferSize(2500);
    const CommError e = control.setPortOpen(true);
    if (!e.ok()) {
        std::printf("open failed: %d %s\n", e.number, qPrintable(e.description));
        return 1;
    }
    run("fast peer ", control, master, 8 * 1024 * 1024, 0);
    run("paced peer", control, master, 300 * 1024, 10);
    control.setPortOpen(false);
    ::close(master);
    return 0;
}
