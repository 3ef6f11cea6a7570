// The unit commands from the main window against orvanta-sim on a pseudo-terminal attached as
// COM1: the checks and questions in front of each command, the bytes on the line and the answers
// in the reply and status boxes; downloads with their copy file, truncation and every ending; one
// command at a time, Stop, and leaving the program mid-download. What the stream holds is the
// session's and the encoder's tests' business; here it proves the window's level, slice and
// first channel reach the line.
#include "app/core/SignalRelay.h"
#include "app/ui/ProgressBar.h"
#include "serial/gui/SerialController.h"
#include "tests/unit/ExpectedBytes.h"
#include "tests/unit/SimUnit.h"
#include "tests/unit/UnitWindow.h"
#include "unit/UnitSession.h"
#include "unit/gui/UnitController.h"
#include "wave/LoadedWave.h"

#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <csignal>

namespace {

constexpr int kLineMs = 30000;
const QString kCompleted = QStringLiteral("Transfer completed.");
const QString kAborted = QStringLiteral("Transfer aborted.");
// Send, Erase, Send CR, Blank Check and the COM menu enabled; progress bar hidden; not busy.
const QList<bool> kIdle{true, true, false, true, true, true, false, false};
// While a command holds the line: only Stop enabled, the bar shown, busy.
const QList<bool> kBusy{false, false, true, false, false, false, true, true};

// Starts the simulator, attaches it as COM1, opens the source, chooses the destination and the
// level; a fast line runs the port at 921600 baud so long slices take seconds, not minutes.
bool Prepare(UnitWindow& u, SimUnit& sim, const QStringList& simOptions, const TestWav& wav,
             int option, int level = 100, bool fastLine = false)
{
    u.AttachCom1(sim.Link());
    if (!sim.Start(simOptions) || !u.Open(wav))
        return false;
    if (fastLine) {
        u.Window().SerialCtl().StartCom();
        u.Window().SerialCtl().MSComm1().setSettings(QStringLiteral("921600,N,8,1"));
    }
    if (option >= 0)
        u.Choose(option);
    u.Controls().HScroll_gain->setValue(level);
    u.Toolkit().messages.clear(); // the open command's own rate warning
    return true;
}

// A quit asked for by the window's unload ends every event loop run later in this thread;
// one application loop takes it up so the next row starts clean.
void TakeUpQuit()
{
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, qApp, &QCoreApplication::quit);
    bound.start(2000);
    QCoreApplication::exec();
}

struct CommandRow
{
    quint32 rate;
    int option; // -1: no destination chosen
    int button;
    QString text;  // the one message shown; empty: none
    QString title; // "Notice:" questions have OK and Cancel, the rest OK
    QString status = {};
    QByteArray line = {};
    QString reply = {};          // what the unit's answer adds to the reply box
    QStringList simOptions = {}; // besides --baud 0; an erase is answered OK, the rest Cancel
    double bar = -1; // highest bar of an erase wait: 99 a full one, 49 at most that; -1 no wait
};

struct DownloadRow
{
    int dest, bits, channels, level, frames;
    QString question = {};    // the truncation or exit question; empty: none asked
    int answer = Toolkit::Ok; // to the question, if one is asked
    QStringList simOptions = {"--baud", "0"};
    QString status = kCompleted; // %1: the copy file's path, where a folder is in its way
    QString how = {};            // a second in: "stop", "exit" (button) or "sigterm"; empty: none
};

} // namespace

Q_DECLARE_METATYPE(CommandRow)
Q_DECLARE_METATYPE(DownloadRow)

class TestUnitWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commands_data()
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
        const QString erase = "This command will erase the %1 from the Orvanta.";
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
        row("Erase Channel ID, Cancel", {8000, 1, 1, erase.arg("Channel ID"), "Notice:"});
        // An erase waits for the unit's answer: the bar's highest value tells how long.
        const auto eraseRow = [&](const char* name, int option, const char* dest, QString status,
                                  QByteArray line, QString reply, QStringList sim, double bar) {
            row(name, {8000, option, 1, erase.arg(dest), "Notice:", status, line, reply, sim, bar});
        };
        eraseRow("Erase Station ID", 0, "Station ID", "QXERA", "QXES", " QXESQXERA",
                 {"--erase-ms", "300"}, 49);
        eraseRow("Erase Pink File, silent unit", 2, "Pink Wave File",
                 "The unit did not answer the erase within 10 seconds.", "QXEP", {}, {"--ignore"},
                 99);
        row("Blank Check Station ID", {8000, 0, 4, {}, {}, {}, "QXBS", " QXBSQXERA"});
        row("Send CR",
            {8000, 0, 3, {}, {}, {}, QByteArray::fromHex("ffffffffffff0d0a"), " OV16 V0116"});
    }
    // A refused or cancelled command shows one message and leaves everything as it was: nothing
    // sent or written, the buttons and the COM menu as before the click. The others put exactly
    // their bytes on the line and the unit's answer reaches the reply and status boxes; an erase
    // holds the line, Stop aside, and waits at most 100 ticks of the bar for its answer.
    void commands()
    {
        QFETCH(CommandRow, row);
        const auto& [rate, option, button, text, title, status, line, reply, simOptions, bar] = row;
        UnitWindow u;
        SimUnit sim;
        const TestWav wav{.rate = rate, .bits = 8, .frames = QList<TestWav::Frame>(20, {140, 0})};
        QVERIFY(Prepare(u, sim, QStringList{"--baud", "0"} + simOptions, wav, option));
        u.Controls().txtErr->setPlainText(QStringLiteral("old status")); // every click empties it
        u.Controls().txt_rply->setPlainText(QStringLiteral("earlier"));
        u.Answer({bar < 0 ? Toolkit::Cancel : Toolkit::Ok});
        double highestBar = -1;
        QList<bool> during;
        QTimer sampler;
        connect(&sampler, &QTimer::timeout, this, [&] {
            if (u.Window().UnitCtl().Session().eraseTicksLeft() <= 0)
                return;
            highestBar = std::max(highestBar, u.Controls().ProgressBar1->Value());
            if (during.isEmpty()) {
                during = u.States();
                u.Click(2); // Stop leaves an erase to its answer
            }
        });
        sampler.start(20);
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
        QCOMPARE(during, bar < 0 ? QList<bool>() : kBusy);
        QVERIFY2(bar == 49 ? highestBar >= 0 && highestBar <= bar : highestBar == bar,
                 qPrintable(QString::number(highestBar)));
        QCOMPARE(u.Controls().ProgressBar1->Value(), 0.0);
        // A command holds the line until its answer; then everything is as before the click.
        QTRY_COMPARE(u.States(),
                     (QList<bool>{true, option >= 0, false, true, true, true, true, false}));
    }

    // A 48000 file sent as Station ID, converted on request: the unit gets the slice at 8000 per
    // second, its times kept (frames 12000..36000 of 48000 become 2000..6000, 4000 in the copy).
    // Cancelled during the conversion: nothing is sent and the wave is as it was.
    void convertAtSend_data()
    {
        QTest::addColumn<bool>("cancel"); // at the first progress update of the conversion
        QTest::newRow("converted") << false;
        QTest::newRow("cancelled during the conversion") << true;
    }
    void convertAtSend()
    {
        QFETCH(bool, cancel);
        const int frames = cancel ? 48000 : 8000; // afterwards: one second, so also the rate
        UnitWindow u;
        SimUnit sim;
        QVERIFY(
            Prepare(u, sim, {"--baud", "0"}, TestWav::Sweep(16, 1, 48000, 48000), 0, 100, true));
        u.Controls().HScroll2->setValue(750);
        u.Controls().HScroll1->setValue(250);
        u.Toolkit().cancelAfterUpdates = cancel ? 1 : -1;
        u.Answer({Toolkit::Yes, Toolkit::Ok}); // converted, then the notice before sending
        u.Click(0);
        const LoadedWave& wave = u.Window().Wave();
        QCOMPARE(
            (QList<int>{u.Controls().txtRate->text().toInt(), wave.SampleCount, wave.SliceStart}),
            (QList<int>{frames, frames, frames / 4}));
        // The conversion question, then the notice before sending, or nothing more when cancelled.
        QCOMPARE(u.Toolkit().MessageTexts().size(), cancel ? 1 : 2);
        QCOMPARE(SimUnit::ReadFile(u.CopyPath()).size(), cancel ? 0 : 4000 + 10);
        QCOMPARE(u.Controls().txtErr->toPlainText().startsWith("Conversion cancelled."), cancel);
    }

    void download_data()
    {
        QTest::addColumn<DownloadRow>("row");
        const auto row = [](const char* name, DownloadRow r) { QTest::newRow(name) << r; };
        row("Channel ID 16-bit stereo level 37", {2, 16, 2, 37, 700});
        const QString station = "File is greater than 131072 8 or 16-bit samples.\r\n"
                                "File will be truncated to 131072 8-bit samples.";
        const QString pink = "File is greater than 131072 16-bit samples.\r\n"
                             "File will be truncated to 131072 16-bit samples.";
        row("131072 frames, no question", {1, 8, 1, 100, 131072});
        row("131073 Station ID, OK", {1, 8, 1, 100, 131073, station});
        row("131073 Pink File, Cancel",
            {3, 8, 1, 100, 131073, pink, Toolkit::Cancel, {"--baud", "0"}, kAborted});
        // 5000 frames of 16-bit Station ID, each ending otherwise.
        const auto ending = [&](const char* name, QStringList sim, QString status) {
            row(name, {1, 16, 1, 100, 5000, {}, Toolkit::Ok, sim, status});
        };
        ending("silent unit", {"--baud", "0", "--ignore"},
               "Transfer completed, but the unit did not confirm it (no QXPGM).");
        ending("unit hangs up", {"--baud", "9600", "--hangup-after", "3000"},
               "Transfer failed: the port did not send all data.");
        ending("copy file cannot be written", {"--baud", "0"},
               "Transfer completed. The copy file %1 could not be written: a folder of that name "
               "is in the way.");
        // 8000 frames at 9600 baud, interrupted a second in.
        const auto interrupted = [&](const char* name, QString how, QString question, int answer,
                                     QString status) {
            row(name, {1, 8, 1, 100, 8000, question, answer, {"--baud", "9600"}, status, how});
        };
        interrupted("Stop", "stop", {}, Toolkit::Ok, kAborted);
        interrupted("close box, Cancel", "exit", Form_Main::ExitQuestion, Toolkit::Cancel,
                    kCompleted);
        interrupted("Exit, OK", "exit", Form_Main::ExitQuestion, Toolkit::Ok, kAborted);
        interrupted("SIGTERM", "sigterm", {}, Toolkit::Ok, kAborted);
    }
    // Completed only once the unit said so, never for what it did not confirm or did not get; the
    // copy file holds what the line took, and the closing times count it. A second into a
    // download, opening another file and calling every command handler directly reach neither
    // the line nor a question. Then Stop: the download ends at the next block with its
    // terminator. Leaving asks first; once agreed (or on SIGTERM) the download stops likewise and
    // the window unloads.
    void download()
    {
        QFETCH(DownloadRow, row);
        const auto& [dest, bits, channels, level, frames, question, answer, simOptions, status,
                     how] = row;
        const bool copyIsFolder = status.contains("%1"), truncation = question.startsWith("File");
        UnitWindow u;
        SimUnit sim;
        SignalRelay relay;
        connect(&relay, &SignalRelay::received, &u.Window(), &Form_Main::ExitWithoutQuestion);
        // A longer copy file from an earlier download: replaced whole, or kept when cancelled.
        QVERIFY(copyIsFolder ? QDir().mkpath(u.CopyPath())
                             : TestWav{.frames = QList<TestWav::Frame>(150000, {85, 0})}.Write(
                                   u.CopyPath()));
        const QByteArray old = SimUnit::ReadFile(u.CopyPath());
        const TestWav wav = TestWav::Sweep(bits, channels, frames, dest == 3 ? 48000 : 8000);
        QVERIFY(Prepare(u, sim, simOptions, wav, dest - 1, level, frames > 100000));
        u.Window().show();
        QList<bool> states;
        QString barText; // the times over the bar, a second in
        if (!how.isEmpty())
            QTimer::singleShot(1000, this, [&] {
                QVERIFY(u.Open(TestWav::Sweep(16, 2, 100)));
                states = u.States();
                barText = u.Controls().ProgressBar1->format();
                // Any question these asked would show among the messages checked below.
                u.Answer({Toolkit::Ok, Toolkit::Ok, Toolkit::Ok});
                UnitController& ctl = u.Window().UnitCtl();
                for (int i : {0, 1, 3, 4})
                    ctl.btn_snd_ST_ID_Click(i);
                ctl.Flash_Send_to(2);
                ctl.EraseDestination();
                u.Toolkit().msgBoxAnswers.clear();
                u.Answer({answer});
                if (how == "sigterm")
                    std::raise(SIGTERM);
                else if (how == "stop")
                    u.Click(2);
                else
                    u.Controls().btnEXIT->click();
            });
        u.Answer({Toolkit::Ok, answer}); // the notice, then the question if one is asked
        u.Click(0);
        const bool leaves = status == kAborted && (how == "exit" || how == "sigterm");
        if (!leaves)
            QCOMPARE(u.States(), kIdle);

        const QString name = QStringList{"Station ID", "Channel ID", "Pink File"}[dest - 1];
        QCOMPARE(u.Button(0)->text() + ", " + u.Button(1)->text(),
                 "Send " + name + ", Erase " + name);
        QCOMPARE(u.Toolkit().MessageTexts().mid(1),
                 question.isEmpty() ? QStringList() : QStringList{question});
        QVERIFY(question.isEmpty() || u.Toolkit().messages[1].title == "Caution");
        const QByteArray copy = SimUnit::ReadFile(u.CopyPath());
        if (truncation && answer == Toolkit::Cancel) { // nothing sent, the old copy kept
            QCOMPARE(u.Status(), qMakePair(kAborted, qint64(-1)));
            QCOMPARE(u.Controls().txt_Xfr_Siz->text(), " " + QString::number(frames));
            QCOMPARE(copy, old);
            return;
        }
        // A stopped download: the frames before the stop, then the terminator.
        const int sent = status == kAborted ? int(copy.size()) - 10 : truncation ? 131072 : frames;
        QVERIFY2(status != kAborted || sent > 500, qPrintable(QString::number(sent)));
        // The transfer size keeps the slice length (" 700") unless the slice was cut down or
        // another file (of 100 frames) was opened.
        QCOMPARE(u.Controls().txt_Xfr_Siz->text(),
                 truncation ? QStringLiteral("131072")
                            : QStringLiteral(" %1").arg(how.isEmpty() ? frames : 100));
        const QByteArray expected = ExpectedStream(wav, dest, level, sent);
        QCOMPARE(u.Status(), qMakePair(status.arg(u.CopyPath()),
                                       qint64(copyIsFolder ? expected.size() : copy.size())));
        if (simOptions.contains("--hangup-after")) { // the unit got less than the stream
            QVERIFY(expected.startsWith(copy) && copy.size() < expected.size());
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(sim.Received(), expected, kLineMs);
        QCOMPARE(copy, copyIsFolder ? QByteArray() : expected);
        QCOMPARE(u.Controls().txt_Xfred->text(), QString::number(sent));
        if (how.isEmpty())
            return;
        QCOMPARE(states, kBusy);
        // Gone and left add up to the 8.3 s the line needs for the whole stream.
        const auto m = QRegularExpression("^0:(\\d\\d) gone, 0:(\\d\\d) left$").match(barText);
        const int total = m.captured(1).toInt() + m.captured(2).toInt();
        QVERIFY2(m.hasMatch() && total >= 8 && total <= 12, qPrintable(barText));
        if (!leaves) {
            QVERIFY(u.Window().isVisible());
            return;
        }
        QTRY_VERIFY(!u.Window().isVisible());
        QVERIFY(!u.Window().SerialCtl().MSComm1().PortOpen());
        TakeUpQuit();
    }
};

QTEST_MAIN(TestUnitWindow)
#include "tst_unit_window.moc"
