// The dialog that adds a series of equal entries to a schedule: one every so many minutes
// from a first start to a latest start.
#pragma once

#include "scheduler/windows/entrydialog.h"

class TForm_sjbp_addmuch : public EntryDialog {
  Q_OBJECT
 public:
  explicit TForm_sjbp_addmuch(const EntryDialogContext& context, QWidget* owner = nullptr);
  ~TForm_sjbp_addmuch() override;

  // Checks, then writes the series in one transaction and reports its count; a refused save
  // or a failed row keeps the dialog open (rows written before a failure stay).
  void Button1Click() override;

  QLineEdit* Edit_jg;         // the interval in minutes
  QTimeEdit* DateTimePicker3; // the length of every entry
  QCheckBox* CheckBox_jmnameauto;

 protected:
  void FormClose(CloseAction& action) override;
  QString SongListTag() const override { return QStringLiteral("newmuch"); }
  void SongLengthPicked(const QString& length) override;
  void ResetTextTimes() override;
  QWidget* LengthField() const override;
  QString LengthText() const override;
};

// The batch dialog while one exists.
extern TForm_sjbp_addmuch* Form_sjbp_addmuch;
