#pragma once

#include <QByteArray>
#include <QString>

// The copy of the last download stream kept beside the WAV file.
namespace CopyFile {

// The WAV path without its last four characters (normally ".wav") plus ".bin".
// Returns an empty string when no sound name results: a path of four characters or fewer, or one
// ending in ".bin" whose copy would overwrite the WAV file itself.
QString CopyFileName(const QString& wavPath);

// Writes stream as the whole content of path, replacing any earlier file whole (an old longer
// file leaves no bytes behind). Returns success; an empty path fails.
bool WriteCopyFile(const QString& path, const QByteArray& stream);

} // namespace CopyFile
