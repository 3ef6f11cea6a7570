#include "SimUnit.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

namespace {
constexpr int kStartMs = 5000;
}

SimUnit::SimUnit()
{
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
}

SimUnit::~SimUnit()
{
    Stop();
}

bool SimUnit::Start(const QStringList& options)
{
    QDir().mkpath(FlashDir());
    const QStringList args =
        QStringList{QStringLiteral("--link"), Link(), QStringLiteral("--flash-dir"), FlashDir()} +
        options;
    m_process.start(QStringLiteral(ORVANTA_SIM_PATH), args);
    const QByteArray expected = "orvanta-sim: listening on " + QFile::encodeName(Link());
    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    while (!out.contains(expected) && clock.elapsed() < kStartMs &&
           m_process.waitForReadyRead(kStartMs))
        out += m_process.readAllStandardOutput();
    return out.contains(expected);
}

void SimUnit::Stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(kStartMs)) {
        m_process.kill();
        m_process.waitForFinished(kStartMs);
    }
}

QByteArray SimUnit::FlashFile(const QString& name) const
{
    QFile file(QDir(FlashDir()).filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool SimUnit::PutFlashFile(const QString& name, const QByteArray& content) const
{
    QDir().mkpath(FlashDir());
    QFile file(QDir(FlashDir()).filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}
