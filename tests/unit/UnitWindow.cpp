#include "UnitWindow.h"

#include "LoadedWave.h"

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

QString UnitWindow::CopyPath() const
{
    return m_wavPath.chopped(4) + QStringLiteral(".bin");
}

void UnitWindow::Choose(int option)
{
    Controls().opt_Wav_type[static_cast<size_t>(option)]->click();
}

QPushButton* UnitWindow::Button(int index)
{
    return Controls().btn_snd_ST_ID[static_cast<size_t>(index)];
}

void UnitWindow::Click(int index)
{
    Button(index)->click();
}

void UnitWindow::Answer(std::initializer_list<int> answers)
{
    for (int a : answers)
        m_f.toolkit.msgBoxAnswers.enqueue(a);
}

void UnitWindow::AttachCom1(const QString& link)
{
    m_f.settings->SaveRegSetting(AppState::AppTitle, QStringLiteral("Ports"),
                                 QStringLiteral("COM1"), link);
    m_f.state.ComPortNum = 1;
}
