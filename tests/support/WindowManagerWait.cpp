#include "tests/support/WindowManagerWait.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QTest>
#include <QWidget>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <optional>

namespace {

constexpr quint32 kNormalState = 1;

xcb_connection_t* Connection()
{
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t WmStateAtom(xcb_connection_t* c)
{
    static const xcb_atom_t atom = [c] {
        const auto cookie = xcb_intern_atom(c, 0, 8, "WM_STATE");
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(c, cookie, nullptr), &std::free);
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }();
    return atom;
}

// The state the window manager wrote on the window; nullopt while it has written none.
std::optional<quint32> WmState(xcb_connection_t* c, xcb_window_t window)
{
    const xcb_atom_t atom = WmStateAtom(c);
    const auto cookie = xcb_get_property(c, 0, window, atom, atom, 0, 2);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(c, cookie, nullptr), &std::free);
    if (!reply || xcb_get_property_value_length(reply.get()) < 4)
        return std::nullopt;
    return *static_cast<const quint32*>(xcb_get_property_value(reply.get()));
}

} // namespace

bool WindowManagerWait::Followed(QWidget& window)
{
    xcb_connection_t* c = Connection();
    if (!c)
        return true;
    const bool shown = window.isVisible();
    const auto followed = [&] {
        const auto state = WmState(c, xcb_window_t(window.winId()));
        return shown ? state == kNormalState : state.value_or(0) != kNormalState;
    };
    QDeadlineTimer deadline(5000);
    while (!followed() && !deadline.hasExpired())
        QTest::qWait(10);
    return followed() && (!shown || QTest::qWaitForWindowExposed(&window));
}
