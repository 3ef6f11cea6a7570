#pragma once

#include "wave/LoadedWave.h"

#include <QString>

class QIODevice;

// What the user must be told after a load. The loader shows nothing itself: the window layer
// shows `text` in a message box captioned with the application title, or puts it into the status
// box, or shows nothing.
struct LoadResult
{
    enum class Show
    {
        Nothing,
        MessageBox,
        StatusText
    };
    Show show = Show::Nothing;
    QString text;
    // After a successful load: what the status box says once the load is shown (for example
    // that the file held fewer frames than its header declared); empty when nothing is to tell.
    QString notice;
};

// Reads a RIFF/WAVE file into `wave`. FileOpen is true afterwards only on complete success.
// An empty name releases the sample buffer silently. When the file cannot be opened the message
// is "Error opening input file, rc = " + the system error number (2: no such file, 13: permission
// denied, 21: a directory, 22: not a regular file such as a device or pipe); the old samples stay.
LoadResult LoadWaveFile(LoadedWave& wave, const QString& fileName);

// The same load from an already open, random-access device (bytes in memory, for instance).
LoadResult LoadWaveDevice(LoadedWave& wave, QIODevice& device);
