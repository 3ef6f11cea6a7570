#include "app/ui/ProgressBar.h"

#include <algorithm>
#include <cmath>

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent)
{
    setRange(0, 10000);
    setTextVisible(false);
}

void ProgressBar::SetText(const QString& text)
{
    setFormat(text);
    setTextVisible(!text.isEmpty());
    repaint();
}

void ProgressBar::SetValue(double value)
{
    m_value = std::clamp(value, 0.0, 100.0);
    setValue(static_cast<int>(std::lround(m_value * 100.0)));
    repaint();
}
