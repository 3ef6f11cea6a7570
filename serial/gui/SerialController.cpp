#include "serial/gui/SerialController.h"
#include "app/settings/AppSettings.h"

#include "app/core/NumberText.h"
#include "app/settings/RegEdit.h"
#include "app/ui/AppState.h"
#include "app/ui/MainControls.h"
#include "app/ui/StatusLine.h"
#include "app/ui/Toolkit.h"
#include "serial/LineEventText.h"
#include "serial/PortTable.h"
#include "serial/ReplyAssembler.h"
#include "serial/gui/HoldScope.h"
#include "serial/gui/PortMenu.h"
#include "serial/gui/StartComText.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextCursor>
#include <QTimer>

#include <algorithm>
#include <new>

namespace {

bool isLoss(int number)
{
    return number == CommError::PortLost || number == CommError::ReadFailed ||
           number == CommError::WriteFailed;
}

const QString OnCommSource = QStringLiteral("Mscomm1_OnComm");

} // namespace

SerialController::SerialController(MainControls& controls, AppState& state, Toolkit& toolkit,
                                   RegEdit& settings, QObject* parent)
    : QObject(parent), m_c(controls), m_state(state), m_toolkit(toolkit), m_settings(settings),
      m_ports(std::make_unique<PortTable>(settings, AppState::AppTitle)),
      m_menu(std::make_unique<PortMenu>(controls)), m_comm(new SerialControl(m_ports.get(), this)),
      m_listDevices(&PortCandidate::systemPorts)
{
    m_comm->setObjectName(QStringLiteral("MSComm1"));
    if (m_c.mnuCOM)
        m_c.mnuCOM->setToolTipsVisible(true); // each port item names its device
}

SerialController::~SerialController() = default;

void SerialController::setDeviceLister(std::function<QList<PortCandidate>()> lister)
{
    m_listDevices = std::move(lister);
}

// ---- Port probing and the COM menu ----

void SerialController::DetermineValidPorts()
{
    // Devices seen for the first time get their numbers before the numbers are tried.
    m_ports->registerDevices(m_listDevices ? m_listDevices() : QList<PortCandidate>());
    if (m_comm->PortOpen())
        m_comm->setPortOpen(false);
    m_recorder.setProbing(true);
    int slot = 1;
    for (int port = PortTable::FirstPort; port <= PortTable::LastPort; ++port) {
        if (!ProbePort(port)) {
            m_menu->blank(slot); // the next port that opens reuses this item
            continue;
        }
        m_menu->list(slot, port, m_ports->details(port, false).tooltipText());
        if (++slot > PortMenu::Items)
            break; // ports above the twelfth are not tried
    }
    m_menu->hideFrom(slot);
    m_recorder.setProbing(false);
    m_recorder.Event(QStringLiteral("probe: %1 ports listed").arg(slot - 1));
    StartCom();
}

bool SerialController::ProbePort(int port)
{
    m_comm->setCommPort(static_cast<qint16>(port));
    m_comm->setPortOpen(true);
    if (!m_comm->PortOpen())
        return false;
    m_comm->setPortOpen(false);
    return true;
}

void SerialController::mnuCOM_Click()
{
    if (!m_state.TransferBusy)
        m_state.ProbeRequested = true;
}

void SerialController::mnuCOMsel_Click(int index)
{
    if (index < 1 || index > PortMenu::Items)
        return;
    m_menu->uncheckAll();
    m_menu->check(index);
    const QString tag = m_menu->tag(index);
    const auto port = NumberText::ToInt16(tag);
    if (!port) {
        ShowError(
            QStringLiteral("Type mismatch: the item's tag \"%1\" is not a port number").arg(tag),
            QStringLiteral("mnuCOMsel_Click"));
        return;
    }
    m_state.ComPortNum = *port;
    AppSettings::SavePort(m_settings, NumberText::Str(m_state.ComPortNum));
    m_c.txtCom->setText(NumberText::Plain(m_state.ComPortNum));
    // The chosen port is used at once; a send that is holding keeps its port until it returns.
    if (m_holding == 0)
        StartCom();
}

void SerialController::tmr_Delay_Timer()
{
    // A probe closes the port in use; it waits while a send holds its caller on that port.
    if (m_state.ProbeRequested && m_holding == 0) {
        m_state.ProbeRequested = false;
        DetermineValidPorts();
    }
    // The five seconds of a report run while the box is on screen: a report made while the
    // splash hides the main window is still there when the window appears.
    if (!m_c.txtErr->isVisible())
        return;
    if (m_state.ErrorTicks > 0) {
        --m_state.ErrorTicks;
    } else if (m_state.ErrorTicks == 0) {
        m_state.ErrorTicks = -1;
        m_c.txtErr->clear();
    }
}

// ---- Port open and send ----

void SerialController::StartCom()
{
    if (m_state.ComPortNum == 0 || m_shuttingDown)
        return;
    SerialControl& c = *m_comm;
    QString step;
    // A failing operation goes to the failure path; false there skips to the final check.
    const auto ok = [&](const CommError& e) { return e.ok() || StartComFailed(e, step); };
    bool go = true;
    if (c.PortOpen())
        go = ok(c.setDTREnable(false)) && ok(c.setRTSEnable(false)) && ok(c.setPortOpen(false));
    step = QStringLiteral("01");
    go = go && ok(c.setCommPort(m_state.ComPortNum)) &&
         ok(c.setSettings(QStringLiteral("56000,N,8,1"))) && ok(c.setHandshaking(0)) &&
         ok(c.setInputMode(1)) && ok(c.setDTREnable(true)) && ok(c.setRTSEnable(true)) &&
         ok(c.setInputLen(2500)) && ok(c.setOutBufferSize(2500)) && ok(c.setRThreshold(11));
    step = QStringLiteral("02");
    go = go && ok(c.setPortOpen(true));
    go = go && ok(c.setSettings(QStringLiteral("9600,N,8,1"))) && ok(c.setHandshaking(0)) &&
         ok(c.setDTREnable(true)) && ok(c.setRTSEnable(true));
    FinishStartCom();
}

bool SerialController::StartComFailed(const CommError& error, const QString& step)
{
    if (error.number == m_lastStartComError)
        return true;
    m_menu->uncheckAll();
    const QString text = StartComText(error, m_state.ComPortNum);
    ShowError(text, QStringLiteral("StartCom ") + step);
    m_recorder.Event(StatusLine::OneLine(text) + QLatin1Char(' ') + step);
    m_lastStartComError = error.number;
    return StartComGoesOn(error);
}

void SerialController::FinishStartCom()
{
    if (!m_comm->PortOpen()) {
        SetLinkColour(LinkRed);
        return;
    }
    SetLinkColour(LinkCyan);
    m_menu->checkPort(m_state.ComPortNum); // the check mark names the port in use
    m_c.tmrComInit->start();
    // A working link ends the run of failures: the next failure is news again.
    m_lastStartComError = 0;
    m_lossReported = false;
}

void SerialController::tmrComInit_Timer()
{
    m_c.tmrComInit->stop();
}

void SerialController::SetLinkColour(quint32 bgr)
{
    QPalette palette = m_c.txtCom->palette();
    palette.setColor(QPalette::Base, Toolkit::FromBgr(bgr));
    m_c.txtCom->setPalette(palette);
}

bool SerialController::SendCom(const QByteArray& text)
{
    if (!m_comm->PortOpen()) {
        if (m_state.ComPortNum == 0)
            return false;
        StartCom();
    }
    if (!m_comm->PortOpen()) {
        SetLinkColour(LinkRed);
        return false;
    }
    SetLinkColour(LinkGreen);
    const QPointer<SerialController> self(this);
    CommError sent;
    {
        HoldScope hold(m_holding);
        m_recorder.Sent(text);
        sent = m_comm->Output(text);
    }
    if (self && !sent.ok())
        ReportSendFailure(sent, QStringLiteral("SendCom"));
    return sent.ok();
}

bool SerialController::DrainOutput(int msTimeout)
{
    if (!m_comm->PortOpen())
        return false;
    const QPointer<SerialController> self(this);
    CommError drained;
    {
        HoldScope hold(m_holding);
        drained = m_comm->waitForDrain(msTimeout);
    }
    if (!self)
        return false;
    if (!drained.ok() && isLoss(drained.number))
        ReportLoss(drained);
    return drained.ok();
}

void SerialController::ReportSendFailure(const CommError& error, const QString& source)
{
    // A port lost during the hold is reported once, by whichever side notices it first.
    if (isLoss(error.number) || !m_comm->PortOpen())
        ReportLoss(error);
    else
        ShowError(error.description, source);
}

void SerialController::ShowError(const QString& text, const QString& source)
{
    m_c.txtErr->setPlainText(text + QLatin1Char(' ') + source);
    m_state.ErrorTicks = 200;
}

// ---- Receive and line events ----

void SerialController::MSComm1_OnComm()
{
    const int code = m_comm->CommEvent();
    if (code == SerialControl::EvReceive) {
        RecvData();
        return;
    }
    if (code == SerialControl::EvSend)
        return;
    const QString eventText = LineEventText(code);
    if (code == SerialControl::ErTxFull) {
        CommError e = m_comm->setPortOpen(false);
        if (e.ok())
            e = m_comm->setDTREnable(false);
        if (!e.ok()) {
            OnCommFailed(e, code, eventText);
            return;
        }
    }
    // Breaks, framing and parity errors reach the technician, not only a full transmit buffer.
    ShowError(eventText, OnCommSource);
    m_recorder.Event(eventText);
}

void SerialController::OnCommFailed(const CommError& error, int code, const QString& eventText)
{
    if (code != SerialControl::EvReceive)
        ShowError(error.description + QLatin1Char(' ') + eventText,
                  QStringLiteral("MSComm1_OnComm Event: ") + NumberText::Plain(code));
    if (m_comm->PortOpen()) {
        m_comm->setPortOpen(false);
        m_comm->setDTREnable(false);
    }
    StartCom();
}

void SerialController::MSComm1_PortLost(const CommError& error)
{
    ReportLoss(error);
}

void SerialController::MSComm1_LineAction(SerialControl::LineAction action)
{
    m_recorder.LineAction(action, m_comm->CommPort());
}

void SerialController::ReportLoss(const CommError& error)
{
    if (m_lossReported)
        return;
    m_lossReported = true;
    ShowError(error.description, OnCommSource);
    m_recorder.Event(error.description);
    ReceiveFailedB();
}

void SerialController::RecvData()
{
    QString step;
    try {
        if (!ReadWaiting() || m_state.RxBuffer.isEmpty())
            return;
        step = QStringLiteral("2");
        ShowReplies(ReplyAssembler::consumeLines(m_state.RxBuffer));
    } catch (const std::bad_alloc&) {
        RecvDataFailed(QStringLiteral("Out of memory"), step);
    }
}

// Moves every waiting byte into RxBuffer; false when the call is to end here.
bool SerialController::ReadWaiting()
{
    while (m_comm->InBufferCount() > 0) {
        CommError e;
        const QByteArray bytes = m_comm->Input(&e);
        if (!e.ok()) {
            ReceiveFailedB(); // the port is closed now: nothing more is read in this call
            return false;
        }
        if (bytes.isEmpty())
            return false;
        m_recorder.Received(bytes);
        m_state.RxBuffer.append(bytes);
    }
    return true;
}

void SerialController::ShowReplies(const QList<QByteArray>& lines)
{
    // Appending all lines at once leaves the same text as one after the other: the box keeps
    // the tail of what it received.
    QString addition;
    for (const QByteArray& line : lines)
        addition += QLatin1Char(' ') + QString::fromLatin1(line);
    if (!addition.isEmpty())
        AppendToReplyBox(addition);
    const QPointer<SerialController> self(this);
    for (const QByteArray& line : lines) {
        if (!self)
            return;
        emit replyLine(line);
    }
}

void SerialController::AppendToReplyBox(const QString& addition)
{
    const QString text = appendToReplyBox(m_c.txt_rply->toPlainText(), addition);
    m_c.txt_rply->setPlainText(text);
    // The caret goes to the end, so the unit's newest answer is the one in view.
    m_c.txt_rply->moveCursor(QTextCursor::End);
    m_c.txt_rply->ensureCursorVisible();
}

void SerialController::RecvDataFailed(const QString& description, const QString& step)
{
    ShowError(description + QLatin1Char(' ') + step, QStringLiteral("RecvData"));
    ReceiveFailedB();
}

void SerialController::ReceiveFailedB()
{
    m_comm->setPortOpen(false);
    m_toolkit.Beep();
    SetLinkColour(LinkRed);
    m_state.RxBuffer.clear();
}

// ---- Shutdown ----

void SerialController::ClosePortAtExit()
{
    if (!m_comm->PortOpen())
        return;
    m_comm->setDTREnable(false);
    m_comm->setRTSEnable(false);
    m_comm->setPortOpen(false);
}
