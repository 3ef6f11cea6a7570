// The slice as the unit plays it, against the encoder's own bytes decoded here.
#include "unit/DownloadEncoder.h"
#include "unit/UnitPreview.h"
#include "wave/LoadedWave.h"

#include <QTest>
#include <QtEndian>

Q_DECLARE_METATYPE(WaveDestination)

class TestUnitPreview : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void preview_data();
    void preview();
};

void TestUnitPreview::preview_data()
{
    QTest::addColumn<WaveDestination>("dest");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("level");
    QTest::addColumn<qint32>("frames"); // of the slice, which starts at frame 7
    QTest::addColumn<qint32>("played"); // what the unit takes of it; 0: no preview
    QTest::addColumn<quint32>("rate");
    const auto row = [](const char* name, WaveDestination dest, int bits, int level, qint32 frames,
                        qint32 played, quint32 rate) {
        QTest::newRow(name) << dest << bits << level << frames << played << rate;
    };
    row("Station ID, 16-bit, full level", DestStationID, 16, 100, 70000, 70000, 8000);
    row("Station ID, 8-bit, level 37", DestStationID, 8, 37, 3000, 3000, 8000);
    row("Channel ID, 16-bit, level 1, cut", DestChannelID, 16, 1, 131100, 131072, 8000);
    row("Pink File, 16-bit, full level", DestPinkFile, 16, 100, 70000, 70000, 48000);
    row("Pink File, 16-bit, level 63, cut", DestPinkFile, 16, 63, 140000, 131072, 48000);
    row("Pink File, 8-bit, level 50", DestPinkFile, 8, 50, 300, 300, 48000);
    row("no destination", DestNone, 16, 100, 300, 0, 0);
    row("empty slice", DestPinkFile, 16, 100, 0, 0, 0);
}

void TestUnitPreview::preview()
{
    QFETCH(WaveDestination, dest);
    QFETCH(int, bits);
    QFETCH(int, level);
    QFETCH(qint32, frames);
    QFETCH(qint32, played);
    QFETCH(quint32, rate);
    // A 44100/s source: 16-bit stereo whose left channel sweeps the range while the right one,
    // never to be heard, mirrors it; or 8-bit mono.
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
    const std::vector<double> values = source.FirstChannelValues(7, frames);
    const QByteArray data =
        DownloadEncoder::EncodeFrames(std::span(values).first(size_t(played)), bits, dest, level);
    const auto u = [&data](qsizetype i) { return int(quint8(data[i])); };

    LoadedWave out;
    QCOMPARE(UnitPreview::build(source, dest, level, out), played > 0);
    const std::vector<double> heard = UnitPreview::played(values, bits, dest, level);
    QCOMPARE(out.SampleCount, played);
    QCOMPARE(qint32(heard.size()), played);
    if (played == 0)
        return;
    QVERIFY(out.FileOpen && out.Format.Channels == 1 && out.Format.BitsPerSample == 16);
    QCOMPARE(out.Format.SampleRate, rate);
    QCOMPARE(out.SliceEnd - out.SliceStart, played);
    for (qint32 i = 0; i < played; ++i) {
        const int word =
            dest == DestPinkFile ? (u(2 * i) | u(2 * i + 1) << 8) - 32768 : (u(i) - 128) * 256;
        QCOMPARE(heard[size_t(i)], word / 32768.0);
        QCOMPARE(int(qFromLittleEndian<qint16>(out.SampleData.data() + 2 * i)), word);
    }
}

QTEST_APPLESS_MAIN(TestUnitPreview)
#include "tst_unit_preview.moc"
