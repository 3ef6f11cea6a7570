#pragma once

#include <QList>
#include <QPoint>

class LoadedWave;

// The picture of the plot window as polylines in twips (origin top-left, y growing downwards).
class PlotGeometry
{
public:
    using Trace = QList<QPoint>;

    // The traces for the loaded wave's slice in a window of the given outer size in twips: none
    // when no file is open or the slice is empty, one for mono, left and right for stereo. Only
    // frames 0 to SampleCount - 1 are read.
    static QList<Trace> Traces(const LoadedWave& wave, int outerWidth, int outerHeight);
};
