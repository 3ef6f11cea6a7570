// The plot window's picture as polylines in twips, computed without a window.
#include "wave/LoadedWave.h"
#include "wave/PlotGeometry.h"

#include <QtEndian>
#include <QtTest>

class TestPlotGeometry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void framesRead_data();
    void framesRead();
};

void TestPlotGeometry::framesRead_data()
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
    row("mono, 131072 frames", 1, 16, {131072, 0, 131072, 6001},
        {{0, 0}, {1, 22}, {2, 44}, {3000, 65536}, {6000, 131071}});
    row("stereo, 4000 frames", 2, 16, {4000, 0, 4000, 3001}, {{4, 3}, {3000, 2000}, {6000, 3999}});
    row("8-bit stereo, 131072 frames", 2, 8, {131072, 0, 131072, 6001},
        {{1, 22}, {3000, 65536}, {6000, 131071}});
    row("empty slice", 1, 16, {500, 2, 2, 0}, {});
}

void TestPlotGeometry::framesRead()
{
    QFETCH(int, channels);
    QFETCH(int, bits);
    QFETCH(QList<qint32>, shape);
    QFETCH(QList<QPoint>, xToFrame);
    // Distinct values per frame over the whole scale; the right channel is their complement.
    const int a = bits == 16 ? 32768 : 128;
    const auto sample = [a](qint32 n, int c) { return c ? ~(n % (2 * a) - a) : n % (2 * a) - a; };
    LoadedWave w;
    w.Format = {1, quint16(channels), 8000, 0, quint16(channels * bits / 8), quint16(bits), 0};
    QVERIFY(w.SampleData.allocate(qint64(shape[0]) * w.Format.BlockAlign));
    for (qint32 i = 0; i < shape[0] * channels; ++i) {
        const int v = sample(i / channels, i % channels);
        if (bits == 16)
            qToLittleEndian<qint16>(qint16(v), w.SampleData.data() + 2 * i);
        else
            w.SampleData.data()[i] = uchar(v + 128);
    }
    w.FileOpen = true;
    w.SampleCount = shape[0];
    w.SliceStart = shape[1];
    w.SliceEnd = shape[2];
    // With the amplitude equal to the scale, each point's distance from its centre line is the
    // sample of the frame that was read.
    const QList<int> centres = channels == 1 ? QList<int>{a - 100} : QList<int>{a, 3 * a};
    const QList<PlotGeometry::Trace> traces =
        PlotGeometry::Traces(w, 6000, channels == 1 ? 2 * a + 450 : 9 * a / 2);
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

QTEST_APPLESS_MAIN(TestPlotGeometry)
#include "tst_plot_geometry.moc"
