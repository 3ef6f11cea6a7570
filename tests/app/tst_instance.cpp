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
    void init();
    void cleanup();
    void secondStartActivatesEarlierAndCompletesStartUp();
    void endTaskClosesEarlierWindowByExactTitle();

private:
    QProcess* Start();
    std::unique_ptr<QTemporaryDir> m_dir;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

void TestInstance::init()
{
    static const QString systemTemp = QDir::tempPath(); // before TMPDIR is changed below
    m_dir =
        std::make_unique<QTemporaryDir>(systemTemp + QStringLiteral("/pelorin-instance-XXXXXX"));
    // The local socket lives in the temporary folder and the settings under the config folder:
    // both point into this test's own folder, away from a running program. Children inherit it.
    qputenv("TMPDIR", m_dir->path().toUtf8());
    qputenv("XDG_CONFIG_HOME", m_dir->filePath("config").toUtf8());
    qputenv("XDG_RUNTIME_DIR", m_dir->path().toUtf8());
    qputenv("QT_QPA_PLATFORM", "offscreen");
}

void TestInstance::cleanup()
{
    for (auto& p : m_processes) {
        p->kill();
        p->waitForFinished(3000);
    }
    m_processes.clear();
}

QProcess* TestInstance::Start()
{
    QProcess* p = m_processes.emplace_back(std::make_unique<QProcess>()).get();
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(QStringLiteral(PELORIN_BINARY), {});
    return p;
}

void TestInstance::secondStartActivatesEarlierAndCompletesStartUp()
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
    QVERIFY(second->waitForStarted(5000));
    QTRY_COMPARE_WITH_TIMEOUT(activations, 1, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(endTaskTitles, QStringList{"Pelorin"}, 10000);
    // It goes on with its own start-up and keeps running.
    QTest::qWait(500);
    QCOMPARE(second->state(), QProcess::Running);
}

void TestInstance::endTaskClosesEarlierWindowByExactTitle()
{
    QProcess* first = Start();
    QVERIFY(first->waitForStarted(5000));
    InstanceGuard probe(AppState::AppTitle);
    QTRY_VERIFY_WITH_TIMEOUT(probe.EarlierInstanceRunning(), 10000);

    // A second real start finds it, asks it to come forward, and completes its own start-up.
    QProcess* second = Start();
    QVERIFY(second->waitForStarted(5000));
    QTest::qWait(1000);
    QCOMPARE(second->state(), QProcess::Running);
    QCOMPARE(first->state(), QProcess::Running); // "Pelorin" names no window of the first

    QVERIFY(probe.ActivateEarlier());
    QCOMPARE(probe.EndTaskInEarlier(QStringLiteral("Orvanta Wave")),
             InstanceGuard::EndTaskReply::NotFound); // the title must match exactly
    QCOMPARE(probe.EndTaskInEarlier(QStringLiteral("Orvanta Wave Saver")),
             InstanceGuard::EndTaskReply::Closed);
    QVERIFY(first->waitForFinished(10000)); // its main window was its last window
    QCOMPARE(first->exitStatus(), QProcess::NormalExit);
    QCOMPARE(first->exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestInstance)
#include "tst_instance.moc"
