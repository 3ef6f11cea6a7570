#pragma once

#include "tests/unit/TestWav.h"

#include <QByteArray>

#include <algorithm>
#include <cmath>
#include <functional>

// The unit's write stream worked out from the byte-format rules alone, so the tests do not lean on
// the program's encoder: rounding to nearest with halves to even (the default floating-point
// mode), ID bytes capped at 0xFE. dest is 1 Station ID, 2 Channel ID, 3 Pink File.

// What the wave accessors return for a raw first-channel sample.
inline double SourceValue(int bits, int raw)
{
    return bits == 16 ? raw / 32768.0 : (raw - 128) / 128.0;
}

inline QByteArray ExpectedSample(double x, int bits, int dest, int level)
{
    const double g = level / 100.0;
    const long v = std::lrint(x * 32767.0 * g);
    const long w = std::clamp(v, -32768L, 32767L) + 32768;
    if (dest == 3)
        return QByteArray(1, char(w % 256)) + QByteArray(1, char(w / 256));
    const long b = bits == 16 ? long(std::floor(v / 256.0)) : std::lrint(x * 127.0 * g);
    return QByteArray(1, char(std::min(std::clamp(b, -128L, 127L) + 128, 0xFEL)));
}

// The write command, frames 0..frames-1 at a fixed level, and the terminator.
inline QByteArray ExpectedStream(int dest, int bits, int level, int frames,
                                 const std::function<double(int)>& x)
{
    QByteArray out = QByteArray("QXW") + "SCP"[dest - 1];
    for (int i = 0; i < frames; ++i)
        out += ExpectedSample(x(i), bits, dest, level);
    return out + QByteArray(6, '\xFF');
}

// The same for frames first..first+frames-1 of a wave file's left channel.
inline QByteArray ExpectedStream(const TestWav& wav, int dest, int level, int frames, int first = 0)
{
    return ExpectedStream(dest, wav.bits, level, frames, [&wav, first](int i) {
        return SourceValue(wav.bits, wav.frames[first + i].left);
    });
}
