// Earlier-instance handling between real processes of the program.
#include "app/InstanceGuard.h"
#include "app/ui/AppState.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        static const QString systemTemp = QDir::tempPath(); // before TMPDIR is changed below
        m_dir = std::make_unique<QTemporaryDir>(systemTemp +
                                                QStringLiteral("/pelorin-instance-XXXXXX"));
        // The local socket lives in the runtime folder and the settings under the
        // config folder: both point into this test's own folder, away from a running
        // program. Children inherit it.
        QVERIFY(QDir(m_dir->path()).mkpath("runtime") && QDir(m_dir->path()).mkpath("elsewhere"));
        qputenv("TMPDIR", m_dir->path().toUtf8());
        qputenv("XDG_CONFIG_HOME", m_dir->filePath("config").toUtf8());
        qputenv("XDG_RUNTIME_DIR", m_dir->filePath("runtime").toUtf8());
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    void cleanup() { m_processes.clear(); } // a process is killed with its object

    void secondStartActivatesEarlierAndGoesOn()
    {
        // This test process plays the earlier instance.
        InstanceGuard earlier(AppState::AppTitle);
        int activations = 0;
        QStringList endTaskTitles;
        earlier.onActivate = [&] { ++activations; };
        earlier.onEndTask = [&](const QString& title) {
            endTaskTitles << title;
            return InstanceGuard::EndTaskReply::NotFound;
        };
        QVERIFY(!earlier.EarlierInstanceRunning());
        QVERIFY(earlier.Listen());
        QProcess* second = Start();
        QTRY_COMPARE_WITH_TIMEOUT(activations, 1, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(endTaskTitles, QStringList{"Pelorin"}, 10000);
        QTest::qWait(500); // it goes on with its own start-up and keeps running
        QCOMPARE(second->state(), QProcess::Running);
        // A run with a runtime folder of its own does not meet it.
        qputenv("XDG_RUNTIME_DIR", m_dir->filePath("elsewhere").toUtf8());
        QVERIFY(!InstanceGuard(AppState::AppTitle).EarlierInstanceRunning());
    }

    void endTaskClosesEarlierWindowByExactTitle()
    {
        QProcess* first = Start();
        InstanceGuard probe(AppState::AppTitle);
        QTRY_VERIFY_WITH_TIMEOUT(probe.EarlierInstanceRunning(), 10000);
        QVERIFY(probe.ActivateEarlier());
        // What a later start asks closes nothing: "Pelorin" names no window, and
        // titles match whole.
        for (const QString title : {"Pelorin", "Orvanta Wave"})
            QCOMPARE(probe.EndTaskInEarlier(title), InstanceGuard::EndTaskReply::NotFound);
        QCOMPARE(first->state(), QProcess::Running);
        QCOMPARE(probe.EndTaskInEarlier(QStringLiteral("Orvanta Wave Saver")),
                 InstanceGuard::EndTaskReply::Closed);
        QVERIFY(first->waitForFinished(10000)); // its main window was its last window
        QCOMPARE(first->exitStatus(), QProcess::NormalExit);
        QCOMPARE(first->exitCode(), 0);
    }

private:
    QProcess* Start()
    {
        QProcess* p = m_processes.emplace_back(std::make_unique<QProcess>()).get();
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(QStringLiteral(PELORIN_BINARY), {});
        return p;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

QTEST_GUILESS_MAIN(TestInstance)
#include "tst_instance.moc"
