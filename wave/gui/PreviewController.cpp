#include "wave/gui/PreviewController.h"

#include "app/ui/AppState.h"
#include "app/ui/MainControls.h"
#include "app/ui/Toolkit.h"
#include "unit/DestinationInfo.h"
#include "unit/UnitPreview.h"
#include "unit/UnitProtocol.h"
#include "wave/gui/Form_Loop.h"
#include "wave/gui/Form_Wave.h"
#include "wave/gui/Playback.h"
#include "wave/gui/WaveController.h"

#include <QAction>
#include <QLocale>
#include <QPlainTextEdit>
#include <QScrollBar>

namespace {

constexpr qint64 LoopLength = UnitProtocol::MaxDownloadSamples;

} // namespace

PreviewController::PreviewController(MainControls& controls, AppState& state, LoadedWave& wave,
                                     Toolkit& toolkit, WaveController& waveCtl, QWidget& mainWindow,
                                     QObject* parent)
    : QObject(parent), m_c(controls), m_state(state), m_wave(wave), m_toolkit(toolkit),
      m_waveCtl(waveCtl), m_main(mainWindow)
{
}

bool PreviewController::PinkChosen() const
{
    return DestinationInfo::FromValue(m_state.SelectedDestination) == DestPinkFile;
}

void PreviewController::UpdateMenu()
{
    const bool open = m_wave.FileOpen;
    m_c.mnu_Sound_PlayAsUnit->setEnabled(
        open && DestinationInfo::FromValue(m_state.SelectedDestination) != DestNone);
    m_c.mnu_Sound_PlayLoop->setEnabled(open && PinkChosen());
    m_c.mnu_Sound_Loop->setEnabled(open && PinkChosen());
}

bool PreviewController::StartPreview(int destination, bool loop, const QString& status)
{
    const auto dest = DestinationInfo::FromValue(destination);
    if (dest == DestNone) {
        m_toolkit.MsgBox(QStringLiteral("Choose a destination first: the preview plays the "
                                        "slice as the unit plays that sound file."));
        return false;
    }
    m_waveCtl.Player().ClosePlayback(); // the old preview may be playing: release it first
    if (!UnitPreview::build(m_wave, dest, m_c.HScroll_gain->value(), m_preview)) {
        m_toolkit.MsgBox(QStringLiteral("Open a WAV file and choose a slice that is not empty "
                                        "first."));
        return false;
    }
    const QString failure = m_waveCtl.Player().StartSound(m_preview, loop);
    if (!failure.isEmpty()) {
        m_toolkit.MsgBox(failure);
        return false;
    }
    m_c.txtErr->setPlainText(status);
    m_waveCtl.FollowPlayback();
    return true;
}

void PreviewController::PlayAsUnit()
{
    const QString name = DestinationInfo::Of(m_state.SelectedDestination).DestinationName();
    StartPreview(m_state.SelectedDestination, false,
                 QStringLiteral("Playing as the unit plays the %1, level %2 %")
                     .arg(name)
                     .arg(m_c.HScroll_gain->value()));
}

void PreviewController::PlayLoop()
{
    if (!PinkChosen()) {
        m_toolkit.MsgBox(QStringLiteral("Only the Pink File is played as a loop: choose Pink "
                                        "File first."));
        return;
    }
    StartPreview(DestPinkFile, true, QStringLiteral("Playing the Pink File loop; Stop ends it"));
}

std::vector<double> PreviewController::SliceValues(qint64 extra) const
{
    if (!m_wave.FileOpen)
        return {};
    const qint64 end = std::min<qint64>(qint64(m_wave.SliceEnd) + extra, m_wave.SampleCount);
    return m_wave.FirstChannelValues(m_wave.SliceStart, qint32(end - m_wave.SliceStart));
}

void PreviewController::Recheck()
{
    Form_Wave* plot = m_waveCtl.PlotWindow();
    const bool check = m_wave.FileOpen && PinkChosen();
    const std::vector<double> values = check ? SliceValues() : std::vector<double>{};
    const LoopCheck::Wrap wrap = LoopCheck::wrapOf(values);
    const QString jump = LoopCheck::wrapText(wrap, QLocale());
    if (plot)
        plot->SetLoopSeam(check ? jump : QString());
    if (m_loop)
        m_loop->ShowCheck(LoopCheck::lengthText(qint64(values.size()), LoopLength), jump,
                          wrap.clicks());
}

void PreviewController::ShowLoopWindow()
{
    if (!m_loop) {
        m_loop = new Form_Loop(&m_main);
        connect(m_loop, &Form_Loop::fitRequested, this, &PreviewController::Fit);
        connect(m_loop, &Form_Loop::crossFadeRequested, this, &PreviewController::CrossFade);
        connect(m_loop, &Form_Loop::playLoopRequested, this, &PreviewController::PlayLoop);
        connect(m_loop, &Form_Loop::stopRequested, &m_waveCtl, &WaveController::Command3_Click);
    }
    Recheck();
    m_loop->show();
    m_loop->raise();
}

void PreviewController::Fit(LoopCheck::Fit fit)
{
    const std::vector<double> fitted = LoopCheck::fitted(SliceValues(), LoopLength, fit);
    if (qint64(fitted.size()) != LoopLength) {
        m_toolkit.MsgBox(fit == LoopCheck::Fit::Trim
                             ? QStringLiteral("The slice is shorter than 131072 samples: pad it.")
                             : QStringLiteral("The slice is longer than 131072 samples: trim it."));
        return;
    }
    m_waveCtl.ReplaceLoaded(fitted, m_wave.Format.SampleRate,
                            QStringLiteral("The slice was fitted to 131072 samples."));
    Recheck();
}

void PreviewController::CrossFade(int milliseconds, LoopCheck::Fade fade)
{
    const qint64 n = qint64(milliseconds) * m_wave.Format.SampleRate / 1000;
    const qint64 length = qint64(m_wave.SliceEnd) - m_wave.SliceStart;
    const std::vector<double> faded = LoopCheck::crossFaded(SliceValues(n), length, n, fade);
    if (faded.empty())
        return;
    m_waveCtl.ReplaceLoaded(
        faded, m_wave.Format.SampleRate,
        QStringLiteral("The loop's ends were cross-faded over %1 ms.").arg(milliseconds));
    Recheck();
}

void PreviewController::EnvelopeToggled(bool on)
{
    if (Form_Wave* plot = m_waveCtl.PlotWindow())
        plot->SetEnvelope(on);
}
