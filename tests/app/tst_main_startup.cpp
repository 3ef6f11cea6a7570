// The main window after the start-up sequence: every control, menu item, timer and slider as a
// technician finds it, and the saved port read back from the settings store.
#include "app/ui/Toolkit.h"
#include "tests/support/MainWindowFixture.h"
#include "wave/LoadedWave.h"

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QUuid>

class TestMainStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void controls_data();
    void controls();
    void captionsFit();
    void windowDesign();
    void savedPort_data();
    void savedPort();
    void boxesShowStart_data();
    void boxesShowStart();
    void secondStartLeavesPort();
};

namespace {

// One control, menu item or timer as a technician finds it, in one line of text.
QString StateOf(QObject* o)
{
    if (auto* t = qobject_cast<QTimer*>(o))
        return QStringLiteral("%1 ms%2").arg(t->interval()).arg(t->isActive() ? " running" : "");
    QString state = o->property(o->inherits("QPlainTextEdit") ? "plainText" : "text").toString();
    if (auto* s = qobject_cast<QScrollBar*>(o))
        state = QString::asprintf("%d..%d by %d/%d at %d%s", s->minimum(), s->maximum(),
                                  s->singleStep(), s->pageStep(), s->value(),
                                  s->hasTracking() ? " tracking" : "");
    return o->property("enabled").toBool() ? state : state + " [disabled]";
}

} // namespace

void TestMainStartup::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("state");
    auto row = [](const char* name, const char* state) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(state);
    };
    // What start-up leaves enabled, running or shown: nothing that needs a file or a running
    // command is offered before it exists.
    row("Command2", "Play [disabled]");
    row("btn_View", "View Plot [disabled]");
    row("HScroll_gain", "1..100 by 1/20 at 100"); // sliders report a drag once, at its release
    row("HScroll1", "0..1000 by 1/32 at 0");
    row("txt_Xfr_Siz", " 0"); // End Pos at 1000 runs its handler: the empty slice of no file
    row("btn_snd_ST_ID_0", "Send Station ID [disabled]");
    row("btn_snd_ST_ID_1", "Erase Station ID [disabled]");
    row("btn_snd_ST_ID_2", "Stop Transfer [disabled]");
    row("btn_snd_ST_ID_4", "Blank Check");
    row("tmrSplash", "100 ms running");
    row("tmrComInit", "100 ms");
}

void TestMainStartup::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, state);
    MainWindowFixture f;
    Form_Main& w = f.Create(true, true); // with the splash timer as start-up leaves it
    QObject* object = w.findChild<QObject*>(name);
    QVERIFY2(object, qPrintable(name));
    QCOMPARE(StateOf(object), state);
}

void TestMainStartup::captionsFit()
{
    MainWindowFixture f;
    Form_Main& w = f.Create();
    for (QAbstractButton* button : w.findChildren<QAbstractButton*>()) {
        const int needed = qobject_cast<QRadioButton*>(button)
                               ? button->sizeHint().width()
                               : button->fontMetrics().horizontalAdvance(button->text()) + 6;
        QVERIFY2(needed <= button->width(), qPrintable(button->text()));
    }
}

void TestMainStartup::windowDesign()
{
    MainWindowFixture f;
    Form_Main& w = f.Create();
    MainControls& c = w.Controls();
    QCOMPARE(w.windowTitle(), QStringLiteral("Orvanta Wave Saver"));
    QStringList titles;
    for (QAction* top : w.menuBar()->actions())
        titles << top->text();
    QCOMPARE(titles, (QStringList{"&File", "&Sound", "COM", "&Help"}));
    QCOMPARE(c.mnuCOM->actions().size(), 14); // the port items, a separator, "Line Log"
    QCOMPARE(c.mnuCOM->actions().last(), c.mnuLineLog);
    QVERIFY(!w.Wave().FileOpen);
}

void TestMainStartup::savedPort_data()
{
    QTest::addColumn<QString>("saved"); // null: first run, nothing stored yet
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("txtCom");
    QTest::newRow("first run") << QString() << 0 << "txtcom";
    QTest::newRow("blank-led 3") << " 3" << 3 << "3";
    QTest::newRow("half rounds to even") << "2.5" << 2 << "2";
    QTest::newRow("other half rounds up") << "3.5" << 4 << "4";
    QTest::newRow("not a number") << "COM3" << 0 << "0";
    QTest::newRow("too large") << "70000" << 0 << "0";
}

void TestMainStartup::savedPort()
{
    QFETCH(QString, saved);
    QFETCH(int, port);
    QFETCH(QString, txtCom);
    MainWindowFixture f;
    if (!saved.isNull())
        f.settings->SaveRegSetting(AppState::AppTitle, "FormInit", "ComPort", saved);
    Form_Main& w = f.Create();
    QCOMPARE(int(f.state.ComPortNum), port);
    QCOMPARE(w.Controls().txtCom->text(), txtCom);
    for (int i = 1; i <= 12; ++i) // no port item lists the saved number here
        QVERIFY(!w.Controls().mnuCOMsel[i]->isChecked());
    // A first run stores the empty default, so the next start reads it without a failure.
    const QString path = RegEdit::ComposePath(AppState::AppTitle, "FormInit", "ComPort");
    QCOMPARE(f.settings->RegReadValue(path, QStringLiteral("<missing>")),
             saved.isNull() ? QString() : saved);
}

void TestMainStartup::boxesShowStart_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("transfer size") << "txt_Xfr_Siz"
                                   << " 1073739776";
    QTest::newRow("failed open") << "txtRate"
                                 << "Open failed.";
    QTest::newRow("long path") << "Text1"
                               << "/home/technician/sounds/station/" + QString(80, 'x');
}

void TestMainStartup::boxesShowStart()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    MainWindowFixture f;
    Form_Main& w = f.Create();
    w.show();
    auto* box = w.findChild<QLineEdit*>(name);
    box->setText(text);
    QCOMPARE(box->cursorPosition(), 0);
}

void TestMainStartup::secondStartLeavesPort()
{
    // An earlier instance of the same title answers: the new window opens no port and says so.
    MainWindowFixture f;
    const QString title = "PelorinTest-earlier-" + QUuid::createUuid().toString(QUuid::Id128);
    InstanceGuard earlier(title);
    QVERIFY(earlier.Listen());
    f.instance = std::make_unique<InstanceGuard>(title);
    f.settings->SaveRegSetting(AppState::AppTitle, "FormInit", "ComPort", " 3");
    Form_Main& w = f.Create();
    QCOMPARE(int(f.state.ComPortNum), 0);
    QCOMPARE(w.Controls().txtErr->toPlainText(), Form_Main::PortLeftText + " Form_Load");
}

QTEST_MAIN(TestMainStartup)
#include "tst_main_startup.moc"
