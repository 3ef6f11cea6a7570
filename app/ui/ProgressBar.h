#pragma once

#include <QProgressBar>

// Progress bar with the range 0 to 100 that also takes fractional values (42.67 shows as such in
// its tooltip-free display; the bar itself moves in hundredths).
class ProgressBar : public QProgressBar
{
    Q_OBJECT
public:
    explicit ProgressBar(QWidget* parent = nullptr);
    void SetValue(double value); // clamped to 0..100, repainted at once
    double Value() const { return m_value; }
    // A text shown over the bar (the times of a download); empty shows none.
    void SetText(const QString& text);

private:
    double m_value = 0.0;
};
