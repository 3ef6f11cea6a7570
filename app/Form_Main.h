#pragma once

#include "app/Form_Help.h"
#include "app/FrmSplash2.h"
#include "app/ui/MainControls.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>

struct AppState;
class Form_Wave;
class InstanceGuard;
class LineLogWindow;
class LoadedWave;
class PreviewController;
class RegEdit;
class SerialController;
class Toolkit;
class UnitController;
class WaveController;

// The main window "Orvanta Wave Saver". It owns the controls, runs the start-up sequence and the
// shutdown, shows the splash, about and help windows, and hands every other handler to the
// controller of its subsystem. All signal connections are made in Wire*().
class Form_Main : public QMainWindow
{
    Q_OBJECT
public:
    Form_Main(Toolkit& toolkit, AppState& state, RegEdit& settings, InstanceGuard& instance,
              QWidget* parent = nullptr);
    ~Form_Main() override;

    // The start-up sequence; main() runs it once before showing the window.
    void Form_Load();
    // Asks the top-level window with exactly this title (here or in an earlier instance) to close.
    bool EndTask(const QString& title);
    // Exit as after an OK to the running-download question (SIGTERM, SIGINT, SIGHUP).
    void ExitWithoutQuestion();

    static const QString ExitQuestion;
    static const QString PortLeftText;

    MainControls& Controls() { return m_c; }
    LoadedWave& Wave() { return *m_wave; }
    WaveController& WaveCtl() { return *m_waveCtl; }
    SerialController& SerialCtl() { return *m_serialCtl; }
    UnitController& UnitCtl() { return *m_unitCtl; }
    PreviewController& PreviewCtl() { return *m_previewCtl; }
    Form_Wave* PlotWindow() const;
    Form_Help* HelpWindow() const { return m_helpWindow; }
    FrmSplash2* Splash() const { return m_splash; }
    LineLogWindow* LineLogView() const;
    bool SplashShown() const { return m_splashShown; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void WireButtons();
    void WireMenus();
    void WireSound();
    void WireTimers();
    void ClearDisplays();
    void RestoreSavedPort();
    void HandleEarlierInstance();
    void BringToFront();
    void tmrSplash_Timer();
    void mnu_about_Click();
    void mnu_Pelorin_help_Click();
    void mnuLineLog_Click();
    bool ReadyToUnload();
    void Form_Unload();
    void EndProgramWhenNoWindowLeft();

    Toolkit& m_toolkit;
    AppState& m_state;
    RegEdit& m_settings;
    InstanceGuard& m_instance;
    MainControls m_c;
    std::unique_ptr<LoadedWave> m_wave;
    SerialController* m_serialCtl = nullptr;
    WaveController* m_waveCtl = nullptr;
    UnitController* m_unitCtl = nullptr;
    PreviewController* m_previewCtl = nullptr;
    QPointer<Form_Help> m_helpWindow;
    QPointer<FrmSplash2> m_splash;
    QPointer<LineLogWindow> m_lineLog;
    bool m_splashShown = false;
    bool m_earlierInstance = false; // an earlier instance answered at start-up
    bool m_unloaded = false;
    bool m_exitPending = false; // a command is being ended for the exit
    bool m_exitWithoutQuestion = false;
};
