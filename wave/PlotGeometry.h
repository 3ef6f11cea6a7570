#pragma once

#include <QLine>
#include <QList>
#include <QPoint>

class LoadedWave;

// The picture of the plot window as polylines in twips (origin top-left, y growing downwards).
class PlotGeometry
{
public:
    using Trace = QList<QPoint>;
    // One vertical line per column: from the y of the lowest to the y of the highest value.
    using Envelope = QList<QLine>;

    // The traces for the loaded wave's slice in a window of the given outer size in twips: none
    // when no file is open or the slice is empty, one for mono, left and right for stereo. Only
    // frames 0 to SampleCount - 1 are read.
    static QList<Trace> Traces(const LoadedWave& wave, int outerWidth, int outerHeight);

    // The same picture as min/max columns, for slices with many frames per twip: at each x of
    // Traces (after its leading centre point) the line over every frame from that point's frame
    // up to the next point's, so a peak between two point samples still shows. Same channels,
    // centre lines and amplitudes as Traces; with one frame per column both ends of each line
    // are Traces' point.
    static QList<Envelope> Envelopes(const LoadedWave& wave, int outerWidth, int outerHeight);
};
