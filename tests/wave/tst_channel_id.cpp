// The Channel ID composer: where each phrase lands, what happens to phrases too long for their
// slot, the silence trimmed around them and the one level shared by all.
#include "wave/ChannelIdComposer.h"
#include "wave/LoadedWave.h"
#include "wave/SilenceTrim.h"
#include "wave/WaveFileReader.h"
#include "wave/WaveFileWriter.h"

#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using Fit = ChannelIdComposer::Fit;
using Mode = ChannelIdLayout::Mode;
Q_DECLARE_METATYPE(Fit)
Q_DECLARE_METATYPE(Mode)

namespace {

// Runs of (count, magnitude) of a 500 Hz square wave: every sample of a run counts as sound.
std::vector<double> Runs(std::initializer_list<std::pair<int, double>> runs)
{
    std::vector<double> out;
    for (auto [count, magnitude] : runs)
        for (int i = 0; i < count; ++i)
            out.push_back((out.size() / 8) % 2 ? -magnitude : magnitude);
    return out;
}

int RisingCrossings(const std::vector<qint16>& s, qint32 from, qint32 to)
{
    int n = 0;
    for (qint32 i = from + 1; i < to; ++i)
        n += s[size_t(i - 1)] < 0 && s[size_t(i)] >= 0;
    return n;
}

} // namespace

class TestChannelId : public QObject
{
    Q_OBJECT
private slots:
    void placement_data();
    void placement();
    void fitting_data();
    void fitting();
    void trim_data();
    void trim();
    void level_data();
    void level();
};

void TestChannelId::placement_data()
{
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<int>("offset"); // of phrase k from 8192 * (k - 1)
    QTest::newRow("half-second") << Mode::HalfSecond << 4096;
    QTest::newRow("one-second") << Mode::OneSecond << 0;
}

// A click starts each phrase; the wave becomes the loaded wave and survives a save and a load.
void TestChannelId::placement()
{
    QFETCH(Mode, mode);
    QFETCH(int, offset);
    ChannelIdComposer::Input in;
    in.mode = mode;
    in.levelPercent = 100;
    for (auto& phrase : in.phrases)
        phrase = Runs({{1, 1.0}, {20, 0.0}});
    LoadedWave wave;
    QVERIFY(ChannelIdComposer::toLoadedWave(ChannelIdComposer::compose(in), wave));
    QTemporaryDir dir;
    QVERIFY(!SaveWaveFile(wave, dir.filePath("id.wav")));
    QCOMPARE(LoadWaveFile(wave, dir.filePath("id.wav")).show, LoadResult::Show::Nothing);
    QCOMPARE(wave.Format.Channels, quint16(1));
    QCOMPARE(wave.Format.SampleRate, 8000u);
    QCOMPARE(wave.SliceEnd, 131072);
    for (qint32 n = 0; n < wave.SampleCount; ++n) {
        const bool click = n % 8192 == offset;
        QVERIFY2((wave.FirstChannel(n) != 0) == click, qPrintable(QString::number(n)));
    }
}

void TestChannelId::fitting_data()
{
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<int>("length");
    QTest::addColumn<Fit>("fit");
    QTest::addColumn<int>("placed"); // 0: the composition fails
    QTest::addColumn<QString>("error");
    const Mode half = Mode::HalfSecond, one = Mode::OneSecond;
    QTest::newRow("exactly the slot") << half << 4096 << Fit::None << 4096 << "";
    QTest::newRow("shorter, trim asked: untouched") << half << 3000 << Fit::Trim << 3000 << "";
    QTest::newRow("one too long") << half << 4097 << Fit::None << 0
                                  << "Channel 1: 4097 samples (0.512 s), 1 samples";
    QTest::newRow("too long, reported")
        << half << 5000 << Fit::None << 0
        << "5000 samples (0.625 s), 904 samples (0.113 s) longer than its slot of 4096";
    QTest::newRow("one-second, too long")
        << one << 9000 << Fit::None << 0 << "808 samples (0.101 s) longer than its slot of 8192";
    QTest::newRow("trimmed") << half << 5000 << Fit::Trim << 4096 << "";
    QTest::newRow("sped up") << half << 5000 << Fit::SpeedUp << 4096 << "";
    QTest::newRow("one-second, sped up") << one << 12000 << Fit::SpeedUp << 8192 << "";
}

void TestChannelId::fitting()
{
    QFETCH(Mode, mode);
    QFETCH(int, length);
    QFETCH(Fit, fit);
    QFETCH(int, placed);
    QFETCH(QString, error);
    ChannelIdComposer::Input in;
    in.mode = mode;
    in.phrases[0] = Runs({{length, 0.5}});
    in.fits[0] = fit;
    in.levelPercent = 50;
    const ChannelIdComposer::Result r = ChannelIdComposer::compose(in);
    const ChannelIdComposer::RowReport& row = r.rows[0];
    QCOMPARE(row.sourceLength, length);
    QCOMPARE(row.tooLong, length > ChannelIdLayout::slotLength(mode));
    QCOMPARE(row.fittedBy, row.tooLong ? fit : Fit::None);
    QCOMPARE(row.placedLength, placed);
    QCOMPARE(r.ok, placed > 0);
    QVERIFY2(r.error.contains(error), qPrintable(r.error));
    QCOMPARE(r.samples.empty(), !r.ok);
    const qint32 start = mode == Mode::HalfSecond ? 4096 : 0;
    for (qint32 n = 0; n < qint32(r.samples.size()); ++n) // nothing outside the phrase
        QVERIFY2(r.samples[size_t(n)] == 0 || (n >= start && n < start + placed),
                 qPrintable(QString::number(n)));
    if (fit == Fit::Trim && row.tooLong) // faded out to silence, not cut in full swing
        QVERIFY(r.samples[size_t(start + placed - 1)] == 0 &&
                std::abs(r.samples[size_t(start + placed - 41)]) > 16000);
    if (fit == Fit::SpeedUp) // 500 Hz raised by length / slot
        QVERIFY(qAbs(RisingCrossings(r.samples, start, start + placed) - 500.0 * length / 8000) <=
                1);
}

void TestChannelId::trim_data()
{
    QTest::addColumn<std::vector<double>>("phrase");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::newRow("nothing") << std::vector<double>{} << 0 << 0;
    QTest::newRow("all silence") << Runs({{800, 0.0}}) << 0 << 0;
    QTest::newRow("hiss of one step only") << Runs({{800, 1 / 32768.0}}) << 0 << 0;
    QTest::newRow("silence both sides, 10 ms kept")
        << Runs({{1000, 0.0}, {500, 0.5}, {1000, 0.0}}) << 920 << 660;
    QTest::newRow("no silence before") << Runs({{500, 0.5}, {1000, 0.0}}) << 0 << 580;
    QTest::newRow("margin reaches past the end")
        << Runs({{1000, 0.0}, {500, 0.5}, {30, 0.0}}) << 920 << 610;
    QTest::newRow("hiss around a word is silence")
        << Runs({{1000, 1 / 32768.0}, {500, 0.5}, {1000, 1 / 32768.0}}) << 920 << 660;
    QTest::newRow("soft onset at -30 dB is sound")
        << Runs({{1000, 0.0}, {200, 0.5 * 0.0316}, {500, 0.5}, {1000, 0.0}}) << 920 << 860;
    QTest::newRow("noise at -50 dB is not")
        << Runs({{1000, 0.0}, {200, 0.5 * 0.00316}, {500, 0.5}, {1000, 0.0}}) << 1120 << 660;
}

void TestChannelId::trim()
{
    QFETCH(std::vector<double>, phrase);
    QFETCH(int, start);
    QFETCH(int, length);
    const SilenceTrim::Span span = SilenceTrim::soundSpan(phrase);
    QCOMPARE(span.start, start);
    QCOMPARE(span.length, length);
}

void TestChannelId::level_data()
{
    QTest::addColumn<double>("loud");
    QTest::addColumn<double>("soft");
    QTest::addColumn<double>("level"); // percent
    QTest::addColumn<int>("loudPeak"); // -1: the level is refused
    QTest::newRow("raised to 90 %") << 0.2 << 0.05 << 90.0 << 29491;
    QTest::newRow("lowered to 50 %") << 0.9 << 0.3 << 50.0 << 16384;
    QTest::newRow("full scale clamps") << 0.5 << 0.01 << 100.0 << 32767;
    QTest::newRow("0 % refused") << 0.5 << 0.1 << 0.0 << -1;
    QTest::newRow("above 100 % refused") << 0.5 << 0.1 << 100.5 << -1;
    QTest::newRow("NaN refused") << 0.5 << 0.1 << std::nan("") << -1;
}

// The loudest phrase reaches the level; a softer one keeps its ratio to it.
void TestChannelId::level()
{
    QFETCH(double, loud);
    QFETCH(double, soft);
    QFETCH(double, level);
    QFETCH(int, loudPeak);
    ChannelIdComposer::Input in;
    in.phrases[2] = Runs({{100, soft}});
    in.phrases[9] = Runs({{100, loud}});
    in.levelPercent = level;
    const ChannelIdComposer::Result r = ChannelIdComposer::compose(in);
    QCOMPARE(r.ok, loudPeak > 0);
    QCOMPARE(r.error.contains("level"), !r.ok);
    if (!r.ok)
        return;
    const auto peakAt = [&](int channel) {
        return std::abs(r.samples[size_t(ChannelIdLayout::slotStart(channel, in.mode))]);
    };
    QCOMPARE(peakAt(10), loudPeak);
    QVERIFY(qAbs(peakAt(3) - level / 100 * 32768 * soft / loud) <= 1);
}

QTEST_GUILESS_MAIN(TestChannelId)
#include "tst_channel_id.moc"
