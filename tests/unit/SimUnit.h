#pragma once

#include <QProcess>
#include <QTemporaryDir>

// An orvanta-sim process on a pseudo-terminal link in a temporary folder, with its FLASH and its
// record of received bytes (rx.bin) kept there for the test to read.
class SimUnit
{
public:
    ~SimUnit();

    // Starts the simulator with the given extra options; true once it listens on Link().
    bool Start(const QStringList& options);

    QString Link() const { return m_dir.filePath(QStringLiteral("unit-tty")); }
    QString FlashDir() const { return m_dir.filePath(QStringLiteral("flash")); }
    // What the unit has received so far.
    QByteArray Received() const { return ReadFile(FlashDir() + QStringLiteral("/rx.bin")); }
    // A whole file; empty if missing.
    static QByteArray ReadFile(const QString& path);

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_hold = -1;
};
