// The skin style (see SkinStyle.h).
#include "skin/SkinStyle.h"

#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QStyleFactory>
#include <QStyleOption>

#include "skin/WinSkinData.h"
#include "skin/WinSkinPopMenu.h"

namespace orvane::skin {

namespace {

QPointer<TSkinStyle> installed;
QString displacedStyle;  // the name of the style to put back

// The skinner of a menu whose frame the skin paints, else null.
TPopupMenuSkinner* PaintingSkinner(const QWidget* widget) {
  TPopupMenuSkinner* p = PopupSkinnerOf(widget);
  return p && p->Paints() ? p : nullptr;
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
  QProxyStyle::drawPrimitive(element, option, painter, widget);
}

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
