// The orvanta-sim program itself, driven through the tool's own serial control with its link
// attached as COM1: what the process adds to the model (the link, the FLASH folder kept across
// runs, the line given up and taken again, SIGTERM, refusals). The model is the core test's.
#include "app/settings/RegEdit.h"
#include "serial/PortTable.h"
#include "serial/SerialControl.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <numeric>

namespace {
const QByteArray Ff6(6, char(0xFF));

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
} // namespace

class tst_SimProcess : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { m_store.SaveRegSetting("Pelorin", "Ports", "COM1", link()); }
    void cleanup() { stop(); }
    void flashDirKeepsWritesAcrossRuns()
    {
        const QStringList args{"--baud", "0", "--erase-ms", "50", "--flash-dir", flash()};
        QByteArray data(256, Qt::Uninitialized); // every byte value; the last 0xFF and the next
        std::iota(data.begin(), data.end(), char(0)); // one are still data
        data += "\xff\x01";
        const QByteArray stream = "QXWS" + data + Ff6;
        QVERIFY(QFile::link("/nonexistent/tty", link())); // left by a killed run: replaced
        QVERIFY(start(args + QStringList{"--firmware", "0321"}));
        QCOMPARE(exchange(stream, "QXPGM\r\n"), QByteArray("QXWSQXPGM\r\n"));
        QCOMPARE(readFile(flash() + "/station.bin"), data.leftJustified(131072, '\xff'));
        // The tool lets go of the line and takes it again.
        QVERIFY(m_port.setPortOpen(false).ok() && m_port.setPortOpen(true).ok());
        QCOMPARE(exchange(Ff6 + "\r\n", "\r\n"), QByteArray("OV16 V0321\r\n"));
        QVERIFY(stop());
        QVERIFY(!QFileInfo(link()).isSymLink());
        // A new run finds the FLASH as it was left, and rx.bin grows on.
        QVERIFY(start(args));
        QCOMPARE(exchange("QXBSQXES", "QXERA\r\n"), QByteArray("QXBSQXERR\r\nQXESQXERA\r\n"));
        QCOMPARE(readFile(flash() + "/station.bin"), QByteArray(131072, '\xff'));
        QCOMPARE(readFile(flash() + "/rx.bin"), stream + Ff6 + "\r\nQXBSQXES");
    }
    // A regular file at the link or an area of the wrong size (each holding "short"): the program
    // says what is wrong, ends with status 1 and leaves the file as it was.
    void refusesToOverwrite()
    {
        for (const QString& file : {m_dir.filePath("tty"), flash() + "/pink.bin"}) {
            QFile f(file);
            QVERIFY(QDir().mkpath(flash()) && f.open(QIODevice::WriteOnly) &&
                    f.write("short") == 5);
            f.close();
            m_sim.start(ORVANTA_SIM_PATH, {"--link", link(), "--flash-dir", flash()});
            QVERIFY(m_sim.waitForFinished(5000));
            QCOMPARE(m_sim.exitCode(), 1);
            QVERIFY(m_sim.readAllStandardError().contains(QFileInfo(file).fileName().toUtf8()));
            QCOMPARE(readFile(file), QByteArray("short"));
            QVERIFY(QFile::remove(file));
        }
    }

private:
    // Starts the simulator and opens COM1 on its link; true once both are up.
    bool start(const QStringList& args)
    {
        m_sim.start(QStringLiteral(ORVANTA_SIM_PATH), QStringList{"--link", link()} + args);
        const QByteArray expected = "orvanta-sim: listening on " + QFile::encodeName(link()) + '\n';
        QByteArray out;
        while (out.size() < expected.size() && m_sim.waitForReadyRead(5000))
            out += m_sim.readAllStandardOutput();
        return out == expected && m_port.setPortOpen(true).ok();
    }
    // Closes the port and sends SIGTERM; true when the simulator ended cleanly.
    bool stop()
    {
        m_port.setPortOpen(false);
        m_sim.terminate();
        const bool clean = m_sim.waitForFinished(5000) &&
                           m_sim.exitStatus() == QProcess::NormalExit && m_sim.exitCode() == 0;
        if (m_sim.state() != QProcess::NotRunning) {
            m_sim.kill();
            m_sim.waitForFinished(5000);
        }
        return clean;
    }
    // Sends bytes, then returns what arrives until it ends with tail (at most 5 s).
    QByteArray exchange(const QByteArray& bytes, const QByteArray& tail)
    {
        QByteArray got;
        QElapsedTimer clock;
        clock.start();
        if (!m_port.Output(bytes).ok())
            return "<not sent>";
        while (!got.endsWith(tail) && clock.elapsed() < 5000) {
            QTest::qWait(5);
            got += m_port.Input();
        }
        return got;
    }
    QString link() const { return m_dir.filePath("tty"); }
    QString flash() const { return m_dir.filePath("flash"); }

    QTemporaryDir m_dir;
    RegEdit m_store{m_dir.filePath("registry.ini")};
    PortTable m_table{m_store, "Pelorin", m_dir.filePath("no-by-id")};
    SerialControl m_port{&m_table};
    QProcess m_sim;
};

QTEST_GUILESS_MAIN(tst_SimProcess)
#include "tst_SimProcess.moc"
