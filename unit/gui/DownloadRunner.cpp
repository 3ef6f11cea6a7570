#include "DownloadRunner.h"

#include "AppState.h"
#include "CopyFile.h"
#include "DownloadEncoder.h"
#include "DownloadPlan.h"
#include "LoadedWave.h"
#include "MainControls.h"
#include "ProgressBar.h"
#include "SerialController.h"
#include "Toolkit.h"
#include "UnitProtocol.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

const QString DownloadRunner::DownloadingText = QStringLiteral("Downloading wave file.");
const QString DownloadRunner::CompletedText = QStringLiteral("Transfer completed.");
const QString DownloadRunner::AbortedText = QStringLiteral("Transfer aborted.");
const QString DownloadRunner::FailedText =
    QStringLiteral("Transfer failed: the port did not send all data.");

namespace {
// The line carries about 960 bytes per second; the drain may take that long for every byte of
// the stream plus a margin, so it is bounded but never cut short on a working line.
constexpr qint64 kLineBytesPerSecond = 960;
constexpr qint64 kDrainMarginMs = 5000;
} // namespace

DownloadRunner::DownloadRunner(MainControls& controls, AppState& state, const LoadedWave& wave,
                               Toolkit& toolkit, SerialController& serial)
    : m_c(controls), m_state(state), m_wave(wave), m_toolkit(toolkit), m_serial(serial)
{
}

DownloadRunner::Outcome DownloadRunner::Run(WaveDestination dest)
{
    m_c.btn_snd_ST_ID[2]->setEnabled(true);
    m_c.ProgressBar1->show();
    m_c.ProgressBar1->SetValue(0.0);
    qint32 size = m_wave.FileOpen ? m_wave.SliceEnd - m_wave.SliceStart : 0;
    if (!AgreeSize(dest, size)) {
        m_c.ProgressBar1->hide();
        m_c.btn_snd_ST_ID[2]->setEnabled(false);
        m_c.txtErr->setPlainText(AbortedText);
        return Outcome::Declined;
    }
    // The slice is read once here, so a reload or a slider move during the download cannot mix
    // two sources into one stream.
    const std::vector<double> values = SliceValues(size);
    const QString copyName = CopyFile::CopyFileName(m_c.Text1->text());
    m_state.TransferBusy = true;
    m_c.txtErr->setPlainText(DownloadingText);
    m_c.txt_Xfred->setText(QStringLiteral("0"));

    // A port lost on the way drops bytes even if it comes back before the end.
    bool portLost = false;
    QObject lossWatch;
    QObject::connect(&m_serial.MSComm1(), &SerialControl::portLost, &lossWatch,
                     [&portLost] { portLost = true; });
    DownloadPlan plan(dest, m_wave.Format.BitsPerSample, size);
    const bool allFrames = SendFrames(plan, values);
    m_serial.SendCom(plan.Finish());
    const bool drained = Drain(plan.Stream().size()) && !portLost;
    const Outcome outcome =
        !allFrames ? Outcome::Stopped : (drained ? Outcome::Completed : Outcome::Failed);
    ShowEnd(outcome, plan.NextFrame());
    CopyFile::WriteCopyFile(copyName, plan.Stream());
    m_state.TransferBusy = false;
    return outcome;
}

bool DownloadRunner::AgreeSize(WaveDestination dest, qint32& size)
{
    if (!DownloadPlan::NeedsTruncation(size))
        return true;
    const int answer = m_toolkit.MsgBox(DownloadEncoder::TruncationQuestion(dest),
                                        Toolkit::OkCancel, QStringLiteral("Caution"));
    if (answer != Toolkit::Ok)
        return false;
    size = UnitProtocol::MaxDownloadSamples;
    m_c.txt_Xfr_Siz->setText(QString::number(size));
    return true;
}

std::vector<double> DownloadRunner::SliceValues(qint32 size) const
{
    std::vector<double> values(static_cast<size_t>(std::max(size, 0)));
    for (qint32 i = 0; i < size; ++i)
        values[static_cast<size_t>(i)] = m_wave.FirstChannel(m_wave.SliceStart + i);
    return values;
}

// True when every frame went out, false after a stop.
bool DownloadRunner::SendFrames(DownloadPlan& plan, const std::vector<double>& values)
{
    while (!plan.AtEnd()) {
        const qint32 i = plan.NextFrame();
        if (plan.AddFrame(values[static_cast<size_t>(i)], m_c.HScroll_gain->value())) {
            m_serial.SendCom(plan.TakeChunk());
            m_c.ProgressBar1->SetValue(plan.Progress());
            m_toolkit.DoEvents();
        }
        m_c.txt_Xfred->setText(QString::number(i));
        if (m_state.StopTransferRequested) {
            m_c.txtErr->setPlainText(AbortedText);
            return false;
        }
    }
    return true;
}

bool DownloadRunner::Drain(qint64 streamBytes)
{
    const qint64 ms = streamBytes * 1000 / kLineBytesPerSecond + kDrainMarginMs;
    return m_serial.DrainOutput(static_cast<int>(ms));
}

void DownloadRunner::ShowEnd(Outcome outcome, qint32 framesSent)
{
    m_c.ProgressBar1->hide();
    m_c.btn_snd_ST_ID[2]->setEnabled(false);
    if (outcome == Outcome::Completed)
        m_c.txtErr->setPlainText(CompletedText);
    else if (outcome == Outcome::Failed)
        m_c.txtErr->setPlainText(FailedText);
    // Frames actually handed to the port: the whole size unless the download was stopped.
    m_c.txt_Xfred->setText(QString::number(framesSent));
}
