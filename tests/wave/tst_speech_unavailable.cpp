// Speech when espeak-ng's data cannot be found: a clear refusal, every time. A process of its
// own, since the engine starts once per process and keeps a failed start.
#include "wave/speech/SpeechSynth.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class TestSpeechUnavailable : public QObject
{
    Q_OBJECT
private slots:
    void refused()
    {
        // espeak-ng takes its data from here when the folder exists, before the standard place.
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("espeak-ng-data"));
        qputenv("ESPEAK_DATA_PATH", QFile::encodeName(dir.path()));
        for (int attempt = 0; attempt < 2; ++attempt) { // the failed start is kept, not retried
            const SpeechSynth::Speech speech = SpeechSynth::speak("Channel one", "en", 160);
            QVERIFY2(speech.samples.empty() && speech.error.contains("could not start"),
                     qPrintable(speech.error));
        }
        QString error;
        QVERIFY(SpeechSynth::voices(&error).empty() && error.contains("espeak-ng-data"));
    }
};

QTEST_GUILESS_MAIN(TestSpeechUnavailable)
#include "tst_speech_unavailable.moc"
