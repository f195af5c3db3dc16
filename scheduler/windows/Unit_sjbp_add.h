// The dialog that adds one entry of any kind to a schedule.
#pragma once

#include "scheduler/windows/entrydialog.h"

class TForm_sjbp_add : public EntryDialog {
  Q_OBJECT
 public:
  explicit TForm_sjbp_add(const EntryDialogContext& context, QWidget* owner = nullptr);
  ~TForm_sjbp_add() override;

  // Checks, then inserts the entry and closes; a refused or failed save keeps the dialog.
  void Button1Click() override;

 protected:
  QString SongListTag() const override { return QStringLiteral("new"); }
  void FormClose(CloseAction& action) override;
};

// The add dialog while one exists.
extern TForm_sjbp_add* Form_sjbp_add;
