// Loads speech and noise made by external tools during the run and compares every frame with an
// independent decode by sox; checks that a huge declared data chunk does not commit memory.
#include "LoadedWave.h"
#include "WavBuilder.h"
#include "WaveFileReader.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <sys/resource.h>

namespace {

QByteArray run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    return p.readAllStandardOutput();
}

qint64 soxInfo(const QString& file, const char* option)
{
    return run("soxi", {QString::fromLatin1(option), file}).trimmed().toLongLong();
}

qint64 statusKiB(const QByteArray& field)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

qint64 residentKiB()
{
    return statusKiB("VmRSS:");
}

QByteArray hugeStereoFile(const QByteArray& present)
{
    return WavBuilder::riff("WAVE",
                            WavBuilder::fmtChunk({.channels = 2, .rate = 48000, .bits = 16}) +
                                WavBuilder::rawChunk("data", 0xFFFFFFFFu, present));
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size();
}

} // namespace

class TestWaveRealAudio : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void decodeMatchesSox_data();
    void decodeMatchesSox();
    void hugeDeclaredChunkStaysUncommitted();
    void refusedAllocationKeepsSamples();
};

void TestWaveRealAudio::decodeMatchesSox_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("file");
    QTest::newRow("speech") << "espeak-ng"
                            << QStringList{"-w", "speech.wav",
                                           "Station identification, channel "
                                           "seven. Testing one two three."}
                            << "speech.wav";
    QTest::newRow("noise 8-bit mono 8000")
        << "sox" << QStringList{"-R", "-n", "-r",         "8000",  "-b", "8",
                                "-c", "1",  "noise8.wav", "synth", "1",  "whitenoise"}
        << "noise8.wav";
    QTest::newRow("noise 16-bit stereo 44100")
        << "sox" << QStringList{"-R", "-n", "-r",          "44100", "-b",  "16",
                                "-c", "2",  "noise16.wav", "synth", "0.5", "whitenoise"}
        << "noise16.wav";
}

void TestWaveRealAudio::decodeMatchesSox()
{
    QFETCH(QString, program);
    QFETCH(QStringList, args);
    QFETCH(QString, file);
    for (const char* tool : {"sox", "soxi", "espeak-ng"})
        if (QStandardPaths::findExecutable(tool).isEmpty())
            QSKIP(qPrintable(
                QStringLiteral("%1 is not installed (package sox / espeak-ng)").arg(tool)));
    QProcess maker;
    maker.setWorkingDirectory(m_dir.path());
    maker.start(program, args);
    QVERIFY(maker.waitForFinished(30000));
    QCOMPARE(maker.exitCode(), 0);
    const QString path = m_dir.filePath(file);

    // Independent decode: every sample as signed 16-bit little-endian, channels interleaved.
    const QByteArray raw =
        run("sox", {"-D", path, "-t", "raw", "-e", "signed-integer", "-b", "16", "-L", "-"});
    const int channels = int(soxInfo(path, "-c"));
    QVERIFY(!raw.isEmpty());

    LoadedWave wave;
    const LoadResult result = LoadWaveFile(wave, path);
    QCOMPARE(result.show, LoadResult::Show::Nothing);
    QVERIFY(wave.FileOpen);
    QCOMPARE(qint64(wave.Format.SampleRate), soxInfo(path, "-r"));
    QCOMPARE(qint64(wave.Format.Channels), qint64(channels));
    QCOMPARE(qint64(wave.Format.BitsPerSample), soxInfo(path, "-b"));
    QCOMPARE(qint64(wave.SampleCount), soxInfo(path, "-s"));
    QCOMPARE(qint64(raw.size()), qint64(wave.SampleCount) * channels * 2);

    const bool wide = wave.Format.BitsPerSample == 16;
    const auto expected = [&](qint64 i) {
        return qFromLittleEndian<qint16>(raw.constData() + 2 * i) / 32768.0;
    };
    for (qint32 n = 0; n < wave.SampleCount; ++n) {
        double left = 0, right = 0;
        if (channels == 2) {
            wide ? wave.ReadSampleStereo16(n, left, right) : wave.ReadSampleStereo8(n, left, right);
            QCOMPARE(right, expected(2 * qint64(n) + 1));
        } else {
            left = wide ? wave.ReadSampleMono16(n) : wave.ReadSampleMono8(n);
        }
        QCOMPARE(left, expected(qint64(n) * channels));
        QCOMPARE(wave.FirstChannel(n), left);
    }
}

void TestWaveRealAudio::hugeDeclaredChunkStaysUncommitted()
{
    const QByteArray present("\x01\x02\x03\x04\x05\x06\x07\x08", 8);
    const QByteArray bytes =
        WavBuilder::riff("WAVE", WavBuilder::fmtChunk({.channels = 2, .rate = 48000, .bits = 16}) +
                                     WavBuilder::rawChunk("data", 0xFFFFFFFFu, present));
    const QString path = m_dir.filePath("huge.wav");
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    QCOMPARE(out.write(bytes), qint64(bytes.size()));
    out.close();

    LoadedWave wave;
    const qint64 before = residentKiB();
    QVERIFY(before > 0);
    LoadWaveFile(wave, path);
    QVERIFY(wave.FileOpen);
    QVERIFY(wave.SampleData.size() >= qint64(0xFFFFFFFFu));
    // Frames 0 and 1 are in the file; read frames spread over the whole zero tail.
    for (qint32 n = 2; n < wave.SampleCount; n += wave.SampleCount / 997)
        QCOMPARE(wave.FirstChannel(n), 0.0);
    QCOMPARE(wave.FirstChannel(wave.SampleCount - 1), 0.0);
    QCOMPARE(wave.FirstChannel(0), qint16(0x0201) / 32768.0);
    const qint64 growthKiB = residentKiB() - before;
    qInfo("resident growth after loading a 4 GiB declared chunk: %lld KiB", growthKiB);
    QVERIFY2(growthKiB < 64 * 1024, qPrintable(QString::number(growthKiB)));
}

void TestWaveRealAudio::refusedAllocationKeepsSamples()
{
    const QString small = m_dir.filePath("small.wav");
    const QString huge = m_dir.filePath("huge2.wav");
    QVERIFY(writeFile(small, WavBuilder::pcm({.rate = 8000}, "abcdef")));
    QVERIFY(writeFile(huge, hugeStereoFile("12345678")));
    LoadedWave wave;
    LoadWaveFile(wave, small);
    QVERIFY(wave.FileOpen);

    // Leave far less address space than the 4 GiB buffer needs, then restore the limit.
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_AS, &saved), 0);
    rlimit tight = saved;
    tight.rlim_cur = rlim_t(statusKiB("VmSize:") + 512 * 1024) * 1024;
    QCOMPARE(setrlimit(RLIMIT_AS, &tight), 0);
    const LoadResult result = LoadWaveFile(wave, huge);
    QCOMPARE(setrlimit(RLIMIT_AS, &saved), 0);

    QCOMPARE(result.show, LoadResult::Show::MessageBox);
    QCOMPARE(result.text,
             QString("Not enough memory for 4294967296 bytes of sample data. File not open."));
    QVERIFY(!wave.FileOpen);
    QCOMPARE(wave.SampleCount, 6);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(wave.SampleData.data()), 6),
             QByteArray("abcdef"));
}

QTEST_GUILESS_MAIN(TestWaveRealAudio)
#include "tst_wave_real_audio.moc"
