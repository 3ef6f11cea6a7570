// The slice and level sliders, the plot window and its button, on a real main window.
#include "Form_Wave.h"
#include "LoadedWave.h"
#include "MainWindowFixture.h"
#include "OpenInWindow.h"
#include "PlotGeometry.h"
#include "WavBuilder.h"
#include "WaveController.h"

#include <QtTest>
#include <QtWidgets>

#include <charconv>

class TestWaveWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sliders_data();
    void sliders();
    void levelCaption_data();
    void levelCaption();
    void plotWindow();
};

void TestWaveWindow::sliders_data()
{
    QTest::addColumn<int>("frames"); // 0: no file loaded
    // (1: start or 2: end slider, value) in order; 3: the start slider's thumb dragged to value
    QTest::addColumn<QList<QPoint>>("sets");
    // Slider positions: slice start and end, the size shown; UpdateSlice runs at the last set
    // (the nested one, then the outer one).
    QTest::addColumn<QString>("result");
    const auto row = [](const char* name, int frames, QList<QPoint> sets, const char* result) {
        QTest::newRow(name) << frames << sets << QString(result);
    };
    row("whole file", 131072, {{1, 0}, {2, 1000}}, "0 1000: 0 131072 ' 131072', 0");
    row("12345 at 1 and 999", 12345, {{1, 1}, {2, 999}}, "1 999: 12 12333 ' 12321', 1");
    row("500 at 3 and 4: empty", 500, {{1, 3}, {2, 4}}, "3 4: 2 2 ' 0', 1");
    row("500 at 5 and 7: halves to even", 500, {{1, 5}, {2, 7}}, "5 7: 2 4 ' 2', 1");
    row("thumb drag: runs once, at release", 1000, {{3, 400}}, "400 1000: 400 1000 ' 600', 1");
    row("no file loaded", 0, {{1, 300}, {2, 600}}, "300 600: 0 0 ' 0', 1");
    // The ordering rule, from start 100 and end 200 of 100000 frames.
    const auto then = [](QPoint last) { return QList<QPoint>{{2, 200}, {1, 100}, last}; };
    row("start onto end", 100000, then({1, 200}), "199 200: 19900 20000 ' 100', 2");
    row("start past end", 100000, then({1, 900}), "199 200: 19900 20000 ' 100', 2");
    row("start left of end", 100000, then({1, 150}), "150 200: 15000 20000 ' 5000', 1");
    row("start unchanged", 100000, then({1, 100}), "100 200: 10000 20000 ' 10000', 0");
    row("end onto start", 100000, then({2, 100}), "100 101: 10000 10100 ' 100', 2");
    row("end below start", 100000, then({2, 0}), "100 101: 10000 10100 ' 100', 2");
    row("end right of start", 100000, then({2, 1000}), "100 1000: 10000 100000 ' 90000', 1");
    row("end unchanged", 100000, then({2, 200}), "100 200: 10000 20000 ' 10000', 0");
}

void TestWaveWindow::sliders()
{
    QFETCH(int, frames);
    QFETCH(QList<QPoint>, sets);
    QFETCH(QString, result);
    MainWindowFixture f;
    Form_Main& w = f.Create();
    MainControls& c = w.Controls();
    if (frames > 0)
        OpenInWindow(f, "slice.wav", WavBuilder::pcm({}, QByteArray(frames, 'x')));
    std::unique_ptr<QSignalSpy> spy;
    for (const QPoint& set : sets) {
        spy = std::make_unique<QSignalSpy>(&w.WaveCtl(), &WaveController::sliceUpdated);
        QScrollBar* bar = set.x() == 2 ? c.HScroll2 : c.HScroll1;
        if (set.x() == 3) {
            bar->setSliderDown(true);
            bar->setSliderPosition(set.y() / 2);
            bar->setSliderPosition(set.y());
            QCOMPARE(spy->count(), 0);
            bar->setSliderDown(false);
        } else {
            bar->setValue(set.y());
        }
    }
    QCOMPARE(QString::asprintf("%d %d: %d %d '%s', %lld", c.HScroll1->value(), c.HScroll2->value(),
                               w.Wave().SliceStart, w.Wave().SliceEnd,
                               qPrintable(c.txt_Xfr_Siz->text()), qint64(spy->count())),
             result);
}

void TestWaveWindow::levelCaption_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::newRow("point") << QLocale::c();
    QTest::newRow("comma") << QLocale(QLocale::German);
}

void TestWaveWindow::levelCaption()
{
    QFETCH(QLocale, locale);
    QLocale::setDefault(locale);
    const auto restore = qScopeGuard([] { QLocale::setDefault(QLocale::c()); });
    MainWindowFixture f;
    Form_Main& w = f.Create();
    w.Controls().HScroll_gain->setValue(100); // unchanged: the start-up caption stays
    QCOMPARE(w.Controls().txt_rel_gain->text(), "Download Attenuation  0.0 Db ");
    for (int v = 1; v <= 100; ++v) {
        // 10 ln(v / 100) in shortest form with 15 significant digits, the locale's separator, cut
        // to 4 characters, or 5 below -10.
        const double a = 10.0 * std::log(v / 100.0);
        char buffer[32] = {};
        std::to_chars(buffer, buffer + sizeof buffer, a, std::chars_format::general, 15);
        QString text = QString::fromLatin1(buffer).replace('.', locale.decimalPoint());
        text.truncate(a < -10.0 ? 5 : 4);
        w.Controls().HScroll_gain->setValue(v);
        QCOMPARE(w.Controls().txt_rel_gain->text(), "Download Attenuation " + text + " Db");
    }
}

void TestWaveWindow::plotWindow()
{
    MainWindowFixture f;
    Form_Main& w = f.Create();
    w.show();
    QPushButton* view = w.Controls().btn_View;
    QPointer<Form_Wave> plot = w.PlotWindow();
    const auto expected = [&] {
        return PlotGeometry::Traces(w.Wave(), plot->OuterTwips().width(),
                                    plot->OuterTwips().height());
    };
    OpenInWindow(f, "plot.wav",
                 WavBuilder::pcm({.channels = 2, .bits = 16}, QByteArray(200000, 'x')));
    for (bool visible : {true, false, true}) {
        QTest::mouseClick(view, Qt::LeftButton);
        QCOMPARE(plot->isVisible(), visible);
        QCOMPARE(view->text(), visible ? "Hide Plot" : "View Plot");
    }
    QVERIFY(QTest::qWaitForWindowExposed(plot));
    QCOMPARE(plot->Traces().size(), 2);
    QCOMPARE(plot->Traces(), expected());
    // The paint handler draws them: a line across the window.
    const QImage image = plot->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const auto* pixels = reinterpret_cast<const QRgb*>(image.constBits());
    const QRgb ink = plot->palette().color(QPalette::WindowText).rgb();
    QVERIFY(std::count(pixels, pixels + image.width() * image.height(), ink) >= plot->width() / 2);
    w.Controls().HScroll1->setValue(500); // redrawn at once
    QCOMPARE(plot->Traces(), expected());

    plot->hide(); // the button follows the window, not its own caption
    QTest::mouseClick(view, Qt::LeftButton);
    QVERIFY(plot->isVisible());
    // The close box hides the window (kept for the next View Plot) and resets the caption.
    QVERIFY(plot->close());
    QCoreApplication::processEvents();
    QVERIFY(plot && !plot->isVisible());
    QCOMPARE(view->text(), "View Plot");
    QTest::mouseClick(view, Qt::LeftButton);
    QVERIFY(plot->isVisible());
    QCOMPARE(view->text(), "Hide Plot");
}

QTEST_MAIN(TestWaveWindow)
#include "tst_wave_window.moc"
