#include "app/ui/ProgressWindow.h"

#include "app/ui/AppState.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kSteps = 1000;
constexpr int kShowAfterMs = 400;
} // namespace

ProgressWindow::ProgressWindow(const QString& label, QWidget* parent)
    : m_dialog(label, QStringLiteral("Cancel"), 0, kSteps, parent)
{
    m_dialog.setWindowTitle(AppState::AppTitle);
    m_dialog.setWindowModality(Qt::ApplicationModal);
    m_dialog.setMinimumDuration(kShowAfterMs);
    m_dialog.setAutoClose(false);
    m_dialog.setAutoReset(false);
    m_dialog.setValue(0); // starts the clock that decides when to show
}

bool ProgressWindow::Update(double done)
{
    // The dialog processes pending events itself once shown (the Cancel click among them).
    m_dialog.setValue(std::clamp(int(std::lround(done * kSteps)), 1, kSteps));
    return !m_dialog.wasCanceled();
}
