// The orvanta-sim program on its pseudo-terminal, driven through the tool's own serial control
// with the link attached as COM1.
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
#include <memory>
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
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_store = std::make_unique<RegEdit>(m_dir->filePath("registry.ini"));
        m_store->SaveRegSetting("Pelorin", "Ports", "COM1", link());
        m_table = std::make_unique<PortTable>(*m_store, "Pelorin", m_dir->filePath("no-by-id"));
        m_port = std::make_unique<SerialControl>(m_table.get());
        m_sim = std::make_unique<QProcess>();
    }
    void cleanup() { stop(); }
    void flashDirKeepsWritesAcrossRuns()
    {
        const QString flash = m_dir->filePath("flash");
        const QStringList args{"--baud",      "0",   "--erase-ms", "50",
                               "--flash-dir", flash, "--firmware", "0321"};
        // Every byte value; its last 0xFF and the next one are still data.
        QByteArray data(256, Qt::Uninitialized);
        std::iota(data.begin(), data.end(), char(0));
        data += "\xff\x01";
        const QByteArray stream = "QXWS" + data + Ff6;
        QVERIFY(QFile::link("/nonexistent/tty", link())); // left by a killed run: replaced
        QVERIFY(start(args));
        QCOMPARE(exchange(stream, "QXPGM\r\n"), QByteArray("QXWSQXPGM\r\n"));
        QCOMPARE(readFile(flash + "/station.bin"), data + QByteArray(131072 - data.size(), '\xff'));
        // The tool lets go of the line and takes it again.
        QVERIFY(m_port->setPortOpen(false).ok() && m_port->setPortOpen(true).ok());
        QCOMPARE(exchange("QXBSQXBC", "QXBCQXERA\r\n"), QByteArray("QXBSQXERR\r\nQXBCQXERA\r\n"));
        QVERIFY(stop());
        QVERIFY(!QFileInfo(link()).isSymLink());
        // A new run finds the FLASH as it was left, and rx.bin grows on.
        QVERIFY(start(args));
        QCOMPARE(exchange("QXBSQXES", "QXERA\r\n"), QByteArray("QXBSQXERR\r\nQXESQXERA\r\n"));
        QCOMPARE(exchange(Ff6 + "\r\n", "\r\n"), QByteArray("OV16 V0321\r\n"));
        QCOMPARE(readFile(flash + "/station.bin"), QByteArray(131072, '\xff'));
        QCOMPARE(readFile(flash + "/rx.bin"), stream + "QXBSQXBCQXBSQXES" + Ff6 + "\r\n");
    }
    void refusesToOverwrite_data()
    {
        // Under the temporary folder; it holds "short" before the start.
        QTest::addColumn<QString>("file");
        QTest::newRow("regular file at the link") << "tty";
        QTest::newRow("area of the wrong size") << "flash/pink.bin";
    }
    // The program says what is wrong, ends with status 1 and leaves the file as it was.
    void refusesToOverwrite()
    {
        QFETCH(QString, file);
        const QString path = m_dir->filePath(file);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("short") == 5);
        f.close();
        m_sim->start(QStringLiteral(ORVANTA_SIM_PATH),
                     {"--link", link(), "--flash-dir", m_dir->filePath("flash")});
        QVERIFY(m_sim->waitForFinished(5000));
        QCOMPARE(m_sim->exitCode(), 1);
        QVERIFY(m_sim->readAllStandardError().contains(QFileInfo(path).fileName().toUtf8()));
        QCOMPARE(readFile(path), QByteArray("short"));
    }

private:
    // Starts the simulator and opens COM1 on its link; true once both are up.
    bool start(const QStringList& args);
    // Closes the port and sends SIGTERM; true when the simulator ended cleanly.
    bool stop();
    // Sends bytes, then returns what arrives until it ends with tail (at most ms).
    QByteArray exchange(const QByteArray& bytes, const QByteArray& tail, int ms = 5000);
    QString link() const { return m_dir->filePath("tty"); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RegEdit> m_store;
    std::unique_ptr<PortTable> m_table;
    std::unique_ptr<SerialControl> m_port;
    std::unique_ptr<QProcess> m_sim;
};

bool tst_SimProcess::start(const QStringList& args)
{
    m_sim->start(QStringLiteral(ORVANTA_SIM_PATH), QStringList{"--link", link()} + args);
    const QByteArray expected = "orvanta-sim: listening on " + QFile::encodeName(link()) + "\n";
    QByteArray out;
    while (out.size() < expected.size() && m_sim->waitForReadyRead(5000))
        out += m_sim->readAllStandardOutput();
    return out == expected && m_port->setCommPort(1).ok() && m_port->setPortOpen(true).ok();
}

bool tst_SimProcess::stop()
{
    m_port->setPortOpen(false);
    m_sim->terminate();
    const bool clean = m_sim->waitForFinished(5000) &&
                       m_sim->exitStatus() == QProcess::NormalExit && m_sim->exitCode() == 0;
    if (m_sim->state() != QProcess::NotRunning) {
        m_sim->kill();
        m_sim->waitForFinished(5000);
    }
    return clean;
}

QByteArray tst_SimProcess::exchange(const QByteArray& bytes, const QByteArray& tail, int ms)
{
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    if (!m_port->Output(bytes).ok())
        return "<not sent>";
    while (!got.endsWith(tail) && clock.elapsed() < ms) {
        QTest::qWait(5);
        got += m_port->Input();
    }
    return got;
}

QTEST_GUILESS_MAIN(tst_SimProcess)
#include "tst_SimProcess.moc"
