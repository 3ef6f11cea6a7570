// Downloads from the main window to orvanta-sim on a pseudo-terminal attached as COM1: the bytes
// on the line, the copy file and the unit's FLASH for every destination, source width and channel
// count; truncation; a stop in the middle; a unit that hangs up.
#include "ExpectedBytes.h"
#include "SimUnit.h"
#include "UnitWindow.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

namespace {

constexpr int kFrames = 700; // hand-overs of 1, 256, 256 and 187 frames
constexpr int kLineMs = 20000;
const char* const kDests[] = {"Station ID", "Channel ID", "Pink File"};

// Edge values first, then a sweep, on the first channel; the second channel swings from one
// extreme to the other, which must never show in the stream.
TestWav Source(int bits, int channels, int frames)
{
    TestWav wav{.rate = 48000, .bits = bits, .channels = channels, .frames = {}};
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
// level and clicks Send; the notice and then `more` are answered. False if a step failed.
bool Send(UnitWindow& u, SimUnit& sim, const QStringList& simOptions, const TestWav& wav,
          int option, int level, std::initializer_list<int> more = {})
{
    if (!sim.Start(simOptions))
        return false;
    u.AttachCom1(sim.Link());
    if (!u.Open(wav))
        return false;
    u.Choose(option);
    u.Controls().HScroll_gain->setValue(level);
    u.Toolkit().messages.clear();
    u.Answer({Toolkit::Ok});
    u.Answer(more);
    u.Click(0);
    return true;
}

// Send, Erase, Send CR, Blank Check and the COM menu enabled; progress bar hidden; not busy.
const QList<bool> kIdle{true, true, false, true, true, true, false, false};

} // namespace

class TestUnitDownload : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void download_data();
    void download();
    void stopInTheMiddle();
    void unitHangsUp();
};

void TestUnitDownload::download_data()
{
    QTest::addColumn<int>("dest");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("frames");
    QTest::addColumn<QString>("question"); // the truncation question; empty: none asked
    QTest::addColumn<int>("answer");       // to the question, if one is asked
    const int ok = Toolkit::Ok;
    for (int dest = 1; dest <= 3; ++dest)
        for (int bits : {8, 16})
            for (int channels : {1, 2})
                QTest::addRow("%s %d-bit %s", kDests[dest - 1], bits,
                              channels == 1 ? "mono" : "stereo")
                    << dest << bits << channels << 100 << kFrames << QString() << ok;
    QTest::newRow("Station ID level 37") << 1 << 16 << 2 << 37 << kFrames << QString() << ok;
    const QString station = "File is greater than 131072 8 or 16-bit samples.\r\n"
                            "File will be truncated to 131072 8-bit samples.";
    const QString pink = "File is greater than 131072 16-bit samples.\r\n"
                         "File will be truncated to 131072 16-bit samples.";
    QTest::newRow("131072 frames, no question") << 1 << 8 << 1 << 100 << 131072 << QString() << ok;
    QTest::newRow("131073 Station ID, OK") << 1 << 8 << 1 << 100 << 131073 << station << ok;
    QTest::newRow("131073 Pink File, Cancel")
        << 3 << 8 << 1 << 100 << 131073 << pink << int(Toolkit::Cancel);
}

void TestUnitDownload::download()
{
    QFETCH(int, dest);
    QFETCH(int, bits);
    QFETCH(int, channels);
    QFETCH(int, level);
    QFETCH(int, frames);
    QFETCH(QString, question);
    QFETCH(int, answer);
    UnitWindow u;
    SimUnit sim;
    // A longer copy file from an earlier download: replaced whole, or kept when cancelled.
    QVERIFY(TestWav{.frames = QList<TestWav::Frame>(150000, {85, 0})}.Write(u.CopyPath()));
    const QByteArray old = SimUnit::ReadFile(u.CopyPath());
    const TestWav wav = Source(bits, channels, frames);
    QVERIFY(Send(u, sim, {"--baud", "0"}, wav, dest - 1, level, {answer}));

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
        QCOMPARE(u.Controls().txtErr->toPlainText(), QStringLiteral("Transfer aborted."));
        QCOMPARE(SimUnit::ReadFile(u.CopyPath()), old);
        u.Click(4); // nothing went before this Blank Check
        QTRY_COMPARE_WITH_TIMEOUT(sim.Received(), QByteArray("QXBP"), kLineMs);
        return;
    }
    const int sent = std::min(frames, 131072);
    const QByteArray expected = Expected(wav, dest, level, sent);
    QCOMPARE(SimUnit::ReadFile(u.CopyPath()), expected);
    QTRY_COMPARE_WITH_TIMEOUT(sim.Received(), expected, kLineMs);
    const QByteArray data = expected.mid(4, expected.size() - 10);
    const QString area = QStringList{"station", "channel", "pink"}[dest - 1] + ".bin";
    QTRY_COMPARE_WITH_TIMEOUT(sim.FlashFile(area).left(data.size()), data, kLineMs);
    QTRY_VERIFY_WITH_TIMEOUT(u.Controls().txt_rply->toPlainText().contains("QXPGM"), kLineMs);
    QCOMPARE(u.Controls().txtErr->toPlainText(), QStringLiteral("Transfer completed."));
    QCOMPARE(u.Controls().txt_Xfred->text(), QString::number(sent));
}

void TestUnitDownload::stopInTheMiddle()
{
    UnitWindow u;
    SimUnit sim;
    // The pseudo-terminal takes about 17 KB at once, so the line is paced at 3840 bytes per second
    // to keep the port busy; the level changes, and later Stop Transfer is clicked, while it is.
    const int frames = 40000;
    const TestWav wav = Source(8, 1, frames);
    int levelChangedAt = 0;
    QList<bool> during; // the window's states, then the COM menu after the stop
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        const int shown = u.Controls().txt_Xfred->text().toInt();
        if (levelChangedAt == 0 && shown >= 5000) {
            levelChangedAt = shown;
            u.Controls().HScroll_gain->setValue(50);
            return; // stop only after some frames went out at the new level
        }
        if (levelChangedAt == 0 || !during.isEmpty() ||
            shown < std::max(10000, levelChangedAt + 1024))
            return;
        u.Choose(1); // a destination change must not bring Erase back
        during = u.States();
        u.Click(2);
        during << u.States()[5]; // the COM menu
    });
    poll.start(10);
    QVERIFY(Send(u, sim, {"--baud", "38400"}, wav, 0, 100));
    poll.stop();

    QCOMPARE(during, (QList<bool>{false, false, true, false, false, false, true, true, false}));
    QCOMPARE(u.Controls().txtErr->toPlainText(), QStringLiteral("Transfer aborted."));
    const QByteArray copy = SimUnit::ReadFile(u.CopyPath());
    const int sent = int(copy.size()) - 10; // frames before the stop, one byte each
    QVERIFY2(sent > 10000 && sent < frames, qPrintable(QString::number(sent)));
    QCOMPARE(sent % 256, 1); // frames 0 to a multiple of 256, then the terminator
    QCOMPARE(u.Controls().txt_Xfred->text(), QString::number(sent));
    // The new level applies from a frame after the change on, taken up right after a hand-over.
    const QByteArray full = Expected(wav, 1, 100, sent);
    const QByteArray half = Expected(wav, 1, 50, sent);
    int k = 4;
    while (k < copy.size() && copy[k] == full[k])
        ++k;
    const int f = (k - 5) / 256 * 256 + 1; // the first frame of that hand-over
    QVERIFY2(f > levelChangedAt && f < sent, qPrintable(QString::number(f)));
    QCOMPARE(copy, full.left(4 + f) + half.mid(4 + f));
    QCOMPARE(u.States(), kIdle);
    QCOMPARE(u.Button(1)->text(), QStringLiteral("Erase Channel ID"));
    QTRY_COMPARE_WITH_TIMEOUT(sim.Received(), copy, kLineMs);
}

void TestUnitDownload::unitHangsUp()
{
    UnitWindow u;
    SimUnit sim;
    const TestWav wav = Source(16, 2, 20000);
    QVERIFY(Send(u, sim, {"--baud", "0", "--hangup-after", "3000"}, wav, 0, 100));

    // The copy file holds everything handed to the port; the unit saw the first 3000 bytes.
    const QByteArray expected = Expected(wav, 1, 100, 20000);
    QCOMPARE(SimUnit::ReadFile(u.CopyPath()), expected);
    QCOMPARE(sim.Received(), expected.left(3000));
    // Never "Transfer completed." for a stream that did not leave.
    QCOMPARE(u.Controls().txtErr->toPlainText(),
             QStringLiteral("Transfer failed: the port did not send all data."));
    QCOMPARE(u.States(), kIdle);
}

QTEST_MAIN(TestUnitDownload)
#include "tst_unit_download.moc"
