// Building a window's controls: every control carries the name the rest of the program and
// its tests know it by, and the controls several windows share are made alike.
#pragma once

#include <QLatin1String>

class QLabel;
class QLineEdit;
class QTimeEdit;
class QWidget;

// Gives a new control (or menu item) its name and hands it back.
template <typename W>
W* named(W* w, const char* name) {
  w->setObjectName(QLatin1String(name));
  return w;
}

// A time-of-day picker showing "HH:mm:ss", set to 00:00:00.
QTimeEdit* TimePicker(const char* name, QWidget* parent = nullptr);
// A password field: what is typed shows as "*".
QLineEdit* PasswordEdit(const char* name, QWidget* parent = nullptr);
// A word-wrapped note that shows whole at the smallest size its window allows: it never gets
// narrower than minWidth, and always has the height its text needs at that width.
void KeepWrappedWhole(QLabel* label, int minWidth);
