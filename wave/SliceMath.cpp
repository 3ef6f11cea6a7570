#include "wave/SliceMath.h"

#include <cmath>

qint32 SliceMath::FrameAt(int thousandths, qint32 sampleCount)
{
    // nearbyint uses the default rounding mode, round-to-nearest-even.
    return static_cast<qint32>(std::nearbyint((thousandths / 1000.0) * sampleCount));
}
