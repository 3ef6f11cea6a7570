#include "DownloadEncoder.h"

#include <QTest>

#include <cfenv>
#include <cmath>
#include <limits>
#include <vector>

// Sample conversion into the unit's byte formats, checked against the published edge values and
// against a second, separately written computation.
namespace {

// What the wave accessors return for a raw sample.
double From16(int s)
{
    return s / 32768.0;
}
double From8(int u)
{
    return (u - 128) / 128.0;
}

// Reference conversion, written with the floating-point environment's own rounding and floor
// division instead of the library's helpers. ID bytes are capped at 0xFE.
QByteArray Reference(double x, int bits, WaveDestination dest, int level)
{
    const double g = level / 100.0;
    if (dest == DestPinkFile) {
        long n = std::lrint(x * 32767.0 * g);
        n = std::min(32767L, std::max(-32768L, n));
        const long w = n + 32768;
        QByteArray bytes;
        bytes.append(static_cast<char>(w % 256)).append(static_cast<char>(w / 256));
        return bytes;
    }
    long n = bits == 16 ? static_cast<long>(std::floor(std::nearbyint(x * 32767.0 * g) / 256.0))
                        : std::lrint(x * 127.0 * g);
    n = std::min(127L, std::max(-128L, n)) + 128;
    return QByteArray(1, static_cast<char>(std::min(n, 0xFEL)));
}

QByteArray Encode(double x, int bits, WaveDestination dest, int level)
{
    QByteArray out;
    DownloadEncoder::EncodeSample(out, x, bits, dest, level);
    return out;
}

} // namespace

class TestUnitEncoder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void edgeValues_data();
    void edgeValues();
    void levels_data();
    void levels();
    void rounding_data();
    void rounding();
    void noTerminatorInData();
    void outOfRange_data();
    void outOfRange();
    void loudStreams_data();
    void loudStreams();
    void frameRuns_data();
    void frameRuns();
    void stereoUsesFirstChannel();
    void noneEncodesNothing();
    void truncationQuestion_data();
    void truncationQuestion();
};

void TestUnitEncoder::initTestCase()
{
    QCOMPARE(std::fesetround(FE_TONEAREST), 0);
}

void TestUnitEncoder::edgeValues_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("raw");
    QTest::addColumn<QByteArray>("id");   // Station ID and Channel ID byte
    QTest::addColumn<QByteArray>("pink"); // empty where the row has no Pink File value
    auto hex = [](const char* h) { return QByteArray::fromHex(h); };
    QTest::newRow("16-bit -32768") << 16 << -32768 << hex("00") << hex("0100");
    QTest::newRow("16-bit -1") << 16 << -1 << hex("7F") << hex("FF7F");
    QTest::newRow("16-bit 0") << 16 << 0 << hex("80") << hex("0080");
    QTest::newRow("16-bit 255") << 16 << 255 << hex("80") << QByteArray();
    QTest::newRow("16-bit 256") << 16 << 256 << hex("81") << QByteArray();
    QTest::newRow("16-bit 32512") << 16 << 32512 << hex("FE") << QByteArray();
    // Would be 0xFF; capped at 0xFE so data can never end the unit's write.
    QTest::newRow("16-bit 32513 capped") << 16 << 32513 << hex("FE") << QByteArray();
    QTest::newRow("16-bit 32767 capped") << 16 << 32767 << hex("FE") << hex("FEFF");
    QTest::newRow("8-bit 0") << 8 << 0 << hex("01") << hex("0100");
    QTest::newRow("8-bit 128") << 8 << 128 << hex("80") << hex("0080");
    QTest::newRow("8-bit 192 (63.5 to 64)") << 8 << 192 << hex("C0") << QByteArray();
    QTest::newRow("8-bit 255") << 8 << 255 << hex("FE") << hex("FFFE");
}

void TestUnitEncoder::edgeValues()
{
    QFETCH(int, bits);
    QFETCH(int, raw);
    QFETCH(QByteArray, id);
    QFETCH(QByteArray, pink);
    const double x = bits == 16 ? From16(raw) : From8(raw);
    QCOMPARE(Encode(x, bits, DestStationID, 100), id);
    QCOMPARE(Encode(x, bits, DestChannelID, 100), id);
    if (!pink.isEmpty()) {
        QCOMPARE(Encode(x, bits, DestPinkFile, 100), pink);
    }
}

void TestUnitEncoder::levels_data()
{
    QTest::addColumn<int>("level");
    for (int level : {1, 2, 3, 37, 50, 99, 100}) {
        QTest::addRow("level %d", level) << level;
    }
}

void TestUnitEncoder::levels()
{
    QFETCH(int, level);
    for (WaveDestination dest : {DestStationID, DestChannelID, DestPinkFile}) {
        for (int s = -32768; s <= 32767; ++s) {
            const double x = From16(s);
            if (Encode(x, 16, dest, level) != Reference(x, 16, dest, level)) {
                QFAIL(qPrintable(QString("16-bit %1 to destination %2").arg(s).arg(dest)));
            }
        }
        for (int u = 0; u <= 255; ++u) {
            const double x = From8(u);
            if (Encode(x, 8, dest, level) != Reference(x, 8, dest, level)) {
                QFAIL(qPrintable(QString("8-bit %1 to destination %2").arg(u).arg(dest)));
            }
            // Other widths are converted by the 8-bit rules.
            QCOMPARE(Encode(x, 24, dest, level), Encode(x, 8, dest, level));
        }
    }
}

void TestUnitEncoder::rounding_data()
{
    QTest::addColumn<double>("y");
    QTest::addColumn<qint32>("expected");
    QTest::newRow("0.5") << 0.5 << 0;
    QTest::newRow("1.5") << 1.5 << 2;
    QTest::newRow("2.5") << 2.5 << 2;
    QTest::newRow("63.5") << 63.5 << 64;
    QTest::newRow("-0.5") << -0.5 << 0;
    QTest::newRow("-1.5") << -1.5 << -2;
    QTest::newRow("-2.5") << -2.5 << -2;
    QTest::newRow("2.4999") << 2.4999 << 2;
    QTest::newRow("-32766.6") << -32766.6 << -32767;
    QTest::newRow("nan") << std::nan("") << 0;
    QTest::newRow("+huge") << 1e300 << std::numeric_limits<qint32>::max();
    QTest::newRow("-inf") << -std::numeric_limits<double>::infinity()
                          << std::numeric_limits<qint32>::min();
}

void TestUnitEncoder::rounding()
{
    QFETCH(double, y);
    QFETCH(qint32, expected);
    QCOMPARE(DownloadEncoder::RoundHalfEven(y), expected);
}

// Three 0xFF in a row end the unit's write. Any order of samples can occur, so a run is possible
// exactly when one ID sample is 0xFF (three such samples follow each other) or one Pink sample is
// 0xFF 0xFF (its low byte after a high 0xFF, or its high byte before a low 0xFF). Checks every
// 16-bit and 8-bit source value at every level, and that each value stays in its range.
void TestUnitEncoder::noTerminatorInData()
{
    struct Source
    {
        int bits;
        int first;
        int last;
    };
    QByteArray out;
    for (const Source src : {Source{16, -32768, 32767}, Source{8, 0, 255}}) {
        for (int level = 1; level <= 100; ++level) {
            for (int raw = src.first; raw <= src.last; ++raw) {
                const double x = src.bits == 16 ? From16(raw) : From8(raw);
                const int idLowest = src.bits == 16 ? 0x00 : 0x01;
                for (WaveDestination dest : {DestStationID, DestChannelID}) {
                    out.resize(0); // keeps the allocation
                    DownloadEncoder::EncodeSample(out, x, src.bits, dest, level);
                    if (out.size() != 1 || quint8(out[0]) > 0xFE || quint8(out[0]) < idLowest) {
                        QFAIL(qPrintable(QString("ID %1-bit value %2 level %3")
                                             .arg(src.bits)
                                             .arg(raw)
                                             .arg(level)));
                    }
                }
                out.resize(0);
                DownloadEncoder::EncodeSample(out, x, src.bits, DestPinkFile, level);
                const int w = out.size() == 2 ? (quint8(out[0]) | quint8(out[1]) << 8) : -1;
                if (w < 1 || w > 0xFFFE) {
                    QFAIL(qPrintable(QString("Pink %1-bit value %2 level %3")
                                         .arg(src.bits)
                                         .arg(raw)
                                         .arg(level)));
                }
            }
        }
    }
}

void TestUnitEncoder::outOfRange_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("level");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("x 1.0") << 1.0 << 100;
    QTest::newRow("x 7.5") << 7.5 << 100;
    QTest::newRow("x -3") << -3.0 << 100;
    QTest::newRow("level 150") << 32767 / 32768.0 << 150;
    QTest::newRow("level -100") << -1.0 << -100;
    QTest::newRow("level 0") << 0.9 << 0;
    QTest::newRow("+inf") << inf << 100;
    QTest::newRow("-inf") << -inf << 100;
    QTest::newRow("nan") << std::nan("") << 100;
}

// Input beyond what the wave accessors and the level slider give still yields valid samples and
// never three 0xFF in a row.
void TestUnitEncoder::outOfRange()
{
    QFETCH(double, x);
    QFETCH(int, level);
    for (WaveDestination dest : {DestStationID, DestChannelID, DestPinkFile}) {
        for (int bits : {8, 16}) {
            const QByteArray one = Encode(x, bits, dest, level);
            QCOMPARE(one.size(), dest == DestPinkFile ? 2 : 1);
            const std::vector<double> run(3, x);
            QVERIFY(!DownloadEncoder::EncodeFrames(run, bits, dest, level)
                         .contains(QByteArray(3, '\xFF')));
        }
    }
}

void TestUnitEncoder::loudStreams_data()
{
    QTest::addColumn<int>("dest");
    QTest::addColumn<int>("level");
    QTest::newRow("station full") << int(DestStationID) << 100;
    QTest::newRow("channel full") << int(DestChannelID) << 100;
    QTest::newRow("pink full") << int(DestPinkFile) << 100;
    QTest::newRow("pink 99") << int(DestPinkFile) << 99;
}

// The loudest samples next to ones whose low byte is 0xFF, as a real stream.
void TestUnitEncoder::loudStreams()
{
    QFETCH(int, dest);
    QFETCH(int, level);
    std::vector<double> samples;
    for (int s = 32400; s <= 32767; ++s) {
        samples.insert(samples.end(), {From16(s), From16(s), From16(s), From16(-1), From16(255)});
    }
    const QByteArray data =
        DownloadEncoder::EncodeFrames(samples, 16, static_cast<WaveDestination>(dest), level);
    QVERIFY(!data.isEmpty());
    QVERIFY(!data.contains(QByteArray(3, '\xFF')));
}

void TestUnitEncoder::frameRuns_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("dest");
    QTest::addColumn<QList<int>>("raw");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("8-bit station")
        << 8 << int(DestStationID) << QList<int>{128, 255, 0} << QByteArray::fromHex("80FE01");
    QTest::newRow("16-bit pink") << 16 << int(DestPinkFile) << QList<int>{0, -1}
                                 << QByteArray::fromHex("0080FF7F");
    QTest::newRow("16-bit channel") << 16 << int(DestChannelID) << QList<int>{-32768, 256, 32767}
                                    << QByteArray::fromHex("0081FE");
    QTest::newRow("empty") << 16 << int(DestPinkFile) << QList<int>{} << QByteArray();
}

void TestUnitEncoder::frameRuns()
{
    QFETCH(int, bits);
    QFETCH(int, dest);
    QFETCH(QList<int>, raw);
    QFETCH(QByteArray, expected);
    std::vector<double> values;
    for (int r : raw) {
        values.push_back(bits == 16 ? From16(r) : From8(r));
    }
    const auto d = static_cast<WaveDestination>(dest);
    QCOMPARE(DownloadEncoder::EncodeFrames(values, bits, d, 100), expected);
    const auto at = [&values](qint32 i) { return values[size_t(i)]; };
    QCOMPARE(DownloadEncoder::EncodeFrames(qint32(values.size()), at, bits, d, 100), expected);
}

// A stereo 16-bit source with a silent left and a loud right channel: the frames are read at the
// frame stride from their first sample, so the download is silence.
void TestUnitEncoder::stereoUsesFirstChannel()
{
    const int frames = 300;
    const int blockAlign = 4;
    QByteArray raw(frames * blockAlign, '\0');
    for (int n = 0; n < frames; ++n) {
        raw[n * blockAlign + 2] = '\xFF'; // right = 0x7FFF
        raw[n * blockAlign + 3] = '\x7F';
    }
    const auto left = [&raw](qint32 n) {
        const qint16 s = qint16(quint8(raw[n * blockAlign]) | quint8(raw[n * blockAlign + 1]) << 8);
        return From16(s);
    };
    QCOMPARE(DownloadEncoder::EncodeFrames(frames, left, 16, DestStationID, 100),
             QByteArray(frames, '\x80'));
    QByteArray pinkSilence;
    for (int n = 0; n < frames; ++n) {
        pinkSilence.append(QByteArray::fromHex("0080"));
    }
    QCOMPARE(DownloadEncoder::EncodeFrames(frames, left, 16, DestPinkFile, 100), pinkSilence);
}

void TestUnitEncoder::noneEncodesNothing()
{
    QByteArray out("keep");
    DownloadEncoder::EncodeSample(out, 0.5, 16, DestNone, 100);
    QCOMPARE(out, QByteArray("keep"));
    const std::vector<double> values{0.1, -0.2};
    QCOMPARE(DownloadEncoder::EncodeFrames(values, 16, DestNone, 100), QByteArray());
}

void TestUnitEncoder::truncationQuestion_data()
{
    QTest::addColumn<int>("dest");
    QTest::addColumn<QString>("text");
    const QString id = "File is greater than 131072 8 or 16-bit samples.\r\n"
                       "File will be truncated to 131072 8-bit samples.";
    QTest::newRow("station") << int(DestStationID) << id;
    QTest::newRow("channel") << int(DestChannelID) << id;
    QTest::newRow("pink") << int(DestPinkFile)
                          << "File is greater than 131072 16-bit samples.\r\n"
                             "File will be truncated to 131072 16-bit samples.";
    QTest::newRow("none") << int(DestNone) << QString();
}

void TestUnitEncoder::truncationQuestion()
{
    QFETCH(int, dest);
    QFETCH(QString, text);
    QCOMPARE(DownloadEncoder::TruncationQuestion(static_cast<WaveDestination>(dest)), text);
}

QTEST_GUILESS_MAIN(TestUnitEncoder)
#include "tst_unit_encoder.moc"
