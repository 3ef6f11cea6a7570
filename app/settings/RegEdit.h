#pragma once

#include <QString>
#include <optional>

// Per-machine settings store addressed by registry-style paths
// ("HKEY_LOCAL_MACHINE\SOFTWARE\Telquin\<app>\<section>\<value>").
// On this platform the store is one INI file; each backslash-separated path component becomes
// one component of the INI key path, so every path has its own entry. Nothing is cached: each
// call reads or writes the file. A value that cannot be read yields the default (which is then
// written back). A write replaces the file as a whole or not at all, so a failed write (read-only
// or full file system, immutable file) leaves every stored value in place and later reads still
// return them; the failure is kept for takeWriteFailure.
class RegEdit
{
public:
    // storeFile: the INI file behind the store (tests pass a temporary file).
    explicit RegEdit(QString storeFile = defaultStoreFile());

    // <generic config location>/Telquin/registry.ini
    static QString defaultStoreFile();

    // Root text, then appKey + "\" and section + "\" when not empty, then valueName.
    static QString ComposePath(const QString& appKey, const QString& section,
                               const QString& valueName);

    // The key under which a registry-style path is kept in the INI file. Components are split
    // at each backslash; "%", "/" and "@" inside a component are escaped as %25, %2F, %40 and an
    // empty component is written "@" (the key's unnamed value), so distinct paths never share a
    // key.
    static QString storeKey(const QString& path);

    QString RegReadValue(const QString& path, const QString& defaultValue) const;
    void RegWriteValue(const QString& path, const QString& value) const;

    QString GetRegSetting(const QString& appKey, const QString& section, const QString& valueName,
                          const QString& defaultValue) const;
    void SaveRegSetting(const QString& appKey, const QString& section, const QString& valueName,
                        const QString& value) const;

    const QString& storeFile() const { return m_storeFile; }

    // The first write failure not yet taken ("Cannot save settings to <path>: <reason>"), then
    // nothing until a write has succeeded again, so a store that stays unwritable is told once.
    std::optional<QString> takeWriteFailure() const;

private:
    bool writeFile(const QString& path, const QString& value, QString* why) const;
    void noteWrite(bool ok, const QString& why) const;

    QString m_storeFile;
    // What the last writes did: a record for the caller, not a cache of the store.
    mutable std::optional<QString> m_writeFailure;
    mutable bool m_failureTold = false;
};
