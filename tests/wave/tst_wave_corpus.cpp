// Replays the fuzzing corpus through the file loader: each input must load or be refused exactly
// as the in-memory loader does, and every sample read must lie in [-1, 1).
#include "LoadedWave.h"
#include "WaveFileReader.h"

#include <QBuffer>
#include <QDir>
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
    const LoadResult a = LoadWaveFile(fromFile, path);
    const LoadResult b = LoadWaveDevice(fromMemory, memory);
    QCOMPARE(a.show, b.show);
    QCOMPARE(a.text, b.text);
    QCOMPARE(fromFile.FileOpen, a.show == LoadResult::Show::Nothing);
    QCOMPARE(fromFile.FileOpen, fromMemory.FileOpen);
    if (!fromFile.FileOpen) {
        QVERIFY(!a.text.isEmpty());
        return;
    }
    QCOMPARE(fromFile.SampleCount, fromMemory.SampleCount);
    QCOMPARE(fromFile.DataSize, fromMemory.DataSize);
    QCOMPARE(fromFile.Format.BlockAlign, fromMemory.Format.BlockAlign);
    QCOMPARE(fromFile.SampleData.size(), fromMemory.SampleData.size());
    QVERIFY(fromFile.SampleData.size() >=
            qint64(fromFile.SampleCount) * fromFile.Format.BlockAlign);
    const qint32 frames = qMin(fromFile.SampleCount, 1 << 16);
    for (qint32 n = 0; n < frames; ++n) {
        double l1 = 0, r1 = 0, l2 = 0, r2 = 0;
        fromFile.ReadSampleStereo16(n, l1, r1);
        fromMemory.ReadSampleStereo16(n, l2, r2);
        QCOMPARE(l1, l2);
        QCOMPARE(r1, r2);
        const double first = fromFile.FirstChannel(n);
        QVERIFY(first >= -1.0 && first < 1.0);
        QVERIFY(l1 >= -1.0 && l1 < 1.0 && r1 >= -1.0 && r1 < 1.0);
    }
}

QTEST_GUILESS_MAIN(TestWaveCorpus)
#include "tst_wave_corpus.moc"
