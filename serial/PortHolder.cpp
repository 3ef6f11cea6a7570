#include "serial/PortHolder.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

bool deviceNumber(const QString& path, dev_t* number)
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISCHR(info.st_mode))
        return false;
    *number = info.st_rdev;
    return true;
}

bool sameDevice(const QString& path, dev_t number)
{
    dev_t other = 0;
    return deviceNumber(path, &other) && other == number;
}

// The PID a lock file names: ASCII ("      1234\n" of the usual tools, or a first line followed
// by the program and host) or, in the oldest form, a 4-byte binary number. 0 when unreadable.
qint64 lockPid(const QByteArray& bytes)
{
    bool ok = false;
    const qint64 pid = bytes.split('\n').value(0).trimmed().toLongLong(&ok);
    if (ok)
        return pid;
    qint32 binary = 0;
    if (bytes.size() == int(sizeof binary))
        std::memcpy(&binary, bytes.constData(), sizeof binary);
    return binary;
}

bool processAlive(qint64 pid)
{
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

// The devices a lock file may stand for: LCK..ttyUSB0 is /dev/ttyUSB0; LCK..pts_3 is /dev/pts/3.
QStringList lockedPaths(const QString& fileName)
{
    QString name = fileName.mid(5);
    const QString plain = QStringLiteral("/dev/") + name;
    return {plain, QStringLiteral("/dev/") + name.replace(QLatin1Char('_'), QLatin1Char('/'))};
}

PortHolder::Hold deviceHold(const QString& device)
{
    PortHolder::Hold hold;
    const int fd =
        ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == EBUSY)
            hold = {true, QStringLiteral("exclusive mode"), {}, 0};
        return hold;
    }
    int exclusive = 0;
    // Exclusive mode does not bind the superuser's open: ask the terminal itself.
    if (::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive)
        hold = {true, QStringLiteral("exclusive mode"), {}, 0};
    else if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        hold = {true, QStringLiteral("flock"), {}, 0};
    ::close(fd); // also ends the trial lock
    return hold;
}

// The PID that holds an flock on the device node, as the kernel's lock table tells it
// ("1: FLOCK  ADVISORY  WRITE 1234 00:19:4 0 EOF": the node's file system and inode); 0 if none.
qint64 flockPid(const QString& procDir, const QString& device)
{
    struct stat info
    {
    };
    QFile locks(procDir + QStringLiteral("/locks"));
    if (::stat(QFile::encodeName(device).constData(), &info) != 0 ||
        !locks.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray node =
        QString::asprintf("%02x:%02x:%llu", major(info.st_dev), minor(info.st_dev),
                          static_cast<unsigned long long>(info.st_ino))
            .toLatin1();
    for (const QByteArray& line : locks.readAll().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        // Waiters are listed as "1: -> FLOCK ..." and hold nothing.
        if (f.size() > 5 && f[1] == "FLOCK" && f[5] == node)
            return f[4].toLongLong();
    }
    return 0;
}

} // namespace

QString PortHolder::Hold::text(const QString& device) const
{
    QString who = program.isEmpty() ? QString() : program + QStringLiteral(", ");
    if (pid > 0)
        who += QStringLiteral("PID %1; ").arg(pid);
    return QStringLiteral("Port already open: %1 is in use by another program (%2%3)")
        .arg(device, who, how);
}

PortHolder::PortHolder(QStringList lockDirs, QString procDir)
    : m_lockDirs(std::move(lockDirs)), m_procDir(std::move(procDir))
{
}

QStringList PortHolder::defaultLockDirs()
{
    return {QStringLiteral("/var/lock"), QStringLiteral("/run/lock")};
}

bool PortHolder::holdOwn(int fd)
{
    return fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

PortHolder::Hold PortHolder::check(const QString& device) const
{
    dev_t number = 0;
    if (!deviceNumber(device, &number))
        return {};
    Hold hold = lockFileHold(number);
    if (!hold.held)
        hold = deviceHold(device);
    if (hold.held && hold.pid == 0 && hold.how == QLatin1String("flock")) {
        hold.pid = flockPid(m_procDir, device);
        hold.program = programOf(hold.pid);
    }
    if (hold.held && hold.pid == 0)
        nameHolder(hold, number);
    return hold;
}

PortHolder::Hold PortHolder::lockFileHold(dev_t device) const
{
    for (const QString& dirPath : m_lockDirs) {
        const QDir dir(dirPath);
        const QStringList locks = dir.entryList({QStringLiteral("LCK..*")}, QDir::Files);
        for (const QString& lock : locks) {
            const QStringList names = lockedPaths(lock);
            if (!sameDevice(names[0], device) && !sameDevice(names[1], device))
                continue;
            const QString path = dir.filePath(lock);
            QFile file(path);
            const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.read(128) : QByteArray();
            const qint64 pid = lockPid(bytes);
            const bool own = pid == ::getpid();
            if ((own && heldHere(device)) || (!own && (pid <= 0 || processAlive(pid))))
                return {true, QStringLiteral("lock file ") + path, programOf(pid), pid};
            QFile::remove(path); // stale: its process is gone (or it is this one, not holding)
        }
    }
    return {};
}

bool PortHolder::heldHere(dev_t device) const
{
    const QDir fds(QStringLiteral("/proc/self/fd"));
    const QStringList entries = fds.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    for (const QString& fd : entries) {
        if (sameDevice(fds.filePath(fd), device))
            return true;
    }
    return false;
}

void PortHolder::nameHolder(Hold& hold, dev_t device) const
{
    // Without a lock record the holder is named only when one other process has the device
    // open; among several the system does not say which one holds it.
    const QDir proc(m_procDir);
    const QString self = QString::number(::getpid());
    const QStringList pids = proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    qint64 found = 0;
    for (const QString& pid : pids) {
        bool numeric = false;
        const qint64 number = pid.toLongLong(&numeric);
        if (!numeric || pid == self)
            continue;
        const QDir fds(proc.filePath(pid + QStringLiteral("/fd")));
        const QStringList entries = fds.entryList(QDir::System | QDir::Files);
        for (const QString& fd : entries) {
            if (sameDevice(fds.filePath(fd), device)) {
                if (found != 0)
                    return;
                found = number;
                break;
            }
        }
    }
    hold.pid = found;
    hold.program = programOf(found);
}

QString PortHolder::programOf(qint64 pid) const
{
    if (pid <= 0)
        return {};
    if (pid == ::getpid())
        return QStringLiteral("this program");
    QFile comm(m_procDir + QStringLiteral("/%1/comm").arg(pid));
    return comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll().trimmed())
                                          : QString();
}
