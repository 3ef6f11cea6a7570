#pragma once

#include "wave/PlotGeometry.h"
#include "wave/SliceTimes.h"

#include <QWidget>

class LoadedWave;

// The plot window "Waveform picture": shows the selected slice of the loaded wave. DrawWaves
// recomputes the picture from the loaded wave; painting only draws what it computed. Closing the
// window with its close box only hides it (the window lives as long as the main window).
class Form_Wave : public QWidget
{
    Q_OBJECT
public:
    Form_Wave(const LoadedWave& wave, QWidget* owner);

    void DrawWaves();
    // The traces of the last DrawWaves, in twips.
    const QList<PlotGeometry::Trace>& Traces() const { return m_traces; }
    // The window's outer size in twips, the measure the picture is laid out in.
    QSize OuterTwips() const;
    // A vertical line at the frame being heard (-1: none), drawn over the picture.
    void SetPlayCursor(qint64 frame);
    // Marks both ends of the slice as a loop's seam with the jump's figure (empty: no mark).
    void SetLoopSeam(const QString& jump);
    // Draws min/max columns instead of point samples (which stay the default), so a peak
    // between two points of a long slice shows.
    void SetEnvelope(bool on);
    bool Envelope() const { return m_envelope; }
    // The time ruler of the last DrawWaves, in seconds of the file, along the bottom edge.
    const SliceTimes::Ruler& Ruler() const { return m_ruler; }
    qint64 PlayCursorFrame() const { return m_cursor; }

Q_SIGNALS:
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    const LoadedWave& m_wave;
    QList<PlotGeometry::Trace> m_traces;
    QList<PlotGeometry::Envelope> m_envelopes; // only while the envelope is shown
    SliceTimes::Ruler m_ruler;
    bool m_envelope = false;
    QSize m_drawnFor; // the outer size in twips of the last DrawWaves
    qint64 m_cursor = -1;
    QString m_seam;

    // The x in pixels of a frame of the slice, as the traces place it.
    int PixelX(qint64 frame) const;
    void PaintMarks(QPainter& painter);
    void PaintRuler(QPainter& painter);
};
