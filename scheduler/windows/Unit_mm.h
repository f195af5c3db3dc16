// The password prompt: asked before protected commands and before closing while a password
// is set; a correct password authorizes the operator and shows the log-out label.
#pragma once

#include <functional>

#include "platform/forms/form.h"
#include "scheduler/core/passwords.h"

class QLabel;
class QLineEdit;
class QPushButton;
class KeyPreview;

class TForm_mm : public orvane::Form {
  Q_OBJECT
 public:
  // showLogout shows the main window's log-out label (may be empty).
  TForm_mm(TDataModule1& dm, MainState& state, std::function<void(bool)> showLogout, QWidget* owner = nullptr);

  void Button1Click();
  void Button2Click();

  QLabel* Label1;
  QLineEdit* Edit1;
  QPushButton* Button1;
  QPushButton* Button2;

 private:
  bool FormKeyPress(QKeyEvent* e);

  Passwords passwords_;
  KeyPreview* preview_ = nullptr;
};
