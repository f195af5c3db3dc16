// The choice of control skinners (see ControlChooser.h).
#include "skin/controls/ControlChooser.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSizeGrip>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyleOption>
#include <QPointer>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QTimeEdit>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include "platform/forms/form.h"
#include "skin/FormSkinner.h"
#include "skin/WinSkinStore.h"
#include "skin/controls/SkinRegistry.h"
#include "skin/controls/skinprops.h"
#include "skin/skindata.h"
#include "skin/skinpaint.h"

namespace orvane::skin {

namespace {

const char* const kOnCustomDraw = "OnCustomDraw";
const char* const kOnCustomDrawButton = "OnCustomDrawButton";
const QString kToolBarDraw = QLatin1String(ToolBarDrawMark);
const QString kToolButtonDraw = QLatin1String(ToolButtonDrawMark);

bool IsForm(const QObject* o) { return o && o->inherits("orvane::Form"); }

QString VclClass(const QWidget* w) {
  const QVariant v = w->property("vclClass");
  if (v.typeId() != QMetaType::QString && v.typeId() != QMetaType::QByteArray) return QString();
  return v.toString();
}

// A tool bar: a QToolBar, or a plain widget the program marks as one.
bool IsToolBar(const QWidget* w) {
  return w && (qobject_cast<const QToolBar*>(w) || VclClass(w).compare(QLatin1String("TToolBar"), Qt::CaseInsensitive) == 0);
}

bool HasTabElement(const TSXSkin* skin) {
  const auto d = skin ? skin->Data() : nullptr;
  return d && d->Tabs && d->Tabs->HasImage();
}

// Paints the skin's tool-bar image under a plain widget marked as a tool bar.
class ToolBarPainter : public QObject {
 public:
  ToolBarPainter(QWidget* bar, QObject* owner) : QObject(owner), bar_(bar) { bar->installEventFilter(this); }
  bool eventFilter(QObject* o, QEvent* e) override {
    if (o == bar_ && e->type() == QEvent::Paint) {
      if (TControlChooser* c = TControlChooser::ChooserOf(bar_)) {
        QPainter p(bar_);
        c->ToolBarCustomDraw(bar_, &p, bar_->rect());
      }
    }
    return false;
  }

 private:
  QPointer<QWidget> bar_;
};

}  // namespace

TControlChooser::TControlChooser(TFormSkinner* form) : QObject(form), form_(form) {
  setObjectName(QStringLiteral("controlChooser"));
}

TFormSkinner* TControlChooser::Form() const { return static_cast<TFormSkinner*>(form_.data()); }
TSXSkin* TControlChooser::Skin() const { return Form() ? Form()->Skin() : nullptr; }
bool TControlChooser::Has(int control) const { return Skin() && Skin()->HasControl(static_cast<TSkinControlType>(control)); }

bool TControlChooser::Listed(const QWidget* control) const {
  if (!Form()) return false;
  for (TSkinControl* s : Form()->SkinControlList())
    if (s->Handle() == control) return true;
  return false;
}

TSkinControl* TControlChooser::Attach(const QString& skinnerClass, QWidget* control, bool setColor) {
  return Attach(skinnerClass, control, setColor, TSkinKindArgs{});
}

TSkinControl* TControlChooser::Attach(const QString& skinnerClass, QWidget* control, bool setColor,
                                      const TSkinKindArgs& args) {
  if (!control || !Form() || Listed(control)) return nullptr;
  TSkinControl* s = TSkinKinds::Create(skinnerClass, control, args);
  if (s) s->InitControl(Form(), Skin(), setColor);
  return s;
}

TSkinControl* TControlChooser::AttachWindow(const QString& skinnerClass, QWidget* window) {
  if (!window || !Form() || Listed(window)) return nullptr;
  TSkinControl* s = TSkinKinds::Create(skinnerClass, window);
  if (s) s->InitWindow(window, Skin(), Form());
  return s;
}

// ---- class names --------------------------------------------------------------------------------

QString TControlChooser::ClassNameOf(const QWidget* c) {
  if (!c) return QString();
  const QString own = VclClass(c);
  if (!own.isEmpty()) return own.toUpper();
  if (qobject_cast<const QPushButton*>(c)) return QStringLiteral("TBUTTON");
  if (qobject_cast<const QToolButton*>(c))
    return IsToolBar(c->parentWidget()) ? QStringLiteral("TTOOLBUTTON") : QStringLiteral("TSPEEDBUTTON");
  if (qobject_cast<const QCheckBox*>(c)) return QStringLiteral("TCHECKBOX");
  if (qobject_cast<const QRadioButton*>(c)) return QStringLiteral("TRADIOBUTTON");
  if (qobject_cast<const QLineEdit*>(c)) return QStringLiteral("TEDIT");
  if (qobject_cast<const QPlainTextEdit*>(c)) return QStringLiteral("TMEMO");
  if (qobject_cast<const QTextEdit*>(c)) return QStringLiteral("TRICHEDIT");
  if (qobject_cast<const QListView*>(c)) return QStringLiteral("TLISTBOX");
  if (qobject_cast<const QTableView*>(c)) return QStringLiteral("TDBGRID");
  if (qobject_cast<const QTreeView*>(c)) return QStringLiteral("TLISTVIEW");
  if (qobject_cast<const QComboBox*>(c)) return QStringLiteral("TCOMBOBOX");
  if (qobject_cast<const QDateTimeEdit*>(c)) return QStringLiteral("TDATETIMEPICKER");
  if (qobject_cast<const QSpinBox*>(c)) return QStringLiteral("TSPINEDIT");
  if (qobject_cast<const QSlider*>(c)) return QStringLiteral("TTRACKBAR");
  if (qobject_cast<const QProgressBar*>(c)) return QStringLiteral("TPROGRESSBAR");
  if (qobject_cast<const QStatusBar*>(c)) return QStringLiteral("TSTATUSBAR");
  if (qobject_cast<const QGroupBox*>(c)) return QStringLiteral("TGROUPBOX");
  if (qobject_cast<const QToolBar*>(c)) return QStringLiteral("TTOOLBAR");
  if (qobject_cast<const QTabWidget*>(c)) return QStringLiteral("TPAGECONTROL");
  if (qobject_cast<const QTabBar*>(c)) return QStringLiteral("TTABCONTROL");
  if (qobject_cast<const QScrollBar*>(c)) return QStringLiteral("TSCROLLBAR");
  if (IsForm(c)) return QStringLiteral("TFORM");
  if (c->metaObject() == &QFrame::staticMetaObject) return QStringLiteral("TPANEL");
  QString name = QString::fromLatin1(c->metaObject()->className());
  name = name.mid(name.lastIndexOf(QLatin1Char(':')) + 1);
  return name.toUpper();
}

QString TControlChooser::BareClassOf(const QWidget* w, quint32* style) {
  quint32 s = 0;
  QString c;
  if (auto* b = qobject_cast<const QPushButton*>(w)) {
    c = QStringLiteral("button");
    s = b->isDefault() ? 1 : 0;
  } else if (auto* x = qobject_cast<const QCheckBox*>(w)) {
    c = QStringLiteral("button");
    s = x->isTristate() ? 6 : 3;
  } else if (qobject_cast<const QRadioButton*>(w)) {
    c = QStringLiteral("button");
    s = 9;
  } else if (qobject_cast<const QGroupBox*>(w)) {
    c = QStringLiteral("button");
    s = 7;
  } else if (auto* cb = qobject_cast<const QComboBox*>(w)) {
    c = QStringLiteral("combobox");
    s = cb->isEditable() ? 2 : 3;
  } else if (qobject_cast<const QLineEdit*>(w)) {
    c = QStringLiteral("edit");
  } else if (qobject_cast<const QSizeGrip*>(w)) {
    c = QStringLiteral("scrollbar");
    s = 0x10;
  } else if (qobject_cast<const QScrollBar*>(w)) {
    c = QStringLiteral("scrollbar");
    s = 0x10000;
  } else if (qobject_cast<const QTabBar*>(w)) {
    c = QStringLiteral("systabcontrol32");
  } else if (qobject_cast<const QToolBar*>(w)) {
    c = QStringLiteral("toolbarwindow32");
  } else if (qobject_cast<const QDialog*>(w)) {
    c = QStringLiteral("#32770");
  } else if (qobject_cast<const QTreeView*>(w)) {
    c = QStringLiteral("systreeview32");
  } else if (w && (w->metaObject() == &QWidget::staticMetaObject || w->metaObject() == &QFrame::staticMetaObject ||
                    (!qobject_cast<const QAbstractScrollArea*>(w) && !qobject_cast<const QLabel*>(w) &&
                     !qobject_cast<const QAbstractButton*>(w) && w->findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly)))) {
    // Anything else that holds widgets (a button box, a splitter, a page stack) is a panel.
    c = QStringLiteral("tpanel");
  } else if (w) {
    c = wm::GetClassName(const_cast<QWidget*>(w)).left(100).toLower();
  }
  if (style) *style = s;
  return c;
}

// ---- the walk of a window with a Form -----------------------------------------------------------

namespace {

// Whether w lies inside form within the same window (a child window of its own is not inside).
bool WithinWindow(const QWidget* form, const QWidget* w) {
  for (; w && w != form; w = w->parentWidget())
    if (w->isWindow()) return false;
  return w == form;
}

}  // namespace

void TControlChooser::SkinFormControls(QWidget* form) {
  if (!Form() || !form) return;
  for (TSkinControl* s : Form()->SkinControlList())
    if (s->State() == TSkinControl::csDestroyed) delete s;
  SkinControlsOf(form);
  // Then the tab order, for whatever the first walk passed by.
  const int disableTag = Skin() ? Skin()->DisableTag : 99;
  QWidget* w = form->nextInFocusChain();
  for (int guard = 0; w && w != form && guard < 10000; ++guard, w = w->nextInFocusChain()) {
    if (!WithinWindow(form, w) || TSkinRegistry::IsInnerPart(w)) continue;
    if (GetTag(w) == disableTag || Perform(w, WM_SKINQUERY) == 1 || Listed(w)) continue;
    SkinControl(w, form);
    if (!Form()) return;
  }
}

void TControlChooser::SkinControlsOf(QWidget* owner) {
  if (!owner) return;
  // Creation order; an inner form's own controls are its business, inner parts their owner's.
  std::function<void(QWidget*)> walk = [&](QWidget* parent) {
    // A copy: a skinner may add widgets beside its control (the media player's panel), and the
    // children met so far must stay the ones walked.
    const QList<QPointer<QObject>> children(parent->children().cbegin(), parent->children().cend());
    for (const QPointer<QObject>& o : children) {
      auto* c = qobject_cast<QWidget*>(o.data());
      if (!c || c->isWindow() || TSkinRegistry::IsInnerPart(c)) continue;
      SkinControl(c, parent);
      if (!Form()) return;
      if (!IsForm(c)) walk(c);
    }
  };
  walk(owner);
  if (Form() && Has(xcPopupMenu)) Form()->SetPopupMenusOwnerDraw(owner, true);
}

void TControlChooser::SkinChildren(QWidget* control) {
  if (!control) return;
  for (QObject* o : control->children()) {
    auto* c = qobject_cast<QWidget*>(o);
    if (c && !c->isWindow() && !TSkinRegistry::IsInnerPart(c)) SkinControl(c, control);
  }
}

// ---- one control: which skinner -----------------------------------------------------------------

void TControlChooser::SkinControl(QWidget* c, QWidget* p) {
  TSXSkin* skin = Skin();
  if (!c || !skin || !Form()) return;
  const QString n = ClassNameOf(c);
  if (GetTag(c) == skin->DisableTag) {
    const QString lower = n.toLower();
    if (lower.contains(QLatin1String("radiogroup")) || lower.contains(QLatin1String("checkgroup")))
      for (QWidget* child : c->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) SetTag(child, skin->DisableTag);
    return;
  }
  if (!c->parentWidget() || Perform(c, WM_SKINQUERY) == 1 || Listed(c)) return;
  if (skin->OnSkinControl) {
    QObject* given = nullptr;
    skin->OnSkinControl(Form(), skin, p, c, n, given);
    if (given) {
      if (auto* s = qobject_cast<TSkinControl*>(given); s && !Listed(s->Handle()))
        s->InitControl(Form(), skin, s->SetColor());
      if (n == QLatin1String("TPANEL")) SkinChildren(c);
      return;
    }
  }
  if (SkinControlByMap(n, c)) return;
  if (n == QLatin1String("TDBCOMBOBOXEH") || n == QLatin1String("TFRDESIGNERPAGE") || n == QLatin1String("TFRPBOX"))
    return;
  if (n == QLatin1String("TTOOLBUTTON") && Form()->FrameSkinned()) {
    if (auto* b = qobject_cast<QToolButton*>(c); b && b->menu()) MenuItemsPainted(b->menu());
    return;
  }
  Chain(n, c);
}

void TControlChooser::MenuItemsPainted(QObject* menuObject) {
  auto* menu = qobject_cast<QMenu*>(menuObject);
  if (!menu) return;
  QList<QMenu*> seen;
  std::function<void(QMenu*)> walk = [&](QMenu* m) {
    if (!m || seen.contains(m)) return;
    seen << m;
    for (QAction* a : m->actions()) {
      if (a->isSeparator()) continue;
      if (!a->property("OnDrawItem").isValid()) a->setProperty("OnDrawItem", QStringLiteral("skinMenuItem"));
      if (!a->property("OnMeasureItem").isValid()) a->setProperty("OnMeasureItem", QStringLiteral("skinMainMeasure"));
      walk(a->menu());
    }
  };
  walk(menu);
}

// The class and class-name chain; true when a row applied.
bool TControlChooser::Chain(const QString& n, QWidget* c) {
  auto is = [&](std::initializer_list<const char*> names) {
    for (const char* x : names)
      if (n == QLatin1String(x)) return true;
    return false;
  };
  const bool tabs = Has(xcTab) && HasTabElement(Skin());
  if (n == QLatin1String("TTABSET") && tabs) return Attach(QStringLiteral("TSkinTab31"), c, false), true;
  if (n == QLatin1String("TTABBEDNOTEBOOK") && tabs) return Attach(QStringLiteral("TSkinTab"), c, false), true;
  // Qt's tab widgets and tab bars are the page and tab controls; drawn as buttons when their
  // "Style" says so.
  if ((qobject_cast<QTabWidget*>(c) || qobject_cast<QTabBar*>(c) || is({"TPAGECONTROL", "TTABCONTROL"})) &&
      GetPropAsString(c, QStringLiteral("Style")).compare(QLatin1String("tsButtons"), Qt::CaseInsensitive) == 0 &&
      Has(xcTab))
    return Attach(QStringLiteral("TSkinTabBtn"), c, false), true;
  if ((qobject_cast<QTabWidget*>(c) || qobject_cast<QTabBar*>(c) || is({"TPAGECONTROL", "TTABCONTROL"})) && tabs) {
    Attach(QStringLiteral("TSkinTab"), c, false);
    // Its pages show the skin's face colour.
    if (auto* pages = qobject_cast<QTabWidget*>(c))
      for (int i = 0; i < pages->count(); ++i) Attach(QStringLiteral("TSkinTabSheet"), pages->widget(i), true);
    return true;
  }
  if (n == QLatin1String("TMVCPANEL")) return SkinChildren(c), true;
  if ((qobject_cast<QCheckBox*>(c) || is({"TCHECKBOX", "TDBCHECKBOX"})) && Has(xcCheckBox))
    return Attach(QStringLiteral("TSkinCheckBox"), c, false), true;
  if ((qobject_cast<QSlider*>(c) || is({"TTRACKBAR"})) && Has(xcTrackBar))
    return Attach(QStringLiteral("TSkinTrackBar"), c, false), true;
  if (is({"TUPDOWN", "TSPINBUTTON"}) && Has(xcSpin)) return Attach(QStringLiteral("TSkinUpDown"), c, false), true;
  if (n == QLatin1String("TMEDIAPLAYER") && Has(xcButton)) return Attach(QStringLiteral("TSkinMP"), c, false), true;
  if (n == QLatin1String("TDBNAVIGATOR") && Has(xcPanel)) {
    Attach(QStringLiteral("TSkinBox"), c, true);
    for (QWidget* child : c->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) SkinControl(child, nullptr);
    return true;
  }
  if (is({"TRZDBCHECKBOX", "TRZCHECKBOX"}) && Has(xcCheckBox))
    return Attach(QStringLiteral("TSkinObjImage"), c, true, TSkinKindArgs{1}), true;
  if (is({"TRZRADIOBUTTON", "TRZDBRADIOBUTTON"}) && Has(xcRadioButton))
    return Attach(QStringLiteral("TSkinObjImage"), c, true, TSkinKindArgs{2}), true;
  if (is({"TCXDBCHECKBOX", "TCXCHECKBOX"}) && Has(xcCheckBox))
    return Attach(QStringLiteral("TSkinObjImage"), c, true, TSkinKindArgs{3}), true;
  if ((qobject_cast<QGroupBox*>(c) || is({"TGROUPBOX", "TRADIOGROUP"})) && Has(xcPanel)) {
    SkinChildren(c);
    return Attach(QStringLiteral("TSkinGroupBox"), c, false), true;
  }
  if ((qobject_cast<QRadioButton*>(c) || is({"TRADIOBUTTON"})) && Has(xcRadioButton))
    return Attach(QStringLiteral("TSkinRadioButton"), c, false), true;
  if (IsToolBar(c) && Has(xcToolbar)) {
    SetPropByName(c, QStringLiteral("Flat"), QStringLiteral("True"));
    if (!c->property(kOnCustomDrawButton).isValid()) c->setProperty(kOnCustomDrawButton, kToolButtonDraw);
    if (!c->property(kOnCustomDraw).isValid()) c->setProperty(kOnCustomDraw, kToolBarDraw);
    TSkinControl* box = Attach(QStringLiteral("TSkinBox"), c, false);
    // A plain widget has no style call for its background: a paint filter draws it.
    if (box && !qobject_cast<QToolBar*>(c)) new ToolBarPainter(c, box);
    if (QObject* menu = GetObjectPropByName(c, QStringLiteral("Menu"), &QMenu::staticMetaObject)) MenuItemsPainted(menu);
    return true;
  }
  if ((qobject_cast<QStatusBar*>(c) || is({"TSTATUSBAR"})) && Has(xcStatusBar))
    return Attach(QStringLiteral("TSkinStatusBar"), c, false), true;
  if ((qobject_cast<QProgressBar*>(c) || is({"TPROGRESSBAR"})) && Has(xcProgress))
    return Attach(QStringLiteral("TSkinProgress"), c, false), true;
  if (n == QLatin1String("TTNTCOMBOBOX") && Has(xcCombo)) return Attach(QStringLiteral("TSkinComBox"), c, false), true;
  if ((qobject_cast<QComboBox*>(c) || is({"TCOMBOBOX"})) && Has(xcCombo))
    return Attach(QStringLiteral("TSkinComBox"), c, false), true;
  if ((qobject_cast<QDateTimeEdit*>(c) || is({"TDATETIMEPICKER"})) && Has(xcEdit)) {
    auto* d = qobject_cast<QDateTimeEdit*>(c);
    // Time kind, or the up-down date mode (no calendar popup): an edit with arrows.
    const bool upDown = !d || qobject_cast<QTimeEdit*>(c) || !d->calendarPopup() ||
                        !(d->displayedSections() & QDateTimeEdit::DateSections_Mask);
    return Attach(upDown ? QStringLiteral("TSkinEdit") : QStringLiteral("TSkinDateTime"), c, false), true;
  }
  if (is({"TRICHEDIT", "TWWDBRICHEDIT", "TDXDBMEMO"}) && Has(xcScrollbar))
    return Attach(QStringLiteral("TSkinScrollbar"), c, false), true;
  if (((qobject_cast<QToolButton*>(c) && n != QLatin1String("TTOOLBUTTON")) || is({"TSPEEDBUTTON"})) &&
      Has(xcSpeedButton))
    return Attach(QStringLiteral("TSkinSpeedButton"), c, false), true;
  if (is({"TPANEL"}) && Has(xcPanel)) {
    SkinChildren(c);
    return Attach(QStringLiteral("TSkinBox"), c, true), true;
  }
  if (is({"TDXTREELIST", "TDXDBTREELIST", "TDXDBGRID"}) && Has(xcScrollbar))
    return Attach(QStringLiteral("TSkinScrollbar"), c, false), true;
  if ((qobject_cast<QTreeView*>(c) || is({"TLISTVIEW"})) && Has(xcScrollbar))
    return Attach(QStringLiteral("TSkinListView"), c, false), true;
  if ((qobject_cast<QPlainTextEdit*>(c) || qobject_cast<QTextEdit*>(c) || is({"TMEMO"})) && Has(xcScrollbar))
    return Attach(QStringLiteral("TSkinScrollbar"), c, false), true;
  if ((qobject_cast<QTableView*>(c) || is({"TDBGRID", "TSTRINGGRID", "TDRAWGRID"})) && Has(xcScrollbar))
    return Attach(QStringLiteral("TSkinScrollbar"), c, false), true;
  if ((qobject_cast<QAbstractScrollArea*>(c) || is({"TLISTBOX"})) && Has(xcScrollbar))
    return Attach(QStringLiteral("TSkinScrollbar"), c, false), true;
  if ((qobject_cast<QPushButton*>(c) || is({"TBUTTON", "TBITBTN"})) && Has(xcButton)) {
    auto* b = qobject_cast<QPushButton*>(c);
    QString kind = QStringLiteral("TSkinButton");
    if (b && b->menu())
      kind = QStringLiteral("TSkinMenuButton");
    else if (n == QLatin1String("TBITBTN") || (b && !b->icon().isNull()))
      kind = QStringLiteral("TSkinBitButton");
    return Attach(kind, c, false), true;
  }
  if ((qobject_cast<QLineEdit*>(c) || qobject_cast<QAbstractSpinBox*>(c) || is({"TEDIT", "TSPINEDIT", "TMASKEDIT"})) &&
      Has(xcEdit))
    return Attach(QStringLiteral("TSkinEdit"), c, false), true;
  if (!is({"TDCEDIT", "TDCDBEDIT"})) {
    if (IsForm(c) || n == QLatin1String("TFORM")) {
      Attach(QStringLiteral("TSkinBox"), c, true);
      SkinControlsOf(c);
    }
    return false;
  }
  const int buttons = GetOrdPropByName(c, QStringLiteral("NumButtons"));
  if (buttons == 1 && Has(xcCombo)) Attach(QStringLiteral("TSkinComBox"), c, false);
  else if (buttons == 0 && Has(xcEdit)) AttachWindow(QStringLiteral("TSkinEdit"), c);
  return false;
}

// ---- the foreign-class table --------------------------------------------------------------------

bool TControlChooser::SkinControlByMap(const QString& n, QWidget* c) {
  TSXSkin* skin = Skin();
  if (!skin || !c) return false;
  // Every control of every window is looked up here at each switch: the rows are read into a
  // table once, the first row of a class name winning, and read again when the list changes.
  static QStringList rows;
  static QHash<QString, QString> byClass;
  if (!rows.isSharedWith(skin->Skin3rd()) || rows.isEmpty()) {
    rows = skin->Skin3rd();
    byClass.clear();
    for (const QString& row : std::as_const(rows)) {  // a detached copy would never match again
      const qsizetype eq = row.indexOf(QLatin1Char('='));
      if (eq < 0) continue;
      const QString key = row.left(eq).toLower();
      if (!byClass.contains(key)) byClass.insert(key, row.mid(eq + 1).left(50).toLower());
    }
  }
  const auto it = byClass.constFind(n.toLower());
  if (it == byClass.constEnd() || n.isEmpty()) return false;
  const QString kind = it.value();
  if (kind == QLatin1String("nil")) return true;
  auto attach = [&](const char* cls, bool setColor = false, TSkinKindArgs args = {}) {
    Attach(QLatin1String(cls), c, setColor, args);
  };
  if (kind == QLatin1String("combobox")) {
    if (Has(xcCombo)) attach("TSkinComBox");
  } else if (kind == QLatin1String("comboboxex")) {
    if (Has(xcCombo)) attach("TSkinComBox", false, TSkinKindArgs{0, true});
  } else if (kind == QLatin1String("edit")) {
    // Only an edit drawn with a border.
    auto* f = qobject_cast<QFrame*>(c);
    auto* e = qobject_cast<QLineEdit*>(c);
    const bool border = e ? e->hasFrame() : f ? f->frameWidth() > 0 : c->contentsRect() != c->rect();
    if (Has(xcEdit) && border) attach("TSkinEdit");
  } else if (kind == QLatin1String("radiobutton")) {
    if (Has(xcRadioButton)) attach("TSkinRadioButton");
  } else if (kind == QLatin1String("panel")) {
    if (Has(xcPanel)) {
      SetPropByName(c, QStringLiteral("Transparent"), QStringLiteral("True"));
      attach("TSkinBox", true);
    }
  } else if (kind == QLatin1String("trackbar")) {
    if (Has(xcButton)) {
      SetPropByName(c, QStringLiteral("Transparent"), QStringLiteral("True"));
      attach("TSkinTrackBar");
    }
  } else if (kind == QLatin1String("button")) {
    if (Has(xcButton)) attach("TSkinButton");
  } else if (kind == QLatin1String("datetimepicker")) {
    if (Has(xcCombo)) attach("TSkinDateTime");
  } else if (kind == QLatin1String("mediaplayer")) {
    if (Has(xcButton)) attach("TSkinMP");
  } else if (kind == QLatin1String("bitbtn")) {
    if (Has(xcButton)) {
      const bool dropDown = n == QLatin1String("TCXBUTTON") &&
                            GetPropAsString(c, QStringLiteral("Kind")).toLower() == QLatin1String("cxbkdropdownbutton");
      attach(dropDown ? "TSkinMenuButton" : "TSkinBitButton");
    }
  } else if (kind == QLatin1String("pngbitbtn")) {
    if (Has(xcButton)) attach("TSkinBitButton", false, TSkinKindArgs{0, false, QStringLiteral("PngImage")});
  } else if (kind == QLatin1String("pngspeedbutton")) {
    if (Has(xcButton)) attach("TSkinSpeedButton", false, TSkinKindArgs{0, false, QStringLiteral("PngImage")});
  } else if (kind == QLatin1String("menubtn")) {
    if (Has(xcButton)) attach("TSkinMenuButton");
  } else if (kind == QLatin1String("speedbutton")) {
    if (Has(xcSpeedButton)) attach("TSkinSpeedButton");
  } else if (kind == QLatin1String("tab")) {
    if (Has(xcTab) && HasTabElement(skin)) attach("TSkinTab");
  } else if (kind == QLatin1String("progress")) {
    if (Has(xcProgress)) attach("TSkinProgress");
  } else if (kind == QLatin1String("scrollbar")) {
    if (Has(xcScrollbar)) {
      attach("TSkinScrollbar");
      SkinChildren(c);
    }
  } else if (kind == QLatin1String("singlescrollbar")) {
    if (Has(xcScrollbar)) {
      // A scroll bar of its own is a scroll-bar control.
      if (qobject_cast<QScrollBar*>(c))
        attach("TSkinScControl");
      else
        attach("TSkinScrollbar", false, TSkinKindArgs{0, true});
    }
  } else if (kind == QLatin1String("embedscrollbar")) {
    if (Has(xcScrollbar))
      for (QWidget* child : c->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (qobject_cast<QAbstractScrollArea*>(child)) Attach(QStringLiteral("TSkinScrollbar"), child, false);
  } else if (kind == QLatin1String("container")) {
    SkinChildren(c);
  } else if (kind == QLatin1String("groupbox")) {
    if (Has(xcGroupBox)) attach("TSkinGroupBox", true);
  } else if (kind == QLatin1String("advpagecontrol")) {
    if (Has(xcTab)) attach("TSkinAdvPage", true, TSkinKindArgs{4});
  } else if (kind == QLatin1String("radiogroup")) {
    if (Has(xcGroupBox)) {
      if (Has(xcRadioButton))
        for (QWidget* child : c->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
          if (n.contains(QLatin1String("TRZ")))
            Attach(QStringLiteral("TSkinObjImage"), child, true, TSkinKindArgs{2});
          else
            Attach(QStringLiteral("TSkinRadioButton"), child, false);
        }
      attach("TSkinGroupBox", true);
    }
  } else if (kind == QLatin1String("checkgroup")) {
    if (Has(xcPanel)) {
      if (Has(xcRadioButton))
        for (QWidget* child : c->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
          if (n.contains(QLatin1String("TRZ")))
            Attach(QStringLiteral("TSkinObjImage"), child, true, TSkinKindArgs{1});
          else
            Attach(QStringLiteral("TSkinCheckBox"), child, false);
        }
      if (Has(xcGroupBox)) attach("TSkinGroupBox", true);
    }
  } else if (kind == QLatin1String("checkbox")) {
    if (Has(xcCheckBox)) attach("TSkinCheckBox");
  }
  return true;
}

// ---- bare windows -------------------------------------------------------------------------------

void TControlChooser::SkinChildWindows(QWidget* window) {
  if (!window) return;
  for (QObject* o : window->children()) {
    auto* c = qobject_cast<QWidget*>(o);
    if (!c || c->isWindow() || TSkinRegistry::IsInnerPart(c)) continue;
    SkinWindowByClass(c);
    if (!Form()) return;
  }
}

void TControlChooser::SkinWindowByClass(QWidget* w) {
  if (!w || !Form() || Listed(w)) return;
  quint32 s = 0;
  const QString c = BareClassOf(w, &s);
  if (c == QLatin1String("button")) {
    if ((s & 0xB) == 0xB) return;
    if ((s & 7) == 7 || (s & 0x80) == 0x80) {
      // A group box holds its buttons on Qt: they are skinned all the same.
      if ((s & 7) == 7) SkinChildWindows(w);
      return;
    }
    if ((s & 3) == 3 || (s & 2) == 2 || (s & 5) == 5) {
      if (Has(xcCheckBox)) AttachWindow(QStringLiteral("TSkinCheckBox"), w);
      return;
    }
    if ((s & 9) == 9 || (s & 4) == 4) {
      if (Has(xcRadioButton)) AttachWindow(QStringLiteral("TSkinRadioButton"), w);
      return;
    }
    if (Has(xcButton)) AttachWindow(QStringLiteral("TSkinButton"), w);
    return;
  }
  if (c == QLatin1String("combobox")) {
    if (Has(xcCombo) && (s & 3) != 1) AttachWindow(QStringLiteral("TSkinComBox"), w);
    return;
  }
  if (c == QLatin1String("scrollbar")) {
    if (!(s & 0x10000)) AttachWindow(QStringLiteral("TSkinSizer"), w);
    return;
  }
  if (c == QLatin1String("systreeview32")) return;
  if (c == QLatin1String("#32770")) {
    if (!(s & 0x10000)) {
      SkinChildWindows(w);
      AttachWindow(QStringLiteral("TSkinBoxH"), w);
    }
    return;
  }
  if (c == QLatin1String("tpanel") || c == QLatin1String("ttntpanel.unicodeclass") ||
      c == QLatin1String("ttntsilentpaintpanel.unicodeclass")) {
    SkinChildWindows(w);
    // The panel takes the skin's face colour, and gives it back when the skin goes.
    Attach(QStringLiteral("TSkinBox"), w, true);
    return;
  }
  if (c == QLatin1String("tsilentpaintpanel")) {
    Attach(QStringLiteral("TSkinBox"), w, true);
    return;
  }
  if (c == QLatin1String("tcheckbox")) {
    if (Has(xcCheckBox)) AttachWindow(QStringLiteral("TSkinCheckBox"), w);
  } else if (c == QLatin1String("tcombobox")) {
    if (Has(xcCombo)) AttachWindow(QStringLiteral("TSkinComBox"), w);
  } else if (c == QLatin1String("tbutton")) {
    if (Has(xcButton)) AttachWindow(QStringLiteral("TSkinButton"), w);
  } else if (c == QLatin1String("tprogressbar")) {
    AttachWindow(QStringLiteral("TSkinProgress"), w);
  } else if (c == QLatin1String("systabcontrol32")) {
    if (Has(xcTab) && !(s & 0x2000)) AttachWindow(QStringLiteral("TSkinTab"), w);
  } else if (c == QLatin1String("toolbarwindow32")) {
    AttachWindow(QStringLiteral("TSkinBoxH"), w);
  } else if (c == QLatin1String("edit")) {
    if (Has(xcEdit)) AttachWindow(QStringLiteral("TSkinEdit"), w);
  }
}

// ---- tool bars ----------------------------------------------------------------------------------

bool TControlChooser::ToolBarCustomDraw(QWidget* bar, QPainter* painter, const QRect& rect) {
  TSXSkin* skin = Skin();
  if (!skin || !bar || !painter || skin->HasOption(xoToolbarBK)) return false;
  const auto data = skin->Data();
  if (!data || !data->Toolbar || !data->Toolbar->HasImage()) return false;
  painter->save();
  painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter->drawImage(rect, data->Toolbar->Bitmap);
  painter->restore();
  return true;
}

namespace {
// The frame of the tool-bar button element for a button's state, 0 for none.
int ToolButtonFrame(const QStyleOption* option) {
  const QStyle::State st = option->state;
  if (st & (QStyle::State_Sunken | QStyle::State_On)) return 2;
  if (st & (QStyle::State_HasFocus | QStyle::State_MouseOver)) return st & QStyle::State_Enabled ? 4 : 0;
  return 0;
}
}  // namespace

bool TControlChooser::ToolButtonCustomDraw(const QStyleOption* option, QPainter* painter, const QWidget* button) {
  TSXSkin* skin = Skin();
  if (!skin || !option || !painter || !Form() || Form()->LifeState() != TWinSkinForm::lsAttached ||
      skin->HasOption(xoToolbarButton))
    return false;
  const auto data = skin->Data();
  if (!data || !data->ToolBars || !data->ToolBars->HasImage()) return false;
  const int frame = ToolButtonFrame(option);
  if (frame == 0) return false;
  const TDataSkinObject& e = *data->ToolBars;
  const QRect r = option->rect.adjusted(1, 1, -1, -1);
  DrawSkinImage(*painter, r, e.Bitmap, false, e.Tile == 1, e.Trans == 1, 5, frame, e.Margins());
  Q_UNUSED(button);
  return true;
}

TControlChooser* TControlChooser::ChooserOf(const QWidget* widget) {
  if (!widget || !SkinManager || !SkinManager->On()) return nullptr;
  auto* f = dynamic_cast<TFormSkinner*>(SkinManager->FindSkinForm(widget->window()));
  return f && f->Activated() ? f->Chooser() : nullptr;
}

bool TControlChooser::CustomDraw(QStyle::PrimitiveElement pe, const QStyleOption* option, QPainter* painter,
                                 const QWidget* widget) {
  if (!widget) return false;
  if (pe == QStyle::PE_PanelToolBar && widget->property(kOnCustomDraw).toString() == kToolBarDraw) {
    if (TControlChooser* c = ChooserOf(widget))
      return c->ToolBarCustomDraw(const_cast<QWidget*>(widget), painter, option->rect);
  }
  if (pe == QStyle::PE_PanelButtonTool && widget->parentWidget() &&
      widget->parentWidget()->property(kOnCustomDrawButton).toString() == kToolButtonDraw) {
    if (TControlChooser* c = ChooserOf(widget)) return c->ToolButtonCustomDraw(option, painter, widget);
  }
  return false;
}

bool TControlChooser::CustomDrawLabel(const QStyle* base, const QStyleOption* option, QPainter* painter,
                                      const QWidget* widget) {
  if (!widget || !widget->parentWidget() ||
      widget->parentWidget()->property(kOnCustomDrawButton).toString() != kToolButtonDraw)
    return false;
  TControlChooser* c = ChooserOf(widget);
  TSXSkin* skin = c ? c->Skin() : nullptr;
  const auto data = skin ? skin->Data() : nullptr;
  if (!data || !data->ToolBars || !data->ToolBars->HasImage() || skin->HasOption(xoToolbarButton)) return false;
  const int frame = ToolButtonFrame(option);
  if (frame == 0) return false;
  const int colour = frame == 2 ? data->ToolBars->PressedColour
                     : frame == 4 ? data->ToolBars->MouseOverColour
                                  : data->ToolBars->NormalColour;
  if (colour == -1) return false;
  auto* tb = qstyleoption_cast<const QStyleOptionToolButton*>(option);
  if (!tb) return false;
  QStyleOptionToolButton copy(*tb);
  copy.palette.setColor(QPalette::ButtonText, ToQColor(colour));
  copy.palette.setColor(QPalette::WindowText, ToQColor(colour));
  base->drawControl(QStyle::CE_ToolButtonLabel, &copy, painter, widget);
  return true;
}

// ---- late widgets -------------------------------------------------------------------------------

void TControlChooser::SkinLateWidget(QWidget* w) {
  static bool busy = false;
  if (busy || !w || w->isWindow() || TSkinRegistry::Find(w) || TSkinRegistry::IsInnerPart(w)) return;
  TControlChooser* c = ChooserOf(w);
  if (!c || !c->Form()) return;
  busy = true;
  if (c->Form()->Object())
    c->SkinControl(w, w->parentWidget());
  else
    c->SkinWindowByClass(w);
  busy = false;
}

}  // namespace orvane::skin
