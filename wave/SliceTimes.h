#pragma once

#include <QList>
#include <QLocale>
#include <QString>
#include <QtGlobal>

class LoadedWave;

// Frame positions as the times a person reads, at the file's own rate, and the time ruler of the
// plot window.
namespace SliceTimes {

// frames / rate as seconds with three decimals and the locale's decimal separator, "1.234 s";
// the milliseconds are rounded from the exact fraction, halves up (frame 4 at 8000/s: "0.001 s").
// Empty for a rate of 0.
QString seconds(qint64 frames, quint32 rate, const QLocale& locale);

struct Texts
{
    QString start;  // SliceStart
    QString end;    // SliceEnd (one past the last frame)
    QString length; // SliceEnd - SliceStart
};
// The loaded wave's slice in seconds; all empty when no file is open.
Texts sliceTexts(const LoadedWave& wave, const QLocale& locale);

struct Tick
{
    double seconds = 0.0; // from the start of the file
    int x = 0;            // in the plot's twips: 0 at SliceStart, width at SliceEnd
    QString text;         // seconds with as many decimals as the step needs, no unit
};
struct Ruler
{
    double step = 0.0; // seconds between ticks: 1, 2 or 5 times a power of ten
    QList<Tick> ticks;
};
// Ticks at every multiple of the step from startFrame to startFrame + frames (both ends
// included) across a plot `width` twips wide, the step the smallest that keeps ticks at least
// minSpacing twips apart. No ticks for an empty slice, a rate of 0 or a width or spacing below 1.
Ruler rulerFor(qint64 startFrame, qint64 frames, quint32 rate, int width, int minSpacing,
               const QLocale& locale);

} // namespace SliceTimes
