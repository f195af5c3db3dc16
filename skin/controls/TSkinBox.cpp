// The panel skinner (see TSkinBox.h).
#include "skin/controls/TSkinBox.h"

#include "skin/FormSkinner.h"
#include "skin/WinSkinData.h"
#include "skin/controls/ControlChooser.h"
#include "skin/controls/SkinRegistry.h"

namespace orvane::skin {

void TSkinBox::InitControl(TFormSkinner* formSkin, TSXSkin* skin, bool setColor) {
  // Colours only: no procedure link, no restyling.
  if (!Bind(formSkin, skin, setColor)) return;
  if (setColor_) ApplyColour();
  MarkAttached();
}

void TSkinBox::DoneControl() {
  if (!initialized_) return;
  initialized_ = false;
  skinEnabled_ = false;
  if (state_ == csDestroyed || !hwnd_) return;
  if (setColor_) RestoreColour();
  // A tool bar's custom drawing goes with the skin.
  if (hwnd_->property("OnCustomDraw").toString() == QLatin1String(ToolBarDrawMark))
    hwnd_->setProperty("OnCustomDraw", QVariant());
  if (hwnd_->property("OnCustomDrawButton").toString() == QLatin1String(ToolButtonDrawMark))
    hwnd_->setProperty("OnCustomDrawButton", QVariant());
}

ORVANE_SKIN_KIND(TSkinBox)

}  // namespace orvane::skin
