// The skin manager (see WinSkinStore.h).
#include "skin/WinSkinStore.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QLoggingCategory>
#include <QMdiSubWindow>
#include <QMenu>

#include "platform/forms/form.h"
#include "platform/wm/wm.h"
#include "skin/FormSkinner.h"
#include "skin/SkinStyle.h"
#include "skin/WinSkinMenu.h"
#include "skin/WinSkinPopMenu.h"

namespace orvane::skin {

Q_LOGGING_CATEGORY(lcSkinManager, "orvane.skin.manager")

TSkinManage* SkinManager = nullptr;

namespace {

FormSkinnerFactory& formFactory() {
  static FormSkinnerFactory f = [](QWidget* w, QObject* o, const QString& c) -> TWinSkinForm* {
    return new TFormSkinner(w, o, c);
  };
  return f;
}
PopupSkinnerFactory& popupFactory() {
  static PopupSkinnerFactory f;
  return f;
}
// Once the manager is gone the hook passes everything on.
bool hookInert = false;

quint32 Style(QWidget* w) { return wm::GetWindowLong(w, wm::GWL_STYLE); }
quint32 ExStyle(QWidget* w) { return wm::GetWindowLong(w, wm::GWL_EXSTYLE); }

// The window a form lives in: the MDI child that hosts it, else the form itself.
QWidget* FormWindow(Form* f) {
  auto* sub = qobject_cast<QMdiSubWindow*>(f->parentWidget());
  if (sub && sub->widget() == f) return sub;
  return f;
}

// The form of the screen's form list whose window is w, else null (a foreign window).
QObject* FormOfWindow(QWidget* w) {
  for (Form* f : orvane::ScreenForms())
    if (FormWindow(f) == w) return f;
  return nullptr;
}

// The windows of the program's forms, as the screen lists them.
QList<QWidget*> ScreenForms() {
  QList<QWidget*> list;
  for (Form* f : orvane::ScreenForms()) list << FormWindow(f);
  return list;
}

}  // namespace

void SetFormSkinnerFactory(FormSkinnerFactory factory) { formFactory() = std::move(factory); }
void SetPopupSkinnerFactory(PopupSkinnerFactory factory) { popupFactory() = std::move(factory); }

void CreateSkinManager() {
  if (SkinManager) return;
  hookInert = false;
  InstallPopupMenuSkinner();
  // The owner-drawn items of the skinned menus name their painters and measurers.
  RegisterMenuPainters();
  SkinManager = new TSkinManage;
  qAddPostRoutine(FreeSkinManager);
}

void FreeSkinManager() {
  delete SkinManager;
  SkinManager = nullptr;
}

TSkinManage::TSkinManage() {
  timer_.setInterval(100);
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &TSkinManage::TimerAction);
}

TSkinManage::~TSkinManage() {
  state_ = Destroying;
  on_ = false;
  timer_.stop();
  for (const QPointer<TWinSkinForm>& f : std::exchange(forms_, {})) {
    if (!f) continue;
    f->Detach();
    delete f.data();
  }
  for (const QPointer<TWinSkinPopMenu>& p : std::exchange(popups_, {})) {
    if (!p) continue;
    p->RestoreWindow();
    delete p.data();
  }
  if (hookInstalled_) wm::SetHookProc({});
  hookInert = true;
  RemoveSkinStyle();
}

void TSkinManage::InstallHook() {
  if (hookInstalled_) return;
  hookInstalled_ = true;
  wm::SetHookProc([this](wm::Hook hook, QWidget* w) {
    if (!hookInert) HookProc(static_cast<int>(hook), w);
  });
}

void TSkinManage::HookProc(int hook, QWidget* w) {
  switch (static_cast<wm::Hook>(hook)) {
    case wm::Hook::Create:
      if (!(Style(w) & wm::WS_CHILD) && wm::GetClassName(w) == QLatin1String("#32768")) AddPopupMenu(w);
      if (ExStyle(w) & wm::WS_EX_MDICHILD) AddWindow(w);
      return;
    case wm::Hook::Destroy:
      RemovePopupMenu(w);
      return;
    case wm::Hook::Activate:
      if (state_ == NotStarted) state_ = Started;
      AddWindow(w);
      return;
  }
}

void TSkinManage::RegisterSkin(TSXSkin* skin) {
  if (!skin || skins_.contains(skin)) return;
  skins_ << skin;
  if (!mainSkin_ && skin->SkinFormtype == sfMainform) mainSkin_ = skin;
}

void TSkinManage::UnregisterSkin(TSXSkin* skin) {
  skins_.removeAll(skin);
  if (mainSkin_ == skin) mainSkin_ = nullptr;
  if (currentSkin_ == skin) currentSkin_ = nullptr;
  if (followSkin_ == skin) followAction_ = 0;
}

QList<TWinSkinForm*> TSkinManage::Forms() const {
  QList<TWinSkinForm*> list;
  for (const QPointer<TWinSkinForm>& f : forms_)
    if (f) list << f.data();
  return list;
}

void TSkinManage::Free(TWinSkinForm* f) {
  forms_.removeAll(f);
  delete f;
}

void TSkinManage::Purge() {
  forms_.removeAll(nullptr);  // freed by their windows
  PurgeDestroyed();
}

void TSkinManage::PurgeDestroyed() {
  for (TWinSkinForm* f : Forms())
    if (f->LifeState() == TWinSkinForm::lsDestroyed || !f->Handle()) Free(f);
}

void SettleLayouts(const QList<QPointer<QWidget>>& windows) {
  QList<QPointer<QAbstractScrollArea>> areas;
  for (const QPointer<QWidget>& w : windows)
    if (w)
      for (QAbstractScrollArea* area : w->findChildren<QAbstractScrollArea*>()) areas << area;
  // A layout laid out asks its parent's, and a scroll area's queued work lays it out again:
  // what one pass posts, the next handles (a pass leaves what is posted during it).
  for (int pass = 0; pass < 4; ++pass) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    for (const QPointer<QAbstractScrollArea>& area : areas)
      if (area) QCoreApplication::sendPostedEvents(area, QEvent::MetaCall);
  }
}

void TSkinManage::UnskinAndFree(TWinSkinForm* f) {
  QPointer<TWinSkinForm> guard(f);
  f->Unskin();
  if (guard) guard->RefreshWindow();
  if (guard) Free(guard);
  forms_.removeAll(nullptr);
}

bool TSkinManage::AddWindow(QWidget* w) {
  if (!on_ || !w) return false;
  Purge();
  if (wm::SendMessage(w, WM_SKINQUERY) == 1 || FindSkinForm(w)) return false;
  QObject* object = FormOfWindow(w);
  const quint32 exStyle = ExStyle(w);
  const bool mdiChild = exStyle & wm::WS_EX_MDICHILD;
  if (!activating_ && (Style(w) & wm::WS_CHILD) && !mdiChild &&
      wm::GetClassName(w->parentWidget()).toLower() != QLatin1String("mdiclient"))
    return false;
  const QString c = wm::GetClassName(w);
  if (!object && c != QLatin1String("#32770")) return false;  // a foreign window
  if (!mdiChild && wm::GetWindowRect(w).isEmpty()) return false;
  if (object && object->property("Tag").toInt() == 99) return false;
  if (c.contains(QLatin1String("TcxPopupEditPopupWindow")) || c.contains(QLatin1String("TTERenderWindow")) ||
      c == QLatin1String("TApplication"))
    return false;
  if (!CanSkinWindow(w, c)) return false;
  TSXSkin* skin = FindSkinFor(w);
  if (!skin || skin->SkinLoading()) return false;
  if (!formFactory()) {
    qCDebug(lcSkinManager) << "no form skinner available for" << c;
    return false;
  }
  // A window skinned while the manager starts (its first activation, before any queued
  // switch has run) needs the skin style as much as one skinned by the switch.
  InstallSkinStyle();
  TWinSkinForm* f = formFactory()(w, object, c);
  if (!f) return false;
  forms_ << f;
  if (object)
    f->InitForm(skin, object);
  else
    f->InitWindow(skin);
  wm::PostMessage(w, WM_SKINACTIVATE, 0, 1000);
  return true;
}

void TSkinManage::RemoveForm(QWidget* w) {
  for (TWinSkinForm* f : Forms()) {
    if (f->Handle() != w) continue;
    if (state_ == Destroying)
      Free(f);
    else
      forms_.removeAll(f);
  }
}

TWinSkinForm* TSkinManage::FindSkinForm(QWidget* w) const {
  for (const QPointer<TWinSkinForm>& f : forms_)
    if (f && f->Handle() == w) return f.data();
  return nullptr;
}

TSXSkin* TSkinManage::FindSkinFor(QWidget* w) const {
  auto last = [this](auto pred) -> TSXSkin* {
    for (auto it = skins_.crbegin(); it != skins_.crend(); ++it)
      if (pred(*it)) return *it;
    return nullptr;
  };
  if (TSXSkin* s = last([w](TSXSkin* s) { return s->SkinFormtype == sfOnlyThisForm && w && s->OwnerWindow() == w; }))
    return s;
  const QString c = wm::GetClassName(w).toLower();
  if (c == QLatin1String("tmessageform") || c == QLatin1String("#32770"))
    if (TSXSkin* s = last([](TSXSkin* s) { return s->SkinFormtype == sfDialog; })) return s;
  if (TSXSkin* s = last([](TSXSkin* s) { return s->SkinFormtype == sfMainform; })) return s;
  return skins_.isEmpty() ? nullptr : skins_.first();
}

bool TSkinManage::CanSkinWindow(QWidget* w, const QString& className) const {
  bool result = true;
  if (!mainSkin_) return result;
  const QString lower = className.toLower();
  if (lower.contains(QLatin1String("preview")) && !mainSkin_->HasOption(xoPreview)) result = false;
  if (className == QLatin1String("#32770") && (Style(w) & 0x200)) result = false;
  if (lower == QLatin1String("tpopupdbtreeview")) result = false;
  mainSkin_->CanSkinForm(w, className, result);
  return result;
}

void TSkinManage::AddPopupMenu(QWidget* w) {
  if (!on_ || !w || wm::SendMessage(w, WM_SKINQUERY) == 1) return;
  for (const QPointer<TWinSkinPopMenu>& p : popups_)
    if (p && p->Handle() == w) return;
  TSXSkin* skin = FindSkinFor(w);
  if (!skin || skin->SkinLoading()) return;
  const bool wanted = menuKind_ == mkPopup     ? skin->HasControl(xcPopupMenu)
                      : menuKind_ == mkMenuBar ? skin->HasControl(xcMainMenu) || skin->HasControl(xcMenuItem)
                      : menuKind_ == mkSystem  ? skin->HasControl(xcSystemMenu)
                                               : true;
  if (!wanted || !popupFactory()) return;
  TWinSkinPopMenu* p = popupFactory()(w);
  if (!p) return;
  p->SubclassWindow(skin);
  popups_ << p;
  if (ownerDrawn_) p->OwnerDrawn = true;
}

void TSkinManage::RemovePopupMenu(QWidget* w) {
  popups_.removeAll(nullptr);
  for (const QPointer<TWinSkinPopMenu>& p : QList(popups_)) {
    if (p->Handle() != w && p->Handle()) continue;  // a skinner whose menu is gone goes too
    p->RestoreWindow();
    popups_.removeAll(p);
    delete p.data();
  }
  if (popups_.isEmpty()) {
    menuKind_ = mkPopup;
    ownerDrawn_ = false;
  }
}

void TSkinManage::MarkMenusOwnerDrawn() {
  for (const QPointer<TWinSkinPopMenu>& p : popups_)
    if (p) p->OwnerDrawn = true;
}

void TSkinManage::SetLastMenuHandle(QObject* menu) {
  for (auto it = popups_.rbegin(); it != popups_.rend(); ++it)
    if (*it && !(*it)->MenuHandle) {
      (*it)->MenuHandle = menu;
      return;
    }
}

const QImage* TSkinManage::GetMenuBitmapByHandle(QObject* menu) const {
  for (const QPointer<TWinSkinPopMenu>& p : popups_)
    if (p && menu && p->MenuHandle == menu) return p->FrameBitmap();
  return nullptr;
}

void TSkinManage::SetMDIMaximized(bool maximized) {
  if (maximized == mdiMaximized_) return;
  mdiMaximized_ = maximized;
  if (mainSkin_ && mainSkin_->HasOption(xoMDIChildBorder)) return;
  for (TWinSkinForm* f : Forms()) {
    if (f->WindowKind() != TWinSkinForm::wkMDIChild) continue;
    if (maximized) {
      if (f->HasRegion()) f->ClearRegion();
    } else if (f->RegionMode() != 2) {
      f->SetRegionMode(0);
      f->UpdateRegion();
      if (!f->HasRegion()) f->FrameChanged();
    }
  }
}

void TSkinManage::PostAction(int action, int intervalMs, QWidget* window) {
  ++posted_;
  const bool switchPending =
      timer_.isActive() && (queuedAction_ == ActionActivate || queuedAction_ == ActionDeactivate);
  if (switchPending && (action == ActionRefresh || action == ActionPurge || action == ActionRebuild)) {
    followAction_ = action;
    followInterval_ = intervalMs;
    followWindow_ = window;
    followSkin_ = currentSkin_;
    currentSkin_ = switchSkin_;
    return;
  }
  queuedAction_ = action;
  queuedWindow_ = window;
  if (action == ActionActivate || action == ActionDeactivate) switchSkin_ = currentSkin_;
  timer_.setInterval(intervalMs);
  if (state_ != NotStarted) {
    timer_.start();
  } else if (action == ActionActivate) {
    // Windows are skinned as they become active; the style that draws their menus and
    // controls must be in place before the first of them.
    on_ = true;
    InstallSkinStyle();
  } else if (action == ActionDeactivate) {
    on_ = false;
    RemoveSkinStyle();
  }
}

void TSkinManage::RefreshSkinData() {
  for (TWinSkinForm* f : Forms())
    if (f->Skin() == currentSkin_) f->FreeSysButtons();
}

void TSkinManage::AddFormsOf(TSXSkin* s) {
  activating_ = true;
  const QList<QWidget*> forms = ScreenForms();
  for (auto it = forms.crbegin(); it != forms.crend(); ++it) {
    QWidget* w = *it;
    if (s->SkinFormtype == sfOnlyThisForm ? w == s->OwnerWindow() : w->isVisible() && !(Style(w) & wm::WS_CHILD))
      AddWindow(w);
  }
  activating_ = false;
}

void TSkinManage::TimerAction() {
  timer_.stop();
  TSXSkin* s = currentSkin_;
  const int action = queuedAction_;
  const quint64 postedBefore = posted_;
  if (s) {
    const bool onlyThis = s->SkinFormtype == sfOnlyThisForm;
    auto ofSkin = [this, s] {
      QList<TWinSkinForm*> list;
      for (TWinSkinForm* f : Forms())
        if (f->Skin() == s) list << f;
      return list;
    };
    switch (action) {
      case ActionActivate:
        on_ = true;
        InstallSkinStyle();
        Purge();
        AddFormsOf(s);
        break;
      case ActionDeactivate:
        on_ = false;
        RemoveSkinStyle();
        Purge();
        if (onlyThis) {
          if (const QList<TWinSkinForm*> mine = ofSkin(); !mine.isEmpty()) UnskinAndFree(mine.last());
        } else {
          QList<QPointer<QWidget>> unskinned;
          for (TWinSkinForm* f : Forms()) unskinned << f->Handle();
          while (!Forms().isEmpty()) UnskinAndFree(Forms().first());
          SettleLayouts(unskinned);
        }
        break;
      case ActionRefresh: {
        Purge();
        QList<TWinSkinForm*> mine = ofSkin();
        if (onlyThis && mine.size() > 1) mine = mine.mid(0, 1);
        for (const QPointer<TWinSkinForm>& f : QList<QPointer<TWinSkinForm>>(mine.cbegin(), mine.cend()))
          if (f) f->FreeSysButtons(), f->ApplySkinMetrics();
        for (const QPointer<TWinSkinForm>& f : QList<QPointer<TWinSkinForm>>(mine.cbegin(), mine.cend()))
          if (f) f->ApplySkinColors();
        break;
      }
      case ActionPurge:
        PurgeDestroyed();
        break;
      case ActionRebuild:
        if (onlyThis) break;
        if (TWinSkinForm* f = queuedWindow_ ? FindSkinForm(queuedWindow_) : nullptr) {
          QPointer<TWinSkinForm> guard(f);
          f->Unskin();
          if (guard) guard->SetLifeState(TWinSkinForm::lsDestroyed);
          Purge();
          AddWindow(queuedWindow_);
        }
        break;
      default:
        break;
    }
    if (action != ActionRebuild || onlyThis) {
      s->DoSkinChanged();
      // A request made while this one ran keeps its skin.
      if (posted_ == postedBefore) currentSkin_ = nullptr;
    }
  }
  if (followAction_ && !timer_.isActive() && posted_ == postedBefore) {
    const int follow = std::exchange(followAction_, 0);
    currentSkin_ = followSkin_;
    PostAction(follow, followInterval_, followWindow_);
  }
}

}  // namespace orvane::skin
