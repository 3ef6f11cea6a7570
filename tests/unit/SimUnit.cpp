#include "tests/unit/SimUnit.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <unistd.h>

constexpr int kStartMs = 5000;

SimUnit::~SimUnit()
{
    m_process.terminate(); // QProcess kills it if it does not end in time
    m_process.waitForFinished(kStartMs);
    if (m_hold >= 0)
        ::close(m_hold);
}

bool SimUnit::Start(const QStringList& options)
{
    QDir().mkpath(FlashDir());
    m_process.start(QStringLiteral(ORVANTA_SIM_PATH),
                    QStringList{"--link", Link(), "--flash-dir", FlashDir()} + options);
    const QByteArray expected = "orvanta-sim: listening on " + QFile::encodeName(Link());
    QByteArray out;
    const QDeadlineTimer deadline(kStartMs);
    while (!out.contains(expected) && m_process.waitForReadyRead(int(deadline.remainingTime())))
        out += m_process.readAllStandardOutput();
    // Holding the terminal keeps its number taken after the unit hangs up, so a port that the
    // program reopens through the link can never reach another test's simulator.
    m_hold = ::open(QFile::encodeName(Link()).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    return out.contains(expected) && m_hold >= 0;
}

QByteArray SimUnit::ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
