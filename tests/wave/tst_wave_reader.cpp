// Loads hand-built WAV files (valid and malformed) and checks what the user is told, the state
// left behind and the accessors at their edges; then speech and noise made during the run against
// an independent decode by sox.
#include "WavBuilder.h"
#include "WaveFileReader.h"

#include <QtTest>

#include <sys/stat.h>

using W = WavBuilder;
Q_DECLARE_METATYPE(WavBuilder::Fmt)

const QByteArray Bytes = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcd"; // sample payloads
const QByteArray Previous = "PQRSTU"; // loaded before every row, to see what a failure keeps
// The 18-byte read of a 16-byte "fmt " chunk takes the next chunk id's first bytes as ExtraSize.
constexpr quint16 Da = 'd' | 'a' << 8;

static QString Describe(const WaveFormat& f)
{
    return QString::asprintf("tag %x, %u ch, %u Hz, %u B/s, align %u, %u bit, extra %x",
                             f.FormatTag, f.Channels, f.SampleRate, f.ByteRate, f.BlockAlign,
                             f.BitsPerSample, f.ExtraSize);
}

static QString Expect(quint16 ch, quint32 rate, quint16 bits, quint16 align, quint16 extra = Da)
{
    return Describe({1, ch, rate, rate * align, align, bits, extra});
}

// Frame n through the accessor of the wave's format: left and right (mono: the sample twice).
static QPointF Read(const LoadedWave& w, qint32 n)
{
    double l = 7.0, r = 7.0;
    const bool wide = w.Format.BitsPerSample == 16;
    if (w.Format.Channels != 2)
        r = l = wide ? w.ReadSampleMono16(n) : w.ReadSampleMono8(n);
    else
        wide ? w.ReadSampleStereo16(n, l, r) : w.ReadSampleStereo8(n, l, r);
    return {l, r};
}

static qint64 ResidentKiB()
{
    QFile status("/proc/self/status");
    const QByteArray all = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
    const qsizetype at = all.indexOf("VmRSS:") + 6;
    return all.mid(at, all.indexOf('\n', at) - at).trimmed().split(' ').first().toLongLong();
}

static QByteArray Run(const QString& program, const QStringList& args, const QString& dir = {})
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(program, args);
    p.waitForFinished(30000);
    return p.readAllStandardOutput();
}

class TestWaveReader : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;

    QString Write(const QByteArray& bytes)
    {
        QFile f(m_dir.filePath(QStringLiteral("w%1.wav").arg(++m_files)));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write a test file");
        return f.fileName();
    }

private slots:
    void load_data();
    void load();
    void emptyNameReleasesSamples();
    void accessors_data();
    void accessors();
    void realAudio_data();
    void realAudio();
};

void TestWaveReader::load_data()
{
    QTest::addColumn<QByteArray>("file");    // or @pipe, @missing, @empty-name
    QTest::addColumn<QString>("told");       // in a message box or in the status text
    QTest::addColumn<QString>("state");      // the format as read and, when open, what is held
    QTest::addColumn<QByteArray>("samples"); // leading sample bytes; the rest must read as zero
    const auto ok = [](const char* name, const QByteArray& file, const QString& format,
                       qint64 frames, qint64 bytes, const QByteArray& samples) {
        QTest::newRow(name) << file << QString()
                            << format +
                                   QString::asprintf(": %lld frames, %lld bytes", frames, bytes)
                            << samples;
    };
    const auto bad = [](const char* name, const QByteArray& file, const QString& told,
                        const QString& format) {
        QTest::newRow(name) << file << told << "closed, " + format << QByteArray();
    };
    const QByteArray d7 = Bytes.left(7), d10 = Bytes.left(10), d20 = Bytes.left(20);
    const W::Fmt m8{.rate = 8000}, m16{.rate = 44100, .bits = 16};
    const W::Fmt s16{.channels = 2, .rate = 22050, .bits = 16};
    const QByteArray list = W::chunk("LIST", "INFOx"); // odd size: padded
    const QByteArray data10 = W::chunk("data", d10);

    ok("8-bit mono 8000", W::pcm(m8, d10), Expect(1, 8000, 8, 1), 10, 10, d10);
    ok("16-bit mono 44100", W::pcm(m16, d20), Expect(1, 44100, 16, 2), 10, 20, d20);
    ok("8-bit stereo 48000", W::pcm({.channels = 2, .rate = 48000}, d20), Expect(2, 48000, 8, 2),
       10, 20, d20);
    ok("16-bit stereo 22050", W::pcm(s16, Bytes), Expect(2, 22050, 16, 4), 10, 40, Bytes);
    ok("odd chunk before fmt", W::riff("WAVE", list + W::fmtChunk(m8) + data10),
       Expect(1, 8000, 8, 1), 10, 10, d10);
    ok("chunks after fmt and after data",
       W::riff("WAVE", W::fmtChunk(m8) + list + W::chunk("fact", "1234") + data10 + list),
       Expect(1, 8000, 8, 1, 'L' | 'I' << 8), 10, 10, d10);
    ok("fmt of 18 bytes", W::pcm({.rate = 8000, .chunkSize = 18, .cbSize = 0x1234}, d10),
       Expect(1, 8000, 8, 1, 0x1234), 10, 10, d10);
    const W::Fmt ext{
        .tag = 0xFFFE, .channels = 2, .rate = 48000, .bits = 16, .chunkSize = 40, .cbSize = 22};
    ok("fmt of 40 bytes", W::pcm(ext, Bytes), Describe({0xFFFE, 2, 48000, 192000, 4, 16, 22}), 10,
       40, Bytes);
    ok("odd data size with its pad, chunk after",
       W::riff("WAVE", W::fmtChunk(m8) + W::chunk("data", d7) + list), Expect(1, 8000, 8, 1), 7, 7,
       d7);
    ok("truncated data: zero tail",
       W::riff("WAVE", W::fmtChunk(m16) + W::rawChunk("data", 100, d20), 136),
       Expect(1, 44100, 16, 2), 50, 100, d20);
    // Whole frames, nearest with halves to even; the part frame is padded with zeros.
    ok("6 bytes of 4-byte frames: 1.5 -> 2", W::pcm(s16, Bytes.left(6)), Expect(2, 22050, 16, 4), 2,
       6, Bytes.left(6));
    ok("10 bytes of 4-byte frames: 2.5 -> 2", W::pcm(s16, d10), Expect(2, 22050, 16, 4), 2, 10,
       d10);
    const QByteArray huge = W::rawChunk("data", 0xFFFFFFFF, "12345678");
    ok("4 GiB declared in a tiny file", W::riff("WAVE", W::fmtChunk(s16) + huge, 0xFFFFFFFF),
       Expect(2, 22050, 16, 4), 1073741824, 0xFFFFFFFF, "12345678");

    const QString prev = Expect(1, 11025, 8, 1), notWav = "status: Not a WAV file. File not open.";
    // A pipe without a writer would block the open for ever: refused at once.
    bad("named pipe", "@pipe", "box: Error opening input file, rc = 22", prev);
    bad("missing file", "@missing", "box: Error opening input file, rc = 2", prev);
    bad("text file named .wav", "Just some notes.\n", notWav, prev);
    bad("RIFF of form AVI", W::riff("AVI ", W::fmtChunk(m8) + data10), notWav, prev);
    bad("no fmt chunk", W::riff("WAVE", data10), "box: Couldn't get format chunk", prev);
    // "fmt " ends the file: the 18-byte read comes up short and keeps the old ExtraSize.
    bad("data before fmt", W::riff("WAVE", data10 + W::fmtChunk(m16)),
        "box: Couldn't get data chunk", Expect(1, 44100, 16, 2));
    bad("BlockAlign 0", W::pcm({.rate = 8000, .blockAlign = 0}, d10),
        "box: Invalid format: BlockAlign is 0 bytes per sample frame. File not open.",
        Expect(1, 8000, 8, 0));
    bad("24-bit", W::pcm({.rate = 48000, .bits = 24}, Bytes.left(30)),
        "box: Unsupported format: 24 bits per sample. Only 8 and 16 bits per sample can be loaded. "
        "File not open.",
        Expect(1, 48000, 24, 3));
    const QString tooLarge = "box: Data chunk too large: %1 sample frames; at most 2147483647 can "
                             "be loaded. File not open.";
    bad("8-bit frames beyond 32 bits", W::riff("WAVE", W::fmtChunk(m8) + huge),
        tooLarge.arg(4294967295), Expect(1, 8000, 8, 1));
    bad("16-bit frames rounding past 32 bits", W::riff("WAVE", W::fmtChunk(m16) + huge),
        tooLarge.arg(2147483648), Expect(1, 44100, 16, 2));
}

void TestWaveReader::emptyNameReleasesSamples()
{
    LoadedWave wave;
    QVERIFY(LoadWaveFile(wave, Write(W::pcm({.rate = 8000}, Previous))).text.isEmpty());
    QVERIFY(wave.FileOpen);
    const LoadResult result = LoadWaveFile(wave, QString());
    QCOMPARE(int(result.show), int(LoadResult::Show::Nothing));
    QVERIFY(!wave.FileOpen);
    QVERIFY(wave.SampleData.isEmpty());
}

void TestWaveReader::load()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, told);
    QFETCH(QString, state);
    QFETCH(QByteArray, samples);
    LoadedWave wave;
    QVERIFY(LoadWaveFile(wave, Write(W::pcm({.rate = 11025}, Previous))).text.isEmpty());
    QString name = m_dir.filePath("pipe.wav");
    if (file == "@pipe")
        QCOMPARE(mkfifo(QFile::encodeName(name).constData(), 0600), 0);
    else if (file == "@missing")
        name = m_dir.filePath("no such file.wav");
    else
        name = Write(file);
    const qint64 before = ResidentKiB();
    const LoadResult result = LoadWaveFile(wave, name);

    const char* how[] = {"", "box: ", "status: "};
    QCOMPARE(how[int(result.show)] + result.text, told);
    const WaveFormat& f = wave.Format;
    QCOMPARE(wave.FileOpen ? Describe(f) + QString::asprintf(": %d frames, %u bytes",
                                                             wave.SampleCount, wave.DataSize)
                           : "closed, " + Describe(f),
             state);
    const qint64 size = wave.SampleData.size();
    const QByteArray held(reinterpret_cast<const char*>(wave.SampleData.data()),
                          qMin<qint64>(size, 1 << 16));
    if (!wave.FileOpen) { // the old samples stay, unused while FileOpen is false
        QCOMPARE(held, Previous);
        QCOMPARE(qsizetype(wave.SampleCount), Previous.size());
        return;
    }
    QCOMPARE(held, samples + QByteArray(held.size() - samples.size(), '\0'));
    QVERIFY(size >= qMax<qint64>(wave.DataSize, qint64(wave.SampleCount) * f.BlockAlign));
    if (qint64(wave.SampleCount) * f.BlockAlign > samples.size() + f.BlockAlign)
        QCOMPARE(wave.FirstChannel(wave.SampleCount - 1), 0.0);
    // Memory for a tail the file does not hold is not committed.
    QVERIFY(before > 0 && ResidentKiB() - before < 64 * 1024);
}

void TestWaveReader::accessors_data()
{
    QTest::addColumn<W::Fmt>("fmt");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("frame");
    QTest::addColumn<QPointF>("values"); // left and right
    const auto row = [](const char* name, const W::Fmt& fmt, const QByteArray& data, int frame,
                        QPointF values) { QTest::newRow(name) << fmt << data << frame << values; };
    const W::Fmt m8, m16{.bits = 16}, s8{.channels = 2}, s16{.channels = 2, .bits = 16};
    row("8-bit 0x80", m8, {"\x80", 1}, 0, {0.0, 0.0});
    row("8-bit 0x00", m8, {"\x00", 1}, 0, {-1.0, -1.0});
    row("8-bit 0xFF", m8, {"\xFF", 1}, 0, {127.0 / 128, 127.0 / 128});
    row("16-bit 0x8000", m16, {"\x00\x80", 2}, 0, {-1.0, -1.0});
    row("16-bit 0x7FFF", m16, {"\xFF\x7F", 2}, 0, {32767.0 / 32768, 32767.0 / 32768});
    row("16-bit 0xFFFF", m16, {"\xFF\xFF", 2}, 0, {-1.0 / 32768, -1.0 / 32768});
    row("8-bit stereo", s8, {"\x00\x00\x00\xFF", 4}, 1, {-1.0, 127.0 / 128});
    row("16-bit stereo", s16, {"\0\0\0\0\xFF\x7F\x00\x80", 8}, 1, {32767.0 / 32768, -1.0});
    // 6 bytes of 4-byte frames are 2 frames.
    const QByteArray six("\x00\x40\x00\xC0\x00\x20", 6);
    row("frame past the end", s16, six, 2, {0.0, 0.0});
    row("largest frame index", s16, six, INT_MAX, {0.0, 0.0});
    // 16-bit samples in 1-byte frames: the last one would straddle the buffer's end.
    row("sample straddling the end", {.channels = 2, .bits = 16, .blockAlign = 1}, "\1\2\3", 2,
        {0.0, 0.0});
}

void TestWaveReader::accessors()
{
    QFETCH(W::Fmt, fmt);
    QFETCH(QByteArray, data);
    QFETCH(int, frame);
    QFETCH(QPointF, values);
    LoadedWave wave;
    LoadWaveFile(wave, Write(W::pcm(fmt, data)));
    QVERIFY(wave.FileOpen);
    QCOMPARE(Read(wave, frame), values);
    QCOMPARE(wave.FirstChannel(frame), values.x());
}

void TestWaveReader::realAudio_data()
{
    QTest::addColumn<QString>("command"); // program and arguments, writing out.wav
    QTest::newRow("speech") << "espeak-ng|-w|out.wav|Station one. Testing one two three.";
    QTest::newRow("noise 8-bit mono 8000")
        << "sox|-R|-n|-r|8000|-b|8|-c|1|out.wav|synth|1|whitenoise";
    QTest::newRow("noise 16-bit stereo 44100")
        << "sox|-R|-n|-r|44100|-b|16|-c|2|out.wav|synth|0.5|whitenoise";
}

void TestWaveReader::realAudio()
{
    QFETCH(QString, command);
    QStringList args = command.split('|');
    Run(args.takeFirst(), args, m_dir.path());
    const QString path = m_dir.filePath("out.wav");
    const auto info = [&](const char* option) {
        return Run("soxi", {option, path}).trimmed().toLongLong();
    };
    // Independent decode: every sample as signed 16-bit little-endian, channels interleaved.
    const QByteArray raw =
        Run("sox", {"-D", path, "-t", "raw", "-e", "signed-integer", "-b", "16", "-L", "-"});
    LoadedWave wave;
    QVERIFY(LoadWaveFile(wave, path).text.isEmpty() && wave.FileOpen);
    const int ch = wave.Format.Channels;
    QCOMPARE(
        (QList<qint64>{ch, wave.Format.SampleRate, wave.Format.BitsPerSample, wave.SampleCount}),
        (QList<qint64>{info("-c"), info("-r"), info("-b"), info("-s")}));
    QCOMPARE(raw.size(), 2 * ch * qsizetype(wave.SampleCount));
    for (qint32 n = 0; n < wave.SampleCount; ++n) {
        const char* at = raw.constData() + 2 * ch * qint64(n);
        const QPointF values(qFromLittleEndian<qint16>(at) / 32768.0,
                             qFromLittleEndian<qint16>(at + 2 * (ch - 1)) / 32768.0);
        QCOMPARE(Read(wave, n), values);
        QCOMPARE(wave.FirstChannel(n), values.x());
    }
}

QTEST_GUILESS_MAIN(TestWaveReader)
#include "tst_wave_reader.moc"
