#include "SimOptions.h"

#include <QTest>

class tst_SimOptions : public QObject
{
    Q_OBJECT
private slots:
    void defaults();
    void values_data();
    void values();
    void errors_data();
    void errors();
    void helpListsEveryOption_data();
    void helpListsEveryOption();
};

void tst_SimOptions::defaults()
{
    SimOptions o;
    QCOMPARE(o.parse({"orvanta-sim"}), SimOptions::Outcome::Run);
    QCOMPARE(o.baud(), qint64(9600));
    QCOMPARE(o.unit().eraseMs, qint64(2000));
    QCOMPARE(o.unit().firmware, QByteArray("0116"));
    QVERIFY(o.unit().echo && !o.unit().ignore);
    QCOMPARE(o.unit().hangupAfter, qint64(-1));
    QVERIFY(o.flashDir().isEmpty());
    QVERIFY(o.linkPath().endsWith("orvanta-sim") || o.linkPath().startsWith("/tmp/orvanta-sim-"));
}

void tst_SimOptions::values_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("link");
    QTest::addColumn<qint64>("baud");
    QTest::addColumn<qint64>("eraseMs");
    QTest::addColumn<qint64>("hangup");
    QTest::addColumn<bool>("echo");
    QTest::addColumn<bool>("ignore");
    QTest::newRow("fast") << QStringList{"--link", "/x/y", "--baud", "0", "--erase-ms", "0"}
                          << "/x/y" << qint64(0) << qint64(0) << qint64(-1) << true << false;
    QTest::newRow("faults") << QStringList{"--link=/t", "--hangup-after", "12", "--no-echo",
                                           "--ignore"}
                            << "/t" << qint64(9600) << qint64(2000) << qint64(12) << false << true;
    QTest::newRow("hangup 0") << QStringList{"--link", "/t", "--hangup-after=0", "--baud=115200"}
                              << "/t" << qint64(115200) << qint64(2000) << qint64(0) << true
                              << false;
}

void tst_SimOptions::values()
{
    QFETCH(QStringList, args);
    QFETCH(QString, link);
    QFETCH(qint64, baud);
    QFETCH(qint64, eraseMs);
    QFETCH(qint64, hangup);
    QFETCH(bool, echo);
    QFETCH(bool, ignore);
    SimOptions o;
    QCOMPARE(o.parse(QStringList{"orvanta-sim"} + args), SimOptions::Outcome::Run);
    QCOMPARE(o.linkPath(), link);
    QCOMPARE(o.baud(), baud);
    QCOMPARE(o.unit().eraseMs, eraseMs);
    QCOMPARE(o.unit().hangupAfter, hangup);
    QCOMPARE(o.unit().echo, echo);
    QCOMPARE(o.unit().ignore, ignore);
}

void tst_SimOptions::errors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("short firmware") << QStringList{"--firmware", "116"} << "--firmware";
    QTest::newRow("letters in firmware") << QStringList{"--firmware", "01a6"} << "--firmware";
    QTest::newRow("negative baud") << QStringList{"--baud", "-1"} << "--baud";
    QTest::newRow("text erase") << QStringList{"--erase-ms", "soon"} << "--erase-ms";
    QTest::newRow("huge hangup") << QStringList{"--hangup-after", "99999999999999999"}
                                 << "--hangup-after";
    QTest::newRow("unknown option") << QStringList{"--fast"} << "fast";
    QTest::newRow("missing value") << QStringList{"--link"} << "link";
    QTest::newRow("empty link") << QStringList{"--link", ""} << "--link";
    QTest::newRow("stray argument") << QStringList{"extra"} << "extra";
}

void tst_SimOptions::errors()
{
    QFETCH(QStringList, args);
    QFETCH(QString, mentions);
    SimOptions o;
    QCOMPARE(o.parse(QStringList{"orvanta-sim"} + args), SimOptions::Outcome::Error);
    QVERIFY2(o.message().contains(mentions), qPrintable(o.message()));
}

void tst_SimOptions::helpListsEveryOption_data()
{
    QTest::addColumn<QString>("option");
    for (const char* name : {"--help", "--link", "--firmware", "--erase-ms", "--baud",
                             "--flash-dir", "--no-echo", "--hangup-after", "--ignore"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void tst_SimOptions::helpListsEveryOption()
{
    QFETCH(QString, option);
    SimOptions o;
    QCOMPARE(o.parse({"orvanta-sim", "--help"}), SimOptions::Outcome::ShowHelp);
    QVERIFY2(o.message().contains(option), qPrintable(o.message()));
}

QTEST_GUILESS_MAIN(tst_SimOptions)
#include "tst_SimOptions.moc"
