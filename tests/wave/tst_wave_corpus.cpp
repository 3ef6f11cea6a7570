// Replays the fuzzing corpus through the file loader: each input must load or be refused exactly
// as the in-memory loader does, and every sample read must lie in [-1, 1).
#include "WaveFileReader.h"

#include <QtTest>

class TestWaveCorpus : public QObject
{
    Q_OBJECT

private slots:
    void replay_data();
    void replay();
};

void TestWaveCorpus::replay_data()
{
    QTest::addColumn<QString>("path");
    const QDir dir(QStringLiteral(WAVE_CORPUS_DIR));
    const QStringList names = dir.entryList(QDir::Files, QDir::Name);
    QVERIFY2(names.size() >= 10, qPrintable(dir.path()));
    for (const QString& name : names)
        QTest::newRow(qPrintable(name)) << dir.filePath(name);
}

void TestWaveCorpus::replay()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QBuffer memory;
    memory.setData(file.readAll());
    QVERIFY(memory.open(QIODevice::ReadOnly));
    LoadedWave fromFile, fromMemory;
    const auto state = [](const LoadResult& r, const LoadedWave& w) {
        return r.text + QString::asprintf(" (%d): open %d, %d frames, %u bytes, %lld held",
                                          int(r.show), w.FileOpen, w.SampleCount, w.DataSize,
                                          w.SampleData.size());
    };
    const LoadResult result = LoadWaveFile(fromFile, path);
    QCOMPARE(state(result, fromFile), state(LoadWaveDevice(fromMemory, memory), fromMemory));
    QCOMPARE(fromFile.FileOpen, result.show == LoadResult::Show::Nothing && result.text.isEmpty());
    QVERIFY(!fromFile.FileOpen || fromFile.SampleData.size() >=
                                      qint64(fromFile.SampleCount) * fromFile.Format.BlockAlign);
    for (qint32 n = 0; fromFile.FileOpen && n < qMin(fromFile.SampleCount, 1 << 16); ++n) {
        double l1 = 0, r1 = 0, l2 = 0, r2 = 0;
        fromFile.ReadSampleStereo16(n, l1, r1);
        fromMemory.ReadSampleStereo16(n, l2, r2);
        QCOMPARE(QPointF(l1, r1), QPointF(l2, r2));
        const double first = fromFile.FirstChannel(n);
        QVERIFY(first >= -1.0 && first < 1.0 && l1 >= -1.0 && l1 < 1.0 && r1 >= -1.0 && r1 < 1.0);
    }
}

QTEST_GUILESS_MAIN(TestWaveCorpus)
#include "tst_wave_corpus.moc"
