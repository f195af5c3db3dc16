// The program's message box window, and the handler that shows it for MessageBox().
#pragma once

#include <QList>

#include "platform/forms/form.h"

class QPushButton;
class QLabel;

namespace orvane {

class TMessageForm : public Form {
  Q_OBJECT
 public:
  TMessageForm(const QString& text, const QString& caption, int flags, QWidget* owner = nullptr);
  // The button showing a result code, or nullptr.
  QPushButton* button(int result) const;
  QLabel* textLabel() const { return text_; }
  int flags() const { return flags_; }

 private:
  QLabel* text_;
  QList<QPushButton*> buttons_;
  int flags_;
};

// Makes MessageBox() show TMessageForm. Boxes that only inform are shown without a nested
// event loop while a NoNestedLoopScope is active.
void installMessageFormHandler();

}  // namespace orvane
