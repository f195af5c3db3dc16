// The media player's skinner: makes, keeps and frees the panel over the player.
#include "skin/controls/TSkinMP.h"

#include "skin/controls/TMediaPlayerSx.h"
#include "skin/controls/SkinRegistry.h"
#include "skin/skindata.h"

namespace orvane::skin {

TSkinMP::~TSkinMP() { FreePanel(); }

TMediaPlayerSx* TSkinMP::Panel() const { return panel_; }

bool TSkinMP::CanSkin() const {
  const auto data = Data();
  return data && data->Buttons && data->Buttons->HasImage();
}

void TSkinMP::InitControl(TFormSkinner* formSkin, TSXSkin* skin, bool setColor) {
  if (Initialized()) return;
  TSkinControl::InitControl(formSkin, skin, setColor);
  QWidget* player = Control();
  if (!player || !player->parentWidget() || panel_ || !CanSkin()) return;
  panel_ = new TMediaPlayerSx(player->parentWidget());
  panel_->Attach(this, player);
}

void TSkinMP::DoneControl() {
  TSkinControl::DoneControl();
  FreePanel();
}

void TSkinMP::UpdateSkin() {
  TSkinControl::UpdateSkin();
  if (panel_) panel_->update();
}

void TSkinMP::FreePanel() {
  // Gone at once: a panel left behind would show over a player that no longer has it. One
  // that is passing a click on is hidden now and deleted when the click is done.
  TMediaPlayerSx* panel = panel_.data();
  panel_ = nullptr;
  if (!panel) return;
  if (panel->Busy()) {
    panel->hide();
    panel->deleteLater();
  } else {
    delete panel;
  }
}

ORVANE_SKIN_KIND(TSkinMP)

}  // namespace orvane::skin
