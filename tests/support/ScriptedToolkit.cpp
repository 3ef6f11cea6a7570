#include "ScriptedToolkit.h"

#include "AppState.h"

#include <QCoreApplication>
#include <QDialog>
#include <QTimer>

int ScriptedToolkit::MsgBox(const QString& text, Buttons buttons, const QString& title)
{
    messages.append({text, buttons, title.isEmpty() ? AppState::AppTitle : title});
    return msgBoxAnswers.isEmpty() ? Ok : msgBoxAnswers.dequeue();
}

std::optional<QString> ScriptedToolkit::GetOpenFileName(const QString&, const QString&,
                                                        const QString& currentName)
{
    dialogsStartedWith << currentName;
    return fileAnswers.isEmpty() ? std::nullopt : fileAnswers.dequeue();
}

void ScriptedToolkit::DoEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void ScriptedToolkit::WaitEvents(int maxWaitMs)
{
    QTimer bound;
    bound.setSingleShot(true);
    bound.start(maxWaitMs);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void ScriptedToolkit::ShowModal(QDialog& dialog)
{
    ++modalShows;
    dialog.exec();
}

QStringList ScriptedToolkit::MessageTexts() const
{
    QStringList texts;
    for (const Message& m : messages)
        texts << m.text;
    return texts;
}
