// The program's message box window, and the handler that shows it for MessageBox().
#pragma once

#include <QList>

#include "platform/forms/form.h"

class QPushButton;
class QLabel;

namespace orvane {

// A dialog modal to its owner and centred over it, sized to its caption and text. The
// default button of the flags has the focus when it shows; Enter (and keypad Enter) presses
// the button that has the focus, Space too. Escape, like the close box, answers Cancel
// where the flags have one and the only button of a one-button box; a box that asks
// (Yes/No) can only be answered by one of its buttons.
class TMessageForm : public Form {
  Q_OBJECT
 public:
  TMessageForm(const QString& text, const QString& caption, int flags, QWidget* owner = nullptr);
  // The button showing a result code, or nullptr.
  QPushButton* button(int result) const;
  QLabel* textLabel() const { return text_; }
  int flags() const { return flags_; }
  // The answer Escape and the close box give, or 0 when the box cannot be dismissed.
  int dismissResult() const;

 protected:
  void FormShow() override;
  void FormCloseQuery(bool& canClose) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  QLabel* text_;
  QList<QPushButton*> buttons_;
  int flags_;
};

// Makes MessageBox() show TMessageForm, owned by the active window. Boxes that only inform
// are shown without a nested event loop while a NoNestedLoopScope is active.
void installMessageFormHandler();

}  // namespace orvane
