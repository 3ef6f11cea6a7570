// Makes the README's screenshots of the Sound menu's windows and of a download's times, on the
// program's own windows with a scripted toolkit and a simulated unit. Run under an X server:
//   readme_shots OUTDIR
#include "app/ui/ProgressBar.h"
#include "tests/support/WavBuilder.h"
#include "tests/unit/SimUnit.h"
#include "tests/unit/UnitWindow.h"
#include "wave/gui/Form_Loop.h"
#include "wave/gui/Form_Wave.h"
#include "wave/gui/PreviewController.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <cmath>

namespace {

// Pink-ish noise: white noise through a few first-order low-passes.
TestWav PinkNoise(int frames, quint32 rate = 48000)
{
    TestWav wav{.rate = rate, .bits = 16, .channels = 1, .frames = {}};
    QRandomGenerator random(7);
    double a = 0, b = 0, c = 0;
    for (int i = 0; i < frames; ++i) {
        const double white = random.generateDouble() * 2 - 1;
        a = 0.99 * a + 0.1 * white;
        b = 0.9 * b + 0.3 * white;
        c = 0.5 * c + 0.5 * white;
        wav.frames.append({int(std::lround(std::clamp(a + b + c, -1.0, 1.0) * 9000)), 0});
    }
    return wav;
}

bool Save(QWidget& widget, const QString& path)
{
    QTest::qWait(300); // laid out and painted
    return widget.grab().save(path);
}

void Press(QWidget& window, const QString& caption)
{
    for (QPushButton* b : window.findChildren<QPushButton*>())
        if (b->text() == caption)
            b->click();
}

bool LoopShots(const QDir& out)
{
    UnitWindow u;
    if (!u.Open(PinkNoise(140000)))
        return false;
    u.Choose(2);
    u.Window().show();
    u.Controls().btn_View->click();
    u.Controls().mnu_Sound_Loop->trigger();
    Form_Loop* loop = u.Window().PreviewCtl().LoopWindow();
    if (!loop || !Save(*loop, out.filePath("pink-loop.png")) ||
        !Save(*u.Window().PlotWindow(), out.filePath("pink-plot.png")))
        return false;
    Press(*loop, QStringLiteral("Cross-fade"));
    Press(*loop, QStringLiteral("Fit to 131072"));
    return Save(*loop, out.filePath("pink-loop-fitted.png"));
}

bool DownloadShot(const QDir& out)
{
    UnitWindow u;
    SimUnit sim;
    if (!sim.Start({"--baud", "9600"}))
        return false;
    u.AttachCom1(sim.Link());
    if (!u.Open(PinkNoise(20000, 8000)))
        return false;
    u.Controls().txtCom->setText(QStringLiteral("1")); // as start-up shows the saved port
    u.Choose(0);
    u.Window().show();
    QTest::qWait(1500); // the error line's first countdown tick has passed, as after start-up
    bool saved = false;
    QTimer::singleShot(4500, &u.Window(), [&] {
        saved = Save(u.Window(), out.filePath("download-times.png"));
        u.Click(2); // Stop Transfer
    });
    u.Answer({Toolkit::Ok});
    u.Click(0);
    return saved;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        qCritical("usage: readme_shots OUTDIR");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const bool ok = LoopShots(out) && DownloadShot(out);
    if (!ok)
        qCritical("readme_shots: a screenshot could not be made");
    return ok ? 0 : 1;
}
