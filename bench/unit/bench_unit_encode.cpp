// Times the conversion of a full-size download (131072 frames of a 16-bit source) for each
// destination, without a port, and prints the figures.
#include "unit/DestinationInfo.h"
#include "unit/DownloadEncoder.h"
#include "unit/DownloadPlan.h"
#include "unit/UnitProtocol.h"

#include <QElapsedTimer>

#include <cstdio>
#include <vector>

namespace {

constexpr int kRounds = 20;

// A loud sweep over the whole 16-bit range, as the 16-bit accessor would return it.
std::vector<double> Source()
{
    std::vector<double> values(UnitProtocol::MaxDownloadSamples);
    for (size_t i = 0; i < values.size(); ++i) {
        values[i] = static_cast<qint16>(static_cast<quint16>(i * 7919u)) / 32768.0;
    }
    return values;
}

// Best of kRounds, in milliseconds; the frame loop is the one the download runs.
double TimePlan(const std::vector<double>& values, WaveDestination dest, qsizetype& bytes)
{
    double best = 1e9;
    for (int r = 0; r < kRounds; ++r) {
        QElapsedTimer timer;
        timer.start();
        DownloadPlan plan(dest, 16, static_cast<qint32>(values.size()));
        while (!plan.AtEnd()) {
            if (plan.AddFrame(values[static_cast<size_t>(plan.NextFrame())], 100)) {
                plan.TakeChunk();
            }
        }
        plan.Finish();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
        bytes = plan.Stream().size();
    }
    return best;
}

double TimeEncodeFrames(const std::vector<double>& values, WaveDestination dest)
{
    double best = 1e9;
    for (int r = 0; r < kRounds; ++r) {
        QElapsedTimer timer;
        timer.start();
        const QByteArray data = DownloadEncoder::EncodeFrames(values, 16, dest, 87);
        best = std::min(best, timer.nsecsElapsed() / 1e6);
        if (data.isEmpty()) {
            return -1.0;
        }
    }
    return best;
}

} // namespace

int main()
{
    const std::vector<double> values = Source();
    std::printf("bench_unit_encode: %zu frames, 16-bit source, best of %d runs\n", values.size(),
                kRounds);
    for (WaveDestination dest : {DestStationID, DestChannelID, DestPinkFile}) {
        qsizetype bytes = 0;
        const double planMs = TimePlan(values, dest, bytes);
        const double framesMs = TimeEncodeFrames(values, dest);
        std::printf("  %-15s stream %7lld bytes  download loop %7.3f ms  EncodeFrames %7.3f ms\n",
                    qPrintable(DestinationInfo::Of(dest).DestinationName()),
                    static_cast<long long>(bytes), planMs, framesMs);
    }
    return 0;
}
