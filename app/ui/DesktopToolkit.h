#pragma once

#include "app/ui/Toolkit.h"

// The toolkit operations over Qt Widgets, for the running program.
class DesktopToolkit : public Toolkit
{
public:
    int MsgBox(const QString& text, Buttons buttons, const QString& title) override;
    std::optional<QString> GetOpenFileName(const QString& filter, const QString& defaultExt,
                                           const QString& currentName) override;
    std::optional<QString> GetSaveFileName(const QString& filter, const QString& defaultExt,
                                           const QString& suggestedName) override;
    void ShowModal(QDialog& dialog) override;
    std::unique_ptr<JobProgress> BeginProgress(const QString& label) override;
    void Beep() override;
    void OpenUrl(const QString& url) override;
};
