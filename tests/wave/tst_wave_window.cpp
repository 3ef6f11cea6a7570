// The main window's wave controls: the slice and level sliders, the plot window and its button,
// playback, Stop and leaving, the Sound menu (the slice heard as the unit plays it, the Pink File
// loop until Stop, the play cursor, the loop window) and the composer's hand-over. Sound is
// recorded from the null sink of scripts/sound-server.sh; CTest also runs this program with the
// server out of reach, where Play must refuse clearly and the sound rows skip.
#include "app/ui/WindowGeometry.h"
#include "tests/support/WavBuilder.h"
#include "tests/support/WindowManagerWait.h"
#include "tests/wave/OpenInWindow.h"
#include "tests/wave/SinkRecorder.h"
#include "tests/wave/SoundTestMain.h"
#include "tests/wave/Tones.h"
#include "wave/LoadedWave.h"
#include "wave/PlotGeometry.h"
#include "wave/gui/Form_Compose.h"
#include "wave/gui/Form_Loop.h"
#include "wave/gui/Form_Wave.h"
#include "wave/gui/Playback.h"
#include "wave/gui/PreviewController.h"
#include "wave/gui/WaveController.h"

#include <QtTest>
#include <QtWidgets>

Q_DECLARE_METATYPE(WavBuilder::Fmt)

namespace {

constexpr int Rate = SinkRecorder::Rate;

// Not playing and not watching for the end; `closed`: the output device closed as well.
bool Quiet(Form_Main& w, bool closed = true)
{
    return !w.Wave().Playing && !w.Controls().Timer1->isActive() &&
           (!closed || !w.WaveCtl().Player().DeviceOpen());
}

// The most frames a sound started at `startMs` and stopped at `stopMs` can last in the recording:
// the null sink keeps time, so only the output's latency after the stop (under 100 ms) adds to
// it. The recording's own delay does not count, unlike in a comparison of frame counts.
qint64 HeardAtMost(qint64 startMs, qint64 stopMs)
{
    return (stopMs - startMs + 100) * Rate / 1000;
}

// The loudest recorded sample between two frames.
int Peak(const SinkRecorder& rec, qint64 from, qint64 to)
{
    int peak = 0;
    for (qint64 f = from; f < to; ++f)
        peak = std::max(peak, std::abs(rec.Sample(f, 0)));
    return peak;
}

// A main window with the wave open and the destination option chosen.
Form_Main& OpenAs(MainWindowFixture& f, const QByteArray& wav, int option)
{
    Form_Main& w = f.Create();
    OpenInWindow(f, "sound.wav", wav);
    w.Controls().opt_Wav_type[size_t(option)]->click();
    return w;
}

} // namespace

class TestWaveWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sliders_data()
    {
        QTest::addColumn<int>("frames"); // 0: no file loaded
        // (1: start or 2: end slider, value) in order; 3: the start slider's thumb dragged to value
        QTest::addColumn<QList<QPoint>>("sets");
        // Slider positions: slice start and end, the size shown; UpdateSlice runs at the last set
        // (the nested one, then the outer one).
        QTest::addColumn<QString>("result");
        const auto row = [](const char* name, int frames, QList<QPoint> sets, const char* result) {
            QTest::newRow(name) << frames << sets << QString(result);
        };
        row("whole file", 131072, {{1, 0}, {2, 1000}}, "0 1000: 0 131072 ' 131072', 0");
        row("12345 at 1 and 999", 12345, {{1, 1}, {2, 999}}, "1 999: 12 12333 ' 12321', 1");
        row("500 at 5 and 7: halves to even", 500, {{1, 5}, {2, 7}}, "5 7: 2 4 ' 2', 1");
        row("thumb drag: runs once, at release", 1000, {{3, 400}}, "400 1000: 400 1000 ' 600', 1");
        row("no file loaded", 0, {{1, 300}, {2, 600}}, "300 600: 0 0 ' 0', 1");
        // The ordering rule, from start 100 and end 200 of 100000 frames (each slider's plain
        // move: the rows above).
        const auto then = [](QPoint last) { return QList<QPoint>{{2, 200}, {1, 100}, last}; };
        row("start onto end", 100000, then({1, 200}), "199 200: 19900 20000 ' 100', 2");
        row("end onto start", 100000, then({2, 100}), "100 101: 10000 10100 ' 100', 2");
    }

    void sliders()
    {
        QFETCH(int, frames);
        QFETCH(QList<QPoint>, sets);
        QFETCH(QString, result);
        MainWindowFixture f;
        Form_Main& w = f.Create();
        MainControls& c = w.Controls();
        if (frames > 0)
            OpenInWindow(f, "slice.wav", WavBuilder::pcm({}, QByteArray(frames, 'x')));
        std::unique_ptr<QSignalSpy> spy;
        for (const QPoint& set : sets) {
            spy = std::make_unique<QSignalSpy>(&w.WaveCtl(), &WaveController::sliceUpdated);
            QScrollBar* bar = set.x() == 2 ? c.HScroll2 : c.HScroll1;
            if (set.x() == 3) {
                bar->setSliderDown(true);
                bar->setSliderPosition(set.y() / 2);
                bar->setSliderPosition(set.y());
                QCOMPARE(spy->count(), 0);
                bar->setSliderDown(false);
            } else {
                bar->setValue(set.y());
            }
        }
        QCOMPARE(QString::asprintf("%d %d: %d %d '%s', %lld", c.HScroll1->value(),
                                   c.HScroll2->value(), w.Wave().SliceStart, w.Wave().SliceEnd,
                                   qPrintable(c.txt_Xfr_Siz->text()), qint64(spy->count())),
                 result);
    }

    // The caption's text is AttenuationText's (tst_loop_check): here the slider drives it.
    void levelCaption()
    {
        QLocale::setDefault(QLocale(QLocale::German));
        const auto restore = qScopeGuard([] { QLocale::setDefault(QLocale::c()); });
        MainWindowFixture f;
        QScrollBar* gain = f.Create().Controls().HScroll_gain;
        QLabel* caption = f.window->Controls().txt_rel_gain;
        gain->setValue(100); // unchanged: the start-up caption stays
        QCOMPARE(caption->text(), "Download Attenuation  0.0 Db ");
        gain->setValue(50);
        QCOMPARE(caption->text(), "Download Attenuation -6,9 Db");
    }

    void plotWindow()
    {
        MainWindowFixture f;
        Form_Main& w = f.Create();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        if (QGuiApplication::platformName() == "xcb") // wait for the window manager's frame
            QTRY_VERIFY(!WindowGeometry::Frame(w).isNull());
        QPushButton* view = w.Controls().btn_View;
        QPointer<Form_Wave> plot = w.PlotWindow();
        const auto expected = [&] {
            return PlotGeometry::Traces(w.Wave(), plot->OuterTwips().width(),
                                        plot->OuterTwips().height());
        };
        OpenInWindow(f, "plot.wav",
                     WavBuilder::pcm({.channels = 2, .bits = 16}, QByteArray(200000, 'x')));
        for (bool visible : {true, false, true}) {
            QTest::mouseClick(view, Qt::LeftButton);
            QCOMPARE(plot->isVisible(), visible);
            QCOMPARE(view->text(), visible ? "Hide Plot" : "View Plot");
            QVERIFY(WindowManagerWait::Followed(*plot));
        }
        // Below the main window, its width and half its height, frames included; the picture laid
        // out in that size from the first showing on.
        const QRect main = WindowGeometry::Outer(w);
        QTRY_COMPARE(WindowGeometry::Outer(*plot),
                     QRect(main.left(), main.bottom() + 1, main.width(), int(main.height() * 0.5)));
        QCOMPARE(plot->Traces().size(), 2);
        QTRY_COMPARE(plot->Traces(), expected());
        w.Controls().HScroll1->setValue(500); // redrawn at once
        QCOMPARE(plot->Traces(), expected());

        plot->hide(); // the button follows the window, not its own caption
        QVERIFY(WindowManagerWait::Followed(*plot));
        QTest::mouseClick(view, Qt::LeftButton);
        QVERIFY(plot->isVisible() && WindowManagerWait::Followed(*plot));
        // The close box hides the window (kept for the next View Plot) and resets the caption.
        QVERIFY(plot->close());
        QCoreApplication::processEvents();
        QVERIFY(plot && !plot->isVisible() && WindowManagerWait::Followed(*plot));
        QCOMPARE(view->text(), "View Plot");
    }

    void slicePlaysOnce_data()
    {
        QTest::addColumn<WavBuilder::Fmt>("fmt");
        QTest::newRow("48000 stereo 16-bit")
            << WavBuilder::Fmt{.channels = 2, .rate = 48000, .bits = 16};
        QTest::newRow("8000 mono 8-bit") << WavBuilder::Fmt{.channels = 1, .rate = 8000, .bits = 8};
    }

    void slicePlaysOnce()
    {
        QFETCH(WavBuilder::Fmt, fmt);
        if (!SinkRecorder::ServerAvailable())
            QSKIP("no sound server: run scripts/sound-server.sh start");
        MainWindowFixture f;
        Form_Main& w = f.Create();
        MainControls& c = w.Controls();
        // 500, 1000, 1500 and 2500 Hz, half a second each; the slice is 0.75 s to 1.5 s.
        OpenInWindow(f, "tones.wav", Tones(fmt, {500, 1000, 1500, 2500}, 500));
        c.HScroll1->setValue(375);
        c.HScroll2->setValue(750);
        SinkRecorder rec;
        QVERIFY(rec.Start());
        const qint64 pressed = rec.Frames();
        QTest::mouseClick(c.Command2, Qt::LeftButton);
        QVERIFY(w.Wave().Playing && c.Timer1->isActive());
        QTest::qWait(200);
        QCOMPARE(c.txtErr->toPlainText(), "Playing WAV file");
        c.HScroll1->setValue(0); // the slice heard is the one set when Play was pressed
        QTRY_VERIFY_WITH_TIMEOUT(c.txtErr->toPlainText().isEmpty(), 5000);
        const qint64 emptied = rec.Now();
        QVERIFY(Quiet(w));
        QTest::qWait(100);

        const auto [first, end] = rec.Sound(pressed);
        QVERIFY2(first >= 0, "nothing was heard");
        // 0.25 s of 1000 Hz and 0.5 s of 1500 Hz, counted as cycles within 2 %: a gap the busy
        // sound server leaves does not lengthen them (a wrong rate or slice is 8 % off or more).
        QVERIFY2(std::abs(rec.Crossings(first, end) - 1000) <= 20,
                 qPrintable(QString::number(rec.Crossings(first, end))));
        QVERIFY(std::abs(rec.Frequency(first + 500, first + Rate / 4 - 500) - 1000) < 30);
        QVERIFY(std::abs(rec.Frequency(first + Rate / 4 + 500, end - 500) - 1500) < 30);
        // Stereo: the right channel stays silent; mono is heard on both sides.
        QCOMPARE(rec.Sound(first, 1).first >= 0, fmt.channels == 1);
        const qint64 lateBy = emptied - rec.TimeOf(end - 1);
        qInfo("sound ended, status line emptied %lld ms later", lateBy);
        QVERIFY2(lateBy > -60 && lateBy < 1000, qPrintable(QString::number(lateBy)));

        // The whole slice now set, 0 s to 1.5 s, stopped in its 1000 Hz: the sound ends at once.
        const qint64 firstPlay = rec.Frames(), playedAt = rec.Now();
        QTest::mouseClick(c.Command2, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(rec.Sound(firstPlay).second > 0, 3000);
        QTest::qWait(500);
        const qint64 stoppedAt = rec.Now();
        QTest::mouseClick(c.Command3, Qt::LeftButton);
        QCOMPARE(c.txtErr->toPlainText(), "Play stopped");
        QVERIFY(Quiet(w, false));
        QTest::qWait(400);
        const auto [soundStart, soundEnd] = rec.Sound(firstPlay);
        QVERIFY(soundEnd - soundStart < HeardAtMost(playedAt, stoppedAt));
        // Play after Stop starts from the slice's beginning, at 500 Hz.
        const qint64 secondPlay = rec.Frames(), replayedAt = rec.Now();
        QTest::mouseClick(c.Command2, Qt::LeftButton);
        const auto heard = [&] { return rec.Sound(secondPlay); };
        QTRY_VERIFY_WITH_TIMEOUT(heard().second > heard().first + Rate / 4, 3000);
        QVERIFY(std::abs(rec.Frequency(heard().first + 500, heard().first + Rate / 4) - 500) < 30);
        // Leaving the program stops the sound at once and closes the device too.
        QVERIFY(w.WaveCtl().Player().DeviceOpen());
        const qint64 exitedAt = rec.Now();
        w.close();
        QVERIFY(Quiet(w));
        QTest::qWait(300);
        QVERIFY(heard().second - heard().first < HeardAtMost(replayedAt, exitedAt));
    }

    void noSoundServer()
    {
        if (SinkRecorder::ServerAvailable())
            QSKIP("runs when CTest puts the sound server out of reach");
        MainWindowFixture f;
        Form_Main& w = f.Create();
        OpenInWindow(f, "quiet.wav", WavBuilder::pcm({}, QByteArray(800, '\x11')));
        QTest::mouseClick(w.Controls().Command2, Qt::LeftButton);
        QCOMPARE(f.toolkit.MessageTexts(), QStringList{Playback::NoDeviceText()});
        QCOMPARE(w.Controls().txtErr->toPlainText(), "WAV file is open.");
        QVERIFY(!Playback::NoDeviceText().isEmpty() && Quiet(w) && w.Wave().FileOpen);
        QVERIFY(w.Wave().SampleCount == 800 && w.Wave().SampleData.data()[799] == 0x11); // kept
    }

    // A 44100 file as Station ID at level 50: heard at 8000 per second, so 0.4 s of it lasts 2.2 s
    // at a pitch of 8000/44100 and half the level; the cursor walks the slice and leaves at the
    // end. Then as the Pink File loop, heard far past its length until Stop.
    void playAsUnitThenLoop()
    {
        if (!SinkRecorder::ServerAvailable())
            QSKIP("no sound server: run scripts/sound-server.sh start");
        MainWindowFixture f;
        Form_Main& w = OpenAs(f, Tones({.rate = 44100, .bits = 16}, {2205}, 400), 0);
        MainControls& c = w.Controls();
        c.HScroll_gain->setValue(50);
        f.toolkit.messages.clear();
        SinkRecorder rec;
        QVERIFY(rec.Start());
        const qint64 pressed = rec.Frames();
        c.mnu_Sound_PlayAsUnit->trigger();
        QVERIFY(f.toolkit.messages.isEmpty());
        QList<qint64> cursor;
        QTRY_VERIFY_WITH_TIMEOUT((cursor << w.PlotWindow()->PlayCursorFrame(), !w.Wave().Playing),
                                 8000);
        const auto [first, end] = rec.Sound(pressed);
        QVERIFY2(std::abs(rec.Crossings(first, end) - 882) <= 18, // 2.205 s of 400 Hz, 2 %
                 qPrintable(QString::number(rec.Crossings(first, end))));
        QVERIFY(std::abs(rec.Frequency(first + 500, end - 500) - 400) < 10); // 2205 Hz slowed down
        QVERIFY2(std::abs(Peak(rec, first, end) - 8192) < 8192 * 0.08,
                 qPrintable(QString::number(Peak(rec, first, end))));
        QTRY_COMPARE(w.PlotWindow()->PlayCursorFrame(), -1); // gone once the sound has ended
        cursor.removeAll(-1);
        QVERIFY(cursor.size() > 10 && std::is_sorted(cursor.begin(), cursor.end()));
        QVERIFY(cursor.first() < 4410 && cursor.last() > 4410 * 3 && cursor.last() < 17640);

        c.opt_Wav_type[2]->click(); // the Pink File plays at 48000: 0.37 s a round
        const qint64 looped = rec.Frames(), loopedAt = rec.Now();
        c.mnu_Sound_PlayLoop->trigger();
        QTest::qWait(1000);
        QVERIFY(w.Wave().Playing);
        const qint64 loopStoppedAt = rec.Now();
        QTest::mouseClick(c.Command3, Qt::LeftButton);
        QTest::qWait(400);
        const auto [loopFirst, loopEnd] = rec.Sound(looped);
        QVERIFY2(loopEnd - loopFirst > Rate * 6 / 10,
                 qPrintable(QString::number(loopEnd - loopFirst)));
        QVERIFY(loopEnd - loopFirst < HeardAtMost(loopedAt, loopStoppedAt) && !w.Wave().Playing);
    }

    // Fit pads the slice to the unit's 131072 samples; a cross-fade takes the click out of the
    // wrap. The sliders' tooltips give the slice in seconds.
    void loopWindow()
    {
        MainWindowFixture f;
        Form_Main& w = OpenAs(f, Tones({.rate = 48000, .bits = 16}, {1000.25}, 2000), 2);
        MainControls& c = w.Controls();
        c.HScroll2->setValue(500);
        QCOMPARE(c.HScroll2->toolTip(), "End 1.000 s (frame 48000)");
        QCOMPARE(c.txt_Xfr_Siz->toolTip(), "Length 1.000 s");
        c.mnu_Sound_Loop->trigger();
        Form_Loop* loop = w.PreviewCtl().LoopWindow();
        QVERIFY(loop && loop->isVisible());
        const auto texts = [loop] {
            QStringList t;
            for (QLabel* label : loop->findChildren<QLabel*>())
                t << label->text();
            return t.join('|');
        };
        QVERIFY2(texts().contains("48000 samples, 83072 short of 131072"), qPrintable(texts()));
        QVERIFY2(texts().contains("steeper than the sound"), qPrintable(texts()));
        // Cross-fade over 20 ms with the sound after the slice: the length stays, the click goes.
        const QList<QPushButton*> buttons = loop->findChildren<QPushButton*>();
        QVERIFY(buttons[0]->text() == "Fit to 131072" && buttons[1]->text() == "Cross-fade");
        buttons[1]->click();
        QCOMPARE(w.Wave().SampleCount, 48000);
        QVERIFY2(!texts().contains("steeper"), qPrintable(texts()));
        QCOMPARE(c.txtErr->toPlainText(), "The loop's ends were cross-faded over 20 ms.");
        buttons[0]->click(); // trim is the first choice: a shorter slice cannot be trimmed to fit
        QCOMPARE(f.toolkit.MessageTexts().last(),
                 "The slice is shorter than 131072 samples: pad it.");
        loop->findChild<QComboBox*>()->setCurrentIndex(2); // pad holding the last sample
        buttons[0]->click();
        QCOMPARE(w.Wave().SampleCount, 131072);
        QVERIFY2(texts().contains("131072 samples, fits the loop"), qPrintable(texts()));
    }

    // What the composer hands over is opened as the loaded wave, with Channel ID chosen.
    void composedChannelId()
    {
        MainWindowFixture f;
        Form_Main& w = f.Create();
        w.Controls().mnu_File_Compose->trigger();
        Form_Compose* composer = w.WaveCtl().Composer();
        QVERIFY(composer && composer->isVisible());
        const QString path =
            WavBuilder::write(f.dir.filePath("channel-id.wav"),
                              WavBuilder::pcm({.bits = 16}, QByteArray(2 * 131072, 0)));
        Q_EMIT composer->useAsChannelId(path);
        QCOMPARE(w.Controls().Text1->text(), path);
        QCOMPARE(w.Wave().SampleCount, 131072);
        QVERIFY(w.Controls().opt_Wav_type[1]->isChecked());
        QCOMPARE(w.Controls().btn_snd_ST_ID[0]->text(), "Send Channel ID");
    }
};

PELORIN_SOUND_TEST_MAIN(TestWaveWindow)
#include "tst_wave_window.moc"
