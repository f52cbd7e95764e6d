#pragma once

#include <functional>

class QWidget;

namespace zekt {

// A window manager frames a window some time after it is mapped, and on X11
// Qt raises no event when the frame becomes known: a busy machine may tell
// it after every expose and move. This looks until the window has a frame,
// then calls `then(true)` once; `then(false)` when none came within
// `patienceMs` (no window manager), and at once on a platform without
// frames. Stops with the window.
// kWhileShown as the patience: until the window is hidden (a window manager
// slowed by a busy machine may take longer than any fixed patience).
inline constexpr int kWhileShown = -1;
void WhenFramed(QWidget* window, std::function<void(bool framed)> then, int patienceMs = 5000);

// Whether the window system has told the window's frame.
bool IsFramed(const QWidget* window);

} // namespace zekt
