#pragma once

#include <QWidget>

class LoadedWave;

// The plot window "Waveform picture": shows the selected slice of the loaded wave. It keeps no
// data of its own; DrawWaves recomputes the picture from the loaded wave.
class Form_Wave : public QWidget
{
    Q_OBJECT
public:
    Form_Wave(const LoadedWave& wave, QWidget* owner);

    void DrawWaves();

private:
    const LoadedWave& m_wave;
};
