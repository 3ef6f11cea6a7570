#include "wave/PlotGeometry.h"

#include "wave/LoadedWave.h"

#include <algorithm>
#include <cmath>
#include <optional>

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

// One channel's centre line and amplitude: mono around a - 100, stereo around a and 3a.
struct Placement
{
    int centre = 0;
    int amplitude = 0;

    int Y(double v) const { return centre + Round(amplitude * v); }
};

QList<Placement> Placements(const LoadedWave& wave, int height)
{
    if (wave.Format.Channels == 2) {
        const int a = Round(height / 4.5);
        return {{a, a}, {3 * a, a}};
    }
    const int a = Round((height - 450) / 2.0);
    return {{a - 100, a}};
}

// Frame i's values, one per placed channel, read with the accessor of the file's sample width.
struct Frame
{
    double v[2] = {0.0, 0.0};
};

Frame Read(const LoadedWave& wave, qint32 i)
{
    Frame f;
    const bool wide = wave.Format.BitsPerSample == 16;
    if (wave.Format.Channels == 2 && wide)
        wave.ReadSampleStereo16(i, f.v[0], f.v[1]);
    else if (wave.Format.Channels == 2)
        wave.ReadSampleStereo8(i, f.v[0], f.v[1]);
    else
        f.v[0] = wide ? wave.ReadSampleMono16(i) : wave.ReadSampleMono8(i);
    return f;
}

// The lowest and highest value of each channel over frames first..last.
struct Span
{
    Frame lo;
    Frame hi;
};

Span SpanOf(const LoadedWave& wave, qint32 first, qint32 last)
{
    const Frame start = Read(wave, first);
    Span span{start, start};
    for (qint32 i = first + 1; i <= last; ++i) {
        const Frame f = Read(wave, i);
        for (int c = 0; c < 2; ++c) {
            span.lo.v[c] = std::min(span.lo.v[c], f.v[c]);
            span.hi.v[c] = std::max(span.hi.v[c], f.v[c]);
        }
    }
    return span;
}

// The sweep of the slice across the window; none when there is nothing to draw.
std::optional<Sweep> SweepOf(const LoadedWave& wave, int outerWidth)
{
    const qint64 frames = qint64(wave.SliceEnd) - wave.SliceStart;
    // An empty slice would make the step a division by zero: it simply has no trace.
    if (!wave.FileOpen || frames <= 0 || outerWidth <= 0 || wave.SampleCount <= 0)
        return std::nullopt;
    Sweep sweep;
    sweep.s = frames / double(outerWidth);
    sweep.k = Round(sweep.s < 1.0 ? 1.0 / sweep.s : 1.0);
    sweep.lastX = outerWidth;
    sweep.start = wave.SliceStart;
    // The last point maps to about SliceEnd, one past the slice; it is held to the last frame.
    sweep.lastFrame = wave.SampleCount - 1;
    return sweep;
}

// Calls column(x, first, last) at every x of the sweep: first is the frame the point there
// reads, first..last the frames up to the next point's. False when there is nothing to draw.
template <typename Column> bool ForEachColumn(const LoadedWave& wave, int outerWidth, Column column)
{
    const std::optional<Sweep> sweep = SweepOf(wave, outerWidth);
    if (!sweep)
        return false;
    for (int x = 0; x <= sweep->lastX; x += sweep->k) {
        const qint32 first = sweep->FrameAt(x);
        const int next = x + sweep->k;
        column(x, first, next <= sweep->lastX ? std::max(first, sweep->FrameAt(next) - 1) : first);
    }
    return true;
}

} // namespace

QList<PlotGeometry::Trace> PlotGeometry::Traces(const LoadedWave& wave, int outerWidth,
                                                int outerHeight)
{
    const QList<Placement> places = Placements(wave, outerHeight);
    QList<Trace> traces;
    for (const Placement& p : places)
        traces.append(Trace{QPoint(0, p.centre)});
    const bool drawn = ForEachColumn(wave, outerWidth, [&](int x, qint32 first, qint32) {
        const Frame f = Read(wave, first);
        for (qsizetype c = 0; c < places.size(); ++c)
            traces[c].append(QPoint(x, places[c].Y(f.v[c])));
    });
    return drawn ? traces : QList<Trace>{};
}

QList<PlotGeometry::Envelope> PlotGeometry::Envelopes(const LoadedWave& wave, int outerWidth,
                                                      int outerHeight)
{
    const QList<Placement> places = Placements(wave, outerHeight);
    QList<Envelope> envelopes(places.size());
    const bool drawn = ForEachColumn(wave, outerWidth, [&](int x, qint32 first, qint32 last) {
        const Span span = SpanOf(wave, first, last);
        for (qsizetype c = 0; c < places.size(); ++c)
            envelopes[c].append(QLine(x, places[c].Y(span.lo.v[c]), x, places[c].Y(span.hi.v[c])));
    });
    return drawn ? envelopes : QList<Envelope>{};
}
