#pragma once

#include "WaveDestination.h"

#include <QObject>
#include <QString>

struct AppState;
struct MainControls;
class LoadedWave;
class SerialController;
class Toolkit;

// Unit programming from the main window: the destination option buttons, the five command
// buttons, the download and the erase wait. Form_Main wires the controls to these handlers.
// Only one unit command runs at a time: during a download the Send, Erase, Send CR and Blank
// Check buttons and the COM menu are disabled; during the erase wait Send and Erase are.
class UnitController : public QObject
{
    Q_OBJECT
public:
    static const QString NoDestinationText;
    static const QString IncompatibleRateText;

    UnitController(MainControls& controls, AppState& state, LoadedWave& wave, Toolkit& toolkit,
                   SerialController& serial, QObject* parent = nullptr);

    void opt_Wav_type_Click(int index);
    void btn_snd_ST_ID_Click(int index);
    // The download of the slice; returns when it has ended. destination outside 1..3: nothing.
    void Flash_Send_to(int destination);
    // Sends the erase command of the chosen destination and waits (at most about 10 s) for the
    // unit's answer, with the buttons of the erase phase.
    void EraseDestination();
    void Timer_erase_Timer();

    // The texts of the Send and Erase confirmations and the Pink File rate refusal.
    static QString SendNotice(const QString& destinationName);
    static QString EraseNotice(const QString& destinationName);
    static QString PinkRateText(quint32 rate);

private:
    enum class Running
    {
        Nothing,
        Download,
        Erase
    };

    void Send();
    void Erase();
    void StopTransfer();
    void SendCr();
    void BlankCheck();
    bool RateRefused(WaveDestination dest);
    void RunDownload();
    void SetButton(int index, bool enabled);
    void SetComMenu(bool enabled);
    void SetCommandButtons(bool enabled);
    void RestoreSendErase();
    WaveDestination Selected() const;

    MainControls& m_c;
    AppState& m_state;
    LoadedWave& m_wave;
    Toolkit& m_toolkit;
    SerialController& m_serial;
    Running m_running = Running::Nothing;
};
