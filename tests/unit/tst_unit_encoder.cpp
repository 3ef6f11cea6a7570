// The download stream without a port: the unit's byte formats (the published edge values, and
// every source value at every level against an independent computation) and the name of the
// copy file.
#include "tests/unit/ExpectedBytes.h"
#include "unit/CopyFile.h"
#include "unit/DownloadEncoder.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace {

QByteArray Encode(double x, int bits, int dest, int level)
{
    QByteArray out;
    DownloadEncoder::EncodeSample(out, x, bits, WaveDestination(dest), level);
    return out;
}

} // namespace

class TestUnitEncoder : public QObject
{
    Q_OBJECT

private slots:
    void edgeValues_data()
    {
        // Bits and raw source sample; the Station ID and Channel ID byte, then the Pink File bytes
        // (none where the row has no Pink File value), in hex.
        QTest::addColumn<QList<int>>("source");
        QTest::addColumn<QList<QByteArray>>("bytes");
        const auto row = [](int bits, int raw, QByteArray id, QByteArray pink = {}) {
            QTest::addRow("%d-bit %d", bits, raw)
                << QList{bits, raw} << QList{QByteArray::fromHex(id), QByteArray::fromHex(pink)};
        };
        row(16, -32768, "00", "0100");
        row(16, -1, "7F", "FF7F");
        row(16, 0, "80", "0080");
        row(16, 255, "80");
        row(16, 256, "81");
        row(16, 32512, "FE");
        // Would be 0xFF; capped at 0xFE so data can never end the unit's write.
        row(16, 32513, "FE");
        row(16, 32767, "FE", "FEFF");
        row(8, 0, "01", "0100");
        row(8, 128, "80", "0080");
        row(8, 192, "C0"); // 63.5 to 64
        row(8, 255, "FE", "FFFE");
    }

    void edgeValues()
    {
        QFETCH(QList<int>, source);
        QFETCH(QList<QByteArray>, bytes);
        const int bits = source[0], raw = source[1];
        const QByteArray id = bytes[0], pink = bytes[1];
        const double x = SourceValue(bits, raw);
        QCOMPARE(Encode(x, bits, DestStationID, 100), id);
        QCOMPARE(Encode(x, bits, DestChannelID, 100), id);
        if (!pink.isEmpty())
            QCOMPARE(Encode(x, bits, DestPinkFile, 100), pink);
    }

    // Three 0xFF in a row end the unit's write and samples may follow each other in any order, so
    // no ID byte may be 0xFF and no Pink sample 0xFF 0xFF. That bound and the other end of each
    // range hold for every 16- and 8-bit value at every level; the exact bytes are checked at four
    // levels.
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

    // Ties go to the even neighbour, both signs; the ends of the range are held, NaN is 0.
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

    void copyFileName_data()
    {
        QTest::addColumn<QString>("wav");
        QTest::addColumn<QString>("copy");
        QTest::newRow("upper-case extension") << "/data/PINK.WAV"
                                              << "/data/PINK.bin";
        QTest::newRow("another extension") << "/data/x.wave"
                                           << "/data/x.wave.bin";
        QTest::newRow("short name stays in its folder") << "/data/bad/a.w"
                                                        << "/data/bad/a.w.bin";
        QTest::newRow("only an extension") << "/data/.wav"
                                           << "/data/.wav.bin";
        QTest::newRow("never over the opened file") << "/x/sound.bin"
                                                    << "/x/sound.bin.bin";
        QTest::newRow("no file name") << "/data/" << QString();
    }

    // Beside the wave file, in its own folder, and never over the opened file itself.
    void copyFileName()
    {
        QFETCH(QString, wav);
        QFETCH(QString, copy);
        QCOMPARE(CopyFile::CopyFileName(wav), copy);
    }
};

QTEST_GUILESS_MAIN(TestUnitEncoder)
#include "tst_unit_encoder.moc"
