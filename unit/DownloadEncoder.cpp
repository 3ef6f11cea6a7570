#include "unit/DownloadEncoder.h"

#include "unit/DestinationInfo.h"
#include "unit/UnitProtocol.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace DownloadEncoder {

namespace {

// The highest byte an ID sample may take: 0xFF is reserved for the terminator, and 0xFE is also
// the highest value an 8-bit source gives at full level.
constexpr int kIdByteCap = 0xFE;
// Offset-binary value 65535 would put 0xFF 0xFF into one sample and, with a neighbouring 0xFF,
// end the unit's write early. Sample values within the accessors' range at levels up to 100 never
// exceed 32766, so this guard only acts on out-of-range input.
constexpr qint32 kPinkMax = 32766;
constexpr qint32 kPinkMin = -32768;

// Scaled sample, products in the order x * fullScale * (level / 100) in double precision.
qint32 Scaled(double x, double fullScale, int level)
{
    return RoundHalfEven(x * fullScale * (level / 100.0));
}

quint8 IdByte(double x, int bitsPerSample, int level)
{
    qint32 v = 0;
    if (bitsPerSample == 16) {
        v = Scaled(x, 32767.0, level);
        v >>= 8; // arithmetic: floor(v / 256), so -1 stays -1
    } else {
        v = Scaled(x, 127.0, level);
    }
    const int byte = std::clamp(v, -128, 127) + 128;
    return static_cast<quint8>(std::min(byte, kIdByteCap));
}

void AppendPink(QByteArray& out, double x, int level)
{
    const qint32 v = std::clamp(Scaled(x, 32767.0, level), kPinkMin, kPinkMax);
    const quint32 w = static_cast<quint32>(v + 32768);
    out.append(static_cast<char>(w & 0xFFu));
    out.append(static_cast<char>(w >> 8));
}

} // namespace

qint32 RoundHalfEven(double y)
{
    if (std::isnan(y)) {
        return 0;
    }
    constexpr double lo = std::numeric_limits<qint32>::min();
    constexpr double hi = std::numeric_limits<qint32>::max();
    if (y <= lo) {
        return std::numeric_limits<qint32>::min();
    }
    if (y >= hi) {
        return std::numeric_limits<qint32>::max();
    }
    double r = std::round(y); // halves away from zero
    if (std::fabs(r - y) == 0.5 && std::fmod(r, 2.0) != 0.0) {
        r -= std::copysign(1.0, y); // tie landed on an odd value: step back toward zero
    }
    return static_cast<qint32>(r);
}

// The sample width of the destination's row chooses the format: one byte for the IDs, two for
// the Pink File, nothing for DestNone.
void EncodeSample(QByteArray& out, double x, int bitsPerSample, WaveDestination dest, int level)
{
    switch (DestinationInfo::Of(dest).BytesPerSample()) {
    case 1:
        out.append(static_cast<char>(IdByte(x, bitsPerSample, level)));
        break;
    case 2:
        AppendPink(out, x, level);
        break;
    default:
        break;
    }
}

QByteArray EncodeFrames(qint32 count, const std::function<double(qint32)>& sampleAt,
                        int bitsPerSample, WaveDestination dest, int level)
{
    QByteArray out;
    if (count <= 0 || !sampleAt) {
        return out;
    }
    out.reserve(static_cast<qsizetype>(count) * 2);
    for (qint32 i = 0; i < count; ++i) {
        EncodeSample(out, sampleAt(i), bitsPerSample, dest, level);
    }
    return out;
}

QByteArray EncodeFrames(std::span<const double> samples, int bitsPerSample, WaveDestination dest,
                        int level)
{
    QByteArray out;
    out.reserve(static_cast<qsizetype>(samples.size()) * 2);
    for (const double x : samples) {
        EncodeSample(out, x, bitsPerSample, dest, level);
    }
    return out;
}

// The wording follows the destination's sample width: an ID takes 8 or 16-bit samples and stores
// 8-bit ones, the Pink File takes and stores 16-bit ones.
QString TruncationQuestion(WaveDestination dest)
{
    const int width = DestinationInfo::Of(dest).BytesPerSample();
    if (width == 0)
        return {};
    const QString firstEnding =
        width == 1 ? QStringLiteral(" 8 or 16-bit samples.") : QStringLiteral(" 16-bit samples.");
    const QString secondEnding =
        width == 1 ? QStringLiteral(" 8-bit samples.") : QStringLiteral(" 16-bit samples.");
    const QString limit = QString::number(UnitProtocol::MaxDownloadSamples);
    return QStringLiteral("File is greater than ") + limit + firstEnding + QStringLiteral("\r\n") +
           QStringLiteral("File will be truncated to ") + limit + secondEnding;
}

} // namespace DownloadEncoder
