// Conversion of the files speech tools, recorders and editors write, measured on real files made
// by sox and espeak-ng: frequency, level, aliasing and frame counts.
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

// Frequency from the first and last rising zero crossing (linearly interpolated) in [from, to).
double Frequency(const LoadedWave& w, qint32 from, qint32 to)
{
    double first = -1, last = -1;
    int crossings = 0;
    for (qint32 n = from + 1; n < to; ++n) {
        const double a = w.FirstChannel(n - 1), b = w.FirstChannel(n);
        if (a < 0 && b >= 0) {
            const double t = (n - 1 + a / (a - b)) / w.Format.SampleRate;
            first = first < 0 ? t : first;
            last = t;
            ++crossings;
        }
    }
    return crossings > 1 ? (crossings - 1) / (last - first) : 0;
}

} // namespace

class TestWaveConvert : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

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
        QTest::newRow("440 Hz 48000 to 8000") << "sine 440" << 440.0;
        QTest::newRow("6 kHz 48000 to 8000: filtered, not folded to 2 kHz") << "sine 6000" << 0.0;
    }

    void tone()
    {
        QFETCH(QString, tone);
        QFETCH(double, hz);
        const QString path = m_dir.filePath("tone.wav");
        QCOMPARE(QProcess::execute("sox", QStringList{"-n", "-r", "48000", "-b", "16", "-c", "1",
                                                      path, "synth", "2"} +
                                              tone.split(' ') + QStringList{"vol", "0.5"}),
                 0);
        LoadedWave w;
        QVERIFY(WaveConverter::Convert(path, 8000, w).ok);
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
        QTest::addColumn<quint32>("rate"); // converted to
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("channels");
        QTest::addColumn<QString>("described");
        const auto sox = [](const char* options) {
            return QStringLiteral("sox -n -r 8000 %1 f.wav synth 1.5 sine 300 vol 0.5")
                .arg(QLatin1String(options));
        };
        QTest::newRow("µ-law") << sox("-e u-law -b 8") << 8000u << 1.5 << 1 << "µ-law, 8000";
        QTest::newRow("A-law") << sox("-e a-law -b 8") << 8000u << 1.5 << 1 << "A-law, 8000";
        QTest::newRow("24-bit") << sox("-b 24") << 8000u << 1.5 << 1 << "24-bit PCM";
        QTest::newRow("32-bit float")
            << sox("-e floating-point -b 32") << 8000u << 1.5 << 1 << "32-bit float";
        QTest::newRow("22050 to 8000") << "sox -n -r 22050 -b 16 f.wav synth 1.5 sine 300 vol 0.5"
                                       << 8000u << 1.5 << 1 << "22050";
        QTest::newRow("44100 stereo to 48000, channels kept")
            << "sox -n -r 44100 -b 16 -c 2 f.wav synth 1.5 sine 300 vol 0.5" << 48000u << 1.5 << 2
            << "2 channels";
        // Pipe-written headers declare far more data than follows (0x7FFFF000 or -1).
        // espeak-ng's own output (22050, a pipe's header): as long as the data it holds.
        QTest::newRow("espeak-ng --stdout")
            << "espeak-ng --stdout 'Station one' > f.wav" << 8000u << -1.0 << 1 << "22050";
        QTest::newRow("truncated 8-bit: what the file holds, no invented tail")
            << sox("-b 8") + " && truncate -s 6044 f.wav" << 8000u << 0.75 << 1 << "8-bit PCM";
        QTest::newRow("sox to a pipe")
            << "sox -n -r 16000 -b 16 -t wav - synth 1.5 sine 300 | cat > f.wav" << 8000u << 1.5
            << 1 << "16000";
    }

    void formats()
    {
        QFETCH(QString, made);
        QFETCH(quint32, rate);
        QFETCH(double, seconds);
        QFETCH(int, channels);
        QFETCH(QString, described);
        QProcess shell;
        shell.setWorkingDirectory(m_dir.path());
        QCOMPARE(shell.execute("sh", {"-c", "cd " + m_dir.path() + " && " + made}), 0);
        const QString path = m_dir.filePath("f.wav");
        if (seconds < 0) // 16-bit mono data after a 44-byte header
            seconds = (QFileInfo(path).size() - 44) / 2.0 / 22050;
        QVERIFY2(WaveConverter::Describe(path).contains(described),
                 qPrintable(WaveConverter::Describe(path)));
        LoadedWave w;
        QVERIFY(WaveConverter::Convert(path, rate, w).ok);
        QCOMPARE(w.Format.FormatTag, quint16(1));
        QCOMPARE(w.Format.BitsPerSample, quint16(16));
        QCOMPARE(int(w.Format.Channels), channels);
        QCOMPARE(w.Format.BlockAlign, quint16(2 * channels));
        QCOMPARE(w.DataSize, quint32(w.SampleCount) * w.Format.BlockAlign);
        QVERIFY2(qAbs(w.SampleCount - qRound(seconds * rate)) <= 1,
                 qPrintable(QString::number(w.SampleCount)));
        QVERIFY(Rms(w, w.SampleCount / 4, w.SampleCount * 3 / 4) > 0.02); // sound, not silence
    }

    void exact_data()
    {
        QTest::addColumn<QString>("options"); // sox's for the source at 8000
        QTest::addColumn<quint32>("rate");
        // At the same rate the samples are decoded as sox decodes them, sample for sample.
        QTest::newRow("µ-law kept at 8000") << "-e u-law -b 8" << 8000u;
        QTest::newRow("A-law kept at 8000") << "-e a-law -b 8" << 8000u;
        // Resampled: the same file gives the same samples every time (no random dither).
        QTest::newRow("24-bit to 48000, twice") << "-b 24" << 48000u;
    }

    void exact()
    {
        QFETCH(QString, options);
        QFETCH(quint32, rate);
        const QString path = m_dir.filePath("x.wav");
        const QString ref = m_dir.filePath("ref.wav");
        QCOMPARE(QProcess::execute(
                     "sox", QStringList{"-n", "-r", "8000"} + options.split(' ') +
                                QStringList{path, "synth", "1", "sine", "300", "vol", "0.7"}),
                 0);
        QCOMPARE(QProcess::execute("sox", {path, "-e", "signed", "-b", "16", ref}), 0);
        LoadedWave w, expected;
        QVERIFY(WaveConverter::Convert(path, rate, w).ok);
        if (rate == 8000)
            LoadWaveFile(expected, ref);
        else
            QVERIFY(WaveConverter::Convert(path, rate, expected).ok);
        QVERIFY(expected.FileOpen);
        QCOMPARE(w.SampleCount, expected.SampleCount);
        QVERIFY(QByteArray(reinterpret_cast<const char*>(w.SampleData.data()), w.DataSize) ==
                QByteArray(reinterpret_cast<const char*>(expected.SampleData.data()), w.DataSize));
    }

    void cancelLeavesWave()
    {
        const QString path = m_dir.filePath("long.wav");
        QCOMPARE(QProcess::execute("sox", {"-n", "-r", "48000", "-b", "16", path, "synth", "20",
                                           "sine", "300", "vol", "0.5"}),
                 0);
        LoadedWave w;
        w.SampleCount = 7;
        int calls = 0;
        const WaveConverter::Result r =
            WaveConverter::Convert(path, 8000, w, [&calls](double) { return ++calls < 3; });
        QVERIFY(!r.ok && r.cancelled);
        QCOMPARE(calls, 3);
        QCOMPARE(w.SampleCount, 7);
        QVERIFY(!w.FileOpen);
        QVERIFY(!WaveConverter::Convert(m_dir.filePath("none.wav"), 8000, w).ok);
    }
};

QTEST_GUILESS_MAIN(TestWaveConvert)
#include "tst_wave_convert.moc"
