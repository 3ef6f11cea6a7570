// Channel ID projects and their sources: the file written and read back, the faults a file can
// have, and the step from a row's file or text to its samples (spoken by espeak-ng).
#include "wave/ChannelIdProject.h"
#include "wave/LoadedWave.h"
#include "wave/SilenceTrim.h"
#include "wave/WaveFileWriter.h"
#include "wave/speech/PhraseSource.h"
#include "wave/speech/SpeechSynth.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>

class TestChannelIdProject : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip();
    void badFile_data();
    void badFile();
    void fileSource();
    void speech_data();
    void speech();
    void voices();
    void sourceErrorsNameTheirRows();

private:
    QTemporaryDir m_dir;
};

namespace {

QByteArray SilentProject()
{
    QByteArray text = "pelorin-channel-id 1\r\nmode half\r\n# a comment\r\n\r\nlevel 90\r\n";
    for (int k = 16; k >= 1; --k)
        text += QByteArray::number(k) + " none silent\r\n";
    return text;
}

// The silent project with the lines that start with `from` starting with `to` instead.
QByteArray Replaced(const QByteArray& from, const QByteArray& to)
{
    return SilentProject().replace("\n" + from, "\n" + to);
}

std::optional<ChannelIdProject>
Edited(std::initializer_list<std::pair<const char*, QByteArray>> edits, const QString& folder = {})
{
    QByteArray text = SilentProject();
    for (const auto& [from, to] : edits)
        text.replace("\n" + QByteArray(from), "\n" + to);
    QString error;
    return ChannelIdProject::parse(text, error, folder);
}

} // namespace

void TestChannelIdProject::roundTrip()
{
    std::optional<ChannelIdProject> p =
        Edited({{"mode half", "mode one"},
                {"level 90", "level 72.5"},
                {"1 none silent", "1 trim file with spaces/ä 1.wav"},
                {"12 none silent", "12 speedup say de 200 Kanal  zwölf "}},
               "/ids");
    QVERIFY(p);
    const QString path = m_dir.filePath("id project.txt");
    QCOMPARE(p->save(path), std::nullopt);
    QString error;
    const std::optional<ChannelIdProject> back = ChannelIdProject::read(path, error);
    QVERIFY2(back, qPrintable(error));
    for (const ChannelIdProject* q : {&std::as_const(*p), &*back}) {
        QCOMPARE(q->mode, ChannelIdLayout::Mode::OneSecond);
        QCOMPARE(q->levelPercent, 72.5);
        QCOMPARE(q->rows[0].fit, ChannelIdComposer::Fit::Trim);
        QCOMPARE(q->rows[0].source.path, "/ids/with spaces/ä 1.wav"); // from the project's folder
        QCOMPARE(q->rows[11].fit, ChannelIdComposer::Fit::SpeedUp);
        QCOMPARE(q->rows[11].source.voice + q->rows[11].source.text, "deKanal  zwölf ");
        QCOMPARE(q->rows[11].source.wordsPerMinute, 200);
    }
    // What could not be read back the same is not written.
    p->rows[4].source = p->rows[11].source;
    p->rows[4].source.text = "two\nlines";
    QVERIFY(p->save(m_dir.filePath("refused.txt"))->contains("Channel 5"));
    QVERIFY(!QFile::exists(m_dir.filePath("refused.txt")));
}

void TestChannelIdProject::badFile_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("error");
    const auto row = [](const char* name, const char* from, const char* to, const char* error) {
        QTest::newRow(name) << Replaced(from, to) << error;
    };
    QTest::newRow("not a project") << "RIFF" + SilentProject() << "Line 1: this is not a Channel";
    QTest::newRow("empty") << QByteArray() << "This is not a Channel ID project.";
    row("unknown line", "mode half", "volume 3", "Line 2: a line starts with mode, level or");
    row("missing row", "7 none silent\r\n", "", "Missing: channel 7.");
    row("missing level", "level 90", "#", "Missing: the level.");
    row("mode twice", "level 90", "mode one", "the mode is given twice");
    row("unknown mode", "mode half", "mode quarter", "the mode is half or one");
    row("level not a number", "level 90", "level 9O", "Line 5: the level is a number");
    row("level 0", "level 90", "level 0", "the level is a number above 0");
    row("level over 100", "level 90", "level 100.5", "at most 100");
    row("channel 17", "16 none", "17 none", "Line 6: a line starts with mode, level or a channel");
    row("channel twice", "16 none", "15 none", "channel 15 is given twice");
    row("unknown fit", "3 none", "3 stretch", "the fit is none, trim or speedup");
    row("unknown source", "3 none silent", "3 none noise", "the source is silent, file or say");
    row("file without path", "3 none silent", "3 none file", "a file row needs a path");
    row("speed not a number", "3 none silent", "3 none say en fast hi", "a whole number");
    row("speed too low", "3 none silent", "3 none say en 79 hi", "80 to 450 words per minute");
    row("nothing to say", "3 none silent", "3 none say en 160  ", "a say row needs a text");
    row("text not UTF-8", "3 none silent", "3 none say en 160 \xff\xfe", "the text is not UTF-8");
    row("more after silent", "3 none silent", "3 none silent please", "nothing follows silent");
}

void TestChannelIdProject::badFile()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, error);
    QString said;
    QVERIFY(!ChannelIdProject::parse(text, said));
    QVERIFY2(said.contains(error), qPrintable(said));
}

// One second at 16000 per second of a 250 Hz tone at half scale in the first channel and
// silence in the second: the first channel at 8000 per second.
void TestChannelIdProject::fileSource()
{
    std::vector<qint16> frames;
    for (int n = 0; n < 16000; ++n)
        frames.insert(frames.end(), {qint16(std::lround(16384 * std::sin(M_PI * n / 32))), 0});
    LoadedWave wave;
    QVERIFY(wave.Store16(frames, 2, 16000));
    QCOMPARE(SaveWaveFile(wave, m_dir.filePath("tone 1.wav")), std::nullopt);
    const auto p = Edited({{"1 none silent", "1 none file tone 1.wav"}}, m_dir.path());
    QVERIFY(p);
    const PhraseSource::Phrase phrase = PhraseSource::phrase(p->rows[0].source);
    QVERIFY2(phrase.error.isEmpty(), qPrintable(phrase.error));
    QCOMPARE(phrase.samples.size(), size_t(8000));
    for (int n = 1000; n < 7000; ++n) // clear of the resampler's edges
        QVERIFY(std::abs(phrase.samples[size_t(n)] - 0.5 * std::sin(2 * M_PI * 250 * n / 8000)) <
                1e-3);
}

void TestChannelIdProject::speech_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("voice");
    QTest::addColumn<int>("wpm");
    QTest::addColumn<double>("minSeconds"); // of sound, the silence around it trimmed
    QTest::addColumn<double>("maxSeconds"); // 0: refused
    QTest::addColumn<QString>("error");
    QTest::newRow("en-us") << "Channel one"
                           << "en-us" << 160 << 0.5 << 1.0 << "";
    QTest::newRow("German, by name") << "Kanal zwölf"
                                     << "German" << 160 << 0.6 << 1.5 << "";
    QTest::newRow("faster") << "Channel one"
                            << "en-us" << 400 << 0.2 << 0.45 << "";
    QTest::newRow("unknown voice")
        << "Channel one"
        << "xx-nowhere" << 160 << 0.0 << 0.0 << "no speech voice \"xx-nowhere\"";
    QTest::newRow("too slow") << "Channel one"
                              << "en" << 79 << 0.0 << 0.0 << "80 to 450 words";
    QTest::newRow("nothing to say") << " "
                                    << "en" << 160 << 0.0 << 0.0 << "no text to speak";
}

void TestChannelIdProject::speech()
{
    QFETCH(QString, text);
    QFETCH(QString, voice);
    QFETCH(int, wpm);
    QFETCH(double, minSeconds);
    QFETCH(double, maxSeconds);
    QFETCH(QString, error);
    const SpeechSynth::Speech speech = SpeechSynth::speak(text, voice, wpm);
    QVERIFY2(speech.error.contains(error), qPrintable(speech.error));
    QCOMPARE(speech.error.isEmpty(), error.isEmpty());
    const double seconds = SilenceTrim::trimmed(speech.samples).size() / 8000.0;
    QVERIFY2(seconds >= minSeconds && seconds <= maxSeconds, qPrintable(QString::number(seconds)));
    if (maxSeconds > 0) {
        const auto [low, high] = std::minmax_element(speech.samples.begin(), speech.samples.end());
        QVERIFY(-*low > 0.1 && *high > 0.1 && -*low <= 1 && *high <= 1);
    }
}

void TestChannelIdProject::voices()
{
    QString error;
    const std::vector<SpeechSynth::Voice> voices = SpeechSynth::voices(&error);
    const auto american = std::find_if(voices.begin(), voices.end(), [](const auto& v) {
        return v.language == "en-us" && v.name == "English (America)";
    });
    QVERIFY(error.isEmpty() && american != voices.end());
    QVERIFY(SpeechSynth::speak("one", american->identifier, 160).error.isEmpty());
}

void TestChannelIdProject::sourceErrorsNameTheirRows()
{
    const auto p = Edited({{"3 none silent", "3 none say xx-nowhere 160 three"},
                           {"5 none silent", "5 none file absent.wav"},
                           {"7 none silent", "7 none say en 160 seven"}},
                          m_dir.path());
    QVERIFY(p);
    const PhraseSource::Composition c = PhraseSource::composerInput(*p);
    QCOMPARE(c.error.split('\n').size(), 2);
    QVERIFY2(c.error.contains("Channel 3: There is no speech voice \"xx-nowhere\"") &&
                 c.error.contains("Channel 5: " + m_dir.filePath("absent.wav")),
             qPrintable(c.error));
    QVERIFY(!c.input.phrases[6].empty());
}

QTEST_GUILESS_MAIN(TestChannelIdProject)
#include "tst_channel_id_project.moc"
