#include "unit/gui/UnitController.h"

#include "app/ui/AppState.h"
#include "app/ui/MainControls.h"
#include "app/ui/Toolkit.h"
#include "unit/DestinationInfo.h"
#include "unit/UnitProtocol.h"
#include "unit/UnitSession.h"
#include "unit/gui/CommandButtons.h"
#include "unit/gui/DownloadRunner.h"
#include "unit/gui/EraseWait.h"
#include "unit/gui/WindowLink.h"
#include "wave/LoadedWave.h"
#include "wave/RateCheck.h"

#include <QPlainTextEdit>
#include <QPushButton>

const QString UnitController::NoDestinationText = QStringLiteral("No file destination selected");
const QString UnitController::IncompatibleRateText =
    QStringLiteral("Incomaptible data rate. Please use 8000 samples/sec.");

namespace {
const QString NoticeTitle = QStringLiteral("Notice:");
}

UnitController::UnitController(MainControls& controls, AppState& state, LoadedWave& wave,
                               Toolkit& toolkit, SerialController& serial, QObject* parent)
    : QObject(parent), m_c(controls), m_state(state), m_wave(wave), m_toolkit(toolkit),
      m_link(new WindowLink(serial, this)), m_session(new UnitSession(*m_link, this)),
      m_buttons(new CommandButtons(controls, state, wave, *m_session, this))
{
}

UnitController::~UnitController() = default;

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

QString UnitController::RefusedRateText(quint32 playRate, quint32 rate)
{
    return QStringLiteral("Orvanta stores Sound files using ") + QString::number(playRate) +
           QStringLiteral(" Samples/Second.\r\n") + QStringLiteral(" The data rate of ") +
           QString::number(rate) + QStringLiteral(" Samples/Sec is incompatible.");
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
    m_state.SelectedDestination = info.Destination();
    m_c.btn_snd_ST_ID[MainControls::SendButton]->setText(info.SendCaption());
    m_c.btn_snd_ST_ID[MainControls::EraseButton]->setText(info.EraseCaption());
    m_state.DestinationName = info.DestinationName();
    m_buttons->Refresh(); // a running command keeps Erase disabled
}

void UnitController::btn_snd_ST_ID_Click(int index)
{
    // One command at a time: while one holds the line the others are refused, even when their
    // handler is reached some other way than through a disabled button.
    if (m_session->busy() && index != MainControls::StopButton)
        return;
    m_c.txtErr->clear();
    switch (index) {
    case MainControls::SendButton:
        Send();
        break;
    case MainControls::EraseButton:
        Erase();
        break;
    case MainControls::StopButton:
        StopTransfer();
        break;
    case MainControls::SendCrButton:
        SendCr();
        break;
    case MainControls::BlankCheckButton:
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
    if (!ConvertedForId(dest) || RateRefused(dest))
        return;
    if (m_toolkit.MsgBox(SendNotice(m_state.DestinationName), Toolkit::OkCancel, NoticeTitle) !=
        Toolkit::Ok)
        return;
    Flash_Send_to(m_state.SelectedDestination);
}

// The unit plays both IDs at 8000 samples per second: a 44100 or 48000 file sent frame for
// frame plays 5.5 to 6 times too slow, so conversion is offered first. False: send nothing.
bool UnitController::ConvertedForId(WaveDestination dest)
{
    const DestinationInfo& info = DestinationInfo::Of(dest);
    const quint32 rate = m_wave.Format.SampleRate;
    // A destination that refuses other rates (the Pink File) is checked below, not offered.
    if (info.RefusesOtherRates() || !m_wave.FileOpen || info.Plays(rate) || !isRateSupported(rate))
        return true;
    const int answer = m_toolkit.MsgBox(
        QStringLiteral("The unit plays the %1 at %2 samples/s; this file has %3 samples/s. "
                       "Convert it to %2 first? (No sends it frame for frame.)")
            .arg(m_state.DestinationName)
            .arg(info.PlayRate())
            .arg(rate),
        Toolkit::YesNoCancel);
    if (answer == Toolkit::Cancel)
        return false;
    if (answer != Toolkit::Yes)
        return true; // No: frame for frame, as before
    Q_EMIT convertRequested(info.PlayRate());
    return m_wave.Format.SampleRate == info.PlayRate();
}

bool UnitController::RateRefused(WaveDestination dest)
{
    const DestinationInfo& info = DestinationInfo::Of(dest);
    if (!info.RefusesOtherRates()) {
        if (!m_state.RateUnsupported)
            return false;
        m_c.txtErr->setPlainText(IncompatibleRateText);
        m_toolkit.MsgBox(IncompatibleRateText);
        return true;
    }
    const quint32 rate = m_wave.Format.SampleRate;
    if (info.Plays(rate))
        return false;
    m_toolkit.MsgBox(RefusedRateText(info.PlayRate(), rate));
    return true;
}

void UnitController::Flash_Send_to(int destination)
{
    const WaveDestination dest = DestinationInfo::FromValue(destination);
    if (dest == DestNone || m_session->busy())
        return;
    DownloadRunner runner(m_c, m_wave, m_toolkit, *m_session);
    runner.Run(dest);
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
    EraseDestination();
}

void UnitController::EraseDestination()
{
    if (Selected() == DestNone || m_session->busy())
        return;
    EraseWait wait(m_c, *m_session);
    wait.Run(Selected());
}

void UnitController::StopTransfer()
{
    if (m_session->running() != UnitSession::Command::Download)
        return; // an erase, once sent, runs to the unit's answer
    m_session->requestStop();
    m_c.txtErr->setPlainText(DownloadRunner::AbortedText);
}

void UnitController::EndForExit()
{
    m_session->endWait();
}

void UnitController::SendCr()
{
    m_c.txt_rply->clear();
    m_session->startIdQuery();
}

void UnitController::BlankCheck()
{
    if (Selected() == DestNone) {
        m_toolkit.MsgBox(NoDestinationText);
        return;
    }
    m_session->startBlankCheck(Selected());
}
