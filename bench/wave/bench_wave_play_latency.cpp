// Times Play to the first sample reaching the sound server's sink, measured on the recorded
// monitor of the null sink "pelorin_null" (needs scripts/sound-server.sh start). The figure is
// the arrival of the first loud recorded piece, so it includes the recording's own ~20 ms.
#include "tests/support/MainWindowFixture.h"
#include "tests/support/WavBuilder.h"
#include "tests/wave/OpenInWindow.h"
#include "tests/wave/SinkRecorder.h"
#include "wave/LoadedWave.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int Trials = 12;

QByteArray Tone()
{
    WavBuilder::Fmt fmt;
    fmt.rate = 48000;
    fmt.channels = 2;
    fmt.bits = 16;
    QByteArray data;
    for (int n = 0; n < 48000; ++n) {
        const auto v =
            quint16(qint16(std::lround(16000 * std::sin(2 * M_PI * 1000 * n / 48000.0))));
        data += WavBuilder::le16(v) + WavBuilder::le16(v);
    }
    return WavBuilder::pcm(fmt, data);
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!SinkRecorder::ServerAvailable()) {
        std::fprintf(stderr, "no sound server with the null sink pelorin_null\n");
        return 1;
    }
    MainWindowFixture f;
    Form_Main& w = f.Create();
    OpenInWindow(f, QStringLiteral("tone.wav"), Tone());
    SinkRecorder rec;
    if (!rec.Start()) {
        std::fprintf(stderr, "cannot record the sink's monitor\n");
        return 1;
    }
    std::vector<qint64> ms;
    for (int i = 0; i < Trials; ++i) {
        const qint64 pressed = rec.Now();
        const qint64 from = rec.Frames();
        QTest::mouseClick(w.Controls().Command2, Qt::LeftButton);
        if (!QTest::qWaitFor([&] { return rec.Sound(from).first >= 0; }, 5000)) {
            std::fprintf(stderr, "no sound arrived\n");
            return 1;
        }
        ms.push_back(rec.TimeOf(rec.Sound(from).first) - pressed);
        QTest::mouseClick(w.Controls().Command3, Qt::LeftButton);
        QTest::qWait(250);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("Play to first sample at the sink (%d trials): min %lld ms  median %lld ms  max "
                "%lld ms\n",
                Trials, ms.front(), ms[ms.size() / 2], ms.back());
    return 0;
}
