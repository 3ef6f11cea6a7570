#include "app/ui/WindowGeometry.h"

#include <QWidget>
#include <algorithm>

QMargins WindowGeometry::Frame(const QWidget& window, const QWidget* model)
{
    const QRect frame = window.frameGeometry();
    const QRect client = window.geometry();
    const QMargins own(client.left() - frame.left(), client.top() - frame.top(),
                       frame.right() - client.right(), frame.bottom() - client.bottom());
    if (!own.isNull() || !model || model == &window)
        return own;
    return Frame(*model);
}

QRect WindowGeometry::Outer(const QWidget& window, const QWidget* model)
{
    return QRect(window.frameGeometry().topLeft(), window.size().grownBy(Frame(window, model)));
}

void WindowGeometry::SetOuter(QWidget& window, const QRect& rect, const QWidget* model)
{
    const QMargins frame = Frame(window, model);
    window.move(rect.topLeft());
    window.resize(std::max(1, rect.width() - frame.left() - frame.right()),
                  std::max(1, rect.height() - frame.top() - frame.bottom()));
}
