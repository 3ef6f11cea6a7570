// The download's times from explicit milliseconds, and driven by a session as the window does.
#include "tests/unit/ScriptedLink.h"
#include "unit/DownloadClock.h"
#include "unit/UnitSession.h"

#include <QTest>

#include <optional>

Q_DECLARE_METATYPE(WaveDestination)

class TestDownloadClock : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void texts_data();
    void texts();
    void drivenBySession_data();
    void drivenBySession();
};

void TestDownloadClock::texts_data()
{
    QTest::addColumn<qint64>("total");
    QTest::addColumn<double>("rate");
    QTest::addColumn<QList<QPoint>>("updates"); // (bytes sent, ms after the start)
    QTest::addColumn<bool>("end");              // the last update is the finish
    QTest::addColumn<QString>("text");
    const auto row = [](const char* name, qint64 total, double rate, const QList<QPoint>& updates,
                        bool end, const char* text) {
        QTest::newRow(name) << total << rate << updates << end << QString::fromUtf8(text);
    };
    // An ID's whole stream: the command, 131072 bytes and the terminator.
    const qint64 id = 131082;
    row("start", id, 960, {{0, 0}}, false, "0:00 gone, 2:17 left");
    row("middle", id, 960, {{40320, 42900}}, false, "0:42 gone, 1:35 left");
    row("last byte to go", id, 960, {{int(id) - 1, 136000}}, false, "2:16 gone, 0:01 left");
    row("stalled", id, 960, {{9600, 10000}, {9600, 15000}}, false,
        "0:15 gone, 2:07 left, nothing sent for 0:05");
    row("not yet stalled", id, 960, {{9600, 10000}, {9600, 11999}}, false, "0:11 gone, 2:07 left");
    row("stalled just now", id, 960, {{9600, 10000}, {9600, 12000}}, false,
        "0:12 gone, 2:07 left, nothing sent for 0:02");
    row("counts and times never go back", id, 960, {{9600, 10000}, {500, 9000}}, false,
        "0:10 gone, 2:07 left");
    row("end at the line's rate", id, 960, {{40000, 40000}, {int(id), 136544}}, true,
        "Sent 131082 bytes in 2:17, 960 bytes/s");
    row("end on a slower line", id, 960, {{int(id), 136970}}, true,
        "Sent 131082 bytes in 2:17, 957 bytes/s");
    row("stopped", id, 960, {{5006, 5300}}, true, "Sent 5006 of 131082 bytes in 0:05, 945 bytes/s");
    row("empty slice: command and terminator", 10, 960, {{0, 0}, {10, 11}}, true,
        "Sent 10 bytes in 0:00, 909 bytes/s");
    row("nothing, no time", 0, 960, {{0, 0}}, true, "Sent 0 bytes in 0:00");
    row("past an hour, nothing sent yet", 4000000, 960, {{0, 3725000}}, false,
        "1:02:05 gone, 1:09:27 left, nothing sent for 1:02:05");
    row("no rate counts as 1 byte/s", 90, 0, {{30, 0}}, false, "0:00 gone, 1:00 left");
}

void TestDownloadClock::texts()
{
    QFETCH(qint64, total);
    QFETCH(double, rate);
    QFETCH(QList<QPoint>, updates);
    QFETCH(bool, end);
    QFETCH(QString, text);
    const qint64 start = 1'000'000; // any monotonic origin
    DownloadClock clock(total, rate, start);
    QString last;
    for (qsizetype i = 0; i < updates.size(); ++i) {
        const QPoint& u = updates[i];
        last = end && i + 1 == updates.size() ? clock.finish(u.x(), start + u.y())
                                              : clock.update(u.x(), start + u.y());
    }
    QCOMPARE(last, text);
}

void TestDownloadClock::drivenBySession_data()
{
    QTest::addColumn<WaveDestination>("dest");
    QTest::addColumn<int>("frames");
    QTest::addColumn<double>("rate");
    QTest::addColumn<qint64>("stopAtMs"); // -1: runs to its end
    QTest::newRow("Pink File to its end") << DestPinkFile << 1000 << 960.0 << qint64(-1);
    QTest::newRow("Station ID stopped") << DestStationID << 20000 << 1920.0 << qint64(3000);
}

// The calls the window makes: a clock at started, update at every progress, finish at the end.
void TestDownloadClock::drivenBySession()
{
    QFETCH(WaveDestination, dest);
    QFETCH(int, frames);
    QFETCH(double, rate);
    QFETCH(qint64, stopAtMs);
    qint64 now = 0;
    ScriptedLink link;
    link.clock = [&now] { return now; };
    link.rate = rate;
    UnitSession session(link);
    session.setClock([&now] { return now; });
    std::optional<DownloadClock> clock;
    QStringList texts;
    qint64 finishedAt = -1;
    QObject context;
    QObject::connect(&session, &UnitSession::started, &context, [&](UnitSession::Command) {
        clock.emplace(session.plannedBytes(), session.lineRate(), now);
    });
    QObject::connect(&session, &UnitSession::progress, &context,
                     [&](double) { texts << clock->update(session.sentBytes(), now); });
    QObject::connect(&session, &UnitSession::finished, &context,
                     [&](UnitSession::Command, UnitSession::Result) {
                         texts << clock->finish(session.sentBytes(), now);
                         finishedAt = now;
                     });
    QVERIFY(session.startDownload({.dest = dest,
                                   .values = std::vector<double>(size_t(frames)),
                                   .level = [] { return 100; }}));
    const qint64 planned = 4 + qint64(frames) * (dest == DestPinkFile ? 2 : 1) + 6;
    QCOMPARE(session.plannedBytes(), planned);
    QCOMPARE(session.lineRate(), rate);
    for (; session.busy() && now < 60000; now += 10) {
        if (now == stopAtMs)
            session.requestStop();
        if (link.all().endsWith(QByteArray(6, '\xFF')))
            session.replyLine("QXPGM");
        session.pump();
    }
    QVERIFY(texts.size() > 2);
    QCOMPARE(clock->goneMs(), finishedAt);
    QCOMPARE(clock->sentBytes(), qint64(link.all().size()));
    const bool whole = link.all().size() == planned;
    QCOMPARE(whole, stopAtMs < 0);
    const QString sent = QStringLiteral("Sent %1%2 bytes in ")
                             .arg(link.all().size())
                             .arg(whole ? QString() : QStringLiteral(" of %1").arg(planned));
    QVERIFY2(texts.last().startsWith(sent), qPrintable(texts.last()));
    // The session sleeps up to a step past the last byte: the rate is the line's, or just under.
    const int effective = texts.last().section(QStringLiteral(", "), 1).section(' ', 0, 0).toInt();
    QVERIFY2(effective <= rate && effective >= 0.99 * rate, qPrintable(texts.last()));
}

QTEST_GUILESS_MAIN(TestDownloadClock)
#include "tst_download_clock.moc"
