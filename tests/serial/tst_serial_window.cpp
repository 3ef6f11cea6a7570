// What a person sees of the serial link in the real main window, with pseudo-terminals as ports:
// the check mark of the chosen port and its return at the next start, the line log window
// following the line, the reply box showing the newest answer, and DTR and RTS dropped before
// the port closes with the window.
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
    void portChosenSavedAndRestored();
    void exchangeShownAndLogged();
};

void TestSerialWindow::portChosenSavedAndRestored()
{
    PtyPair one, three;
    MainWindowFixture first;
    SerialRig::attach(*first.settings, 1, one.slavePath());
    SerialRig::attach(*first.settings, 3, three.slavePath());
    MainControls& c = start(first).Controls();
    QCOMPARE(SerialRig::visibleItems(c), QStringList({"COM1| 1", "COM3| 3"}));
    c.mnuCOMsel[2]->trigger(); // the item that reads "COM3"
    QCOMPARE(SerialRig::checkedItems(c), QList<int>{2});
    QVERIFY(first.window->SerialCtl().MSComm1().PortOpen());
    // The next start reads the same store, once the first program let go of its port.
    MainWindowFixture second;
    second.settings = std::make_unique<RegEdit>(first.StoreFile());
    first.window.reset();
    MainControls& next = start(second).Controls();
    QCOMPARE(SerialRig::checkedItems(next), QList<int>{2});
    QCOMPARE(second.state.ComPortNum, qint16(3));
    QCOMPARE(next.txtCom->text(), QString("3"));
    QVERIFY(second.window->SerialCtl().MSComm1().PortOpen());
    QCOMPARE(SerialRig::linkColour(next), SerialRig::Cyan);
}

void TestSerialWindow::exchangeShownAndLogged()
{
    PtyPair pty;
    MainWindowFixture f;
    SerialRig::attach(*f.settings, 1, pty.slavePath());
    f.settings->SaveRegSetting(AppState::AppTitle, "FormInit", "ComPort", " 1");
    Form_Main& w = start(f);
    w.show();
    w.Controls().mnuLineLog->trigger(); // COM > Line Log, open while the exchange runs
    LineLogWindow* view = w.LineLogView();
    QVERIFY(view && view->isVisible());
    QVERIFY(w.SerialCtl().SendCom("QXBS") && w.SerialCtl().DrainOutput(5000));
    QCOMPARE(pty.read(4, 5000), QByteArray("QXBS"));
    QVERIFY(pty.write("QXBSQXERA\r\n"));
    QPlainTextEdit* box = w.Controls().txt_rply;
    QTRY_COMPARE(box->toPlainText(), QString(" QXBSQXERA"));
    // The log holds the exchange byte for byte, after the port's opening.
    const QStringList log = logLines(w);
    QCOMPARE(log.mid(log.indexOf("TX QXBS")), QStringList({"TX QXBS", "RX QXBSQXERA[0D 0A]"}));
    QVERIFY(log.indexOf("-- COM1 opened") >= 0 && log.indexOf("-- COM1 opened") < log.size() - 2);
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
    // Closing the window drops DTR and RTS, then closes the port.
    QVERIFY(w.close());
    QCOMPARE(logLines(w).mid(logLines(w).size() - 3),
             QStringList({"-- COM1 DTR off", "-- COM1 RTS off", "-- COM1 closed"}));
}

QTEST_MAIN(TestSerialWindow)
#include "tst_serial_window.moc"
