#include "app/settings/RegEdit.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryFile>

namespace {

const QString RootPath = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Telquin\\");

QString escapeComponent(const QString& component)
{
    if (component.isEmpty())
        return QStringLiteral("@");
    QString out = component;
    out.replace(QLatin1Char('%'), QLatin1String("%25"));
    out.replace(QLatin1Char('/'), QLatin1String("%2F"));
    out.replace(QLatin1Char('@'), QLatin1String("%40"));
    return out;
}

// The stored bytes, empty when there is no file yet; false when the file cannot be read.
bool readBytes(const QString& file, QByteArray* bytes, QString* why)
{
    QFile in(file);
    if (!in.exists())
        return true;
    if (!in.open(QIODevice::ReadOnly)) {
        *why = in.errorString();
        return false;
    }
    *bytes = in.readAll();
    return true;
}

// Applies one value to a copy of the stored bytes, through a scratch file beside the store, so
// that the store's own file is never left half-changed and its cached reading never dirty.
bool editedBytes(const QString& file, const QByteArray& bytes, const QString& key,
                 const QString& value, QByteArray* edited, QString* why)
{
    QTemporaryFile scratch(file + QStringLiteral(".XXXXXX"));
    if (!scratch.open() || scratch.write(bytes) != bytes.size() || !scratch.flush()) {
        *why = scratch.errorString();
        return false;
    }
    {
        QSettings edit(scratch.fileName(), QSettings::IniFormat);
        if (edit.status() == QSettings::FormatError) {
            *why = QStringLiteral("the file is not in the store's format; it was left as it is");
            return false;
        }
        edit.setValue(key, value);
        edit.sync();
        if (edit.status() != QSettings::NoError) {
            *why = QStringLiteral("no room to write the new file");
            return false;
        }
    }
    return readBytes(scratch.fileName(), edited, why);
}

bool replaceFile(const QString& file, const QByteArray& bytes, QString* why)
{
    const QDateTime before = QFileInfo(file).lastModified();
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        *why = out.errorString();
        return false;
    }
    // Readers of the file notice a change by its size and time: keep the time from repeating.
    if (before.isValid() && QFileInfo(file).lastModified() == before) {
        QFile touched(file);
        if (touched.open(QIODevice::ReadWrite))
            touched.setFileTime(before.addMSecs(1), QFileDevice::FileModificationTime);
    }
    return true;
}

} // namespace

RegEdit::RegEdit(QString storeFile) : m_storeFile(std::move(storeFile)) {}

QString RegEdit::defaultStoreFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Telquin/registry.ini");
}

QString RegEdit::ComposePath(const QString& appKey, const QString& section,
                             const QString& valueName)
{
    QString path = RootPath;
    if (!appKey.isEmpty())
        path += appKey + QLatin1Char('\\');
    if (!section.isEmpty())
        path += section + QLatin1Char('\\');
    return path + valueName;
}

QString RegEdit::storeKey(const QString& path)
{
    QStringList parts = path.split(QLatin1Char('\\'));
    for (QString& part : parts)
        part = escapeComponent(part);
    return parts.join(QLatin1Char('/'));
}

QString RegEdit::RegReadValue(const QString& path, const QString& defaultValue) const
{
    QVariant value;
    bool readable = false;
    {
        // Only ever read through this object: a write goes through its own copy (writeFile).
        const QSettings store(m_storeFile, QSettings::IniFormat);
        readable = store.status() == QSettings::NoError;
        value = store.value(storeKey(path));
    }
    if (!value.isValid()) {
        // Make the value exist from now on, as the registry read-back does; never over a file
        // that could not be read, which would be replaced by the default alone.
        if (readable)
            RegWriteValue(path, defaultValue);
        return defaultValue;
    }
    // An unquoted comma in a hand-edited file makes QSettings split the text into a list.
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

void RegEdit::RegWriteValue(const QString& path, const QString& value) const
{
    QString why;
    const bool ok = writeFile(path, value, &why);
    noteWrite(ok, why);
}

bool RegEdit::writeFile(const QString& path, const QString& value, QString* why) const
{
    const QFileInfo info(m_storeFile);
    if (info.exists() && !info.isWritable()) {
        *why = QStringLiteral("the file is read-only");
        return false;
    }
    if (!QDir().mkpath(info.absolutePath())) {
        *why = QStringLiteral("cannot create the folder %1").arg(info.absolutePath());
        return false;
    }
    QByteArray bytes, edited;
    return readBytes(m_storeFile, &bytes, why) &&
           editedBytes(m_storeFile, bytes, storeKey(path), value, &edited, why) &&
           replaceFile(m_storeFile, edited, why);
}

void RegEdit::noteWrite(bool ok, const QString& why) const
{
    if (ok) {
        m_failureTold = false;
        m_writeFailure.reset();
        return;
    }
    if (!m_failureTold && !m_writeFailure)
        m_writeFailure = QStringLiteral("Cannot save settings to %1: %2").arg(m_storeFile, why);
}

std::optional<QString> RegEdit::takeWriteFailure() const
{
    std::optional<QString> failure;
    failure.swap(m_writeFailure);
    if (failure)
        m_failureTold = true;
    return failure;
}

QString RegEdit::GetRegSetting(const QString& appKey, const QString& section,
                               const QString& valueName, const QString& defaultValue) const
{
    return RegReadValue(ComposePath(appKey, section, valueName), defaultValue);
}

void RegEdit::SaveRegSetting(const QString& appKey, const QString& section,
                             const QString& valueName, const QString& value) const
{
    RegWriteValue(ComposePath(appKey, section, valueName), value);
}
