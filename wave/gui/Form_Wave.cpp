#include "wave/gui/Form_Wave.h"

#include "app/ui/Toolkit.h"
#include "app/ui/WindowGeometry.h"
#include "wave/LoadedWave.h"

#include <QCloseEvent>
#include <QPainter>
#include <QPolygon>

Form_Wave::Form_Wave(const LoadedWave& wave, QWidget* owner)
    : QWidget(owner, Qt::Window), m_wave(wave)
{
    setObjectName(QStringLiteral("Form_Wave"));
    setWindowTitle(QStringLiteral("Waveform picture"));
    setAutoFillBackground(true); // every paint starts from a cleared area
}

QSize Form_Wave::OuterTwips() const
{
    const QRect outer = WindowGeometry::Outer(*this, parentWidget());
    return QSize(Toolkit::PixelsToTwipsX(outer.width()), Toolkit::PixelsToTwipsY(outer.height()));
}

void Form_Wave::DrawWaves()
{
    const QSize outer = OuterTwips();
    m_drawnFor = outer;
    m_traces = PlotGeometry::Traces(m_wave, outer.width(), outer.height());
    update();
}

void Form_Wave::paintEvent(QPaintEvent*)
{
    if (m_traces.isEmpty())
        return;
    QPainter painter(this);
    // Twips to pixels, at the scale the rest of the program converts with.
    painter.scale(Toolkit::TwipsToPixelsX(1440) / 1440.0, Toolkit::TwipsToPixelsY(1440) / 1440.0);
    QPen pen(palette().color(QPalette::WindowText));
    pen.setCosmetic(true); // one pixel wide whatever the scale
    pen.setWidth(1);
    painter.setPen(pen);
    for (const PlotGeometry::Trace& trace : m_traces)
        painter.drawPolyline(QPolygon(trace));
}

void Form_Wave::resizeEvent(QResizeEvent*)
{
    DrawWaves();
}

void Form_Wave::moveEvent(QMoveEvent*)
{
    // The window manager's frame arrives as a move; a frame other than the one expected changes
    // the outer size the picture is laid out in.
    if (OuterTwips() != m_drawnFor)
        DrawWaves();
}

void Form_Wave::closeEvent(QCloseEvent* event)
{
    event->accept(); // hidden, not destroyed
    Q_EMIT closed();
}
