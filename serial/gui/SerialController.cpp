#include "SerialController.h"

#include "AppState.h"
#include "MainControls.h"
#include "RegEdit.h"
#include "Toolkit.h"

#include <QPlainTextEdit>

SerialController::SerialController(MainControls& controls, AppState& state, Toolkit& toolkit,
                                   RegEdit& settings, QObject* parent)
    : QObject(parent), m_c(controls), m_state(state), m_toolkit(toolkit), m_settings(settings)
{
}

void SerialController::DetermineValidPorts() {}

void SerialController::StartCom() {}

void SerialController::SendCom(const QByteArray& text)
{
    Q_UNUSED(text);
}

bool SerialController::DrainOutput(int msTimeout)
{
    Q_UNUSED(msTimeout);
    return false;
}

void SerialController::ShowError(const QString& text, const QString& source)
{
    m_c.txtErr->setPlainText(text + QLatin1Char(' ') + source);
    m_state.ErrorTicks = 200;
}

void SerialController::tmr_Delay_Timer()
{
    if (m_state.ErrorTicks > 0) {
        --m_state.ErrorTicks;
    } else if (m_state.ErrorTicks == 0) {
        m_state.ErrorTicks = -1;
        m_c.txtErr->clear();
    }
}

void SerialController::tmrComInit_Timer() {}

void SerialController::mnuCOM_Click() {}

void SerialController::mnuCOMsel_Click(int index)
{
    Q_UNUSED(index);
}

void SerialController::MSComm1_OnComm() {}

void SerialController::RecvData() {}

void SerialController::ClosePortAtExit() {}
