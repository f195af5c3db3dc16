// Tab widgets and tab bars from the skin: tabs turned into place, labels, page frame, scroll
// buttons, and the close marks of Tag 7777 tab widgets.
#include "skin/controls/TSkinTab.h"

#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QStackedWidget>
#include <QStyleOptionTab>
#include <QStyleOptionToolButton>
#include <QTabBar>
#include <QTabWidget>

#include "platform/forms/form.h"
#include "platform/wm/wm.h"
#include "skin/controls/SkinRegistry.h"
#include "skin/controls/TSkinUpDown.h"
#include "skin/controls/skinlayout.h"
#include "skin/imgutil.h"
#include "skin/skindata.h"

namespace orvane::skin {

TSkinTab::TSkinTab(QWidget* control) : TSkinControl(control) {}

bool TSkinTab::CanSkin() const {
  const auto data = Data();
  return data && data->Tabs && data->Tabs->HasImage();
}

QTabWidget* TSkinTab::TabWidget() const { return qobject_cast<QTabWidget*>(Handle()); }

QTabBar* TSkinTab::TabBar() const {
  if (QTabWidget* tabs = TabWidget()) return tabs->tabBar();
  return qobject_cast<QTabBar*>(Handle());
}

int TSkinTab::Orientation(int shape) {
  switch (shape) {
    case QTabBar::RoundedSouth:
    case QTabBar::TriangularSouth: return toBottom;
    case QTabBar::RoundedWest:
    case QTabBar::TriangularWest: return toLeft;
    case QTabBar::RoundedEast:
    case QTabBar::TriangularEast: return toRight;
    default: return toTop;
  }
}

void TSkinTab::InitControl(TFormSkinner* formSkin, TSXSkin* skin, bool setColor) {
  if (Initialized()) return;
  TSkinControl::InitControl(formSkin, skin, setColor);
  Attached();
}

void TSkinTab::InitWindow(QWidget* handle, TSXSkin* skin, TFormSkinner* formSkin) {
  if (Initialized()) return;
  TSkinControl::InitWindow(handle, skin, formSkin);
  Attached();
}

void TSkinTab::Attached() {
  QTabWidget* tabs = TabWidget();
  closeMarks_ = tabs && GetTag(tabs) == CloseMarkTag && !tabs->tabsClosable();
  LoadImages();
  if (QTabBar* bar = TabBar(); bar && closeMarks_) {
    filtered_ = bar;
    bar->installEventFilter(this);
  }
  // Pages added later show the skin's face colour too, as the first ones do.
  if (tabs) {
    stack_ = tabs->findChild<QStackedWidget*>(QString(), Qt::FindDirectChildrenOnly);
    if (stack_) stack_->installEventFilter(this);
    for (int i = 0; i < tabs->count(); ++i) SkinPage(tabs->widget(i));
  }
}

void TSkinTab::SkinPage(QWidget* page) {
  if (!Initialized() || !page || page->parentWidget() != stack_ || page->isWindow() || TSkinRegistry::Find(page) || !FormSkin()) return;
  if (TSkinControl* sheet = TSkinKinds::Create(QStringLiteral("TSkinTabSheet"), page))
    sheet->InitControl(FormSkin(), Skin(), true);
}

void TSkinTab::DoneControl() {
  if (filtered_) filtered_->removeEventFilter(this);
  filtered_ = nullptr;
  if (stack_) stack_->removeEventFilter(this);
  stack_ = nullptr;
  tabRects_.clear();
  TSkinControl::DoneControl();
}

void TSkinTab::UpdateSkin() {
  LoadImages();
  TSkinControl::UpdateSkin();
}

void TSkinTab::LoadImages() {
  const auto data = Data();
  tabImage_ = tabImageFlipped_ = QImage();
  if (!data || !data->Tabs || !data->Tabs->HasImage()) return;
  tabImage_ = data->Tabs->Bitmap;
  // Bottom tabs are top tabs upside down; their labels stay upright.
  tabImageFlipped_ = tabImage_.copy();
  FlipVert(tabImageFlipped_);
}

QRect TSkinTab::CloseMarkAt(int index) const {
  return index >= 0 && index < tabRects_.size() ? tabRects_[index].first : QRect();
}

// The part of `r` the painter can reach: its device, its clip and the paint's own region
// (all of `r` when the painter does more than move).
QRect TSkinTab::VisiblePart(const QPainter& p, const QRect& r) {
  const QTransform t = p.deviceTransform();
  const QPaintDevice* device = p.device();
  if (t.type() > QTransform::TxTranslate || !device) return r;
  const QTransform back = t.inverted();
  QRect reach = back.mapRect(QRect(0, 0, device->width(), device->height()));
  if (p.hasClipping()) reach &= p.clipBoundingRect().toAlignedRect();
  if (const QPaintEngine* engine = p.paintEngine(); engine && !engine->systemClip().isEmpty())
    reach &= back.mapRect(engine->systemClip().boundingRect());
  return r & reach;
}

void TSkinTab::DrawTab(QPainter* p, const QStyleOptionTab* tab) {
  const auto data = Data();
  if (!data || !data->Tabs || tabImage_.isNull()) return;
  const TDataSkinBorder& e = *data->Tabs;
  const int o = Orientation(tab->shape);
  const QRect r = tab->rect;
  const QSize size = UnturnedSize(r.size(), o);
  if (size.isEmpty()) return;
  const bool current = tab->state & QStyle::State_Selected;
  // An upright tab is built only where it can show (one as wide as a caption of thousands of
  // characters reaches far past its bar).
  QRect part(QPoint(0, 0), size);
  if (o == toTop || o == toBottom) part &= VisiblePart(*p, r).translated(-r.topLeft());
  const QRect mark = closeMarks_ ? CloseMarkRect(size) : QRect();
  if (!part.isEmpty()) {
    QImage image(part.size(), SkinImageFormat);
    image.fill(Qt::transparent);
    {
      QPainter ip(&image);
      ip.translate(-part.topLeft());
      DrawSkinImage(ip, QRect(QPoint(0, 0), size), o == toBottom ? tabImageFlipped_ : tabImage_, false, e.Tile == 1,
                    e.Trans == 1, e.FrameCount(), current ? 2 : 1, e.Margins(), part);
      if (closeMarks_) {
        // The strip's plain pen: the label colours are set only after the marks.
        ip.setPen(Qt::black);
        ip.drawLine(mark.topLeft(), mark.bottomRight());
        ip.drawLine(mark.topRight(), mark.bottomLeft());
      }
    }
    TurnImage(image, o);
    p->drawImage(r.topLeft() + part.topLeft(), image);
  }
  if (closeMarks_ && tab->tabIndex >= 0) {
    if (tabRects_.size() <= tab->tabIndex) tabRects_.resize(tab->tabIndex + 1);
    // Kept where it shows: in the tab bar's coordinates, turned with the tab.
    tabRects_[tab->tabIndex] = {TurnRect(mark, size, o).translated(r.topLeft()), r};
  }
}

void TSkinTab::DrawLabel(QPainter* p, const QStyleOptionTab* tab) {
  const auto data = Data();
  if (!data || !data->Tabs) return;
  const TDataSkinBorder& e = *data->Tabs;
  const int o = Orientation(tab->shape);
  const bool current = tab->state & QStyle::State_Selected;
  Enabled = tab->state & QStyle::State_Enabled;
  const QColor colour = ToQColor(current ? e.MouseOverColour2 : e.NormalColour2);
  QList<QIcon> icons;
  if (!tab->icon.isNull()) icons << tab->icon;
  const int imageIndex = icons.isEmpty() ? -1 : 0;
  const QSize iconSize = tab->iconSize.isValid() ? tab->iconSize : QSize(16, 16);
  if (o == toTop || o == toBottom) {
    p->save();
    p->setPen(colour);
    const QRect r = tab->rect.adjusted(tab->leftButtonSize.width(), 0, -tab->rightButtonSize.width(), 0);
    DrawGlyphCaption(p, r, 1, tab->text, imageIndex, &icons, iconSize);
    p->restore();
    return;
  }
  const QSize size = UnturnedSize(tab->rect.size(), o);
  if (size.isEmpty()) return;
  QImage image(size, SkinImageFormat);
  image.fill(Qt::transparent);
  {
    QPainter ip(&image);
    ip.setFont(p->font());
    ip.setPen(colour);
    DrawGlyphCaption(&ip, QRect(QPoint(0, 0), size), 1, tab->text, imageIndex, &icons, iconSize);
  }
  TurnImage(image, o);
  p->drawImage(tab->rect.topLeft(), image);
}

bool TSkinTab::drawControl(const TSkinStyle*, QStyle::ControlElement ce, const QStyleOption* opt, QPainter* p,
                           const QWidget* w) {
  if (ce != QStyle::CE_TabBarTabShape && ce != QStyle::CE_TabBarTabLabel) return false;
  const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(opt);
  if (!tab || !qobject_cast<const QTabBar*>(w)) return false;
  if (ce == QStyle::CE_TabBarTabShape)
    DrawTab(p, tab);
  else
    DrawLabel(p, tab);
  return true;
}

bool TSkinTab::drawPrimitive(const TSkinStyle*, QStyle::PrimitiveElement pe, const QStyleOption* opt, QPainter* p,
                             const QWidget*) {
  if (pe != QStyle::PE_FrameTabWidget) return false;
  const auto data = Data();
  if (!data || !data->Tabs) return false;
  const TDataSkinBorder& e = *data->Tabs;
  QImage pane;
  QMargins margins(4, 5, 4, 4);
  if (e.Style == 0) {
    pane = e.Bitmap2;
  } else if (data->TabPane && data->TabPane->HasImage()) {
    pane = data->TabPane->Bitmap;
    margins = data->TabPane->Margins();
  }
  if (pane.isNull() || pane.width() == 0) return false;
  const auto* frame = qstyleoption_cast<const QStyleOptionTabWidgetFrame*>(opt);
  const int o = frame ? Orientation(frame->shape) : toTop;
  pane = pane.copy();
  if (o == toBottom) FlipVert(pane);
  TurnImage(pane, o);
  DrawSkinImage(*p, opt->rect, pane, false, false, false, 1, 1, margins);
  return true;
}

bool TSkinTab::drawComplexControl(const TSkinStyle*, QStyle::ComplexControl cc, const QStyleOptionComplex* opt,
                                  QPainter* p, const QWidget* w) {
  // The tab bar's scroll buttons are up-down halves.
  if (cc != QStyle::CC_ToolButton || !w || !qobject_cast<const QTabBar*>(w->parentWidget())) return false;
  const auto* tool = qstyleoption_cast<const QStyleOptionToolButton*>(opt);
  if (!tool || tool->arrowType == Qt::NoArrow) return false;
  const int arrow = tool->arrowType == Qt::UpArrow     ? udUp
                    : tool->arrowType == Qt::DownArrow ? udDown
                    : tool->arrowType == Qt::RightArrow ? udRight
                                                        : udLeft;
  TSkinUpDown::DrawScrollButton(Data().get(), ButtonFace(), tool, p, arrow);
  return true;
}

bool TSkinTab::HitCloseMark(const QPoint& pos) {
  QTabBar* bar = TabBar();
  QPointer<QTabWidget> tabs = TabWidget();
  if (!closeMarks_ || !bar || !tabs) return false;
  QList<int> hits;
  for (int i = qMin(static_cast<int>(tabRects_.size()), bar->count()) - 1; i >= 0; --i) {
    // A mark counts only while its tab is still where it was drawn.
    if (tabRects_[i].first.contains(pos) && tabRects_[i].second == bar->tabRect(i)) hits << i;
  }
  if (hits.isEmpty()) return false;
  QPointer<TSkinTab> self(this);
  QWidget* form = tabs->window();
  for (const int i : hits) {
    // The page asked about; the answer's handler may remove pages itself, and then another page
    // at this index must not go in its stead.
    const QPointer<QWidget> page = tabs->widget(i);
    const qintptr answer = wm::SendMessage(form, WM_SKINTABCLOSE, reinterpret_cast<quintptr>(tabs.data()), i);
    if (!self || !tabs) break;
    if (answer != 0 || !page || tabs->indexOf(page) != i) continue;
    tabs->removeTab(i);
    if (tabRects_.size() > i) tabRects_.resize(i);
    if (page) page->deleteLater();
  }
  return true;
}

bool TSkinTab::eventFilter(QObject* watched, QEvent* e) {
  if (watched == stack_ && e->type() == QEvent::ChildAdded && SkinEnabled()) {
    // Later: a page made with the stack as its parent is not whole yet.
    QPointer<QObject> child = static_cast<QChildEvent*>(e)->child();
    QMetaObject::invokeMethod(this, [this, child] { SkinPage(qobject_cast<QWidget*>(child.data())); },
                              Qt::QueuedConnection);
  }
  if (watched == filtered_ && e->type() == QEvent::MouseButtonPress && SkinEnabled() && CanSkin()) {
    auto* me = static_cast<QMouseEvent*>(e);
    // The tab under a mark is never selected by the press.
    if (me->button() == Qt::LeftButton && HitCloseMark(me->position().toPoint())) return true;
  }
  return TSkinControl::eventFilter(watched, e);
}

ORVANE_SKIN_KIND(TSkinTab)

}  // namespace orvane::skin
