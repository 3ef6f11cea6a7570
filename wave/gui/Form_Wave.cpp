#include "Form_Wave.h"

#include "LoadedWave.h"

Form_Wave::Form_Wave(const LoadedWave& wave, QWidget* owner)
    : QWidget(owner, Qt::Window), m_wave(wave)
{
    setObjectName(QStringLiteral("Form_Wave"));
    setWindowTitle(QStringLiteral("Waveform picture"));
}

void Form_Wave::DrawWaves()
{
    update();
}
