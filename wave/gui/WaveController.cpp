#include "WaveController.h"

#include "AppState.h"
#include "Form_Wave.h"
#include "LoadedWave.h"
#include "MainControls.h"
#include "NumberText.h"
#include "RateCheck.h"
#include "Toolkit.h"
#include "WaveFileReader.h"
#include "WindowGeometry.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

namespace {
const QString OpenFilter = QStringLiteral("Wav Files (*.wav)|*.wav|All Files (*.*)|*.*");
}

WaveController::WaveController(MainControls& controls, AppState& state, LoadedWave& wave,
                               Toolkit& toolkit, QWidget& mainWindow, QObject* parent)
    : QObject(parent), m_c(controls), m_state(state), m_wave(wave), m_toolkit(toolkit),
      m_main(mainWindow)
{
}

Form_Wave* WaveController::CreatePlotWindow()
{
    m_plot = new Form_Wave(m_wave, &m_main);
    PlacePlotBelowMain(1.0);
    return m_plot;
}

void WaveController::Command1_Click()
{
    m_c.txtErr->clear();
    if (auto chosen =
            m_toolkit.GetOpenFileName(OpenFilter, QStringLiteral("wav"), m_dialogFileName))
        m_dialogFileName = *chosen;
    m_state.WaveFileName = m_dialogFileName;
    if (m_state.WaveFileName == QLatin1String("*.wav"))
        return;
    m_c.Text1->setText(m_state.WaveFileName);

    const LoadResult result = LoadWaveFile(m_wave, m_state.WaveFileName);
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
    else
        ShowFailedOpen();
    CheckRate();
}

void WaveController::ShowLoadedFormat()
{
    if (m_plot) {
        PlacePlotBelowMain(0.5);
        m_plot->show();
        m_plot->hide();
    }
    m_c.Command2->setEnabled(true);
    m_c.Command3->setEnabled(true);
    m_c.btn_snd_ST_ID[0]->setEnabled(true);
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
    m_c.btn_snd_ST_ID[0]->setEnabled(false);
    m_c.btn_snd_ST_ID[2]->setEnabled(false);
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

void WaveController::HScroll1_Change() {}

void WaveController::HScroll2_Change() {}

void WaveController::HScroll_gain_Change() {}

void WaveController::UpdateSlice() {}

void WaveController::btn_View_Click() {}

void WaveController::Command2_Click() {}

void WaveController::Command3_Click() {}

void WaveController::Timer1_Timer() {}

void WaveController::StopPlayback() {}

void WaveController::PlacePlotBelowMain(double heightFactor)
{
    const QRect main = WindowGeometry::Outer(m_main);
    WindowGeometry::SetOuter(*m_plot, QRect(main.left(), main.top() + main.height(), main.width(),
                                            static_cast<int>(main.height() * heightFactor)));
}
