#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// An orvanta-sim process on a pseudo-terminal link in a temporary folder, with its FLASH and its
// record of received bytes (rx.bin) kept there for the test to read.
class SimUnit
{
public:
    SimUnit();
    ~SimUnit();

    // Starts the simulator with the given extra options; true once it listens on Link().
    bool Start(const QStringList& options);
    void Stop();

    QString Link() const { return m_dir.filePath(QStringLiteral("unit-tty")); }
    QString FlashDir() const { return m_dir.filePath(QStringLiteral("flash")); }
    // A file of the FLASH folder ("rx.bin", "station.last", "pink.bin", ...); empty if missing.
    QByteArray FlashFile(const QString& name) const;
    QByteArray Received() const { return FlashFile(QStringLiteral("rx.bin")); }
    // Writes an area file before the start, e.g. a station area that holds data.
    bool PutFlashFile(const QString& name, const QByteArray& content) const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};
