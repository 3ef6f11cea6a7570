#include "DownloadEncoder.h"
#include "DownloadPlan.h"
#include "UnitProtocol.h"

#include <QTest>

#include <algorithm>
#include <functional>
#include <limits>
#include <vector>

// How a download is cut into hand-overs, what the whole stream holds, and the progress values.
namespace {

struct Walk
{
    QList<int> sizes;
    QList<QByteArray> chunks;
    QList<float> progress;
};

// Runs a plan the way the download loop does, stopping after frame stopAfter when given.
Walk Run(DownloadPlan& plan, const std::function<double(qint32)>& sample, int level = 100,
         qint32 stopAfter = -1)
{
    Walk walk;
    while (!plan.AtEnd()) {
        const qint32 i = plan.NextFrame();
        if (plan.AddFrame(sample(i), level)) {
            walk.chunks << plan.TakeChunk();
            walk.sizes << int(walk.chunks.last().size());
            walk.progress << plan.Progress();
        }
        if (i == stopAfter) {
            break;
        }
    }
    walk.chunks << plan.Finish();
    walk.sizes << int(walk.chunks.last().size());
    return walk;
}

double Ramp(qint32 i)
{
    return ((i * 37) % 65536 - 32768) / 32768.0;
}

// first hand-over, then `repeat` hand-overs of `middle` bytes, then the last one.
QList<int> Sizes(std::initializer_list<int> head, int repeat, int middle, int last)
{
    QList<int> sizes(head);
    sizes.append(QList<int>(repeat, middle));
    sizes << last;
    return sizes;
}

} // namespace

class TestUnitPlan : public QObject
{
    Q_OBJECT

private slots:
    void chunking_data();
    void chunking();
    void progress_data();
    void progress();
    void examples_data();
    void examples();
    void truncation_data();
    void truncation();
    void stopAfterHandOver();
    void levelReadPerFrame();
    void noDestination();
    void finishedPlanIgnoresMore();
};

void TestUnitPlan::chunking_data()
{
    QTest::addColumn<int>("dest");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("size");
    QTest::addColumn<QList<int>>("sizes");
    const int st = DestStationID;
    const int pk = DestPinkFile;
    QTest::newRow("station 600") << st << 8 << 600 << QList<int>{5, 256, 256, 93};
    QTest::newRow("pink full") << pk << 16 << 131072 << Sizes({6}, 511, 512, 516);
    QTest::newRow("channel full") << int(DestChannelID) << 16 << 131072
                                  << Sizes({5}, 511, 256, 261);
    QTest::newRow("station empty") << st << 8 << 0 << QList<int>{10};
    QTest::newRow("pink negative size") << pk << 16 << -5 << QList<int>{10};
    QTest::newRow("pink 1") << pk << 16 << 1 << QList<int>{6, 6};
    QTest::newRow("station 256") << st << 16 << 256 << QList<int>{5, 261};
    QTest::newRow("station 257") << st << 16 << 257 << QList<int>{5, 256, 6};
    QTest::newRow("pink 258") << pk << 8 << 258 << QList<int>{6, 512, 8};
    QTest::newRow("pink over limit") << pk << 16 << 200000 << Sizes({6}, 511, 512, 516);
}

void TestUnitPlan::chunking()
{
    QFETCH(int, dest);
    QFETCH(int, bits);
    QFETCH(int, size);
    QFETCH(QList<int>, sizes);
    const auto d = static_cast<WaveDestination>(dest);
    DownloadPlan plan(d, bits, size);
    const Walk walk = Run(plan, Ramp);
    QCOMPARE(walk.sizes, sizes);
    // The stream is the command, every frame in order and the terminator, and nothing else.
    const qint32 sent = std::clamp(size, 0, UnitProtocol::MaxDownloadSamples);
    const QByteArray expected = UnitProtocol::WriteCommand(d) +
                                DownloadEncoder::EncodeFrames(sent, Ramp, bits, d, 100) +
                                QByteArray(6, '\xFF');
    QCOMPARE(plan.Stream(), expected);
    QCOMPARE(walk.chunks.join(), expected);
    QVERIFY(plan.Finished());
}

void TestUnitPlan::progress_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QList<float>>("expected");
    QTest::newRow("600") << 600 << QList<float>{0.0f, 42.67f, 85.33f};
    QTest::newRow("1") << 1 << QList<float>{0.0f};
    QTest::newRow("513") << 513 << QList<float>{0.0f, 49.90f, 99.805f};
    QTest::newRow("1000") << 1000 << QList<float>{0.0f, 25.6f, 51.2f, 76.8f};
}

void TestUnitPlan::progress()
{
    QFETCH(int, size);
    QFETCH(QList<float>, expected);
    DownloadPlan plan(DestPinkFile, 16, size);
    const Walk walk = Run(plan, Ramp);
    QCOMPARE(walk.progress.size(), expected.size());
    for (qsizetype k = 0; k < expected.size(); ++k) {
        QVERIFY2(std::abs(walk.progress[k] - expected[k]) < 0.005f,
                 qPrintable(QString::number(walk.progress[k])));
    }
}

void TestUnitPlan::examples_data()
{
    QTest::addColumn<int>("dest");
    QTest::addColumn<int>("bits");
    QTest::addColumn<QList<double>>("samples");
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::newRow("station 8-bit")
        << int(DestStationID) << 8 << QList<double>{0.0, 127 / 128.0, -1.0}
        << QList<QByteArray>{"QXWS\x80", QByteArray::fromHex("FE01FFFFFFFFFFFF")};
    QTest::newRow("pink 16-bit") << int(DestPinkFile) << 16 << QList<double>{0.0, -1 / 32768.0}
                                 << QList<QByteArray>{QByteArray("QXWP\x00\x80", 6),
                                                      QByteArray::fromHex("FF7FFFFFFFFFFFFF")};
}

void TestUnitPlan::examples()
{
    QFETCH(int, dest);
    QFETCH(int, bits);
    QFETCH(QList<double>, samples);
    QFETCH(QList<QByteArray>, chunks);
    DownloadPlan plan(static_cast<WaveDestination>(dest), bits, qint32(samples.size()));
    const Walk walk = Run(plan, [&samples](qint32 i) { return samples[i]; });
    QCOMPARE(walk.chunks, chunks);
}

void TestUnitPlan::truncation_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<bool>("ask");
    QTest::newRow("131071") << 131071 << false;
    QTest::newRow("131072") << 131072 << false;
    QTest::newRow("131073") << 131073 << true;
    QTest::newRow("0") << 0 << false;
    QTest::newRow("int max") << std::numeric_limits<int>::max() << true;
}

void TestUnitPlan::truncation()
{
    QFETCH(int, frames);
    QFETCH(bool, ask);
    QCOMPARE(DownloadPlan::NeedsTruncation(frames), ask);
    QCOMPARE(DownloadPlan(DestStationID, 8, frames).Size(), ask ? 131072 : frames);
}

// A stop seen after the hand-over of frame 256 ends the stream with frames 0..256 and the
// terminator; the last hand-over is the terminator alone.
void TestUnitPlan::stopAfterHandOver()
{
    DownloadPlan plan(DestStationID, 16, 600);
    const Walk walk = Run(plan, Ramp, 100, 256);
    QCOMPARE(walk.sizes, (QList<int>{5, 256, 6}));
    const QByteArray expected = "QXWS" +
                                DownloadEncoder::EncodeFrames(257, Ramp, 16, DestStationID, 100) +
                                QByteArray(6, '\xFF');
    QCOMPARE(plan.Stream(), expected);
    QCOMPARE(plan.NextFrame(), 257);
}

// The level may change between frames and applies from the next frame on.
void TestUnitPlan::levelReadPerFrame()
{
    DownloadPlan plan(DestPinkFile, 16, 3);
    const double x = 16384 / 32768.0;
    plan.AddFrame(x, 100);
    plan.AddFrame(x, 50);
    plan.AddFrame(x, 1);
    // 16383.5 rounds to 16384; 8191.75 to 8192; 163.835 to 164.
    const QByteArray expected =
        QByteArray("QXWP") + QByteArray::fromHex("00C000A0A480") + QByteArray(6, '\xFF');
    plan.Finish();
    QCOMPARE(plan.Stream(), expected);
}

void TestUnitPlan::noDestination()
{
    DownloadPlan plan(DestNone, 16, 100);
    QVERIFY(plan.AtEnd());
    QVERIFY(!plan.AddFrame(0.5, 100));
    QCOMPARE(plan.Finish(), QByteArray());
    QCOMPARE(plan.Stream(), QByteArray());
}

void TestUnitPlan::finishedPlanIgnoresMore()
{
    DownloadPlan plan(DestChannelID, 8, 10);
    plan.AddFrame(0.0, 100);
    plan.TakeChunk();
    QCOMPARE(plan.Finish(), QByteArray(6, '\xFF'));
    QVERIFY(plan.AtEnd());
    QVERIFY(!plan.AddFrame(0.0, 100));
    QCOMPARE(plan.Finish(), QByteArray());
    QCOMPARE(plan.Stream(), QByteArray("QXWC\x80") + QByteArray(6, '\xFF'));
}

QTEST_GUILESS_MAIN(TestUnitPlan)
#include "tst_unit_plan.moc"
