// The main window's serial link against the unit simulator on its pseudo-terminal: a blank check
// answered into the reply box and the line log, which follows it and saves it whole.
#include "serial/gui/LineLogWindow.h"
#include "tests/serial/SerialWindow.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QtTest>

class TestSerialGuiSim : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        m_sim.terminate();
        m_sim.waitForFinished(5000);
    }
    void blankCheckAnswered();

private:
    // Starts the simulator and opens the window with it as COM1; false when it did not start.
    bool start(SerialWindow& w, const QString& baud)
    {
        const QString link = w.f.dir.filePath("sim");
        m_sim.start(ORVANTA_SIM_PATH, {"--link", link, "--baud", baud});
        if (!m_sim.waitForStarted(5000) || !m_sim.waitForReadyRead(5000) ||
            m_sim.readLine().trimmed() != "orvanta-sim: listening on " + link.toLocal8Bit())
            return false;
        w.attach(1, link);
        w.savePort(" 1");
        w.create();
        return w.portOpen();
    }
    QProcess m_sim;
};

void TestSerialGuiSim::blankCheckAnswered()
{
    // The echo of the four command bytes, then the answer: one line of at least 11 bytes.
    SerialWindow w;
    QVERIFY(start(w, "0"));
    w.c().mnuLineLog->trigger(); // COM > Line Log, open while the exchange runs
    LineLogWindow* view = w.f.window->LineLogView();
    QVERIFY(view && view->isVisible());
    w.ctl().SendCom("QXBS");
    QTRY_COMPARE(w.reply(), QString(" QXBSQXERA"));
    // The log holds the exchange byte for byte, after the port's opening.
    const QStringList log = w.logLines();
    QCOMPARE(log.mid(log.indexOf("TX QXBS")), QStringList({"TX QXBS", "RX QXBSQXERA[0D 0A]"}));
    QVERIFY(log.indexOf("-- COM1 opened") >= 0 && log.indexOf("-- COM1 opened") < log.size() - 2);
    // The window follows it; File > Save As writes the whole log.
    QTRY_VERIFY(view->View()->toPlainText().endsWith("RX QXBSQXERA[0D 0A]"));
    const QString saved = w.f.dir.filePath("log.txt");
    w.f.toolkit.fileAnswers.enqueue(saved);
    QVERIFY(view->SaveAs());
    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), w.ctl().Recorder().Log().text().toUtf8());
    QCOMPARE(view->View()->toPlainText() + '\n', w.ctl().Recorder().Log().text());
}

QTEST_MAIN(TestSerialGuiSim)
#include "tst_serial_gui_sim.moc"
