#pragma once

#include "app/ui/Toolkit.h"

#include <QProgressDialog>

// The desktop's progress window of a long job: application-modal, so nothing else can be clicked
// while the job runs, and shown only once the job has run for a moment, so short jobs do not
// flash a window. Events are processed only while it is shown.
class ProgressWindow : public Toolkit::JobProgress
{
public:
    ProgressWindow(const QString& label, QWidget* parent);
    bool Update(double done) override;

private:
    QProgressDialog m_dialog;
};
