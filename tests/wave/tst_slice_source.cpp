// What the audio output reads of a slice: 8-bit widened to 16-bit, 16-bit as it is, and a loop
// starting again at its first whole frame, however the reads are cut.
#include "wave/gui/SliceSource.h"

#include <QTest>

struct SourceRow
{
    QByteArray samples;
    SliceSource::Options options;
    QList<int> reads;    // the sizes asked for, in order
    QByteArray expected; // everything read
};
Q_DECLARE_METATYPE(SourceRow)

class TestSliceSource : public QObject
{
    Q_OBJECT
private slots:
    void reads_data()
    {
        QTest::addColumn<SourceRow>("row");
        const auto hex = [](const char* h) { return QByteArray::fromHex(h); };
        const auto row = [](const char* name, SourceRow r) { QTest::newRow(name) << r; };
        row("8-bit widened, to its end",
            {hex("0080ff"), {.widen = true}, {4, 4}, hex("00800000007f")});
        row("8-bit, odd read sizes", {hex("0180"), {.widen = true}, {3, 3}, hex("00810000")});
        row("16-bit as it is", {hex("01020304"), {}, {3, 8}, hex("01020304")});
        row("16-bit stereo loop, cut frame dropped", {hex("0102030405"),
                                                      {.loop = true, .frameBytes = 4},
                                                      {6, 6},
                                                      hex("010203040102030401020304")});
        row("8-bit loop across reads",
            {hex("10"), {.widen = true, .loop = true}, {4, 2}, hex("009000900090")});
        row("empty loop ends", {{}, {.loop = true, .frameBytes = 2}, {8}, {}});
    }

    void reads()
    {
        QFETCH(SourceRow, row);
        SliceSource source(row.samples, row.options);
        QByteArray got;
        for (int n : row.reads)
            got += source.read(n);
        QCOMPARE(got.toHex(), row.expected.toHex());
        QCOMPARE(source.atEnd(), !row.options.loop || row.samples.size() < row.options.frameBytes);
    }
};

QTEST_GUILESS_MAIN(TestSliceSource)
#include "tst_slice_source.moc"
