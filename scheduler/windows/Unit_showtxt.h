// The entry-text window: shows the text a text entry of today's grid reads aloud and saves an
// edited one (with the path column's short form of it).
#pragma once

#include "platform/forms/form.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class TDataModule1;

class TForm_showtxt : public orvane::Form {
  Q_OBJECT
 public:
  TForm_showtxt(TDataModule1& dm, const QString& id, const QString& pname, QWidget* owner = nullptr);

  void Button1Click();  // 保存
  void Button2Click();  // 关闭

  QLabel* Label1;
  QLabel* Label_id;  // hidden: the entry's id
  QPlainTextEdit* Memo1;
  QPushButton* Button1;
  QPushButton* Button2;

 private:
  TDataModule1& dm_;
};
