#pragma once

#include <QString>
#include <QStringList>

#include <sys/types.h>

// Who, if anyone, holds a serial device: a lock file (LCK..<name>) of a live process under any
// name of the same device, an flock on it, or exclusive mode (TIOCEXCL). Lock files whose process
// is gone are stale: ignored, and removed when we may. The holder's program and PID come from
// the lock file or, where readable, from the open files under /proc.
class PortHolder
{
public:
    struct Hold
    {
        bool held = false;
        QString how;     // "lock file <path>", "flock", "exclusive mode"
        QString program; // empty when the system does not tell
        qint64 pid = 0;

        // "<device> is in use by another program (<program>, PID <pid>; <how>)"
        QString text(const QString& device) const;
    };

    explicit PortHolder(QStringList lockDirs = defaultLockDirs(),
                        QString procDir = QStringLiteral("/proc"));
    static QStringList defaultLockDirs();

    // Looks at the device (links followed) without keeping it open.
    Hold check(const QString& device) const;

    // Takes this program's own hold on an open descriptor of the device (flock, exclusive and
    // not waiting); released when the descriptor closes. False when another holds it.
    static bool holdOwn(int fd);

private:
    Hold lockFileHold(dev_t device) const;
    void nameHolder(Hold& hold, dev_t device) const;
    QString programOf(qint64 pid) const;
    bool heldHere(dev_t device) const;

    QStringList m_lockDirs;
    QString m_procDir;
};
