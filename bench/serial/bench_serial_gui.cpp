// The serial link of the real main window: the time of a port probe of COM1..COM16 (none
// present, two pseudo-terminals present), the worst lateness of a 25 ms timer around probes run
// from the COM menu, and SendCom's throughput into a fast peer with the timer's lateness while
// SendCom holds. Targets: probe <= 50 ms, no stall of the window over 100 ms.
#include "app/ui/AppState.h"
#include "app/ui/MainControls.h"
#include "serial/gui/SerialController.h"
#include "tests/support/MainWindowFixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <poll.h>
#include <pty.h>
#include <thread>
#include <unistd.h>

namespace {

// Worst and mean lateness of a 25 ms timer against the tick before it.
class LatenessProbe
{
public:
    explicit LatenessProbe(QObject* context)
    {
        QObject::connect(&m_timer, &QTimer::timeout, context, [this] {
            const double now = m_clock.nsecsElapsed() / 1e6;
            if (m_ticks > 0) {
                const double late = now - m_previous - 25;
                m_worst = std::max(m_worst, late);
                m_total += late;
            }
            m_previous = now;
            ++m_ticks;
        });
        m_timer.setTimerType(Qt::PreciseTimer);
        m_clock.start();
        m_timer.start(25);
    }
    void report(const char* label) const
    {
        std::printf("%s: 25 ms timer, %d ticks, lateness mean %.2f ms, worst %.2f ms "
                    "(target worst < 100 ms)\n",
                    label, m_ticks, m_ticks > 1 ? m_total / (m_ticks - 1) : 0.0, m_worst);
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    double m_previous = 0;
    double m_worst = 0;
    double m_total = 0;
    int m_ticks = 0;
};

int openPty(QString* path)
{
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
        return -1;
    ::close(slave);
    *path = QString::fromLocal8Bit(name);
    return master;
}

void waitMs(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
}

void measureProbe(const char* label, MainWindowFixture& f)
{
    SerialController& ctl = f.window->SerialCtl();
    constexpr int Rounds = 20;
    double worst = 0;
    double total = 0;
    for (int i = 0; i < Rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        ctl.DetermineValidPorts();
        const double ms = timer.nsecsElapsed() / 1e6;
        worst = std::max(worst, ms);
        total += ms;
    }
    std::printf("%-30s probe mean %6.2f ms, worst %6.2f ms (target <= 50 ms)\n", label,
                total / Rounds, worst);
    // Probes as the technician starts them: the COM menu opens, the next tick of tmr_Delay runs
    // the probe, while another 25 ms timer of the window keeps time.
    LatenessProbe lateness(f.window.get());
    for (int i = 0; i < 10; ++i) {
        emit f.window->Controls().mnuCOM->aboutToShow();
        waitMs(150);
    }
    lateness.report(label);
}

void drainPeer(int fd, qint64 expected, std::atomic<qint64>* got)
{
    char buffer[65536];
    while (*got < expected) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 2000) <= 0)
            return;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return;
        *got += n;
    }
}

void measureSend(MainWindowFixture& f, int master)
{
    SerialController& ctl = f.window->SerialCtl();
    constexpr int Size = 8 * 1024 * 1024;
    const QByteArray data(Size, '\x5A');
    std::atomic<qint64> got{0};
    std::thread peer(drainPeer, master, Size, &got);
    QElapsedTimer clock;
    {
        LatenessProbe lateness(f.window.get());
        clock.start();
        ctl.SendCom(data);
        const double heldMs = clock.nsecsElapsed() / 1e6;
        lateness.report("SendCom hold, fast peer");
        std::printf("SendCom of %d bytes held its caller %.0f ms\n", Size, heldMs);
    }
    ctl.DrainOutput(60000);
    peer.join();
    const double ms = clock.nsecsElapsed() / 1e6;
    std::printf("SendCom throughput into a fast peer: %lld bytes in %.0f ms = %.2f MB/s\n",
                static_cast<long long>(got.load()), ms, got.load() / ms / 1000.0);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MainWindowFixture f;
    f.Create(false);
    f.window->SerialCtl().setDeviceLister([] { return QList<PortCandidate>(); });
    f.window->Form_Load();
    measureProbe("no port present", f);

    int masters[2] = {-1, -1};
    const int numbers[2] = {2, 5};
    for (int i = 0; i < 2; ++i) {
        QString path;
        masters[i] = openPty(&path);
        if (masters[i] < 0)
            return 1;
        f.settings->SaveRegSetting(AppState::AppTitle, "Ports",
                                   QStringLiteral("COM%1").arg(numbers[i]), path);
    }
    measureProbe("two pseudo-terminals present", f);

    // With the system's own device list, as the program runs.
    f.window->SerialCtl().setDeviceLister(&PortCandidate::systemPorts);
    measureProbe("two ptys + system device list", f);
    f.window->SerialCtl().setDeviceLister([] { return QList<PortCandidate>(); });

    f.state.ComPortNum = 2;
    f.window->SerialCtl().StartCom();
    if (!f.window->SerialCtl().MSComm1().PortOpen())
        return 1;
    measureSend(f, masters[0]);
    for (int fd : masters)
        ::close(fd);
    return 0;
}
