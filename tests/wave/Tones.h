#pragma once

#include "tests/support/WavBuilder.h"

#include <QList>

#include <cmath>

// Consecutive tones at half scale of `segmentMs` each; a stereo right channel is silent.
inline QByteArray Tones(const WavBuilder::Fmt& fmt, const QList<double>& hz, int segmentMs)
{
    const qint64 segment = fmt.rate * segmentMs / 1000;
    QByteArray data;
    for (qint64 i = 0; i < segment * hz.size() * fmt.channels; ++i) {
        const qint64 n = i / fmt.channels;
        const double s =
            i % fmt.channels ? 0 : 0.5 * std::sin(2 * M_PI * hz[n / segment] * n / fmt.rate);
        data += fmt.bits == 16 ? WavBuilder::le16(quint16(std::lround(s * 32767)))
                               : QByteArray(1, char(128 + std::lround(s * 127)));
    }
    return WavBuilder::pcm(fmt, data);
}
