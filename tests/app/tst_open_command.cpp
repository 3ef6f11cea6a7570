// The open command as a technician meets it: the file dialog, the load, the format displays, the
// button states and the rate check.
#include "Form_Wave.h"
#include "LoadedWave.h"
#include "MainWindowFixture.h"
#include "RateCheck.h"
#include "WavBuilder.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

class TestOpenCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void supportedRates_data();
    void supportedRates();
    void otherRateLoadsThenWarns();
    void textFileNamedWav();
    void loaderMessageBoxes_data();
    void loaderMessageBoxes();
    void literalStarDotWav();
    void cancelBeforeFirstChoice();
    void cancelAfterChoiceRepeatsTheOpen();
    void failedOpenAfterGoodOne();
    void plotHiddenAfterOpen();
    void fileMenuRunsTheSameCommand();

private:
    QString Write(MainWindowFixture& f, const QString& name, const QByteArray& bytes);
    void Open(MainWindowFixture& f, const QString& path);
};

namespace {

WavBuilder::Fmt Format(quint32 rate, quint16 bits, quint16 channels)
{
    WavBuilder::Fmt fmt;
    fmt.rate = rate;
    fmt.bits = bits;
    fmt.channels = channels;
    return fmt;
}

QByteArray Pcm(quint32 rate, quint16 bits, quint16 channels, int frames)
{
    const WavBuilder::Fmt fmt = Format(rate, bits, channels);
    return WavBuilder::pcm(fmt, QByteArray(frames * WavBuilder::blockAlignOf(fmt), '\x40'));
}

} // namespace

QString TestOpenCommand::Write(MainWindowFixture& f, const QString& name, const QByteArray& bytes)
{
    const QString path = f.dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestOpenCommand::Open(MainWindowFixture& f, const QString& path)
{
    f.toolkit.fileAnswers.enqueue(path);
    QTest::mouseClick(f.window->Controls().Command1, Qt::LeftButton);
}

void TestOpenCommand::supportedRates_data()
{
    QTest::addColumn<quint32>("rate");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("channels");
    QTest::newRow("8000 8-bit mono") << quint32(8000) << 8 << 1;
    QTest::newRow("44100 16-bit stereo") << quint32(44100) << 16 << 2;
    QTest::newRow("48000 16-bit mono") << quint32(48000) << 16 << 1;
}

void TestOpenCommand::supportedRates()
{
    QFETCH(quint32, rate);
    QFETCH(int, bits);
    QFETCH(int, channels);
    MainWindowFixture f;
    Form_Main& w = f.Create();
    MainControls& c = w.Controls();
    f.state.RateUnsupported = true; // must be cleared by a supported rate
    const QString path = Write(f, "tone.wav", Pcm(rate, bits, channels, 1234));
    Open(f, path);

    QVERIFY(f.toolkit.messages.isEmpty());
    QVERIFY(!f.state.RateUnsupported);
    QVERIFY(w.Wave().FileOpen);
    QCOMPARE(c.Text1->text(), path);
    QCOMPARE(f.state.WaveFileName, path);
    QCOMPARE(c.txtRate->text(), QString::number(rate));
    QCOMPARE(c.txt_Bits->text(), QString::number(bits));
    QCOMPARE(c.txt_Chan->text(), QString::number(channels));
    QCOMPARE(c.txtErr->toPlainText(), QStringLiteral("WAV file is open."));
    QVERIFY(c.Command2->isEnabled());
    QVERIFY(c.Command3->isEnabled());
    QVERIFY(c.btn_snd_ST_ID[0]->isEnabled());
    QVERIFY(c.btn_View->isEnabled());
    QVERIFY(!c.btn_snd_ST_ID[2]->isEnabled());
    QCOMPARE(w.Wave().SliceStart, 0);
    QCOMPARE(w.Wave().SliceEnd, 1234);
    QCOMPARE(c.HScroll1->value(), 0);
    QCOMPARE(c.HScroll2->value(), 1000);
}

void TestOpenCommand::otherRateLoadsThenWarns()
{
    MainWindowFixture f;
    Form_Main& w = f.Create();
    Open(f, Write(f, "speech.wav", Pcm(22050, 16, 1, 500)));
    QVERIFY(w.Wave().FileOpen);
    QVERIFY(w.Controls().Command2->isEnabled());
    QCOMPARE(w.Controls().txtErr->toPlainText(), QStringLiteral("WAV file is open."));
    QCOMPARE(f.toolkit.MessageTexts(),
             QStringList{"Orvanta stores files using 8000 and 48000 Samples/Second.\r\n"
                         " The data rate of 22050 Samples/Sec is incompatible.\r\n"
                         " Acceptable data rates are: 8k (voicing), 44.1k and 48k (audio)."});
    QCOMPARE(f.toolkit.messages[0].buttons, Toolkit::OkOnly);
    QCOMPARE(f.toolkit.messages[0].title, AppState::AppTitle);
    QVERIFY(f.state.RateUnsupported);
}

void TestOpenCommand::textFileNamedWav()
{
    MainWindowFixture f;
    Form_Main& w = f.Create();
    MainControls& c = w.Controls();
    c.btn_snd_ST_ID[2]->setEnabled(true);
    Open(f, Write(f, "notes.wav", "These are not samples.\n"));
    QVERIFY(!w.Wave().FileOpen);
    QCOMPARE(c.txtErr->toPlainText(), QStringLiteral("Not a WAV file. File not open."));
    QCOMPARE(c.txtRate->text(), QStringLiteral("Open failed."));
    QVERIFY(!c.Command2->isEnabled());
    QVERIFY(!c.Command3->isEnabled());
    QVERIFY(!c.btn_snd_ST_ID[0]->isEnabled());
    QVERIFY(!c.btn_snd_ST_ID[2]->isEnabled());
    // No file was loaded before: the rate check speaks of a rate of 0, in a message box only.
    QCOMPARE(f.toolkit.MessageTexts(), QStringList{rateMessage(0)});
    QVERIFY(rateMessage(0).contains(" The data rate of 0 Samples/Sec is incompatible."));
    QVERIFY(f.state.RateUnsupported);
}

void TestOpenCommand::loaderMessageBoxes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    const WavBuilder::Fmt fmt = Format(8000, 8, 1);
    QTest::newRow("no fmt chunk") << WavBuilder::riff("WAVE", WavBuilder::chunk("data", "abcd"))
                                  << "Couldn't get format chunk";
    QTest::newRow("data before fmt")
        << WavBuilder::riff("WAVE", WavBuilder::chunk("data", "abcd") + WavBuilder::fmtChunk(fmt))
        << "Couldn't get data chunk";
}

void TestOpenCommand::loaderMessageBoxes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    MainWindowFixture f;
    Form_Main& w = f.Create();
    Open(f, Write(f, "broken.wav", bytes));
    QVERIFY(!w.Wave().FileOpen);
    QVERIFY(!f.toolkit.messages.isEmpty());
    QCOMPARE(f.toolkit.messages[0].text, message);
    QCOMPARE(f.toolkit.messages[0].title, AppState::AppTitle);
    QCOMPARE(w.Controls().txtRate->text(), QStringLiteral("Open failed."));
}

void TestOpenCommand::literalStarDotWav()
{
    MainWindowFixture f;
    Form_Main& w = f.Create();
    MainControls& c = w.Controls();
    c.txtErr->setPlainText("old status");
    c.Text1->setText("before");
    Open(f, "*.wav");
    QCOMPARE(f.state.WaveFileName, QStringLiteral("*.wav"));
    QVERIFY(c.txtErr->toPlainText().isEmpty());
    QCOMPARE(c.Text1->text(), QStringLiteral("before"));
    QCOMPARE(c.txtRate->text(), QString());
    QVERIFY(f.toolkit.messages.isEmpty());
}

void TestOpenCommand::cancelBeforeFirstChoice()
{
    MainWindowFixture f;
    Form_Main& w = f.Create();
    QTest::mouseClick(w.Controls().Command1, Qt::LeftButton); // no answer queued: Cancel
    QCOMPARE(f.toolkit.dialogsStartedWith, QStringList{QString()});
    QVERIFY(!w.Wave().FileOpen);
    QVERIFY(w.Controls().txtErr->toPlainText().isEmpty()); // no load message for an empty name
    QCOMPARE(w.Controls().txtRate->text(), QStringLiteral("Open failed."));
    QCOMPARE(f.toolkit.MessageTexts(), QStringList{rateMessage(0)});
}

void TestOpenCommand::cancelAfterChoiceRepeatsTheOpen()
{
    MainWindowFixture f;
    Form_Main& w = f.Create();
    const QString path = Write(f, "a.wav", Pcm(8000, 8, 1, 100));
    Open(f, path);
    QVERIFY(w.Wave().FileOpen);
    // The file changes on disk; a cancelled dialog opens the previous name again.
    Write(f, "a.wav", Pcm(8000, 8, 1, 300));
    QTest::mouseClick(w.Controls().Command1, Qt::LeftButton);
    QCOMPARE(f.toolkit.dialogsStartedWith, (QStringList{QString(), path}));
    QVERIFY(w.Wave().FileOpen);
    QCOMPARE(w.Wave().SampleCount, 300);
    QCOMPARE(w.Controls().Text1->text(), path);
}

void TestOpenCommand::failedOpenAfterGoodOne()
{
    MainWindowFixture f;
    Form_Main& w = f.Create();
    MainControls& c = w.Controls();
    Open(f, Write(f, "good.wav", Pcm(48000, 16, 2, 100)));
    QVERIFY(c.btn_View->isEnabled());
    Open(f, Write(f, "bad.wav",
                  QByteArray("RIFF\x04\x00\x00\x00"
                             "AVI ",
                             12)));
    QVERIFY(!w.Wave().FileOpen);
    QCOMPARE(c.txtErr->toPlainText(), QStringLiteral("Not a WAV file. File not open."));
    QVERIFY(!c.Command2->isEnabled());
    QVERIFY(!c.btn_snd_ST_ID[0]->isEnabled());
    QVERIFY(c.btn_View->isEnabled());      // not changed by a failed open
    QVERIFY(f.toolkit.messages.isEmpty()); // the previous file's 48000 passes the rate check
    QVERIFY(!f.state.RateUnsupported);
}

void TestOpenCommand::plotHiddenAfterOpen()
{
    MainWindowFixture f;
    Form_Main& w = f.Create();
    w.show();
    w.Controls().btn_View->setText("Hide Plot");
    w.PlotWindow()->show();
    Open(f, Write(f, "b.wav", Pcm(8000, 8, 1, 100)));
    QVERIFY(!w.PlotWindow()->isVisible());
    QCOMPARE(w.Controls().btn_View->text(), QStringLiteral("Hide Plot")); // caption untouched
    const QRect main = w.frameGeometry();
    QCOMPARE(w.PlotWindow()->frameGeometry().topLeft(),
             QPoint(main.left(), main.top() + main.height()));
    QCOMPARE(w.PlotWindow()->frameGeometry().size(), QSize(main.width(), main.height() / 2));
}

void TestOpenCommand::fileMenuRunsTheSameCommand()
{
    MainWindowFixture f;
    Form_Main& w = f.Create();
    const QString path = Write(f, "c.wav", Pcm(44100, 16, 1, 10));
    f.toolkit.fileAnswers.enqueue(path);
    w.Controls().mnu_File_Open->trigger();
    QVERIFY(w.Wave().FileOpen);
    QCOMPARE(w.Controls().txtRate->text(), QStringLiteral("44100"));
}

QTEST_MAIN(TestOpenCommand)
#include "tst_open_command.moc"
