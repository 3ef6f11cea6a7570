#include "CopyFile.h"

#include <QSaveFile>

namespace CopyFile {

namespace {
constexpr qsizetype kExtensionLength = 4;
}

QString CopyFileName(const QString& wavPath)
{
    if (wavPath.size() <= kExtensionLength) {
        return {};
    }
    QString name = wavPath.chopped(kExtensionLength) + QStringLiteral(".bin");
    if (name == wavPath) {
        return {};
    }
    return name;
}

bool WriteCopyFile(const QString& path, const QByteArray& stream)
{
    if (path.isEmpty()) {
        return false;
    }
    QSaveFile file(path);
    // A folder we may not create files in still lets us overwrite a copy file already there.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    if (file.write(stream) != stream.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace CopyFile
