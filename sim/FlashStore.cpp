#include "sim/FlashStore.h"

#include <QDir>
#include <QSaveFile>

FlashStore::FlashStore(const QString& dir) : m_dir(dir) {}

bool FlashStore::open(UnitModel& model, QString* error)
{
    if (!QDir().mkpath(m_dir)) {
        *error = QStringLiteral("cannot create the folder %1").arg(m_dir);
        return false;
    }
    // Check every stored area before writing anything, so a bad file leaves the folder as it was.
    for (char code : UnitModel::Codes) {
        if (!loadArea(model, code, error))
            return false;
    }
    for (char code : UnitModel::Codes) {
        if (!QFile::exists(areaPath(code)) &&
            !writeFile(areaPath(code), model.area(code)->contents(), error))
            return false;
    }
    m_received.setFileName(receivedPath());
    if (!m_received.open(QIODevice::WriteOnly | QIODevice::Append)) {
        *error = QStringLiteral("cannot open %1: %2").arg(receivedPath(), m_received.errorString());
        return false;
    }
    return true;
}

bool FlashStore::store(const UnitModel& model, const UnitModel::Event& event, QString* error)
{
    if (!writeFile(areaPath(event.code), model.area(event.code)->contents(), error))
        return false;
    if (event.kind == UnitModel::EventKind::WriteDone)
        return writeFile(lastWritePath(event.code), model.lastWrite(event.code), error);
    return true;
}

bool FlashStore::appendReceived(const QByteArray& bytes, QString* error)
{
    if (m_received.write(bytes) != bytes.size() || !m_received.flush()) {
        *error =
            QStringLiteral("cannot write %1: %2").arg(receivedPath(), m_received.errorString());
        return false;
    }
    return true;
}

QString FlashStore::areaPath(char code) const
{
    return m_dir + QLatin1Char('/') + baseName(code) + QStringLiteral(".bin");
}

QString FlashStore::lastWritePath(char code) const
{
    return m_dir + QLatin1Char('/') + baseName(code) + QStringLiteral(".last");
}

QString FlashStore::receivedPath() const
{
    return m_dir + QStringLiteral("/rx.bin");
}

QString FlashStore::baseName(char code)
{
    switch (code) {
    case 'S':
        return QStringLiteral("station");
    case 'C':
        return QStringLiteral("channel");
    case 'P':
        return QStringLiteral("pink");
    default:
        return QString();
    }
}

bool FlashStore::loadArea(UnitModel& model, char code, QString* error) const
{
    QFile file(areaPath(code));
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString());
        return false;
    }
    const QByteArray image = file.readAll();
    if (!model.area(code)->load(image)) {
        *error = QStringLiteral("%1 holds %2 bytes, expected %3; move it away or fix it")
                     .arg(file.fileName())
                     .arg(image.size())
                     .arg(model.area(code)->size());
        return false;
    }
    return true;
}

bool FlashStore::writeFile(const QString& path, const QByteArray& bytes, QString* error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
