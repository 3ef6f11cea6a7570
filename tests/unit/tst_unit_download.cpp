// Downloads from the main window to orvanta-sim on a pseudo-terminal attached as COM1: the stream,
// the copy file and the unit's FLASH per destination; truncation; a silent unit, one that hangs up,
// an unwritable copy file; no second command on the line while one runs, and Stop; exit and SIGTERM
// mid-download.
#include "app/core/SignalRelay.h"
#include "app/ui/ProgressBar.h"
#include "tests/unit/ExpectedBytes.h"
#include "tests/unit/SimUnit.h"
#include "tests/unit/UnitWindow.h"
#include "unit/UnitSession.h"
#include "wave/LoadedWave.h"

#include "serial/gui/SerialController.h"
#include "unit/gui/UnitController.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <csignal>

namespace {

constexpr int kLineMs = 30000;
const char* const kDests[] = {"Station ID", "Channel ID", "Pink File"};
const QString kCompleted = QStringLiteral("Transfer completed.");
const QString kAborted = QStringLiteral("Transfer aborted.");

// Edge values first, then a sweep, on the first channel; the second channel swings from one
// extreme to the other, which must never show in the stream.
// At 8000 per second, the IDs' rate; the Pink File's rows ask for 48000.
TestWav Source(int bits, int channels, int frames, quint32 rate = 8000)
{
    TestWav wav{.rate = rate, .bits = bits, .channels = channels, .frames = {}};
    const QList<int> edges = bits == 16
                                 ? QList{-32768, -1, 0, 255, 256, 32512, 32513, 32767, 32767, 32767}
                                 : QList{0, 128, 192, 255, 255, 255, 1};
    for (int i = 0; i < frames; ++i) {
        const int sweep = bits == 16 ? int(qint16(quint16(i * 7919))) : (i * 37) % 256;
        const int right = bits == 16 ? (i % 2 ? 32767 : -32768) : (i % 2 ? 255 : 0);
        wav.frames.append({i < edges.size() ? edges[i] : sweep, right});
    }
    return wav;
}

QByteArray Expected(const TestWav& wav, int dest, int level, int frames)
{
    return ExpectedStream(dest, wav.bits, level, frames,
                          [&wav](int i) { return SourceValue(wav.bits, wav.frames[i].left); });
}

// Starts the simulator, attaches it as COM1, opens the source, chooses the destination and the
// level; a fast line runs the port at 921600 baud so long slices take seconds, not minutes.
bool Prepare(UnitWindow& u, SimUnit& sim, const QStringList& simOptions, const TestWav& wav,
             int option, int level = 100, bool fastLine = false)
{
    if (!sim.Start(simOptions))
        return false;
    u.AttachCom1(sim.Link());
    if (!u.Open(wav))
        return false;
    if (fastLine) {
        u.Window().SerialCtl().StartCom();
        u.Window().SerialCtl().MSComm1().setSettings(QStringLiteral("921600,N,8,1"));
    }
    u.Choose(option);
    u.Controls().HScroll_gain->setValue(level);
    u.Toolkit().messages.clear();
    return true;
}

// Clicks Send; the notice and then `more` are answered.
void Send(UnitWindow& u, std::initializer_list<int> more = {})
{
    u.Answer({Toolkit::Ok});
    u.Answer(more);
    u.Click(0);
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

// Send, Erase, Send CR, Blank Check and the COM menu enabled; progress bar hidden; not busy.
const QList<bool> kIdle{true, true, false, true, true, true, false, false};

struct DownloadRow
{
    int dest, bits, channels, level, frames;
    QString question = {};    // the truncation question; empty: none asked
    int answer = Toolkit::Ok; // to the question, if one is asked
};

} // namespace

Q_DECLARE_METATYPE(DownloadRow)

class TestUnitDownload : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void convertAtSend_data();
    void convertAtSend();
    void download_data();
    void download();
    void endings_data();
    void endings();
    void oneCommandAtATime_data();
    void oneCommandAtATime();
    void exitDuringDownload_data();
    void exitDuringDownload();
};

// A 48000 file sent as Station ID, converted on request: the unit gets the slice at 8000 per
// second, its times kept (frames 12000..36000 of 48000 become 2000..6000). Cancelled during the
// conversion: nothing is sent and the wave is as it was.
void TestUnitDownload::convertAtSend_data()
{
    QTest::addColumn<bool>("cancel"); // at the first progress update of the conversion
    QTest::newRow("converted") << false;
    QTest::newRow("cancelled during the conversion") << true;
}

void TestUnitDownload::convertAtSend()
{
    QFETCH(bool, cancel);
    const int frames = cancel ? 48000 : 8000;   // loaded afterwards: one second, so also the rate
    const int copied = cancel ? -1 : 4000 + 10; // bytes in the copy file, -1 none
    const int cancelAt = cancel ? 1 : -1;
    UnitWindow u;
    SimUnit sim;
    QVERIFY(Prepare(u, sim, {"--baud", "0"}, Source(16, 1, 48000, 48000), 0, 100, true));
    u.Controls().HScroll2->setValue(750);
    u.Controls().HScroll1->setValue(250);
    u.Toolkit().cancelAfterUpdates = cancelAt;
    u.Answer({Toolkit::Yes});
    Send(u);
    QCOMPARE(u.Controls().txtRate->text(), QString::number(frames));
    QCOMPARE(u.Window().Wave().SampleCount, frames);
    QCOMPARE(u.Window().Wave().SliceStart, frames / 4);
    QCOMPARE(QFileInfo::exists(u.CopyPath()) ? SimUnit::ReadFile(u.CopyPath()).size() : -1, copied);
    // The conversion question, then the notice before sending, or nothing more when cancelled.
    QCOMPARE(u.Toolkit().MessageTexts().size(), copied < 0 ? 1 : 2);
    if (copied < 0)
        QCOMPARE(u.Controls().txtErr->toPlainText(), QStringLiteral("Conversion cancelled."));
}

void TestUnitDownload::download_data()
{
    QTest::addColumn<DownloadRow>("row");
    const auto row = [](const char* name, DownloadRow r) { QTest::newRow(name) << r; };
    row("Station ID 8-bit mono", {1, 8, 1, 100, 700});
    row("Channel ID 16-bit stereo level 37", {2, 16, 2, 37, 700});
    row("Pink File 16-bit stereo", {3, 16, 2, 100, 700});
    const QString station = "File is greater than 131072 8 or 16-bit samples.\r\n"
                            "File will be truncated to 131072 8-bit samples.";
    const QString pink = "File is greater than 131072 16-bit samples.\r\n"
                         "File will be truncated to 131072 16-bit samples.";
    row("131072 frames, no question", {1, 8, 1, 100, 131072});
    row("131073 Station ID, OK", {1, 8, 1, 100, 131073, station});
    row("131073 Pink File, Cancel", {3, 8, 1, 100, 131073, pink, Toolkit::Cancel});
}

void TestUnitDownload::download()
{
    QFETCH(DownloadRow, row);
    const auto [dest, bits, channels, level, frames, question, answer] = row;
    UnitWindow u;
    SimUnit sim;
    // A longer copy file from an earlier download: replaced whole, or kept when cancelled.
    QVERIFY(TestWav{.frames = QList<TestWav::Frame>(150000, {85, 0})}.Write(u.CopyPath()));
    const QByteArray old = SimUnit::ReadFile(u.CopyPath());
    const TestWav wav = Source(bits, channels, frames, dest == 3 ? 48000 : 8000);
    QVERIFY(Prepare(u, sim, {"--baud", "0"}, wav, dest - 1, level, frames > 1000));
    Send(u, {answer});

    QCOMPARE(u.Button(0)->text(), QStringLiteral("Send ") + kDests[dest - 1]);
    QCOMPARE(u.Button(1)->text(), QStringLiteral("Erase ") + kDests[dest - 1]);
    QCOMPARE(u.Toolkit().MessageTexts().mid(1),
             question.isEmpty() ? QStringList() : QStringList{question});
    QVERIFY(question.isEmpty() || u.Toolkit().messages[1].title == "Caution");
    QCOMPARE(u.States(), kIdle);
    // The transfer size keeps the slice length (" 700") unless the slice was cut down.
    QCOMPARE(u.Controls().txt_Xfr_Siz->text(), question.isEmpty() || answer == Toolkit::Cancel
                                                   ? " " + QString::number(frames)
                                                   : QStringLiteral("131072"));
    if (answer == Toolkit::Cancel) {
        QCOMPARE(u.Status(), qMakePair(kAborted, qint64(-1))); // nothing was sent
        QCOMPARE(SimUnit::ReadFile(u.CopyPath()), old);
        u.Click(4); // nothing went before this Blank Check
        QTRY_COMPARE_WITH_TIMEOUT(sim.Received(), QByteArray("QXBP"), kLineMs);
        return;
    }
    const int sent = std::min(frames, 131072);
    const QByteArray expected = Expected(wav, dest, level, sent);
    // Completed only once the unit said so; by then it has every byte.
    QCOMPARE(u.Status(), qMakePair(kCompleted, qint64(expected.size())));
    QVERIFY(u.Controls().txt_rply->toPlainText().contains("QXPGM"));
    QCOMPARE(sim.Received(), expected);
    QCOMPARE(SimUnit::ReadFile(u.CopyPath()), expected);
    const QByteArray data = expected.mid(4, expected.size() - 10);
    const QString area = QStringList{"station", "channel", "pink"}[dest - 1] + ".bin";
    QTRY_COMPARE_WITH_TIMEOUT(sim.FlashFile(area).left(data.size()), data, kLineMs);
    QCOMPARE(u.Controls().txt_Xfred->text(), QString::number(sent));
}

// The simulator's options and the status (%1: the copy file's path); a folder is in the way of
// the copy file where the status names it.
void TestUnitDownload::endings_data()
{
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<QString>("status");
    QTest::newRow("silent unit")
        << QStringList{"--baud", "0", "--ignore"}
        << "Transfer completed, but the unit did not confirm it (no QXPGM).";
    QTest::newRow("unit hangs up") << QStringList{"--baud", "9600", "--hangup-after", "3000"}
                                   << "Transfer failed: the port did not send all data.";
    QTest::newRow("copy file cannot be written")
        << QStringList{"--baud", "0"}
        << "Transfer completed. The copy file %1 could not be written: a folder of that name is "
           "in the way.";
}

// Never "Transfer completed." for what the unit did not confirm or did not get; the copy file
// holds what the line took.
void TestUnitDownload::endings()
{
    QFETCH(QStringList, simOptions);
    QFETCH(QString, status);
    const bool copyIsFolder = status.contains("%1");
    UnitWindow u;
    SimUnit sim;
    if (copyIsFolder)
        QVERIFY(QDir().mkpath(u.CopyPath()));
    const TestWav wav = Source(16, 1, 5000);
    QVERIFY(Prepare(u, sim, simOptions, wav, 0));
    Send(u);
    const QByteArray expected = Expected(wav, 1, 100, 5000);
    const QByteArray copy = SimUnit::ReadFile(u.CopyPath());
    // The closing times count what the line took, which the copy holds.
    QCOMPARE(u.Status(), qMakePair(status.arg(u.CopyPath()),
                                   qint64(copyIsFolder ? expected.size() : copy.size())));
    QCOMPARE(u.States(), kIdle);
    if (copyIsFolder)
        return;
    QVERIFY(expected.startsWith(copy));
    if (simOptions.contains("--hangup-after")) {
        QCOMPARE(sim.Received(), expected.left(3000));
        QVERIFY2(std::abs(copy.size() - 3000) <= 300, qPrintable(QString::number(copy.size())));
    } else {
        QCOMPARE(copy, expected);
    }
}

void TestUnitDownload::oneCommandAtATime_data()
{
    QTest::addColumn<int>("button"); // the command that runs: 0 Send, 1 Erase
    QTest::newRow("during a download") << 0;
    QTest::newRow("during an erase wait") << 1;
}

// Opening another file while a command runs, then every command handler called directly: nothing
// else reaches the line and no question is asked. Then Stop: a download ends at the next block
// with its terminator, the copy file holding what the unit got; an erase runs on to its answer.
void TestUnitDownload::oneCommandAtATime()
{
    QFETCH(int, button);
    UnitWindow u;
    SimUnit sim;
    const TestWav wav = Source(8, 1, 8000);
    QVERIFY(Prepare(u, sim, {"--baud", "9600", "--erase-ms", "2500"}, wav, 0));
    QList<bool> states;
    QString barText; // the times over the bar, a second in
    int questions = -1;
    QTimer::singleShot(1000, this, [&] {
        QVERIFY(u.Open(Source(16, 2, 100)));
        states = u.States();
        barText = u.Controls().ProgressBar1->format();
        questions = int(u.Toolkit().messages.size());
        u.Answer({Toolkit::Ok, Toolkit::Ok, Toolkit::Ok});
        UnitController& ctl = u.Window().UnitCtl();
        for (int i : {0, 1, 3, 4})
            ctl.btn_snd_ST_ID_Click(i);
        ctl.Flash_Send_to(2);
        ctl.EraseDestination();
        questions = int(u.Toolkit().messages.size()) - questions;
        u.Click(2);
    });
    u.Answer({Toolkit::Ok});
    u.Click(button);

    QCOMPARE(states, (QList<bool>{false, false, true, false, false, false, true, true}));
    QCOMPARE(questions, 0);
    if (button == 0) {
        // Gone and left add up to the 8.3 s the line needs for the whole stream.
        const auto m = QRegularExpression("^0:(\\d\\d) gone, 0:(\\d\\d) left$").match(barText);
        const int total = m.captured(1).toInt() + m.captured(2).toInt();
        QVERIFY2(m.hasMatch() && total >= 8 && total <= 12, qPrintable(barText));
        const QByteArray copy = SimUnit::ReadFile(u.CopyPath());
        QCOMPARE(u.Status(), qMakePair(kAborted, qint64(copy.size())));
        QVERIFY2(copy.size() > 500 && copy.size() < 8010, qPrintable(QString::number(copy.size())));
        QCOMPARE((copy.size() - 10) % 256, 1); // frames 0 to a multiple of 256, then the terminator
        QCOMPARE(copy, Expected(wav, 1, 100, int(copy.size()) - 10));
        QTRY_COMPARE_WITH_TIMEOUT(sim.Received(), copy, kLineMs);
    } else {
        QCOMPARE(u.Controls().txtErr->toPlainText(), QStringLiteral("QXERA"));
        QTest::qWait(300);
        QCOMPARE(sim.Received(), QByteArray("QXES"));
    }
    QList<bool> idle = kIdle;
    idle[6] = button == 1; // after an erase the bar stays shown, at 0
    QCOMPARE(u.States(), idle);
}

void TestUnitDownload::exitDuringDownload_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("close box, Cancel") << "cancel";
    QTest::newRow("Exit, OK") << "ok";
    QTest::newRow("SIGTERM") << "sigterm";
}

// Leaving asks first; once agreed (or on SIGTERM) the download stops at the next block, the unit
// gets the terminator, the copy file holds exactly what the unit received, and then the window
// unloads.
void TestUnitDownload::exitDuringDownload()
{
    QFETCH(QString, how);
    UnitWindow u;
    SimUnit sim;
    SignalRelay relay;
    connect(&relay, &SignalRelay::received, &u.Window(), &Form_Main::ExitWithoutQuestion);
    const TestWav wav = Source(8, 1, 6000);
    QVERIFY(Prepare(u, sim, {"--baud", "9600"}, wav, 0));
    u.Window().show();
    QTimer::singleShot(1500, this, [&] {
        if (how == "sigterm") {
            std::raise(SIGTERM);
            return;
        }
        u.Answer({how == "ok" ? Toolkit::Ok : Toolkit::Cancel});
        u.Controls().btnEXIT->click();
    });
    Send(u);
    const QByteArray copy = SimUnit::ReadFile(u.CopyPath());
    QTRY_COMPARE_WITH_TIMEOUT(sim.Received(), copy, kLineMs);
    const QStringList asked = u.Toolkit().MessageTexts().mid(1);
    QCOMPARE(asked, how == "sigterm" ? QStringList() : QStringList{Form_Main::ExitQuestion});
    if (how == "cancel") {
        QCOMPARE(copy, Expected(wav, 1, 100, 6000));
        QVERIFY(u.Window().isVisible());
        return;
    }
    QTRY_VERIFY(!u.Window().isVisible());
    QCOMPARE(u.Status(), qMakePair(kAborted, qint64(copy.size())));
    QVERIFY(copy.endsWith(QByteArray(6, '\xFF')) && copy.size() < 6010);
    QCOMPARE(copy, Expected(wav, 1, 100, int(copy.size()) - 10));
    QVERIFY(!u.Window().SerialCtl().MSComm1().PortOpen());
    TakeUpQuit();
}

QTEST_MAIN(TestUnitDownload)
#include "tst_unit_download.moc"
