#include "FlashStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}
} // namespace

class tst_FlashStore : public QObject
{
    Q_OBJECT
private slots:
    void newFolderHoldsBlankAreas_data();
    void newFolderHoldsBlankAreas();
    void writeSurvivesRestart();
    void wrongSizeIsRefused();
    void receivedBytesAppend();
};

void tst_FlashStore::newFolderHoldsBlankAreas_data()
{
    QTest::addColumn<char>("code");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("size");
    QTest::newRow("S") << 'S' << "station.bin" << 131072;
    QTest::newRow("C") << 'C' << "channel.bin" << 131072;
    QTest::newRow("P") << 'P' << "pink.bin" << 262144;
}

void tst_FlashStore::newFolderHoldsBlankAreas()
{
    QFETCH(char, code);
    QFETCH(QString, file);
    QFETCH(int, size);
    QTemporaryDir dir;
    const QString folder = dir.filePath("flash/sub");
    FlashStore store(folder);
    UnitModel unit;
    QString error;
    QVERIFY2(store.open(unit, &error), qPrintable(error));
    QCOMPARE(store.areaPath(code), folder + "/" + file);
    QCOMPARE(readAll(folder + "/" + file), QByteArray(size, char(0xFF)));
    QVERIFY(QFile::exists(folder + "/rx.bin"));
}

void tst_FlashStore::writeSurvivesRestart()
{
    QTemporaryDir dir;
    const QByteArray data("\x10\x20\xff\xff\x30");
    QString error;
    {
        FlashStore store(dir.path());
        UnitModel unit;
        QVERIFY(store.open(unit, &error));
        unit.feed("QXWC" + data + QByteArray(6, char(0xFF)), 0);
        for (const auto& event : unit.takeEvents())
            QVERIFY2(store.store(unit, event, &error), qPrintable(error));
    }
    QCOMPARE(readAll(dir.filePath("channel.last")), data);
    QCOMPARE(readAll(dir.filePath("channel.bin")).left(6), data + char(0xFF));
    QVERIFY(!QFile::exists(dir.filePath("station.last")));
    FlashStore again(dir.path());
    UnitModel restarted;
    QVERIFY(again.open(restarted, &error));
    QCOMPARE(restarted.area('C')->contents().left(5), data);
    QVERIFY(restarted.area('S')->isBlank());
}

void tst_FlashStore::wrongSizeIsRefused()
{
    QTemporaryDir dir;
    writeAll(dir.filePath("pink.bin"), "short");
    FlashStore store(dir.path());
    UnitModel unit;
    QString error;
    QVERIFY(!store.open(unit, &error));
    QVERIFY2(error.contains("pink.bin") && error.contains("262144"), qPrintable(error));
    QCOMPARE(readAll(dir.filePath("pink.bin")), QByteArray("short"));
    QVERIFY(!QFile::exists(dir.filePath("station.bin")));
}

void tst_FlashStore::receivedBytesAppend()
{
    QTemporaryDir dir;
    writeAll(dir.filePath("rx.bin"), "old");
    FlashStore store(dir.path());
    UnitModel unit;
    QString error;
    QVERIFY(store.open(unit, &error));
    QVERIFY(store.appendReceived(QByteArray("\x00\xff", 2), &error));
    QCOMPARE(readAll(dir.filePath("rx.bin")), QByteArray("old\x00\xff", 5)); // flushed already
    QVERIFY(store.appendReceived("QX", &error));
    QCOMPARE(readAll(dir.filePath("rx.bin")), QByteArray("old\x00\xffQX", 7));
}

QTEST_GUILESS_MAIN(tst_FlashStore)
#include "tst_FlashStore.moc"
