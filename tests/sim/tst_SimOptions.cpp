#include "sim/SimOptions.h"

#include <QTemporaryDir>
#include <QTest>

class tst_SimOptions : public QObject
{
    Q_OBJECT
private slots:
    void values_data();
    void values();
    void errors_data();
    void errors();
    void helpListsEveryOption();
};

void tst_SimOptions::values_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<qint64>("baud");
    QTest::addColumn<qint64>("eraseMs");
    QTest::addColumn<qint64>("hangup");
    QTest::addColumn<bool>("echo");
    QTest::addColumn<bool>("ignore");
    QTest::newRow("defaults") << QStringList{} << qint64(9600) << qint64(2000) << qint64(-1) << true
                              << false;
    QTest::newRow("fast") << QStringList{"--link", "/t", "--baud", "0", "--erase-ms", "0"}
                          << qint64(0) << qint64(0) << qint64(-1) << true << false;
    QTest::newRow("faults") << QStringList{"--link=/t", "--hangup-after=0", "--no-echo", "--ignore"}
                            << qint64(9600) << qint64(2000) << qint64(0) << false << true;
}

void tst_SimOptions::values()
{
    QFETCH(QStringList, args);
    QFETCH(qint64, baud);
    QFETCH(qint64, eraseMs);
    QFETCH(qint64, hangup);
    QFETCH(bool, echo);
    QFETCH(bool, ignore);
    QTemporaryDir runtime; // without --link the link lives in the user's runtime folder
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    SimOptions o;
    QCOMPARE(o.parse(QStringList{"orvanta-sim"} + args), SimOptions::Outcome::Run);
    QCOMPARE(o.linkPath(), args.isEmpty() ? runtime.filePath("orvanta-sim") : QString("/t"));
    QCOMPARE(o.baud(), baud);
    QCOMPARE(o.unit().eraseMs, eraseMs);
    QCOMPARE(o.unit().hangupAfter, hangup);
    QCOMPARE(o.unit().echo, echo);
    QCOMPARE(o.unit().ignore, ignore);
    QCOMPARE(o.unit().firmware, QByteArray("0116"));
}

void tst_SimOptions::errors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("short firmware") << QStringList{"--firmware", "116"} << "--firmware";
    QTest::newRow("negative baud") << QStringList{"--baud", "-1"} << "--baud";
    QTest::newRow("text erase") << QStringList{"--erase-ms", "soon"} << "--erase-ms";
    QTest::newRow("unknown option") << QStringList{"--fast"} << "fast";
}

void tst_SimOptions::errors()
{
    QFETCH(QStringList, args);
    QFETCH(QString, mentions);
    SimOptions o;
    QCOMPARE(o.parse(QStringList{"orvanta-sim"} + args), SimOptions::Outcome::Error);
    QVERIFY2(o.message().contains(mentions), qPrintable(o.message()));
}

void tst_SimOptions::helpListsEveryOption()
{
    SimOptions o;
    QCOMPARE(o.parse({"orvanta-sim", "--help"}), SimOptions::Outcome::ShowHelp);
    for (const char* name : {"--help", "--link", "--firmware", "--erase-ms", "--baud",
                             "--flash-dir", "--no-echo", "--hangup-after", "--ignore"})
        QVERIFY2(o.message().contains(name), name);
}

QTEST_GUILESS_MAIN(tst_SimOptions)
#include "tst_SimOptions.moc"
