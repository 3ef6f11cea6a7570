// The splash/about window, the help window and the shutdown of the main window.
#include "app/Form_Help.h"
#include "app/FrmSplash2.h"
#include "app/ui/ProgressWindow.h"
#include "tests/support/MainWindowFixture.h"
#include "wave/gui/Form_Wave.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

class TestSecondaryWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void splashClosing_data();
    void splashClosing();
    void startupSplashHidesMainWindow();
    void helpWindowsPlacedBelowMainTop();
    void progressWindowCancels();
    void shutdown_data();
    void shutdown();
};

void TestSecondaryWindows::splashClosing_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("ticks"); // timer ticks until it closes; 0: at once, -1: not counted
    QTest::newRow("left alone") << "" << 5;
    QTest::newRow("character key") << "key" << 0;
    QTest::newRow("click on Label1") << "Label1" << 0;
    QTest::newRow("click on background") << "background" << 0;
    QTest::newRow("mail link keeps it open") << "lblemail" << 5;
    QTest::newRow("mouse held keeps it open") << "held" << -1;
}

void TestSecondaryWindows::splashClosing()
{
    QFETCH(QString, how);
    QFETCH(int, ticks);
    ScriptedToolkit toolkit;
    QPointer<FrmSplash2> splash = new FrmSplash2(toolkit);
    QSignalSpy spy(splash->Timer1(), &QTimer::timeout);
    splash->show();
    QVERIFY(QTest::qWaitForWindowExposed(splash));
    const QHash<QString, QWidget*> targets{
        {"background", splash}, {"Label1", splash->Label1()}, {"lblemail", splash->lblemail()}};
    if (how == "held") {
        QTest::mousePress(splash, Qt::LeftButton, {}, QPoint(5, 5));
        splash->Timer1()->setInterval(5);
        QTRY_VERIFY(spy.count() >= 10); // well past the countdown
        QVERIFY(splash && splash->MouseHeld() && splash->TicksLeft() == 0);
        QTest::mouseRelease(splash, Qt::LeftButton, {}, QPoint(5, 5));
        QTRY_VERIFY(splash.isNull());
        return;
    }
    if (how == "key")
        QTest::keyClick(splash, Qt::Key_A);
    else if (targets.contains(how))
        QTest::mouseClick(targets[how], Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(toolkit.openedUrls,
             how == "lblemail" ? QStringList{"mailto:" + FrmSplash2::SalesAddress} : QStringList{});
    if (ticks > 0) {
        QVERIFY(splash && splash->isVisible());
        splash->Timer1()->setInterval(5); // let the countdown run fast
    }
    QTRY_VERIFY(splash.isNull());
    QCOMPARE(spy.count(), ticks);
}

void TestSecondaryWindows::startupSplashHidesMainWindow()
{
    MainWindowFixture f;
    // A saved port that cannot be opened: its report waits for the window to appear.
    f.settings->SaveRegSetting(AppState::AppTitle, "FormInit", "ComPort", " 16");
    Form_Main& w = f.Create(true, true);
    w.Controls().mnuCOMsel[1]->setChecked(true); // any failure clears the check marks
    w.show();
    bool hiddenBehindModalSplash = false;
    // The splash runs modally inside the timer handler; look at the windows from inside it.
    QTimer probe;
    probe.callOnTimeout(&probe, [&] {
        if (FrmSplash2* splash = w.Splash(); splash && splash->isVisible()) {
            hiddenBehindModalSplash = !w.isVisible() && splash->isModal();
            splash->Timer1()->setInterval(100); // half a second: 20 ticks of tmr_Delay
            probe.stop();
        }
    });
    probe.start(10);
    QTRY_VERIFY(w.SplashShown());
    QTRY_VERIFY(w.Splash() == nullptr);
    QVERIFY(hiddenBehindModalSplash);
    QTRY_VERIFY(w.isVisible());
    QVERIFY(w.Controls().txtErr->toPlainText().startsWith("Invalid Port Number - Com-16 "));
    QVERIFY2(f.state.ErrorTicks > 190, qPrintable(QString::number(f.state.ErrorTicks)));
    QVERIFY(!w.Controls().tmrSplash->isActive());
    QCOMPARE(f.toolkit.modalShows, 1);
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
    const QPoint expected = w.frameGeometry().topLeft() + QPoint(0, Toolkit::TwipsToPixelsY(300));
    QCOMPARE(first->frameGeometry().topLeft(), expected);
    QCOMPARE(second->frameGeometry().topLeft(), expected);
    QCOMPARE(second->windowTitle(), QStringLiteral("Help"));
    QVERIFY(!second->txt_help()->isReadOnly());
    QVERIFY(second->txt_help()->toPlainText().startsWith("Pelorin help file.\n"));
    // Every line fits the window at its tab stops.
    QPlainTextEdit* help = second->txt_help();
    QVERIFY(help->document()->documentLayout()->documentSize().width() <=
            help->viewport()->width());
    // In the program's own event loop: Exit unloads only the help window it holds; the first
    // stays open, and the program ends when the user closes it.
    bool firstStayed = false;
    QTimer::singleShot(0, &w, [&w] { w.close(); });
    QTimer::singleShot(300, first, [&] {
        firstStayed = second.isNull() && first->isVisible();
        first->close();
    });
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(2); });
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(firstStayed);
    QVERIFY(first.isNull());
}

// A long job's window appears after a moment, keeps the main window from being clicked, and
// its Cancel reaches the job at its next update.
void TestSecondaryWindows::progressWindowCancels()
{
    MainWindowFixture f;
    Form_Main& w = f.Create();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    ProgressWindow progress(QStringLiteral("Converting"), &w);
    QProgressDialog* dialog = w.findChild<QProgressDialog*>();
    QVERIFY(dialog);
    QDeadlineTimer bound(5000);
    double done = 0;
    while (!dialog->isVisible() && !bound.hasExpired()) {
        QVERIFY(progress.Update(done += 0.001));
        QThread::msleep(10);
    }
    QVERIFY(dialog->isVisible());
    QVERIFY(dialog->isModal());
    QCOMPARE(dialog->labelText(), QStringLiteral("Converting"));
    QPushButton* cancel = dialog->findChild<QPushButton*>();
    QVERIFY(cancel);
    QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
    QTest::mouseClick(cancel, Qt::LeftButton);
    QVERIFY(!progress.Update(done + 0.001));
}

void TestSecondaryWindows::shutdown_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("close box") << "close";
    QTest::newRow("Exit button") << "button";
    QTest::newRow("File > Exit") << "menu";
}

void TestSecondaryWindows::shutdown()
{
    QFETCH(QString, how);
    MainWindowFixture f;
    Form_Main& w = f.Create();
    MainControls& c = w.Controls();
    w.show();
    c.mnu_about->trigger();
    QPointer<FrmSplash2> about = w.Splash();
    c.btn_View->setEnabled(true);
    w.PlotWindow()->show();
    c.Timer1->start();
    c.tmrComInit->start();
    if (how == "menu")
        c.mnuExit->trigger();
    else if (how == "button")
        QTest::mouseClick(c.btnEXIT, Qt::LeftButton);
    else
        w.close();
    QVERIFY(!w.isVisible());
    QVERIFY(f.toolkit.messages.isEmpty()); // no confirmation is asked
    QTRY_VERIFY(about.isNull());
    QVERIFY(!w.PlotWindow()->isVisible());
    for (QTimer* t : {c.Timer1, c.tmrComInit, c.tmr_Delay, c.tmrSplash})
        QVERIFY2(!t->isActive(), qPrintable(t->objectName()));
    QVERIFY(c.Timer_erase->isActive()); // left running
}

QTEST_MAIN(TestSecondaryWindows)
#include "tst_secondary_windows.moc"
