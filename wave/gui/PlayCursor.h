#pragma once

#include <QObject>
#include <QTimer>

class Form_Wave;
class LoadedWave;
class Playback;

// Moves the plot window's play cursor along the slice while a sound plays, about thirty times a
// second, and removes it once the sound has ended or was stopped. The cursor follows the time
// heard, so a preview at another rate still points at the frame of the loaded wave it stands for.
class PlayCursor : public QObject
{
    Q_OBJECT
public:
    PlayCursor(const Playback& playback, const LoadedWave& wave, QObject* parent = nullptr);

    void SetPlot(Form_Wave* plot) { m_plot = plot; }
    // A sound has started: follow it until it ends.
    void Follow();
    // The frame of the loaded wave for a time heard into the slice (clamped to the slice).
    static qint64 FrameAt(const LoadedWave& wave, qint64 heardUSecs);

private:
    void Tick();

    const Playback& m_playback;
    const LoadedWave& m_wave;
    Form_Wave* m_plot = nullptr;
    QTimer m_timer;
};
