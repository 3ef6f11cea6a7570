// The unit commands other than the download, from the main window: the checks in front of Send,
// Erase and Blank Check (no unit attached), then Erase, Blank Check and Send CR against orvanta-sim
// on a pseudo-terminal attached as COM1: the bytes on the line, the answers in the reply and
// status boxes, the erase wait with its progress and button states.
#include "tests/unit/SimUnit.h"
#include "tests/unit/UnitWindow.h"
#include "unit/UnitSession.h"
#include "unit/gui/UnitController.h"

#include "app/ui/ProgressBar.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

namespace {

struct CommandRow
{
    quint32 rate;
    int option; // -1: no destination chosen
    int button;
    QString text;  // the one message shown; empty: none
    QString title; // "Notice:" questions have OK and Cancel, the rest OK
    QString status = {};
    QByteArray line = {};
    QString reply = {}; // what the unit's answer adds to the reply box
};

} // namespace

Q_DECLARE_METATYPE(CommandRow)

class TestUnitCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commands_data();
    void commands();
    void erase_data();
    void erase();
};

void TestUnitCommands::commands_data()
{
    QTest::addColumn<CommandRow>("row");
    const auto row = [](const char* name, CommandRow r) { QTest::newRow(name) << r; };
    const QString app = AppState::AppTitle;
    const QString none = "No file destination selected";
    const QString rate = "Incomaptible data rate. Please use 8000 samples/sec.";
    const QString pink = "Orvanta stores Sound files using 48000 Samples/Second.\r\n"
                         " The data rate of 22050 Samples/Sec is incompatible.";
    const QString save = "This command will save a %1 to the Orvanta.\r\n"
                         "Please make sure the old ID was erased before proceeding.";
    row("Send, no destination", {8000, -1, 0, none, app});
    row("Erase, no destination", {8000, -1, 1, none, app});
    row("Blank Check, no destination", {8000, -1, 4, none, app});
    row("22050 as Station ID", {22050, 0, 0, rate, app, rate});
    row("22050 as Pink File", {22050, 2, 0, pink, app});
    // Cancel at the conversion question sends nothing.
    row("48000 as Station ID, Cancel",
        {48000, 0, 0,
         "The unit plays the Station ID at 8000 samples/s; this file has 48000 samples/s. "
         "Convert it to 8000 first? (No sends it frame for frame.)",
         app});
    row("44100 as Pink File, Cancel", {44100, 2, 0, save.arg("Pink Wave File"), "Notice:"});
    row("Erase Channel ID, Cancel",
        {8000, 1, 1, "This command will erase the Channel ID from the Orvanta.", "Notice:"});
    row("Blank Check Station ID", {8000, 0, 4, {}, {}, {}, "QXBS", " QXBSQXERA"});
    row("Blank Check Channel ID", {8000, 1, 4, {}, {}, {}, "QXBC", " QXBCQXERA"});
    row("Blank Check Pink File", {8000, 2, 4, {}, {}, {}, "QXBP", " QXBPQXERA"});
    row("Send CR",
        {8000, 0, 3, {}, {}, {}, QByteArray::fromHex("ffffffffffff0d0a"), " OV16 V0116"});
}

// A refused or cancelled command shows one message and leaves everything as it was: nothing
// sent or written, the buttons and the COM menu as before the click. Blank Check and Send CR put
// exactly their bytes on the line, and the unit's answer reaches the reply box.
void TestUnitCommands::commands()
{
    QFETCH(CommandRow, row);
    const auto& [rate, option, button, text, title, status, line, reply] = row;
    UnitWindow u;
    SimUnit sim;
    QVERIFY(sim.Start({"--baud", "0"}));
    u.AttachCom1(sim.Link());
    QVERIFY(u.Open({.rate = rate, .bits = 8, .frames = QList<TestWav::Frame>(20, {140, 0})}));
    if (option >= 0)
        u.Choose(option);
    u.Controls().txtErr->setPlainText(QStringLiteral("old status")); // every click empties it
    u.Controls().txt_rply->setPlainText(QStringLiteral("earlier"));
    u.Toolkit().messages.clear(); // the open command's own rate warning
    u.Answer({Toolkit::Cancel});
    // Erase is disabled without a destination; its handler is called as the window would.
    u.Window().UnitCtl().btn_snd_ST_ID_Click(button);
    QCOMPARE(u.Toolkit().MessageTexts(), text.isEmpty() ? QStringList() : QStringList{text});
    QCOMPARE(u.Toolkit().messages.value(0).title, title);
    if (!text.isEmpty())
        QCOMPARE(u.Toolkit().messages[0].buttons, title == "Notice:" ? Toolkit::OkCancel
                                                  : text.startsWith("The unit plays")
                                                      ? Toolkit::YesNoCancel
                                                      : Toolkit::OkOnly);
    QCOMPARE(u.Controls().txtErr->toPlainText(), status);
    QVERIFY(!QFile::exists(u.CopyPath()));
    QTRY_COMPARE_WITH_TIMEOUT(sim.Received(), line, 10000);
    const QString before = button == 3 ? QString() : QStringLiteral("earlier"); // CR empties it
    QTRY_COMPARE_WITH_TIMEOUT(u.Controls().txt_rply->toPlainText(), before + reply, 10000);
    // A command holds the line until its answer; then everything is as before the click.
    QTRY_COMPARE(u.States(),
                 (QList<bool>{true, option >= 0, false, true, true, true, true, false}));
}

// The simulator's options and the destination option; Blank Check is called 400 ms into the
// third row's wait, and refused.
void TestUnitCommands::erase_data()
{
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<int>("option");
    QTest::newRow("unit answers") << QStringList{"--erase-ms", "300"} << 0;
    QTest::newRow("silent unit") << QStringList{"--ignore"} << 1;
    QTest::newRow("Blank Check during the wait") << QStringList{"--erase-ms", "1500"} << 2;
}

void TestUnitCommands::erase()
{
    QFETCH(QStringList, simOptions);
    QFETCH(int, option);
    const bool blankCheck = option == 2;
    const QByteArray line = QByteArray("QXE") + "SCP"[option];
    const QString status = simOptions.contains("--ignore")
                               ? "The unit did not answer the erase within 10 seconds."
                               : "QXERA";
    UnitWindow u;
    SimUnit sim;
    QVERIFY(sim.Start(QStringList{"--baud", "0"} + simOptions));
    u.AttachCom1(sim.Link());
    // What the window shows while the erase waits: the highest bar value, and only Stop enabled,
    // the bar shown, the line busy.
    const QList<bool> waiting{false, false, true, false, false, false, true, true};
    double highestBar = -1;
    bool asTable = true;
    QTimer sampler;
    connect(&sampler, &QTimer::timeout, this, [&] {
        if (u.Window().UnitCtl().Session().eraseTicksLeft() <= 0)
            return;
        highestBar = std::max(highestBar, u.Controls().ProgressBar1->Value());
        asTable = asTable && u.States() == waiting;
    });
    sampler.start(20);
    if (blankCheck)
        QTimer::singleShot(400, this, [&u] { u.Window().UnitCtl().btn_snd_ST_ID_Click(4); });
    u.Choose(option);
    u.Answer({Toolkit::Ok});
    u.Click(1);

    QCOMPARE(sim.Received(), line);
    QCOMPARE(u.Controls().txtErr->toPlainText(), status);
    // A full wait is 100 ticks: the bar climbs to 99, then drops to 0.
    QVERIFY2(status != "QXERA" ? highestBar == 99 : highestBar >= 0 && highestBar < 50,
             qPrintable(QString::number(highestBar)));
    QVERIFY(asTable);
    QCOMPARE(u.Controls().ProgressBar1->Value(), 0.0);
    // The buttons and the COM menu return, the bar stays shown; no wave file, so no Send.
    QCOMPARE(u.States(), (QList<bool>{false, true, false, true, true, true, true, false}));
}

QTEST_MAIN(TestUnitCommands)
#include "tst_unit_commands.moc"
