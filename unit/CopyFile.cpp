#include "unit/CopyFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace CopyFile {

namespace {

const QString kWav = QStringLiteral(".wav");
const QString kBin = QStringLiteral(".bin");

QString failure(const QString& path, const QString& reason)
{
    return QStringLiteral("The copy file %1 could not be written: %2.").arg(path, reason);
}

// A copy from an earlier download must not pass for this one.
QString withOldCopyRemoved(const QString& path, const QString& text)
{
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        return text;
    if (QFile::remove(path))
        return text + QStringLiteral(" The older copy was removed.");
    return text + QStringLiteral(" The older copy there is not from this download.");
}

} // namespace

QString CopyFileName(const QString& wavPath)
{
    const QFileInfo info(wavPath);
    if (wavPath.isEmpty() || info.fileName().isEmpty())
        return {};
    if (wavPath.endsWith(kWav, Qt::CaseInsensitive) && info.fileName().size() > kWav.size())
        return wavPath.chopped(kWav.size()) + kBin;
    return wavPath + kBin;
}

std::optional<QString> WriteCopyFile(const QString& path, const QByteArray& stream)
{
    if (path.isEmpty())
        return failure(QStringLiteral("(none)"), QStringLiteral("the sound file has no name"));
    if (QFileInfo(path).isDir())
        return failure(path, QStringLiteral("a folder of that name is in the way"));
    QSaveFile file(path);
    // A folder we may not create files in still lets us overwrite a copy file already there.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return withOldCopyRemoved(path, failure(path, file.errorString()));
    if (file.write(stream) != stream.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return withOldCopyRemoved(path, failure(path, reason));
    }
    if (!file.commit())
        return withOldCopyRemoved(path, failure(path, file.errorString()));
    return std::nullopt;
}

} // namespace CopyFile
