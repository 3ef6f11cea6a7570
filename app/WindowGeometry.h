#pragma once

#include <QRect>

class QWidget;

// Outer (frame) geometry of top-level windows, the measure the program places windows by.
class WindowGeometry
{
public:
    static QRect Outer(const QWidget& window);
    // Moves the frame to rect's corner and sizes the window so that its frame has rect's size.
    static void SetOuter(QWidget& window, const QRect& rect);
};
