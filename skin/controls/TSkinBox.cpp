// The panel skinner (see TSkinBox.h).
#include "skin/controls/TSkinBox.h"

#include "skin/FormSkinner.h"
#include "skin/WinSkinData.h"
#include "skin/controls/SkinRegistry.h"

namespace orvane::skin {

void TSkinBox::InitControl(TFormSkinner* formSkin, TSXSkin* skin, bool setColor) {
  if (initialized_ || !hwnd_) return;
  setColor_ = setColor;
  skin_ = skin;
  formSkin_ = formSkin;
  control_ = hwnd_;
  Register();
  if (setColor_) ApplyColour();
  initialized_ = true;
  state_ = csAttached;
}

void TSkinBox::DoneControl() {
  if (!initialized_) return;
  initialized_ = false;
  skinEnabled_ = false;
  if (state_ != csDestroyed && setColor_) RestoreColour();
}

ORVANE_SKIN_KIND(TSkinBox)

}  // namespace orvane::skin
