// The skin style (see SkinStyle.h).
#include "skin/SkinStyle.h"

#include <QApplication>
#include <QHash>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QStyleFactory>
#include <QStyleOption>

#include "platform/wm/menus.h"
#include "skin/WinSkinData.h"
#include "skin/WinSkinForm.h"
#include "skin/WinSkinStore.h"
#include "skin/WinSkinPopMenu.h"
#include "skin/TSkinControl.h"
#include "skin/controls/ControlChooser.h"
#include "skin/controls/SkinRegistry.h"
#include "skin/skindata.h"
#include "skin/stylepalettes.h"

namespace orvane::skin {

namespace {

QPointer<TSkinStyle> installed;
QString displacedStyle;  // the name of the style to put back

// Nothing is skinned and nothing is about to be (the skin is off and every skinner gone): every
// call goes straight to Fusion, so that keeping the style costs the unskinned program nothing.
bool Idle() {
  return !(SkinManager && SkinManager->On()) && TSkinRegistry::Count() == 0 && TWinSkinForm::LiveCount() == 0 &&
         !AnyPopupSkinner();
}

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

// The action an item option of a menu stands for. Measuring runs through the menu's items in
// order, so the search starts after the item found last.
QAction* ItemAction(const QMenu* menu, const QStyleOptionMenuItem* item, bool measuring) {
  if (!measuring) return menu->actionAt(item->rect.center());
  static QHash<const QMenu*, qsizetype> next;
  const QList<QAction*> actions = menu->actions();
  const qsizetype n = actions.size();
  if (n == 0) return nullptr;
  const bool separator = item->menuItemType == QStyleOptionMenuItem::Separator;
  const QString text = item->text.section(QLatin1Char('\t'), 0, 0);
  const qsizetype start = next.value(menu, 0) % n;
  for (qsizetype k = 0; k < n; ++k) {
    const qsizetype i = (start + k) % n;
    QAction* a = actions.at(i);
    if (!a->isVisible() || a->isSeparator() != separator) continue;
    if (!separator && a->text().section(QLatin1Char('\t'), 0, 0) != text) continue;
    next.insert(menu, i + 1);
    return a;
  }
  return nullptr;
}

// The owner-drawn menu a widget is, else null.
const QMenu* OwnerDrawnMenu(const QWidget* widget) {
  auto* menu = qobject_cast<const QMenu*>(widget);
  return menu && wm::IsMenuOwnerDrawn(menu) ? menu : nullptr;
}

}  // namespace

QSize TSkinStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                   const QWidget* widget) const {
  if (Idle()) return QProxyStyle::sizeFromContents(type, option, size, widget);
  auto standard = [&] { return QProxyStyle::sizeFromContents(type, option, size, widget); };
  auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
  const QMenu* menu = type == CT_MenuItem && item ? OwnerDrawnMenu(widget) : nullptr;
  QWidget* owner = menu ? wm::MenuOwner(menu) : nullptr;
  QAction* action = owner ? ItemAction(menu, item, true) : nullptr;
  if (!action) {
    QSize out;
    if (BySkinner(widget, [&](TSkinControl* s) { return s->sizeFromContents(this, type, option, size, widget, out); }))
      return out;
    return standard();
  }
  wm::MeasureItemStruct measure;
  measure.itemId = wm::CommandId(action);
  measure.action = action;
  measure.menu = const_cast<QMenu*>(menu);
  measure.defaultSize = standard;
  measure.contentsSize = size;
  if (!wm::SendMessage(owner, wm::WM_MEASUREITEM, 0, reinterpret_cast<qintptr>(&measure))) return standard();
  return QSize(measure.itemWidth, measure.itemHeight);
}

void TSkinStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const {
  const TStylePalettes::Scope palette(option);
  if (Idle()) return QProxyStyle::drawControl(element, option, painter, widget);
  auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
  const QMenu* menu = element == CE_MenuItem && item ? OwnerDrawnMenu(widget) : nullptr;
  QWidget* owner = menu ? wm::MenuOwner(menu) : nullptr;
  QAction* action = owner ? ItemAction(menu, item, false) : nullptr;
  if (!action) {
    if (element == CE_ToolButtonLabel && TControlChooser::CustomDrawLabel(baseStyle(), option, painter, widget)) return;
    if (BySkinner(widget, [&](TSkinControl* s) { return s->drawControl(this, element, option, painter, widget); }))
      return;
    QProxyStyle::drawControl(element, option, painter, widget);
    return;
  }
  wm::DrawItemStruct draw;
  draw.itemId = wm::CommandId(action);
  draw.action = action;
  draw.menu = const_cast<QMenu*>(menu);
  if (option->state & State_Selected) draw.itemState |= wm::ODS_SELECTED;
  if (!(option->state & State_Enabled)) draw.itemState |= wm::ODS_GRAYED | wm::ODS_DISABLED;
  if (item->checkType != QStyleOptionMenuItem::NotCheckable && item->checked) draw.itemState |= wm::ODS_CHECKED;
  if (item->menuItemType == QStyleOptionMenuItem::DefaultItem || menu->defaultAction() == action)
    draw.itemState |= wm::ODS_DEFAULT;
  draw.rcItem = option->rect;
  draw.painter = painter;
  draw.drawDefault = [&] { QProxyStyle::drawControl(element, option, painter, widget); };
  painter->save();
  const qintptr done = wm::SendMessage(owner, wm::WM_DRAWITEM, 0, reinterpret_cast<qintptr>(&draw));
  painter->restore();
  if (!done) QProxyStyle::drawControl(element, option, painter, widget);
}

TSkinStyle::TSkinStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {
  setObjectName(QStringLiteral("orvane-skin"));
}

int TSkinStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
  if (Idle()) return QProxyStyle::pixelMetric(metric, option, widget);
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
  const TStylePalettes::Scope palette(option);
  if (Idle()) return QProxyStyle::drawPrimitive(element, option, painter, widget);
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

void TSkinStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                    const QWidget* widget) const {
  const TStylePalettes::Scope palette(option);
  if (!Idle() && BySkinner(widget, [&](TSkinControl* s) {
        return s->drawComplexControl(this, control, option, painter, widget);
      }))
    return;
  QProxyStyle::drawComplexControl(control, option, painter, widget);
}

QRect TSkinStyle::subControlRect(ComplexControl cc, const QStyleOptionComplex* option, SubControl sc,
                                 const QWidget* widget) const {
  QRect out;
  if (!Idle() && BySkinner(widget, [&](TSkinControl* s) { return s->subControlRect(this, cc, option, sc, widget, out); }))
    return out;
  return QProxyStyle::subControlRect(cc, option, sc, widget);
}

QRect TSkinStyle::subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget) const {
  QRect out;
  if (!Idle() && BySkinner(widget, [&](TSkinControl* s) { return s->subElementRect(this, element, option, widget, out); }))
    return out;
  return QProxyStyle::subElementRect(element, option, widget);
}

int TSkinStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                          QStyleHintReturn* returnData) const {
  int out = 0;
  if (!Idle() && BySkinner(widget, [&](TSkinControl* s) { return s->styleHint(this, hint, option, widget, out); }))
    return out;
  return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void TSkinStyle::polish(QWidget* widget) {
  QProxyStyle::polish(widget);
  if (!Idle()) TControlChooser::SkinLateWidget(widget);
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
  // With no skinner attached the skin style draws as Fusion does, pixel for pixel: when Fusion
  // is what it displaced, it stays. Replacing the application's style re-polishes every widget
  // of every window, which would make each switch of the skin several times slower.
  if (displacedStyle.compare(QLatin1String("fusion"), Qt::CaseInsensitive) == 0) return;
  installed = nullptr;
  if (QCoreApplication::closingDown()) return;  // the application takes its style down itself
  QStyle* back = displacedStyle.isEmpty() ? nullptr : QStyleFactory::create(displacedStyle);
  QApplication::setStyle(back ? back : QStyleFactory::create(QStringLiteral("Fusion")));
}

bool SkinStyleInstalled() { return installed && QApplication::style() == installed.data(); }

}  // namespace orvane::skin
