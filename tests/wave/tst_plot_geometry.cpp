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
    void framesRead_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("bits");
        // Frames in the file, slice start and end, points after the first on the centre line (0: no
        // trace at all).
        QTest::addColumn<QList<qint32>>("shape");
        QTest::addColumn<QList<QPoint>>("xToFrame");
        const auto row = [](const char* name, int channels, int bits, const QList<qint32>& shape,
                            const QList<QPoint>& xToFrame) {
            QTest::newRow(name) << channels << bits << shape << xToFrame;
        };
        // 4000 frames in 6000 twips: step 1.5, every 2nd twip, frame round(x * 0.6667 + start); the
        // last point is clamped to the last frame.
        row("mono, 4000 frames", 1, 16, {4000, 0, 4000, 3001},
            {{0, 0}, {2, 1}, {4, 3}, {6, 4}, {3000, 2000}, {6000, 3999}});
        row("mono, slice inside a longer file", 1, 16, {9000, 1000, 5000, 3001},
            {{0, 1000}, {2, 1001}, {4, 1003}, {6000, 5000}});
        // 131072 frames: one point per twip, about 22 frames apart.
        row("8-bit stereo, 131072 frames", 2, 8, {131072, 0, 131072, 6001},
            {{0, 0}, {1, 22}, {2, 44}, {3000, 65536}, {6000, 131071}});
        row("empty slice", 1, 16, {500, 2, 2, 0}, {});
    }

    void framesRead()
    {
        QFETCH(int, channels);
        QFETCH(int, bits);
        QFETCH(QList<qint32>, shape);
        QFETCH(QList<QPoint>, xToFrame);
        // Distinct values per frame over the whole scale; the right channel is their complement.
        const int a = bits == 16 ? 32768 : 128;
        const auto sample = [a](qint32 n, int c) {
            return c ? ~(n % (2 * a) - a) : n % (2 * a) - a;
        };
        QList<int> raw; // 8-bit samples are stored unsigned
        for (qint32 i = 0; i < shape[0] * channels; ++i)
            raw << sample(i / channels, i % channels) + (bits == 8 ? 128 : 0);
        LoadedWave w;
        Fill(w, channels, bits, raw);
        w.SliceStart = shape[1];
        w.SliceEnd = shape[2];
        // With the amplitude equal to the scale, each point's distance from its centre line is the
        // sample of the frame that was read.
        const QList<int> centres = channels == 1 ? QList<int>{a - 100} : QList<int>{a, 3 * a};
        const QList<PlotGeometry::Trace> traces =
            PlotGeometry::Traces(w, 6000, HeightFor(channels, bits));
        QCOMPARE(traces.size(), shape[3] ? channels : 0);
        for (int c = 0; c < traces.size(); ++c) {
            const PlotGeometry::Trace& t = traces[c];
            QCOMPARE(t.size(), shape[3] + 1);
            QCOMPARE(t.first(), QPoint(0, centres[c]));
            QCOMPARE(t.last().x(), 6000);
            for (int j = 2; j < t.size(); ++j)
                QVERIFY(t[j].x() > t[j - 1].x());
            for (const QPoint& row : xToFrame) {
                const auto at = std::find_if(t.begin() + 1, t.end(),
                                             [&](const QPoint& p) { return p.x() == row.x(); });
                QVERIFY2(at != t.end(), qPrintable(QString::number(row.x())));
                QCOMPARE(at->y() - centres[c], sample(row.y(), c));
            }
        }
    }

    void envelope_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("bits");
        QTest::addColumn<QList<int>>("raw");   // interleaved
        QTest::addColumn<QList<int>>("slice"); // start and end; empty: the whole file
        QTest::addColumn<int>("width");
        // Per channel, per column: (x, lowest, x, highest) as offsets from the centre line.
        QTest::addColumn<QList<QList<QLine>>>("columns");
        using L = QList<QLine>;
        // 12 frames in 3 twips: points read frames 0, 4, 8, 11; the spike at 2 and the dip at 5
        // fall between them. The end point is held to frame 11, so the column before it ends at 10.
        QTest::newRow("spike between point samples")
            << 1 << 16
            << QList<int>{0, 100, 30000, 300, 400, -20000, 600, 700, 800, 900, 1000, 1100}
            << QList<int>{} << 3
            << QList<L>{
                   {{0, 0, 0, 30000}, {1, -20000, 1, 700}, {2, 800, 2, 1000}, {3, 1100, 3, 1100}}};
        // 4 frames in 6 twips: k = 2, points read frames 0, 1, 3, 3; frame 2 only in a column.
        QTest::newRow("fewer frames than twips")
            << 1 << 16 << QList<int>{10, -500, 700, 20} << QList<int>{} << 6
            << QList<L>{{{0, 10, 0, 10}, {2, -500, 2, 700}, {4, 20, 4, 20}, {6, 20, 6, 20}}};
        QTest::newRow("8-bit stereo")
            << 2 << 8 << QList<int>{128, 128, 255, 0, 0, 255, 130, 100, 140, 90, 120, 95}
            << QList<int>{} << 2
            << QList<L>{{{0, -128, 0, 127}, {1, 2, 1, 12}, {2, -8, 2, -8}},
                        {{0, -128, 0, 127}, {1, -38, 1, -28}, {2, -33, 2, -33}}};
        // Frames 2..7 in 3 twips, the end point on frame 8; the loud frames outside stay out.
        QTest::newRow("slice inside a longer file")
            << 1 << 16 << QList<int>{9000, 9000, 1, 2, 3, 4, 5, 6, 7, 9000} << QList<int>{2, 8} << 3
            << QList<L>{{{0, 1, 0, 2}, {1, 3, 1, 4}, {2, 5, 2, 6}, {3, 7, 3, 7}}};
    }

    void envelope()
    {
        QFETCH(int, channels);
        QFETCH(int, bits);
        QFETCH(QList<int>, raw);
        QFETCH(QList<int>, slice);
        QFETCH(int, width);
        QFETCH(QList<QList<QLine>>, columns);
        LoadedWave w;
        Fill(w, channels, bits, raw);
        if (!slice.isEmpty()) {
            w.SliceStart = slice[0];
            w.SliceEnd = slice[1];
        }
        const int height = HeightFor(channels, bits);
        const QList<PlotGeometry::Envelope> envelopes = PlotGeometry::Envelopes(w, width, height);
        const QList<PlotGeometry::Trace> traces = PlotGeometry::Traces(w, width, height);
        QCOMPARE(envelopes.size(), columns.size());
        for (qsizetype c = 0; c < envelopes.size(); ++c) {
            const int centre = traces[c].first().y();
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
            }
        }
    }
};

QTEST_APPLESS_MAIN(TestPlotGeometry)
#include "tst_plot_geometry.moc"
