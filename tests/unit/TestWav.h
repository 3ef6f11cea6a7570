#pragma once

#include <QList>
#include <QString>

// A small PCM wave file: frames as (left, right) raw samples, 16-bit signed or 8-bit unsigned,
// written as a plain RIFF/WAVE file with a 16-byte "fmt " chunk.
struct TestWav
{
    struct Frame
    {
        int left = 0, right = 0;
    };

    quint32 rate = 8000;
    int bits = 16;
    int channels = 1;
    QList<Frame> frames;

    // Edge values first, then a sweep, on the left channel; the right one swings from one extreme
    // to the other, which must never reach the unit.
    static TestWav Sweep(int bits, int channels, int frames, quint32 rate = 8000);
    // Writes the file; false when it cannot be written.
    bool Write(const QString& path) const;
};
