#include "tests/support/WindowManagerWait.h"

#include <QGuiApplication>
#include <QTest>
#include <QWidget>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <optional>

namespace {

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

// The state the window manager wrote on the window; nullopt while it has written none.
std::optional<quint32> WmState(xcb_connection_t* c, xcb_window_t window)
{
    const Reply<xcb_intern_atom_reply_t> atom(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 8, "WM_STATE"), nullptr), &std::free);
    if (!atom)
        return std::nullopt;
    const auto cookie = xcb_get_property(c, 0, window, atom->atom, atom->atom, 0, 2);
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookie, nullptr),
                                                &std::free);
    if (!reply || xcb_get_property_value_length(reply.get()) < 4)
        return std::nullopt;
    return *static_cast<const quint32*>(xcb_get_property_value(reply.get()));
}

} // namespace

bool WindowManagerWait::Followed(QWidget& window)
{
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c)
        return true;
    const bool shown = window.isVisible();
    const auto followed = [&] {
        constexpr quint32 normal = 1; // NormalState
        const auto state = WmState(c, xcb_window_t(window.winId()));
        return shown ? state == normal : state.value_or(0) != normal;
    };
    return QTest::qWaitFor(followed, 5000) && (!shown || QTest::qWaitForWindowExposed(&window));
}
