#include "WindowGeometry.h"

#include <QWidget>
#include <algorithm>

QRect WindowGeometry::Outer(const QWidget& window)
{
    return window.frameGeometry();
}

void WindowGeometry::SetOuter(QWidget& window, const QRect& rect)
{
    const QRect frame = window.frameGeometry();
    const QRect client = window.geometry();
    const int extraW = frame.width() - client.width();
    const int extraH = frame.height() - client.height();
    window.move(rect.topLeft());
    window.resize(std::max(1, rect.width() - extraW), std::max(1, rect.height() - extraH));
}
