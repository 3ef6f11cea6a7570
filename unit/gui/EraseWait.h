#pragma once

#include <QtGlobal>

#include <functional>

class ProgressBar;
class Toolkit;

// The wait that follows an erase command: the countdown is armed at 100 ticks, the command goes
// out, and the wait lasts until the countdown reaches 0 (the window's 100-ms timer lowers it, the
// receive handler clears it on the unit's answer). The bar shows 100 - ticks left. The wait sleeps
// between events, so it never spins a core, and it gives up after twice the nominal time should
// the timer stop ticking.
class EraseWait
{
public:
    static constexpr qint32 Ticks = 100;
    static constexpr int TickMs = 100;

    EraseWait(ProgressBar& bar, qint32& countdown, Toolkit& toolkit);

    // Returns when the wait has ended; the bar is left visible at 0.
    void Run(const std::function<void()>& sendCommand);

private:
    void ShowProgress();

    ProgressBar& m_bar;
    qint32& m_countdown;
    Toolkit& m_toolkit;
    qint32 m_shown = -1;
};
