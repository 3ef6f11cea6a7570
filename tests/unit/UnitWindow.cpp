#include "UnitWindow.h"

#include "LoadedWave.h"
#include "ProgressBar.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

UnitWindow::UnitWindow()
{
    m_f.Create();
}

bool UnitWindow::Open(const TestWav& wav, const QString& name)
{
    m_wavPath = Path(name);
    if (!wav.Write(m_wavPath))
        return false;
    m_f.toolkit.fileAnswers.enqueue(m_wavPath);
    Controls().Command1->click();
    return m_f.window->Wave().FileOpen;
}

void UnitWindow::Choose(int option)
{
    Controls().opt_Wav_type[static_cast<size_t>(option)]->click();
}

void UnitWindow::Click(int index)
{
    Button(index)->click();
}

void UnitWindow::AttachCom1(const QString& link)
{
    m_f.settings->SaveRegSetting(AppState::AppTitle, QStringLiteral("Ports"),
                                 QStringLiteral("COM1"), link);
    m_f.state.ComPortNum = 1;
}

QList<bool> UnitWindow::States()
{
    QList<bool> on;
    for (int i = 0; i < 5; ++i)
        on << Button(i)->isEnabled();
    return on << Controls().mnuCOM->menuAction()->isEnabled()
              << !Controls().ProgressBar1->isHidden() << State().TransferBusy;
}
