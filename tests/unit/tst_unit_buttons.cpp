// The destination option buttons and the checks in front of Send, Erase and Blank Check, as a
// technician meets them in the main window: captions, refusals, confirmations and the button
// states they leave. No unit is attached; nothing here reaches the line.
#include "UnitController.h"
#include "UnitWindow.h"

#include "LoadedWave.h"
#include "ProgressBar.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

TestWav Wav(quint32 rate, int frames, int bits = 8)
{
    TestWav wav;
    wav.rate = rate;
    wav.bits = bits;
    wav.frames.resize(frames, {bits == 16 ? 1000 : 140, 0});
    return wav;
}

const QString Incompatible = QStringLiteral("Incomaptible data rate. Please use 8000 samples/sec.");

} // namespace

class TestUnitButtons : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void destinationCaptions_data();
    void destinationCaptions();
    void choosingKeepsSendAsItWas();
    void noDestination_data();
    void noDestination();
    void rateCheck_data();
    void rateCheck();
    void cancelAtSendNotice_data();
    void cancelAtSendNotice();
    void cancelAtEraseNotice_data();
    void cancelAtEraseNotice();
    void truncationCancel_data();
    void truncationCancel();
};

void TestUnitButtons::destinationCaptions_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<int>("destination");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("sendCaption");
    QTest::addColumn<QString>("eraseCaption");
    QTest::newRow("Station ID") << 0 << 1 << "Station ID"
                                << "Send Station ID"
                                << "Erase Station ID";
    QTest::newRow("Channel ID") << 1 << 2 << "Channel ID"
                                << "Send Channel ID"
                                << "Erase Channel ID";
    QTest::newRow("Pink File") << 2 << 3 << "Pink Wave File"
                               << "Send Pink File"
                               << "Erase Pink File";
}

void TestUnitButtons::destinationCaptions()
{
    QFETCH(int, option);
    QFETCH(int, destination);
    QFETCH(QString, name);
    QFETCH(QString, sendCaption);
    QFETCH(QString, eraseCaption);
    UnitWindow u;
    QVERIFY(!u.Button(1)->isEnabled());
    // Another destination first: the second choice must replace every trace of it.
    u.Choose((option + 1) % 3);
    u.Choose(option);
    QCOMPARE(u.State().SelectedDestination, destination);
    QCOMPARE(u.State().DestinationName, name);
    QCOMPARE(u.Button(0)->text(), sendCaption);
    QCOMPARE(u.Button(1)->text(), eraseCaption);
    QVERIFY(u.Button(1)->isEnabled());
    QVERIFY(u.Toolkit().messages.isEmpty());
}

void TestUnitButtons::choosingKeepsSendAsItWas()
{
    UnitWindow u;
    u.Choose(2);
    QVERIFY(!u.Button(0)->isEnabled()); // no file yet
    QVERIFY(u.Open(Wav(48000, 10)));
    u.Choose(0);
    QVERIFY(u.Button(0)->isEnabled());
}

void TestUnitButtons::noDestination_data()
{
    QTest::addColumn<int>("button");
    QTest::newRow("Send") << 0;
    QTest::newRow("Erase") << 1;
    QTest::newRow("Blank Check") << 4;
}

void TestUnitButtons::noDestination()
{
    QFETCH(int, button);
    UnitWindow u;
    QVERIFY(u.Open(Wav(8000, 10)));
    u.Controls().txtErr->setPlainText(QStringLiteral("old status"));
    u.Toolkit().messages.clear();
    // Erase is disabled without a destination; its handler is called as the window would.
    u.Window().UnitCtl().btn_snd_ST_ID_Click(button);
    QCOMPARE(u.Toolkit().messages.size(), 1);
    QCOMPARE(u.Toolkit().messages[0].text, QStringLiteral("No file destination selected"));
    QCOMPARE(u.Toolkit().messages[0].buttons, Toolkit::OkOnly);
    QCOMPARE(u.Toolkit().messages[0].title, AppState::AppTitle);
    QCOMPARE(u.Controls().txtErr->toPlainText(), QString()); // every click empties it first
    QCOMPARE(u.State().EraseCountdown, 0);
    QVERIFY(!u.State().TransferBusy);
    QVERIFY(!QFile::exists(u.CopyPath()));
}

void TestUnitButtons::rateCheck_data()
{
    QTest::addColumn<quint32>("rate");
    QTest::addColumn<int>("option");
    QTest::addColumn<QString>("refusal"); // empty: the rate passes and the notice is asked
    QTest::addColumn<QString>("status");
    const QString pink22050 = QStringLiteral(
        "Orvanta stores Sound files using 48000 Samples/Second.\r\n The data rate of 22050 "
        "Samples/Sec is incompatible.");
    const QString pink8000 = QStringLiteral(
        "Orvanta stores Sound files using 48000 Samples/Second.\r\n The data rate of 8000 "
        "Samples/Sec is incompatible.");
    QTest::newRow("22050 Station ID") << quint32(22050) << 0 << Incompatible << Incompatible;
    QTest::newRow("22050 Channel ID") << quint32(22050) << 1 << Incompatible << Incompatible;
    QTest::newRow("22050 Pink File") << quint32(22050) << 2 << pink22050 << QString();
    QTest::newRow("8000 Pink File") << quint32(8000) << 2 << pink8000 << QString();
    QTest::newRow("48000 Station ID") << quint32(48000) << 0 << QString() << QString();
    QTest::newRow("44100 Channel ID") << quint32(44100) << 1 << QString() << QString();
    QTest::newRow("8000 Station ID") << quint32(8000) << 0 << QString() << QString();
    QTest::newRow("44100 Pink File") << quint32(44100) << 2 << QString() << QString();
    QTest::newRow("48000 Pink File") << quint32(48000) << 2 << QString() << QString();
}

void TestUnitButtons::rateCheck()
{
    QFETCH(quint32, rate);
    QFETCH(int, option);
    QFETCH(QString, refusal);
    QFETCH(QString, status);
    UnitWindow u;
    QVERIFY(u.Open(Wav(rate, 20)));
    u.Choose(option);
    u.Toolkit().messages.clear(); // the open command's own rate warning
    u.Answer({Toolkit::Cancel});
    u.Click(0);
    QCOMPARE(u.Toolkit().messages.size(), 1);
    const ScriptedToolkit::Message& m = u.Toolkit().messages[0];
    if (refusal.isEmpty()) {
        QCOMPARE(m.title, QStringLiteral("Notice:"));
        QCOMPARE(m.buttons, Toolkit::OkCancel);
    } else {
        QCOMPARE(m.text, refusal);
        QCOMPARE(m.buttons, Toolkit::OkOnly);
        QCOMPARE(m.title, AppState::AppTitle);
    }
    QCOMPARE(u.Controls().txtErr->toPlainText(), status);
    QVERIFY(u.Button(0)->isEnabled());
    QVERIFY(u.Button(1)->isEnabled());
    QVERIFY(!u.Button(2)->isEnabled());
    QVERIFY(!u.State().TransferBusy);
    QVERIFY(!QFile::exists(u.CopyPath()));
}

void TestUnitButtons::cancelAtSendNotice_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<QString>("notice");
    const char* tail =
        " to the Orvanta.\r\nPlease make sure the old ID was erased before proceeding.";
    QTest::newRow("Station ID") << 0
                                << QStringLiteral("This command will save a Station ID") + tail;
    QTest::newRow("Channel ID") << 1
                                << QStringLiteral("This command will save a Channel ID") + tail;
    QTest::newRow("Pink File") << 2
                               << QStringLiteral("This command will save a Pink Wave File") + tail;
}

void TestUnitButtons::cancelAtSendNotice()
{
    QFETCH(int, option);
    QFETCH(QString, notice);
    UnitWindow u;
    QVERIFY(u.Open(Wav(48000, 50)));
    u.Choose(option);
    u.State().StopTransferRequested = true; // only a confirmed Send clears it
    u.Answer({Toolkit::Cancel});
    u.Click(0);
    QCOMPARE(u.Toolkit().MessageTexts(), QStringList{notice});
    QCOMPARE(u.Toolkit().messages[0].title, QStringLiteral("Notice:"));
    QVERIFY(u.State().StopTransferRequested);
    for (int i : {0, 1, 3, 4})
        QVERIFY2(u.Button(i)->isEnabled(), qPrintable(QString::number(i)));
    QVERIFY(!u.Button(2)->isEnabled());
    QVERIFY(u.Controls().mnuCOM->menuAction()->isEnabled());
    QCOMPARE(u.Controls().txtErr->toPlainText(), QString());
    QVERIFY(!QFile::exists(u.CopyPath()));
}

void TestUnitButtons::cancelAtEraseNotice_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<QString>("notice");
    QTest::newRow("Station ID") << 0 << "This command will erase the Station ID from the Orvanta.";
    QTest::newRow("Channel ID") << 1 << "This command will erase the Channel ID from the Orvanta.";
    QTest::newRow("Pink File") << 2
                               << "This command will erase the Pink Wave File from the Orvanta.";
}

void TestUnitButtons::cancelAtEraseNotice()
{
    QFETCH(int, option);
    QFETCH(QString, notice);
    UnitWindow u;
    u.Choose(option);
    u.Answer({Toolkit::Cancel});
    u.Click(1);
    QCOMPARE(u.Toolkit().MessageTexts(), QStringList{notice});
    QCOMPARE(u.Toolkit().messages[0].title, QStringLiteral("Notice:"));
    QCOMPARE(u.Toolkit().messages[0].buttons, Toolkit::OkCancel);
    QCOMPARE(u.State().EraseCountdown, 0);
    QVERIFY(u.Button(1)->isEnabled());
    QVERIFY(!u.Button(2)->isEnabled());
    QVERIFY(u.Controls().mnuCOM->menuAction()->isEnabled());
}

void TestUnitButtons::truncationCancel_data()
{
    QTest::addColumn<quint32>("rate");
    QTest::addColumn<int>("option");
    QTest::addColumn<QString>("question");
    QTest::newRow("Station ID") << quint32(8000) << 0
                                << "File is greater than 131072 8 or 16-bit samples.\r\n"
                                   "File will be truncated to 131072 8-bit samples.";
    QTest::newRow("Pink File") << quint32(48000) << 2
                               << "File is greater than 131072 16-bit samples.\r\n"
                                  "File will be truncated to 131072 16-bit samples.";
}

void TestUnitButtons::truncationCancel()
{
    QFETCH(quint32, rate);
    QFETCH(int, option);
    QFETCH(QString, question);
    UnitWindow u;
    QVERIFY(u.Open(Wav(rate, 131073)));
    u.Choose(option);
    const QString sizeShown = u.Controls().txt_Xfr_Siz->text();
    u.Answer({Toolkit::Ok, Toolkit::Cancel});
    u.Click(0);
    QCOMPARE(u.Toolkit().messages.size(), 2);
    QCOMPARE(u.Toolkit().messages[1].text, question);
    QCOMPARE(u.Toolkit().messages[1].title, QStringLiteral("Caution"));
    QCOMPARE(u.Toolkit().messages[1].buttons, Toolkit::OkCancel);
    QCOMPARE(u.Controls().txtErr->toPlainText(), QStringLiteral("Transfer aborted."));
    QCOMPARE(u.Controls().txt_Xfr_Siz->text(), sizeShown);
    QVERIFY(u.Controls().ProgressBar1->isHidden());
    QVERIFY(!u.Button(2)->isEnabled());
    QVERIFY(u.Button(0)->isEnabled());
    QVERIFY(u.Controls().mnuCOM->menuAction()->isEnabled());
    QVERIFY(!u.State().TransferBusy);
    QVERIFY(!QFile::exists(u.CopyPath()));
}

QTEST_MAIN(TestUnitButtons)
#include "tst_unit_buttons.moc"
