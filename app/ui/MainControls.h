#pragma once

#include "unit/DestinationInfo.h"

#include <array>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTimer;
class ProgressBar;

// The controls of the main window, created and owned by Form_Main and handed to the subsystem
// controllers, which read and write them as the window's own handlers would.
struct MainControls
{
    // The elements of btn_snd_ST_ID, by the command each one runs.
    enum CommandButton
    {
        SendButton = 0,
        EraseButton = 1,
        StopButton = 2, // "Stop Transfer"
        SendCrButton = 3,
        BlankCheckButton = 4,
        CommandButtonCount
    };

    // The names are the window design's own; where one does not say what the control is for,
    // its role follows.
    QPushButton* Command1 = nullptr; // "Open File"
    QLineEdit* Text1 = nullptr;      // path of the open WAV file; the copy file is named after it
    QPushButton* Command2 = nullptr; // "Play": plays the slice
    QPushButton* Command3 = nullptr; // "Stop": stops playing
    QPushButton* btn_View = nullptr; // shows or hides the plot window
    QLabel* txt_rel_gain = nullptr;  // the download attenuation in dB, read out
    QScrollBar* HScroll_gain = nullptr;  // download level, 1 to 100 percent
    QLabel* Label1 = nullptr;            // "Start Pos", caption of HScroll1
    QScrollBar* HScroll1 = nullptr;      // slice start, thousandths of the file
    std::array<QLabel*, 7> Label2{};     // "End Pos" and the headings of the boxes below it
    QScrollBar* HScroll2 = nullptr;      // slice end, thousandths of the file
    QLineEdit* txtCom = nullptr;         // number of the serial port in use
    QLineEdit* txtRate = nullptr;        // samples per second of the open file
    QLineEdit* txt_Bits = nullptr;       // bits per sample of the open file
    QLineEdit* txt_Chan = nullptr;       // channels of the open file
    QLineEdit* txt_Xfr_Siz = nullptr;    // size of the slice in frames
    QLineEdit* txt_Xfred = nullptr;      // frames the line has taken during a download
    ProgressBar* ProgressBar1 = nullptr; // download and erase progress
    QPlainTextEdit* txtErr = nullptr;    // status and error line (a StatusLine)
    QPlainTextEdit* txt_rply = nullptr;  // the unit's replies
    std::array<QRadioButton*, DestinationInfo::Count> opt_Wav_type{}; // option k: destination k + 1
    std::array<QPushButton*, CommandButtonCount> btn_snd_ST_ID{};     // by CommandButton
    QPushButton* btnEXIT = nullptr;

    QMenu* mnuFile = nullptr;
    QAction* mnu_File_Open = nullptr;
    QAction* mnu_File_SaveConverted = nullptr; // "Save Converted As…", once a file was converted
    QAction* mnu_File_Compose = nullptr;       // "Compose Channel ID…": the composer window
    QAction* mnuExit = nullptr;
    QMenu* mnuSound = nullptr;
    QAction* mnu_Sound_PlayAsUnit = nullptr; // the slice encoded and decoded as the unit plays it
    QAction* mnu_Sound_PlayLoop = nullptr;   // the Pink File preview round and round until Stop
    QAction* mnu_Sound_Loop = nullptr;       // "Pink File Loop…": the loop's check and fitting
    QAction* mnu_Sound_Envelope = nullptr;   // checked: the plot shows min/max columns
    QMenu* mnuCOM = nullptr;
    std::array<QAction*, 13> mnuCOMsel{}; // the listed ports, indices 1 to 12; 0 stays empty
    QAction* mnuLineLog = nullptr;        // "Line Log", below the port items
    QMenu* mnu_help = nullptr;
    QAction* mnu_about = nullptr;        // the splash window as About
    QAction* mnu_Pelorin_help = nullptr; // a help window

    QTimer* tmrSplash = nullptr;   // shows the start-up splash once, then stops
    QTimer* Timer_erase = nullptr; // ticks the erase wait
    QTimer* tmr_Delay = nullptr;   // runs a requested port probe; counts the error line down
    QTimer* tmrComInit = nullptr;  // on after a port opened; switches itself off
    QTimer* Timer1 = nullptr;      // notices the end of playback and closes the output device
};
