#pragma once

#include "serial/PortCandidate.h"
#include "serial/SerialControl.h"
#include "serial/gui/LineRecorder.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

struct AppState;
struct MainControls;
class PortMenu;
class PortTable;
class RegEdit;
class Toolkit;

// The serial link of the main window: port probing and the COM menu, port open and send, the
// error line, and the unit's replies. It owns the serial-port control MSComm1 and the port table
// (section "Ports" under the application title). Form_Main wires the controls to these handlers.
class SerialController : public QObject
{
    Q_OBJECT
public:
    // txtCom background colours, as 0x00BBGGRR values.
    static constexpr quint32 LinkRed = 0x0000FF;
    static constexpr quint32 LinkCyan = 0xFFFF00;
    static constexpr quint32 LinkGreen = 0x00FF00;

    SerialController(MainControls& controls, AppState& state, Toolkit& toolkit, RegEdit& settings,
                     QObject* parent = nullptr);
    ~SerialController() override;

    // Lists the ports COM1..COM16 that open in the COM menu (at most 12), then reopens the port
    // in use.
    void DetermineValidPorts();
    // (Re)opens port ComPortNum at 9600,N,8,1; the outcome shows in txtCom's colour.
    void StartCom();
    // Writes every byte of text, in order, to the port in use (opening it first when needed);
    // false when the text was dropped.
    bool SendCom(const QByteArray& text);
    // Holds (processing events, never spinning) until every byte handed to SendCom has left the
    // program; false when the port failed or the time ran out.
    bool DrainOutput(int msTimeout);
    // txtErr := text + " " + source, cleared about five seconds later by tmr_Delay.
    void ShowError(const QString& text, const QString& source);
    // Number of the last failure StartCom reported (0: none since the last successful open).
    qint32 LastStartComError() const { return m_lastStartComError; }

    void tmr_Delay_Timer();
    void tmrComInit_Timer();
    void mnuCOM_Click();
    void mnuCOMsel_Click(int index);
    void MSComm1_OnComm();
    // The control closed the port after a hang-up, an unplugged adapter or a failed read/write.
    void MSComm1_PortLost(const CommError& error);
    void RecvData();
    // From the start of shutdown on nothing opens the port again.
    void BeginShutdown() { m_shuttingDown = true; }
    // Shutdown: drops DTR and RTS and closes the port when it is open.
    void ClosePortAtExit();

    SerialControl& MSComm1() { return *m_comm; }
    LineRecorder& Recorder() { return m_recorder; }
    // The control's line actions, for the line log.
    void MSComm1_LineAction(SerialControl::LineAction action);
    PortTable& Ports() { return *m_ports; }
    // Where the probe learns of the system's serial devices, which it numbers before probing
    // (the system's own list unless replaced, e.g. by an empty one in tests).
    void setDeviceLister(std::function<QList<PortCandidate>()> lister);

signals:
    // One complete line from the unit (without its CR, LFs as spaces), after the reply box shows
    // it.
    void replyLine(const QByteArray& line);

private:
    bool StartComFailed(const CommError& error, const QString& step);
    void FinishStartCom();
    void SetLinkColour(quint32 bgr);
    void ReportSendFailure(const CommError& error, const QString& source);
    void ReportLoss(const CommError& error);
    void OnCommFailed(const CommError& error, int code, const QString& eventText);
    bool ReadWaiting();
    void ShowReplies(const QList<QByteArray>& lines);
    void RecvDataFailed(const QString& description, const QString& step);
    void ReceiveFailedB();
    void AppendToReplyBox(const QString& addition);
    bool ProbePort(int port);

    MainControls& m_c;
    AppState& m_state;
    Toolkit& m_toolkit;
    RegEdit& m_settings;
    std::unique_ptr<PortTable> m_ports;
    std::unique_ptr<PortMenu> m_menu;
    SerialControl* m_comm; // MSComm1, child of this controller
    std::function<QList<PortCandidate>()> m_listDevices;
    LineRecorder m_recorder;
    qint32 m_lastStartComError = 0;
    int m_holding = 0;           // SendCom/DrainOutput calls holding their caller
    bool m_lossReported = false; // the current loss of the port has been shown
    bool m_shuttingDown = false;
};
