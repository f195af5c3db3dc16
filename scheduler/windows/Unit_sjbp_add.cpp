// Add dialog.
#include "scheduler/windows/Unit_sjbp_add.h"

#include <QLineEdit>

TForm_sjbp_add* Form_sjbp_add = nullptr;

TForm_sjbp_add::TForm_sjbp_add(const EntryDialogContext& context, QWidget* owner)
    : EntryDialog(context, Variant::Single, owner) {
  setObjectName(QStringLiteral("Form_sjbp_add"));
  setCaption(QStringLiteral("增加节目单内容"));
  Form_sjbp_add = this;
}

TForm_sjbp_add::~TForm_sjbp_add() {
  if (Form_sjbp_add == this) Form_sjbp_add = nullptr;
}

void TForm_sjbp_add::Button1Click() {
  if (!SaveSingle([this](const EntryValues& v) { return store_.Insert(v); }, QStringLiteral("增加失败!"))) return;
  Edit_pname->clear();
  Edit_slpath->clear();
  CloseSaved();
}

void TForm_sjbp_add::FormClose(CloseAction& action) {
  action = CloseAction::Hide;
  if (Form_sjbp_add == this) Form_sjbp_add = nullptr;
}
