// Conversion of the files speech tools, recorders and editors write, measured on real files made
// by sox and espeak-ng: frequency, level, aliasing, frame counts and the samples themselves.
#include "wave/LoadedWave.h"
#include "wave/WaveConverter.h"
#include "wave/WaveFileReader.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

double Rms(const LoadedWave& w, qint32 from, qint32 to)
{
    double sum = 0;
    for (qint32 n = from; n < to; ++n)
        sum += w.FirstChannel(n) * w.FirstChannel(n);
    return std::sqrt(sum / (to - from));
}

// Rising zero crossings per second in [from, to): within 1/1.5 Hz over the 1.5 s measured.
double Frequency(const LoadedWave& w, qint32 from, qint32 to)
{
    int crossings = 0;
    for (qint32 n = from + 1; n < to; ++n)
        crossings += w.FirstChannel(n - 1) < 0 && w.FirstChannel(n) >= 0;
    return crossings * double(w.Format.SampleRate) / (to - from);
}

QByteArray Samples(const LoadedWave& w)
{
    return QByteArray(reinterpret_cast<const char*>(w.SampleData.data()), w.DataSize);
}

} // namespace

class TestWaveConvert : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    // Runs the command through a shell in the test's folder; its exit code.
    int Shell(const QString& command) const
    {
        return QProcess::execute("sh", {"-c", "cd '" + m_dir.path() + "' && " + command});
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("sox").isEmpty())
            QSKIP("sox is not installed: the conversion tests need its files");
    }

    void tone_data()
    {
        QTest::addColumn<QString>("tone"); // sox synth
        QTest::addColumn<double>("hz");    // expected frequency, 0: aliasing is measured instead
        QTest::newRow("1 kHz 48000 to 8000") << "sine 1000" << 1000.0;
        QTest::newRow("6 kHz 48000 to 8000: filtered, not folded to 2 kHz") << "sine 6000" << 0.0;
    }

    void tone()
    {
        QFETCH(QString, tone);
        QFETCH(double, hz);
        QCOMPARE(Shell("sox -n -r 48000 -b 16 -c 1 tone.wav synth 2 " + tone + " vol 0.5"), 0);
        LoadedWave w;
        QVERIFY(WaveConverter::Convert(m_dir.filePath("tone.wav"), 8000, w).ok);
        QCOMPARE(w.Format.SampleRate, 8000u);
        QVERIFY(qAbs(w.SampleCount - 16000) <= 1);
        const double db = 20 * std::log10(Rms(w, 2000, 14000) / (0.5 / std::sqrt(2.0)));
        if (hz > 0) {
            QVERIFY2(qAbs(Frequency(w, 2000, 14000) - hz) < 1.0,
                     qPrintable(QString::number(Frequency(w, 2000, 14000))));
            QVERIFY2(qAbs(db) < 0.1, qPrintable(QString::number(db)));
        } else {
            QVERIFY2(db <= -60, qPrintable(QString::number(db)));
        }
    }

    void formats_data()
    {
        QTest::addColumn<QString>("made"); // how the file is made, through a shell
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("described");
        const auto sox = [](const char* options) {
            return QStringLiteral("sox -n -r 8000 %1 f.wav synth 1.5 sine 300 vol 0.5")
                .arg(QLatin1String(options));
        };
        // 22050 stereo to 8000, channels kept, and µ-law to 48000: tst_open_command's rows.
        QTest::newRow("µ-law") << sox("-e u-law -b 8") << 1.5 << "µ-law, 8000";
        QTest::newRow("A-law") << sox("-e a-law -b 8") << 1.5 << "A-law, 8000";
        QTest::newRow("24-bit") << sox("-b 24") << 1.5 << "24-bit PCM";
        QTest::newRow("32-bit float") << sox("-e floating-point -b 32") << 1.5 << "32-bit float";
        // Pipe-written headers declare far more data than follows (0x7FFFF000 or -1).
        // espeak-ng's own output (22050, a pipe's header): as long as the data it holds.
        QTest::newRow("espeak-ng --stdout")
            << "espeak-ng --stdout 'Station one' > f.wav" << -1.0 << "22050";
        QTest::newRow("truncated 8-bit: what the file holds, no invented tail")
            << sox("-b 8") + " && truncate -s 6044 f.wav" << 0.75 << "8-bit PCM";
        QTest::newRow("sox to a pipe")
            << "sox -n -r 16000 -b 16 -t wav - synth 1.5 sine 300 | cat > f.wav" << 1.5 << "16000";
    }

    // Each converted to 16-bit mono PCM at 8000, the same samples every time (no random dither);
    // companded sound at 8000 decoded as sox decodes it, sample for sample.
    void formats()
    {
        QFETCH(QString, made);
        QFETCH(double, seconds);
        QFETCH(QString, described);
        QCOMPARE(Shell(made), 0);
        const QString path = m_dir.filePath("f.wav");
        if (seconds < 0) // 16-bit mono data after a 44-byte header
            seconds = (QFileInfo(path).size() - 44) / 2.0 / 22050;
        QVERIFY2(WaveConverter::Describe(path).contains(described),
                 qPrintable(WaveConverter::Describe(path)));
        LoadedWave w, again, sox;
        QVERIFY(WaveConverter::Convert(path, 8000, w).ok);
        QVERIFY(WaveConverter::Convert(path, 8000, again).ok && Samples(again) == Samples(w));
        if (described.contains("-law")) {
            QCOMPARE(Shell("sox f.wav -e signed -b 16 ref.wav"), 0);
            QVERIFY(LoadWaveFile(sox, m_dir.filePath("ref.wav")).text.isEmpty());
            QVERIFY(Samples(w) == Samples(sox));
        }
        const WaveFormat& f = w.Format;
        QVERIFY(f.FormatTag == 1 && f.BitsPerSample == 16 && f.Channels == 1 && f.BlockAlign == 2);
        QCOMPARE(w.DataSize, quint32(w.SampleCount) * 2);
        QVERIFY2(qAbs(w.SampleCount - qRound(seconds * 8000)) <= 1,
                 qPrintable(QString::number(w.SampleCount)));
        QVERIFY(Rms(w, w.SampleCount / 4, w.SampleCount * 3 / 4) > 0.02); // sound, not silence
    }

    void cancelLeavesWave()
    {
        QCOMPARE(Shell("sox -n -r 48000 -b 16 long.wav synth 20 sine 300 vol 0.5"), 0);
        LoadedWave w;
        w.SampleCount = 7;
        int calls = 0;
        const WaveConverter::Result r = WaveConverter::Convert(
            m_dir.filePath("long.wav"), 8000, w, [&calls](double) { return ++calls < 3; });
        QVERIFY(!r.ok && r.cancelled);
        QCOMPARE(calls, 3);
        QCOMPARE(w.SampleCount, 7);
        QVERIFY(!w.FileOpen);
        QVERIFY(!WaveConverter::Convert(m_dir.filePath("none.wav"), 8000, w).ok);
    }
};

QTEST_GUILESS_MAIN(TestWaveConvert)
#include "tst_wave_convert.moc"
