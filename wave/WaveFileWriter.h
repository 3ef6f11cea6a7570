#pragma once

#include <QString>

#include <optional>

class LoadedWave;

// Writes the loaded wave as a plain RIFF/WAVE file (a 16-byte "fmt " chunk, then the data), all
// or nothing: an existing file is replaced only once the new one is complete. nullopt on
// success, else why it failed, naming the file.
std::optional<QString> SaveWaveFile(const LoadedWave& wave, const QString& path);
