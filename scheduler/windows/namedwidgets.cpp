// Shared window controls.
#include "scheduler/windows/namedwidgets.h"

#include <QLabel>
#include <QLineEdit>
#include <QTimeEdit>

#include "platform/forms/pickersections.h"

QTimeEdit* TimePicker(const char* name, QWidget* parent) {
  auto* t = named(new QTimeEdit(QTime(0, 0, 0), parent), name);
  t->setDisplayFormat(QStringLiteral("HH:mm:ss"));
  orvane::SelectSectionOnClick(t);
  return t;
}

QLineEdit* PasswordEdit(const char* name, QWidget* parent) {
  auto* e = named(new QLineEdit(parent), name);
  e->setEchoMode(QLineEdit::Password);
  // Typed characters show as "*" whatever the style's own mask character is.
  e->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
  return e;
}

void KeepWrappedWhole(QLabel* label, int minWidth) {
  label->setWordWrap(true);
  label->setMinimumWidth(minWidth);
  label->setMinimumHeight(label->heightForWidth(minWidth));
}
