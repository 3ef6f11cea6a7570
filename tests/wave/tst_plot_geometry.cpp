// The plot window's picture as polylines and min/max columns in twips, computed without a window.
#include "tests/support/WavBuilder.h"
#include "wave/LoadedWave.h"
#include "wave/PlotGeometry.h"
#include "wave/WaveFileReader.h"

#include <QtTest>

namespace {

// A wave of raw samples interleaved by channel, 16-bit signed or 8-bit unsigned, at 8000/s.
void Fill(LoadedWave& w, int channels, int bits, const QList<int>& raw)
{
    QByteArray data;
    for (int v : raw)
        data += bits == 16 ? WavBuilder::le16(quint16(v)) : QByteArray(1, char(v));
    QBuffer file;
    file.setData(WavBuilder::pcm({.channels = quint16(channels), .bits = quint16(bits)}, data));
    QVERIFY(file.open(QIODevice::ReadOnly) && LoadWaveDevice(w, file).text.isEmpty());
    w.SliceEnd = w.SampleCount; // the whole file, as the window sets it on opening
}

// A height that makes the amplitude the sample scale, so a y less its centre is the raw sample
// (less 128 for 8-bit).
int HeightFor(int channels, int bits)
{
    const int a = bits == 16 ? 32768 : 128;
    return channels == 1 ? 2 * a + 450 : 9 * a / 2;
}

} // namespace

class TestPlotGeometry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void envelope_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("bits");
        QTest::addColumn<QList<int>>("raw");   // interleaved
        QTest::addColumn<QList<int>>("slice"); // start and end; empty: the whole file
        QTest::addColumn<int>("width");
        // Per channel, per column: (x, lowest, x, highest) as offsets from the centre line.
        QTest::addColumn<QList<QList<QLine>>>("columns");
        QTest::addColumn<QList<int>>("reads"); // the frame each point after the first shows
        using L = QList<QLine>;
        // 12 frames in 3 twips: points read frames 0, 4, 8, 11; the spike at 2 and the dip at 5
        // fall between them. The end point is held to frame 11, so the column before it ends at 10.
        QTest::newRow("spike between point samples")
            << 1 << 16
            << QList<int>{0, 100, 30000, 300, 400, -20000, 600, 700, 800, 900, 1000, 1100}
            << QList<int>{} << 3
            << QList<L>{{{0, 0, 0, 30000},
                         {1, -20000, 1, 700},
                         {2, 800, 2, 1000},
                         {3, 1100, 3, 1100}}}
            << QList<int>{0, 4, 8, 11};
        // 4 frames in 6 twips: k = 2, points read frames 0, 1, 3, 3; frame 2 only in a column.
        QTest::newRow("fewer frames than twips")
            << 1 << 16 << QList<int>{10, -500, 700, 20} << QList<int>{} << 6
            << QList<L>{{{0, 10, 0, 10}, {2, -500, 2, 700}, {4, 20, 4, 20}, {6, 20, 6, 20}}}
            << QList<int>{0, 1, 3, 3};
        QTest::newRow("8-bit stereo")
            << 2 << 8 << QList<int>{128, 128, 255, 0, 0, 255, 130, 100, 140, 90, 120, 95}
            << QList<int>{} << 2
            << QList<L>{{{0, -128, 0, 127}, {1, 2, 1, 12}, {2, -8, 2, -8}},
                        {{0, -128, 0, 127}, {1, -38, 1, -28}, {2, -33, 2, -33}}}
            << QList<int>{0, 3, 5};
        // Frames 2..7 in 3 twips, the end point on frame 8; the loud frames outside stay out.
        QTest::newRow("slice inside a longer file")
            << 1 << 16 << QList<int>{9000, 9000, 1, 2, 3, 4, 5, 6, 7, 9000} << QList<int>{2, 8} << 3
            << QList<L>{{{0, 1, 0, 2}, {1, 3, 1, 4}, {2, 5, 2, 6}, {3, 7, 3, 7}}}
            << QList<int>{2, 4, 6, 8};
    }

    void envelope()
    {
        QFETCH(int, channels);
        QFETCH(int, bits);
        QFETCH(QList<int>, raw);
        QFETCH(QList<int>, slice);
        QFETCH(int, width);
        QFETCH(QList<QList<QLine>>, columns);
        QFETCH(QList<int>, reads);
        LoadedWave w;
        Fill(w, channels, bits, raw);
        if (!slice.isEmpty()) {
            w.SliceStart = slice[0];
            w.SliceEnd = slice[1];
        }
        // With the amplitude equal to the scale, a point's distance from its centre line is the
        // raw sample of the frame it shows.
        const int a = bits == 16 ? 32768 : 128, height = HeightFor(channels, bits);
        const QList<int> centres = channels == 1 ? QList<int>{a - 100} : QList<int>{a, 3 * a};
        const QList<PlotGeometry::Envelope> envelopes = PlotGeometry::Envelopes(w, width, height);
        const QList<PlotGeometry::Trace> traces = PlotGeometry::Traces(w, width, height);
        QCOMPARE(envelopes.size(), columns.size());
        for (qsizetype c = 0; c < envelopes.size(); ++c) {
            const int centre = centres[c];
            QCOMPARE(traces[c].first(), QPoint(0, centre));
            QList<QLine> offsets;
            for (const QLine& l : envelopes[c])
                offsets << l.translated(0, -centre);
            QCOMPARE(offsets, columns[c]);
            // Every point of Traces lies on the column at its x.
            QCOMPARE(traces[c].size(), offsets.size() + 1);
            for (qsizetype j = 0; j < offsets.size(); ++j) {
                const QPoint p = traces[c][j + 1] - QPoint(0, centre);
                QVERIFY(p.x() == offsets[j].x1() && offsets[j].y1() <= p.y() &&
                        p.y() <= offsets[j].y2());
                QCOMPARE(p.y(), raw[reads[j] * channels + c] - (bits == 8 ? 128 : 0));
            }
        }
    }
};

QTEST_APPLESS_MAIN(TestPlotGeometry)
#include "tst_plot_geometry.moc"
