// Downloads from the main window to orvanta-sim on a pseudo-terminal attached as COM1: the bytes
// on the line, the copy file and the unit's FLASH, for every destination, source width and
// channel count; a stop in the middle; truncation; a unit that hangs up.
#include "SimUnit.h"
#include "UnitWindow.h"

#include "LoadedWave.h"
#include "ProgressBar.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

const QByteArray Ff6(6, '\xFF');
constexpr int kFrames = 700; // hand-overs of 1, 256, 256 and 187 frames
constexpr int kLineMs = 20000;

// The unit's encoding, written out here from the byte-format rules so the test does not lean on
// the program's encoder: rounding to nearest with halves to even, ID bytes capped at 0xFE.
QByteArray Encode(double x, int bits, int dest, int level)
{
    const double g = level / 100.0;
    if (dest == 3) {
        long v = std::lrint(x * 32767 * g);
        v = std::clamp(v, -32768L, 32767L);
        const long w = v + 32768;
        return QByteArray(1, char(w % 256)) + QByteArray(1, char(w / 256));
    }
    long v = bits == 16 ? static_cast<long>(std::floor(std::lrint(x * 32767 * g) / 256.0))
                        : std::lrint(x * 127 * g);
    v = std::clamp(v, -128L, 127L) + 128;
    return QByteArray(1, char(std::min(v, 254L)));
}

QByteArray Command(int dest)
{
    return QByteArray("QXW") + "SCP"[dest - 1];
}

QByteArray ExpectedStream(const TestWav& wav, int dest, int level, int frames)
{
    QByteArray out = Command(dest);
    for (int i = 0; i < frames; ++i)
        out += Encode(wav.Value(i), wav.bits, dest, level);
    return out + Ff6;
}

// Edge values first (the first channel), then a sweep; the second channel swings from one
// extreme to the other, which must never show in the stream.
TestWav Source(int bits, int channels, int frames = kFrames)
{
    TestWav wav;
    wav.bits = bits;
    wav.channels = channels;
    wav.rate = 48000;
    const QList<int> edges16 = {-32768, -1, 0, 255, 256, 32512, 32513, 32767, 32767, 32767};
    const QList<int> edges8 = {0, 128, 192, 255, 255, 255, 1};
    const QList<int>& edges = bits == 16 ? edges16 : edges8;
    for (int i = 0; i < frames; ++i) {
        TestWav::Frame f;
        if (i < edges.size())
            f.left = edges[i];
        else
            f.left = bits == 16 ? int(qint16(quint16(i * 7919))) : (i * 37) % 256;
        f.right = (i % 2) ? (bits == 16 ? 32767 : 255) : (bits == 16 ? -32768 : 0);
        wav.frames.append(f);
    }
    return wav;
}

QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(text);
}

QString AreaName(int dest)
{
    return QStringList{"station", "channel", "pink"}[dest - 1];
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

class TestUnitDownload : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void download_data();
    void download();
    void stopInTheMiddle();
    void longerCopyFileReplacedWhole();
    void truncation_data();
    void truncation();
    void unitHangsUp();

private:
    // A window with the simulator attached as COM1 and the source opened.
    bool Prepare(UnitWindow& u, SimUnit& sim, const QStringList& simOptions, const TestWav& wav);
    void Send(UnitWindow& u, int option, int level);
    void CheckIdleAfterDownload(UnitWindow& u);
};

bool TestUnitDownload::Prepare(UnitWindow& u, SimUnit& sim, const QStringList& simOptions,
                               const TestWav& wav)
{
    if (!sim.Start(simOptions))
        return false;
    u.AttachCom1(sim.Link());
    return u.Open(wav);
}

void TestUnitDownload::Send(UnitWindow& u, int option, int level)
{
    u.Choose(option);
    u.Controls().HScroll_gain->setValue(level);
    u.Toolkit().messages.clear();
    u.Answer({Toolkit::Ok});
    u.Click(0);
}

void TestUnitDownload::CheckIdleAfterDownload(UnitWindow& u)
{
    QVERIFY(!u.State().TransferBusy);
    QVERIFY(u.Controls().ProgressBar1->isHidden());
    for (int i : {0, 1, 3, 4})
        QVERIFY2(u.Button(i)->isEnabled(), qPrintable(QString::number(i)));
    QVERIFY(!u.Button(2)->isEnabled());
    QVERIFY(u.Controls().mnuCOM->menuAction()->isEnabled());
}

void TestUnitDownload::download_data()
{
    QTest::addColumn<int>("dest");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("level");
    QTest::addColumn<QByteArray>("head"); // the first data bytes, worked out by hand
    const QByteArray id16 = Hex("007f808081fefefefefe");
    const QByteArray pink16 = Hex("0100ff7f0080ff800081fffe00fffefffefffeff");
    const QByteArray id8 = Hex("0180c0fefefe02");
    const QByteArray pink8 = Hex("0100008000c0fffefffefffe0101");
    const char* dests[] = {"Station ID", "Channel ID", "Pink File"};
    for (int dest = 1; dest <= 3; ++dest) {
        for (int bits : {8, 16}) {
            for (int channels : {1, 2}) {
                const QByteArray head =
                    dest == 3 ? (bits == 16 ? pink16 : pink8) : (bits == 16 ? id16 : id8);
                QTest::addRow("%s %d-bit %s", dests[dest - 1], bits,
                              channels == 1 ? "mono" : "stereo")
                    << dest << bits << channels << 100 << head;
            }
        }
    }
    QTest::newRow("Station ID 16-bit mono level 37") << 1 << 16 << 1 << 37 << QByteArray();
    QTest::newRow("Channel ID 16-bit stereo level 99") << 2 << 16 << 2 << 99 << QByteArray();
    QTest::newRow("Pink File 8-bit mono level 1") << 3 << 8 << 1 << 1 << QByteArray();
}

void TestUnitDownload::download()
{
    QFETCH(int, dest);
    QFETCH(int, bits);
    QFETCH(int, channels);
    QFETCH(int, level);
    QFETCH(QByteArray, head);
    UnitWindow u;
    SimUnit sim;
    const TestWav wav = Source(bits, channels);
    QVERIFY(Prepare(u, sim, {"--baud", "0"}, wav));
    Send(u, dest - 1, level);

    const QByteArray expected = ExpectedStream(wav, dest, level, kFrames);
    QCOMPARE(expected.mid(4, head.size()), head); // the reference agrees with the hand table
    const QByteArray copy = ReadFile(u.CopyPath());
    QCOMPARE(copy.size(), expected.size());
    QCOMPARE(copy, expected);
    QTRY_COMPARE_WITH_TIMEOUT(sim.Received().size(), expected.size(), kLineMs);
    QCOMPARE(sim.Received(), expected);
    const QByteArray data = expected.mid(4, expected.size() - 10);
    QTRY_COMPARE_WITH_TIMEOUT(sim.FlashFile(AreaName(dest) + ".last"), data, kLineMs);
    const QByteArray area = sim.FlashFile(AreaName(dest) + ".bin");
    QCOMPARE(area.left(data.size()), data);
    QCOMPARE(area.count('\xFF'), area.size() - data.size() + data.count('\xFF'));
    QTRY_VERIFY_WITH_TIMEOUT(u.Controls().txt_rply->toPlainText().contains("QXPGM"), kLineMs);

    QCOMPARE(u.Toolkit().messages.size(), 1); // the notice only: no truncation question
    QCOMPARE(u.Controls().txtErr->toPlainText(), QStringLiteral("Transfer completed."));
    QCOMPARE(u.Controls().txt_Xfred->text(), QString::number(kFrames));
    CheckIdleAfterDownload(u);
}

void TestUnitDownload::stopInTheMiddle()
{
    UnitWindow u;
    SimUnit sim;
    // The pseudo-terminal takes about 17 KB at once, so the line is paced at 3840 bytes per second
    // and the level changes after 21000 frames, when the port has held the download for a while;
    // Stop Transfer follows a thousand frames later.
    const int frames = 40000;
    const int levelAt = 21000;
    const TestWav wav = Source(8, 1, frames);
    QVERIFY(Prepare(u, sim, {"--baud", "38400"}, wav));
    int levelChangedAt = 0;
    QList<bool> enabledDuring;
    bool comMenuDuring = true;
    bool comMenuAfterStop = true;
    bool busyDuring = false;
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, this, [&] {
        const int shown = u.Controls().txt_Xfred->text().toInt();
        if (levelChangedAt == 0 && shown >= levelAt) {
            levelChangedAt = shown;
            u.Controls().HScroll_gain->setValue(50);
        }
        if (levelChangedAt == 0 || !enabledDuring.isEmpty() || shown < levelChangedAt + 1000)
            return;
        for (int i = 0; i < 5; ++i)
            enabledDuring << u.Button(i)->isEnabled();
        comMenuDuring = u.Controls().mnuCOM->menuAction()->isEnabled();
        busyDuring = u.State().TransferBusy;
        u.Choose(1); // a destination change must not bring Erase back
        enabledDuring[1] = u.Button(1)->isEnabled();
        u.Click(2);
        comMenuAfterStop = u.Controls().mnuCOM->menuAction()->isEnabled();
    });
    poll.start();
    Send(u, 0, 100);
    poll.stop();

    QCOMPARE(enabledDuring, (QList<bool>{false, false, true, false, false}));
    QVERIFY(!comMenuDuring);
    QVERIFY(!comMenuAfterStop);
    QVERIFY(busyDuring);
    QCOMPARE(u.Controls().txtErr->toPlainText(), QStringLiteral("Transfer aborted."));
    const QByteArray copy = ReadFile(u.CopyPath());
    QVERIFY(copy.endsWith(Ff6));
    const int sent = int(copy.size()) - 10; // frames before the stop, one byte each
    QVERIFY2(sent > levelChangedAt + 1000 && sent < frames, qPrintable(QString::number(sent)));
    QCOMPARE(sent % 256, 1); // frames 0 to a multiple of 256
    QCOMPARE(u.Controls().txt_Xfred->text(), QString::number(sent));
    // The new level applies from some frame after the change on, never to earlier frames.
    int firstAtNewLevel = -1;
    for (int k = levelAt; k < sent && firstAtNewLevel < 0; ++k) {
        const QByteArray mixed =
            ExpectedStream(wav, 1, 100, k).chopped(6) + ExpectedStream(wav, 1, 50, sent).mid(4 + k);
        if (copy == mixed)
            firstAtNewLevel = k;
    }
    QVERIFY(firstAtNewLevel > levelChangedAt);
    QCOMPARE(firstAtNewLevel % 256, 1); // taken up right after a hand-over
    CheckIdleAfterDownload(u);
    QCOMPARE(u.Button(1)->text(), QStringLiteral("Erase Channel ID"));
    QTRY_COMPARE_WITH_TIMEOUT(sim.Received().size(), copy.size(), kLineMs);
    QCOMPARE(sim.Received(), copy);
    QTRY_VERIFY_WITH_TIMEOUT(u.Controls().txt_rply->toPlainText().contains("QXPGM"), kLineMs);
}

void TestUnitDownload::longerCopyFileReplacedWhole()
{
    UnitWindow u;
    SimUnit sim;
    const TestWav wav = Source(8, 1, 300);
    QVERIFY(Prepare(u, sim, {"--baud", "0"}, wav));
    {
        QFile old(u.CopyPath());
        QVERIFY(old.open(QIODevice::WriteOnly));
        QVERIFY(old.write(QByteArray(300000, 'U')) == 300000);
    }
    Send(u, 1, 100);
    const QByteArray expected = ExpectedStream(wav, 2, 100, 300);
    QCOMPARE(ReadFile(u.CopyPath()), expected);
    QTRY_COMPARE_WITH_TIMEOUT(sim.Received(), expected, kLineMs);
}

void TestUnitDownload::truncation_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("option");
    QTest::addColumn<bool>("asked");
    QTest::newRow("131072 Station ID") << 131072 << 0 << false;
    QTest::newRow("131073 Station ID") << 131073 << 0 << true;
    QTest::newRow("131073 Pink File") << 131073 << 2 << true;
}

void TestUnitDownload::truncation()
{
    QFETCH(int, frames);
    QFETCH(int, option);
    QFETCH(bool, asked);
    UnitWindow u;
    SimUnit sim;
    const TestWav wav = Source(8, 1, frames);
    QVERIFY(Prepare(u, sim, {"--baud", "0"}, wav));
    u.Answer({Toolkit::Ok, Toolkit::Ok});
    Send(u, option, 100);
    QCOMPARE(u.Toolkit().messages.size(), asked ? 2 : 1);
    if (asked) {
        QCOMPARE(u.Toolkit().messages[1].title, QStringLiteral("Caution"));
        QCOMPARE(u.Controls().txt_Xfr_Siz->text(), QStringLiteral("131072"));
    }
    const QByteArray expected = ExpectedStream(wav, option + 1, 100, 131072);
    QCOMPARE(ReadFile(u.CopyPath()), expected);
    QTRY_COMPARE_WITH_TIMEOUT(sim.Received().size(), expected.size(), kLineMs);
    QCOMPARE(sim.Received(), expected);
    QCOMPARE(u.Controls().txtErr->toPlainText(), QStringLiteral("Transfer completed."));
    QCOMPARE(u.Controls().txt_Xfred->text(), QStringLiteral("131072"));
}

void TestUnitDownload::unitHangsUp()
{
    UnitWindow u;
    SimUnit sim;
    const int frames = 20000;
    const TestWav wav = Source(16, 2, frames);
    QVERIFY(Prepare(u, sim, {"--baud", "0", "--hangup-after", "3000"}, wav));
    Send(u, 0, 100);

    const QByteArray expected = ExpectedStream(wav, 1, 100, frames);
    // The copy file holds everything handed to the port; the unit saw the first 3000 bytes.
    QCOMPARE(ReadFile(u.CopyPath()), expected);
    QCOMPARE(sim.Received(), expected.left(3000));
    // Never "Transfer completed." for a stream that did not leave.
    QCOMPARE(u.Controls().txtErr->toPlainText(),
             QStringLiteral("Transfer failed: the port did not send all data."));
    CheckIdleAfterDownload(u);
}

QTEST_MAIN(TestUnitDownload)
#include "tst_unit_download.moc"
