// The download without a port: the unit's byte formats (every source value at every level against
// an independent computation), the slice as the unit will play it, decoded here from those bytes,
// the name of the copy file, and the download's times, from explicit milliseconds.
#include "tests/unit/ExpectedBytes.h"
#include "unit/CopyFile.h"
#include "unit/DownloadClock.h"
#include "unit/DownloadEncoder.h"
#include "unit/UnitPreview.h"
#include "wave/LoadedWave.h"

#include <QTest>
#include <QtEndian>

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(WaveDestination)

namespace {

QByteArray Encode(double x, int bits, int dest, int level)
{
    QByteArray out;
    DownloadEncoder::EncodeSample(out, x, bits, WaveDestination(dest), level);
    return out;
}

struct PreviewRow
{
    WaveDestination dest;
    int bits, level;
    qint32 frames; // of the slice, which starts at frame 7
    quint32 rate;  // the unit plays it at; 0: no preview
};

} // namespace

Q_DECLARE_METATYPE(PreviewRow)

class TestUnitEncoder : public QObject
{
    Q_OBJECT

private slots:
    // The published edge values, in hex: the Station ID and Channel ID byte and the Pink File
    // bytes (none where the format publishes no Pink File value). They anchor the independent
    // computation the table below compares every value with. 8-bit 192 is 63.5, to 64.
    void edgeValues()
    {
        const QList<std::tuple<int, int, QByteArray, QByteArray>> rows{
            {16, -32768, "00", "0100"}, {16, -1, "7F", "FF7F"},    {16, 0, "80", "0080"},
            {16, 255, "80", {}},        {16, 256, "81", {}},       {16, 32512, "FE", {}},
            {16, 32513, "FE", {}},      {16, 32767, "FE", "FEFF"}, {8, 0, "01", "0100"},
            {8, 128, "80", "0080"},     {8, 192, "C0", {}},        {8, 255, "FE", "FFFE"}};
        for (const auto& [bits, raw, id, pink] : rows) {
            const double x = SourceValue(bits, raw);
            for (int dest : {DestStationID, DestChannelID, DestPinkFile}) {
                const QByteArray want = QByteArray::fromHex(dest == DestPinkFile ? pink : id);
                QVERIFY2(want.isEmpty() || (Encode(x, bits, dest, 100) == want &&
                                            ExpectedSample(x, bits, dest, 100) == want),
                         qPrintable(QStringLiteral("%1-bit %2").arg(bits).arg(raw)));
            }
        }
    }

    // Three 0xFF in a row end the unit's write and samples may follow each other in any order, so
    // no ID byte may be 0xFF (16-bit 32513 is capped at 0xFE) and no Pink sample 0xFF 0xFF. That
    // bound and the other end of each range hold for every 16- and 8-bit value at every level;
    // the exact bytes, the published edge values among them, are checked at four levels.
    void everyValueAndLevel()
    {
        for (int bits : {16, 8})
            for (int level = 1; level <= 100; ++level)
                for (int raw = bits == 16 ? -32768 : 0; raw <= (bits == 16 ? 32767 : 255); ++raw)
                    for (int dest = DestStationID; dest <= DestPinkFile; ++dest) {
                        const double x = SourceValue(bits, raw);
                        const QByteArray out = Encode(x, bits, dest, level);
                        const bool pink = dest == DestPinkFile;
                        const int low = out.isEmpty() ? -1 : quint8(out[0]);
                        const int v = pink && out.size() == 2 ? low | quint8(out[1]) << 8 : low;
                        const bool inRange = out.size() == (pink ? 2 : 1) &&
                                             v >= (pink || bits == 8 ? 1 : 0) &&
                                             v <= (pink ? 0xFFFE : 0xFE);
                        if (!inRange || ((level == 1 || level == 37 || level >= 99) &&
                                         out != ExpectedSample(x, bits, dest, level)))
                            QFAIL(qPrintable(QString::asprintf(
                                "%d-bit %d, level %d, destination %d", bits, raw, level, dest)));
                    }
    }

    // Ties go to the even neighbour, both signs; the ends of the range are held,
    // NaN is 0.
    void roundHalfEven()
    {
        const qint32 max = std::numeric_limits<qint32>::max();
        const QList<QPair<double, qint32>> rows{{0.5, 0},          {1.5, 2},         {2.5, 2},
                                                {-0.5, 0},         {-1.5, -2},       {-2.5, -2},
                                                {2.4999, 2},       {-3.5001, -4},    {1e12, max},
                                                {-1e12, -max - 1}, {std::nan(""), 0}};
        for (const auto& [y, rounded] : rows)
            QVERIFY2(DownloadEncoder::RoundHalfEven(y) == rounded, qPrintable(QString::number(y)));
    }

    // Beside the wave file, in its own folder, and never over the opened file
    // itself.
    void copyFileName()
    {
        const QList<QPair<QString, QString>> rows{
            {"/data/PINK.WAV", "/data/PINK.bin"},   {"/data/x.wave", "/data/x.wave.bin"},
            {"/data/bad/a.w", "/data/bad/a.w.bin"}, {"/data/.wav", "/data/.wav.bin"},
            {"/x/sound.bin", "/x/sound.bin.bin"},   {"/data/", QString()}};
        for (const auto& [wav, copy] : rows)
            QCOMPARE(CopyFile::CopyFileName(wav), copy);
    }

    void preview_data()
    {
        QTest::addColumn<PreviewRow>("p");
        const auto row = [](const char* name, PreviewRow p) { QTest::newRow(name) << p; };
        row("Station ID, 8-bit, level 37", {DestStationID, 8, 37, 3000, 8000});
        row("Channel ID, 16-bit, level 1, cut", {DestChannelID, 16, 1, 131100, 8000});
        row("Pink File, 16-bit, level 63, cut", {DestPinkFile, 16, 63, 140000, 48000});
        row("no destination", {DestNone, 16, 100, 300, 0});
        row("empty slice", {DestPinkFile, 16, 100, 0, 0});
    }
    void preview()
    {
        QFETCH(PreviewRow, p);
        const auto [dest, bits, level, frames, rate] = p;
        // A 44100/s source: 16-bit stereo whose left channel sweeps the range while the right
        // one, never to be heard, mirrors it; or 8-bit mono.
        LoadedWave source;
        const qint32 length = frames + 20;
        if (bits == 16) {
            std::vector<qint16> s(size_t(2 * length));
            for (size_t i = 0; i < s.size(); ++i)
                s[i] = qint16(i % 2 ? -1 - s[i - 1] : int(i * 7919 % 65536) - 32768);
            QVERIFY(source.Store16(s, 2, 44100));
        } else {
            source.Format = {1, 1, 44100, 44100, 1, 8, 0};
            QVERIFY(source.SampleData.allocate(length));
            for (qint32 i = 0; i < length; ++i)
                source.SampleData.data()[i] = uchar(i * 37);
            source.FileOpen = true;
            source.SampleCount = length;
        }
        source.SliceStart = 7;
        source.SliceEnd = 7 + frames;
        // The unit takes at most 131072 samples.
        const qint32 played = rate ? std::min(frames, 131072) : 0;
        const std::vector<double> values = source.FirstChannelValues(7, frames);
        LoadedWave out;
        QCOMPARE(UnitPreview::build(source, dest, level, out), played > 0);
        QCOMPARE(out.SampleCount, played);
        if (played == 0)
            return;
        QVERIFY(out.FileOpen && out.Format.Channels == 1 && out.Format.BitsPerSample == 16);
        QCOMPARE(out.Format.SampleRate, rate);
        // An ID byte b plays as (b - 128) / 128, a Pink File word, low byte first, as
        // (w - 32768) / 32768.
        for (qint32 i = 0; i < played; ++i) {
            const QByteArray b = ExpectedSample(values[size_t(i)], bits, dest, level);
            const int word = dest == DestPinkFile ? (quint8(b[0]) | quint8(b[1]) << 8) - 32768
                                                  : (quint8(b[0]) - 128) * 256;
            QCOMPARE(int(qFromLittleEndian<qint16>(out.SampleData.data() + 2 * i)), word);
        }
    }

    void texts_data()
    {
        QTest::addColumn<qint64>("total");
        QTest::addColumn<double>("rate");
        QTest::addColumn<QList<QPoint>>("updates"); // (bytes sent, ms after the start)
        QTest::addColumn<QString>("text");          // "Sent ...": the last update is the finish
        const auto row = [](const char* name, qint64 total, double rate,
                            const QList<QPoint>& updates, const char* text) {
            QTest::newRow(name) << total << rate << updates << QString::fromUtf8(text);
        };
        // An ID's whole stream: the command, 131072 bytes and the terminator.
        const qint64 id = 131082;
        row("middle", id, 960, {{40320, 42900}}, "0:42 gone, 1:35 left");
        row("last byte to go", id, 960, {{int(id) - 1, 136000}}, "2:16 gone, 0:01 left");
        row("not yet stalled", id, 960, {{9600, 10000}, {9600, 11999}}, "0:11 gone, 2:07 left");
        row("stalled just now", id, 960, {{9600, 10000}, {9600, 12000}},
            "0:12 gone, 2:07 left, nothing sent for 0:02");
        row("counts and times never go back", id, 960, {{9600, 10000}, {500, 9000}},
            "0:10 gone, 2:07 left");
        row("end on a slower line", id, 960, {{40000, 40000}, {int(id), 136970}},
            "Sent 131082 bytes in 2:17, 957 bytes/s");
        row("stopped", id, 960, {{5006, 5300}}, "Sent 5006 of 131082 bytes in 0:05, 945 bytes/s");
        row("nothing, no time", 0, 960, {{0, 0}}, "Sent 0 bytes in 0:00");
        row("past an hour, nothing sent yet", 4000000, 960, {{0, 3725000}},
            "1:02:05 gone, 1:09:27 left, nothing sent for 1:02:05");
        row("no rate counts as 1 byte/s", 90, 0, {{30, 0}}, "0:00 gone, 1:00 left");
    }
    void texts()
    {
        QFETCH(qint64, total);
        QFETCH(double, rate);
        QFETCH(QList<QPoint>, updates);
        QFETCH(QString, text);
        const qint64 start = 1'000'000; // any monotonic origin
        DownloadClock clock(total, rate, start);
        QString last;
        for (qsizetype i = 0; i < updates.size(); ++i) {
            const qint64 sent = updates[i].x(), at = start + updates[i].y();
            last = i + 1 == updates.size() && text.startsWith("Sent") ? clock.finish(sent, at)
                                                                      : clock.update(sent, at);
        }
        QCOMPARE(last, text);
    }
};

QTEST_GUILESS_MAIN(TestUnitEncoder)
#include "tst_unit_encoder.moc"
