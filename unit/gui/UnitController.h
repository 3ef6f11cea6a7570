#pragma once

#include <QObject>

struct AppState;
struct MainControls;
class LoadedWave;
class SerialController;
class Toolkit;

// Unit programming from the main window: the destination option buttons, the five command
// buttons, the download and the erase wait. Form_Main wires the controls to these handlers.
class UnitController : public QObject
{
    Q_OBJECT
public:
    UnitController(MainControls& controls, AppState& state, LoadedWave& wave, Toolkit& toolkit,
                   SerialController& serial, QObject* parent = nullptr);

    void opt_Wav_type_Click(int index);
    void btn_snd_ST_ID_Click(int index);
    void Flash_Send_to(int destination);
    void EraseDestination();
    void Timer_erase_Timer();

private:
    MainControls& m_c;
    AppState& m_state;
    LoadedWave& m_wave;
    Toolkit& m_toolkit;
    SerialController& m_serial;
};
