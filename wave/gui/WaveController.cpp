#include "wave/gui/WaveController.h"

#include "unit/DestinationInfo.h"

#include "app/core/NumberText.h"
#include "app/ui/AppState.h"
#include "app/ui/MainControls.h"
#include "app/ui/ProgressBar.h"
#include "app/ui/Toolkit.h"
#include "app/ui/WindowGeometry.h"
#include "wave/AttenuationText.h"
#include "wave/LoadedWave.h"
#include "wave/RateCheck.h"
#include "wave/SliceMath.h"
#include "wave/SliceTimes.h"
#include "wave/WaveConverter.h"
#include "wave/WaveFileReader.h"
#include "wave/WaveFileWriter.h"
#include "wave/gui/Form_Compose.h"
#include "wave/gui/Form_Wave.h"
#include "wave/gui/PlayCursor.h"
#include "wave/gui/Playback.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {
const QString OpenFilter = QStringLiteral("Wav Files (*.wav)|*.wav|All Files (*.*)|*.*");

QString ConvertedText(quint32 rate)
{
    return QStringLiteral("Converted to 16-bit PCM at %1 samples/s.").arg(rate);
}
} // namespace

WaveController::WaveController(MainControls& controls, AppState& state, LoadedWave& wave,
                               Toolkit& toolkit, QWidget& mainWindow, QObject* parent)
    : QObject(parent), m_c(controls), m_state(state), m_wave(wave), m_toolkit(toolkit),
      m_main(mainWindow), m_playback(new Playback(wave, this)),
      m_cursor(new PlayCursor(*m_playback, wave, this))
{
}

Form_Wave* WaveController::CreatePlotWindow()
{
    m_plot = new Form_Wave(m_wave, &m_main);
    m_cursor->SetPlot(m_plot);
    PlacePlotBelowMain(1.0);
    connect(m_plot, &Form_Wave::closed, this, &WaveController::PlotClosed);
    return m_plot;
}

void WaveController::Command1_Click()
{
    m_c.txtErr->clear();
    // The dialog starts with the name chosen last; Cancel keeps it, and it is opened again.
    if (auto chosen =
            m_toolkit.GetOpenFileName(OpenFilter, QStringLiteral("wav"), m_state.WaveFileName))
        m_state.WaveFileName = *chosen;
    if (m_state.WaveFileName == QLatin1String("*.wav"))
        return;
    OpenPath(m_state.WaveFileName);
}

void WaveController::OpenPath(const QString& path)
{
    m_state.WaveFileName = path;
    m_c.Text1->setText(m_state.WaveFileName);
    // The sound is read from the loaded samples in place: it ends before they are replaced.
    m_c.Timer1->stop();
    m_playback->ClosePlayback();

    LoadResult result;
    m_c.mnu_File_SaveConverted->setEnabled(false);
    if (!ConvertOnRequest(&result))
        result = LoadWaveFile(m_wave, m_state.WaveFileName);
    if (result.show == LoadResult::Show::MessageBox)
        m_toolkit.MsgBox(result.text);
    else if (result.show == LoadResult::Show::StatusText)
        m_c.txtErr->setPlainText(result.text);

    m_wave.SliceStart = 0;
    m_wave.SliceEnd = m_wave.SampleCount;
    m_c.HScroll1->setValue(0);
    m_c.HScroll2->setValue(1000);
    if (m_plot)
        m_plot->DrawWaves();

    if (m_wave.FileOpen)
        ShowLoadedFormat();
    if (m_wave.FileOpen && !result.notice.isEmpty())
        m_c.txtErr->setPlainText(result.notice);
    else if (!m_wave.FileOpen)
        ShowFailedOpen();
    emit waveChanged(); // Send follows FileOpen, through the owner of the command buttons
    CheckRate();
}

// Converts the named file into the loaded wave, with the progress bar and a window that can
// cancel it; says why when it cannot. On cancel or failure the loaded wave is as it was.
bool WaveController::ConvertFile(quint32 rate)
{
    const std::unique_ptr<Toolkit::JobProgress> progress = m_toolkit.BeginProgress(
        QStringLiteral("Converting to 16-bit PCM at %1 samples/s…").arg(rate));
    const WaveConverter::Result converted =
        WaveConverter::Convert(m_state.WaveFileName, rate, m_wave, [&](double done) {
            m_c.ProgressBar1->SetValue(done * 100);
            return progress->Update(done);
        });
    m_c.ProgressBar1->SetValue(0);
    if (converted.ok)
        m_c.mnu_File_SaveConverted->setEnabled(true);
    if (converted.cancelled)
        m_c.txtErr->setPlainText(QStringLiteral("Conversion cancelled."));
    else if (!converted.ok)
        m_toolkit.MsgBox(QStringLiteral("The file could not be converted: ") + converted.error);
    return converted.ok;
}

bool WaveController::ConvertOnRequest(LoadResult* result)
{
    // The rate the unit plays the chosen destination at (8000 before one is chosen).
    const quint32 rate = DestinationInfo::Of(m_state.SelectedDestination).PlayRate();
    const std::optional<QString> question = WaveConverter::Offer(m_state.WaveFileName, rate);
    if (!question || m_toolkit.MsgBox(*question, Toolkit::YesNo) != Toolkit::Yes)
        return false;
    if (!ConvertFile(rate))
        return false; // the reader's own messages follow
    *result = LoadResult{};
    result->notice = ConvertedText(rate);
    return true;
}

void WaveController::ConvertLoaded(quint32 rate)
{
    const double scale = double(rate) / m_wave.Format.SampleRate;
    const qint32 start = m_wave.SliceStart;
    const qint32 end = m_wave.SliceEnd;
    m_c.Timer1->stop();
    m_playback->ClosePlayback();
    if (!ConvertFile(rate))
        return;
    // The sliders stay where they are; the slice keeps its times, to the nearest frame.
    m_wave.SliceStart = qint32(std::min<double>(std::nearbyint(start * scale), m_wave.SampleCount));
    m_wave.SliceEnd = qint32(std::min<double>(std::nearbyint(end * scale), m_wave.SampleCount));
    m_c.txtRate->setText(NumberText::Plain(rate));
    m_c.txt_Bits->setText(NumberText::Plain(16));
    m_c.txt_Xfr_Siz->setText(NumberText::Str(qint64(m_wave.SliceEnd) - m_wave.SliceStart));
    m_c.txtErr->setPlainText(ConvertedText(rate));
    m_state.RateUnsupported = !isRateSupported(rate);
    if (m_plot)
        m_plot->DrawWaves();
}

void WaveController::ShowComposer()
{
    if (!m_composer) {
        m_composer = new Form_Compose(m_toolkit, &m_main);
        connect(m_composer, &Form_Compose::useAsChannelId, this, [this](const QString& path) {
            OpenPath(path);
            if (m_wave.FileOpen)
                m_c.opt_Wav_type[size_t(DestChannelID - 1)]->click();
        });
    }
    m_composer->show();
    m_composer->raise();
}

void WaveController::ReplaceLoaded(const std::vector<double>& mono, quint32 rate,
                                   const QString& notice)
{
    m_c.Timer1->stop();
    m_playback->ClosePlayback();
    if (!m_wave.StoreMono(mono, rate)) {
        m_toolkit.MsgBox(QStringLiteral("The sound is too large to hold."));
        return;
    }
    m_c.HScroll1->setValue(0);
    m_c.HScroll2->setValue(1000);
    m_c.txtRate->setText(NumberText::Plain(rate));
    m_c.txt_Bits->setText(NumberText::Plain(16));
    m_c.txt_Chan->setText(NumberText::Plain(1));
    m_c.mnu_File_SaveConverted->setEnabled(true);
    UpdateSlice();
    m_c.txtErr->setPlainText(notice);
}

void WaveController::SaveConvertedAs()
{
    const QFileInfo source(m_state.WaveFileName);
    const QString suggested = source.dir().filePath(
        QStringLiteral("%1-%2.wav").arg(source.completeBaseName()).arg(m_wave.Format.SampleRate));
    const auto name = m_toolkit.GetSaveFileName(OpenFilter, QStringLiteral("wav"), suggested);
    if (!name)
        return;
    if (const auto failed = SaveWaveFile(m_wave, *name))
        m_toolkit.MsgBox(*failed);
    else
        m_c.txtErr->setPlainText(QStringLiteral("Saved as %1.").arg(*name));
}

void WaveController::ShowLoadedFormat()
{
    if (m_plot) {
        // Laid out hidden: mapping and unmapping it at once here would leave a re-show racing
        // the window manager's withdrawal, which can drop that show.
        PlacePlotBelowMain(0.5);
        m_plot->hide();
    }
    m_c.Command2->setEnabled(true);
    m_c.Command3->setEnabled(true);
    m_c.txtRate->setText(NumberText::Plain(m_wave.Format.SampleRate));
    m_c.txtErr->setPlainText(QStringLiteral("WAV file is open."));
    m_c.txt_Bits->setText(NumberText::Plain(m_wave.Format.BitsPerSample));
    m_c.txt_Chan->setText(NumberText::Plain(m_wave.Format.Channels));
    m_c.btn_View->setEnabled(true);
    UpdateSlice();
}

void WaveController::ShowFailedOpen()
{
    m_c.Command2->setEnabled(false);
    m_c.Command3->setEnabled(false);
    if (m_plot)
        m_plot->hide();
    m_c.txtRate->setText(QStringLiteral("Open failed."));
}

void WaveController::CheckRate()
{
    const quint32 rate = m_wave.Format.SampleRate;
    m_state.RateUnsupported = !isRateSupported(rate);
    if (m_state.RateUnsupported)
        m_toolkit.MsgBox(rateMessage(rate));
}

void WaveController::HScroll1_Change()
{
    // The correcting assignment runs this handler again, nested, before UpdateSlice below.
    if (m_c.HScroll1->value() >= m_c.HScroll2->value())
        m_c.HScroll1->setValue(m_c.HScroll2->value() - 1);
    UpdateSlice();
}

void WaveController::HScroll2_Change()
{
    if (m_c.HScroll2->value() <= m_c.HScroll1->value())
        m_c.HScroll2->setValue(m_c.HScroll1->value() + 1);
    UpdateSlice();
}

void WaveController::HScroll_gain_Change()
{
    m_c.txt_rel_gain->setText(AttenuationText::Caption(m_c.HScroll_gain->value(), QLocale()));
}

void WaveController::UpdateSlice()
{
    m_wave.SliceStart = SliceMath::FrameAt(m_c.HScroll1->value(), m_wave.SampleCount);
    m_wave.SliceEnd = SliceMath::FrameAt(m_c.HScroll2->value(), m_wave.SampleCount);
    if (m_plot)
        m_plot->DrawWaves();
    m_c.txt_Xfr_Siz->setText(NumberText::Str(qint64(m_wave.SliceEnd) - m_wave.SliceStart));
    ShowTimes();
    Q_EMIT sliceUpdated();
}

void WaveController::ShowTimes()
{
    const SliceTimes::Texts t = SliceTimes::sliceTexts(m_wave, QLocale());
    const bool open = m_wave.FileOpen;
    m_c.HScroll1->setToolTip(
        open ? QStringLiteral("Start %1 (frame %2)").arg(t.start).arg(m_wave.SliceStart)
             : QString());
    m_c.HScroll2->setToolTip(
        open ? QStringLiteral("End %1 (frame %2)").arg(t.end).arg(m_wave.SliceEnd) : QString());
    m_c.txt_Xfr_Siz->setToolTip(open ? QStringLiteral("Length %1").arg(t.length) : QString());
}

void WaveController::btn_View_Click()
{
    if (m_plot->isVisible()) {
        m_plot->hide();
        m_c.btn_View->setText(QStringLiteral("View Plot"));
    } else {
        m_plot->show();
        m_c.btn_View->setText(QStringLiteral("Hide Plot"));
    }
}

void WaveController::PlotClosed()
{
    m_c.btn_View->setText(QStringLiteral("View Plot"));
}

void WaveController::Command2_Click()
{
    const QString before = m_c.txtErr->toPlainText();
    m_c.txtErr->setPlainText(QStringLiteral("Playing WAV file"));
    if (m_wave.Playing)
        return;
    const QString failure = m_playback->StartPlayback(Playback::DefaultDevice);
    if (failure.isEmpty()) {
        FollowPlayback();
        return;
    }
    // Nothing plays: the status line does not claim otherwise.
    m_c.txtErr->setPlainText(before);
    m_toolkit.MsgBox(failure);
}

void WaveController::FollowPlayback()
{
    m_c.Timer1->start();
    m_cursor->Follow();
}

void WaveController::Command3_Click()
{
    m_c.txtErr->setPlainText(QStringLiteral("Play stopped"));
    m_c.Timer1->stop();
    m_playback->StopPlayback();
}

void WaveController::Timer1_Timer()
{
    if (m_wave.Playing)
        return;
    m_playback->ClosePlayback();
    m_c.txtErr->setPlainText(QString());
    m_c.Timer1->stop();
}

void WaveController::StopPlayback()
{
    m_playback->StopPlayback();
    m_playback->ClosePlayback();
}

void WaveController::PlacePlotBelowMain(double heightFactor)
{
    const QRect main = WindowGeometry::Outer(m_main);
    WindowGeometry::SetOuter(*m_plot,
                             QRect(main.left(), main.top() + main.height(), main.width(),
                                   static_cast<int>(main.height() * heightFactor)),
                             &m_main);
}
