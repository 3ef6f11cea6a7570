// Times moving a slice slider on a one-hour 48000-per-second 16-bit stereo file (about 690 MB of
// samples): from the value change to the redrawn plot window (UpdateSlice, DrawWaves and a
// forced repaint, offscreen). Target: at most 16 ms, one frame of a 60 Hz display.
#include "tests/support/MainWindowFixture.h"
#include "tests/support/WavBuilder.h"
#include "tests/wave/OpenInWindow.h"
#include "wave/LoadedWave.h"
#include "wave/gui/Form_Wave.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr quint32 Rate = 48000;
constexpr int Seconds = 3600;
constexpr int Moves = 300;

// A speech-like hour: a 180 Hz voice whose loudness changes every quarter second, with pauses.
bool WriteHour(const QString& path)
{
    WavBuilder::Fmt fmt;
    fmt.rate = Rate;
    fmt.channels = 2;
    fmt.bits = 16;
    const quint32 dataBytes = Rate * 4 * Seconds;
    QByteArray head = WavBuilder::pcm(fmt, QByteArray());
    qToLittleEndian<quint32>(quint32(head.size()) - 8 + dataBytes, head.data() + 4);
    qToLittleEndian<quint32>(dataBytes, head.data() + head.size() - 4);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(head) != head.size())
        return false;
    std::vector<qint16> second(Rate * 2);
    std::mt19937 gen(7);
    double level = 0.0;
    for (int s = 0; s < Seconds; ++s) {
        for (quint32 n = 0; n < Rate; ++n) {
            if (n % (Rate / 4) == 0)
                level = (gen() % 5) / 4.0; // 0 is a pause
            const auto v = qint16(std::lround(20000 * level * std::sin(2 * M_PI * 180 * n / Rate)));
            second[2 * n] = v;
            second[2 * n + 1] = qint16(-v / 2);
        }
        const auto bytes = qint64(second.size() * sizeof(qint16));
        if (file.write(reinterpret_cast<const char*>(second.data()), bytes) != bytes)
            return false;
    }
    return true;
}

struct Figures
{
    double median, p95, max;
};

Figures Summarise(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[ms.size() * 95 / 100], ms.back()};
}

// Sets the slider and forces the plot window to repaint; the time of both, in ms.
double TimedMove(QScrollBar* bar, int value, Form_Wave* plot)
{
    QElapsedTimer t;
    t.start();
    bar->setValue(value);
    plot->repaint();
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MainWindowFixture f;
    Form_Main& w = f.Create();
    w.show();

    QElapsedTimer t;
    t.start();
    const QString path = f.dir.filePath(QStringLiteral("hour.wav"));
    if (!WriteHour(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("wrote a one-hour file (%d s at %u, stereo 16-bit) in %.1f s\n", Seconds, Rate,
                t.elapsed() / 1000.0);
    t.restart();
    f.toolkit.fileAnswers.enqueue(path);
    QTest::mouseClick(w.Controls().Command1, Qt::LeftButton);
    std::printf("opened it in %.1f s: %d frames\n", t.elapsed() / 1000.0, w.Wave().SampleCount);
    QTest::mouseClick(w.Controls().btn_View, Qt::LeftButton);
    Form_Wave* plot = w.PlotWindow();
    if (!QTest::qWaitForWindowExposed(plot))
        return 1;

    std::mt19937 gen(3);
    std::vector<double> start, end, crossing;
    MainControls& c = w.Controls();
    for (int i = 0; i < Moves; ++i)
        start.push_back(TimedMove(c.HScroll1, int(gen() % 900), plot));
    c.HScroll1->setValue(0);
    for (int i = 0; i < Moves; ++i)
        end.push_back(TimedMove(c.HScroll2, 100 + int(gen() % 901), plot));
    for (int i = 0; i < Moves / 3; ++i) { // start pushed past the end: the nested run too
        c.HScroll2->setValue(400 + int(gen() % 500));
        crossing.push_back(TimedMove(c.HScroll1, 1000, plot));
        c.HScroll1->setValue(0);
    }
    const QSize outer = plot->OuterTwips();
    std::printf("plot window %dx%d twips, %lld points per trace\n", outer.width(), outer.height(),
                qint64(plot->Traces().value(0).size()));
    for (const auto& [name, ms] :
         {std::pair{"start slider", Summarise(start)}, std::pair{"end slider", Summarise(end)},
          std::pair{"start past end (2 updates)", Summarise(crossing)}}) {
        std::printf("%-28s median %.3f ms  p95 %.3f ms  max %.3f ms  (target <= 16 ms)\n", name,
                    ms.median, ms.p95, ms.max);
    }
    return 0;
}
