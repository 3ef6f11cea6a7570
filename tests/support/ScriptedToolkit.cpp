#include "ScriptedToolkit.h"

#include "AppState.h"

#include <QDialog>

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
