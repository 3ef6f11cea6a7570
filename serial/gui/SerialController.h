#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

struct AppState;
struct MainControls;
class RegEdit;
class Toolkit;

// The serial link of the main window: port probing and the COM menu, port open and send, the
// error line, and the unit's replies. Form_Main wires the controls to these handlers.
class SerialController : public QObject
{
    Q_OBJECT
public:
    SerialController(MainControls& controls, AppState& state, Toolkit& toolkit, RegEdit& settings,
                     QObject* parent = nullptr);

    void DetermineValidPorts();
    void StartCom();
    // Writes every byte of text, in order, to the port in use (opening it first when needed).
    void SendCom(const QByteArray& text);
    // Holds (processing events, never spinning) until every byte handed to SendCom has left the
    // program; false when the port failed or the time ran out.
    bool DrainOutput(int msTimeout);
    void ShowError(const QString& text, const QString& source);

    void tmr_Delay_Timer();
    void tmrComInit_Timer();
    void mnuCOM_Click();
    void mnuCOMsel_Click(int index);
    void MSComm1_OnComm();
    void RecvData();
    // Shutdown: drops DTR and RTS and closes the port when it is open.
    void ClosePortAtExit();

private:
    MainControls& m_c;
    AppState& m_state;
    Toolkit& m_toolkit;
    RegEdit& m_settings;
};
