// The slice and level sliders, the plot window and its button, on a real main window.
#include "Form_Wave.h"
#include "LoadedWave.h"
#include "MainWindowFixture.h"
#include "OpenInWindow.h"
#include "PlotGeometry.h"
#include "WavBuilder.h"
#include "WaveController.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

namespace {

QByteArray Pcm(quint16 channels, quint16 bits, int frames)
{
    WavBuilder::Fmt fmt;
    fmt.channels = channels;
    fmt.bits = bits;
    QByteArray data(frames * WavBuilder::blockAlignOf(fmt), '\0');
    for (int i = 0; i < data.size(); ++i)
        data[i] = char((i * 37) & 0xFF);
    return WavBuilder::pcm(fmt, data);
}

} // namespace

class TestWaveWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sliceSize_data();
    void sliceSize();
    void orderingRule_data();
    void orderingRule();
    void dragRunsOnceAtRelease();
    void gainCaption_data();
    void gainCaption();
    void viewButtonToggles();
    void closeBoxHidesAndResetsCaption();
    void plotFollowsSliceAndSize();
    void paintShowsTheTraces();
};

void TestWaveWindow::sliceSize_data()
{
    QTest::addColumn<int>("frames"); // 0: no file loaded
    QTest::addColumn<int>("startPos");
    QTest::addColumn<int>("endPos");
    QTest::addColumn<qint32>("sliceStart");
    QTest::addColumn<qint32>("sliceEnd");
    QTest::addColumn<QString>("size");
    QTest::newRow("whole file") << 131072 << 0 << 1000 << 0 << 131072 << " 131072";
    QTest::newRow("12345 at 1 and 999") << 12345 << 1 << 999 << 12 << 12333 << " 12321";
    QTest::newRow("500 at 3 and 4: empty") << 500 << 3 << 4 << 2 << 2 << " 0";
    QTest::newRow("no file loaded") << 0 << 300 << 600 << 0 << 0 << " 0";
}

void TestWaveWindow::sliceSize()
{
    QFETCH(int, frames);
    QFETCH(int, startPos);
    QFETCH(int, endPos);
    QFETCH(qint32, sliceStart);
    QFETCH(qint32, sliceEnd);
    QFETCH(QString, size);
    MainWindowFixture f;
    Form_Main& w = f.Create();
    MainControls& c = w.Controls();
    if (frames > 0)
        OpenInWindow(f, "slice.wav", Pcm(1, 8, frames));
    c.HScroll1->setValue(startPos);
    c.HScroll2->setValue(endPos);
    QCOMPARE(c.HScroll1->value(), startPos);
    QCOMPARE(c.HScroll2->value(), endPos);
    QCOMPARE(w.Wave().SliceStart, sliceStart);
    QCOMPARE(w.Wave().SliceEnd, sliceEnd);
    QCOMPARE(c.txt_Xfr_Siz->text(), size);
}

void TestWaveWindow::orderingRule_data()
{
    QTest::addColumn<bool>("moveStart"); // which slider is set
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("startPos"); // positions afterwards
    QTest::addColumn<int>("endPos");
    QTest::addColumn<int>("updates"); // UpdateSlice runs: the nested one, then the outer one
    // Before each row: start at 100, end at 200.
    QTest::newRow("start onto end") << true << 200 << 199 << 200 << 2;
    QTest::newRow("start past end") << true << 900 << 199 << 200 << 2;
    QTest::newRow("start left of end") << true << 150 << 150 << 200 << 1;
    QTest::newRow("start unchanged") << true << 100 << 100 << 200 << 0;
    QTest::newRow("end onto start") << false << 100 << 100 << 101 << 2;
    QTest::newRow("end below start") << false << 0 << 100 << 101 << 2;
    QTest::newRow("end right of start") << false << 1000 << 100 << 1000 << 1;
    QTest::newRow("end unchanged") << false << 200 << 100 << 200 << 0;
}

void TestWaveWindow::orderingRule()
{
    QFETCH(bool, moveStart);
    QFETCH(int, to);
    QFETCH(int, startPos);
    QFETCH(int, endPos);
    QFETCH(int, updates);
    MainWindowFixture f;
    Form_Main& w = f.Create();
    MainControls& c = w.Controls();
    OpenInWindow(f, "order.wav", Pcm(2, 16, 100000));
    c.HScroll2->setValue(200);
    c.HScroll1->setValue(100);
    QSignalSpy spy(&w.WaveCtl(), &WaveController::sliceUpdated);
    (moveStart ? c.HScroll1 : c.HScroll2)->setValue(to);
    QCOMPARE(c.HScroll1->value(), startPos);
    QCOMPARE(c.HScroll2->value(), endPos);
    QCOMPARE(spy.count(), updates);
    QCOMPARE(w.Wave().SliceStart, startPos * 100);
    QCOMPARE(w.Wave().SliceEnd, endPos * 100);
}

void TestWaveWindow::dragRunsOnceAtRelease()
{
    MainWindowFixture f;
    Form_Main& w = f.Create();
    MainControls& c = w.Controls();
    OpenInWindow(f, "drag.wav", Pcm(1, 16, 1000));
    QSignalSpy spy(&w.WaveCtl(), &WaveController::sliceUpdated);
    c.HScroll1->setSliderDown(true);
    for (int pos : {10, 50, 400})
        c.HScroll1->setSliderPosition(pos);
    QCOMPARE(spy.count(), 0);
    c.HScroll1->setSliderDown(false);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(w.Wave().SliceStart, 400);
}

void TestWaveWindow::gainCaption_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QList<int>>("moves");
    QTest::addColumn<QString>("caption");
    const QLocale c = QLocale::c();
    const QLocale de(QLocale::German);
    QTest::newRow("untouched") << c << QList<int>{} << "Download Attenuation  0.0 Db ";
    QTest::newRow("set to 100 again") << c << QList<int>{100} << "Download Attenuation  0.0 Db ";
    QTest::newRow("99") << c << QList<int>{99} << "Download Attenuation -0.1 Db";
    QTest::newRow("back to 100") << c << QList<int>{50, 100} << "Download Attenuation 0 Db";
    QTest::newRow("36") << c << QList<int>{36} << "Download Attenuation -10.2 Db";
    QTest::newRow("1, comma") << de << QList<int>{1} << "Download Attenuation -46,0 Db";
    QTest::newRow("90, comma") << de << QList<int>{90} << "Download Attenuation -1,0 Db";
    QTest::newRow("37, comma") << de << QList<int>{37} << "Download Attenuation -9,9 Db";
}

void TestWaveWindow::gainCaption()
{
    QFETCH(QLocale, locale);
    QFETCH(QList<int>, moves);
    QFETCH(QString, caption);
    QLocale::setDefault(locale);
    MainWindowFixture f;
    Form_Main& w = f.Create();
    for (int v : moves)
        w.Controls().HScroll_gain->setValue(v);
    QLocale::setDefault(QLocale::c());
    QCOMPARE(w.Controls().txt_rel_gain->text(), caption);
}

void TestWaveWindow::viewButtonToggles()
{
    MainWindowFixture f;
    Form_Main& w = f.Create();
    w.show();
    OpenInWindow(f, "view.wav", Pcm(1, 8, 800));
    QPushButton* view = w.Controls().btn_View;
    Form_Wave* plot = w.PlotWindow();
    const struct
    {
        bool visible;
        const char* caption;
    } clicks[] = {{true, "Hide Plot"}, {false, "View Plot"}, {true, "Hide Plot"}};
    for (const auto& after : clicks) {
        QTest::mouseClick(view, Qt::LeftButton);
        QCOMPARE(plot->isVisible(), after.visible);
        QCOMPARE(view->text(), QString::fromLatin1(after.caption));
    }
    // The decision follows the window, not the caption.
    plot->hide();
    QTest::mouseClick(view, Qt::LeftButton);
    QVERIFY(plot->isVisible());
    QCOMPARE(view->text(), QStringLiteral("Hide Plot"));
}

void TestWaveWindow::closeBoxHidesAndResetsCaption()
{
    MainWindowFixture f;
    Form_Main& w = f.Create();
    w.show();
    OpenInWindow(f, "close.wav", Pcm(2, 8, 800));
    QPointer<Form_Wave> plot = w.PlotWindow();
    QTest::mouseClick(w.Controls().btn_View, Qt::LeftButton);
    QVERIFY(plot->isVisible());
    QVERIFY(plot->close());
    QCoreApplication::processEvents();
    QVERIFY(plot); // still there for the next View Plot
    QVERIFY(!plot->isVisible());
    QCOMPARE(w.Controls().btn_View->text(), QStringLiteral("View Plot"));
    QTest::mouseClick(w.Controls().btn_View, Qt::LeftButton);
    QVERIFY(plot->isVisible());
    QCOMPARE(w.Controls().btn_View->text(), QStringLiteral("Hide Plot"));
}

void TestWaveWindow::plotFollowsSliceAndSize()
{
    MainWindowFixture f;
    Form_Main& w = f.Create();
    w.show();
    OpenInWindow(f, "plot.wav", Pcm(2, 16, 50000));
    Form_Wave* plot = w.PlotWindow();
    QTest::mouseClick(w.Controls().btn_View, Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowExposed(plot));
    const auto expected = [&] {
        const QSize outer = plot->OuterTwips();
        return PlotGeometry::Traces(w.Wave(), outer.width(), outer.height());
    };
    QCOMPARE(plot->Traces().size(), 2);
    QCOMPARE(plot->Traces(), expected());
    w.Controls().HScroll1->setValue(500); // redrawn at once
    QCOMPARE(plot->Traces(), expected());
    QCOMPARE(plot->Traces()[0][1].x(), 0);
    plot->resize(plot->width() / 2, plot->height() * 2);
    QTRY_COMPARE(plot->Traces().first().last().x(), plot->OuterTwips().width());
    QCOMPARE(plot->Traces(), expected());
    w.Controls().HScroll2->setValue(501);
    w.Controls().HScroll1->setValue(501); // 500..501 of 50000 frames: 25000 to 25050
    QCOMPARE(w.Wave().SliceEnd - w.Wave().SliceStart, 50);
    QCOMPARE(plot->Traces(), expected());
}

void TestWaveWindow::paintShowsTheTraces()
{
    MainWindowFixture f;
    Form_Main& w = f.Create();
    w.show();
    Form_Wave* plot = w.PlotWindow();
    const auto inkedPixels = [plot] {
        const QImage image = plot->grab().toImage();
        const QRgb ink = plot->palette().color(QPalette::WindowText).rgb();
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                count += image.pixel(x, y) == ink;
        }
        return count;
    };
    plot->show();
    QCOMPARE(inkedPixels(), 0); // no file: an empty area
    OpenInWindow(f, "paint.wav", Pcm(1, 8, 5000));
    QTest::mouseClick(w.Controls().btn_View, Qt::LeftButton);
    QVERIFY(plot->isVisible());
    QVERIFY(inkedPixels() >= plot->width() / 2); // a line across the window
}

QTEST_MAIN(TestWaveWindow)
#include "tst_wave_window.moc"
