#pragma once

#include <QMargins>
#include <QRect>

class QWidget;

// Outer (frame) geometry of top-level windows, the measure the program places windows by. A
// window the window manager has not framed yet (never shown) is measured with the frame of
// `model`, a framed window of the same kind, so its first placement and first picture use the
// outer size it will have on screen.
class WindowGeometry
{
public:
    // The frame around the window's client area: its own once framed, else model's.
    static QMargins Frame(const QWidget& window, const QWidget* model = nullptr);
    static QRect Outer(const QWidget& window, const QWidget* model = nullptr);
    // Moves the frame to rect's corner and sizes the window so that its frame has rect's size.
    static void SetOuter(QWidget& window, const QRect& rect, const QWidget* model = nullptr);
};
