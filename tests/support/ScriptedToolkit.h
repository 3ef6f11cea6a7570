#pragma once

#include "app/ui/AppState.h"
#include "app/ui/Toolkit.h"

#include <QDialog>
#include <QList>
#include <QQueue>
#include <QStringList>

// Toolkit for tests: dialogs are answered from scripts queued by the test, every message box and
// URL is recorded, modal windows are shown modelessly (the test closes them), and event
// processing is real.
class ScriptedToolkit : public Toolkit
{
public:
    struct Message
    {
        QString text;
        Buttons buttons;
        QString title;
    };

    QList<Message> messages;
    QQueue<int> msgBoxAnswers;                  // default Ok when empty
    QQueue<std::optional<QString>> fileAnswers; // nullopt = Cancel; default Cancel when empty
    QStringList openedUrls;
    QList<QString> dialogsStartedWith; // the name each open dialog was started with
    QStringList progressLabels;        // one per progress window started
    int progressUpdates = 0;
    int cancelAfterUpdates = -1; // the person presses Cancel at this update; -1 never

    int MsgBox(const QString& text, Buttons buttons, const QString& title) override
    {
        messages.append({text, buttons, title.isEmpty() ? AppState::AppTitle : title});
        return msgBoxAnswers.isEmpty() ? Ok : msgBoxAnswers.dequeue();
    }
    std::optional<QString> GetOpenFileName(const QString&, const QString&,
                                           const QString& currentName) override
    {
        dialogsStartedWith << currentName;
        return fileAnswers.isEmpty() ? std::nullopt : fileAnswers.dequeue();
    }
    // Answered from fileAnswers too.
    std::optional<QString> GetSaveFileName(const QString& filter, const QString& defaultExt,
                                           const QString& suggestedName) override
    {
        return GetOpenFileName(filter, defaultExt, suggestedName);
    }
    void ShowModal(QDialog& dialog) override { dialog.exec(); }
    std::unique_ptr<JobProgress> BeginProgress(const QString& label) override
    {
        struct Scripted : JobProgress
        {
            explicit Scripted(ScriptedToolkit& t) : toolkit(t) {}
            bool Update(double) override
            {
                return toolkit.progressUpdates++ != toolkit.cancelAfterUpdates;
            }
            ScriptedToolkit& toolkit;
        };
        progressLabels << label;
        return std::make_unique<Scripted>(*this);
    }
    void Beep() override {}
    void OpenUrl(const QString& url) override { openedUrls << url; }

    QStringList MessageTexts() const
    {
        QStringList texts;
        for (const Message& m : messages)
            texts << m.text;
        return texts;
    }
};
