#include "app/MainWindowDesign.h"

#include "app/ui/ProgressBar.h"
#include "app/ui/StatusLine.h"
#include "app/ui/Toolkit.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>

namespace {

constexpr quint32 FormGrey = 0xC0C0C0;
constexpr quint32 OptionYellow = 0x00FFFF;
constexpr quint32 ExitLightRed = 0xC0C0FF;

void SetBackground(QWidget& w, quint32 bgr)
{
    QPalette pal = w.palette();
    pal.setColor(QPalette::Window, Toolkit::FromBgr(bgr));
    pal.setColor(QPalette::Button, Toolkit::FromBgr(bgr));
    w.setPalette(pal);
    w.setAutoFillBackground(true);
}

void SetPointSize(QWidget& w, double points)
{
    QFont f = w.font();
    f.setPointSizeF(points);
    w.setFont(f);
}

// Option buttons are narrow for their captions in today's fonts: a smaller gap after the
// indicator, and a smaller font where that is not enough, keep the whole caption in view.
void FitCaption(QRadioButton& option)
{
    option.setStyleSheet(QStringLiteral("QRadioButton { spacing: 2px; }"));
    for (double points = option.font().pointSizeF();
         option.sizeHint().width() > option.width() && points > 6.0;) {
        points -= 0.25;
        SetPointSize(option, points);
    }
}

template <typename T>
T* Make(QWidget& parent, const char* name, const QString& text, int l, int t, int w, int h)
{
    auto* widget = new T(text, &parent);
    widget->setObjectName(QLatin1String(name));
    Toolkit::PlaceTwips(*widget, l, t, w, h);
    return widget;
}

QLineEdit* MakeText(QWidget& parent, const char* name, const QString& text, int l, int t, int w,
                    int h)
{
    auto* box = Make<QLineEdit>(parent, name, text, l, t, w, h);
    // A text set by the program shows its start: " 1073739776" must not read "73739776". What
    // the user types keeps the caret where it is typed.
    box->setCursorPosition(0);
    QObject::connect(box, &QLineEdit::textChanged, box, [box] {
        if (!box->hasFocus())
            box->setCursorPosition(0);
    });
    return box;
}

template <typename Box = QPlainTextEdit>
Box* MakeMultiLine(QWidget& parent, const char* name, int l, int t, int w, int h)
{
    auto* box = new Box(&parent);
    box->setObjectName(QLatin1String(name));
    Toolkit::PlaceTwips(*box, l, t, w, h);
    return box;
}

QScrollBar* MakeScroll(QWidget& parent, const char* name, int l, int t, int w, int h, int min,
                       int max, int large, int value)
{
    auto* bar = new QScrollBar(Qt::Horizontal, &parent);
    bar->setObjectName(QLatin1String(name));
    Toolkit::PlaceTwips(*bar, l, t, w, h);
    bar->setRange(min, max);
    bar->setSingleStep(1);
    bar->setPageStep(large);
    bar->setValue(value);
    // The change handlers run once when a thumb drag ends, not for every position on the way.
    bar->setTracking(false);
    return bar;
}

QAction* AddItem(QMenu& menu, const char* name, const char* caption)
{
    QAction* item = menu.addAction(QString::fromUtf8(caption));
    item->setObjectName(QLatin1String(name));
    return item;
}

QTimer* MakeTimer(QMainWindow& window, const char* name, int intervalMs, bool enabled)
{
    auto* timer = new QTimer(&window);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(intervalMs);
    if (enabled)
        timer->start();
    return timer;
}

} // namespace

MainControls MainWindowDesign::Build(QMainWindow& window)
{
    MainControls c;
    window.setWindowTitle(QStringLiteral("Orvanta Wave Saver"));
    auto* client = new QWidget(&window);
    client->setObjectName(QStringLiteral("Form_Main_client"));
    client->setFixedSize(Toolkit::TwipsToPixelsX(ClientWidthTwips),
                         Toolkit::TwipsToPixelsY(ClientHeightTwips));
    SetBackground(*client, FormGrey);
    SetPointSize(*client, 7.5); // the controls were laid out for a small 8-point font
    window.setCentralWidget(client);

    BuildButtons(*client, c);
    BuildSliders(*client, c);
    BuildLabels(*client, c);
    BuildTextBoxes(*client, c);
    BuildDestinationControls(*client, c);
    BuildMenus(window, c);
    BuildTimers(window, c);
    return c;
}

void MainWindowDesign::BuildButtons(QWidget& client, MainControls& c)
{
    c.Command1 =
        Make<QPushButton>(client, "Command1", QStringLiteral("Open File"), 120, 150, 975, 375);
    c.Command2 = Make<QPushButton>(client, "Command2", QStringLiteral("Play"), 120, 750, 975, 375);
    c.Command3 = Make<QPushButton>(client, "Command3", QStringLiteral("Stop"), 1320, 750, 975, 375);
    c.btn_View =
        Make<QPushButton>(client, "btn_View", QStringLiteral("View Plot"), 2520, 750, 975, 375);
    c.btnEXIT = Make<QPushButton>(client, "btnEXIT", QStringLiteral("Exit"), 4680, 4770, 1335, 465);
    SetBackground(*c.btnEXIT, ExitLightRed);
    SetPointSize(*c.btnEXIT, 13.5);
}

void MainWindowDesign::BuildSliders(QWidget& client, MainControls& c)
{
    c.HScroll_gain = MakeScroll(client, "HScroll_gain", 3600, 840, 2415, 255, 1, 100, 20, 100);
    c.HScroll1 = MakeScroll(client, "HScroll1", 870, 1230, 5145, 255, 0, 32767, 32, 0);
    c.HScroll2 = MakeScroll(client, "HScroll2", 870, 1590, 5145, 255, 0, 32767, 32, 0);
}

void MainWindowDesign::BuildLabels(QWidget& client, MainControls& c)
{
    c.txt_rel_gain =
        Make<QLabel>(client, "txt_rel_gain", QStringLiteral("Download Attenuation  0.0 Db "), 3600,
                     600, 2415, 255);
    c.Label1 = Make<QLabel>(client, "Label1", QStringLiteral("Start Pos"), 120, 1230, 675, 255);
    struct Placement
    {
        int index;
        const char* text;
        int l, t, w, h;
    };
    const Placement labels[] = {
        {0, "End Pos", 120, 1590, 675, 255},     {1, "COM:", 240, 1920, 405, 225},
        {2, "Bit Rate", 900, 1920, 795, 225},    {5, "Bits", 1950, 1920, 405, 225},
        {6, "Channels", 2610, 1920, 735, 225},   {3, "Transfer Size", 3420, 1920, 1005, 225},
        {4, "Transfered", 5070, 1920, 855, 225},
    };
    for (const Placement& s : labels) {
        auto* label = Make<QLabel>(client, "Label2", QLatin1String(s.text), s.l, s.t, s.w, s.h);
        label->setObjectName(QStringLiteral("Label2_%1").arg(s.index));
        c.Label2[s.index] = label;
    }
    c.txt_rel_gain->setAlignment(Qt::AlignCenter);
    c.Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (int i = 1; i < 7; ++i)
        c.Label2[i]->setAlignment(Qt::AlignCenter);
    c.Label2[0]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void MainWindowDesign::BuildTextBoxes(QWidget& client, MainControls& c)
{
    c.Text1 = MakeText(client, "Text1", QString(), 1200, 120, 4755, 375);
    c.txtCom = MakeText(client, "txtCom", QStringLiteral("txtcom"), 150, 2160, 585, 285);
    c.txtRate = MakeText(client, "txtRate", QStringLiteral("Rate"), 990, 2160, 585, 285);
    c.txt_Bits = MakeText(client, "txt_Bits", QStringLiteral("txt_Bits"), 1830, 2160, 585, 285);
    c.txt_Chan = MakeText(client, "txt_Chan", QStringLiteral("Chan"), 2670, 2160, 585, 285);
    c.txt_Xfr_Siz =
        MakeText(client, "txt_Xfr_Siz", QStringLiteral("Xfr Size"), 3510, 2160, 855, 285);
    c.txt_Xfred =
        MakeText(client, "txt_Xfred", QStringLiteral("transfered"), 4980, 2160, 1005, 285);
    c.ProgressBar1 = new ProgressBar(&client);
    c.ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    Toolkit::PlaceTwips(*c.ProgressBar1, 120, 2520, 5895, 255);
    c.txtErr = MakeMultiLine<StatusLine>(client, "txtErr", 120, 2880, 5895, 285);
    c.txt_rply = MakeMultiLine(client, "txt_rply", 120, 3240, 5895, 855);
    c.txt_rply->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void MainWindowDesign::BuildDestinationControls(QWidget& client, MainControls& c)
{
    for (int i = 0; i < DestinationInfo::Count; ++i) {
        const QString caption =
            DestinationInfo::Of(DestinationInfo::FromOptionIndex(i)).OptionCaption();
        auto* opt =
            Make<QRadioButton>(client, "opt_Wav_type", caption, 120, 4170 + 360 * i, 1095, 375);
        opt->setObjectName(QStringLiteral("opt_Wav_type_%1").arg(i));
        SetBackground(*opt, OptionYellow);
        FitCaption(*opt);
        c.opt_Wav_type[i] = opt;
    }
    struct Placement
    {
        const char* text;
        int l, t, w, h;
    };
    const Placement buttons[] = {
        {"Send Station ID", 1320, 4800, 1545, 465}, {"Erase Station ID", 1320, 4200, 1545, 465},
        {"Stop Transfer", 3000, 4800, 1545, 465},   {"Send CR", 4680, 4200, 1335, 465},
        {"Blank Check", 3000, 4200, 1545, 465},
    };
    static_assert(std::size(buttons) == MainControls::CommandButtonCount);
    for (int i = 0; i < MainControls::CommandButtonCount; ++i) {
        const Placement& s = buttons[i];
        auto* b =
            Make<QPushButton>(client, "btn_snd_ST_ID", QLatin1String(s.text), s.l, s.t, s.w, s.h);
        b->setObjectName(QStringLiteral("btn_snd_ST_ID_%1").arg(i));
        c.btn_snd_ST_ID[i] = b;
    }
    SetPointSize(*c.btn_snd_ST_ID[MainControls::StopButton], 9.75);
}

void MainWindowDesign::BuildMenus(QMainWindow& window, MainControls& c)
{
    QMenuBar* bar = window.menuBar();
    c.mnuFile = bar->addMenu(QStringLiteral("&File"));
    c.mnuFile->setObjectName(QStringLiteral("mnuFile"));
    c.mnu_File_Open = c.mnuFile->addAction(QStringLiteral("Open File"));
    c.mnu_File_Open->setObjectName(QStringLiteral("mnu_File_Open"));
    c.mnu_File_SaveConverted = c.mnuFile->addAction(QStringLiteral("Save Converted As…"));
    c.mnu_File_SaveConverted->setObjectName(QStringLiteral("mnu_File_SaveConverted"));
    c.mnu_File_SaveConverted->setEnabled(false);
    c.mnu_File_Compose = AddItem(*c.mnuFile, "mnu_File_Compose", "Compose Channel ID…");
    c.mnuExit = c.mnuFile->addAction(QStringLiteral("Exit"));
    c.mnuExit->setObjectName(QStringLiteral("mnuExit"));

    c.mnuSound = bar->addMenu(QStringLiteral("&Sound"));
    c.mnuSound->setObjectName(QStringLiteral("mnuSound"));
    c.mnu_Sound_PlayAsUnit = AddItem(*c.mnuSound, "mnu_Sound_PlayAsUnit", "Play As Unit");
    c.mnu_Sound_PlayLoop = AddItem(*c.mnuSound, "mnu_Sound_PlayLoop", "Play Loop");
    c.mnu_Sound_Loop = AddItem(*c.mnuSound, "mnu_Sound_Loop", "Pink File Loop…");
    c.mnuSound->addSeparator();
    c.mnu_Sound_Envelope = AddItem(*c.mnuSound, "mnu_Sound_Envelope", "Plot Envelope");
    c.mnu_Sound_Envelope->setCheckable(true);

    c.mnuCOM = bar->addMenu(QStringLiteral("COM"));
    c.mnuCOM->setObjectName(QStringLiteral("mnuCOM"));
    // Placeholder captions; the port probe replaces or hides them.
    const char* placeholders[] = {"COMA", "COMB", "COMC", "COMD", "COME", "CMMF",
                                  "COMG", "COMH", "CMMI", "COMJ", "COMK", "COML"};
    for (int i = 1; i <= 12; ++i) {
        QAction* item = c.mnuCOM->addAction(QLatin1String(placeholders[i - 1]));
        item->setObjectName(QStringLiteral("mnuCOMsel_%1").arg(i));
        item->setCheckable(true);
        item->setData(QString()); // the tag
        c.mnuCOMsel[i] = item;
    }
    c.mnuCOM->addSeparator();
    c.mnuLineLog = c.mnuCOM->addAction(QStringLiteral("Line Log"));
    c.mnuLineLog->setObjectName(QStringLiteral("mnuLineLog"));

    c.mnu_help = bar->addMenu(QStringLiteral("&Help"));
    c.mnu_help->setObjectName(QStringLiteral("mnu_help"));
    c.mnu_about = c.mnu_help->addAction(QStringLiteral("&About"));
    c.mnu_about->setObjectName(QStringLiteral("mnu_about"));
    c.mnu_Pelorin_help = c.mnu_help->addAction(QStringLiteral("Pelorin Help"));
    c.mnu_Pelorin_help->setObjectName(QStringLiteral("mnu_Pelorin_help"));
}

void MainWindowDesign::BuildTimers(QMainWindow& window, MainControls& c)
{
    c.tmrSplash = MakeTimer(window, "tmrSplash", 100, true);
    c.Timer_erase = MakeTimer(window, "Timer_erase", 100, true);
    c.tmr_Delay = MakeTimer(window, "tmr_Delay", 25, true);
    c.tmrComInit = MakeTimer(window, "tmrComInit", 100, false);
    c.Timer1 = MakeTimer(window, "Timer1", 100, false);
}
