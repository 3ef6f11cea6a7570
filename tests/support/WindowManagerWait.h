#pragma once

class QWidget;

// Under a window manager a person's next click comes after the manager has followed the last
// show or hide; a map sent before the manager has withdrawn the window can be dropped (ICCCM
// 4.1.4). Followed waits, up to five seconds, until the manager has taken the shown window
// (WM_STATE Normal, exposed) or withdrawn the hidden one (no WM_STATE, or Withdrawn). Without
// xcb it returns true at once.
namespace WindowManagerWait {
bool Followed(QWidget& window);
}
