#include "RegEdit.h"

#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

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
    {
        QSettings store(m_storeFile, QSettings::IniFormat);
        if (store.status() == QSettings::NoError)
            value = store.value(storeKey(path));
    }
    if (!value.isValid()) {
        // Make the value exist from now on, as the registry read-back does.
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
    QSettings store(m_storeFile, QSettings::IniFormat);
    if (store.status() != QSettings::NoError)
        return;
    store.setValue(storeKey(path), value);
    store.sync(); // a failed sync leaves an error status that nobody is told about
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
