#include "wave/gui/Form_Wave.h"

#include "app/ui/Toolkit.h"
#include "app/ui/WindowGeometry.h"
#include "wave/LoadedWave.h"

#include <QCloseEvent>
#include <QLocale>
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
    m_envelopes = m_envelope ? PlotGeometry::Envelopes(m_wave, outer.width(), outer.height())
                             : QList<PlotGeometry::Envelope>{};
    // Labels about an inch apart.
    m_ruler = SliceTimes::rulerFor(m_wave.SliceStart, qint64(m_wave.SliceEnd) - m_wave.SliceStart,
                                   m_wave.FileOpen ? m_wave.Format.SampleRate : 0, outer.width(),
                                   1440, QLocale());
    update();
}

void Form_Wave::SetEnvelope(bool on)
{
    m_envelope = on;
    DrawWaves();
}

void Form_Wave::PaintRuler(QPainter& painter)
{
    painter.setPen(QPen(palette().color(QPalette::Mid), 0));
    const int bottom = height() - 1;
    const int textTop = bottom - 6 - painter.fontMetrics().height();
    for (const SliceTimes::Tick& tick : m_ruler.ticks) {
        const int x = Toolkit::TwipsToPixelsX(tick.x);
        painter.drawLine(x, bottom - 5, x, bottom);
        painter.drawText(QPoint(x + 2, textTop + painter.fontMetrics().ascent()), tick.text);
    }
}

void Form_Wave::SetPlayCursor(qint64 frame)
{
    if (frame == m_cursor)
        return;
    m_cursor = frame;
    update();
}

void Form_Wave::SetLoopSeam(const QString& jump)
{
    if (jump == m_seam)
        return;
    m_seam = jump;
    update();
}

int Form_Wave::PixelX(qint64 frame) const
{
    const qint64 frames = qint64(m_wave.SliceEnd) - m_wave.SliceStart;
    const double twips =
        frames > 0 ? double(frame - m_wave.SliceStart) * m_drawnFor.width() / frames : 0.0;
    return Toolkit::TwipsToPixelsX(int(twips));
}

void Form_Wave::PaintMarks(QPainter& painter)
{
    if (m_cursor >= 0) {
        painter.setPen(QPen(Qt::blue, 0));
        const int x = PixelX(m_cursor);
        painter.drawLine(x, 0, x, height());
    }
    if (!m_seam.isEmpty()) {
        painter.setPen(QPen(Qt::red, 0, Qt::DashLine));
        painter.drawLine(0, 0, 0, height());
        painter.drawLine(width() - 1, 0, width() - 1, height());
        painter.drawText(rect().adjusted(4, 4, -4, -4), Qt::AlignTop | Qt::AlignRight, m_seam);
    }
}

void Form_Wave::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintMarks(painter);
    PaintRuler(painter);
    if (m_traces.isEmpty())
        return;
    // Twips to pixels, at the scale the rest of the program converts with.
    painter.scale(Toolkit::TwipsToPixelsX(1440) / 1440.0, Toolkit::TwipsToPixelsY(1440) / 1440.0);
    QPen pen(palette().color(QPalette::WindowText));
    pen.setCosmetic(true); // one pixel wide whatever the scale
    pen.setWidth(1);
    painter.setPen(pen);
    if (m_envelope) {
        for (const PlotGeometry::Envelope& columns : m_envelopes)
            painter.drawLines(columns);
        return;
    }
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
