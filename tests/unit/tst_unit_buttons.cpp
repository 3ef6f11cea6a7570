// The destination option buttons and the checks in front of Send, Erase and Blank Check, as a
// technician meets them in the main window: captions, refusals, confirmations and the button
// states they leave. No unit is attached; nothing here reaches the line.
#include "UnitController.h"
#include "UnitWindow.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

class TestUnitButtons : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void destinationCaptions_data();
    void destinationCaptions();
    void checksBeforeCommands_data();
    void checksBeforeCommands();
};

// The row name is the option's caption; the command captions are made from it.
void TestUnitButtons::destinationCaptions_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<QString>("name");
    QTest::newRow("Station ID") << 0 << "Station ID";
    QTest::newRow("Channel ID") << 1 << "Channel ID";
    QTest::newRow("Pink File") << 2 << "Pink Wave File";
}

void TestUnitButtons::destinationCaptions()
{
    QFETCH(int, option);
    QFETCH(QString, name);
    const QString caption = QTest::currentDataTag();
    UnitWindow u;
    // Another destination first: the second choice must replace every trace of it.
    u.Choose((option + 1) % 3);
    u.Choose(option);
    QCOMPARE(u.State().SelectedDestination, option + 1);
    QCOMPARE(u.State().DestinationName, name);
    QCOMPARE(u.Button(0)->text(), "Send " + caption);
    QCOMPARE(u.Button(1)->text(), "Erase " + caption);
    QVERIFY(u.Button(1)->isEnabled());
    QVERIFY(!u.Button(0)->isEnabled()); // choosing does not enable Send without a file
}

void TestUnitButtons::checksBeforeCommands_data()
{
    QTest::addColumn<quint32>("rate");
    QTest::addColumn<int>("option"); // -1: no destination chosen
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title"); // "Notice:" questions have OK and Cancel, the rest OK
    QTest::addColumn<QString>("status");
    const QString app = AppState::AppTitle;
    const QString none = "No file destination selected";
    const QString rate = "Incomaptible data rate. Please use 8000 samples/sec.";
    const QString pink = "Orvanta stores Sound files using 48000 Samples/Second.\r\n"
                         " The data rate of %1 Samples/Sec is incompatible.";
    const QString save = "This command will save a %1 to the Orvanta.\r\n"
                         "Please make sure the old ID was erased before proceeding.";
    QTest::newRow("Send, no destination") << 8000u << -1 << 0 << none << app << QString();
    QTest::newRow("Erase, no destination") << 8000u << -1 << 1 << none << app << QString();
    QTest::newRow("Blank Check, no destination") << 8000u << -1 << 4 << none << app << QString();
    QTest::newRow("22050 as Station ID") << 22050u << 0 << 0 << rate << app << rate;
    QTest::newRow("22050 as Pink File") << 22050u << 2 << 0 << pink.arg(22050) << app << QString();
    QTest::newRow("48000 as Station ID, Cancel")
        << 48000u << 0 << 0 << save.arg("Station ID") << "Notice:" << QString();
    QTest::newRow("44100 as Pink File, Cancel")
        << 44100u << 2 << 0 << save.arg("Pink Wave File") << "Notice:" << QString();
    QTest::newRow("Erase Channel ID, Cancel")
        << 8000u << 1 << 1 << "This command will erase the Channel ID from the Orvanta."
        << "Notice:" << QString();
}

// Each check shows one message and leaves everything as it was: nothing sent or written, no
// erase waiting, the buttons and the COM menu as before the click.
void TestUnitButtons::checksBeforeCommands()
{
    QFETCH(quint32, rate);
    QFETCH(int, option);
    QFETCH(int, button);
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(QString, status);
    UnitWindow u;
    TestWav wav;
    wav.rate = rate;
    wav.bits = 8;
    wav.frames.resize(20, {140, 0});
    QVERIFY(u.Open(wav));
    if (option >= 0)
        u.Choose(option);
    u.Controls().txtErr->setPlainText(QStringLiteral("old status")); // every click empties it
    u.Toolkit().messages.clear(); // the open command's own rate warning
    u.Answer({Toolkit::Cancel});
    // Erase is disabled without a destination; its handler is called as the window would.
    u.Window().UnitCtl().btn_snd_ST_ID_Click(button);
    QCOMPARE(u.Toolkit().MessageTexts(), QStringList{text});
    QCOMPARE(u.Toolkit().messages[0].title, title);
    QCOMPARE(u.Toolkit().messages[0].buttons,
             title == "Notice:" ? Toolkit::OkCancel : Toolkit::OkOnly);
    QCOMPARE(u.Controls().txtErr->toPlainText(), status);
    QCOMPARE(u.States(), (QList<bool>{true, option >= 0, false, true, true, true, true, false}));
    QCOMPARE(u.State().EraseCountdown, 0);
    QVERIFY(!QFile::exists(u.CopyPath()));
}

QTEST_MAIN(TestUnitButtons)
#include "tst_unit_buttons.moc"
