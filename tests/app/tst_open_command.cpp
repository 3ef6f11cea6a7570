// The open command as a technician meets it: the file dialog, the conversion offer, the load, the
// format displays, the button states, the plot window and the rate check.
#include "tests/support/MainWindowFixture.h"
#include "tests/support/WavBuilder.h"
#include "wave/LoadedWave.h"
#include "wave/WaveFileReader.h"
#include "wave/gui/Form_Wave.h"

#include <QtTest>
#include <QtWidgets>

namespace {

QByteArray Pcm(quint32 rate, quint16 bits, quint16 channels, int frames)
{
    const WavBuilder::Fmt fmt{.channels = channels, .rate = rate, .bits = bits};
    return WavBuilder::pcm(fmt, QByteArray(frames * WavBuilder::blockAlignOf(fmt), '\x40'));
}

QString RateText(int rate)
{
    return QStringLiteral("Orvanta stores files using 8000 and 48000 Samples/Second.\r\n The data "
                          "rate of %1 Samples/Sec is incompatible.\r\n Acceptable data rates are: "
                          "8k (voicing), 44.1k and 48k (audio).")
        .arg(rate);
}

QString Offer(const QString& file, int rate)
{
    return QStringLiteral("This file is %1. Convert it to 16-bit PCM at %2 samples/s?")
        .arg(file)
        .arg(rate);
}

// The files the rows choose from, written into the window's folder.
void WriteFiles(const QDir& dir)
{
    const QHash<QString, QByteArray> files{
        {"8k.wav", Pcm(8000, 8, 1, 1234)},
        {"22k2.wav", Pcm(22050, 16, 2, 2205)},
        {"mulaw.wav", WavBuilder::pcm({.tag = 7, .rate = 8000, .bits = 8}, QByteArray(800, 'x'))},
        {"nofmt.wav", WavBuilder::riff("WAVE", WavBuilder::chunk("data", "abcd"))},
        {"avi.wav", WavBuilder::riff("AVI ", {})}};
    for (auto it = files.begin(); it != files.end(); ++it)
        WavBuilder::write(dir.filePath(it.key()), it.value());
}

// WaveFileName|Text1|txtRate|txt_Bits|txt_Chan|txtErr|txt_Xfr_Siz|enabled buttons, with P Play,
// S Stop, D send, V btn_View, and W when the plot window is shown.
QString Shown(Form_Main& w, const AppState& state)
{
    const MainControls& c = w.Controls();
    QString on;
    for (auto [b, letter] : {std::pair{c.Command2, 'P'},
                             {c.Command3, 'S'},
                             {c.btn_snd_ST_ID[0], 'D'},
                             {c.btn_View, 'V'}})
        on += b->isEnabled() ? QString(letter) : QString();
    on += w.PlotWindow()->isVisible() ? "W" : "";
    return QStringList{
        state.WaveFileName, c.Text1->text(),         c.txtRate->text(),     c.txt_Bits->text(),
        c.txt_Chan->text(), c.txtErr->toPlainText(), c.txt_Xfr_Siz->text(), on}
        .join('|');
}

// The rate, the channels and the sample bytes of a loaded wave.
QByteArray Held(const LoadedWave& w)
{
    return QByteArray::number(w.Format.SampleRate) + '/' + QByteArray::number(w.Format.Channels) +
           ':' + QByteArray(reinterpret_cast<const char*>(w.SampleData.data()), w.DataSize);
}

} // namespace

class TestOpenCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void open_data()
    {
        // Each row opens files in turn on a fresh window: "" cancels the dialog; before the ":"
        // "menu" uses File > Open File, "pink" chooses the Pink File first, "yes" accepts the
        // conversion offer, "stop" presses Cancel in its progress window. "$" in `shown` stands
        // for the files' folder.
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("messages");
        const QString ok = "WAV file is open.", bad = "Not a WAV file. File not open.";
        const QString stereo = Offer("16-bit PCM, 22050 samples/s, 2 channels", 8000);
        const QString converted = "Converted to 16-bit PCM at %1 samples/s.";
        auto row = [](const char* name, QStringList steps, QString shown, QStringList messages) {
            QTest::newRow(name) << steps << shown << messages;
        };
        // A format chunk not read leaves the rate at 0 on a fresh window, which warns too.
        row("cancel before first choice", {""}, "||Open failed.|||| 0|", {RateText(0)});
        row("no fmt chunk", {"nofmt.wav"}, "$nofmt.wav|$nofmt.wav|Open failed.|||| 0|",
            {"Couldn't get format chunk", RateText(0)});
        // The previous file's 8000 passes the rate check; btn_View is left as it was.
        row("failed open by menu after a good one", {"menu:8k.wav", "menu:avi.wav"},
            "$avi.wav|$avi.wav|Open failed.|8|1|" + bad + "| 1234|V", {});
        // A name that is literally "*.wav" changes nothing but that name and the cleared status.
        row("literal *.wav after a good one", {"8k.wav", "*.wav"},
            "*.wav|$8k.wav|8000|8|1|| 1234|PSDVW", {});
        row("22050 not converted loads and warns; cancel after it opens it again", {"22k2.wav", ""},
            "$22k2.wav|$22k2.wav|22050|16|2|" + ok + "| 2205|PSDV",
            {stereo, RateText(22050), stereo, RateText(22050)});
        row("22050 converted to 8000", {"yes:22k2.wav"},
            "$22k2.wav|$22k2.wav|8000|16|2|" + converted.arg(8000) + "| 800|PSDV", {stereo});
        row("conversion cancelled: opened as it is, as with No", {"yes,stop:22k2.wav"},
            "$22k2.wav|$22k2.wav|22050|16|2|" + ok + "| 2205|PSDV", {stereo, RateText(22050)});
        row("µ-law for the Pink File converted to 48000", {"pink,yes:mulaw.wav"},
            "$mulaw.wav|$mulaw.wav|48000|16|1|" + converted.arg(48000) + "| 4800|PSDV",
            {Offer("µ-law, 8000 samples/s, 1 channel", 48000)});
    }

    void open()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, shown);
        QFETCH(QStringList, messages);
        MainWindowFixture f;
        Form_Main& w = f.Create();
        const MainControls& c = w.Controls();
        WriteFiles(f.dir.path());
        c.txtErr->setPlainText("old status");
        const bool unsupported = messages.join('/').contains("incompatible");
        f.state.RateUnsupported = !unsupported; // the rate check must set it either way
        QStringList dialogNames{QString()};
        for (const QString& step : steps) {
            const QString how = step.section(':', 0, -2), name = step.section(':', -1);
            if (how.contains("pink"))
                c.opt_Wav_type[2]->click();
            if (how.contains("yes"))
                f.toolkit.msgBoxAnswers.enqueue(Toolkit::Yes);
            f.toolkit.cancelAfterUpdates = how.contains("stop") ? 0 : -1;
            if (!name.isEmpty()) { // empty: Cancel; the next dialog starts with the name chosen
                                   // last
                dialogNames << (name == "*.wav" ? name : f.dir.filePath(name));
                f.toolkit.fileAnswers.enqueue(dialogNames.last());
            }
            w.PlotWindow()->show(); // an open hides it
            how.contains("menu") ? c.mnu_File_Open->trigger()
                                 : QTest::mouseClick(c.Command1, Qt::LeftButton);
        }
        QCOMPARE(Shown(w, f.state), shown.replace("$", f.dir.path() + "/"));
        QCOMPARE(w.Wave().FileOpen, shown.contains("|PSDV"));
        QCOMPARE(f.toolkit.MessageTexts(), messages);
        for (const ScriptedToolkit::Message& m : f.toolkit.messages)
            QVERIFY(m.buttons ==
                        (m.text.startsWith("This file") ? Toolkit::YesNo : Toolkit::OkOnly) &&
                    m.title == AppState::AppTitle);
        QCOMPARE(f.state.RateUnsupported, unsupported);
        QCOMPARE(f.toolkit.dialogsStartedWith, dialogNames.mid(0, steps.size()));
        QCOMPARE(f.toolkit.progressLabels.size(), steps.filter("yes").size());
        QCOMPARE(c.mnu_File_SaveConverted->isEnabled(), shown.contains("Converted"));
    }

    void saveConvertedThroughDialog()
    {
        MainWindowFixture f;
        Form_Main& w = f.Create();
        WriteFiles(f.dir.path());
        f.toolkit.msgBoxAnswers.enqueue(Toolkit::Yes);
        const QString saved = f.dir.filePath("saved.wav");
        f.toolkit.fileAnswers << f.dir.filePath("22k2.wav") << saved;
        QTest::mouseClick(w.Controls().Command1, Qt::LeftButton);
        w.Controls().mnu_File_SaveConverted->trigger();
        // Beside the source by default, named after its new rate; it reads back as it is held.
        QCOMPARE(f.toolkit.dialogsStartedWith.last(), f.dir.filePath("22k2-8000.wav"));
        QCOMPARE(w.Controls().txtErr->toPlainText(), "Saved as " + saved + ".");
        LoadedWave back;
        LoadWaveFile(back, saved);
        QCOMPARE(Held(back), Held(w.Wave()));
        // The desktop dialog gets the program's filter in the toolkit's own form.
        QCOMPARE(Toolkit::FilterToQt("Wav Files (*.wav)|*.wav|All Files (*.*)|*.*"),
                 QStringLiteral("Wav Files (*.wav);;All Files (*.*)"));
    }
};

QTEST_MAIN(TestOpenCommand)
#include "tst_open_command.moc"
