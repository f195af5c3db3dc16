// The control-to-skinner registry, the inner-part rule and the kind table (see SkinRegistry.h).
#include "skin/controls/SkinRegistry.h"

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QSizeGrip>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

#include "skin/TSkinControl.h"

namespace orvane::skin {

namespace {

QHash<const QWidget*, TSkinControl*>& table() {
  static QHash<const QWidget*, TSkinControl*> t;
  return t;
}

// The widgets each skinner is registered for: a switch-off frees every skinner of every
// window, and searching the whole table for each would grow with the square of their number.
QHash<const TSkinControl*, QList<const QWidget*>>& widgetsOf() {
  static QHash<const TSkinControl*, QList<const QWidget*>> w;
  return w;
}

QHash<QString, TSkinKindCreator>& kinds() {
  static QHash<QString, TSkinKindCreator> k;
  return k;
}

// A scroll area keeps its scroll bars in containers of its own, named by Qt.
bool IsScrollBarContainer(const QWidget* w) {
  return w && w->objectName().startsWith(QLatin1String("qt_scrollarea_")) &&
         qobject_cast<const QAbstractScrollArea*>(w->parentWidget());
}

// One step of the rule: the owner of an inner part, or null when the widget is no inner part.
QWidget* OwnerStep(const QWidget* w) {
  QWidget* parent = w->parentWidget();
  if (!parent || w->isWindow()) return nullptr;
  if (qobject_cast<const QLineEdit*>(w) &&
      (qobject_cast<QAbstractSpinBox*>(parent) || qobject_cast<QComboBox*>(parent)))
    return parent;
  if (auto* area = qobject_cast<QAbstractScrollArea*>(parent)) {
    if (area->viewport() == w || area->cornerWidget() == w || IsScrollBarContainer(w)) return area;
    if (auto* view = qobject_cast<QAbstractItemView*>(parent); view && qobject_cast<const QHeaderView*>(w))
      return view;
  }
  if (IsScrollBarContainer(parent)) return parent->parentWidget();
  if (auto* tabs = qobject_cast<QTabWidget*>(parent)) {
    if (qobject_cast<const QTabBar*>(w) || qobject_cast<const QStackedWidget*>(w)) return tabs;
  }
  if (qobject_cast<QTabBar*>(parent) && qobject_cast<const QToolButton*>(w)) return parent;
  if (qobject_cast<QStatusBar*>(parent) && qobject_cast<const QSizeGrip*>(w)) return parent;
  return nullptr;
}

}  // namespace

void TSkinRegistry::Register(const QWidget* control, TSkinControl* skinner) {
  if (!control || !skinner) return;
  if (TSkinControl* before = table().value(control); before && before != skinner)
    widgetsOf()[before].removeAll(control);
  table().insert(control, skinner);
  QList<const QWidget*>& mine = widgetsOf()[skinner];
  if (!mine.contains(control)) mine << control;
}

void TSkinRegistry::Unregister(TSkinControl* skinner) {
  const QList<const QWidget*> mine = widgetsOf().take(skinner);
  auto& t = table();
  for (const QWidget* control : mine)
    if (auto it = t.find(control); it != t.end() && it.value() == skinner) t.erase(it);
}

TSkinControl* TSkinRegistry::Find(const QWidget* control) { return control ? table().value(control) : nullptr; }

QWidget* TSkinRegistry::OwnerOf(const QWidget* widget) {
  const QWidget* w = widget;
  for (int depth = 0; w && depth < 8; ++depth) {
    QWidget* owner = OwnerStep(w);
    if (!owner) break;
    w = owner;
  }
  return const_cast<QWidget*>(w);
}

TSkinControl* TSkinRegistry::SkinnerFor(const QWidget* widget) {
  if (!widget || table().isEmpty()) return nullptr;
  TSkinControl* s = Find(widget);
  if (!s) {
    const QWidget* owner = OwnerOf(widget);
    if (owner != widget) s = Find(owner);
  }
  return s && s->SkinEnabled() && s->CanSkin() ? s : nullptr;
}

int TSkinRegistry::Count() { return static_cast<int>(table().size()); }

bool TSkinKinds::Register(const QString& className, TSkinKindCreator creator) {
  kinds().insert(className.toUpper(), std::move(creator));
  return true;
}

std::function<void(const QString&, QWidget*)>& TSkinKinds::Observer() {
  static std::function<void(const QString&, QWidget*)> observer;
  return observer;
}

TSkinControl* TSkinKinds::Create(const QString& className, QWidget* control, const TSkinKindArgs& args) {
  if (Observer()) Observer()(className, control);
  const auto it = kinds().constFind(className.toUpper());
  if (it == kinds().constEnd() || !control) return nullptr;
  return it.value()(control, args);
}

bool TSkinKinds::Has(const QString& className) { return kinds().contains(className.toUpper()); }

}  // namespace orvane::skin
