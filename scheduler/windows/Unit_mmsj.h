// The password window: the old password, the new one twice; a change logs the operator out
// (and in again at once when the new password is blank).
#pragma once

#include <functional>

#include "platform/forms/form.h"
#include "scheduler/core/passwords.h"

class QLabel;
class QLineEdit;
class QPushButton;

class TForm_mmsj : public orvane::Form {
  Q_OBJECT
 public:
  // showLogout shows or hides the main window's log-out label (may be empty).
  TForm_mmsj(TDataModule1& dm, MainState& state, std::function<void(bool)> showLogout, QWidget* owner = nullptr);
  ~TForm_mmsj() override;

  void Button1Click();
  void Button2Click();

  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* Label4;  // the note on what the password protects
  QLineEdit* Edit1;
  QLineEdit* Edit2;
  QLineEdit* Edit3;
  QPushButton* Button1;
  QPushButton* Button2;

 protected:
  void FormClose(CloseAction& action) override;

 private:
  Passwords passwords_;
};

// The password window while it is open.
extern TForm_mmsj* Form_mmsj;
