// The unit session on a scripted line and a clock of the test's own: the stream and its hand-overs,
// pacing by the line's clock, a moved level, answers, failures, one command at a time.
#include "tests/unit/ExpectedBytes.h"
#include "tests/unit/ScriptedLink.h"
#include "unit/UnitProtocol.h"
#include "unit/UnitSession.h"

#include <QTest>

#include <optional>

namespace {

using Result = UnitSession::Result;
using Command = UnitSession::Command;
const QByteArray kTerminator(6, '\xFF');

double Ramp(int i)
{
    return ((i * 7919) % 65536 - 32768) / 32768.0;
}

// A session, its line and a clock that moves only when the test says so.
struct Rig
{
    qint64 now = 0;
    ScriptedLink link;
    UnitSession session{link};
    std::optional<Result> result;
    QList<double> progress;
    QList<QByteArray> eraseTexts;
    QObject context;

    Rig()
    {
        link.clock = [this] { return now; };
        session.setClock([this] { return now; });
        QObject::connect(&session, &UnitSession::finished, &context,
                         [this](Command, Result r) { result = r; });
        QObject::connect(&session, &UnitSession::progress, &context,
                         [this](double p) { progress << p; });
        QObject::connect(&session, &UnitSession::eraseAnswered, &context,
                         [this](const QByteArray& t) { eraseTexts << t; });
    }
    // Moves the clock in steps, pumping, until the session is idle or limitMs has passed.
    void run(qint64 stepMs, qint64 limitMs, const std::function<void()>& onStep = {})
    {
        const qint64 end = now + limitMs;
        while (session.busy() && now < end) {
            now += stepMs;
            session.pump();
            if (onStep)
                onStep();
        }
    }
    // The unit answers "QXPGM" once the terminator is on the line, as the real one does.
    void unitConfirms()
    {
        if (!link.writes.isEmpty() && link.writes.last().bytes.endsWith(kTerminator))
            session.replyLine("QXPGM");
    }
    // Starts the command on destination dest (a download: 3000 frames of 16-bit).
    bool start(Command command, WaveDestination dest)
    {
        return command == Command::Download     ? download(dest, 16, 3000)
               : command == Command::Erase      ? session.startErase(dest)
               : command == Command::BlankCheck ? session.startBlankCheck(dest)
                                                : session.startIdQuery();
    }
    bool download(int dest, int bits, int frames, std::function<int()> level = {})
    {
        std::vector<double> values(size_t(std::max(frames, 0)));
        for (int i = 0; i < frames; ++i)
            values[size_t(i)] = Ramp(i);
        return session.startDownload({.dest = WaveDestination(dest),
                                      .bitsPerSample = bits,
                                      .values = values,
                                      .level = std::move(level)});
    }
};

// What a continuously fed line has sent by t: the line starts with the first write.
qint64 LineSent(const ScriptedLink& link, qint64 t)
{
    if (link.writes.isEmpty())
        return 0;
    const qint64 t0 = link.writes.first().atMs;
    return std::min(link.bytesBy(t), qint64((t - t0) * link.rate / 1000.0));
}

struct DownloadRow
{
    int dest, bits, frames;
    QList<int> sizes = {}; // the hand-overs; empty: not checked
    bool confirms = true;
    double rate = 960;      // bytes per second the line carries
    double driverShare = 0; // of that rate the driver tells as sent; 0: it tells nothing
    qint64 stopAtMs = -1;   // when Stop comes; -1: none
    qint64 levelAtMs = -1;  // when the level moves from 100 to 50; -1: never
};

struct AnswerRow
{
    Command command;
    QByteArray reply; // given 300 ms after the start; empty: none
    Result result;
    QByteArray text = {};  // what the erase puts in the status box
    qint64 endsAtMs = 300; // by default on the answer; -1: not before its bytes have left
    qint64 leaveAtMs = -1; // when the program is left; -1: never
};

} // namespace

Q_DECLARE_METATYPE(DownloadRow)
Q_DECLARE_METATYPE(AnswerRow)

class TestUnitSession : public QObject
{
    Q_OBJECT

private slots:
    void download_data()
    {
        QTest::addColumn<DownloadRow>("row");
        const auto row = [](const char* name, DownloadRow r) { QTest::newRow(name) << r; };
        row("Station ID 8-bit 600", {1, 8, 600, {5, 256, 256, 93}});
        row("Channel ID 16-bit 700", {2, 16, 700});
        row("Pink File 8-bit 700", {3, 8, 700});
        row("Pink File 16-bit 131072",
            {3, 16, 131072, QList<int>{6} + QList<int>(511, 512) + QList{516}});
        row("Station ID 131073 frames: the unit's limit", {1, 16, 131073});
        row("empty slice", {2, 16, 0, {10}});
        row("silent unit: unconfirmed, a faster line", {1, 16, 300, {}, false, 1920});
        row("pseudo-terminal, stop", {1, 8, 12000, {}, true, 960, 0, 7000});
        row("truthful driver, stop", {1, 8, 12000, {}, true, 960, 1, 4320});
        row("truthful driver, silent unit", {1, 8, 12000, {}, false, 960, 1});
        row("driver slower than the clock, silent unit", {1, 8, 12000, {}, false, 960, 0.5});
        row("level moved mid-stream", {1, 8, 12000, {}, true, 960, 0, -1, 3000});
    }

    // The stream is the command, every frame in order and the terminator, in the same hand-overs
    // whatever the pacing; a confirmed download counts every byte as taken. The line never runs
    // more than BufferBytes ahead of what the slower of the clock and the driver allows, nor the
    // bar ahead of the line. After a Stop only the terminator follows, at a block's end; a moved
    // level applies from the next hand-over on, never inside one.
    void download()
    {
        QFETCH(DownloadRow, row);
        const auto [dest, bits, frames, sizes, confirms, rate, share, stopAtMs, levelAtMs] = row;
        const int width = dest == 3 ? 2 : 1, planned = std::min(frames, 131072);
        Rig rig;
        rig.link.rate = rate;
        const auto line = [&] {
            const qint64 clock = LineSent(rig.link, rig.now);
            const qint64 t0 = rig.link.writes.isEmpty() ? rig.now : rig.link.writes.first().atMs;
            return share == 0 ? clock
                              : std::min(clock, qint64((rig.now - t0) * rate * share / 1000));
        };
        if (share > 0)
            rig.link.unsent = [&] { return rig.link.size() - line(); };
        int level = 100;
        QVERIFY(rig.download(dest, bits, frames, [&level] { return level; }));
        qint64 worstAhead = 0, writtenAtStop = -1, unsentAtStop = -1;
        double worstLead = 0;
        rig.run(10, 600000, [&] {
            const qint64 taken = line();
            worstAhead = std::max(worstAhead, rig.link.size() - taken);
            if (!rig.progress.isEmpty())
                worstLead = std::max(worstLead,
                                     rig.progress.last() - (taken - 4) / width * 100.0 / planned);
            if (rig.now == stopAtMs) {
                rig.session.requestStop();
                writtenAtStop = rig.link.size();
                unsentAtStop = writtenAtStop - taken;
            }
            if (rig.now == levelAtMs)
                level = 50;
            if (confirms)
                rig.unitConfirms();
        });
        QVERIFY2(worstAhead <= UnitSession::BufferBytes, qPrintable(QString::number(worstAhead)));
        QVERIFY2(worstLead <= 0.01, qPrintable(QString::number(worstLead)));

        const QByteArray stream = rig.link.all();
        const int sent = stopAtMs < 0 ? planned : int(stream.size()) - 10;
        QByteArray expected = ExpectedStream(dest, bits, 100, sent, Ramp);
        if (levelAtMs >= 0) { // from the first frame of the hand-over that changed
            int k = 4;
            while (k < stream.size() && stream[k] == expected[k])
                ++k;
            const int f = (k - 5) / 256 * 256 + 1;
            QVERIFY2(f > 2500 && f < 12000, qPrintable(QString::number(f)));
            expected = expected.left(4 + f) + ExpectedStream(1, 8, 50, 12000, Ramp).mid(4 + f);
        }
        QCOMPARE(stream, expected);
        QCOMPARE(rig.session.sentStream(), expected);
        QCOMPARE(rig.session.framesSent(), sent);
        QCOMPARE(rig.session.plannedBytes(), 10 + qint64(width) * planned);
        QCOMPARE(rig.session.lineRate(), rate);
        QCOMPARE(rig.result, stopAtMs >= 0 ? Result::Stopped
                             : confirms    ? Result::Confirmed
                                           : Result::Unconfirmed);
        // Unconfirmed, the unit's word is awaited for 2 s past the line time, no longer.
        const qint64 lineMs = qint64(expected.size() * 1000 / rate);
        QVERIFY2(confirms || share > 0 || (rig.now >= lineMs + 2000 && rig.now <= lineMs + 2100),
                 qPrintable(QString::number(rig.now)));
        if (!sizes.isEmpty()) {
            QList<int> got;
            for (const ScriptedLink::Write& w : rig.link.writes)
                got << int(w.bytes.size());
            QCOMPARE(got, sizes);
        }
        if (stopAtMs < 0)
            return;
        QCOMPARE(stream.size() - writtenAtStop, 6);
        QVERIFY2(unsentAtStop > 0 && unsentAtStop <= UnitSession::BufferBytes,
                 qPrintable(QString::number(unsentAtStop)));
        QCOMPARE(sent % 256, 1); // frames 0 to a multiple of 256
    }

    void failures_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("line would not open") << "no open";
        QTest::newRow("line fails mid-stream") << "lost";
        QTest::newRow("driver never sends a byte") << "stalled";
        QTest::newRow("driver never drains the end") << "undrained";
        QTest::newRow("QXPGM before the terminator is not this write's") << "early answer";
    }

    void failures()
    {
        QFETCH(QString, what);
        const Result result = what == "early answer" ? Result::Unconfirmed : Result::Failed;
        Rig rig;
        const int frames = 6000;
        rig.link.opens = what != "no open";
        rig.link.failOnWrite = what == "lost" ? 20 : -1;
        if (what == "stalled")
            rig.link.unsent = [&] { return rig.link.size(); };
        if (what == "undrained") // the last 100 bytes never leave
            rig.link.unsent = [&] { return rig.link.all().endsWith(kTerminator) ? 100 : 0; };
        QVERIFY(rig.download(1, 8, frames));
        qint64 takenWhenLost = -1;
        rig.run(10, 60000, [&] {
            if (what == "early answer" && !rig.link.all().endsWith(kTerminator))
                rig.session.replyLine("QXPGM");
            if (!rig.link.isOpen() && takenWhenLost < 0)
                takenWhenLost = LineSent(rig.link, rig.now);
        });
        QCOMPARE(rig.result, result);
        QVERIFY(!rig.session.busy());
        const QByteArray taken = rig.session.sentStream();
        QVERIFY(rig.link.all().startsWith(taken));
        if (what == "no open")
            QVERIFY(rig.link.writes.isEmpty() && rig.now == 0); // ended at once
        if (what == "lost") // the copy holds what the line took, not what was handed over
            QVERIFY2(taken.size() <= takenWhenLost && taken.size() < rig.link.all().size(),
                     qPrintable(QString::number(taken.size())));
        if (what == "stalled")
            QVERIFY2(taken.isEmpty() && rig.now <= UnitSession::StallMs + 100,
                     qPrintable(QString::number(rig.now)));
    }

    void answers_data()
    {
        QTest::addColumn<AnswerRow>("row");
        const auto row = [](const char* name, AnswerRow r) { QTest::newRow(name) << r; };
        const Command erase = Command::Erase, blank = Command::BlankCheck, id = Command::IdQuery;
        row("erased", {erase, "QXESQXERA", Result::Erased, "QXERA"});
        row("erased, lower case with a tail", {erase, "qxEra done", Result::Erased, "qxEra done"});
        row("erase refused", {erase, "QXESQXERR", Result::NotBlank});
        row("erase, other lines do not end the wait",
            {erase, "QXPGM", Result::NoAnswer, {}, 10000});
        row("blank", {blank, "QXBSQXERA", Result::Erased});
        row("not blank", {blank, "QXBSQXERR", Result::NotBlank});
        row("blank check, silent unit", {blank, {}, Result::NoAnswer, {}, 2000 + 5});
        row("ID", {id, " OV16 V0116", Result::Confirmed});
        row("ID, silent unit", {id, {}, Result::NoAnswer, {}, 2000 + 9});
        for (Command c : {Command::Download, erase, blank, id})
            for (qint64 at : {0, 1000})
                QTest::addRow("%s, leaving at %lld ms",
                              QList{"", "download", "erase", "blank check", "ID query"}[int(c)], at)
                    << AnswerRow{c, {}, Result::Stopped, {}, -1, at};
    }

    // Each command puts exactly its bytes on the line and ends on its answer or its bound; the
    // erase counts 100 ticks of its clock, the others wait 2 s past their line time. While one
    // command holds the line, no other start puts a byte on it and the running command's stream
    // stays whole. Leaving the program ends it, but only once its command string has left the
    // line, even when asked at once.
    void answers()
    {
        QFETCH(AnswerRow, row);
        const auto [command, reply, result, text, endsAtMs, leaveAtMs] = row;
        Rig rig;
        rig.session.replyLine("QXERA"); // before the command: nobody's answer
        QVERIFY(rig.start(command, DestStationID));
        QCOMPARE(rig.session.running(), command);
        const auto leave = [&] {
            const QByteArray before = rig.link.all();
            QVERIFY(!rig.download(1, 8, 10) && !rig.session.startErase(DestStationID) &&
                    !rig.session.startBlankCheck(DestStationID) && !rig.session.startIdQuery());
            QCOMPARE(rig.link.all(), before);
            rig.session.endWait();
        };
        if (leaveAtMs == 0)
            leave();
        rig.run(1, 30000, [&] {
            if (rig.now % 100 == 0)
                rig.session.eraseTick();
            if (rig.now == 300 && !reply.isEmpty())
                rig.session.replyLine(reply);
            if (rig.now == leaveAtMs)
                leave();
            rig.unitConfirms();
        });
        const QByteArray all = rig.link.all();
        QCOMPARE(all, command == Command::Download
                          ? ExpectedStream(1, 16, 100, int(all.size()) - 10, Ramp)
                      : command == Command::Erase      ? QByteArray("QXES")
                      : command == Command::BlankCheck ? QByteArray("QXBS")
                                                       : UnitProtocol::IdQuery());
        QCOMPARE(rig.result, result);
        QCOMPARE(rig.eraseTexts, text.isEmpty() ? QList<QByteArray>() : QList<QByteArray>{text});
        QVERIFY2(endsAtMs < 0 ? rig.now >= all.size() * 1000 / 960 : rig.now == endsAtMs,
                 qPrintable(QString::number(rig.now)));
        if (command == Command::IdQuery && result == Result::Confirmed)
            QCOMPARE(rig.session.answer(), QByteArray("OV16 V0116"));
        if (command == Command::Erase && result == Result::NoAnswer) // the bar: 100 - ticks left
            QCOMPARE(rig.progress.size(), 100);
    }
};

QTEST_GUILESS_MAIN(TestUnitSession)
#include "tst_unit_session.moc"
