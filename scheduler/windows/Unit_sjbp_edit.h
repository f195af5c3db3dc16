// The dialog that changes one stored entry: filled once from the row, saved by update.
#pragma once

#include "scheduler/windows/entrydialog.h"

class TForm_sjbp_edit : public EntryDialog {
  Q_OBJECT
 public:
  // id: the entry to change.
  TForm_sjbp_edit(const EntryDialogContext& context, qint64 id, QWidget* owner = nullptr);
  ~TForm_sjbp_edit() override;

  qint64 entryId() const { return id_; }
  // Fills the controls from the row (done once, when the dialog is first shown). A row
  // that no longer exists is reported and the dialog closes; stored times or play modes
  // that cannot be read fill defaults, and one message says so.
  void Fill();
  // Checks, then updates the row and closes; a refused or failed save keeps the dialog.
  void Button1Click() override;

 protected:
  void FormShow() override;
  void FormClose(CloseAction& action) override;
  QString SongListTag() const override { return QStringLiteral("edit"); }
  bool PrepareSongListEditor(TForm_lbbj* editor, QString* path) override;
  qint64 ConflictExclusion() const override { return id_; }

 private:
  qint64 id_;
  bool filled_ = false;
};

// The edit dialog while one exists.
extern TForm_sjbp_edit* Form_sjbp_edit;
