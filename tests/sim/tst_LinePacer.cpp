#include "sim/LinePacer.h"

#include <QTest>

class tst_LinePacer : public QObject
{
    Q_OBJECT
private slots:
    void unpaced();
    void rateHolds_data();
    void rateHolds();
    void idleCreditIsShort();
};

void tst_LinePacer::unpaced()
{
    LinePacer pacer(0);
    QVERIFY(pacer.allowance(0) >= 1 << 30);
    pacer.consume(1 << 20);
    QCOMPARE(pacer.msUntilNext(0), qint64(0));
}

void tst_LinePacer::rateHolds_data()
{
    QTest::addColumn<qint64>("baud");
    QTest::addColumn<qint64>("stepMs");
    QTest::newRow("9600, 7 ms") << qint64(9600) << qint64(7);
    QTest::newRow("115200, 3 ms") << qint64(115200) << qint64(3);
}

// A greedy reader takes all it is allowed at every step: after t ms it must have no more than
// t * baud / 10000 bytes plus the short credit, and not fall more than a byte and a step behind.
void tst_LinePacer::rateHolds()
{
    QFETCH(qint64, baud);
    QFETCH(qint64, stepMs);
    LinePacer pacer(baud);
    const double perMs = double(baud) / 10000.0;
    const double credit = std::max(2.0, perMs * 20); // at most 20 ms worth after a pause
    qint64 total = 0;
    for (qint64 t = 0; t <= 3000; t += stepMs) {
        const qsizetype n = pacer.allowance(t);
        pacer.consume(n);
        total += n;
        QVERIFY2(total <= t * perMs + credit, qPrintable(QString::number(t)));
        QVERIFY2(total >= (t - stepMs) * perMs - 1, qPrintable(QString::number(t)));
        if (pacer.allowance(t) == 0)
            QVERIFY(pacer.msUntilNext(t) > 0);
    }
}

void tst_LinePacer::idleCreditIsShort()
{
    LinePacer pacer(9600);
    // A minute of silence allows only 20 ms worth of bytes at once (960 bytes/s).
    QCOMPARE(pacer.allowance(60000), qsizetype(19));
    pacer.consume(19);
    // The remaining fraction of a byte needs under 1.04 ms more.
    const qint64 wait = pacer.msUntilNext(60000);
    QVERIFY(wait >= 1 && wait <= 2);
    QVERIFY(pacer.allowance(60000 + wait) >= 1);
}

QTEST_GUILESS_MAIN(tst_LinePacer)
#include "tst_LinePacer.moc"
