// The check-box and radio-button skinners (see SkinChecks.h).
#include "skin/controls/SkinChecks.h"

#include "skin/WinSkinData.h"
#include "skin/controls/SkinRegistry.h"
#include "skin/controls/checkpaint.h"
#include "skin/skindata.h"

namespace orvane::skin {

bool TSkinCheckBox::CanSkin() const {
  const auto data = Data();
  return data && kinds::CheckStrip(*data, Radio(), nullptr);
}

bool TSkinCheckBox::drawControl(const TSkinStyle*, QStyle::ControlElement ce, const QStyleOption* opt, QPainter* p,
                                const QWidget* w) {
  if (ce != (Radio() ? QStyle::CE_RadioButton : QStyle::CE_CheckBox)) return false;
  const auto* button = qstyleoption_cast<const QStyleOptionButton*>(opt);
  const auto data = Data();
  return button && data && Skin() && kinds::PaintCheck(*p, *data, Skin()->Options, Radio(), *button, w);
}

bool TSkinCheckBox::subElementRect(const TSkinStyle*, QStyle::SubElement element, const QStyleOption* option,
                                   const QWidget* widget, QRect& out) {
  using SE = QStyle::SubElement;
  const bool radio = Radio();
  const SE indicator = radio ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator;
  const SE contents = radio ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents;
  const SE click = radio ? QStyle::SE_RadioButtonClickRect : QStyle::SE_CheckBoxClickRect;
  const SE focus = radio ? QStyle::SE_RadioButtonFocusRect : QStyle::SE_CheckBoxFocusRect;
  if (element != indicator && element != contents && element != click && element != focus) return false;
  const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
  const auto data = Data();
  kinds::CheckPlacement place;
  if (!button || !data || !kinds::PlaceCheckOf(*data, radio, *option, widget, button->text, &place)) return false;
  out = element == indicator ? place.box : element == click ? place.click : place.text;
  return true;
}

ORVANE_SKIN_KIND(TSkinCheckBox)
ORVANE_SKIN_KIND(TSkinRadioButton)

}  // namespace orvane::skin
