#pragma once

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
    QPushButton* Command1 = nullptr; // "Open File"
    QLineEdit* Text1 = nullptr;
    QPushButton* Command2 = nullptr; // "Play"
    QPushButton* Command3 = nullptr; // "Stop"
    QPushButton* btn_View = nullptr;
    QLabel* txt_rel_gain = nullptr;
    QScrollBar* HScroll_gain = nullptr;
    QLabel* Label1 = nullptr;
    QScrollBar* HScroll1 = nullptr;
    std::array<QLabel*, 7> Label2{};
    QScrollBar* HScroll2 = nullptr;
    QLineEdit* txtCom = nullptr;
    QLineEdit* txtRate = nullptr;
    QLineEdit* txt_Bits = nullptr;
    QLineEdit* txt_Chan = nullptr;
    QLineEdit* txt_Xfr_Siz = nullptr;
    QLineEdit* txt_Xfred = nullptr;
    ProgressBar* ProgressBar1 = nullptr;
    QPlainTextEdit* txtErr = nullptr;
    QPlainTextEdit* txt_rply = nullptr;
    std::array<QRadioButton*, 3> opt_Wav_type{};
    std::array<QPushButton*, 5> btn_snd_ST_ID{};
    QPushButton* btnEXIT = nullptr;

    QMenu* mnuFile = nullptr;
    QAction* mnu_File_Open = nullptr;
    QAction* mnu_File_SaveConverted = nullptr; // "Save Converted As…", once a file was converted
    QAction* mnuExit = nullptr;
    QMenu* mnuCOM = nullptr;
    std::array<QAction*, 13> mnuCOMsel{}; // indices 1 to 12; 0 stays empty
    QAction* mnuLineLog = nullptr;        // "Line Log", below the port items
    QMenu* mnu_help = nullptr;
    QAction* mnu_about = nullptr;
    QAction* mnu_Pelorin_help = nullptr;

    QTimer* tmrSplash = nullptr;
    QTimer* Timer_erase = nullptr;
    QTimer* tmr_Delay = nullptr;
    QTimer* tmrComInit = nullptr;
    QTimer* Timer1 = nullptr;
};
