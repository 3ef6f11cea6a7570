// The splash/about window, the help window and the shutdown of the main window.
#include "Form_Help.h"
#include "Form_Wave.h"
#include "FrmSplash2.h"
#include "MainWindowFixture.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

class TestSecondaryWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void splashDesign();
    void splashClosesOnFifthTick();
    void splashDismissal_data();
    void splashDismissal();
    void splashHeldOpenByMouse();
    void mailLinkKeepsSplashOpen();
    void startupSplashHidesMainWindow();
    void aboutTwiceKeepsCountdown();
    void helpText();
    void helpWindowsPlacedBelowMainTop();
    void shutdownOrder();
    void exitButtonAndMenuCloseTheWindow_data();
    void exitButtonAndMenuCloseTheWindow();
};

namespace {

// Lets the splash's own timer run fast so that the countdown can be watched.
void SpeedUp(FrmSplash2& splash, int ms = 5)
{
    splash.Timer1()->setInterval(ms);
}

} // namespace

void TestSecondaryWindows::splashDesign()
{
    ScriptedToolkit toolkit;
    auto* splash = new FrmSplash2(toolkit);
    QCOMPARE(splash->lblVersion()->text(), QStringLiteral("Version 1.0.16 "));
    QCOMPARE(splash->Label1()->text(), QStringLiteral("Orvanta"));
    QCOMPARE(splash->Label2()->text(), QStringLiteral(" Wave File Programmer"));
    QVERIFY(splash->lblemail()->text().endsWith(QStringLiteral("  ")));
    QVERIFY(splash->lblemail()->font().underline());
    QCOMPARE(splash->Label1()->font().pointSizeF(), 27.75);
    QCOMPARE(splash->TicksLeft(), 4);
    QCOMPARE(splash->Timer1()->interval(), 1000);
    QVERIFY(splash->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(splash->size(), QSize(Toolkit::TwipsToPixelsX(4815), Toolkit::TwipsToPixelsY(3810)));
    delete splash;
}

void TestSecondaryWindows::splashClosesOnFifthTick()
{
    ScriptedToolkit toolkit;
    QPointer<FrmSplash2> splash = new FrmSplash2(toolkit);
    QSignalSpy ticks(splash->Timer1(), &QTimer::timeout);
    splash->show();
    SpeedUp(*splash);
    QTRY_VERIFY(splash.isNull());
    QCOMPARE(ticks.count(), 5); // four countdown ticks, closing on the fifth
}

void TestSecondaryWindows::splashDismissal_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("character key") << "key";
    QTest::newRow("click on Label1") << "Label1";
    QTest::newRow("click on Label2") << "Label2";
    QTest::newRow("click on lblVersion") << "lblVersion";
    QTest::newRow("click on background") << "background";
}

void TestSecondaryWindows::splashDismissal()
{
    QFETCH(QString, how);
    ScriptedToolkit toolkit;
    QPointer<FrmSplash2> splash = new FrmSplash2(toolkit);
    splash->show();
    QVERIFY(QTest::qWaitForWindowExposed(splash));
    if (how == "key")
        QTest::keyClick(splash, Qt::Key_A);
    else if (how == "background")
        QTest::mouseClick(splash, Qt::LeftButton, {}, QPoint(5, 5));
    else if (how == "Label1")
        QTest::mouseClick(splash->Label1(), Qt::LeftButton);
    else if (how == "Label2")
        QTest::mouseClick(splash->Label2(), Qt::LeftButton);
    else
        QTest::mouseClick(splash->lblVersion(), Qt::LeftButton);
    QTRY_VERIFY(splash.isNull()); // closed at once, well before its 5-second countdown
    QVERIFY(toolkit.openedUrls.isEmpty());
}

void TestSecondaryWindows::splashHeldOpenByMouse()
{
    ScriptedToolkit toolkit;
    QPointer<FrmSplash2> splash = new FrmSplash2(toolkit);
    splash->show();
    QVERIFY(QTest::qWaitForWindowExposed(splash));
    QTest::mousePress(splash, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(splash->MouseHeld());
    SpeedUp(*splash);
    QSignalSpy ticks(splash->Timer1(), &QTimer::timeout);
    QTRY_VERIFY(ticks.count() >= 10); // well past the countdown
    QVERIFY(!splash.isNull());
    QCOMPARE(splash->TicksLeft(), 0);
    QTest::mouseRelease(splash, Qt::LeftButton, {}, QPoint(5, 5));
    QTRY_VERIFY(splash.isNull());
}

void TestSecondaryWindows::mailLinkKeepsSplashOpen()
{
    ScriptedToolkit toolkit;
    QPointer<FrmSplash2> splash = new FrmSplash2(toolkit);
    splash->show();
    QVERIFY(QTest::qWaitForWindowExposed(splash));
    QTest::mouseClick(splash->lblemail(), Qt::LeftButton);
    QCOMPARE(toolkit.openedUrls,
             QStringList{QStringLiteral("mailto:") + FrmSplash2::SalesAddress + "  "});
    QVERIFY(!splash.isNull());
    QVERIFY(splash->isVisible());
    SpeedUp(*splash);
    QTRY_VERIFY(splash.isNull()); // still closes by its countdown
}

void TestSecondaryWindows::startupSplashHidesMainWindow()
{
    MainWindowFixture f;
    Form_Main& w = f.Create(true, true);
    w.show();
    bool mainHiddenDuringSplash = false;
    bool splashWasModal = false;
    // The splash runs modally inside the timer handler; look at the windows from inside it.
    QTimer probe;
    probe.setInterval(10);
    connect(&probe, &QTimer::timeout, &probe, [&] {
        if (FrmSplash2* splash = w.Splash(); splash && splash->isVisible()) {
            mainHiddenDuringSplash = !w.isVisible();
            splashWasModal = splash->isModal();
            SpeedUp(*splash, 1);
            probe.stop();
        }
    });
    probe.start();
    QTRY_VERIFY(w.SplashShown());
    QTRY_VERIFY(w.Splash() == nullptr);
    QVERIFY(mainHiddenDuringSplash);
    QVERIFY(splashWasModal);
    QTRY_VERIFY(w.isVisible());
    QVERIFY(!w.Controls().tmrSplash->isActive());
    QCOMPARE(f.toolkit.modalShows, 1);
}

void TestSecondaryWindows::aboutTwiceKeepsCountdown()
{
    MainWindowFixture f;
    Form_Main& w = f.Create();
    w.show();
    w.Controls().mnu_about->trigger();
    QPointer<FrmSplash2> first = w.Splash();
    QVERIFY(first && first->isVisible());
    QVERIFY(!first->isModal());
    QVERIFY(w.isVisible()); // the main window stays usable
    first->Timer1()->setInterval(20);
    QTRY_VERIFY(first->TicksLeft() <= 2);
    const int left = first->TicksLeft();
    w.Controls().mnu_about->trigger();
    QCOMPARE(w.Splash(), first.data()); // brought forward, not a new window
    QVERIFY(first->TicksLeft() <= left);
    QTRY_VERIFY(first.isNull());
}

void TestSecondaryWindows::helpText()
{
    const QByteArray text = Form_Help::HelpText();
    QVERIFY(text.startsWith("Pelorin help file.\r\n"));
    QVERIFY(text.endsWith("\r\nEnd\r\n"));
    const QList<QByteArray> lines = text.chopped(2).split('\n');
    for (const QByteArray& line : lines)
        QVERIFY2(line.endsWith('\r') || line == "End", line.constData()); // CR LF throughout
    QVERIFY(lines.size() >= 120 && lines.size() <= 145);
    QVERIFY(!text.contains("\n\n")); // no bare LF line ends
    const QByteArray separator = QByteArray(19, '=') + "\r";
    QCOMPARE(lines.count(separator), 7); // around the six sections, the title and "End"
    const char* headings[] = {"Splash Screen:", "Tabs:",          "Buttons:",
                              "Sliders:",       "Radio Buttons:", "Manual Command Structure:"};
    qsizetype at = 0;
    for (const char* heading : headings) {
        const qsizetype found = text.indexOf(heading, at);
        QVERIFY2(found > at, heading); // present and in order
        at = found;
    }
    QVERIFY(text.contains("Click on startup splash screen to bypass 10 second display delay."));
    QVERIFY(text.contains("This command also clears response buffer from the OV16."));
}

void TestSecondaryWindows::helpWindowsPlacedBelowMainTop()
{
    MainWindowFixture f;
    Form_Main& w = f.Create();
    w.show();
    w.move(w.pos() + QPoint(37, 21));
    w.Controls().mnu_Pelorin_help->trigger();
    QPointer<Form_Help> first = w.HelpWindow();
    w.Controls().mnu_Pelorin_help->trigger();
    QPointer<Form_Help> second = w.HelpWindow();
    QVERIFY(first && second && first != second);
    const QPoint expected(w.frameGeometry().left(),
                          w.frameGeometry().top() + Toolkit::TwipsToPixelsY(300));
    QCOMPARE(first->frameGeometry().topLeft(), expected);
    QCOMPARE(second->frameGeometry().topLeft(), expected);
    QCOMPARE(second->windowTitle(), QStringLiteral("Help"));
    QVERIFY(!second->txt_help()->isReadOnly());
    QVERIFY(second->txt_help()->toPlainText().startsWith("Pelorin help file.\n"));

    // Shutdown unloads only the window it holds: the first help window stays open.
    w.close();
    QTRY_VERIFY(second.isNull());
    QVERIFY(!first.isNull() && first->isVisible());
    first->close();
}

void TestSecondaryWindows::shutdownOrder()
{
    MainWindowFixture f;
    Form_Main& w = f.Create();
    w.show();
    w.Controls().mnu_about->trigger();
    QPointer<FrmSplash2> about = w.Splash();
    w.Controls().btn_View->setEnabled(true);
    w.PlotWindow()->show();
    w.Controls().Timer1->start();
    w.Controls().tmrComInit->start();

    w.close();
    QVERIFY(!w.isVisible());
    QTRY_VERIFY(about.isNull());
    QVERIFY(!w.PlotWindow()->isVisible());
    QVERIFY(!w.Controls().Timer1->isActive());
    QVERIFY(!w.Controls().tmrComInit->isActive());
    QVERIFY(!w.Controls().tmr_Delay->isActive());
    QVERIFY(!w.Controls().tmrSplash->isActive());
    QVERIFY(w.Controls().Timer_erase->isActive()); // left running
}

void TestSecondaryWindows::exitButtonAndMenuCloseTheWindow_data()
{
    QTest::addColumn<bool>("useMenu");
    QTest::newRow("Exit button") << false;
    QTest::newRow("File > Exit") << true;
}

void TestSecondaryWindows::exitButtonAndMenuCloseTheWindow()
{
    QFETCH(bool, useMenu);
    MainWindowFixture f;
    Form_Main& w = f.Create();
    w.show();
    if (useMenu)
        w.Controls().mnuExit->trigger();
    else
        QTest::mouseClick(w.Controls().btnEXIT, Qt::LeftButton);
    QVERIFY(!w.isVisible());
    QVERIFY(f.toolkit.messages.isEmpty()); // no confirmation is asked
    QVERIFY(!w.Controls().tmr_Delay->isActive());
}

QTEST_MAIN(TestSecondaryWindows)
#include "tst_secondary_windows.moc"
