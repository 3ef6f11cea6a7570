#include "CopyFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The ".bin" copy beside the WAV file: its name and its replacement on disk.
class TestUnitCopyFile : public QObject
{
    Q_OBJECT

private slots:
    void names_data();
    void names();
    void replacesLongerFile();
    void writesBinaryBytes();
    void failures_data();
    void failures();
};

void TestUnitCopyFile::names_data()
{
    QTest::addColumn<QString>("wav");
    QTest::addColumn<QString>("bin");
    QTest::newRow("plain") << "/home/tech/ids/station.wav"
                           << "/home/tech/ids/station.bin";
    QTest::newRow("upper case") << "/data/PINK.WAV"
                                << "/data/PINK.bin";
    QTest::newRow("dots in folder") << "/a.b/c.d/tone.wav"
                                    << "/a.b/c.d/tone.bin";
    QTest::newRow("long extension") << "/x/voice.wave"
                                    << "/x/voice..bin";
    QTest::newRow("five characters") << "a.wav"
                                     << "a.bin";
    QTest::newRow("four characters") << ".wav" << QString();
    QTest::newRow("short") << "ab" << QString();
    QTest::newRow("empty") << QString() << QString();
    // The copy would be the opened file itself.
    QTest::newRow("opened .bin") << "/x/sound.bin" << QString();
    QTest::newRow("other case .BIN") << "/x/sound.BIN"
                                     << "/x/sound.bin";
}

void TestUnitCopyFile::names()
{
    QFETCH(QString, wav);
    QFETCH(QString, bin);
    QCOMPARE(CopyFile::CopyFileName(wav), bin);
}

void TestUnitCopyFile::replacesLongerFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("station.bin");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    QCOMPARE(old.write(QByteArray(5000, 'z')), 5000);
    old.close();

    const QByteArray stream = QByteArray("QXWS") + QByteArray(6, '\xFF');
    QVERIFY(CopyFile::WriteCopyFile(path, stream));
    QFile copy(path);
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), stream);
}

void TestUnitCopyFile::writesBinaryBytes()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QByteArray stream;
    for (int b = 0; b < 256; ++b) {
        stream.append(char(b));
    }
    stream.append("\r\n\x00\x1A", 4);
    const QString path = dir.filePath("all.bin");
    QVERIFY(CopyFile::WriteCopyFile(path, stream));
    QFile copy(path);
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), stream);
}

void TestUnitCopyFile::failures_data()
{
    QTest::addColumn<QString>("relative");
    QTest::newRow("empty path") << QString();
    QTest::newRow("missing folder") << "no/such/folder/x.bin";
    QTest::newRow("path is a folder") << ".";
}

void TestUnitCopyFile::failures()
{
    QFETCH(QString, relative);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = relative.isEmpty() ? QString() : dir.filePath(relative);
    QVERIFY(!CopyFile::WriteCopyFile(path, QByteArray("QXWP")));
}

QTEST_GUILESS_MAIN(TestUnitCopyFile)
#include "tst_unit_copyfile.moc"
