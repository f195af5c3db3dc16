// The operation tips: how to begin, and where to look when a song or a voice is missing. Shown
// at start while "volume1" is "1" (its check box turns that off), and from the about box.
#pragma once

#include "platform/forms/form.h"

class QCheckBox;
class QPlainTextEdit;
class TDataModule1;

class TForm_syfa : public orvane::Form {
  Q_OBJECT
 public:
  explicit TForm_syfa(TDataModule1& dm, QWidget* owner = nullptr);
  ~TForm_syfa() override;

  void CheckBox1Click();
  static QString TipsText();

  QPlainTextEdit* Memo1;
  QCheckBox* CheckBox1;

 protected:
  void FormClose(CloseAction& action) override;

 private:
  TDataModule1& dm_;
};

// The tips window shown at start (null when none is open).
extern TForm_syfa* Form_syfa;
