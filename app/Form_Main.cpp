#include "app/Form_Main.h"
#include "app/settings/AppSettings.h"

#include "app/Form_Help.h"
#include "app/FrmSplash2.h"
#include "app/InstanceGuard.h"
#include "app/MainWindowDesign.h"
#include "app/core/NumberText.h"
#include "app/settings/RegEdit.h"
#include "app/ui/AppState.h"
#include "app/ui/ProgressBar.h"
#include "app/ui/Toolkit.h"
#include "app/ui/WindowGeometry.h"
#include "serial/gui/LineLogWindow.h"
#include "serial/gui/SerialController.h"
#include "serial/gui/StoreNotices.h"
#include "unit/UnitSession.h"
#include "unit/gui/CommandButtons.h"
#include "unit/gui/UnitController.h"
#include "wave/LoadedWave.h"
#include "wave/gui/Form_Wave.h"
#include "wave/gui/PreviewController.h"
#include "wave/gui/WaveController.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

const QString Form_Main::ExitQuestion = QStringLiteral("A download is running. Stop it and exit?");

const QString Form_Main::PortLeftText =
    QStringLiteral("Pelorin is already running: this window leaves the serial port to it. Choose "
                   "a port in the COM menu to use one here.");

static void InitResources()
{
    Q_INIT_RESOURCE(app); // the resources live in a static library
}

Form_Main::Form_Main(Toolkit& toolkit, AppState& state, RegEdit& settings, InstanceGuard& instance,
                     QWidget* parent)
    : QMainWindow(parent), m_toolkit(toolkit), m_state(state), m_settings(settings),
      m_instance(instance), m_wave(std::make_unique<LoadedWave>())
{
    InitResources();
    // The program ends when this window is unloaded and no help window is left open
    // (EndProgramWhenNoWindowLeft); Qt's own rule would end it with a help window still open.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    setObjectName(QStringLiteral("Form_Main"));
    m_c = MainWindowDesign::Build(*this);
    setWindowIcon(QIcon(QStringLiteral(":/pelorin.png")));
    m_serialCtl = new SerialController(m_c, m_state, m_toolkit, m_settings, this);
    m_waveCtl = new WaveController(m_c, m_state, *m_wave, m_toolkit, *this, this);
    m_unitCtl = new UnitController(m_c, m_state, *m_wave, m_toolkit, *m_serialCtl, this);
    m_previewCtl = new PreviewController(m_c, m_state, *m_wave, m_toolkit, *m_waveCtl, *this, this);
    WireButtons();
    WireMenus();
    WireSound();
    WireTimers();
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

Form_Main::~Form_Main() = default;

Form_Wave* Form_Main::PlotWindow() const
{
    return m_waveCtl->PlotWindow();
}

void Form_Main::WireButtons()
{
    connect(m_c.Command1, &QPushButton::clicked, m_waveCtl, &WaveController::Command1_Click);
    connect(m_c.Command2, &QPushButton::clicked, m_waveCtl, &WaveController::Command2_Click);
    connect(m_c.Command3, &QPushButton::clicked, m_waveCtl, &WaveController::Command3_Click);
    connect(m_c.btn_View, &QPushButton::clicked, m_waveCtl, &WaveController::btn_View_Click);
    connect(m_c.HScroll1, &QScrollBar::valueChanged, m_waveCtl, &WaveController::HScroll1_Change);
    connect(m_c.HScroll2, &QScrollBar::valueChanged, m_waveCtl, &WaveController::HScroll2_Change);
    connect(m_c.HScroll_gain, &QScrollBar::valueChanged, m_waveCtl,
            &WaveController::HScroll_gain_Change);
    for (int i = 0; i < DestinationInfo::Count; ++i) {
        connect(m_c.opt_Wav_type[i], &QRadioButton::clicked, m_unitCtl,
                [this, i] { m_unitCtl->opt_Wav_type_Click(i); });
    }
    for (int i = 0; i < MainControls::CommandButtonCount; ++i) {
        connect(m_c.btn_snd_ST_ID[i], &QPushButton::clicked, m_unitCtl,
                [this, i] { m_unitCtl->btn_snd_ST_ID_Click(i); });
    }
    connect(m_c.btnEXIT, &QPushButton::clicked, this, &QWidget::close);
}

void Form_Main::WireMenus()
{
    connect(m_c.mnu_File_Open, &QAction::triggered, m_waveCtl, &WaveController::Command1_Click);
    connect(m_c.mnu_File_SaveConverted, &QAction::triggered, m_waveCtl,
            &WaveController::SaveConvertedAs);
    connect(m_c.mnu_File_Compose, &QAction::triggered, m_waveCtl, &WaveController::ShowComposer);
    connect(m_c.mnuExit, &QAction::triggered, this, &QWidget::close);
    connect(m_c.mnuCOM, &QMenu::aboutToShow, m_serialCtl, &SerialController::mnuCOM_Click);
    for (int i = 1; i <= 12; ++i) {
        connect(m_c.mnuCOMsel[i], &QAction::triggered, m_serialCtl,
                [this, i] { m_serialCtl->mnuCOMsel_Click(i); });
    }
    connect(m_c.mnuLineLog, &QAction::triggered, this, &Form_Main::mnuLineLog_Click);
    connect(m_c.mnu_about, &QAction::triggered, this, &Form_Main::mnu_about_Click);
    connect(m_c.mnu_Pelorin_help, &QAction::triggered, this, &Form_Main::mnu_Pelorin_help_Click);
}

void Form_Main::WireSound()
{
    PreviewController* p = m_previewCtl;
    connect(m_c.mnuSound, &QMenu::aboutToShow, p, &PreviewController::UpdateMenu);
    connect(m_c.mnu_Sound_PlayAsUnit, &QAction::triggered, p, &PreviewController::PlayAsUnit);
    connect(m_c.mnu_Sound_PlayLoop, &QAction::triggered, p, &PreviewController::PlayLoop);
    connect(m_c.mnu_Sound_Loop, &QAction::triggered, p, &PreviewController::ShowLoopWindow);
    connect(m_c.mnu_Sound_Envelope, &QAction::toggled, p, &PreviewController::EnvelopeToggled);
    // After the unit controller's own handlers: the check follows the slice and the destination.
    connect(m_waveCtl, &WaveController::sliceUpdated, p, &PreviewController::Recheck);
    for (QRadioButton* option : m_c.opt_Wav_type)
        connect(option, &QRadioButton::clicked, p, &PreviewController::Recheck);
}

void Form_Main::WireTimers()
{
    connect(m_c.tmrSplash, &QTimer::timeout, this, &Form_Main::tmrSplash_Timer);
    // The erase wait's clock and the unit's answers reach the unit session.
    UnitSession& session = m_unitCtl->Session();
    connect(m_c.Timer_erase, &QTimer::timeout, &session, &UnitSession::eraseTick);
    connect(m_serialCtl, &SerialController::replyLine, &session, &UnitSession::replyLine);
    connect(m_unitCtl, &UnitController::convertRequested, m_waveCtl,
            &WaveController::ConvertLoaded);
    connect(m_waveCtl, &WaveController::waveChanged, &m_unitCtl->Buttons(),
            &CommandButtons::Refresh);
    connect(m_c.tmr_Delay, &QTimer::timeout, m_serialCtl, &SerialController::tmr_Delay_Timer);
    connect(m_c.tmr_Delay, &QTimer::timeout, m_serialCtl,
            [this] { ShowStoreNotices(*m_serialCtl, m_settings); });
    connect(m_c.tmrComInit, &QTimer::timeout, m_serialCtl, &SerialController::tmrComInit_Timer);
    // The serial control's communication event and its report of a lost port.
    connect(&m_serialCtl->MSComm1(), &SerialControl::OnComm, m_serialCtl,
            &SerialController::MSComm1_OnComm);
    connect(&m_serialCtl->MSComm1(), &SerialControl::portLost, m_serialCtl,
            &SerialController::MSComm1_PortLost);
    connect(&m_serialCtl->MSComm1(), &SerialControl::lineAction, m_serialCtl,
            &SerialController::MSComm1_LineAction);
    connect(m_c.Timer1, &QTimer::timeout, m_waveCtl, &WaveController::Timer1_Timer);
}

void Form_Main::Form_Load()
{
    m_c.Command2->setEnabled(false);
    m_c.Command3->setEnabled(false);
    m_wave->FileOpen = false;
    m_unitCtl->Buttons().Refresh();
    ClearDisplays();
    m_waveCtl->CreatePlotWindow();
    m_c.btn_View->setEnabled(false);
    m_c.HScroll1->setMaximum(1000);
    m_c.HScroll2->setMaximum(1000);
    m_c.HScroll2->setValue(1000);
    m_state.AppName = QStringLiteral("Pelorin");
    HandleEarlierInstance();
    m_serialCtl->DetermineValidPorts();
    RestoreSavedPort();
}

void Form_Main::ClearDisplays()
{
    m_c.txtRate->setText(QString());
    m_c.txt_Xfred->setText(QString());
    m_c.txt_Bits->setText(QString());
    m_c.txt_Chan->setText(QString());
    m_c.txt_rply->setPlainText(QString());
}

void Form_Main::HandleEarlierInstance()
{
    m_instance.onActivate = [this] { BringToFront(); };
    m_instance.onEndTask = [](const QString& title) {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isWindow() && w->windowTitle() == title) {
                if (w->isEnabled())
                    QMetaObject::invokeMethod(w, &QWidget::close, Qt::QueuedConnection);
                return InstanceGuard::EndTaskReply::Closed;
            }
        }
        return InstanceGuard::EndTaskReply::NotFound;
    };
    m_earlierInstance = m_instance.EarlierInstanceRunning();
    if (m_earlierInstance) {
        m_instance.ActivateEarlier();
        EndTask(m_state.AppName);
    } else {
        m_instance.Listen();
    }
}

void Form_Main::BringToFront()
{
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

bool Form_Main::EndTask(const QString& title)
{
    switch (m_instance.EndTaskInEarlier(title)) {
    case InstanceGuard::EndTaskReply::NotFound:
        return false;
    case InstanceGuard::EndTaskReply::Invalid:
        m_toolkit.MsgBox(QStringLiteral("EndTask: cannot terminate ") + title +
                         QStringLiteral(" task"));
        return false;
    case InstanceGuard::EndTaskReply::Closed:
        m_toolkit.DoEvents();
        return true;
    }
    return false;
}

void Form_Main::RestoreSavedPort()
{
    const QString saved = AppSettings::SavedPort(m_settings);
    // From here on a failing step is skipped and the next one runs. Two instances never compete
    // for one port: while the earlier one runs, this one opens none until the user chooses one.
    if (!saved.isEmpty() && m_earlierInstance && m_instance.EarlierInstanceRunning()) {
        m_state.ComPortNum = 0;
        m_serialCtl->ShowError(PortLeftText, QStringLiteral("Form_Load"));
        return;
    }
    if (saved.isEmpty()) {
        m_state.ComPortNum = 0;
        return;
    }
    // Items without a port carry the tag "0"; a saved text that reads as 0 names no port, so it
    // must not put the check mark on such a blank item.
    const double wanted = NumberText::Val(saved);
    for (int i = 1; i <= 12 && wanted != 0; ++i) {
        if (static_cast<int>(NumberText::Val(m_c.mnuCOMsel[i]->data().toString())) == wanted) {
            m_c.mnuCOMsel[i]->setChecked(true);
            break;
        }
    }
    if (const auto port = NumberText::ToInt16(saved))
        m_state.ComPortNum = *port;
    m_c.txtCom->setText(NumberText::Plain(m_state.ComPortNum));
    m_serialCtl->StartCom();
}

void Form_Main::tmrSplash_Timer()
{
    if (m_splashShown)
        return;
    m_c.tmrSplash->stop();
    m_splashShown = true;
    hide();
    m_splash = new FrmSplash2(m_toolkit, this);
    m_toolkit.ShowModal(*m_splash);
    if (m_splash)
        m_splash->close();
    if (!m_unloaded) // a close request may have unloaded the window while the splash was up
        show();
}

void Form_Main::mnu_about_Click()
{
    if (m_splash && m_splash->isVisible()) {
        m_splash->raise();
        m_splash->activateWindow();
        return;
    }
    m_splash = new FrmSplash2(m_toolkit, this);
    m_splash->show();
    if (!m_splash->isVisible())
        m_serialCtl->ShowError(QStringLiteral("Unable to show the about window"),
                               QStringLiteral("mnuAbout_Click"));
}

void Form_Main::mnu_Pelorin_help_Click()
{
    m_helpWindow = new Form_Help(this);
    connect(m_helpWindow, &QObject::destroyed, this, &Form_Main::EndProgramWhenNoWindowLeft,
            Qt::QueuedConnection);
    const QRect main = WindowGeometry::Outer(*this);
    m_helpWindow->move(main.left(), main.top() + Toolkit::TwipsToPixelsY(300));
    m_helpWindow->show();
}

LineLogWindow* Form_Main::LineLogView() const
{
    return m_lineLog;
}

void Form_Main::mnuLineLog_Click()
{
    if (!m_lineLog)
        m_lineLog = new LineLogWindow(m_serialCtl->Recorder().Log(), m_toolkit, this);
    m_lineLog->show();
    m_lineLog->raise();
    m_lineLog->activateWindow();
}

void Form_Main::closeEvent(QCloseEvent* event)
{
    if (!m_unloaded && !ReadyToUnload()) {
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept(); // an unload is never refused
    EndProgramWhenNoWindowLeft();
}

void Form_Main::EndProgramWhenNoWindowLeft()
{
    // The program ends once the main window is gone and no help window is left open. Qt's own
    // rule misses this when the main window was hidden under the splash, or only help windows
    // (owned windows) remain.
    if (!m_unloaded)
        return;
    const auto helpWindows = findChildren<Form_Help*>(QString(), Qt::FindDirectChildrenOnly);
    for (const Form_Help* help : helpWindows) {
        if (help->isVisible())
            return;
    }
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void Form_Main::ExitWithoutQuestion()
{
    m_exitWithoutQuestion = true;
    if (m_unloaded) // only help windows are left
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    else
        close();
}

// A command holding the line ends first, so the unit is never left inside a command string or in
// write mode: a download stops at the next block, sends its terminator and drains, then the
// window closes. False while that is under way, or when the user keeps the download going.
bool Form_Main::ReadyToUnload()
{
    UnitSession& session = m_unitCtl->Session();
    if (!session.busy())
        return true;
    if (m_exitPending)
        return false;
    if (session.running() == UnitSession::Command::Download && !m_exitWithoutQuestion &&
        m_toolkit.MsgBox(ExitQuestion, Toolkit::OkCancel, QStringLiteral("Caution")) != Toolkit::Ok)
        return false;
    if (!session.busy())
        return true; // it ended while the question was open
    m_exitPending = true;
    m_serialCtl->BeginShutdown();
    connect(
        &session, &UnitSession::finished, this,
        [this] { QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection); },
        Qt::SingleShotConnection);
    m_unitCtl->EndForExit();
    return false;
}

void Form_Main::Form_Unload()
{
    m_unloaded = true;
    m_waveCtl->StopPlayback();
    m_c.Timer1->stop();
    m_c.tmrComInit->stop();
    m_c.tmr_Delay->stop();
    m_c.tmrSplash->stop();
    if (m_splash)
        m_splash->close();
    if (Form_Wave* plot = PlotWindow())
        plot->close();
    if (m_helpWindow)
        m_helpWindow->close();
    if (m_lineLog)
        m_lineLog->close();
    m_serialCtl->BeginShutdown();
    m_serialCtl->ClosePortAtExit();
}
