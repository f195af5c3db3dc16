// The skin style (see SkinStyle.h).
#include "skin/SkinStyle.h"

#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QStyleFactory>
#include <QStyleOption>

#include "skin/WinSkinData.h"
#include "skin/WinSkinPopMenu.h"
#include "skin/TSkinControl.h"
#include "skin/controls/ControlChooser.h"
#include "skin/controls/SkinRegistry.h"
#include "skin/skindata.h"

namespace orvane::skin {

namespace {

QPointer<TSkinStyle> installed;
QString displacedStyle;  // the name of the style to put back

// The skinner of a menu whose frame the skin paints, else null.
TPopupMenuSkinner* PaintingSkinner(const QWidget* widget) {
  TPopupMenuSkinner* p = PopupSkinnerOf(widget);
  return p && p->Paints() ? p : nullptr;
}

// Runs a hook of the widget's skinner, holding the skin data for the call (a skin changed in
// the middle of a paint stays alive until the paint ends). False: Fusion does it.
template <typename Hook>
bool BySkinner(const QWidget* widget, Hook hook) {
  TSkinControl* s = widget ? TSkinRegistry::SkinnerFor(widget) : nullptr;
  if (!s) return false;
  const std::shared_ptr<const TSkinData> hold = s->Data();
  return hook(s);
}

}  // namespace

TSkinStyle::TSkinStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {
  setObjectName(QStringLiteral("orvane-skin"));
}

int TSkinStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
  if (metric == PM_MenuPanelWidth && widget) {
    // A menu is laid out before it is shown, and before its skinner comes.
    const TPopupMenuSkinner* p = PopupSkinnerOf(widget);
    if (p ? p->Paints() : !widget->isVisible() && PopupWouldPaint(widget)) return PopupFrameWidth;
  }
  int out = 0;
  if (BySkinner(widget, [&](TSkinControl* s) { return s->pixelMetric(this, metric, option, widget, out); }))
    return out;
  return QProxyStyle::pixelMetric(metric, option, widget);
}

void TSkinStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const {
  if (element == PE_FrameMenu || element == PE_PanelMenu) {
    if (TPopupMenuSkinner* p = PaintingSkinner(widget)) {
      if (element == PE_FrameMenu) return;  // the skinner's frame is the menu's frame
      if (p->Skin()->HasOption(xoMenuBG)) {
        // The skin's own background shows behind the items.
        p->DrawBackground(*painter, option->rect);
        return;
      }
      const int w = PopupFrameWidth;
      painter->save();
      painter->setClipRect(option->rect.adjusted(w, w, -w, -w), Qt::IntersectClip);
      QProxyStyle::drawPrimitive(element, option, painter, widget);
      painter->restore();
      return;
    }
  }
  if (TControlChooser::CustomDraw(element, option, painter, widget)) return;  // tool bars
  if (BySkinner(widget, [&](TSkinControl* s) { return s->drawPrimitive(this, element, option, painter, widget); }))
    return;
  QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void TSkinStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const {
  if (element == CE_ToolButtonLabel && TControlChooser::CustomDrawLabel(baseStyle(), option, painter, widget)) return;
  if (BySkinner(widget, [&](TSkinControl* s) { return s->drawControl(this, element, option, painter, widget); }))
    return;
  QProxyStyle::drawControl(element, option, painter, widget);
}

void TSkinStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                    const QWidget* widget) const {
  if (BySkinner(widget,
                [&](TSkinControl* s) { return s->drawComplexControl(this, control, option, painter, widget); }))
    return;
  QProxyStyle::drawComplexControl(control, option, painter, widget);
}

QRect TSkinStyle::subControlRect(ComplexControl cc, const QStyleOptionComplex* option, SubControl sc,
                                 const QWidget* widget) const {
  QRect out;
  if (BySkinner(widget, [&](TSkinControl* s) { return s->subControlRect(this, cc, option, sc, widget, out); }))
    return out;
  return QProxyStyle::subControlRect(cc, option, sc, widget);
}

QRect TSkinStyle::subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget) const {
  QRect out;
  if (BySkinner(widget, [&](TSkinControl* s) { return s->subElementRect(this, element, option, widget, out); }))
    return out;
  return QProxyStyle::subElementRect(element, option, widget);
}

QSize TSkinStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                   const QWidget* widget) const {
  QSize out;
  if (BySkinner(widget, [&](TSkinControl* s) { return s->sizeFromContents(this, type, option, size, widget, out); }))
    return out;
  return QProxyStyle::sizeFromContents(type, option, size, widget);
}

int TSkinStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                          QStyleHintReturn* returnData) const {
  int out = 0;
  if (BySkinner(widget, [&](TSkinControl* s) { return s->styleHint(this, hint, option, widget, out); })) return out;
  return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void TSkinStyle::polish(QWidget* widget) {
  QProxyStyle::polish(widget);
  TControlChooser::SkinLateWidget(widget);
}

TSkinStyle* InstalledSkinStyle() { return SkinStyleInstalled() ? installed.data() : nullptr; }

void InstallSkinStyle() {
  if (installed && QApplication::style() == installed.data()) return;
  displacedStyle = QApplication::style() ? QApplication::style()->name() : QString();
  auto* style = new TSkinStyle;
  QApplication::setStyle(style);
  installed = style;
}

void RemoveSkinStyle() {
  if (!installed || QApplication::style() != installed.data()) return;
  installed = nullptr;
  if (QCoreApplication::closingDown()) return;  // the application takes its style down itself
  QStyle* back = displacedStyle.isEmpty() ? nullptr : QStyleFactory::create(displacedStyle);
  QApplication::setStyle(back ? back : QStyleFactory::create(QStringLiteral("Fusion")));
}

bool SkinStyleInstalled() { return installed && QApplication::style() == installed.data(); }

}  // namespace orvane::skin
