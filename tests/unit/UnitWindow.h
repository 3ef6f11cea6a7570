#pragma once

#include "tests/support/MainWindowFixture.h"
#include "tests/unit/TestWav.h"

#include <QPushButton>
#include <QRadioButton>

// A main window built as the program builds it (scripted message boxes and file dialog), with
// helpers to open a wave file, choose a destination, click the command buttons and attach a
// simulated unit as COM1.
class UnitWindow
{
public:
    UnitWindow() { m_f.Create(); }

    Form_Main& Window() { return *m_f.window; }
    MainControls& Controls() { return m_f.window->Controls(); }
    AppState& State() { return m_f.state; }
    ScriptedToolkit& Toolkit() { return m_f.toolkit; }

    // Writes wav as sound.wav in the window's folder and opens it with the Open File button
    // (its rate warnings answered OK). True when the file is open.
    bool Open(const TestWav& wav);
    // The copy file the download writes beside the opened wave file.
    QString CopyPath() const { return m_f.dir.filePath(QStringLiteral("sound.bin")); }

    void Choose(int option) { Controls().opt_Wav_type[size_t(option)]->click(); }
    QPushButton* Button(int index) { return Controls().btn_snd_ST_ID[size_t(index)]; }
    // Clicks a command button the way a user does (nothing happens when it is disabled).
    void Click(int index) { Button(index)->click(); }
    // Answers the next message boxes, in order.
    void Answer(std::initializer_list<int> a) { m_f.toolkit.msgBoxAnswers.append(QList<int>(a)); }
    // Buttons 0..4 and the COM menu enabled, the progress bar shown, TransferBusy.
    QList<bool> States();
    // The status line without the download's closing times ("Sent N bytes in m:ss, R bytes/s."),
    // and the bytes that sentence names as sent (-1: no such sentence).
    QPair<QString, qint64> Status();
    // Makes the simulator's link the device of COM1 and selects COM1.
    void AttachCom1(const QString& link);

private:
    MainWindowFixture m_f;
};
