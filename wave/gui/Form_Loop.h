#pragma once

#include "wave/LoopCheck.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QSpinBox;

// "Pink File Loop": the Pink File slice checked as the loop the unit plays (its length against
// the unit's, the jump where it wraps) with the means to mend it: fit the length, cross-fade the
// ends, and hear it round and round. The window only shows and asks; the preview controller acts.
class Form_Loop : public QWidget
{
    Q_OBJECT
public:
    explicit Form_Loop(QWidget* owner);

    // The check of the slice as it is now; `clicks` shows the jump in red.
    void ShowCheck(const QString& length, const QString& jump, bool clicks);

Q_SIGNALS:
    void fitRequested(LoopCheck::Fit fit);
    void crossFadeRequested(int milliseconds, LoopCheck::Fade fade);
    void playLoopRequested();
    void stopRequested();

private:
    QLabel* m_length;
    QLabel* m_jump;
    QComboBox* m_fit;
    QSpinBox* m_fadeMs;
    QComboBox* m_fade;
};
