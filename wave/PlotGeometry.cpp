#include "wave/PlotGeometry.h"

#include "wave/LoadedWave.h"

#include <algorithm>
#include <cmath>

namespace {

int Round(double v)
{
    return static_cast<int>(std::nearbyint(v)); // halves to even
}

// Where the loop runs: x = 0, k, 2k ... up to lastX; frame = round(x * s + start), clamped.
struct Sweep
{
    double s = 0;
    int k = 1;
    int lastX = 0;
    qint32 start = 0;
    qint32 lastFrame = 0;

    qint32 FrameAt(int x) const
    {
        const double i = std::nearbyint(x * s + start);
        return static_cast<qint32>(std::clamp(i, 0.0, double(lastFrame)));
    }
};

PlotGeometry::Trace Mono(const LoadedWave& wave, const Sweep& sweep, int height)
{
    const int a = Round((height - 450) / 2.0);
    const int centre = a - 100;
    const bool wide = wave.Format.BitsPerSample == 16;
    PlotGeometry::Trace trace{QPoint(0, centre)};
    trace.reserve(sweep.lastX / sweep.k + 2);
    for (int x = 0; x <= sweep.lastX; x += sweep.k) {
        const qint32 i = sweep.FrameAt(x);
        const double v = wide ? wave.ReadSampleMono16(i) : wave.ReadSampleMono8(i);
        trace.append(QPoint(x, centre + Round(a * v)));
    }
    return trace;
}

QList<PlotGeometry::Trace> Stereo(const LoadedWave& wave, const Sweep& sweep, int height)
{
    const int a = Round(height / 4.5);
    const bool wide = wave.Format.BitsPerSample == 16;
    PlotGeometry::Trace left{QPoint(0, a)};
    PlotGeometry::Trace right{QPoint(0, 3 * a)};
    left.reserve(sweep.lastX / sweep.k + 2);
    right.reserve(sweep.lastX / sweep.k + 2);
    for (int x = 0; x <= sweep.lastX; x += sweep.k) {
        const qint32 i = sweep.FrameAt(x);
        double l = 0.0;
        double r = 0.0;
        if (wide)
            wave.ReadSampleStereo16(i, l, r);
        else
            wave.ReadSampleStereo8(i, l, r);
        left.append(QPoint(x, a + Round(a * l)));
        right.append(QPoint(x, 3 * a + Round(a * r)));
    }
    return {left, right};
}

} // namespace

QList<PlotGeometry::Trace> PlotGeometry::Traces(const LoadedWave& wave, int outerWidth,
                                                int outerHeight)
{
    const qint64 frames = qint64(wave.SliceEnd) - wave.SliceStart;
    // An empty slice would make the step a division by zero: it simply has no trace.
    if (!wave.FileOpen || frames <= 0 || outerWidth <= 0 || wave.SampleCount <= 0)
        return {};
    Sweep sweep;
    sweep.s = frames / double(outerWidth);
    sweep.k = Round(sweep.s < 1.0 ? 1.0 / sweep.s : 1.0);
    sweep.lastX = outerWidth;
    sweep.start = wave.SliceStart;
    // The last point maps to about SliceEnd, one past the slice; it is held to the last frame.
    sweep.lastFrame = wave.SampleCount - 1;
    if (wave.Format.Channels == 2)
        return Stereo(wave, sweep, outerHeight);
    return {Mono(wave, sweep, outerHeight)};
}
