#include "UnitController.h"

#include "AppState.h"
#include "DestinationInfo.h"
#include "DownloadRunner.h"
#include "EraseWait.h"
#include "LoadedWave.h"
#include "MainControls.h"
#include "SerialController.h"
#include "Toolkit.h"
#include "UnitProtocol.h"

#include <QAction>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>

const QString UnitController::NoDestinationText = QStringLiteral("No file destination selected");
const QString UnitController::IncompatibleRateText =
    QStringLiteral("Incomaptible data rate. Please use 8000 samples/sec.");

namespace {
enum ButtonIndex
{
    SendButton = 0,
    EraseButton = 1,
    StopButton = 2,
    SendCrButton = 3,
    BlankCheckButton = 4
};
const QString NoticeTitle = QStringLiteral("Notice:");
} // namespace

UnitController::UnitController(MainControls& controls, AppState& state, LoadedWave& wave,
                               Toolkit& toolkit, SerialController& serial, QObject* parent)
    : QObject(parent), m_c(controls), m_state(state), m_wave(wave), m_toolkit(toolkit),
      m_serial(serial)
{
}

QString UnitController::SendNotice(const QString& destinationName)
{
    return QStringLiteral("This command will save a ") + destinationName +
           QStringLiteral(" to the Orvanta.\r\n") +
           QStringLiteral("Please make sure the old ID was erased before proceeding.");
}

QString UnitController::EraseNotice(const QString& destinationName)
{
    return QStringLiteral("This command will erase the ") + destinationName +
           QStringLiteral(" from the Orvanta.");
}

QString UnitController::PinkRateText(quint32 rate)
{
    return QStringLiteral("Orvanta stores Sound files using 48000 Samples/Second.\r\n") +
           QStringLiteral(" The data rate of ") + QString::number(rate) +
           QStringLiteral(" Samples/Sec is incompatible.");
}

WaveDestination UnitController::Selected() const
{
    return DestinationInfo::FromValue(m_state.SelectedDestination);
}

void UnitController::opt_Wav_type_Click(int index)
{
    const DestinationInfo& info = DestinationInfo::Of(DestinationInfo::FromOptionIndex(index));
    if (info.Destination() == DestNone)
        return;
    // A running command keeps Erase disabled; it comes back when the command ends.
    if (m_running == Running::Nothing)
        SetButton(EraseButton, true);
    m_state.SelectedDestination = info.Destination();
    m_c.btn_snd_ST_ID[SendButton]->setText(info.SendCaption());
    m_c.btn_snd_ST_ID[EraseButton]->setText(info.EraseCaption());
    m_state.DestinationName = info.DestinationName();
}

void UnitController::btn_snd_ST_ID_Click(int index)
{
    m_c.txtErr->clear();
    switch (index) {
    case SendButton:
        Send();
        break;
    case EraseButton:
        Erase();
        break;
    case StopButton:
        StopTransfer();
        break;
    case SendCrButton:
        SendCr();
        break;
    case BlankCheckButton:
        BlankCheck();
        break;
    default:
        break;
    }
}

void UnitController::Send()
{
    const WaveDestination dest = Selected();
    if (dest == DestNone) {
        m_toolkit.MsgBox(NoDestinationText);
        return;
    }
    if (RateRefused(dest))
        return;
    if (m_toolkit.MsgBox(SendNotice(m_state.DestinationName), Toolkit::OkCancel, NoticeTitle) !=
        Toolkit::Ok) {
        RestoreSendErase();
        return;
    }
    m_state.StopTransferRequested = false;
    RunDownload();
}

bool UnitController::RateRefused(WaveDestination dest)
{
    if (dest != DestPinkFile) {
        if (!m_state.RateUnsupported)
            return false;
        m_c.txtErr->setPlainText(IncompatibleRateText);
        m_toolkit.MsgBox(IncompatibleRateText);
        return true;
    }
    SetButton(EraseButton, false);
    SetButton(SendButton, false);
    const quint32 rate = m_wave.Format.SampleRate;
    if (rate == 48000 || rate == 44100)
        return false;
    m_toolkit.MsgBox(PinkRateText(rate));
    RestoreSendErase();
    return true;
}

void UnitController::RunDownload()
{
    SetButton(StopButton, true);
    SetComMenu(false);
    SetCommandButtons(false);
    Flash_Send_to(m_state.SelectedDestination);
    SetComMenu(true);
    SetButton(StopButton, false);
    SetCommandButtons(true);
}

void UnitController::Flash_Send_to(int destination)
{
    const WaveDestination dest = DestinationInfo::FromValue(destination);
    if (dest == DestNone || m_running == Running::Download)
        return;
    const Running before = m_running;
    m_running = Running::Download;
    DownloadRunner runner(m_c, m_state, m_wave, m_toolkit, m_serial);
    runner.Run(dest);
    m_running = before;
}

void UnitController::Erase()
{
    if (Selected() == DestNone) {
        m_toolkit.MsgBox(NoDestinationText);
        return;
    }
    if (m_toolkit.MsgBox(EraseNotice(m_state.DestinationName), Toolkit::OkCancel, NoticeTitle) !=
        Toolkit::Ok)
        return;
    m_state.StopTransferRequested = false;
    SetComMenu(false);
    EraseDestination();
}

void UnitController::EraseDestination()
{
    const QByteArray command = UnitProtocol::EraseCommand(Selected());
    if (command.isEmpty() || m_running != Running::Nothing)
        return;
    m_running = Running::Erase;
    SetButton(StopButton, true);
    SetButton(EraseButton, false);
    SetButton(SendButton, false);
    EraseWait wait(*m_c.ProgressBar1, m_state.EraseCountdown, m_toolkit);
    wait.Run([this, &command] { m_serial.SendCom(command); });
    SetButton(StopButton, false);
    m_running = Running::Nothing;
    RestoreSendErase();
    SetComMenu(true);
}

void UnitController::Timer_erase_Timer()
{
    if (m_state.EraseCountdown > 0)
        --m_state.EraseCountdown;
}

void UnitController::StopTransfer()
{
    m_state.StopTransferRequested = true;
    // A port change before the terminator has left would leave the unit in write mode, so the
    // COM menu stays disabled until the download has ended.
    if (m_running != Running::Download)
        SetComMenu(true);
}

void UnitController::SendCr()
{
    m_c.txt_rply->clear();
    m_serial.SendCom(UnitProtocol::IdQuery());
}

void UnitController::BlankCheck()
{
    const QByteArray command = UnitProtocol::BlankCheckCommand(Selected());
    if (command.isEmpty()) {
        m_toolkit.MsgBox(NoDestinationText);
        return;
    }
    m_serial.SendCom(command);
}

void UnitController::SetButton(int index, bool enabled)
{
    m_c.btn_snd_ST_ID[static_cast<size_t>(index)]->setEnabled(enabled);
}

void UnitController::SetComMenu(bool enabled)
{
    m_c.mnuCOM->setEnabled(enabled);
    m_c.mnuCOM->menuAction()->setEnabled(enabled);
}

// Send, Erase, Send CR and Blank Check: none of them may start while a download runs.
void UnitController::SetCommandButtons(bool enabled)
{
    if (enabled) {
        RestoreSendErase();
    } else {
        SetButton(SendButton, false);
        SetButton(EraseButton, false);
    }
    SetButton(SendCrButton, enabled);
    SetButton(BlankCheckButton, enabled);
}

// Send needs an opened file and Erase a destination; each comes back only with its need met.
void UnitController::RestoreSendErase()
{
    SetButton(EraseButton, Selected() != DestNone);
    SetButton(SendButton, m_wave.FileOpen);
}
