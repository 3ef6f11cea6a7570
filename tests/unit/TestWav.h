#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Small PCM wave files for the download tests: frames given as (left, right) raw sample values,
// 16-bit signed or 8-bit unsigned, written as a plain RIFF/WAVE file with a 16-byte "fmt " chunk.
struct TestWav
{
    struct Frame
    {
        int left = 0;
        int right = 0;
    };

    quint32 rate = 8000;
    int bits = 16;
    int channels = 1;
    QList<Frame> frames;

    QByteArray Bytes() const;
    // Writes the file; false when it cannot be written.
    bool Write(const QString& path) const;
    // The first-channel value as the unit's encoder sees it: s / 32768 or (u - 128) / 128.
    double Value(int frame) const;
};
