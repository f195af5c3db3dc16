// The form skinner's part in choosing control skinners: it owns the chooser and forwards.
#include "skin/FormSkinner.h"
#include "skin/controls/ControlChooser.h"

namespace orvane::skin {

TControlChooser* TFormSkinner::Chooser() {
  auto* c = findChild<TControlChooser*>(QString(), Qt::FindDirectChildrenOnly);
  return c ? c : new TControlChooser(this);
}

void TFormSkinner::SkinFormControls() {
  if (auto* form = qobject_cast<QWidget*>(object_.data())) Chooser()->SkinFormControls(form);
}

void TFormSkinner::SkinChildWindows() {
  if (hwnd_) Chooser()->SkinChildWindows(hwnd_);
}

}  // namespace orvane::skin
