// The skinner of panels, tool bars and forms placed inside forms: it only gives the control the
// skin's face colour (and takes it back); it neither paints nor sits on the control's chain.
#pragma once

#include "skin/TSkinControl.h"

namespace orvane::skin {

class TSkinBox : public TSkinControl {
  Q_OBJECT
 public:
  using TSkinControl::TSkinControl;
  void InitControl(TFormSkinner* formSkin, TSXSkin* skin, bool setColor) override;
  void DoneControl() override;
  void AfterDefault(wm::Message&) override {}
};

}  // namespace orvane::skin
