#include "RegEdit.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

class TestRegEdit : public QObject
{
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void composePath_data();
    void composePath();
    void firstRunWritesEmptyDefault();
    void valuesReadBack_data();
    void valuesReadBack();
    void distinctPathsKeepDistinctValues_data();
    void distinctPathsKeepDistinctValues();
    void everyCallReadsTheFile();
    void unwritableStoreFailsSilently_data();
    void unwritableStoreFailsSilently();
    void defaultStoreFileIsUnderTelquin();

private:
    QString storePath() const { return m_dir.filePath(QStringLiteral("registry.ini")); }
    QTemporaryDir m_dir;
};

void TestRegEdit::composePath_data()
{
    QTest::addColumn<QString>("appKey");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("valueName");
    QTest::addColumn<QString>("expected");
    QTest::newRow("all parts")
        << "Pelorin142E"
        << "FormInit"
        << "ComPort"
        << "HKEY_LOCAL_MACHINE\\SOFTWARE\\Telquin\\Pelorin142E\\FormInit\\ComPort";
    QTest::newRow("no app key") << ""
                                << "FormInit"
                                << "ComPort"
                                << "HKEY_LOCAL_MACHINE\\SOFTWARE\\Telquin\\FormInit\\ComPort";
    QTest::newRow("no section") << "Pelorin142E"
                                << ""
                                << "ComPort"
                                << "HKEY_LOCAL_MACHINE\\SOFTWARE\\Telquin\\Pelorin142E\\ComPort";
    QTest::newRow("no value name")
        << "Pelorin142E"
        << "FormInit"
        << ""
        << "HKEY_LOCAL_MACHINE\\SOFTWARE\\Telquin\\Pelorin142E\\FormInit\\";
    QTest::newRow("nothing") << ""
                             << ""
                             << ""
                             << "HKEY_LOCAL_MACHINE\\SOFTWARE\\Telquin\\";
    QTest::newRow("only value") << ""
                                << ""
                                << "X"
                                << "HKEY_LOCAL_MACHINE\\SOFTWARE\\Telquin\\X";
}

void TestRegEdit::composePath()
{
    QFETCH(QString, appKey);
    QFETCH(QString, section);
    QFETCH(QString, valueName);
    QFETCH(QString, expected);
    QCOMPARE(RegEdit::ComposePath(appKey, section, valueName), expected);
}

void TestRegEdit::firstRunWritesEmptyDefault()
{
    const RegEdit store(storePath());
    QCOMPARE(store.GetRegSetting("Pelorin142E", "FormInit", "ComPort", ""), QString());
    // The value exists now: an independent reader of the file sees it, empty.
    QSettings file(storePath(), QSettings::IniFormat);
    const QString key("HKEY_LOCAL_MACHINE/SOFTWARE/Telquin/Pelorin142E/FormInit/ComPort");
    QVERIFY(file.contains(key));
    QCOMPARE(file.value(key).toString(), QString());
    // A later read with another default gets the stored empty text, not the default.
    QCOMPARE(store.GetRegSetting("Pelorin142E", "FormInit", "ComPort", "7"), QString());
}

void TestRegEdit::valuesReadBack_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("blank-led port") << " 3";
    QTest::newRow("empty") << "";
    QTest::newRow("comma") << "a,b";
    QTest::newRow("path") << "/dev/serial/by-id/usb-FTDI_A1-if00-port0";
    QTest::newRow("escapes") << "%2F/@\\";
    QTest::newRow("latin1") << QString::fromLatin1("\xE9\xFF trailing ");
}

void TestRegEdit::valuesReadBack()
{
    QFETCH(QString, value);
    RegEdit(storePath()).SaveRegSetting("Pelorin142E", "FormInit", "ComPort", value);
    QCOMPARE(RegEdit(storePath()).GetRegSetting("Pelorin142E", "FormInit", "ComPort", "default"),
             value);
}

void TestRegEdit::distinctPathsKeepDistinctValues_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    const QString root = RegEdit::ComposePath("", "", "");
    QTest::newRow("unnamed value vs key") << root + "A\\B\\" << root + "A\\B";
    QTest::newRow("slash inside a name") << root + "A\\B/C" << root + "A\\B\\C";
    QTest::newRow("at sign") << root + "A\\@" << root + "A\\";
    QTest::newRow("percent") << root + "A\\%2F" << root + "A\\/";
    QTest::newRow("doubled backslash") << root + "A\\\\B" << root + "A\\B";
}

void TestRegEdit::distinctPathsKeepDistinctValues()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    const RegEdit store(storePath());
    store.RegWriteValue(first, "one");
    store.RegWriteValue(second, "two");
    QCOMPARE(store.RegReadValue(first, "none"), QString("one"));
    QCOMPARE(store.RegReadValue(second, "none"), QString("two"));
}

void TestRegEdit::everyCallReadsTheFile()
{
    const RegEdit store(storePath());
    store.SaveRegSetting("App", "Sec", "Val", "before");
    QCOMPARE(store.GetRegSetting("App", "Sec", "Val", ""), QString("before"));
    {
        QSettings other(storePath(), QSettings::IniFormat);
        other.setValue("HKEY_LOCAL_MACHINE/SOFTWARE/Telquin/App/Sec/Val", "changed elsewhere");
    }
    QCOMPARE(store.GetRegSetting("App", "Sec", "Val", ""), QString("changed elsewhere"));
}

void TestRegEdit::unwritableStoreFailsSilently_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("parent is a file") << "file-parent";
    QTest::newRow("read-only directory") << "readonly-dir";
}

void TestRegEdit::unwritableStoreFailsSilently()
{
    QFETCH(QString, kind);
    QString path;
    if (kind == "file-parent") {
        QFile blocker(m_dir.filePath("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        path = m_dir.filePath("blocker/registry.ini");
    } else {
        if (::geteuid() == 0)
            QSKIP("file permissions do not bind the superuser");
        const QString ro = m_dir.filePath("ro");
        QVERIFY(QDir().mkpath(ro));
        QFile::setPermissions(ro, QFile::ReadOwner | QFile::ExeOwner);
        path = ro + "/registry.ini";
    }
    const RegEdit store(path);
    store.SaveRegSetting("App", "FormInit", "ComPort", " 5");
    QCOMPARE(store.GetRegSetting("App", "FormInit", "ComPort", "dflt"), QString("dflt"));
    QCOMPARE(store.GetRegSetting("App", "FormInit", "ComPort", ""), QString());
    QVERIFY(!QFile::exists(path));
}

void TestRegEdit::defaultStoreFileIsUnderTelquin()
{
    const QString file = RegEdit::defaultStoreFile();
    QVERIFY(
        file.startsWith(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)));
    QVERIFY(file.contains("/Telquin/"));
}

QTEST_GUILESS_MAIN(TestRegEdit)
#include "tst_serial_regedit.moc"
