#include "sim/PseudoTerminal.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {
QString lastError(const char* what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(strerror(errno)));
}
} // namespace

PseudoTerminal::~PseudoTerminal()
{
    removeLink();
    closeLine();
}

bool PseudoTerminal::open(QString* error)
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0) {
        *error = lastError("posix_openpt");
        return false;
    }
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        *error = lastError("unlockpt");
        closeLine();
        return false;
    }
    m_terminalPath = QString::fromLocal8Bit(ptsname(m_master));
    m_terminal = ::open(ptsname(m_master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw{};
    if (m_terminal < 0 || tcgetattr(m_terminal, &raw) != 0) {
        *error = lastError("open terminal side");
        closeLine();
        return false;
    }
    cfmakeraw(&raw); // every byte 0..255 passes unchanged, no echo by the line discipline
    if (tcsetattr(m_terminal, TCSANOW, &raw) != 0 ||
        fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK) != 0) {
        *error = lastError("set raw mode");
        closeLine();
        return false;
    }
    return true;
}

namespace {
const QString DeadSuffix = QStringLiteral(".hung-up");
}

bool PseudoTerminal::makeLink(const QString& linkPath, QString* error)
{
    const QFileInfo existing(linkPath);
    if (existing.exists() && !existing.isSymLink()) {
        *error = QStringLiteral("%1 exists and is not a symbolic link").arg(linkPath);
        return false;
    }
    // Make the new link beside the old one and rename it over, so the path is never missing
    // a target for a tool that opens it in between.
    const QByteArray target = QFile::encodeName(m_terminalPath);
    const QByteArray path = QFile::encodeName(linkPath);
    const QByteArray temporary = path + ".new." + QByteArray::number(getpid());
    ::unlink(temporary.constData());
    if (symlink(target.constData(), temporary.constData()) != 0) {
        *error = lastError(temporary.constData());
        return false;
    }
    if (rename(temporary.constData(), path.constData()) != 0) {
        *error = lastError(path.constData());
        ::unlink(temporary.constData());
        return false;
    }
    m_linkPath = linkPath;
    return true;
}

void PseudoTerminal::removeLink()
{
    if (m_linkPath.isEmpty())
        return;
    // Another simulator may have taken the path over since; its link stays.
    const QByteArray path = QFile::encodeName(m_linkPath);
    char target[4096];
    const ssize_t length = readlink(path.constData(), target, sizeof target);
    if (length > 0 && QByteArray(target, length) == QFile::encodeName(m_terminalPath))
        ::unlink(path.constData());
    m_linkPath.clear();
}

void PseudoTerminal::closeLine()
{
    if (m_terminal >= 0)
        ::close(m_terminal);
    if (m_master >= 0)
        ::close(m_master);
    m_terminal = -1;
    m_master = -1;
    // The freed terminal number can go to any other program at once; point the link at a path
    // that does not exist, so a tool opening it finds a dead line, not someone else's terminal.
    if (!m_linkPath.isEmpty() && !m_terminalPath.endsWith(DeadSuffix)) {
        m_terminalPath += DeadSuffix;
        QString error;
        makeLink(m_linkPath, &error);
    }
}
