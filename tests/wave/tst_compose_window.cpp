// The Channel ID composer window over its core: rows filled as a technician fills them, the
// composition saved and handed on, what a row's status says, and a project that cannot be read.
#include "tests/support/ScriptedToolkit.h"
#include "tests/support/WavBuilder.h"
#include "tests/wave/Tones.h"
#include "wave/LoadedWave.h"
#include "wave/WaveFileReader.h"
#include "wave/gui/Form_Compose.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

using Mode = ChannelIdLayout::Mode;

struct ComposeCase
{
    Mode mode;
    int fileChannel;
    int fileSamples; // a click, then a tone
    QString fit;
    QString status; // of the file row
    int sayChannel;
};
Q_DECLARE_METATYPE(ComposeCase)

namespace {

// 16-bit mono at 8000 per second: a loud click, then a quieter 500 Hz tone, `samples` in all.
QByteArray ClickThenTone(int samples)
{
    const qsizetype header = WavBuilder::pcm({.bits = 16}, {}).size(); // the first sample's place
    return Tones({.bits = 16}, {500}, samples * 1000 / 8000)
        .replace(header, 2, WavBuilder::le16(30000));
}

struct Window
{
    QTemporaryDir dir;
    ScriptedToolkit toolkit;
    Form_Compose form{toolkit, nullptr};

    template <class T> T* get(const char* name, int channel = 0)
    {
        const QString n = QLatin1String(name) + (channel ? QString::number(channel) : QString());
        T* child = form.findChild<T*>(n);
        QTEST_ASSERT(child);
        return child;
    }
    void click(const char* name, int channel = 0) { get<QPushButton>(name, channel)->click(); }
    QString write(const QString& name, const QByteArray& bytes) const
    {
        return WavBuilder::write(dir.filePath(name), bytes);
    }
};

} // namespace

class TestComposeWindow : public QObject
{
    Q_OBJECT
private slots:
    void compose_data()
    {
        QTest::addColumn<ComposeCase>("c");
        const auto row = [](const char* name, Mode mode, int fileChannel, int samples,
                            const char* fit, const char* status, int sayChannel) {
            QTest::newRow(name) << ComposeCase{mode, fileChannel, samples, fit, status, sayChannel};
        };
        row("half-second", Mode::HalfSecond, 2, 2000, "None", "0.25 s", 5);
        row("one-second, neighbours", Mode::OneSecond, 16, 2000, "None", "0.25 s", 15);
        row("too long", Mode::HalfSecond, 3, 5040, "None", "too long: 0.63 s of 0.51 s", 5);
        row("cut", Mode::HalfSecond, 3, 5040, "Trim", "0.63 s, cut to 0.51 s", 5);
        row("sped up", Mode::HalfSecond, 3, 5040, "Speed up", "0.63 s, sped up to 0.51 s", 5);
    }

    // Two rows filled as a technician fills them, composed and handed on as a saved wave.
    void compose()
    {
        QFETCH(ComposeCase, c);
        const bool composed = !c.status.startsWith("too long");
        Window w;
        w.form.show();
        w.toolkit.fileAnswers << w.write("in.wav", ClickThenTone(c.fileSamples));
        w.click("cmdFile", c.fileChannel);
        w.get<QComboBox>("cboKind", c.sayChannel)->setCurrentText("Say");
        w.get<QLineEdit>("txtSource", c.sayChannel)->setText("Channel fifteen");
        QCOMPARE(w.get<QComboBox>("cboFit", c.fileChannel)->currentText(), "None");
        QCOMPARE(w.get<QComboBox>("cboFit", c.sayChannel)->currentText(), "Speed up");
        w.get<QComboBox>("cboFit", c.fileChannel)->setCurrentText(c.fit);
        w.get<QRadioButton>(c.mode == Mode::HalfSecond ? "optHalfSecond" : "optOneSecond")->click();
        w.click("cmdCompose");

        const QLabel* label = w.get<QLabel>("lblStatus", c.fileChannel);
        QCOMPARE(label->text(), c.status);
        const QColor colour = label->palette().color(QPalette::WindowText);
        QCOMPARE(colour.red() > 150 && colour.green() < 80, !composed); // red
        QCOMPARE(w.get<QPushButton>("cmdSaveWav")->isEnabled(), composed);
        QCOMPARE(w.toolkit.messages.size(), composed ? 0 : 1);
        if (!composed) {
            QVERIFY(w.toolkit.messages[0].text.contains("Channel 3: 5040 samples"));
            return;
        }
        const QString out = w.dir.filePath("composed.wav");
        w.toolkit.fileAnswers << out;
        QSignalSpy used(&w.form, &Form_Compose::useAsChannelId);
        w.click("cmdUse");
        QCOMPARE(used.size(), 1);
        QCOMPARE(used[0][0].toString(), out);
        QVERIFY(!w.form.isVisible());

        LoadedWave wave;
        LoadWaveFile(wave, out);
        QVERIFY(wave.FileOpen);
        QCOMPARE(wave.SampleCount, ChannelIdLayout::Total);
        QCOMPARE(wave.Format.SampleRate, ChannelIdLayout::Rate);
        const qint32 length = ChannelIdLayout::slotLength(c.mode);
        const qint32 click = ChannelIdLayout::slotStart(c.fileChannel, c.mode);
        const qint32 said = ChannelIdLayout::slotStart(c.sayChannel, c.mode);
        // Each row's phrase in its own channel's slot (where that lies and that nothing sounds
        // elsewhere: tst_channel_id's compose).
        int spoken = 0;
        for (qint32 n = said; n < said + length; ++n)
            spoken += wave.FirstChannel(n) != 0.0;
        QVERIFY(spoken > length / 4);
        QVERIFY(wave.FirstChannel(click) >
                2 * wave.FirstChannel(click + 1)); // the click comes first
    }

    void openProject_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("message"); // empty: the project opens
        QByteArray good = "pelorin-channel-id 1\nmode one\nlevel 80\n4 trim file four.wav\n"
                          "9 none say en-us 200 nine\n";
        for (int k : {1, 2, 3, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15, 16})
            good += QByteArray::number(k) + " none silent\n";
        QTest::newRow("opened") << good << QString();
        // What a project may not say: tst_channel_id's projectFaults.
        QTest::newRow("a channel missing")
            << QByteArray(good).replace("4 trim file four.wav\n", "") << "Missing: channel 4.";
    }

    // A project that cannot be read leaves every row as it was.
    void openProject()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, message);
        const bool opened = message.isEmpty();
        Window w;
        w.get<QComboBox>("cboKind", 4)->setCurrentText("Say");
        w.get<QLineEdit>("txtSource", 4)->setText("four");
        w.toolkit.fileAnswers << w.write("project.txt", text);
        w.click("cmdOpenProject");
        QCOMPARE(w.toolkit.MessageTexts().join('|').contains(message), true);
        QCOMPARE(w.toolkit.messages.size(), opened ? 0 : 1);
        QCOMPARE(w.get<QComboBox>("cboKind", 4)->currentText(), opened ? "File" : "Say");
        QCOMPARE(w.get<QLineEdit>("txtSource", 4)->text(),
                 opened ? w.dir.filePath("four.wav") : "four");
        QCOMPARE(w.get<QComboBox>("cboFit", 4)->currentText(), opened ? "Trim" : "Speed up");
        QCOMPARE(w.get<QRadioButton>("optOneSecond")->isChecked(), opened);
        QCOMPARE(w.get<QSpinBox>("txtSpeed")->value(), opened ? 200 : 160);
    }
};

QTEST_MAIN(TestComposeWindow)
#include "tst_compose_window.moc"
