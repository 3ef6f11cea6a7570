// Playback heard through a real sound server: the default sink is a null sink whose monitor is
// recorded, so what the technician would hear can be measured. The sound server is started by
// the suite's script (scripts/sound-server.sh); without one these tests skip, except the
// no-server case, which runs in a child process pointed at a missing server.
#include "LoadedWave.h"
#include "MainWindowFixture.h"
#include "OpenInWindow.h"
#include "Playback.h"
#include "SinkRecorder.h"
#include "WavBuilder.h"
#include "WaveController.h"

#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <cmath>

namespace {

constexpr const char* NoServer = "no sound server with the null sink pelorin_null (run "
                                 "scripts/sound-server.sh start with the same XDG_RUNTIME_DIR)";

constexpr int CaptureRate = SinkRecorder::Rate;

// A file of consecutive tones, `segmentMs` each, at the given frequencies; in stereo files the
// right channel is silent.
QByteArray Tones(quint32 rate, quint16 channels, quint16 bits, const QList<int>& hz, int segmentMs)
{
    WavBuilder::Fmt fmt;
    fmt.rate = rate;
    fmt.channels = channels;
    fmt.bits = bits;
    const int segment = int(rate) * segmentMs / 1000;
    QByteArray data;
    for (qint64 n = 0; n < qint64(segment) * hz.size(); ++n) {
        const double v = 0.5 * std::sin(2 * M_PI * hz[n / segment] * double(n) / rate);
        for (int c = 0; c < channels; ++c) {
            const double s = c == 0 ? v : 0.0;
            if (bits == 16)
                data += WavBuilder::le16(quint16(qint16(std::lround(s * 32767))));
            else
                data += char(quint8(128 + std::lround(s * 127)));
        }
    }
    return WavBuilder::pcm(fmt, data);
}

bool Playing(MainWindowFixture& f)
{
    return f.window->Wave().Playing;
}

} // namespace

class TestWavePlayback : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void slicePlaysOnce_data();
    void slicePlaysOnce();
    void stopSilencesAndPlayRestarts();
    void soundEndsWith_data();
    void soundEndsWith();
    void unplayableFormat();
    void noDeviceMessage();
    void withoutSoundServer();
    void childWithoutSoundServer();

private:
    bool m_server = false;
};

void TestWavePlayback::initTestCase()
{
    if (qEnvironmentVariableIsSet("PELORIN_CHILD_WITHOUT_SERVER"))
        return;
    m_server = SinkRecorder::ServerAvailable();
}

void TestWavePlayback::slicePlaysOnce_data()
{
    QTest::addColumn<quint32>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");
    QTest::newRow("48000 stereo 16-bit") << quint32(48000) << 2 << 16;
    QTest::newRow("44100 stereo 16-bit") << quint32(44100) << 2 << 16;
    QTest::newRow("8000 mono 8-bit") << quint32(8000) << 1 << 8;
}

void TestWavePlayback::slicePlaysOnce()
{
    QFETCH(quint32, rate);
    QFETCH(int, channels);
    QFETCH(int, bits);
    if (!m_server)
        QSKIP(NoServer);
    MainWindowFixture f;
    Form_Main& w = f.Create();
    MainControls& c = w.Controls();
    // 2 s: 500 Hz, 1000 Hz, 1500 Hz, 2500 Hz, half a second each; the slice is 0.75 s to 1.5 s.
    OpenInWindow(f, "tones.wav",
                 Tones(rate, quint16(channels), quint16(bits), {500, 1000, 1500, 2500}, 500));
    c.HScroll1->setValue(375);
    c.HScroll2->setValue(750);
    SinkRecorder rec;
    QVERIFY(rec.Start());
    const qint64 pressed = rec.Now();
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    QCOMPARE(c.txtErr->toPlainText(), QStringLiteral("Playing WAV file"));
    QVERIFY(Playing(f));
    QVERIFY(c.Timer1->isActive());
    QTest::qWait(200);
    // Neither a second Play nor moving the sliders changes what is heard.
    c.txtErr->setPlainText(QStringLiteral("x"));
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    QCOMPARE(c.txtErr->toPlainText(), QStringLiteral("Playing WAV file"));
    c.HScroll1->setValue(0);
    c.HScroll2->setValue(100);
    QTRY_VERIFY_WITH_TIMEOUT(c.txtErr->toPlainText().isEmpty(), 5000);
    const qint64 emptied = rec.Now();
    QVERIFY(!Playing(f));
    QVERIFY(!c.Timer1->isActive());
    QVERIFY(!w.WaveCtl().Player().DeviceOpen());
    QTest::qWait(100);

    const auto [first, end] = rec.Sound(rec.FrameAt(pressed));
    QVERIFY2(first >= 0, "nothing was heard");
    const double seconds = double(end - first) / CaptureRate;
    QVERIFY2(std::abs(seconds - 0.75) < 0.03, qPrintable(QString::number(seconds)));
    const qint64 quarter = CaptureRate / 4;
    QVERIFY(std::abs(rec.Frequency(first + 500, first + quarter - 500) - 1000) < 30);
    QVERIFY(std::abs(rec.Frequency(first + quarter + 500, end - 500) - 1500) < 30);
    if (channels == 2)
        QCOMPARE(rec.Sound(first, 1).first, -1); // the right channel stays silent
    else
        QVERIFY(rec.Sound(first, 1).first >= 0); // mono is heard on both sides

    const qint64 lateBy = emptied - rec.TimeOf(end - 1);
    qInfo("sound ended, status line emptied %lld ms later", lateBy);
    QVERIFY2(lateBy > -60 && lateBy < 1000, qPrintable(QString::number(lateBy)));
}

void TestWavePlayback::stopSilencesAndPlayRestarts()
{
    if (!m_server)
        QSKIP(NoServer);
    MainWindowFixture f;
    Form_Main& w = f.Create();
    MainControls& c = w.Controls();
    OpenInWindow(f, "steps.wav", Tones(48000, 2, 16, {500, 1000, 1500, 2000, 2500, 3000}, 300));
    SinkRecorder rec;
    QVERIFY(rec.Start());
    const qint64 firstPlay = rec.Now();
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(rec.Sound(rec.FrameAt(firstPlay)).second > 0, 3000);
    QTest::qWait(500); // into the third tone
    const qint64 stopped = rec.Now();
    QTest::mouseClick(c.Command3, Qt::LeftButton);
    QCOMPARE(c.txtErr->toPlainText(), QStringLiteral("Play stopped"));
    QVERIFY(!Playing(f));
    QVERIFY(!c.Timer1->isActive());
    QTest::qWait(400);
    QCOMPARE(c.txtErr->toPlainText(), QStringLiteral("Play stopped")); // not emptied later
    const auto [soundStart, soundEnd] = rec.Sound(rec.FrameAt(firstPlay));
    const qint64 stopFrame = rec.FrameAt(stopped);
    qInfo("sound went on %lld ms after Stop", (soundEnd - stopFrame) * 1000 / CaptureRate);
    QVERIFY(soundEnd - stopFrame < CaptureRate / 10);
    QVERIFY(soundEnd - soundStart < CaptureRate * 9 / 10); // far less than the 1.8 s file

    const qint64 secondPlay = rec.Now();
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(rec.Sound(rec.FrameAt(secondPlay)).second >
                                 rec.Sound(rec.FrameAt(secondPlay)).first + CaptureRate / 4,
                             3000);
    const qint64 again = rec.Sound(rec.FrameAt(secondPlay)).first;
    QVERIFY(std::abs(rec.Frequency(again + 500, again + CaptureRate / 4) - 500) < 30);
    QTest::mouseClick(c.Command3, Qt::LeftButton);
}

void TestWavePlayback::soundEndsWith_data()
{
    QTest::addColumn<bool>("exit"); // otherwise another file is opened
    QTest::newRow("exit") << true;
    QTest::newRow("opening another file") << false;
}

void TestWavePlayback::soundEndsWith()
{
    QFETCH(bool, exit);
    if (!m_server)
        QSKIP(NoServer);
    MainWindowFixture f;
    Form_Main& w = f.Create();
    w.show();
    OpenInWindow(f, "long.wav", Tones(8000, 1, 16, {1000}, 3000));
    SinkRecorder rec;
    QVERIFY(rec.Start());
    QTest::mouseClick(w.Controls().Command2, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(rec.Sound().first >= 0, 3000);
    const qint64 ended = rec.Now();
    if (exit)
        QVERIFY(w.close());
    else
        OpenInWindow(f, "other.wav", Tones(8000, 1, 16, {500}, 3000));
    QVERIFY(!w.WaveCtl().Player().DeviceOpen());
    QVERIFY(!Playing(f));
    QVERIFY(!w.Controls().Timer1->isActive());
    QTest::qWait(300);
    QVERIFY(rec.Sound().second - rec.FrameAt(ended) < CaptureRate / 10);
    QCOMPARE(w.Wave().FileOpen, true);
}

void TestWavePlayback::unplayableFormat()
{
    if (!m_server)
        QSKIP(NoServer);
    MainWindowFixture f;
    Form_Main& w = f.Create();
    MainControls& c = w.Controls();
    WavBuilder::Fmt fmt; // A-law: loads, but its bytes are not linear samples
    fmt.tag = 6;
    OpenInWindow(f, "alaw.wav", WavBuilder::pcm(fmt, QByteArray(3000, '\x11')));
    QVERIFY(w.Wave().FileOpen);
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    QCOMPARE(f.toolkit.MessageTexts(), QStringList{Playback::ErrorText(QAudio::OpenError)});
    QCOMPARE(c.txtErr->toPlainText(), QStringLiteral("WAV file is open."));
    QVERIFY(w.Wave().FileOpen);
    QCOMPARE(w.Wave().SampleData.data()[2999], uchar(0x11));
    QVERIFY(!Playing(f));
    QVERIFY(!c.Timer1->isActive());
}

void TestWavePlayback::noDeviceMessage()
{
    MainWindowFixture f;
    Form_Main& w = f.Create();
    MainControls& c = w.Controls();
    OpenInWindow(f, "quiet.wav", Tones(8000, 1, 8, {1000}, 100));
    w.WaveCtl().Player().SetDeviceProvider([] { return QAudioDevice(); });
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    QCOMPARE(f.toolkit.MessageTexts(), QStringList{Playback::NoDeviceText()});
    QCOMPARE(c.txtErr->toPlainText(), QStringLiteral("WAV file is open."));
    QVERIFY(w.Wave().FileOpen);
    QCOMPARE(w.Wave().SampleCount, 800);
    QVERIFY(!Playing(f));
    QVERIFY(!c.Timer1->isActive());
    QVERIFY(c.Command2->isEnabled());
}

void TestWavePlayback::withoutSoundServer()
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PELORIN_CHILD_WITHOUT_SERVER"), QStringLiteral("1"));
    env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:/nonexistent/pelorin/native"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("childWithoutSoundServer")});
    QVERIFY(child.waitForFinished(30000));
    const QByteArray out = child.readAllStandardOutput();
    QVERIFY2(child.exitCode() == 0, out.constData());
    QVERIFY2(out.contains("PASS   : TestWavePlayback::childWithoutSoundServer()"), out.constData());
}

void TestWavePlayback::childWithoutSoundServer()
{
    if (!qEnvironmentVariableIsSet("PELORIN_CHILD_WITHOUT_SERVER"))
        QSKIP("runs in the child process of withoutSoundServer");
    MainWindowFixture f;
    Form_Main& w = f.Create();
    OpenInWindow(f, "quiet.wav", Tones(8000, 1, 16, {1000}, 100));
    QTest::mouseClick(w.Controls().Command2, Qt::LeftButton);
    QCOMPARE(f.toolkit.MessageTexts(), QStringList{Playback::NoDeviceText()});
    QVERIFY(w.Wave().FileOpen);
    QCOMPARE(w.Controls().txtErr->toPlainText(), QStringLiteral("WAV file is open."));
    QVERIFY(!Playing(f));
}

QTEST_MAIN(TestWavePlayback)
#include "tst_wave_playback.moc"
