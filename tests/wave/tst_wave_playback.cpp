// Playback heard through a real sound server whose default sink is a null sink, its monitor
// recorded (scripts/sound-server.sh starts it). CTest also runs this program with the server out
// of reach: then only the refusal without a server runs.
#include "LoadedWave.h"
#include "MainWindowFixture.h"
#include "OpenInWindow.h"
#include "Playback.h"
#include "SinkRecorder.h"
#include "WavBuilder.h"
#include "WaveController.h"

#include <QtTest>
#include <QtWidgets>

Q_DECLARE_METATYPE(WavBuilder::Fmt)

constexpr int Rate = SinkRecorder::Rate;

// Consecutive tones of `segmentMs` each at the given frequencies; a stereo right channel is silent.
static QByteArray Tones(const WavBuilder::Fmt& fmt, const QList<int>& hz, int segmentMs)
{
    const qint64 segment = fmt.rate * segmentMs / 1000;
    QByteArray data;
    for (qint64 i = 0; i < segment * hz.size() * fmt.channels; ++i) {
        const qint64 n = i / fmt.channels;
        const double s =
            i % fmt.channels ? 0 : 0.5 * std::sin(2 * M_PI * hz[n / segment] * n / fmt.rate);
        data += fmt.bits == 16 ? WavBuilder::le16(quint16(std::lround(s * 32767)))
                               : QByteArray(1, char(128 + std::lround(s * 127)));
    }
    return WavBuilder::pcm(fmt, data);
}

// Not playing and not watching for the end.
static bool Quiet(Form_Main& w)
{
    return !w.Wave().Playing && !w.Controls().Timer1->isActive();
}

class TestWavePlayback : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void slicePlaysOnce_data();
    void slicePlaysOnce();
    void stopSilencesAndOpenCloses();
    void noSoundServer();

private:
    bool m_server = false;
};

void TestWavePlayback::init()
{
    m_server = SinkRecorder::ServerAvailable();
    if (!m_server && QByteArray(QTest::currentTestFunction()) != "noSoundServer")
        QSKIP("no sound server: run scripts/sound-server.sh start");
}

void TestWavePlayback::slicePlaysOnce_data()
{
    QTest::addColumn<WavBuilder::Fmt>("fmt");
    QTest::newRow("48000 stereo 16-bit")
        << WavBuilder::Fmt{.channels = 2, .rate = 48000, .bits = 16};
    QTest::newRow("44100 stereo 16-bit")
        << WavBuilder::Fmt{.channels = 2, .rate = 44100, .bits = 16};
    QTest::newRow("8000 mono 8-bit") << WavBuilder::Fmt{.channels = 1, .rate = 8000, .bits = 8};
}

void TestWavePlayback::slicePlaysOnce()
{
    QFETCH(WavBuilder::Fmt, fmt);
    MainWindowFixture f;
    Form_Main& w = f.Create();
    MainControls& c = w.Controls();
    // 500, 1000, 1500 and 2500 Hz, half a second each; the slice is 0.75 s to 1.5 s.
    OpenInWindow(f, "tones.wav", Tones(fmt, {500, 1000, 1500, 2500}, 500));
    c.HScroll1->setValue(375);
    c.HScroll2->setValue(750);
    SinkRecorder rec;
    QVERIFY(rec.Start());
    const qint64 pressed = rec.Now();
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    QVERIFY(w.Wave().Playing && c.Timer1->isActive());
    QTest::qWait(200);
    QCOMPARE(c.txtErr->toPlainText(), "Playing WAV file");
    c.HScroll1->setValue(0); // the slice heard is the one set when Play was pressed
    QTRY_VERIFY_WITH_TIMEOUT(c.txtErr->toPlainText().isEmpty(), 5000);
    const qint64 emptied = rec.Now();
    QVERIFY(Quiet(w) && !w.WaveCtl().Player().DeviceOpen());
    QTest::qWait(100);

    const auto [first, end] = rec.Sound(rec.FrameAt(pressed));
    QVERIFY2(first >= 0, "nothing was heard");
    QVERIFY2(std::abs(end - first - Rate * 3 / 4) < Rate * 3 / 100,
             qPrintable(QString::number(end - first)));
    QVERIFY(std::abs(rec.Frequency(first + 500, first + Rate / 4 - 500) - 1000) < 30);
    QVERIFY(std::abs(rec.Frequency(first + Rate / 4 + 500, end - 500) - 1500) < 30);
    // Stereo: the right channel stays silent; mono is heard on both sides.
    QCOMPARE(rec.Sound(first, 1).first >= 0, fmt.channels == 1);
    const qint64 lateBy = emptied - rec.TimeOf(end - 1);
    qInfo("sound ended, status line emptied %lld ms later", lateBy);
    QVERIFY2(lateBy > -60 && lateBy < 1000, qPrintable(QString::number(lateBy)));
}

void TestWavePlayback::stopSilencesAndOpenCloses()
{
    MainWindowFixture f;
    Form_Main& w = f.Create();
    MainControls& c = w.Controls();
    OpenInWindow(f, "steps.wav",
                 Tones({.channels = 2, .rate = 48000, .bits = 16},
                       {500, 1000, 1500, 2000, 2500, 3000}, 300));
    SinkRecorder rec;
    QVERIFY(rec.Start());
    const qint64 firstPlay = rec.Now();
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(rec.Sound(rec.FrameAt(firstPlay)).second > 0, 3000);
    QTest::qWait(500); // into the third tone
    const qint64 stopped = rec.Now();
    QTest::mouseClick(c.Command3, Qt::LeftButton);
    QCOMPARE(c.txtErr->toPlainText(), "Play stopped");
    QVERIFY(Quiet(w));
    QTest::qWait(400);
    const auto [soundStart, soundEnd] = rec.Sound(rec.FrameAt(firstPlay));
    QVERIFY(soundEnd - rec.FrameAt(stopped) < Rate / 10);
    QVERIFY(soundEnd - soundStart < Rate * 9 / 10); // far less than the 1.8 s file

    // Play after Stop starts from the slice's beginning.
    const qint64 secondPlay = rec.Now();
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    const auto heard = [&] { return rec.Sound(rec.FrameAt(secondPlay)); };
    QTRY_VERIFY_WITH_TIMEOUT(heard().second > heard().first + Rate / 4, 3000);
    QVERIFY(std::abs(rec.Frequency(heard().first + 500, heard().first + Rate / 4) - 500) < 30);
    // Opening another file meanwhile ends the sound and releases the device first.
    const qint64 opened = rec.Now();
    OpenInWindow(f, "other.wav", Tones({.bits = 16}, {500}, 3000));
    QVERIFY(Quiet(w) && !w.WaveCtl().Player().DeviceOpen() && w.Wave().FileOpen);
    QTest::qWait(300);
    QVERIFY(rec.Sound().second - rec.FrameAt(opened) < Rate / 10);

    // Leaving the program stops the sound at once and closes the device too.
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    QTRY_VERIFY(w.WaveCtl().Player().DeviceOpen());
    QTest::qWait(300);
    const qint64 exited = rec.Now();
    w.close();
    QVERIFY(!w.WaveCtl().Player().DeviceOpen());
    QTest::qWait(300);
    QVERIFY(rec.Sound().second - rec.FrameAt(exited) < Rate / 10);
}

void TestWavePlayback::noSoundServer()
{
    if (m_server)
        QSKIP("runs when CTest puts the sound server out of reach");
    MainWindowFixture f;
    Form_Main& w = f.Create();
    OpenInWindow(f, "quiet.wav", WavBuilder::pcm({}, QByteArray(800, '\x11')));
    QTest::mouseClick(w.Controls().Command2, Qt::LeftButton);
    QCOMPARE(f.toolkit.MessageTexts(), QStringList{Playback::NoDeviceText()});
    QCOMPARE(w.Controls().txtErr->toPlainText(), "WAV file is open.");
    QVERIFY(!Playback::NoDeviceText().isEmpty() && Quiet(w) && w.Wave().FileOpen);
    QCOMPARE(w.Wave().SampleCount, 800);
    QCOMPARE(w.Wave().SampleData.data()[799], uchar(0x11)); // the samples stay
}

QTEST_MAIN(TestWavePlayback)
#include "tst_wave_playback.moc"
