#pragma once

#include <QtGlobal>

// Slider positions in thousandths of the file to frame indices.
class SliceMath
{
public:
    // (position / 1000) * sampleCount in double precision, rounded to the nearest frame with
    // halves going to the even neighbour.
    static qint32 FrameAt(int thousandths, qint32 sampleCount);
};
