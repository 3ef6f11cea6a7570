#include "serial/DeviceAccess.h"

#include "serial/PortHolder.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemText(int errorNumber)
{
    return QString::fromLocal8Bit(std::strerror(errorNumber));
}

CommError missing(const QString& path)
{
    return {CommError::InvalidPort,
            QStringLiteral("Invalid Port Number: %1 does not exist").arg(path)};
}

CommError notSerial(const QString& path)
{
    return {CommError::NotSerialDevice,
            QStringLiteral("%1 is not a serial device (not a terminal)").arg(path)};
}

CommError inUse(const QString& path)
{
    return {CommError::PortInUse,
            QStringLiteral("Port already open: %1 is in use by another program").arg(path)};
}

CommError heldBy(const PortHolder* holder, const QString& path)
{
    if (holder) {
        if (const PortHolder::Hold hold = holder->check(path); hold.held)
            return {CommError::PortInUse, hold.text(path)};
    }
    return {};
}

// errno of a plain open of the device, 0 when it opens; sets *isTerminal.
int tryRawOpen(const QString& path, bool* isTerminal)
{
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    *isTerminal = ::isatty(fd) == 1;
    ::close(fd);
    return 0;
}

} // namespace

QString DeviceAccess::permissionText(const QString& path)
{
    QString groupName;
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) == 0) {
        if (const struct group* entry = ::getgrgid(info.st_gid))
            groupName = QString::fromLocal8Bit(entry->gr_name);
        else
            groupName = QString::number(info.st_gid);
    }
    if (groupName.isEmpty())
        groupName = QStringLiteral("dialout");
    return QStringLiteral("Permission denied on %1: the device belongs to group \"%2\"; join it "
                          "with \"sudo usermod -aG %2 $USER\", then log in again.")
        .arg(path, groupName);
}

CommError DeviceAccess::checkBeforeOpen(const QString& path, const QString& refusal,
                                        const PortHolder* holder)
{
    struct stat info
    {
    };
    if (path.isEmpty())
        return missing(path);
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        const int err = errno;
        if (err == EACCES || err == EPERM)
            return {CommError::PermissionDenied, permissionText(path)};
        if (err == ENOENT || err == ENOTDIR || err == ENODEV || err == ENXIO)
            return missing(path);
        return {CommError::OpenFailed, QStringLiteral("%1: %2").arg(path, systemText(err))};
    }
    if (!S_ISCHR(info.st_mode))
        return notSerial(path);
    if (!refusal.isEmpty())
        return {CommError::NotSerialDevice, refusal};
    if (const CommError held = heldBy(holder, path); !held.ok())
        return held;
    return {};
}

CommError DeviceAccess::classifyOpenFailure(const QString& path, QSerialPort::SerialPortError error,
                                            const QString& errorText, const PortHolder* holder)
{
    if (const CommError held = heldBy(holder, path); !held.ok())
        return held;
    if (error == QSerialPort::DeviceNotFoundError)
        return missing(path);
    bool isTerminal = false;
    const int err = tryRawOpen(path, &isTerminal);
    if (err == ENOENT || err == ENODEV || err == ENXIO)
        return missing(path);
    if (err == EACCES || err == EPERM)
        return {CommError::PermissionDenied, permissionText(path)};
    if (err == EBUSY)
        return inUse(path);
    if (err == 0 && !isTerminal)
        return notSerial(path);
    // The device opens plainly but QSerialPort refused it: its lock file is held elsewhere.
    if (err == 0 && error == QSerialPort::PermissionError)
        return inUse(path);
    if (error == QSerialPort::UnsupportedOperationError)
        return {CommError::SetStateFailed,
                QStringLiteral("Could not set the line state of %1: %2").arg(path, errorText)};
    return {CommError::OpenFailed, QStringLiteral("%1: %2").arg(path, errorText)};
}
