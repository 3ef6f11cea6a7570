// Loads hand-built WAV files (valid and malformed) and checks what the user is told and what
// state the loaded wave is left in, plus the sample accessors at their edges.
#include "LoadedWave.h"
#include "RateCheck.h"
#include "WavBuilder.h"
#include "WaveFileReader.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <sys/stat.h>

using Show = LoadResult::Show;
using Fmt = WavBuilder::Fmt;

namespace {

enum class Target
{
    File,
    Missing,
    Directory,
    Pipe
};

struct Row
{
    QByteArray file;
    Target target = Target::File;
    Show show = Show::Nothing;
    QString text;
    bool open = false;
    WaveFormat format; // expected Format afterwards
    qint64 count = 0;  // expected SampleCount when open
    quint32 dataSize = 0;
    QByteArray samples; // leading bytes of SampleData when open
};

QByteArray ramp(int n, int start = 1)
{
    QByteArray out;
    for (int i = 0; i < n; ++i)
        out.append(char((start + 7 * i) & 0xFF));
    return out;
}

quint16 two(const char* s)
{
    return quint16(uchar(s[0]) | (uchar(s[1]) << 8));
}

// Nearest whole frame, halves to even, worked out in floating point.
qint64 rounded(double bytes, double blockAlign)
{
    return qint64(std::nearbyint(bytes / blockAlign));
}

WaveFormat expectFmt(quint16 channels, quint32 rate, quint16 bits, quint16 align, quint16 extra,
                     quint16 tag = 1)
{
    WaveFormat f;
    f.FormatTag = tag;
    f.Channels = channels;
    f.SampleRate = rate;
    f.ByteRate = rate * align;
    f.BlockAlign = align;
    f.BitsPerSample = bits;
    f.ExtraSize = extra;
    return f;
}

// Loaded before every row, so that failures can be checked for what they keep.
const Fmt previousFmt{.channels = 1, .rate = 11025, .bits = 8};
const QByteArray previousData = ramp(6, 0x10);

WaveFormat previousFormat()
{
    return expectFmt(1, 11025, 8, 1, two("da"));
}

Row opened(const QByteArray& file, const WaveFormat& f, qint64 count, quint32 size,
           const QByteArray& samples)
{
    return {file, Target::File, Show::Nothing, {}, true, f, count, size, samples};
}

Row failed(const QByteArray& file, Show show, const QString& text, const WaveFormat& f)
{
    return {file, Target::File, show, text, false, f, 0, 0, {}};
}

void compareFormat(const WaveFormat& got, const WaveFormat& want)
{
    QCOMPARE(got.FormatTag, want.FormatTag);
    QCOMPARE(got.Channels, want.Channels);
    QCOMPARE(got.SampleRate, want.SampleRate);
    QCOMPARE(got.ByteRate, want.ByteRate);
    QCOMPARE(got.BlockAlign, want.BlockAlign);
    QCOMPARE(got.BitsPerSample, want.BitsPerSample);
    QCOMPARE(got.ExtraSize, want.ExtraSize);
}

QByteArray head(const SampleBuffer& b, qint64 n)
{
    return QByteArray(reinterpret_cast<const char*>(b.data()), int(qMin(n, b.size())));
}

// A device that fails every read from `failAt` on, for I/O errors a disk rarely produces.
class FailingDevice : public QIODevice
{
public:
    FailingDevice(const QByteArray& bytes, qint64 failAt) : m_bytes(bytes), m_failAt(failAt) {}
    bool isSequential() const override { return false; }
    qint64 size() const override { return m_bytes.size(); }

protected:
    qint64 readData(char* data, qint64 max) override
    {
        if (pos() >= m_failAt)
            return -1;
        const qint64 n = qMin(max, qMin<qint64>(m_failAt, m_bytes.size()) - pos());
        memcpy(data, m_bytes.constData() + pos(), size_t(n));
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_failAt;
};

} // namespace

Q_DECLARE_METATYPE(Row)

class TestWaveReader : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;

    QString write(const QByteArray& bytes)
    {
        QFile f(m_dir.filePath(QStringLiteral("w%1.wav").arg(++m_files)));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write test file");
        return f.fileName();
    }

private slots:
    void loadFile_data();
    void loadFile();
    void accessors_data();
    void accessors();
    void stereoFrameLayout();
    void accessorsStayInsideBuffer_data();
    void accessorsStayInsideBuffer();
    void reloadSemantics();
    void deviceReadErrors_data();
    void deviceReadErrors();
    void deviceMatchesFile();
    void rates_data();
    void rates();
    void rateMessageText_data();
    void rateMessageText();
};

void TestWaveReader::loadFile_data()
{
    QTest::addColumn<Row>("row");
    const auto add = [](const char* name, const Row& r) { QTest::newRow(name) << r; };
    const QByteArray d10 = ramp(10), d20 = ramp(20), d40 = ramp(40);
    const Fmt m8k{.channels = 1, .rate = 8000, .bits = 8};
    const Fmt m44{.channels = 1, .rate = 44100, .bits = 16};
    const Fmt s48{.channels = 2, .rate = 48000, .bits = 8};
    const Fmt s22{.channels = 2, .rate = 22050, .bits = 16};
    const QByteArray list = WavBuilder::chunk("LIST", "INFOx"); // odd size, padded

    add("8-bit mono 8000",
        opened(WavBuilder::pcm(m8k, d10), expectFmt(1, 8000, 8, 1, two("da")), 10, 10, d10));
    add("16-bit mono 44100",
        opened(WavBuilder::pcm(m44, d20), expectFmt(1, 44100, 16, 2, two("da")), 10, 20, d20));
    add("8-bit stereo 48000",
        opened(WavBuilder::pcm(s48, d20), expectFmt(2, 48000, 8, 2, two("da")), 10, 20, d20));
    add("16-bit stereo 22050",
        opened(WavBuilder::pcm(s22, d40), expectFmt(2, 22050, 16, 4, two("da")), 10, 40, d40));
    add("odd chunk before fmt", opened(WavBuilder::riff("WAVE", list + WavBuilder::fmtChunk(m8k) +
                                                                    WavBuilder::chunk("data", d10)),
                                       expectFmt(1, 8000, 8, 1, two("da")), 10, 10, d10));
    add("chunks between fmt and data and after data",
        opened(WavBuilder::riff("WAVE", WavBuilder::fmtChunk(m8k) + list +
                                            WavBuilder::chunk("fact", "\4\0\0\0") +
                                            WavBuilder::chunk("data", d10) + list),
               expectFmt(1, 8000, 8, 1, two("LI")), 10, 10, d10));
    add("fmt of 18 bytes carries cbSize",
        opened(WavBuilder::pcm({.rate = 8000, .chunkSize = 18, .cbSize = 0x1234}, d10),
               expectFmt(1, 8000, 8, 1, 0x1234), 10, 10, d10));
    add("fmt of 40 bytes (extensible)",
        opened(WavBuilder::pcm({.tag = 0xFFFE,
                                .channels = 2,
                                .rate = 48000,
                                .bits = 16,
                                .chunkSize = 40,
                                .cbSize = 22},
                               d40),
               expectFmt(2, 48000, 16, 4, 22, 0xFFFE), 10, 40, d40));
    add("odd fmt size 17 with pad byte",
        opened(WavBuilder::riff("WAVE", WavBuilder::fmtChunk({.rate = 8000, .chunkSize = 17}) +
                                            WavBuilder::chunk("data", d10)),
               expectFmt(1, 8000, 8, 1, two("\x00\x00")), 10, 10, d10));
    add("odd data size with pad, chunk after",
        opened(WavBuilder::riff("WAVE", WavBuilder::fmtChunk(m8k) +
                                            WavBuilder::chunk("data", ramp(7)) + list),
               expectFmt(1, 8000, 8, 1, two("da")), 7, 7, ramp(7)));
    add("junk chunk before the RIFF chunk",
        opened(WavBuilder::chunk("JUNK", "abc") + WavBuilder::pcm(m8k, d10),
               expectFmt(1, 8000, 8, 1, two("da")), 10, 10, d10));
    add("empty data chunk",
        opened(WavBuilder::pcm(m8k, {}), expectFmt(1, 8000, 8, 1, two("da")), 0, 0, {}));
    add("truncated data: zero tail",
        opened(WavBuilder::riff(
                   "WAVE", WavBuilder::fmtChunk(m44) + WavBuilder::rawChunk("data", 100, ramp(30)),
                   136),
               expectFmt(1, 44100, 16, 2, two("da")), 50, 100, ramp(30)));
    add("frames round up: 6 bytes / 4 -> 2",
        opened(WavBuilder::pcm(s22, ramp(6)), expectFmt(2, 22050, 16, 4, two("da")), rounded(6, 4),
               6, ramp(6)));
    add("frames round up: 7 bytes / 4 -> 2",
        opened(WavBuilder::pcm(s22, ramp(7)), expectFmt(2, 22050, 16, 4, two("da")), rounded(7, 4),
               7, ramp(7)));
    add("frames round half to even: 10 bytes / 4 -> 2",
        opened(WavBuilder::pcm(s22, ramp(10)), expectFmt(2, 22050, 16, 4, two("da")),
               rounded(10, 4), 10, ramp(10)));
    add("frames round down: 5 bytes / 4 -> 1",
        opened(WavBuilder::pcm(s22, ramp(5)), expectFmt(2, 22050, 16, 4, two("da")), rounded(5, 4),
               5, ramp(5)));
    add("huge declared size in a tiny file",
        opened(WavBuilder::riff("WAVE",
                                WavBuilder::fmtChunk(s22) +
                                    WavBuilder::rawChunk("data", 0xFFFFFFFFu, ramp(8)),
                                0xFFFFFFFFu),
               expectFmt(2, 22050, 16, 4, two("da")), rounded(4294967295.0, 4), 0xFFFFFFFFu,
               ramp(8)));
    add("largest 16-bit mono that fits 32-bit frames",
        opened(WavBuilder::riff("WAVE",
                                WavBuilder::fmtChunk(m44) +
                                    WavBuilder::rawChunk("data", 0xFFFFFFFEu, ramp(4)),
                                0xFFFFFFFFu),
               expectFmt(1, 44100, 16, 2, two("da")), 2147483647, 0xFFFFFFFEu, ramp(4)));

    const WaveFormat prev = previousFormat();
    add("missing file", {{},
                         Target::Missing,
                         Show::MessageBox,
                         "Error opening input file, rc = 2",
                         false,
                         prev,
                         0,
                         0,
                         {}});
    add("directory", {{},
                      Target::Directory,
                      Show::MessageBox,
                      "Error opening input file, rc = 21",
                      false,
                      prev,
                      0,
                      0,
                      {}});
    // A named pipe with no writer would block a reading open forever; it is refused at once.
    add("named pipe", {{},
                       Target::Pipe,
                       Show::MessageBox,
                       "Error opening input file, rc = 22",
                       false,
                       prev,
                       0,
                       0,
                       {}});
    const QString notWav = "Not a WAV file. File not open.";
    add("empty file", failed({}, Show::StatusText, notWav, prev));
    add("text file named .wav",
        failed("Just some notes, not a sound.\n", Show::StatusText, notWav, prev));
    add("RIFF of form AVI",
        failed(WavBuilder::riff("AVI ", WavBuilder::fmtChunk(m8k) + WavBuilder::chunk("data", d10)),
               Show::StatusText, notWav, prev));
    add("no fmt chunk", failed(WavBuilder::riff("WAVE", WavBuilder::chunk("data", d10)),
                               Show::MessageBox, "Couldn't get format chunk", prev));
    add("odd chunk before fmt without its pad byte",
        failed(WavBuilder::riff("WAVE", WavBuilder::rawChunk("LIST", 5, "INFOx") +
                                            WavBuilder::fmtChunk(m8k) +
                                            WavBuilder::chunk("data", d10)),
               Show::MessageBox, "Couldn't get format chunk", prev));
    // The format chunk ends the file: the 18-byte read is short, so ExtraSize keeps its old value.
    add("data before fmt",
        failed(WavBuilder::riff("WAVE", WavBuilder::chunk("data", d10) + WavBuilder::fmtChunk(m44)),
               Show::MessageBox, "Couldn't get data chunk",
               expectFmt(1, 44100, 16, 2, prev.ExtraSize)));
    add("data outside the declared RIFF size",
        failed(WavBuilder::riff("WAVE", WavBuilder::fmtChunk(m44) + WavBuilder::chunk("data", d20),
                                28),
               Show::MessageBox, "Couldn't get data chunk", expectFmt(1, 44100, 16, 2, two("da"))));
    add("BlockAlign 0",
        failed(WavBuilder::pcm({.rate = 8000, .blockAlign = 0}, d10), Show::MessageBox,
               "Invalid format: BlockAlign is 0 bytes per sample frame. File not open.",
               expectFmt(1, 8000, 8, 0, two("da"))));
    add("24-bit",
        failed(WavBuilder::pcm({.channels = 1, .rate = 48000, .bits = 24}, ramp(30)),
               Show::MessageBox,
               "Unsupported format: 24 bits per sample. Only 8 and 16 bits per sample can be "
               "loaded. File not open.",
               expectFmt(1, 48000, 24, 3, two("da"))));
    add("8-bit frames beyond 32-bit range",
        failed(WavBuilder::riff("WAVE", WavBuilder::fmtChunk(m8k) +
                                            WavBuilder::rawChunk("data", 0xFFFFFFFFu, ramp(8))),
               Show::MessageBox,
               "Data chunk too large: 4294967295 sample frames; at most 2147483647 can be "
               "loaded. File not open.",
               expectFmt(1, 8000, 8, 1, two("da"))));
    add("16-bit frames rounding past 32-bit range",
        failed(WavBuilder::riff("WAVE", WavBuilder::fmtChunk(m44) +
                                            WavBuilder::rawChunk("data", 0xFFFFFFFFu, ramp(8))),
               Show::MessageBox,
               "Data chunk too large: 2147483648 sample frames; at most 2147483647 can be "
               "loaded. File not open.",
               expectFmt(1, 44100, 16, 2, two("da"))));
}

void TestWaveReader::loadFile()
{
    QFETCH(Row, row);
    LoadedWave wave;
    QCOMPARE(LoadWaveFile(wave, write(WavBuilder::pcm(previousFmt, previousData))).show,
             Show::Nothing);
    QVERIFY(wave.FileOpen);

    QString name = m_dir.filePath("absent.wav");
    if (row.target == Target::File)
        name = write(row.file);
    else if (row.target == Target::Directory)
        name = m_dir.path();
    else if (row.target == Target::Pipe)
        QCOMPARE(mkfifo(QFile::encodeName(name = m_dir.filePath("pipe.wav")).constData(), 0600), 0);
    const LoadResult result = LoadWaveFile(wave, name);

    QCOMPARE(result.show, row.show);
    QCOMPARE(result.text, row.text);
    QCOMPARE(wave.FileOpen, row.open);
    compareFormat(wave.Format, row.format);
    if (!row.open) {
        // The previous file's samples stay; nobody may use them while FileOpen is false.
        QCOMPARE(wave.SampleCount, 6);
        QCOMPARE(head(wave.SampleData, 1 << 20), previousData);
        return;
    }
    QCOMPARE(qint64(wave.SampleCount), row.count);
    QCOMPARE(wave.DataSize, row.dataSize);
    const SampleBuffer& buf = wave.SampleData;
    QVERIFY(buf.size() >= qint64(row.dataSize));
    QVERIFY(buf.size() >= row.count * row.format.BlockAlign);
    QCOMPARE(head(buf, row.samples.size()), row.samples);
    for (qint64 i = row.samples.size(); i < qMin<qint64>(buf.size(), row.samples.size() + 64); ++i)
        QCOMPARE(buf.data()[i], uchar(0));
    if (buf.size() > row.samples.size())
        QCOMPARE(buf.data()[buf.size() - 1], uchar(0));
}

void TestWaveReader::accessors_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("channels");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<double>("left");
    QTest::addColumn<double>("right");
    QTest::newRow("8-bit 0x80") << 8 << 1 << QByteArray("\x80") << 0.0 << 0.0;
    QTest::newRow("8-bit 0x00") << 8 << 1 << QByteArray(1, '\0') << -1.0 << 0.0;
    QTest::newRow("8-bit 0xFF") << 8 << 1 << QByteArray("\xFF") << 0.9921875 << 0.0;
    QTest::newRow("8-bit 0x81") << 8 << 1 << QByteArray("\x81") << 1.0 / 128 << 0.0;
    QTest::newRow("16-bit 0x8000") << 16 << 1 << QByteArray("\x00\x80", 2) << -1.0 << 0.0;
    QTest::newRow("16-bit 0x7FFF") << 16 << 1 << QByteArray("\xFF\x7F") << 0.999969482421875 << 0.0;
    QTest::newRow("16-bit 0xFFFF") << 16 << 1 << QByteArray("\xFF\xFF") << -1.0 / 32768 << 0.0;
    QTest::newRow("16-bit 0x0100") << 16 << 1 << QByteArray("\x00\x01", 2) << 256.0 / 32768 << 0.0;
    QTest::newRow("8-bit stereo") << 8 << 2 << QByteArray("\x00\xFF", 2) << -1.0 << 0.9921875;
    QTest::newRow("16-bit stereo")
        << 16 << 2 << QByteArray("\xFF\x7F\x00\x80", 4) << 0.999969482421875 << -1.0;
}

void TestWaveReader::accessors()
{
    QFETCH(int, bits);
    QFETCH(int, channels);
    QFETCH(QByteArray, frame);
    QFETCH(double, left);
    QFETCH(double, right);
    // Frame 2 of three identical frames, so the stride matters.
    const Fmt f{.channels = quint16(channels), .rate = 8000, .bits = quint16(bits)};
    LoadedWave wave;
    LoadWaveFile(wave, write(WavBuilder::pcm(f, frame + frame + frame)));
    QVERIFY(wave.FileOpen);
    QCOMPARE(wave.SampleCount, 3);
    double l = 7.0, r = 7.0;
    if (channels == 2) {
        bits == 16 ? wave.ReadSampleStereo16(2, l, r) : wave.ReadSampleStereo8(2, l, r);
        QCOMPARE(r, right);
    } else {
        l = bits == 16 ? wave.ReadSampleMono16(2) : wave.ReadSampleMono8(2);
    }
    QCOMPARE(l, left);
    QCOMPARE(wave.FirstChannel(2), left);
}

void TestWaveReader::stereoFrameLayout()
{
    const QByteArray data = ramp(400, 3);
    LoadedWave wave;
    LoadWaveFile(wave, write(WavBuilder::pcm({.channels = 2, .rate = 8000, .bits = 16}, data)));
    QVERIFY(wave.FileOpen);
    QCOMPARE(wave.SampleCount, 100);
    QCOMPARE(wave.Format.BlockAlign, quint16(4));
    double left = 0, right = 0;
    wave.ReadSampleStereo16(99, left, right);
    const auto s16 = [&](int at) {
        return qint16(uchar(data[at]) | (uchar(data[at + 1]) << 8)) / 32768.0;
    };
    QCOMPARE(left, s16(396));
    QCOMPARE(right, s16(398));
    QCOMPARE(wave.FirstChannel(99), s16(396));
}

void TestWaveReader::accessorsStayInsideBuffer_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("frame");
    QTest::addColumn<double>("left");
    QTest::addColumn<double>("right");
    const Fmt s16{.channels = 2, .rate = 8000, .bits = 16};
    const QByteArray six("\x00\x40\x00\xC0\x00\x20", 6);
    // 6 bytes of 4-byte frames count as 2 frames; the second is padded with zeros.
    QTest::newRow("rounded-up frame, present half")
        << WavBuilder::pcm(s16, six) << 1 << 0.25 << 0.0;
    QTest::newRow("negative frame") << WavBuilder::pcm(s16, six) << -1 << 0.0 << 0.0;
    QTest::newRow("frame past the end") << WavBuilder::pcm(s16, six) << 2 << 0.0 << 0.0;
    QTest::newRow("largest frame index") << WavBuilder::pcm(s16, six) << INT_MAX << 0.0 << 0.0;
    // 16-bit samples in 1-byte frames: the last sample would straddle the buffer's end.
    QTest::newRow("sample straddling the end")
        << WavBuilder::pcm({.channels = 2, .rate = 8000, .bits = 16, .blockAlign = 1}, "\1\2\3")
        << 2 << 0.0 << 0.0;
    QTest::newRow("sample just inside the end")
        << WavBuilder::pcm({.channels = 2, .rate = 8000, .bits = 16, .blockAlign = 1},
                           QByteArray("\1\0\0\x80", 4))
        << 0 << 1.0 / 32768 << -1.0;
}

void TestWaveReader::accessorsStayInsideBuffer()
{
    QFETCH(QByteArray, file);
    QFETCH(int, frame);
    QFETCH(double, left);
    QFETCH(double, right);
    LoadedWave wave;
    LoadWaveFile(wave, write(file));
    QVERIFY(wave.FileOpen);
    double l = 7, r = 7;
    wave.ReadSampleStereo16(frame, l, r);
    QCOMPARE(l, left);
    QCOMPARE(r, right);
    QCOMPARE(wave.ReadSampleMono16(frame), left);
}

void TestWaveReader::reloadSemantics()
{
    LoadedWave wave;
    const QByteArray first = ramp(16, 1), second = ramp(24, 9);
    LoadWaveFile(wave, write(WavBuilder::pcm({.rate = 8000}, first)));
    QVERIFY(wave.FileOpen);
    const LoadResult r2 =
        LoadWaveFile(wave, write(WavBuilder::pcm({.channels = 2, .rate = 48000}, second)));
    QCOMPARE(r2.show, Show::Nothing);
    QVERIFY(wave.FileOpen);
    QCOMPARE(wave.SampleCount, 12);
    QCOMPARE(head(wave.SampleData, 1 << 20), second);

    const LoadResult bad = LoadWaveFile(wave, write("RIFF\4\0\0\0AVI "));
    QCOMPARE(bad.show, Show::StatusText);
    QVERIFY(!wave.FileOpen);
    QCOMPARE(head(wave.SampleData, 1 << 20), second);

    const LoadResult empty = LoadWaveFile(wave, QString());
    QCOMPARE(empty.show, Show::Nothing);
    QVERIFY(empty.text.isEmpty());
    QVERIFY(!wave.FileOpen);
    QCOMPARE(wave.SampleData.size(), 0);
    QVERIFY(wave.SampleData.data() == nullptr);
    QCOMPARE(wave.ReadSampleMono8(0), 0.0);
}

void TestWaveReader::deviceReadErrors_data()
{
    QTest::addColumn<qint64>("failAt");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("samplesKept");
    // Layout: RIFF header 12, "fmt " header 8, format 16, "data" header 8, data from 44.
    QTest::newRow("format read fails") << qint64(20) << "Error reading format" << true;
    QTest::newRow("data read fails") << qint64(44) << "Error reading data" << false;
}

void TestWaveReader::deviceReadErrors()
{
    QFETCH(qint64, failAt);
    QFETCH(QString, text);
    QFETCH(bool, samplesKept);
    LoadedWave wave;
    LoadWaveFile(wave, write(WavBuilder::pcm(previousFmt, previousData)));
    FailingDevice device(WavBuilder::pcm({.rate = 8000}, ramp(10)), failAt);
    QVERIFY(device.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
    const LoadResult result = LoadWaveDevice(wave, device);
    QCOMPARE(result.show, Show::MessageBox);
    QCOMPARE(result.text, text);
    QVERIFY(!wave.FileOpen);
    QCOMPARE(head(wave.SampleData, 1 << 20), samplesKept ? previousData : QByteArray());
}

void TestWaveReader::deviceMatchesFile()
{
    const QByteArray bytes = WavBuilder::pcm({.channels = 2, .rate = 44100, .bits = 16}, ramp(64));
    LoadedWave fromFile, fromMemory;
    LoadWaveFile(fromFile, write(bytes));
    QBuffer buffer;
    buffer.setData(bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    LoadWaveDevice(fromMemory, buffer);
    QVERIFY(fromFile.FileOpen && fromMemory.FileOpen);
    QCOMPARE(fromMemory.SampleCount, fromFile.SampleCount);
    QCOMPARE(head(fromMemory.SampleData, 1 << 20), head(fromFile.SampleData, 1 << 20));
}

void TestWaveReader::rates_data()
{
    QTest::addColumn<quint32>("rate");
    QTest::addColumn<bool>("supported");
    for (quint32 r : {8000u, 44100u, 48000u})
        QTest::addRow("%u", r) << r << true;
    for (quint32 r : {0u, 7999u, 8001u, 11025u, 22050u, 44000u, 96000u, 0xFFFFFFFFu})
        QTest::addRow("%u", r) << r << false;
}

void TestWaveReader::rates()
{
    QFETCH(quint32, rate);
    QFETCH(bool, supported);
    QCOMPARE(isRateSupported(rate), supported);
}

void TestWaveReader::rateMessageText_data()
{
    QTest::addColumn<quint32>("rate");
    QTest::addColumn<QString>("text");
    QTest::newRow("22050") << 22050u
                           << "Orvanta stores files using 8000 and 48000 Samples/Second.\r\n"
                              " The data rate of 22050 Samples/Sec is incompatible.\r\n"
                              " Acceptable data rates are: 8k (voicing), 44.1k and 48k (audio).";
    QTest::newRow("0") << 0u
                       << "Orvanta stores files using 8000 and 48000 Samples/Second.\r\n"
                          " The data rate of 0 Samples/Sec is incompatible.\r\n"
                          " Acceptable data rates are: 8k (voicing), 44.1k and 48k (audio).";
}

void TestWaveReader::rateMessageText()
{
    QFETCH(quint32, rate);
    QFETCH(QString, text);
    QCOMPARE(rateMessage(rate), text);
}

QTEST_GUILESS_MAIN(TestWaveReader)
#include "tst_wave_reader.moc"
