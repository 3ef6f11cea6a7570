// The main window as a technician finds it after the start-up sequence, the saved port read back
// from the settings store, the splash, about and help windows, the progress window of a long job,
// and the shutdown.
#include "app/ui/ProgressWindow.h"
#include "tests/support/MainWindowFixture.h"
#include "wave/gui/Form_Wave.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// One control, menu, timer or the window itself as a technician finds it, in one line of text.
QString StateOf(QObject* o)
{
    if (auto* t = qobject_cast<QTimer*>(o))
        return QStringLiteral("%1 ms%2").arg(t->interval()).arg(t->isActive() ? " running" : "");
    if (auto* window = qobject_cast<QMainWindow*>(o)) {
        QStringList titles{window->windowTitle()};
        for (QAction* top : window->menuBar()->actions())
            titles << top->text();
        return titles.join('|');
    }
    if (auto* m = qobject_cast<QMenu*>(o))
        return QStringLiteral("%1 items to %2")
            .arg(m->actions().size())
            .arg(m->actions().last()->text());
    QString state = o->property(o->inherits("QPlainTextEdit") ? "plainText" : "text").toString();
    if (auto* s = qobject_cast<QScrollBar*>(o))
        state = QString::asprintf("%d..%d by %d/%d at %d%s", s->minimum(), s->maximum(),
                                  s->singleStep(), s->pageStep(), s->value(),
                                  s->hasTracking() ? " tracking" : "");
    return o->property("enabled").toBool() ? state : state + " [disabled]";
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // What start-up leaves enabled, running or shown: nothing that needs a file or a running
    // command is offered before it exists.
    void controls()
    {
        MainWindowFixture f;
        Form_Main& w = f.Create(true, true); // with the splash timer as start-up leaves it
        const QStringList expected{
            "Form_Main: Orvanta Wave Saver|&File|&Sound|COM|&Help",
            "mnuCOM: 14 items to Line Log", // the port items, a separator, "Line Log"
            "Command2: Play [disabled]",
            "HScroll_gain: 1..100 by 1/20 at 100", // sliders report a drag once, at its release
            "HScroll1: 0..1000 by 1/32 at 0",
            "btn_snd_ST_ID_0: Send Station ID [disabled]",
            "btn_snd_ST_ID_1: Erase Station ID [disabled]",
            "btn_snd_ST_ID_2: Stop Transfer [disabled]",
            "btn_snd_ST_ID_4: Blank Check",
            "tmrSplash: 100 ms running",
            "tmrComInit: 100 ms"};
        QStringList found;
        for (const QString& row : expected) {
            const QString name = row.section(':', 0, 0);
            QObject* o = name == w.objectName() ? &w : w.findChild<QObject*>(name);
            found << name + ": " + (o ? StateOf(o) : QStringLiteral("missing"));
        }
        QCOMPARE(found, expected);
        // Every caption fits its control.
        for (QAbstractButton* button : w.findChildren<QAbstractButton*>()) {
            const int needed = qobject_cast<QRadioButton*>(button)
                                   ? button->sizeHint().width()
                                   : button->fontMetrics().horizontalAdvance(button->text()) + 6;
            QVERIFY2(needed <= button->width(), qPrintable(button->text()));
        }
        // A text the program sets shows its start: " 1073739776" must not read "73739776".
        w.show();
        for (QLineEdit* box : w.centralWidget()->findChildren<QLineEdit*>()) {
            box->setText(" 1073739776 /home/technician/sounds/station/" + QString(80, 'x'));
            QVERIFY2(box->cursorPosition() == 0, qPrintable(box->objectName()));
        }
    }

    void savedPort_data()
    {
        QTest::addColumn<QString>("saved"); // null: first run, nothing stored yet
        QTest::addColumn<bool>("earlier");  // an earlier instance of the same title answers
        QTest::addColumn<QString>("port");  // the port number, then what txtCom shows
        QTest::newRow("first run") << QString() << false << "0 txtcom";
        QTest::newRow("blank-led 3") << " 3" << false << "3 3";
        QTest::newRow("not a number") << "COM3" << false << "0 0";
        QTest::newRow("left to an earlier instance") << " 3" << true << "0 txtcom";
    }

    void savedPort()
    {
        QFETCH(QString, saved);
        QFETCH(bool, earlier);
        QFETCH(QString, port);
        MainWindowFixture f;
        InstanceGuard earlierInstance(f.instanceTitle);
        QVERIFY(!earlier || earlierInstance.Listen());
        if (!saved.isNull())
            f.settings->SaveRegSetting(AppState::AppTitle, "FormInit", "ComPort", saved);
        Form_Main& w = f.Create();
        QCOMPARE(QString::number(f.state.ComPortNum) + ' ' + w.Controls().txtCom->text(), port);
        // While an earlier instance runs, this window opens no port and says so.
        const QString left = Form_Main::PortLeftText + " Form_Load";
        QCOMPARE(w.Controls().txtErr->toPlainText() == left, earlier);
        for (int i = 1; i <= 12; ++i) // no port item lists the saved number here
            QVERIFY(!w.Controls().mnuCOMsel[i]->isChecked());
        // A first run stores the empty default, so the next start reads it without a failure.
        const QString path = RegEdit::ComposePath(AppState::AppTitle, "FormInit", "ComPort");
        QCOMPARE(f.settings->RegReadValue(path, "<missing>"), saved.isNull() ? "" : saved);
    }

    void splashClosing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("ticks"); // timer ticks until it closes; 0: at once, -1: not counted
        QTest::newRow("left alone") << "" << 5;
        QTest::newRow("character key") << "key" << 0;
        QTest::newRow("click on Label1") << "Label1" << 0;
        QTest::newRow("mail link keeps it open") << "lblemail" << 5;
        // Its release on the background closes it.
        QTest::newRow("mouse held keeps it open") << "held" << -1;
    }

    void splashClosing()
    {
        QFETCH(QString, how);
        QFETCH(int, ticks);
        ScriptedToolkit toolkit;
        QPointer<FrmSplash2> splash = new FrmSplash2(toolkit);
        QSignalSpy spy(splash->Timer1(), &QTimer::timeout);
        splash->show();
        QVERIFY(QTest::qWaitForWindowExposed(splash));
        if (how == "key")
            QTest::keyClick(splash, Qt::Key_A);
        else if (how == "held")
            QTest::mousePress(splash, Qt::LeftButton, {}, QPoint(5, 5));
        else if (!how.isEmpty()) // a click on a label
            QTest::mouseClick(how == "Label1" ? splash->Label1() : splash->lblemail(),
                              Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(toolkit.openedUrls.join(' '),
                 how == "lblemail" ? "mailto:" + FrmSplash2::SalesAddress : QString());
        if (ticks != 0) {
            QVERIFY(splash && splash->isVisible());
            splash->Timer1()->setInterval(5); // let the countdown run fast
        }
        if (how == "held") {
            QTRY_VERIFY(spy.count() >= 10); // well past the countdown
            QVERIFY(splash);
            QTest::mouseRelease(splash, Qt::LeftButton, {}, QPoint(5, 5));
        }
        QTRY_VERIFY(splash.isNull());
        if (ticks >= 0)
            QCOMPARE(spy.count(), ticks);
    }

    void startupSplashHidesMainWindow()
    {
        MainWindowFixture f;
        // A saved port that cannot be opened: its report waits for the window to appear.
        f.settings->SaveRegSetting(AppState::AppTitle, "FormInit", "ComPort", " 16");
        Form_Main& w = f.Create(true, true);
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
    }

    void exitClosesWhatItHolds_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("close box") << "close";
        QTest::newRow("Exit button") << "button";
        QTest::newRow("File > Exit") << "menu";
    }

    // Help windows open below the main window's top. Exit, in the program's own event loop, asks
    // nothing, stops the timers and closes what the window holds: the about and plot windows and
    // the help window it knows; an earlier help window stays, and the program ends with it.
    void exitClosesWhatItHolds()
    {
        QFETCH(QString, how);
        MainWindowFixture f;
        Form_Main& w = f.Create();
        MainControls& c = w.Controls();
        w.show();
        w.move(w.pos() + QPoint(37, 21));
        c.mnu_Pelorin_help->trigger();
        QPointer<Form_Help> first = w.HelpWindow();
        c.mnu_Pelorin_help->trigger();
        QPointer<Form_Help> second = w.HelpWindow();
        QVERIFY(first && second && first != second);
        for (Form_Help* h : {first.data(), second.data()})
            QCOMPARE(h->frameGeometry().topLeft() - w.frameGeometry().topLeft(),
                     QPoint(0, Toolkit::TwipsToPixelsY(300)));
        QCOMPARE(second->windowTitle(), QStringLiteral("Help"));
        QPlainTextEdit* help = second->txt_help();
        QVERIFY(!help->isReadOnly() && help->toPlainText().startsWith("Pelorin help file.\n"));
        // Every line fits the window at its tab stops.
        QVERIFY(help->document()->documentLayout()->documentSize().width() <=
                help->viewport()->width());
        c.mnu_about->trigger();
        QPointer<FrmSplash2> about = w.Splash();
        c.btn_View->setEnabled(true);
        w.PlotWindow()->show();
        c.Timer1->start();
        c.tmrComInit->start();
        bool firstStayed = false;
        QStringList running; // right after the exit, before any fires; Timer_erase is left running
        QTimer::singleShot(0, &w, [&] {
            if (how == "menu")
                c.mnuExit->trigger();
            else if (how == "button")
                QTest::mouseClick(c.btnEXIT, Qt::LeftButton);
            else
                w.close();
            for (QTimer* t : {c.Timer1, c.tmrComInit, c.tmr_Delay, c.tmrSplash, c.Timer_erase})
                running << (t->isActive() ? t->objectName() : QString());
        });
        QTimer::singleShot(300, first, [&] {
            firstStayed = second.isNull() && first->isVisible();
            first->close();
        });
        QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(2); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(firstStayed && first.isNull() && about.isNull());
        QVERIFY(!w.isVisible() && !w.PlotWindow()->isVisible());
        QVERIFY(f.toolkit.messages.isEmpty()); // no confirmation is asked
        QCOMPARE(running, QStringList({"", "", "", "", "Timer_erase"}));
    }

    // A long job's window appears after a moment, keeps the main window from being clicked, and
    // its Cancel reaches the job at its next update.
    void progressWindowCancels()
    {
        MainWindowFixture f;
        Form_Main& w = f.Create();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        ProgressWindow progress(QStringLiteral("Converting"), &w);
        QProgressDialog* dialog = w.findChild<QProgressDialog*>();
        QVERIFY(dialog);
        double done = 0;
        QTRY_VERIFY(progress.Update(done += 0.001) && dialog->isVisible());
        QVERIFY(dialog->isModal());
        QCOMPARE(dialog->labelText(), QStringLiteral("Converting"));
        QCOMPARE(dialog->findChild<QPushButton*>()->text(), "Cancel");
        QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
        QVERIFY(!progress.Update(done + 0.001));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
