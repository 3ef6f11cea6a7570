#include "EraseWait.h"

#include "ProgressBar.h"
#include "Toolkit.h"

#include <QElapsedTimer>

namespace {
// Longest single sleep: well below a tick, so the bar follows the countdown closely.
constexpr int kSleepMs = 50;
// Timers may run late under load; past this the wait ends regardless.
constexpr qint64 kGiveUpMs = 2LL * EraseWait::Ticks * EraseWait::TickMs;
} // namespace

EraseWait::EraseWait(ProgressBar& bar, qint32& countdown, Toolkit& toolkit)
    : m_bar(bar), m_countdown(countdown), m_toolkit(toolkit)
{
}

void EraseWait::Run(const std::function<void()>& sendCommand)
{
    m_bar.show();
    m_bar.SetValue(0.0);
    m_shown = 0;
    m_countdown = Ticks;
    sendCommand();
    QElapsedTimer clock;
    clock.start();
    while (m_countdown >= 1) {
        ShowProgress();
        if (clock.elapsed() > kGiveUpMs) {
            m_countdown = 0;
            break;
        }
        m_toolkit.WaitEvents(kSleepMs);
    }
    m_bar.SetValue(0.0);
}

void EraseWait::ShowProgress()
{
    const qint32 value = Ticks - m_countdown;
    if (value == m_shown)
        return; // repaint only when the bar moves
    m_shown = value;
    m_bar.SetValue(value);
}
