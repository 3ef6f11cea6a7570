// The plot window's picture as polylines in twips, computed without a window. Heights are chosen
// so that the amplitude equals the sample scale (A = 32768 for 16-bit, 128 for 8-bit): then each
// point's distance from its centre line is the raw sample value of the frame that was read.
#include "LoadedWave.h"
#include "PlotGeometry.h"

#include <QtEndian>
#include <QtTest>

#include <cstring>
#include <functional>

using Traces = QList<PlotGeometry::Trace>;

namespace {

// A loaded wave whose frame n holds sample(n, channel) as the raw value (16-bit signed, or the
// unsigned byte for 8-bit).
void Fill(LoadedWave& w, int channels, int bits, qint32 frames,
          const std::function<int(qint32, int)>& sample)
{
    w.Format.FormatTag = 1;
    w.Format.Channels = quint16(channels);
    w.Format.BitsPerSample = quint16(bits);
    w.Format.SampleRate = 8000;
    w.Format.BlockAlign = quint16(channels * bits / 8);
    w.DataSize = quint32(frames) * w.Format.BlockAlign;
    QVERIFY(w.SampleData.allocate(w.DataSize));
    uchar* p = w.SampleData.data();
    for (qint32 n = 0; n < frames; ++n) {
        for (int c = 0; c < channels; ++c) {
            if (bits == 16)
                qToLittleEndian<qint16>(qint16(sample(n, c)), p + (n * channels + c) * 2);
            else
                p[n * channels + c] = uchar(sample(n, c));
        }
    }
    w.SampleCount = frames;
    w.SliceStart = 0;
    w.SliceEnd = frames;
    w.FileOpen = true;
}

int Wrap16(qint32 n)
{
    return int(n % 65536) - 32768;
}

} // namespace

class TestPlotGeometry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void framesRead_data();
    void framesRead();
    void stereoChannels();
    void centreLines_data();
    void centreLines();
    void noTrace_data();
    void noTrace();
};

void TestPlotGeometry::framesRead_data()
{
    QTest::addColumn<qint32>("count");
    QTest::addColumn<qint32>("start");
    QTest::addColumn<qint32>("end");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("points"); // after the first point on the centre line
    QTest::addColumn<QList<QPoint>>("xToFrame");
    // d = 1.5, k = 2: x = 0, 2, 4 ... 6000, frame round(x * 0.6667 + start).
    QTest::newRow("4000 frames in 6000 twips")
        << 4000 << 0 << 4000 << 6000 << 3001
        << QList<QPoint>{{0, 0}, {2, 1}, {4, 3}, {6, 4}, {8, 5}, {3000, 2000}, {6000, 3999}};
    QTest::newRow("4000 frames, slice inside a longer file")
        << 9000 << 1000 << 5000 << 6000 << 3001
        << QList<QPoint>{{0, 1000}, {2, 1001}, {4, 1003}, {6000, 5000}};
    // s = 21.845: one point per twip, about 22 frames apart.
    QTest::newRow("131072 frames in 6000 twips")
        << 131072 << 0 << 131072 << 6000 << 6001
        << QList<QPoint>{{0, 0}, {1, 22}, {2, 44}, {3, 66}, {3000, 65536}, {6000, 131071}};
    QTest::newRow("one frame per twip")
        << 6000 << 0 << 6000 << 6000 << 6001 << QList<QPoint>{{1, 1}, {5999, 5999}, {6000, 5999}};
    // d = 2.5 rounds to the even 2.
    QTest::newRow("step 2.5 rounds to 2")
        << 2400 << 0 << 2400 << 6000 << 3001 << QList<QPoint>{{2, 1}, {4, 2}, {6000, 2399}};
    QTest::newRow("single frame") << 10 << 4 << 5 << 6000 << 2 << QList<QPoint>{{0, 4}, {6000, 5}};
}

void TestPlotGeometry::framesRead()
{
    QFETCH(qint32, count);
    QFETCH(qint32, start);
    QFETCH(qint32, end);
    QFETCH(int, width);
    QFETCH(int, points);
    QFETCH(QList<QPoint>, xToFrame);
    LoadedWave w;
    Fill(w, 1, 16, count, [](qint32 n, int) { return Wrap16(n); });
    w.SliceStart = start;
    w.SliceEnd = end;
    constexpr int Height = 65986; // A = (65986 - 450) / 2 = 32768
    constexpr int Centre = 32768 - 100;
    const Traces traces = PlotGeometry::Traces(w, width, Height);
    QCOMPARE(traces.size(), 1);
    const PlotGeometry::Trace& t = traces[0];
    QCOMPARE(t.size(), points + 1);
    QCOMPARE(t.first(), QPoint(0, Centre));
    QCOMPARE(t.last().x(), width);
    for (const QPoint& row : xToFrame) {
        const auto at =
            std::find_if(t.begin() + 1, t.end(), [&](const QPoint& p) { return p.x() == row.x(); });
        QVERIFY2(at != t.end(), qPrintable(QString::number(row.x())));
        QCOMPARE(at->y() - Centre, Wrap16(row.y()));
    }
    for (int j = 1; j < t.size(); ++j)
        QVERIFY(t[j].x() > t[j - 1].x() || j == 1);
}

void TestPlotGeometry::stereoChannels()
{
    LoadedWave w;
    Fill(w, 2, 16, 4000, [](qint32 n, int c) { return c == 0 ? n : -n; });
    constexpr int A = 32768;
    const Traces traces = PlotGeometry::Traces(w, 6000, 147456); // 147456 / 4.5 = 32768
    QCOMPARE(traces.size(), 2);
    QCOMPARE(traces[0].first(), QPoint(0, A));
    QCOMPARE(traces[1].first(), QPoint(0, 3 * A));
    QCOMPARE(traces[0].size(), 3002);
    // x = 4 reads frame 3: left sample 3, right sample -3.
    QCOMPARE(traces[0][3], QPoint(4, A + 3));
    QCOMPARE(traces[1][3], QPoint(4, 3 * A - 3));
    QCOMPARE(traces[0].last(), QPoint(6000, A + 3999)); // clamped to the last frame
    QCOMPARE(traces[1].last(), QPoint(6000, 3 * A - 3999));
}

void TestPlotGeometry::centreLines_data()
{
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("raw");       // every sample of every frame
    QTest::addColumn<int>("height");    // outer height in twips
    QTest::addColumn<QList<int>>("ys"); // y of each trace
    QTest::newRow("16-bit mono zero") << 1 << 16 << 0 << 4000 << QList<int>{1675};
    QTest::newRow("8-bit mono 128") << 1 << 8 << 128 << 4000 << QList<int>{1675};
    QTest::newRow("16-bit stereo zero") << 2 << 16 << 0 << 4000 << QList<int>{889, 2667};
    QTest::newRow("8-bit stereo 128") << 2 << 8 << 128 << 4000 << QList<int>{889, 2667};
    // Positive values lie below the centre line, negative ones above.
    QTest::newRow("16-bit mono positive") << 1 << 16 << 16384 << 4000 << QList<int>{1675 + 888};
    QTest::newRow("16-bit mono full negative") << 1 << 16 << -32768 << 4000 << QList<int>{-100};
    QTest::newRow("8-bit mono top") << 1 << 8 << 255 << 706 << QList<int>{28 + 127};
    QTest::newRow("8-bit stereo bottom") << 2 << 8 << 0 << 576 << QList<int>{0, 256};
    // A = round(1776.5) = 1776 (halves to even), centre 1676.
    QTest::newRow("amplitude rounds to even") << 1 << 16 << -32768 << 4003 << QList<int>{-100};
}

void TestPlotGeometry::centreLines()
{
    QFETCH(int, channels);
    QFETCH(int, bits);
    QFETCH(int, raw);
    QFETCH(int, height);
    QFETCH(QList<int>, ys);
    LoadedWave w;
    Fill(w, channels, bits, 300, [raw](qint32, int) { return raw; });
    const Traces traces = PlotGeometry::Traces(w, 6000, height);
    QCOMPARE(traces.size(), ys.size());
    for (int c = 0; c < ys.size(); ++c) {
        for (int j = 1; j < traces[c].size(); ++j)
            QCOMPARE(traces[c][j].y(), ys[c]);
    }
}

void TestPlotGeometry::noTrace_data()
{
    QTest::addColumn<bool>("open");
    QTest::addColumn<qint32>("start");
    QTest::addColumn<qint32>("end");
    QTest::newRow("empty slice") << true << 2 << 2;
    QTest::newRow("no file open") << false << 0 << 500;
    QTest::newRow("nothing loaded yet") << false << 0 << 0;
}

void TestPlotGeometry::noTrace()
{
    QFETCH(bool, open);
    QFETCH(qint32, start);
    QFETCH(qint32, end);
    LoadedWave w;
    Fill(w, 1, 8, 500, [](qint32, int) { return 200; });
    w.FileOpen = open;
    w.SliceStart = start;
    w.SliceEnd = end;
    QVERIFY(PlotGeometry::Traces(w, 6000, 4000).isEmpty());
}

QTEST_APPLESS_MAIN(TestPlotGeometry)
#include "tst_plot_geometry.moc"
