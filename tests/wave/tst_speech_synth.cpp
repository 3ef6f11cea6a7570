// Speech for Channel IDs: espeak-ng's voices, a spoken phrase at 8000 per second, the refusals.
#include "wave/SilenceTrim.h"
#include "wave/speech/SpeechSynth.h"

#include <QTest>

#include <algorithm>
#include <cmath>

class TestSpeechSynth : public QObject
{
    Q_OBJECT
private slots:
    void speak_data();
    void speak();
    void voices();
};

void TestSpeechSynth::speak_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("voice");
    QTest::addColumn<int>("wpm");
    QTest::addColumn<double>("minSeconds"); // of sound, the silence around it trimmed
    QTest::addColumn<double>("maxSeconds"); // 0: refused
    QTest::addColumn<QString>("error");
    QTest::newRow("en-us") << "Channel one"
                           << "en-us" << 160 << 0.5 << 1.0 << "";
    QTest::newRow("German, by its name") << "Kanal zwölf"
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

void TestSpeechSynth::speak()
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

void TestSpeechSynth::voices()
{
    QString error;
    const std::vector<SpeechSynth::Voice> voices = SpeechSynth::voices(&error);
    QVERIFY(error.isEmpty());
    const auto american = std::find_if(voices.begin(), voices.end(), [](const auto& v) {
        return v.language == "en-us" && v.name == "English (America)";
    });
    QVERIFY(american != voices.end());
    QVERIFY(SpeechSynth::speak("one", american->identifier, 160).error.isEmpty());
}

QTEST_GUILESS_MAIN(TestSpeechSynth)
#include "tst_speech_synth.moc"
