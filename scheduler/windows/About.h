// The about box: a welcome, the help page and the operation tips.
#pragma once

#include "platform/forms/form.h"

class QLabel;
class QPushButton;
class TDataModule1;
namespace orvane {
class Shell;
}

// The help page installed beside the program ("help.html").
QString HelpFilePath();

class TAboutFrm : public orvane::Form {
  Q_OBJECT
 public:
  // shell may be null (the help then cannot open; the operator is told).
  TAboutFrm(TDataModule1& dm, orvane::Shell* shell, QWidget* owner = nullptr, QString helpPath = HelpFilePath());

  void Button2Click();  // 帮助
  void Button3Click();  // 操作提示

  QLabel* Label1;
  QPushButton* Button2;
  QPushButton* Button3;

 private:
  TDataModule1& dm_;
  orvane::Shell* shell_;
  QString helpPath_;
};
