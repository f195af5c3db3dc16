// Tab sets from the skin: tabs hanging down from the flipped "Tabs" image, centred captions.
#include "skin/controls/TSkinTab31.h"

#include <QPainter>
#include <QStyleOptionTab>

#include "platform/forms/tabset.h"
#include "platform/forms/updown.h"
#include "skin/controls/SkinRegistry.h"
#include "skin/controls/TSkinUpDown.h"
#include "skin/imgutil.h"
#include "skin/skindata.h"

namespace orvane::skin {

bool TSkinTab31::CanSkin() const {
  const auto data = Data();
  return data && data->Tabs && data->Tabs->HasImage();
}

void TSkinTab31::InitControl(TFormSkinner* formSkin, TSXSkin* skin, bool) {
  if (Initialized()) return;
  TSkinControl::InitControl(formSkin, skin, true);
  LoadImages();
  // The scroller's arrows lie side by side whatever skinner it has or gets.
  auto* tabSet = qobject_cast<TTabSet*>(Control());
  if (!tabSet || !tabSet->Scroller()) return;
  TUpDown* scroller = tabSet->Scroller();
  auto* upDown = qobject_cast<TSkinUpDown*>(TSkinRegistry::Find(scroller));
  if (!upDown && !TSkinRegistry::Find(scroller)) {
    upDown = new TSkinUpDown(scroller);
    upDown->InitControl(formSkin, skin, false);
  }
  if (upDown) upDown->ForceHorizontal = true;
}

void TSkinTab31::UpdateSkin() {
  LoadImages();
  TSkinControl::UpdateSkin();
}

void TSkinTab31::LoadImages() {
  const auto data = Data();
  tabImage_ = QImage();
  if (!data || !data->Tabs || !data->Tabs->HasImage()) return;
  // Tab-set tabs hang downwards.
  tabImage_ = data->Tabs->Bitmap.copy();
  FlipVert(tabImage_);
}

bool TSkinTab31::drawControl(const TSkinStyle*, QStyle::ControlElement ce, const QStyleOption* opt, QPainter* p,
                             const QWidget* w) {
  if (ce != QStyle::CE_TabBarTabShape && ce != QStyle::CE_TabBarTabLabel) return false;
  const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(opt);
  const auto data = Data();
  if (!tab || !qobject_cast<const TTabSet*>(w) || !data || !data->Tabs) return false;
  const TDataSkinBorder& e = *data->Tabs;
  const bool current = tab->state & QStyle::State_Selected;
  if (ce == QStyle::CE_TabBarTabShape) {
    if (tabImage_.isNull()) LoadImages();
    DrawSkinImage(*p, tab->rect, tabImage_, false, e.Tile == 1, e.Trans == 1, e.FrameCount(), current ? 2 : 1,
                  e.Margins());
    return true;
  }
  p->save();
  p->setPen(ToQColor(current ? e.MouseOverColour2 : e.NormalColour2));
  DrawCaption(p, tab->rect, DT_CENTER, tab->state & QStyle::State_Enabled, tab->text);
  p->restore();
  return true;
}

ORVANE_SKIN_KIND(TSkinTab31)

}  // namespace orvane::skin
