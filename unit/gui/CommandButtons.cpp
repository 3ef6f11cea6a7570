#include "unit/gui/CommandButtons.h"

#include "app/ui/AppState.h"
#include "app/ui/MainControls.h"
#include "unit/UnitSession.h"
#include "wave/LoadedWave.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>

CommandButtons::CommandButtons(MainControls& controls, AppState& state, const LoadedWave& wave,
                               const UnitSession& session, QObject* parent)
    : QObject(parent), m_c(controls), m_state(state), m_wave(wave), m_session(session)
{
    connect(&session, &UnitSession::started, this, &CommandButtons::Refresh);
    connect(&session, &UnitSession::finished, this, &CommandButtons::Refresh);
}

void CommandButtons::Refresh()
{
    const UnitSession::Command running = m_session.running();
    const bool idle = running == UnitSession::Command::None;
    // The probe and the port timer leave the port alone while a command holds it.
    m_state.TransferBusy = !idle;
    Set(MainControls::SendButton, idle && m_wave.FileOpen);
    Set(MainControls::EraseButton, idle && m_state.SelectedDestination != 0);
    Set(MainControls::StopButton,
        running == UnitSession::Command::Download || running == UnitSession::Command::Erase);
    Set(MainControls::SendCrButton, idle);
    Set(MainControls::BlankCheckButton, idle);
    SetComMenu(idle);
}

void CommandButtons::Set(int index, bool enabled)
{
    if (QPushButton* button = m_c.btn_snd_ST_ID[size_t(index)])
        button->setEnabled(enabled);
}

void CommandButtons::SetComMenu(bool enabled)
{
    if (!m_c.mnuCOM)
        return;
    m_c.mnuCOM->setEnabled(enabled);
    m_c.mnuCOM->menuAction()->setEnabled(enabled);
}
