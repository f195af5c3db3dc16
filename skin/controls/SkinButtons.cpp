// The button skinners (see SkinButtons.h).
#include "skin/controls/SkinButtons.h"

#include "skin/WinSkinData.h"
#include "skin/skindata.h"

namespace orvane::skin {

bool TSkinButton::CanSkin() const {
  const auto data = Data();
  return data && kinds::HasButtonFace(*data);
}

bool TSkinButton::drawControl(const TSkinStyle*, QStyle::ControlElement ce, const QStyleOption* opt, QPainter* p,
                              const QWidget* w) {
  if (ce != QStyle::CE_PushButton) return false;
  const auto* button = qstyleoption_cast<const QStyleOptionButton*>(opt);
  const auto data = Data();  // held for the whole paint, whatever the skin does meanwhile
  if (!button || !data || !Skin()) return false;
  return kinds::PaintPushButton(*p, *data, Skin()->Options, Kind(), *button, w, GlyphName());
}

bool TSkinSpeedButton::drawComplexControl(const TSkinStyle*, QStyle::ComplexControl cc,
                                          const QStyleOptionComplex* opt, QPainter* p, const QWidget* w) {
  if (cc != QStyle::CC_ToolButton) return false;
  const auto* tool = qstyleoption_cast<const QStyleOptionToolButton*>(opt);
  // A button with a separate menu part keeps the plain look: the skin has no face for it.
  if (!tool || (tool->features & QStyleOptionToolButton::MenuButtonPopup)) return false;
  const auto data = Data();
  return data && Skin() && kinds::PaintSpeedButton(*p, *data, Skin()->Options, *tool, w, GlyphProperty);
}

ORVANE_SKIN_KIND(TSkinButton)
ORVANE_SKIN_KIND_ARGS(TSkinBitButton)
ORVANE_SKIN_KIND(TSkinMenuButton)
ORVANE_SKIN_KIND_ARGS(TSkinSpeedButton)

}  // namespace orvane::skin
