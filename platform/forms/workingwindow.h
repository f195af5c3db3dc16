// The window the operator works in, which a box raised now belongs to and over which a
// dialog without owner opens.
#pragma once

class QWidget;

namespace orvane {

// The active window, or when none is (between one window going and the next being activated
// the window manager takes its time: after a file dialog, a closed dialog or a box) the
// latest active window that still shows. A message box is never it, nor `except`; null when
// no window shows.
QWidget* WorkingWindow(const QWidget* except = nullptr);

// Starts following which window is active (once; windows active before are not known).
void FollowWorkingWindow();

}  // namespace orvane
