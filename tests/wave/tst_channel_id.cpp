// The Channel ID: the composer (where each phrase lands, what happens to phrases too long for
// their slot, the silence trimmed around them, the one level shared by all), the project file
// and the step from a row's file or text to its samples (spoken by espeak-ng).
#include "wave/ChannelIdComposer.h"
#include "wave/ChannelIdProject.h"
#include "wave/LoadedWave.h"
#include "wave/SilenceTrim.h"
#include "wave/WaveFileReader.h"
#include "wave/WaveFileWriter.h"
#include "wave/speech/PhraseSource.h"
#include "wave/speech/SpeechSynth.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <numeric>

using Fit = ChannelIdComposer::Fit;
using Mode = ChannelIdLayout::Mode;
using Edits = std::initializer_list<std::pair<const char*, const char*>>;
using RunList = std::initializer_list<std::pair<int, double>>;

namespace {

// Runs of (count, magnitude) of a 500 Hz square wave: every sample of a run counts as sound.
std::vector<double> Runs(RunList runs)
{
    std::vector<double> out;
    for (auto [count, magnitude] : runs)
        for (int i = 0; i < count; ++i)
            out.push_back((out.size() / 8) % 2 ? -magnitude : magnitude);
    return out;
}

// A project of silent rows, each line that starts with an edit's first text starting with its
// second instead (whole lines: "3 none" does not edit 13).
QByteArray Project(Edits edits)
{
    QByteArray text = "pelorin-channel-id 1\r\nmode half\r\n# a comment\r\n\r\nlevel 90\r\n";
    for (int k = 16; k >= 1; --k)
        text += QByteArray::number(k) + " none silent\r\n";
    for (const auto& [from, to] : edits)
        text.replace("\n" + QByteArray(from), "\n" + QByteArray(to));
    return text;
}

struct ComposeRow
{
    Mode mode;
    int length; // of channel 1's phrase
    Fit fit;
    double level;
    int placed; // 0: the composition fails
    const char* error;
};

} // namespace

Q_DECLARE_METATYPE(ComposeRow)

class TestChannelId : public QObject
{
    Q_OBJECT
private slots:
    void compose_data()
    {
        QTest::addColumn<ComposeRow>("c");
        const auto row = [](const char* name, ComposeRow c) { QTest::newRow(name) << c; };
        const Mode half = Mode::HalfSecond, one = Mode::OneSecond;
        row("exactly the slot", {half, 4096, Fit::None, 90, 4096, ""});
        row("one-second, shorter, trim asked: untouched, full scale",
            {one, 3000, Fit::Trim, 100, 3000, ""});
        row("too long", {half, 5000, Fit::None, 50, 0,
                         "Channel 1: 5000 samples (0.625 s), 904 samples (0.113 s) longer than "
                         "its slot of 4096 samples (0.512 s)"});
        row("trimmed", {half, 5000, Fit::Trim, 50, 4096, ""});
        row("one-second, sped up", {one, 12000, Fit::SpeedUp, 50, 8192, ""});
        const char* refused = "The level must be more than 0 % and at most 100 %.";
        row("level 0 %", {half, 0, Fit::None, 0, 0, refused});
        row("level above 100 %", {half, 0, Fit::None, 100.5, 0, refused});
        row("level NaN", {half, 0, Fit::None, std::nan(""), 0, refused});
    }
    // Beside channel 1's phrase at half scale, a softer one in channel 3 and the loudest in 10:
    // the loudest reaches the level, the others keep their ratio to it.
    void compose()
    {
        QFETCH(ComposeRow, c);
        ChannelIdComposer::Input in;
        in.mode = c.mode;
        in.levelPercent = c.level;
        in.phrases[0] = Runs({{c.length, 0.5}});
        in.fits[0] = c.fit;
        in.phrases[2] = Runs({{100, 0.2}});
        in.phrases[9] = Runs({{100, 0.8}});
        const ChannelIdComposer::Result r = ChannelIdComposer::compose(in);
        const ChannelIdComposer::RowReport& row = r.rows[0];
        QCOMPARE(row.sourceLength, c.length);
        QCOMPARE(row.tooLong, c.placed != c.length);
        QCOMPARE(row.fittedBy, row.tooLong ? c.fit : Fit::None);
        QCOMPARE(row.placedLength, c.placed);
        QCOMPARE(r.ok, c.placed > 0);
        QCOMPARE(r.error, QString(c.error));
        QCOMPARE(r.samples.empty(), !r.ok);
        LoadedWave wave; // the composition as the loaded wave
        QCOMPARE(ChannelIdComposer::toLoadedWave(r, wave), r.ok);
        if (!r.ok)
            return;
        QVERIFY(wave.Format.Channels == 1 && wave.Format.SampleRate == 8000 &&
                wave.SampleCount == 131072);
        // Each phrase starts its slot of 8192, in its second half in half-second mode; nothing
        // sounds outside the phrases.
        const auto slot = [&](int k) {
            return 8192 * (k - 1) + (c.mode == Mode::HalfSecond ? 4096 : 0);
        };
        std::vector<qint16> rest = r.samples;
        for (auto [channel, count] : {std::pair{1, c.placed}, {3, 100}, {10, 100}})
            std::fill_n(rest.begin() + slot(channel), count, 0);
        QVERIFY(std::all_of(rest.begin(), rest.end(), [](qint16 v) { return v == 0; }));
        const auto first = r.samples.begin() + slot(1);
        const auto at = [&](int channel) { return std::abs(r.samples[size_t(slot(channel))]); };
        const double full = c.level / 100 * 32768;
        QCOMPARE(at(10), std::min(std::lround(full), 32767L));
        QVERIFY(std::abs(at(3) - full / 4) <= 1 && at(1) != 0);
        if (c.fit == Fit::Trim && row.tooLong) // faded out to silence, not cut in full swing
            QVERIFY(first[c.placed - 1] == 0 && std::abs(first[c.placed - 41]) > full / 2);
        const int rising =
            std::inner_product(first, first + c.placed - 1, first + 1, 0, std::plus<>(),
                               [](int a, int b) { return a < 0 && b >= 0; });
        if (c.fit == Fit::SpeedUp) // 500 Hz raised by length / slot
            QVERIFY(qAbs(rising - 500.0 * c.length / 8000) <= 1);
    }

    void trim_data()
    {
        QTest::addColumn<std::vector<double>>("phrase");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        const auto row = [](const char* name, RunList runs, int start, int length) {
            QTest::newRow(name) << Runs(runs) << start << length;
        };
        const double hiss = 1 / 32768.0, soft = 0.5 * 0.0316, noise = 0.5 * 0.00316;
        row("nothing", {}, 0, 0);
        row("hiss of one step only", {{800, hiss}}, 0, 0);
        row("silence both sides, 10 ms kept", {{1000, 0.0}, {500, 0.5}, {1000, 0.0}}, 920, 660);
        row("no silence before", {{500, 0.5}, {1000, 0.0}}, 0, 580);
        row("margin reaches past the end", {{1000, 0.0}, {500, 0.5}, {30, 0.0}}, 920, 610);
        row("soft onset at -30 dB is sound", {{1000, 0}, {200, soft}, {500, 0.5}, {1000, 0}}, 920,
            860);
        row("noise at -50 dB is not", {{1000, 0}, {200, noise}, {500, 0.5}, {1000, 0}}, 1120, 660);
    }
    void trim()
    {
        QFETCH(std::vector<double>, phrase);
        QFETCH(int, start);
        QFETCH(int, length);
        const SilenceTrim::Span span = SilenceTrim::soundSpan(phrase);
        QCOMPARE(span.start, start);
        QCOMPARE(span.length, length);
    }

    void projectFaults_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("error");
        const auto row = [](const char* name, const char* from, const char* to, const char* error) {
            QTest::newRow(name) << Project({{from, to}}) << QString::fromUtf8(error);
        };
        QTest::newRow("not a project") << "RIFF" + Project({}) << "Line 1: this is not a Channel";
        QTest::newRow("empty") << QByteArray() << "This is not a Channel ID project.";
        QTest::newRow("missing level and row")
            << Project({{"level 90", "#"}, {"7 none silent\r\n", ""}})
            << "Missing: the level, channel 7.";
        row("unknown line", "mode half", "volume 3", "Line 2: a line starts with mode, level or");
        row("mode twice", "level 90", "mode one", "the mode is given twice");
        row("unknown mode", "mode half", "mode quarter", "the mode is half or one");
        row("level 0", "level 90", "level 0", "Line 5: the level is a number above 0");
        row("level over 100", "level 90", "level 100.5", "at most 100");
        row("channel 17", "16 none", "17 none", "Line 6: a line starts with mode");
        row("channel twice", "16 none", "15 none", "channel 15 is given twice");
        row("unknown fit", "3 none", "3 stretch", "the fit is none, trim or speedup");
        row("unknown source", "3 none silent", "3 none noise", "silent, file or say");
        row("file without path", "3 none silent", "3 none file", "a file row needs a path");
        row("speed not a number", "3 none silent", "3 none say en fast hi", "a whole number");
        row("speed too low", "3 none silent", "3 none say en 79 hi", "80 to 450 words");
        row("nothing to say", "3 none silent", "3 none say en 160  ", "a say row needs a text");
        row("text not UTF-8", "3 none silent", "3 none say en 160 \xff\xfe", "not UTF-8");
        row("more after silent", "3 none silent", "3 none silent please", "nothing follows");
    }
    void projectFaults()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, error);
        QString said;
        QVERIFY(!ChannelIdProject::parse(text, said));
        QVERIFY2(said.contains(error), qPrintable(said));
    }

    // A project written and read back, then every row's source read for the composer: a file
    // of one second at 16000 per second, a 250 Hz tone at half scale in its first channel and
    // silence in its second, comes at 8000 per second; speech at 8000 per second in [-1, 1] and
    // at its speed; rows that cannot be read are named, the others still read.
    void project()
    {
        QTemporaryDir dir;
        std::vector<qint16> frames;
        for (int n = 0; n < 16000; ++n)
            frames.insert(frames.end(), {qint16(std::lround(16384 * std::sin(M_PI * n / 32))), 0});
        LoadedWave wave;
        QVERIFY(wave.Store16(frames, 2, 16000) && QDir(dir.path()).mkdir("ä b"));
        QCOMPARE(SaveWaveFile(wave, dir.filePath("ä b/tone 1.wav")), std::nullopt);
        QString error;
        std::optional<ChannelIdProject> p = ChannelIdProject::parse(
            Project({{"mode half", "mode one"},
                     {"level 90", "level 72.5"},
                     {"1 none silent", "1 trim file ä b/tone 1.wav"},
                     {"3 none silent", "3 none say xx-nowhere 160 Kanal  zwölf "},
                     {"5 none silent", "5 none file absent.wav"},
                     {"7 none silent", "7 none say en-us 160 Channel one"},
                     {"8 none silent", "8 speedup say en-us 400 Channel one"}}),
            error, dir.path());
        QVERIFY2(p, qPrintable(error));
        const QString path = dir.filePath("id project.txt");
        QCOMPARE(p->save(path), std::nullopt);
        const std::optional<ChannelIdProject> back = ChannelIdProject::read(path, error);
        QVERIFY2(back, qPrintable(error));
        for (const ChannelIdProject* q : {&std::as_const(*p), &*back}) {
            QVERIFY(q->mode == Mode::OneSecond && q->levelPercent == 72.5);
            QCOMPARE(q->rows[0].fit, Fit::Trim);
            QCOMPARE(q->rows[0].source.path, dir.filePath("ä b/tone 1.wav")); // from its folder
            QVERIFY(q->rows[7].fit == Fit::SpeedUp && q->rows[7].source.wordsPerMinute == 400);
            QCOMPARE(q->rows[2].source.voice + q->rows[2].source.text, "xx-nowhereKanal  zwölf ");
        }
        const PhraseSource::Composition c = PhraseSource::composerInput(*back);
        QCOMPARE(c.error.split('\n').size(), 2);
        QVERIFY2(c.error.contains("Channel 3: There is no speech voice \"xx-nowhere\"") &&
                     c.error.contains("Channel 5: " + dir.filePath("absent.wav")),
                 qPrintable(c.error));
        const std::vector<double>& tone = c.input.phrases[0];
        QCOMPARE(tone.size(), size_t(8000));
        for (int n = 1000; n < 7000; ++n) // clear of the resampler's edges
            QVERIFY(std::abs(tone[size_t(n)] - 0.5 * std::sin(2 * M_PI * 250 * n / 8000)) < 1e-3);
        // Seconds of sound, the silence around it trimmed, at 160 and at 400 words a minute.
        for (auto [k, low, high] : {std::tuple{6, 0.5, 1.0}, {7, 0.2, 0.45}}) {
            const std::vector<double>& said = c.input.phrases[size_t(k)];
            const double seconds = SilenceTrim::trimmed(said).size() / 8000.0;
            QVERIFY2(seconds >= low && seconds <= high, qPrintable(QString::number(seconds)));
            const auto [min, max] = std::minmax_element(said.begin(), said.end());
            QVERIFY(-*min > 0.1 && *max > 0.1 && -*min <= 1 && *max <= 1);
        }
        // What could not be read back the same is not written.
        p->rows[4].source = p->rows[7].source;
        p->rows[4].source.text = "two\nlines";
        QVERIFY(p->save(dir.filePath("refused.txt"))->contains("Channel 5"));
        QVERIFY(!QFile::exists(dir.filePath("refused.txt")));
    }

    // The voices installed, one spoken by its identifier; the speeds and texts speech refuses.
    void voices()
    {
        QString error;
        const std::vector<SpeechSynth::Voice> voices = SpeechSynth::voices(&error);
        const auto american = std::find_if(voices.begin(), voices.end(), [](const auto& v) {
            return v.language == "en-us" && v.name == "English (America)";
        });
        QVERIFY(error.isEmpty() && american != voices.end());
        QVERIFY(SpeechSynth::speak("one", american->identifier, 160).error.isEmpty());
        // Languages the list names are spoken by that name, not only by a voice's own name.
        for (const char* language : {"en-gb", "fr-fr"})
            QVERIFY2(SpeechSynth::speak("a", language, 160).error.isEmpty(), language);
        QVERIFY(SpeechSynth::speak("one", "en", 79).error.contains("80 to 450 words"));
        QVERIFY(SpeechSynth::speak(" ", "en", 160).error.contains("no text to speak"));
    }
};

QTEST_GUILESS_MAIN(TestChannelId)
#include "tst_channel_id.moc"
