// The Sound menu on a real main window: the slice heard as the unit plays it (level applied, at
// the unit's rate), the Pink File loop heard round and round until Stop, the play cursor, and
// the loop window's check and mending; the slice's times as tooltips. Sound is recorded from the
// null sink of scripts/sound-server.sh; without a server those rows skip.
#include "tests/support/WavBuilder.h"
#include "tests/wave/OpenInWindow.h"
#include "tests/wave/SinkRecorder.h"
#include "tests/wave/SoundTestMain.h"
#include "wave/LoadedWave.h"
#include "wave/gui/Form_Compose.h"
#include "wave/gui/Form_Loop.h"
#include "wave/gui/Form_Wave.h"
#include "wave/gui/PreviewController.h"
#include "wave/gui/WaveController.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>

#include <cmath>

namespace {

constexpr int Rate = SinkRecorder::Rate;

// A 16-bit mono tone of `seconds` at `amplitude` of full scale.
QByteArray Tone(quint32 rate, double hz, double amplitude, double seconds)
{
    QByteArray data;
    for (qint64 i = 0; i < qint64(seconds * rate); ++i)
        data += WavBuilder::le16(quint16(
            qint16(std::lround(amplitude * 32767 * std::sin(2 * M_PI * hz * double(i) / rate)))));
    return WavBuilder::pcm({.rate = rate, .bits = 16}, data);
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

class TestSoundMenu : public QObject
{
    Q_OBJECT
private slots:
    void playAsUnit_data();
    void playAsUnit();
    void loopUntilStop();
    void loopWindow();
    void composedChannelId();
};

void TestSoundMenu::playAsUnit_data()
{
    QTest::addColumn<int>("level");
    QTest::newRow("level 100") << 100;
    QTest::newRow("level 50") << 50;
}

// A 44100 file as Station ID: heard at 8000 per second, so 0.4 s of it lasts 2.2 s at a pitch of
// 8000/44100; the level scales what is heard; the cursor walks the slice and leaves at the end.
void TestSoundMenu::playAsUnit()
{
    QFETCH(int, level);
    if (!SinkRecorder::ServerAvailable())
        QSKIP("no sound server: run scripts/sound-server.sh start");
    MainWindowFixture f;
    Form_Main& w = OpenAs(f, Tone(44100, 2205, 0.5, 0.4), 0);
    MainControls& c = w.Controls();
    c.HScroll_gain->setValue(level);
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
    QVERIFY2(std::abs(end - first - Rate * 2205 / 1000) < Rate * 3 / 100,
             qPrintable(QString::number(end - first)));
    QVERIFY(std::abs(rec.Frequency(first + 500, end - 500) - 400) < 10); // 2205 Hz slowed down
    const double expected = 0.5 * level / 100 * 32767;
    QVERIFY2(std::abs(Peak(rec, first, end) - expected) < expected * 0.08,
             qPrintable(QString::number(Peak(rec, first, end))));
    QTRY_COMPARE(w.PlotWindow()->PlayCursorFrame(), -1); // gone once the sound has ended
    cursor.removeAll(-1);
    QVERIFY(cursor.size() > 10 && std::is_sorted(cursor.begin(), cursor.end()));
    QVERIFY(cursor.first() < 4410 && cursor.last() > 4410 * 3 && cursor.last() < 17640);
}

// The Pink File loop plays far past its length and ends with Stop.
void TestSoundMenu::loopUntilStop()
{
    if (!SinkRecorder::ServerAvailable())
        QSKIP("no sound server: run scripts/sound-server.sh start");
    MainWindowFixture f;
    Form_Main& w = OpenAs(f, Tone(48000, 1000, 0.5, 0.2), 2);
    MainControls& c = w.Controls();
    SinkRecorder rec;
    QVERIFY(rec.Start());
    const qint64 pressed = rec.Frames();
    c.mnu_Sound_PlayLoop->trigger();
    QTest::qWait(1000);
    QVERIFY(w.Wave().Playing);
    const qint64 stopped = rec.Frames();
    QTest::mouseClick(c.Command3, Qt::LeftButton);
    QTest::qWait(400);
    const auto [first, end] = rec.Sound(pressed);
    QVERIFY2(end - first > Rate * 6 / 10, qPrintable(QString::number(end - first))); // 3 rounds
    QVERIFY(end - stopped < Rate / 10);
    QVERIFY(!w.Wave().Playing);
}

// Fit pads the slice to the unit's 131072 samples; a cross-fade takes the click out of the wrap.
// The sliders' tooltips give the slice in seconds.
void TestSoundMenu::loopWindow()
{
    MainWindowFixture f;
    Form_Main& w = OpenAs(f, Tone(48000, 1000.25, 0.5, 2.0), 2);
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
    const auto press = [&](const QString& caption) {
        for (QPushButton* b : buttons)
            if (b->text() == caption)
                b->click();
    };
    press("Cross-fade");
    QCOMPARE(w.Wave().SampleCount, 48000);
    QVERIFY2(!texts().contains("steeper"), qPrintable(texts()));
    QCOMPARE(c.txtErr->toPlainText(), "The loop's ends were cross-faded over 20 ms.");
    press("Fit to 131072"); // trim is the first choice: a shorter slice cannot be trimmed to fit
    QCOMPARE(f.toolkit.MessageTexts().last(), "The slice is shorter than 131072 samples: pad it.");
    loop->findChild<QComboBox*>()->setCurrentIndex(2); // pad holding the last sample
    press("Fit to 131072");
    QCOMPARE(w.Wave().SampleCount, 131072);
    QVERIFY2(texts().contains("131072 samples, fits the loop"), qPrintable(texts()));
}

// What the composer hands over is opened as the loaded wave, with Channel ID chosen.
void TestSoundMenu::composedChannelId()
{
    MainWindowFixture f;
    Form_Main& w = f.Create();
    w.Controls().mnu_File_Compose->trigger();
    Form_Compose* composer = w.WaveCtl().Composer();
    QVERIFY(composer && composer->isVisible());
    const QString path = f.dir.filePath("channel-id.wav");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(WavBuilder::pcm({.bits = 16}, QByteArray(2 * 131072, '\0')));
    file.close();
    Q_EMIT composer->useAsChannelId(path);
    QCOMPARE(w.Controls().Text1->text(), path);
    QCOMPARE(w.Wave().SampleCount, 131072);
    QVERIFY(w.Controls().opt_Wav_type[1]->isChecked());
    QCOMPARE(w.Controls().btn_snd_ST_ID[0]->text(), "Send Channel ID");
}

PELORIN_SOUND_TEST_MAIN(TestSoundMenu)
#include "tst_sound_menu.moc"
