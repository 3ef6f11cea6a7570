#pragma once

#include "MainWindowFixture.h"
#include "TestWav.h"

#include <QString>

class QPushButton;

// A main window built as the program builds it (scripted message boxes and file dialog), with
// helpers to open a wave file through the open command, choose a destination, click the command
// buttons and attach a simulated unit as COM1.
class UnitWindow
{
public:
    UnitWindow();

    Form_Main& Window() { return *m_f.window; }
    MainControls& Controls() { return m_f.window->Controls(); }
    AppState& State() { return m_f.state; }
    ScriptedToolkit& Toolkit() { return m_f.toolkit; }
    QString Path(const QString& name) const { return m_f.dir.filePath(name); }

    // Writes wav under name in the window's folder and opens it with the Open File button;
    // message boxes of the open (rate warnings) are answered OK. True when the file is open.
    bool Open(const TestWav& wav, const QString& name = QStringLiteral("sound.wav"));
    QString WavPath() const { return m_wavPath; }
    // The copy file the download writes beside the opened wave file.
    QString CopyPath() const { return m_wavPath.chopped(4) + QStringLiteral(".bin"); }

    void Choose(int option);
    QPushButton* Button(int index) { return Controls().btn_snd_ST_ID[size_t(index)]; }
    // Clicks a command button the way a user does (nothing happens when it is disabled).
    void Click(int index);
    // Answers the next message boxes, in order.
    void Answer(std::initializer_list<int> answers)
    {
        m_f.toolkit.msgBoxAnswers.append(QList<int>(answers));
    }
    // Buttons 0..4 and the COM menu enabled, the progress bar shown, TransferBusy: a line of
    // the window's state to compare in one go.
    QList<bool> States();

    // Makes the simulator's link the device of COM1 and selects COM1.
    void AttachCom1(const QString& link);

private:
    MainWindowFixture m_f;
    QString m_wavPath;
};
