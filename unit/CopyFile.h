#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The copy of the last download stream kept beside the WAV file.
namespace CopyFile {

// The WAV path with a final ".wav" (any letter case) replaced by ".bin", or ".bin" appended to
// any other name, so the copy always lies in the WAV file's own folder. Empty when the path has
// no file name.
QString CopyFileName(const QString& wavPath);

// Writes stream as the whole content of path, replacing any earlier file whole (an old longer
// file leaves no bytes behind). On failure no older copy is left looking current: it is removed
// where it can be. Returns the failure in words, naming the path and the reason; nothing on
// success.
std::optional<QString> WriteCopyFile(const QString& path, const QByteArray& stream);

} // namespace CopyFile
