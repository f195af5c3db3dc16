// The status-bar and group-box skinners (see SkinPanels.h).
#include "skin/controls/SkinPanels.h"

#include <QLabel>
#include <QSizeGrip>
#include <QStatusBar>

#include "skin/WinSkinData.h"
#include "skin/controls/SkinRegistry.h"
#include "skin/controls/panelpaint.h"
#include "skin/skindata.h"

namespace orvane::skin {

namespace {

// A bar showing a message, or holding no item, is one lowered panel.
bool OnePanel(const QWidget* w) {
  const auto* bar = qobject_cast<const QStatusBar*>(w);
  if (!bar) return true;
  if (!bar->currentMessage().isEmpty()) return true;
  for (const QWidget* child : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (!qobject_cast<const QSizeGrip*>(child) && !child->isHidden()) return false;
  return true;
}

}  // namespace

bool TSkinStatusBar::CanSkin() const {
  const auto data = Data();
  return data && kinds::HasStatusEdges(*data);
}

void TSkinStatusBar::InitControl(TFormSkinner* formSkin, TSXSkin* skin, bool setColor) {
  TSkinControl::InitControl(formSkin, skin, setColor);
  ColourLabels();
}

void TSkinStatusBar::DoneControl() {
  RestoreLabels();
  TSkinControl::DoneControl();
}

void TSkinStatusBar::UpdateSkin() {
  RestoreLabels();
  ColourLabels();
  TSkinControl::UpdateSkin();
}

void TSkinStatusBar::ColourLabels() {
  const auto data = Data();
  QWidget* bar = Handle();
  if (!bar || !data || !data->StatusBarEdges) return;
  const QColor text = ToQColor(data->StatusBarEdges->NormalColour2);
  for (QLabel* label : bar->findChildren<QLabel*>()) {
    // A label without a palette of its own goes back to inheriting its parent's.
    if (!labels_.contains(label))
      labels_.insert(label, {QPointer<QLabel>(label),
                             label->testAttribute(Qt::WA_SetPalette) ? label->palette() : QPalette()});
    QPalette pal = label->palette();
    if (pal.color(QPalette::WindowText) == text) continue;
    pal.setColor(QPalette::WindowText, text);
    label->setPalette(pal);
  }
}

void TSkinStatusBar::RestoreLabels() {
  for (const auto& [label, palette] : std::as_const(labels_))
    if (label) label->setPalette(palette);
  labels_.clear();
}

bool TSkinStatusBar::drawPrimitive(const TSkinStyle*, QStyle::PrimitiveElement element, const QStyleOption* option,
                                   QPainter* painter, const QWidget* widget) {
  const auto data = Data();
  if (!data) return false;
  if (element == QStyle::PE_PanelStatusBar) {
    // Labels added since the last paint take the colour too.
    ColourLabels();
    return kinds::PaintStatusBar(*painter, *data, option->rect, OnePanel(widget));
  }
  if (element == QStyle::PE_FrameStatusBarItem)
    return kinds::PaintStatusItem(*painter, *data, option->rect, kinds::BevelOf(widget));
  return false;
}

bool TSkinStatusBar::drawControl(const TSkinStyle*, QStyle::ControlElement element, const QStyleOption* option,
                                 QPainter* painter, const QWidget*) {
  if (element != QStyle::CE_SizeGrip) return false;
  const auto data = Data();
  const auto* grip = qstyleoption_cast<const QStyleOptionSizeGrip*>(option);
  const bool left = grip ? grip->corner == Qt::BottomLeftCorner : option->direction == Qt::RightToLeft;
  return data && kinds::PaintSizeGrip(*painter, *data, option->rect, left);
}

bool TSkinGroupBox::drawComplexControl(const TSkinStyle*, QStyle::ComplexControl control,
                                       const QStyleOptionComplex* option, QPainter* painter, const QWidget*) {
  if (control != QStyle::CC_GroupBox) return false;
  const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
  const auto data = Data();
  return box && data && kinds::PaintGroupBox(*painter, *data, *box);
}

bool TSkinGroupBox::subControlRect(const TSkinStyle*, QStyle::ComplexControl control,
                                   const QStyleOptionComplex* option, QStyle::SubControl sub, const QWidget*,
                                   QRect& out) {
  if (control != QStyle::CC_GroupBox) return false;
  const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
  const auto data = Data();
  if (!box || !data) return false;
  const bool right = (box->textAlignment & Qt::AlignRight) || box->direction == Qt::RightToLeft;
  const kinds::GroupGeometry g = kinds::GroupLayout(*data, box->fontMetrics, box->rect, box->text, right,
                                                    box->subControls & QStyle::SC_GroupBoxCheckBox);
  switch (sub) {
    case QStyle::SC_GroupBoxFrame: out = g.frame; return true;
    case QStyle::SC_GroupBoxLabel: out = g.label; return true;
    case QStyle::SC_GroupBoxCheckBox: out = g.check; return true;
    case QStyle::SC_GroupBoxContents: out = g.contents; return true;
    default: return false;
  }
}

ORVANE_SKIN_KIND(TSkinStatusBar)
ORVANE_SKIN_KIND(TSkinGroupBox)

}  // namespace orvane::skin
