#pragma once

#include "wave/LoadedWave.h"
#include "wave/LoopCheck.h"
#include "wave/gui/Form_Loop.h"

#include <QObject>
#include <QPointer>

struct AppState;
struct MainControls;

class Toolkit;
class WaveController;
class QWidget;

// The Sound menu: the slice heard as the unit will play it (Play As Unit), the Pink File heard
// round and round (Play Loop), the Pink File loop's check and mending (Pink File Loop…), and the
// plot's envelope. Previews are built from the encoder's own bytes at the level the scroll bar
// shows, so what is heard is what a download would write; Stop ends them as it ends Play.
class PreviewController : public QObject
{
    Q_OBJECT
public:
    PreviewController(MainControls& controls, AppState& state, LoadedWave& wave, Toolkit& toolkit,
                      WaveController& waveCtl, QWidget& mainWindow, QObject* parent = nullptr);

    void PlayAsUnit();
    void PlayLoop();
    void ShowLoopWindow();
    void EnvelopeToggled(bool on);
    // The slice or the destination changed: the plot's seam mark and the loop window follow.
    void Recheck();
    // The Sound menu's items are enabled by what is loaded and chosen, each time it opens.
    void UpdateMenu();

    Form_Loop* LoopWindow() const { return m_loop; }
    const LoadedWave& Preview() const { return m_preview; }

private:
    bool PinkChosen() const;
    bool StartPreview(int destination, bool loop, const QString& status);
    void Fit(LoopCheck::Fit fit);
    void CrossFade(int milliseconds, LoopCheck::Fade fade);
    std::vector<double> SliceValues(qint64 extra = 0) const;

    MainControls& m_c;
    AppState& m_state;
    LoadedWave& m_wave;
    Toolkit& m_toolkit;
    WaveController& m_waveCtl;
    QWidget& m_main;
    LoadedWave m_preview; // what a preview plays; kept while its device is open
    QPointer<Form_Loop> m_loop;
};
