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

void TFormSkinner::SkinControlsOf(QWidget* owner) { Chooser()->SkinControlsOf(owner); }
void TFormSkinner::SkinChildren(QWidget* control) { Chooser()->SkinChildren(control); }
void TFormSkinner::SkinControl(QWidget* control, QWidget* parent) { Chooser()->SkinControl(control, parent); }
bool TFormSkinner::SkinControlByMap(const QString& className, QWidget* control) {
  return Chooser()->SkinControlByMap(className, control);
}
void TFormSkinner::SkinWindowByClass(QWidget* window) { Chooser()->SkinWindowByClass(window); }
bool TFormSkinner::ToolBarCustomDraw(QWidget* bar, QPainter* painter, const QRect& rect) {
  return Chooser()->ToolBarCustomDraw(bar, painter, rect);
}
bool TFormSkinner::ToolButtonCustomDraw(const QStyleOption* option, QPainter* painter, const QWidget* button) {
  return Chooser()->ToolButtonCustomDraw(option, painter, button);
}

}  // namespace orvane::skin
