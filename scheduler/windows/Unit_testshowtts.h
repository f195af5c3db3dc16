// The speech tip shown before the speech studio while "volume2" is "1": what speech output
// needs and where its voices come from.
#pragma once

#include "platform/forms/form.h"

class QCheckBox;
class QPlainTextEdit;
class TDataModule1;

class TForm_testshowtts : public orvane::Form {
  Q_OBJECT
 public:
  explicit TForm_testshowtts(TDataModule1& dm, QWidget* owner = nullptr);

  void CheckBox1Click();
  static QString TipText();

  QPlainTextEdit* Memo1;
  QCheckBox* CheckBox1;

 private:
  TDataModule1& dm_;
};
