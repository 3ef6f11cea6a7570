#include "PseudoTerminal.h"
#include "TerminalEnd.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

namespace {
QByteArray everyByte()
{
    QByteArray bytes(256, '\0');
    for (int i = 0; i < 256; ++i)
        bytes[i] = char(i);
    return bytes;
}

QByteArray readMaster(int fd, qsizetype count)
{
    QByteArray got;
    for (int tries = 0; tries < 200 && got.size() < count; ++tries) {
        char buffer[512];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            got.append(buffer, n);
        else
            QTest::qWait(5);
    }
    return got;
}
} // namespace

class tst_PseudoTerminal : public QObject
{
    Q_OBJECT
private slots:
    void everyBytePassesBothWays();
    void linkIsReplacedAndRemoved();
    void regularFileIsNotReplaced();
    void closingTheToolSideKeepsTheLine();
};

void tst_PseudoTerminal::everyBytePassesBothWays()
{
    QTemporaryDir dir;
    PseudoTerminal pty;
    QString error;
    QVERIFY2(pty.open(&error), qPrintable(error));
    QVERIFY2(pty.makeLink(dir.filePath("tty"), &error), qPrintable(error));
    TerminalEnd tool;
    QVERIFY(tool.open(dir.filePath("tty")));
    const QByteArray bytes = everyByte();
    QVERIFY(tool.writeAll(bytes));
    QCOMPARE(readMaster(pty.masterFd(), bytes.size()), bytes);
    QCOMPARE(::write(pty.masterFd(), bytes.constData(), size_t(bytes.size())), ssize_t(256));
    QCOMPARE(tool.readUntil(bytes.right(4), 2000), bytes);
}

void tst_PseudoTerminal::linkIsReplacedAndRemoved()
{
    QTemporaryDir dir;
    const QString link = dir.filePath("tty");
    QVERIFY(QFile::link("/nonexistent/old", link));
    PseudoTerminal pty;
    QString error;
    QVERIFY(pty.open(&error));
    QVERIFY2(pty.makeLink(link, &error), qPrintable(error));
    QCOMPARE(QFileInfo(link).symLinkTarget(), pty.terminalPath());
    pty.removeLink();
    QVERIFY(!QFileInfo(link).isSymLink());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
             QStringList());
}

void tst_PseudoTerminal::regularFileIsNotReplaced()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("file");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write("keep") == 4);
    f.close();
    PseudoTerminal pty;
    QString error;
    QVERIFY(pty.open(&error));
    QVERIFY(!pty.makeLink(path, &error));
    QVERIFY(error.contains(path));
    pty.removeLink();
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("keep"));
}

void tst_PseudoTerminal::closingTheToolSideKeepsTheLine()
{
    PseudoTerminal pty;
    QString error;
    QVERIFY(pty.open(&error));
    {
        TerminalEnd first;
        QVERIFY(first.open(pty.terminalPath()));
    }
    char byte;
    errno = 0;
    QCOMPARE(::read(pty.masterFd(), &byte, 1), ssize_t(-1));
    QCOMPARE(errno, EAGAIN); // not EIO: the line did not hang up
    TerminalEnd second;
    QVERIFY(second.open(pty.terminalPath()));
    QVERIFY(second.writeAll("Q"));
    QCOMPARE(readMaster(pty.masterFd(), 1), QByteArray("Q"));
}

QTEST_GUILESS_MAIN(tst_PseudoTerminal)
#include "tst_PseudoTerminal.moc"
