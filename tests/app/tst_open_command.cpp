// The open command as a technician meets it: the file dialog, the load, the format displays, the
// button states and the rate check.
#include "tests/support/MainWindowFixture.h"
#include "tests/support/WavBuilder.h"
#include "wave/LoadedWave.h"
#include "wave/WaveFileReader.h"
#include "wave/gui/Form_Wave.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

class TestOpenCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void open_data();
    void open();
    void convertOnOpen_data();
    void convertOnOpen();
    void plotHiddenAfterOpen();
    void dialogFilter();
};

namespace {

QByteArray Pcm(quint32 rate, quint16 bits, quint16 channels, int frames)
{
    WavBuilder::Fmt fmt;
    fmt.rate = rate;
    fmt.bits = bits;
    fmt.channels = channels;
    return WavBuilder::pcm(fmt, QByteArray(frames * WavBuilder::blockAlignOf(fmt), '\x40'));
}

QString RateText(int rate)
{
    return QStringLiteral("Orvanta stores files using 8000 and 48000 Samples/Second.\r\n The data "
                          "rate of %1 Samples/Sec is incompatible.\r\n Acceptable data rates are: "
                          "8k (voicing), 44.1k and 48k (audio).")
        .arg(rate);
}

void Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// WaveFileName|Text1|txtRate|txt_Bits|txt_Chan|txtErr|txt_Xfr_Siz|enabled buttons, with P Play,
// S Stop, D send, T "Stop Transfer", V btn_View.
QString Shown(Form_Main& w, const AppState& state)
{
    const MainControls& c = w.Controls();
    QString on;
    for (auto [b, letter] : {std::pair{c.Command2, 'P'},
                             {c.Command3, 'S'},
                             {c.btn_snd_ST_ID[0], 'D'},
                             {c.btn_View, 'V'}})
        on += b->isEnabled() ? QString(letter) : QString();
    return QStringList{
        state.WaveFileName, c.Text1->text(),         c.txtRate->text(),     c.txt_Bits->text(),
        c.txt_Chan->text(), c.txtErr->toPlainText(), c.txt_Xfr_Siz->text(), on}
        .join('|');
}

} // namespace

void TestOpenCommand::open_data()
{
    // Each row opens files in turn on a fresh window ("" cancels the dialog, "menu:" uses File >
    // Open File); "$" in `shown` stands for the files' folder.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("unsupported");
    const QString ok = "WAV file is open.", bad = "Not a WAV file. File not open.";
    auto row = [](const char* name, QStringList steps, QString shown, QStringList messages,
                  bool unsupported) {
        QTest::newRow(name) << steps << shown << messages << unsupported;
    };
    row("8000 8-bit mono", {"8k.wav"}, "$8k.wav|$8k.wav|8000|8|1|" + ok + "| 1234|PSDV", {}, false);
    row("44100 16-bit stereo by menu", {"menu:44k.wav"},
        "$44k.wav|$44k.wav|44100|16|2|" + ok + "| 1234|PSDV", {}, false);
    row("48000 16-bit mono", {"48k.wav"}, "$48k.wav|$48k.wav|48000|16|1|" + ok + "| 1234|PSDV", {},
        false);
    const QString offer = "This file is 16-bit PCM, 22050 samples/s, 1 channel. Convert it to "
                          "16-bit PCM at 8000 samples/s?";
    row("22050 not converted loads, then warns", {"22k.wav"},
        "$22k.wav|$22k.wav|22050|16|1|" + ok + "| 1234|PSDV", {offer, RateText(22050)}, true);
    // A format chunk not read leaves the rate at 0 on a fresh window, which warns too.
    row("text file named .wav", {"text.wav"}, "$text.wav|$text.wav|Open failed.|||" + bad + "| 0|",
        {RateText(0)}, true);
    row("no fmt chunk", {"nofmt.wav"}, "$nofmt.wav|$nofmt.wav|Open failed.|||| 0|",
        {"Couldn't get format chunk", RateText(0)}, true);
    row("data before fmt", {"datafirst.wav"}, "$datafirst.wav|$datafirst.wav|Open failed.|||| 0|",
        {"Couldn't get data chunk"}, false);
    row("cancel before first choice", {""}, "||Open failed.|||| 0|", {RateText(0)}, true);
    row("cancel after a choice opens it again", {"22k.wav", ""},
        "$22k.wav|$22k.wav|22050|16|1|" + ok + "| 1234|PSDV",
        {offer, RateText(22050), offer, RateText(22050)}, true);
    // A name that is literally "*.wav" changes nothing but that name and the cleared status.
    row("literal *.wav after a good one", {"8k.wav", "*.wav"}, "*.wav|$8k.wav|8000|8|1|| 1234|PSDV",
        {}, false);
    // The previous file's 48000 passes the rate check; btn_View is left as it was.
    row("failed open after a good one", {"48k.wav", "avi.wav"},
        "$avi.wav|$avi.wav|Open failed.|16|1|" + bad + "| 1234|V", {}, false);
}

void TestOpenCommand::open()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, shown);
    QFETCH(QStringList, messages);
    QFETCH(bool, unsupported);
    const QString offer = "This file is 16-bit PCM, 22050 samples/s, 1 channel. Convert it to "
                          "16-bit PCM at 8000 samples/s?";
    MainWindowFixture f;
    Form_Main& w = f.Create();
    const QHash<QString, QByteArray> files{
        {"8k.wav", Pcm(8000, 8, 1, 1234)},
        {"44k.wav", Pcm(44100, 16, 2, 1234)},
        {"48k.wav", Pcm(48000, 16, 1, 1234)},
        {"22k.wav", Pcm(22050, 16, 1, 1234)},
        {"text.wav", "These are not samples.\n"},
        {"nofmt.wav", WavBuilder::riff("WAVE", WavBuilder::chunk("data", "abcd"))},
        {"datafirst.wav",
         WavBuilder::riff("WAVE", WavBuilder::chunk("data", "abcd") + WavBuilder::fmtChunk({}))},
        {"avi.wav", QByteArray("RIFF\x04\x00\x00\x00AVI ", 12)}};
    for (auto it = files.begin(); it != files.end(); ++it)
        Write(f.dir.filePath(it.key()), it.value());
    w.Controls().txtErr->setPlainText("old status");
    f.state.RateUnsupported = !unsupported; // the rate check must set it either way
    QStringList dialogNames{QString()};
    for (QString step : steps) {
        const bool menu = step.startsWith("menu:");
        if (step.remove("menu:"); !step.isEmpty()) { // empty: Cancel
            // The next dialog starts with the name chosen last.
            dialogNames << (step == "*.wav" ? step : f.dir.filePath(step));
            f.toolkit.fileAnswers.enqueue(dialogNames.last());
        }
        menu ? w.Controls().mnu_File_Open->trigger()
             : QTest::mouseClick(w.Controls().Command1, Qt::LeftButton);
    }
    QCOMPARE(Shown(w, f.state), shown.replace("$", f.dir.path() + "/"));
    QCOMPARE(w.Wave().FileOpen, shown.endsWith("|PSDV"));
    QCOMPARE(f.toolkit.MessageTexts(), messages);
    for (const ScriptedToolkit::Message& m : f.toolkit.messages)
        QVERIFY(m.buttons == (m.text == offer ? Toolkit::YesNo : Toolkit::OkOnly) &&
                m.title == AppState::AppTitle);
    QCOMPARE(f.state.RateUnsupported, unsupported);
    QCOMPARE(f.toolkit.dialogsStartedWith, dialogNames.mid(0, steps.size()));
}

void TestOpenCommand::convertOnOpen_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("pink"); // Pink File chosen before the open
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("cancelAt"); // the progress update at which Cancel is pressed; -1 never
    // txtRate|txt_Bits|txt_Chan|txtErr|frames, and a part of the messages shown, in order
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("asked");
    const QString converted = "Converted to 16-bit PCM at %1 samples/s.";
    const QByteArray mulaw =
        WavBuilder::pcm({.tag = 7, .channels = 1, .rate = 8000, .bits = 8}, QByteArray(800, 'x'));
    QTest::newRow("22050 converted to 8000")
        << Pcm(22050, 16, 2, 2205) << false << int(Toolkit::Yes) << -1
        << "8000|16|2|" + converted.arg(8000) + "|800"
        << "22050 samples/s, 2 channels";
    QTest::newRow("22050 conversion cancelled: opened as it is, as with No")
        << Pcm(22050, 16, 2, 2205) << false << int(Toolkit::Yes) << 0
        << "22050|16|2|WAV file is open.|2205"
        << "22050 samples/s, 2 channels";
    QTest::newRow("µ-law for the Pink File converted to 48000")
        << mulaw << true << int(Toolkit::Yes) << -1
        << "48000|16|1|" + converted.arg(48000) + "|4800"
        << "This file is µ-law, 8000 samples/s, 1 channel. Convert it to 16-bit PCM at 48000";
    QTest::newRow("µ-law not converted: refused as before")
        << mulaw << false << int(Toolkit::No) << -1 << "Open failed.|||"
        << "at 8000 samples/s?/Unsupported format: format tag 7 (µ-law)";
    QTest::newRow("8000 16-bit: nothing asked")
        << Pcm(8000, 16, 1, 800) << false << int(Toolkit::Yes) << -1
        << "8000|16|1|WAV file is open.|800"
        << "";
}

void TestOpenCommand::convertOnOpen()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, pink);
    QFETCH(int, answer);
    QFETCH(int, cancelAt);
    QFETCH(QString, shown);
    QFETCH(QString, asked);
    MainWindowFixture f;
    f.toolkit.cancelAfterUpdates = cancelAt;
    Form_Main& w = f.Create();
    const MainControls& c = w.Controls();
    Write(f.dir.filePath("in.wav"), file);
    if (pink)
        c.opt_Wav_type[2]->click();
    f.toolkit.msgBoxAnswers.enqueue(answer);
    f.toolkit.fileAnswers.enqueue(f.dir.filePath("in.wav"));
    QTest::mouseClick(c.Command1, Qt::LeftButton);
    const QString now = QStringList{c.txtRate->text(), c.txt_Bits->text(), c.txt_Chan->text(),
                                    c.txtErr->toPlainText(), QString::number(w.Wave().SampleCount)}
                            .join('|');
    QVERIFY2(now.startsWith(shown), qPrintable(now));
    const QStringList texts = f.toolkit.MessageTexts();
    QVERIFY2(asked.isEmpty() ? texts.isEmpty() : texts.join('/').contains(asked),
             qPrintable(texts.join('/')));
    const bool converting = answer == Toolkit::Yes && !asked.isEmpty();
    QCOMPARE(f.toolkit.progressLabels.size(), converting ? 1 : 0);
    // A converted sound can be saved, beside the source by default, and reads back the same.
    QCOMPARE(c.mnu_File_SaveConverted->isEnabled(), now.contains("Converted"));
    if (!c.mnu_File_SaveConverted->isEnabled())
        return;
    const LoadedWave& loaded = w.Wave();
    f.toolkit.fileAnswers.enqueue(f.dir.filePath("saved.wav"));
    c.mnu_File_SaveConverted->trigger();
    QCOMPARE(f.toolkit.dialogsStartedWith.last(),
             f.dir.filePath(QStringLiteral("in-%1.wav").arg(loaded.Format.SampleRate)));
    LoadedWave back;
    LoadWaveFile(back, f.dir.filePath("saved.wav"));
    QVERIFY(back.FileOpen);
    QCOMPARE(back.SampleCount, loaded.SampleCount);
    QCOMPARE(back.Format.SampleRate, loaded.Format.SampleRate);
    QCOMPARE(back.Format.Channels, loaded.Format.Channels);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(back.SampleData.data()), back.DataSize),
             QByteArray(reinterpret_cast<const char*>(loaded.SampleData.data()), loaded.DataSize));
}

void TestOpenCommand::plotHiddenAfterOpen()
{
    MainWindowFixture f;
    Form_Main& w = f.Create();
    w.show();
    w.Controls().btn_View->setText("Hide Plot");
    w.PlotWindow()->show();
    Write(f.dir.filePath("b.wav"), Pcm(8000, 8, 1, 100));
    f.toolkit.fileAnswers.enqueue(f.dir.filePath("b.wav"));
    QTest::mouseClick(w.Controls().Command1, Qt::LeftButton);
    QVERIFY(!w.PlotWindow()->isVisible());
    QCOMPARE(w.Controls().btn_View->text(), QStringLiteral("Hide Plot")); // caption untouched
    const QRect main = w.frameGeometry();
    QCOMPARE(w.PlotWindow()->frameGeometry(),
             QRect(main.bottomLeft() + QPoint(0, 1), QSize(main.width(), main.height() / 2)));
}

void TestOpenCommand::dialogFilter()
{
    // The desktop dialog gets the program's filter in the toolkit's own form.
    QCOMPARE(Toolkit::FilterToQt("Wav Files (*.wav)|*.wav|All Files (*.*)|*.*"),
             QStringLiteral("Wav Files (*.wav);;All Files (*.*)"));
}

QTEST_MAIN(TestOpenCommand)
#include "tst_open_command.moc"
