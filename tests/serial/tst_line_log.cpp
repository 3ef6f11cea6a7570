// The line log without a window: how bytes read as text, and the ring that keeps its size.
#include "serial/LineLog.h"

#include <QtTest>

using D = LineLog::Direction;
Q_DECLARE_METATYPE(D)

class TestLineLog : public QObject
{
    Q_OBJECT
private slots:
    void render_data();
    void render();
    void ring_data();
    void ring();
};

void TestLineLog::render_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("command") << QByteArray("QXBS") << "QXBS";
    QTest::newRow("reply with CR LF") << QByteArray("QXBSQXERA\r\n") << "QXBSQXERA[0D 0A]";
    QTest::newRow("terminator") << QByteArray(6, '\xFF') << QString("[FF×6]");
    QTest::newRow("pair is not a run")
        << QByteArray("\x80\x80\x7F\x7F\x7F", 5) << QString("[80 80 7F×3]");
    QTest::newRow("brackets are hex") << QByteArray("a[b]") << "a[5B]b[5D]";
    QTest::newRow("NUL and a blank") << QByteArray("\0 x", 3) << "[00] x";
    QTest::newRow("runs stop at text")
        << QByteArray("QXWS\x00\x00\x00Q\xFF\xFF\xFF\xFF", 12) << QString("QXWS[00×3]Q[FF×4]");
}

void TestLineLog::render()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(LineLog::renderBytes(bytes), text);
}

void TestLineLog::ring_data()
{
    QTest::addColumn<qint64>("capacity");
    QTest::addColumn<QList<QByteArray>>("runs"); // sent, received, sent, ... 1 ms apart
    QTest::addColumn<QString>("text");
    using L = QList<QByteArray>;
    const qint64 room = 2 * LineLog::RunOverhead + 8; // two runs of 4 bytes
    QTest::newRow("kept whole") << room << L{"QXBS", "QXBS"}
                                << "     0.000 TX QXBS\n     0.001 RX QXBS\n";
    QTest::newRow("oldest run cut, marker") << room << L{"QXEC", "QXBS", "QXBS"}
                                            << "... 4 earlier bytes cut ...\n"
                                               "     0.001 RX QXBS\n     0.002 TX QXBS\n";
    QTest::newRow("one run over the whole log keeps its end")
        << qint64(LineLog::RunOverhead + 3) << L{"QXBSQXERA"}
        << "... 6 earlier bytes cut ...\n     0.000 TX ERA\n";
    QTest::newRow("long run over several lines")
        << qint64(1 << 20) << L{QByteArray(40, 'x')}
        << "     0.000 TX " + QString(32, 'x') + "\n     0.000 TX xxxxxxxx\n";
}

void TestLineLog::ring()
{
    QFETCH(qint64, capacity);
    QFETCH(QList<QByteArray>, runs);
    QFETCH(QString, text);
    LineLog log(capacity);
    for (int i = 0; i < runs.size(); ++i)
        log.add(i, i % 2 ? D::Received : D::Sent, runs[i]);
    QCOMPARE(log.text(), text);
    QVERIFY(log.heldCost() <= capacity);
    QCOMPARE(log.nextSeq(), runs.size());
}

QTEST_MAIN(TestLineLog)
#include "tst_line_log.moc"
