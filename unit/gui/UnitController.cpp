#include "UnitController.h"

#include "AppState.h"

UnitController::UnitController(MainControls& controls, AppState& state, LoadedWave& wave,
                               Toolkit& toolkit, SerialController& serial, QObject* parent)
    : QObject(parent), m_c(controls), m_state(state), m_wave(wave), m_toolkit(toolkit),
      m_serial(serial)
{
}

void UnitController::opt_Wav_type_Click(int index)
{
    Q_UNUSED(index);
}

void UnitController::btn_snd_ST_ID_Click(int index)
{
    Q_UNUSED(index);
}

void UnitController::Flash_Send_to(int destination)
{
    Q_UNUSED(destination);
}

void UnitController::EraseDestination() {}

void UnitController::Timer_erase_Timer()
{
    if (m_state.EraseCountdown > 0)
        --m_state.EraseCountdown;
}
