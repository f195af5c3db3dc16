// The day map window: which schedule plays on each weekday or each day of the month, and the
// holidays on which nothing plays.
#pragma once

#include <QList>

#include "platform/forms/form.h"
#include "scheduler/core/daymap.h"

class QComboBox;
class QDateEdit;
class QFrame;
class QListWidget;
class QPushButton;
class QRadioButton;
class Clock;
class TDataModule1;

class TForm_sjsj : public orvane::Form {
  Q_OBJECT
 public:
  TForm_sjsj(TDataModule1& dm, const Clock& clock, QWidget* owner = nullptr);
  ~TForm_sjsj() override;

  // True once this window has stored anything (the day is then reloaded on close).
  bool wroteDayMap() const { return written_; }

  void RadioButton1Click();
  void RadioButton2Click();
  void Button1Click();  // 保存
  void Button3Click();  // 增加 (holiday)
  void Button4Click();  // 删除 (holiday)

  QRadioButton* RadioButton1;
  QRadioButton* RadioButton2;
  QFrame* Panel1;
  QFrame* Panel2;
  QList<QComboBox*> weekdayLists;  // ComboBox1 (Monday) .. ComboBox7 (Sunday)
  QList<QComboBox*> dayLists;      // ComboBox_r1 .. ComboBox_r31
  QPushButton* Button1;
  QListWidget* ListBox1;
  QDateEdit* DateTimePicker1;
  QPushButton* Button3;
  QPushButton* Button4;

 protected:
  void FormClose(CloseAction& action) override;

 private:
  void buildLayout();
  void FormCreate();
  void showPage();

  DayMap map_;
  const Clock& clock_;
  bool written_ = false;
};

// The day map window that is open (null when none).
extern TForm_sjsj* Form_sjsj;
