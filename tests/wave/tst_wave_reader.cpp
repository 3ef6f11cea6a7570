// Loads hand-built WAV files (valid and malformed) and checks what the user is told, the state
// left behind and the accessors at their edges; then the fuzzing corpus. (A real file made by sox
// is read sample for sample against libsndfile's decode in tst_wave_convert's exact.)
#include "tests/support/WavBuilder.h"
#include "wave/WaveFileReader.h"

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

// A device that fails every read from `failAt` on, for I/O errors a disk rarely produces.
class FailingDevice : public QBuffer
{
public:
    FailingDevice(const QByteArray& bytes, qint64 failAt) : m_failAt(failAt) { setData(bytes); }

protected:
    qint64 readData(char* data, qint64 max) override
    {
        return pos() >= m_failAt ? -1 : QBuffer::readData(data, qMin(max, m_failAt - pos()));
    }

private:
    qint64 m_failAt;
};

class TestWaveReader : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;

    QString Write(const QByteArray& bytes)
    {
        return W::write(m_dir.filePath(QStringLiteral("w%1.wav").arg(++m_files)), bytes);
    }

private slots:
    void load_data()
    {
        QTest::addColumn<QByteArray>("file");    // or @pipe, @missing
        QTest::addColumn<QString>("told");       // in a message box or in the status text
        QTest::addColumn<QString>("state");      // the format as read and, when open, what is held
        QTest::addColumn<QByteArray>("samples"); // leading sample bytes; the rest must read as zero
        const auto ok = [](const char* name, const QByteArray& file, const QString& format,
                           qint64 frames, qint64 bytes, const QByteArray& samples,
                           const QString& notice = {}) {
            QTest::newRow(name) << file << (notice.isEmpty() ? notice : "notice: " + notice)
                                << format +
                                       QString::asprintf(": %lld frames, %lld bytes", frames, bytes)
                                << samples;
        };
        const auto bad = [](const char* name, const QByteArray& file, const QString& told,
                            const QString& format) {
            QTest::newRow(name) << file << told << "closed, " + format << QByteArray();
        };
        const QByteArray d7 = Bytes.left(7), d10 = Bytes.left(10), d20 = Bytes.left(20);
        const W::Fmt m8, m16{.rate = 44100, .bits = 16},
            s16{.channels = 2, .rate = 22050, .bits = 16};
        const QString e8 = Expect(1, 8000, 8, 1), e16 = Expect(1, 44100, 16, 2);
        const QString es16 = Expect(2, 22050, 16, 4);
        const QByteArray list = W::chunk("LIST", "INFOx"); // odd size: padded
        const QByteArray fmt8 = W::fmtChunk(m8), data10 = W::chunk("data", d10);

        ok("8-bit mono 8000", W::pcm(m8, d10), e8, 10, 10, d10);
        ok("16-bit stereo 22050", W::pcm(s16, Bytes), es16, 10, 40, Bytes);
        ok("odd chunk before fmt", W::riff("WAVE", list + fmt8 + data10), e8, 10, 10, d10);
        ok("chunks after fmt and after data",
           W::riff("WAVE", fmt8 + list + W::chunk("fact", "1234") + data10 + list),
           Expect(1, 8000, 8, 1, 'L' | 'I' << 8), 10, 10, d10);
        ok("fmt of 18 bytes", W::pcm({.chunkSize = 18, .cbSize = 0x1234}, d10),
           Expect(1, 8000, 8, 1, 0x1234), 10, 10, d10);
        const W::Fmt ext{
            .tag = 0xFFFE, .channels = 2, .rate = 48000, .bits = 16, .chunkSize = 40, .cbSize = 22};
        // Extensible with the PCM sub-format: valid bits, channel mask, then the sub-format GUID.
        const QByteArray extFmt = W::le16(0xFFFE) + W::le16(2) + W::le32(48000) + W::le32(192000) +
                                  W::le16(4) + W::le16(16) + W::le16(22) + W::le16(16) +
                                  W::le32(3) + W::le16(1) + QByteArray(14, '\x10');
        const QString eExt = Describe({0xFFFE, 2, 48000, 192000, 4, 16, 22});
        ok("fmt of 40 bytes, PCM sub-format",
           W::riff("WAVE", W::chunk("fmt ", extFmt) + W::chunk("data", Bytes)), eExt, 10, 40,
           Bytes);
        ok("odd data size with its pad", W::riff("WAVE", fmt8 + W::chunk("data", d7) + list), e8, 7,
           7, d7);
        const QString shorter = "The file is shorter than its header says: %1 frames loaded.";
        ok("truncated data: only what the file holds",
           W::riff("WAVE", W::fmtChunk(m16) + W::rawChunk("data", 100, d20), 136), e16, 10, 20, d20,
           shorter.arg(10));
        ok("truncated 8-bit data mid-frame: whole frames",
           W::riff("WAVE", W::fmtChunk({.channels = 2}) + W::rawChunk("data", 1000, d7)),
           Expect(2, 8000, 8, 2), 3, 6, d7.left(6), shorter.arg(3));
        // Whole frames, nearest with halves to even; the part frame is padded with zeros.
        ok("1.5 frames -> 2", W::pcm(s16, Bytes.left(6)), es16, 2, 6, Bytes.left(6));
        ok("2.5 frames -> 2", W::pcm(s16, d10), es16, 2, 10, d10);
        const QByteArray huge = W::rawChunk("data", 0xFFFFFFFF, "12345678");
        ok("4 GiB declared in a tiny file (a pipe's header)",
           W::riff("WAVE", W::fmtChunk(s16) + huge, 0xFFFFFFFF), es16, 2, 8, "12345678",
           shorter.arg(2));
        ok("RIFF size 0: to the end of the file", W::riff("WAVE", fmt8 + data10, 0), e8, 10, 10,
           d10);

        const QString prev = Expect(1, 11025, 8, 1);
        // A pipe without a writer would block the open for ever: refused at once.
        bad("named pipe", "@pipe", "box: Error opening input file, rc = 22", prev);
        bad("missing file", "@missing", "box: Error opening input file, rc = 2", prev);
        // Not RIFF, or RIFF of another form: tst_open_command's open rows "text file named .wav"
        // and "failed open after a good one" (the old format and samples kept).
        // "fmt " ends the file: the 18-byte read comes up short and keeps the old ExtraSize.
        bad("data before fmt", W::riff("WAVE", data10 + W::fmtChunk(m16)),
            "box: Couldn't get data chunk", e16);
        bad("BlockAlign 0", W::pcm({.blockAlign = 0}, d10),
            "box: Invalid format: BlockAlign is 0 bytes per sample frame. File not open.",
            Expect(1, 8000, 8, 0));
        bad("24-bit", W::pcm({.rate = 48000, .bits = 24}, Bytes.left(30)),
            "box: Unsupported format: 24 bits per sample. Only 8 and 16 bits per sample can be "
            "loaded. File not open.",
            Expect(1, 48000, 24, 3));
        bad("fmt of 4 bytes", W::riff("WAVE", W::chunk("fmt ", "\x01\x00\x01\x00") + data10),
            "box: Couldn't get format chunk", prev);
        const QString tag = "box: Unsupported format: format tag %1 (%2). Only PCM sound can be "
                            "loaded. File not open.";
        bad("mu-law", W::pcm({.tag = 7}, d10), tag.arg(7).arg(QString::fromUtf8("\u00B5-law")),
            Expect(1, 8000, 8, 1).replace("tag 1", "tag 7"));
        bad("extensible, not PCM", W::pcm(ext, Bytes), tag.arg(65534).arg("extensible, not PCM"),
            eExt);
    }

    void readErrors_data()
    {
        QTest::addColumn<qint64>("failAt");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("samplesKept");
        // Layout: RIFF header 12, "fmt " header 8, format 16, "data" header 8, data from 44.
        QTest::newRow("format read fails") << qint64(20) << "Error reading format" << true;
        // Not a success with zeros: the load fails and the partly read buffer is released.
        QTest::newRow("data read fails") << qint64(44) << "Error reading data" << false;
    }

    void readErrors()
    {
        QFETCH(qint64, failAt);
        QFETCH(QString, text);
        QFETCH(bool, samplesKept);
        LoadedWave wave;
        QVERIFY(LoadWaveFile(wave, Write(W::pcm({.rate = 11025}, Previous))).text.isEmpty());
        FailingDevice device(W::pcm({.rate = 8000}, Bytes.left(10)), failAt);
        QVERIFY(device.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
        const LoadResult result = LoadWaveDevice(wave, device);
        QCOMPARE(int(result.show), int(LoadResult::Show::MessageBox));
        QCOMPARE(result.text, text);
        QVERIFY(!wave.FileOpen);
        QCOMPARE(wave.SampleData.isEmpty(), !samplesKept);
    }

    void load()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, told);
        QFETCH(QString, state);
        QFETCH(QByteArray, samples);
        LoadedWave wave;
        QVERIFY(LoadWaveFile(wave, Write(W::pcm({.rate = 11025}, Previous))).text.isEmpty());
        QString name = m_dir.filePath(file == "@pipe" ? "pipe.wav" : "no such file.wav");
        if (file == "@pipe")
            QCOMPARE(mkfifo(QFile::encodeName(name).constData(), 0600), 0);
        else if (file != "@missing")
            name = Write(file);
        const qint64 before = ResidentKiB();
        const LoadResult result = LoadWaveFile(wave, name);

        const char* how[] = {"", "box: ", "status: "};
        QCOMPARE(how[int(result.show)] + result.text +
                     (result.notice.isEmpty() ? QString() : "notice: " + result.notice),
                 told);
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

    void emptyNameReleasesSamples()
    {
        LoadedWave wave;
        QVERIFY(LoadWaveFile(wave, Write(W::pcm({}, Previous))).text.isEmpty() && wave.FileOpen);
        QCOMPARE(int(LoadWaveFile(wave, QString()).show), int(LoadResult::Show::Nothing));
        QVERIFY(!wave.FileOpen && wave.SampleData.isEmpty());
    }

    void accessors_data()
    {
        QTest::addColumn<W::Fmt>("fmt");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("first"); // the first frame read
        QTest::addColumn<QList<QPointF>>(
            "values"); // left and right of frames first, first + 1, ...
        const double t8 = 127.0 / 128, t16 = 32767.0 / 32768, u16 = -1.0 / 32768;
        const W::Fmt s16{.channels = 2, .bits = 16};
        QTest::newRow("8-bit mono 0x80 0x00 0xFF, then past the end")
            << W::Fmt{} << QByteArray("\x80\x00\xFF", 3) << 0
            << QList<QPointF>{{0, 0}, {-1, -1}, {t8, t8}, {0, 0}};
        QTest::newRow("16-bit mono 0x8000 0x7FFF 0xFFFF, then past the end")
            << W::Fmt{.bits = 16} << QByteArray("\x00\x80\xFF\x7F\xFF\xFF", 6) << 0
            << QList<QPointF>{{-1, -1}, {t16, t16}, {u16, u16}, {0, 0}};
        QTest::newRow("8-bit stereo") << W::Fmt{.channels = 2} << QByteArray("\x00\xFF", 2) << 0
                                      << QList<QPointF>{{-1, t8}, {0, 0}};
        // 6 bytes of 4-byte frames are 2 frames, the second padded with zeros.
        QTest::newRow("16-bit stereo, part frame")
            << s16 << QByteArray("\xFF\x7F\x00\x80\x00\x40", 6) << 0
            << QList<QPointF>{{t16, -1}, {0.5, 0}, {0, 0}};
        QTest::newRow("largest frame index") << s16 << Bytes << INT_MAX << QList<QPointF>{{0, 0}};
        // 16-bit samples in 1-byte frames: the last one would straddle the buffer's end.
        QTest::newRow("sample straddling the end")
            << W::Fmt{.channels = 2, .bits = 16, .blockAlign = 1} << QByteArray("\1\2\3") << 2
            << QList<QPointF>{{0, 0}};
    }

    void accessors()
    {
        QFETCH(W::Fmt, fmt);
        QFETCH(QByteArray, data);
        QFETCH(int, first);
        QFETCH(QList<QPointF>, values);
        LoadedWave wave;
        LoadWaveFile(wave, Write(W::pcm(fmt, data)));
        QVERIFY(wave.FileOpen);
        for (int i = 0; i < values.size(); ++i) {
            QCOMPARE(Read(wave, first + i), values[i]);
            QCOMPARE(wave.FirstChannel(first + i), values[i].x());
        }
    }

    // Every fuzzing input loads or is refused cleanly, and even the widest read of every frame lies
    // in [-1, 1).
    void corpus_data()
    {
        QTest::addColumn<QString>("path");
        const QDir dir(QStringLiteral(WAVE_CORPUS_DIR));
        const QStringList names = dir.entryList(QDir::Files, QDir::Name);
        QVERIFY2(names.size() >= 10, qPrintable(dir.path()));
        for (const QString& name : names)
            QTest::newRow(qPrintable(name)) << dir.filePath(name);
    }

    void corpus()
    {
        QFETCH(QString, path);
        LoadedWave w;
        const LoadResult result = LoadWaveFile(w, path);
        QCOMPARE(w.FileOpen, result.show == LoadResult::Show::Nothing && result.text.isEmpty());
        QVERIFY(!w.FileOpen || w.SampleData.size() >= qint64(w.SampleCount) * w.Format.BlockAlign);
        for (qint32 n = 0; w.FileOpen && n < qMin(w.SampleCount, 1 << 16); ++n) {
            double l = 0, r = 0;
            w.ReadSampleStereo16(n, l, r);
            const double first = w.FirstChannel(n);
            QVERIFY(first >= -1.0 && first < 1.0 && l >= -1.0 && l < 1.0 && r >= -1.0 && r < 1.0);
        }
    }
};

QTEST_GUILESS_MAIN(TestWaveReader)
#include "tst_wave_reader.moc"
