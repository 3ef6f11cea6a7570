// The main window after the start-up sequence: every control, menu item, timer and slider as a
// technician finds it, and the saved port read back from the settings store.
#include "MainWindowFixture.h"
#include "Toolkit.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include "Form_Wave.h"
#include "LoadedWave.h"
#include "ProgressBar.h"

class TestMainStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void controls_data();
    void controls();
    void displaysCleared();
    void menus_data();
    void menus();
    void timers_data();
    void timers();
    void sliders_data();
    void sliders();
    void windowDesign();
    void plotWindowBelowMain();
    void firstRunWritesEmptyDefault();
    void savedPort_data();
    void savedPort();
};

namespace {

QWidget* Find(Form_Main& w, const QString& name)
{
    return w.findChild<QWidget*>(name);
}

QString CaptionOf(QWidget* widget)
{
    if (auto* b = qobject_cast<QAbstractButton*>(widget))
        return b->text();
    if (auto* l = qobject_cast<QLabel*>(widget))
        return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(widget))
        return e->text();
    if (auto* p = qobject_cast<QPlainTextEdit*>(widget))
        return p->toPlainText();
    return {};
}

} // namespace

void TestMainStartup::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<bool>("enabled");

    auto row = [](const char* name, const char* caption, QRect twips, bool enabled) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(caption) << twips
                            << enabled;
    };
    row("Command1", "Open File", {120, 150, 975, 375}, true);
    row("Text1", "", {1200, 120, 4755, 375}, true);
    row("Command2", "Play", {120, 750, 975, 375}, false);
    row("Command3", "Stop", {1320, 750, 975, 375}, false);
    row("btn_View", "View Plot", {2520, 750, 975, 375}, false);
    row("txt_rel_gain", "Download Attenuation  0.0 Db ", {3600, 600, 2415, 255}, true);
    row("HScroll_gain", "", {3600, 840, 2415, 255}, true);
    row("Label1", "Start Pos", {120, 1230, 675, 255}, true);
    row("HScroll1", "", {870, 1230, 5145, 255}, true);
    row("Label2_0", "End Pos", {120, 1590, 675, 255}, true);
    row("HScroll2", "", {870, 1590, 5145, 255}, true);
    row("Label2_1", "COM:", {240, 1920, 405, 225}, true);
    row("Label2_2", "Bit Rate", {900, 1920, 795, 225}, true);
    row("Label2_5", "Bits", {1950, 1920, 405, 225}, true);
    row("Label2_6", "Channels", {2610, 1920, 735, 225}, true);
    row("Label2_3", "Transfer Size", {3420, 1920, 1005, 225}, true);
    row("Label2_4", "Transfered", {5070, 1920, 855, 225}, true);
    row("txtCom", "txtcom", {150, 2160, 585, 285}, true);
    row("txtRate", "", {990, 2160, 585, 285}, true);
    row("txt_Bits", "", {1830, 2160, 585, 285}, true);
    row("txt_Chan", "", {2670, 2160, 585, 285}, true);
    // Setting End Pos to 1000 runs its change handler, which shows the empty slice of no file.
    row("txt_Xfr_Siz", " 0", {3510, 2160, 855, 285}, true);
    row("txt_Xfred", "", {4980, 2160, 1005, 285}, true);
    row("ProgressBar1", "", {120, 2520, 5895, 255}, true);
    row("txtErr", "", {120, 2880, 5895, 285}, true);
    row("txt_rply", "", {120, 3240, 5895, 855}, true);
    row("opt_Wav_type_0", "Station ID", {120, 4170, 1095, 375}, true);
    row("opt_Wav_type_1", "Channel ID", {120, 4530, 1095, 375}, true);
    row("opt_Wav_type_2", "Pink File", {120, 4890, 1095, 375}, true);
    row("btn_snd_ST_ID_0", "Send Station ID", {1320, 4800, 1545, 465}, false);
    row("btn_snd_ST_ID_1", "Erase Station ID", {1320, 4200, 1545, 465}, false);
    row("btn_snd_ST_ID_2", "Stop Transfer", {3000, 4800, 1545, 465}, false);
    row("btn_snd_ST_ID_3", "Send CR", {4680, 4200, 1335, 465}, true);
    row("btn_snd_ST_ID_4", "Blank Check", {3000, 4200, 1545, 465}, true);
    row("btnEXIT", "Exit", {4680, 4770, 1335, 465}, true);
}

void TestMainStartup::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QRect, twips);
    QFETCH(bool, enabled);

    MainWindowFixture f;
    Form_Main& w = f.Create();
    QWidget* widget = Find(w, name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(CaptionOf(widget), caption);
    QCOMPARE(widget->isEnabled(), enabled);
    const QRect expected(Toolkit::TwipsToPixelsX(twips.x()), Toolkit::TwipsToPixelsY(twips.y()),
                         Toolkit::TwipsToPixelsX(twips.width()),
                         Toolkit::TwipsToPixelsY(twips.height()));
    QCOMPARE(widget->geometry(), expected);
}

void TestMainStartup::displaysCleared()
{
    // The design texts of these boxes are replaced by empty ones; txtCom keeps its own (checked
    // in the controls table).
    MainWindowFixture f;
    Form_Main& w = f.Create(false);
    MainControls& c = w.Controls();
    QCOMPARE(c.txtRate->text(), QStringLiteral("Rate"));
    QCOMPARE(c.txt_Bits->text(), QStringLiteral("txt_Bits"));
    QCOMPARE(c.txt_Xfr_Siz->text(), QStringLiteral("Xfr Size"));
    w.Form_Load();
    QVERIFY(c.txtRate->text().isEmpty());
    QVERIFY(c.txt_Bits->text().isEmpty());
    QVERIFY(c.txt_Chan->text().isEmpty());
    QVERIFY(c.txt_Xfred->text().isEmpty());
}

void TestMainStartup::menus_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::newRow("mnu_File_Open") << "mnu_File_Open"
                                   << "Open File";
    QTest::newRow("mnuExit") << "mnuExit"
                             << "Exit";
    QTest::newRow("mnu_about") << "mnu_about"
                               << "&About";
    QTest::newRow("mnu_Pelorin_help") << "mnu_Pelorin_help"
                                      << "Pelorin Help";
}

void TestMainStartup::menus()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    MainWindowFixture f;
    Form_Main& w = f.Create();
    auto* action = w.findChild<QAction*>(name);
    QVERIFY(action);
    QCOMPARE(action->text(), caption);
    QVERIFY(action->isEnabled());

    QStringList titles;
    for (QAction* top : w.menuBar()->actions())
        titles << top->text();
    QCOMPARE(titles, (QStringList{"&File", "COM", "&Help"}));
    QCOMPARE(w.Controls().mnuCOM->actions().size(), 12);
}

void TestMainStartup::timers_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("interval");
    QTest::addColumn<bool>("active");
    QTest::newRow("tmrSplash") << "tmrSplash" << 100 << true;
    QTest::newRow("Timer_erase") << "Timer_erase" << 100 << true;
    QTest::newRow("tmr_Delay") << "tmr_Delay" << 25 << true;
    QTest::newRow("tmrComInit") << "tmrComInit" << 100 << false;
    QTest::newRow("Timer1") << "Timer1" << 100 << false;
}

void TestMainStartup::timers()
{
    QFETCH(QString, name);
    QFETCH(int, interval);
    QFETCH(bool, active);
    MainWindowFixture f;
    Form_Main& w = f.Create(true, true);
    auto* timer = w.findChild<QTimer*>(name);
    QVERIFY(timer);
    QCOMPARE(timer->interval(), interval);
    QCOMPARE(timer->isActive(), active);
    w.Controls().tmrSplash->stop();
}

void TestMainStartup::sliders_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("large");
    QTest::addColumn<int>("value");
    QTest::newRow("HScroll_gain") << "HScroll_gain" << 1 << 100 << 20 << 100;
    QTest::newRow("HScroll1") << "HScroll1" << 0 << 1000 << 32 << 0;
    QTest::newRow("HScroll2") << "HScroll2" << 0 << 1000 << 32 << 1000;
}

void TestMainStartup::sliders()
{
    QFETCH(QString, name);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, large);
    QFETCH(int, value);
    MainWindowFixture f;
    Form_Main& w = f.Create();
    auto* bar = w.findChild<QScrollBar*>(name);
    QVERIFY(bar);
    QCOMPARE(bar->minimum(), minimum);
    QCOMPARE(bar->maximum(), maximum);
    QCOMPARE(bar->singleStep(), 1);
    QCOMPARE(bar->pageStep(), large);
    QCOMPARE(bar->value(), value);
    QVERIFY(!bar->hasTracking()); // a thumb drag reports once, at release
}

void TestMainStartup::windowDesign()
{
    MainWindowFixture f;
    Form_Main& w = f.Create();
    QCOMPARE(w.windowTitle(), QStringLiteral("Orvanta Wave Saver"));
    QCOMPARE(w.centralWidget()->size(),
             QSize(Toolkit::TwipsToPixelsX(6135), Toolkit::TwipsToPixelsY(5385)));
    QCOMPARE(w.centralWidget()->palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
    QCOMPARE(w.Controls().opt_Wav_type[1]->palette().color(QPalette::Window), QColor(Qt::yellow));
    QCOMPARE(w.Controls().btnEXIT->palette().color(QPalette::Button), QColor(0xFF, 0xC0, 0xC0));
    QCOMPARE(w.Controls().btnEXIT->font().pointSizeF(), 13.5);
    QCOMPARE(w.Controls().btn_snd_ST_ID[2]->font().pointSizeF(), 9.75);
    QCOMPARE(w.Controls().Label1->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    QCOMPARE(w.Controls().Label2[3]->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QCOMPARE(f.state.AppName, QStringLiteral("Pelorin"));
    QVERIFY(!w.Wave().FileOpen);
}

void TestMainStartup::plotWindowBelowMain()
{
    MainWindowFixture f;
    Form_Main& w = f.Create();
    Form_Wave* plot = w.PlotWindow();
    QVERIFY(plot);
    QVERIFY(!plot->isVisible());
    QCOMPARE(plot->windowTitle(), QStringLiteral("Waveform picture"));
    const QRect main = w.frameGeometry();
    QCOMPARE(plot->frameGeometry().topLeft(), QPoint(main.left(), main.top() + main.height()));
    QCOMPARE(plot->frameGeometry().size(), main.size());
}

void TestMainStartup::firstRunWritesEmptyDefault()
{
    MainWindowFixture f;
    f.Create();
    QCOMPARE(f.state.ComPortNum, qint16(0));
    QCOMPARE(f.window->Controls().txtCom->text(), QStringLiteral("txtcom"));
    // The value now exists, empty, so the next start reads it without a failure.
    const QString path = RegEdit::ComposePath(AppState::AppTitle, "FormInit", "ComPort");
    QCOMPARE(f.settings->RegReadValue(path, QStringLiteral("<missing>")), QString());
}

void TestMainStartup::savedPort_data()
{
    QTest::addColumn<QString>("saved");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("txtCom");
    QTest::newRow("blank-led 3") << " 3" << 3 << "3";
    QTest::newRow("plain 12") << "12" << 12 << "12";
    QTest::newRow("not a number") << "COM3" << 0 << "0";
    QTest::newRow("too large") << "70000" << 0 << "0";
}

void TestMainStartup::savedPort()
{
    QFETCH(QString, saved);
    QFETCH(int, port);
    QFETCH(QString, txtCom);
    MainWindowFixture f;
    f.settings->SaveRegSetting(AppState::AppTitle, "FormInit", "ComPort", saved);
    Form_Main& w = f.Create();
    QCOMPARE(int(f.state.ComPortNum), port);
    QCOMPARE(w.Controls().txtCom->text(), txtCom);
    // No port item lists the saved number here, so none is checked.
    for (int i = 1; i <= 12; ++i)
        QVERIFY(!w.Controls().mnuCOMsel[i]->isChecked());
}

QTEST_MAIN(TestMainStartup)
#include "tst_main_startup.moc"
