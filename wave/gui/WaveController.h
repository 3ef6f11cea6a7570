#pragma once

#include <QObject>
#include <QString>

#include <vector>

struct AppState;
struct MainControls;
class Form_Compose;
class Form_Wave;
class LoadedWave;
class Playback;
class PlayCursor;
class Toolkit;
struct LoadResult;
class QWidget;

// The wave file handling of the main window: the open command, the slice and level sliders,
// playback and the plot window. Form_Main wires the controls to these handlers.
class WaveController : public QObject
{
    Q_OBJECT
public:
    WaveController(MainControls& controls, AppState& state, LoadedWave& wave, Toolkit& toolkit,
                   QWidget& mainWindow, QObject* parent = nullptr);

    // Creates the hidden plot window, owned by the main window.
    Form_Wave* CreatePlotWindow();
    Form_Wave* PlotWindow() const { return m_plot; }
    Playback& Player() { return *m_playback; }
    // Follows a sound just started (the slice or a preview) with the plot's play cursor.
    void FollowPlayback();

    void Command1_Click(); // the open command
    // Replaces the loaded wave by its conversion to 16-bit PCM at rate, the slice kept in time.
    void ConvertLoaded(quint32 rate);
    // Replaces the loaded wave by a mono 16-bit sound made from it (a fitted or cross-faded
    // loop), the slice the whole of it; notice goes to the status line. Saved with Save
    // Converted As…; the file on disk is unchanged.
    void ReplaceLoaded(const std::vector<double>& mono, quint32 rate, const QString& notice);
    // Opens a WAV file by name as the open command does after its dialog.
    void OpenPath(const QString& path);
    // File > Compose Channel ID…: the composer window; its result is opened as the loaded wave
    // with Channel ID chosen.
    void ShowComposer();
    Form_Compose* Composer() const { return m_composer; }
    // File > Save Converted As…: the converted sound as a WAV file, beside the source by default.
    void SaveConvertedAs();
    void HScroll1_Change();
    void HScroll2_Change();
    void HScroll_gain_Change();
    void UpdateSlice();
    void btn_View_Click();
    void Command2_Click(); // Play
    void Command3_Click(); // Stop
    void Timer1_Timer();
    // Shutdown: stops the sound at once and releases the output device.
    void StopPlayback();

Q_SIGNALS:
    // UpdateSlice has run (slice, plot and size display are current).
    void sliceUpdated();
    // An open command has run: the loaded wave (and FileOpen) may have changed.
    void waveChanged();

private:
    // Offers conversion of a file the reader cannot use as it is; true when it was converted.
    bool ConvertOnRequest(LoadResult* result);
    bool ConvertFile(quint32 rate);
    void ShowLoadedFormat();
    void ShowFailedOpen();
    void CheckRate();
    void PlacePlotBelowMain(double heightFactor);
    void PlotClosed();
    // The slice in seconds as the sliders' and the size box's tooltips.
    void ShowTimes();

    MainControls& m_c;
    AppState& m_state;
    LoadedWave& m_wave;
    Toolkit& m_toolkit;
    QWidget& m_main;
    Form_Wave* m_plot = nullptr;
    Form_Compose* m_composer = nullptr;
    Playback* m_playback = nullptr;
    PlayCursor* m_cursor = nullptr;
};
