// What the window manager says about a window (under a real X server): its properties and the
// frame it put around the window.
#pragma once

#include <QList>
#include <QRect>
#include <QWidget>

namespace testing_support {

// The numbers of a property of the root window (window 0) or of a window, as xprop prints them.
QList<qulonglong> XProperty(const char* name, WId window = 0);

// The window with the frame the window manager put around it.
QRect FramedGeometry(const QWidget* w);

}  // namespace testing_support
