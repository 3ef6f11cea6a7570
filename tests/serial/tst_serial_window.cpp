// What a person sees of the serial link in the real main window, with pseudo-terminals as ports:
// the saved port checked at the start, the line log window following the line, the reply box
// showing the newest answer, a port chosen from the menu, and DTR and RTS dropped before the port
// closes with the window. What the controller does with them is the serial link test's.
#include "serial/gui/LineLogWindow.h"
#include "tests/serial/SerialRig.h"
#include "tests/support/MainWindowFixture.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QtTest>

namespace {

// Builds the window and runs its start-up with only the test's ports.
Form_Main& start(MainWindowFixture& f)
{
    Form_Main& w = f.Create(false);
    w.SerialCtl().setDeviceLister([] { return QList<PortCandidate>(); });
    w.Form_Load();
    return w;
}

// The line log's lines without their time column.
QStringList logLines(Form_Main& w)
{
    QStringList lines = w.SerialCtl().Recorder().Log().linesFrom(0);
    for (QString& line : lines)
        line.remove(0, LineLog::lineHead(0, LineLog::Direction::Sent).size() - 3);
    return lines;
}

} // namespace

class TestSerialWindow : public QObject
{
    Q_OBJECT
private slots:
    void exchangeShownAndLogged()
    {
        PtyPair pty, three;
        MainWindowFixture f;
        SerialRig::attach(*f.settings, 1, pty.slavePath());
        SerialRig::attach(*f.settings, 3, three.slavePath());
        f.settings->SaveRegSetting(AppState::AppTitle, "FormInit", "ComPort", " 1");
        Form_Main& w = start(f);
        w.show();
        MainControls& c = w.Controls();
        QCOMPARE(SerialRig::checkedItems(c), QList<int>{1}); // the saved port, back at the start
        QCOMPARE(SerialRig::linkColour(c), SerialRig::Cyan);
        c.mnuLineLog->trigger(); // COM > Line Log, open while the exchange runs
        LineLogWindow* view = w.LineLogView();
        QVERIFY(view && view->isVisible());
        QVERIFY(w.SerialCtl().SendCom("QXBS") && w.SerialCtl().DrainOutput(5000));
        QCOMPARE(pty.read(4, 5000), QByteArray("QXBS"));
        QVERIFY(pty.write("QXBSQXERA\r\n"));
        QPlainTextEdit* box = c.txt_rply;
        QTRY_COMPARE(box->toPlainText(), QString(" QXBSQXERA"));
        // The log holds the exchange byte for byte, after the port's opening.
        const QStringList log = logLines(w);
        QCOMPARE(log.mid(log.indexOf("TX QXBS")), QStringList({"TX QXBS", "RX QXBSQXERA[0D 0A]"}));
        QVERIFY(log.indexOf("-- COM1 opened") >= 0 &&
                log.indexOf("-- COM1 opened") < log.size() - 2);
        // The window follows it; File > Save As writes the whole log.
        QTRY_VERIFY(view->View()->toPlainText().endsWith("RX QXBSQXERA[0D 0A]"));
        const QString saved = f.dir.filePath("log.txt");
        f.toolkit.fileAnswers.enqueue(saved);
        QVERIFY(view->SaveAs());
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), w.SerialCtl().Recorder().Log().text().toUtf8());
        QCOMPARE(view->View()->toPlainText() + '\n', w.SerialCtl().Recorder().Log().text());
        // More answers than the box shows at once: the caret at the end, the newest one in view.
        QByteArray more;
        for (int i = 1000; i < 1040; ++i)
            more += "QXBCQXERA " + QByteArray::number(i) + "\r\n";
        QVERIFY(pty.write(more));
        QTRY_VERIFY(box->toPlainText().endsWith("QXBCQXERA 1039"));
        QCOMPARE(box->textCursor().position(), int(box->toPlainText().size()));
        QVERIFY(box->viewport()->rect().contains(box->cursorRect()));
        QVERIFY(box->verticalScrollBar()->value() > 0);
        // The item that reads "COM3" moves the link there; closing the window drops DTR and RTS,
        // then closes the port.
        c.mnuCOMsel[2]->trigger();
        QCOMPARE(SerialRig::checkedItems(c), QList<int>{2});
        QVERIFY(w.close());
        QCOMPARE(logLines(w).mid(logLines(w).size() - 3),
                 QStringList({"-- COM3 DTR off", "-- COM3 RTS off", "-- COM3 closed"}));
    }
};

QTEST_MAIN(TestSerialWindow)
#include "tst_serial_window.moc"
