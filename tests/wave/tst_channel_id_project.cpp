// Channel ID projects: the file written and read back, the faults a file can have, and the step
// from a row's source to its samples.
#include "wave/ChannelIdProject.h"
#include "wave/LoadedWave.h"
#include "wave/WaveFileWriter.h"
#include "wave/speech/PhraseSource.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

class TestChannelIdProject : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip();
    void badFile_data();
    void badFile();
    void fileSource_data();
    void fileSource();
    void sourceErrorsNameTheirRows();

private:
    QTemporaryDir m_dir;
};

namespace {

using Kind = ChannelIdProject::Source::Kind;

ChannelIdProject::Source File(const QString& path)
{
    ChannelIdProject::Source s;
    s.kind = Kind::File;
    s.path = path;
    return s;
}

ChannelIdProject::Source Say(const char* voice, int wordsPerMinute, const char* text)
{
    ChannelIdProject::Source s;
    s.kind = Kind::Speech;
    s.voice = voice;
    s.wordsPerMinute = wordsPerMinute;
    s.text = text;
    return s;
}

QByteArray SilentProject()
{
    QByteArray text = "pelorin-channel-id 1\r\nmode half\r\n# a comment\r\n\r\nlevel 90\r\n";
    for (int k = 16; k >= 1; --k)
        text += QByteArray::number(k) + " none silent\r\n";
    return text;
}

} // namespace

void TestChannelIdProject::roundTrip()
{
    ChannelIdProject p;
    p.mode = ChannelIdLayout::Mode::OneSecond;
    p.levelPercent = 72.5;
    p.rows[0] = {File("/ids/with spaces/ä 1.wav"), ChannelIdComposer::Fit::Trim};
    p.rows[11] = {Say("de", 200, "Kanal  zwölf "), ChannelIdComposer::Fit::SpeedUp};
    const QString path = m_dir.filePath("id project.txt");
    QCOMPARE(p.save(path), std::nullopt);
    QString error;
    const std::optional<ChannelIdProject> back = ChannelIdProject::read(path, error);
    QVERIFY2(back, qPrintable(error));
    QCOMPARE(back->text(), p.text());
    QCOMPARE(back->rows[11].source.text, "Kanal  zwölf ");
    // A relative path starts from the project's folder.
    const QByteArray relative = SilentProject().replace("3 none silent", "3 none file a b.wav");
    QCOMPARE(ChannelIdProject::parse(relative, error, "/base")->rows[2].source.path,
             "/base/a b.wav");
    // What could not be read back the same is not written.
    p.rows[4].source = Say("en", 160, "two\nlines");
    QVERIFY(p.save(m_dir.filePath("refused.txt"))->contains("Channel 5"));
    QVERIFY(!QFile::exists(m_dir.filePath("refused.txt")));
}

void TestChannelIdProject::badFile_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("error");
    const auto row = [](const char* name, const char* from, const char* to, const char* error) {
        QTest::newRow(name) << SilentProject().replace(from, to) << error;
    };
    row("not a project", "pelorin-channel-id 1", "RIFF", "Line 1: this is not a Channel ID");
    row("empty", SilentProject(), "", "This is not a Channel ID project.");
    row("unknown line", "mode half", "volume 3", "Line 2: a line starts with mode, level or");
    row("missing row", "7 none silent\r\n", "", "Missing: channel 7.");
    row("missing level", "level 90", "#", "Missing: the level.");
    row("mode twice", "level 90", "mode one", "the mode is given twice");
    row("unknown mode", "mode half", "mode quarter", "the mode is half or one");
    row("level not a number", "level 90", "level 9O", "Line 5: the level is a number");
    row("level 0", "level 90", "level 0", "the level is a number above 0");
    row("level over 100", "level 90", "level 100.5", "at most 100");
    row("channel 17", "16 none", "17 none", "Line 6: a line starts with mode, level or a channel");
    row("channel twice", "16 none", "15 none", "channel 15 is given twice");
    row("unknown fit", "3 none", "3 stretch", "the fit is none, trim or speedup");
    row("unknown source", "3 none silent", "3 none noise", "the source is silent, file or say");
    row("file without path", "3 none silent", "3 none file", "a file row needs a path");
    row("speed not a number", "3 none silent", "3 none say en fast hi", "a whole number");
    row("speed too low", "3 none silent", "3 none say en 79 hi", "80 to 450 words per minute");
    row("nothing to say", "3 none silent", "3 none say en 160  ", "a say row needs a text");
    row("text not UTF-8", "3 none silent", "3 none say en 160 \xff\xfe", "the text is not UTF-8");
    row("more after silent", "3 none silent", "3 none silent please", "nothing follows silent");
}

void TestChannelIdProject::badFile()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, error);
    QString said;
    QVERIFY(!ChannelIdProject::parse(text, said));
    QVERIFY2(said.contains(error), qPrintable(said));
}

void TestChannelIdProject::fileSource_data()
{
    QTest::addColumn<quint32>("rate");
    QTest::addColumn<int>("channels");
    QTest::newRow("8000 mono, as it is") << 8000u << 1;
    QTest::newRow("16000 stereo: the first channel at 8000") << 16000u << 2;
}

// The file holds a 250 Hz tone at half scale in its first channel, silence in the second.
void TestChannelIdProject::fileSource()
{
    QFETCH(quint32, rate);
    QFETCH(int, channels);
    std::vector<qint16> frames;
    for (quint32 n = 0; n < rate; ++n) {
        frames.push_back(qint16(std::lround(16384 * std::sin(2 * M_PI * 250 * n / rate))));
        frames.resize(frames.size() + size_t(channels - 1));
    }
    LoadedWave wave;
    QVERIFY(wave.StorePcm16(frames, channels, rate));
    const QString path = m_dir.filePath("tone.wav");
    QCOMPARE(SaveWaveFile(wave, path), std::nullopt);
    const PhraseSource::Phrase phrase = PhraseSource::phrase(File(path));
    QVERIFY2(phrase.error.isEmpty(), qPrintable(phrase.error));
    QCOMPARE(phrase.samples.size(), size_t(8000));
    for (int n = 1000; n < 7000; ++n) // clear of the resampler's edges
        QVERIFY(std::abs(phrase.samples[size_t(n)] - 0.5 * std::sin(2 * M_PI * 250 * n / 8000)) <
                1e-3);
}

void TestChannelIdProject::sourceErrorsNameTheirRows()
{
    ChannelIdProject p;
    p.rows[2].source = Say("xx-nowhere", 160, "three");
    p.rows[4].source = File(m_dir.filePath("absent.wav"));
    p.rows[6].source = Say("en", 160, "seven");
    const PhraseSource::Composition c = PhraseSource::composerInput(p);
    QCOMPARE(c.error.split('\n').size(), 2);
    QVERIFY2(c.error.contains("Channel 3: There is no speech voice \"xx-nowhere\"") &&
                 c.error.contains("Channel 5: " + m_dir.filePath("absent.wav")),
             qPrintable(c.error));
    QVERIFY(!c.input.phrases[6].empty());
}

QTEST_GUILESS_MAIN(TestChannelIdProject)
#include "tst_channel_id_project.moc"
