// The form skinner's life: attaching to a window, the deferred activation, the size kept
// under the skin frame, colours and menus, and the three ways of taking the skin off.
#include "skin/FormSkinner.h"

#include <QApplication>
#include <QFontDatabase>
#include <QScreen>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QTableView>
#include <QToolBar>

#include "skin/WinSkinMenu.h"
#include "skin/WinSkinStore.h"
#include "skin/skindata.h"

namespace orvane::skin {

namespace {

// Names the menu painter looks for in a menu's or an item's properties.
const char* const kOwnerDraw = "OwnerDraw";
const char* const kOnDrawItem = "OnDrawItem";
const char* const kOnMeasureItem = "OnMeasureItem";
const QString kItemPainter = QStringLiteral("skinMenuItem");
const QString kMainMeasurer = QStringLiteral("skinMainMeasure");
const QString kPopupMeasurer = QStringLiteral("skinPopupMeasure");

bool IsFormWidget(const QObject* o) { return o && o->inherits("orvane::Form"); }


// An item's event is ours to set or clear unless the program gave it one of its own.
bool OwnEvent(const QAction* a, const char* name) {
  const QVariant v = a->property(name);
  return v.isValid() && v.toString() != kItemPainter && v.toString() != kMainMeasurer &&
         v.toString() != kPopupMeasurer;
}

void SetItemEvents(QAction* a, bool on, const QString& measurer) {
  if (!OwnEvent(a, kOnDrawItem)) a->setProperty(kOnDrawItem, on ? QVariant(kItemPainter) : QVariant());
  if (!OwnEvent(a, kOnMeasureItem)) a->setProperty(kOnMeasureItem, on ? QVariant(measurer) : QVariant());
}

// Every item of the menu and of its submenus from `depth` on; a menu met again is not walked
// twice (a menu may hold itself).
void WalkItems(QMenu* menu, int depth, int fromDepth, bool on, const QString& measurer, QSet<QMenu*>& seen) {
  if (!menu || seen.contains(menu)) return;
  seen.insert(menu);
  for (QAction* a : menu->actions()) {
    if (a->isSeparator()) continue;
    if (depth >= fromDepth) SetItemEvents(a, on, measurer);
    WalkItems(a->menu(), depth + 1, fromDepth, on, measurer, seen);
  }
}

}  // namespace

int& TFormSkinner::HintCounter() {
  static int counter = 0;
  return counter;
}

TFormSkinner::TFormSkinner(QWidget* hwnd, QObject* object, const QString& className)
    : TWinSkinForm(hwnd, object, className) {
  setParent(hwnd);  // dies with its window
  dblClickTime_ = wm::GetDoubleClickTime();
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    // Asked of the font configuration once: a switch makes a skinner for every open window.
    static const QFont title = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    captionFont_ = title;
  }
  hoverTimer_.setInterval(250);
  QObject::connect(&hoverTimer_, &QTimer::timeout, this, [this] { HoverTimer(); });
}

TFormSkinner::~TFormSkinner() {
  hoverTimer_.stop();
  FreeControls();
  FreeMenuBar(false);  // its items are title-bar objects of this skinner
  FreeSystemMenu();
  FreeSysButtons();
  if (SkinManager && SkinManager->State() != TSkinManage::Destroying && hwnd_) SkinManager->RemoveForm(hwnd_);
}

void TFormSkinner::InitForm(TSXSkin* skin, QObject* form) {
  object_ = form;
  auto* w = qobject_cast<QWidget*>(form);
  if (skin->OnBeforeSkinForm) skin->OnBeforeSkinForm(skin, hwnd_, className_);
  if (!hwnd_) return;
  if (skin->HasControl(xcMenuItem)) form->setProperty("AutoScroll", false);
  HookWindow(skin);
  if (frameSkinned_ && hwnd_) formLink_ = wm::SubclassBottom(hwnd_, [this](wm::Message& m) { FormWndProc(m); });
  if (w) {
    hadOwnPalette_ = w->testAttribute(Qt::WA_SetPalette);
    savedColor_ = w->palette().color(QPalette::Window);
    if (auto data = skin->Data()) {
      QPalette pal = w->palette();
      pal.setColor(QPalette::Window, ToQColor(data->Colour(scButtonFace)));
      w->setPalette(pal);
    }
    if (skin->HasControl(xcMenuItem)) SetMainMenusOwnerDraw(w, true);
  }
}

void TFormSkinner::InitWindow(TSXSkin* skin) { HookWindow(skin); }

void TFormSkinner::HookWindow(TSXSkin* skin) {
  if (Subclassed() || !hwnd_) return;
  if (SkinManager) SkinManager->SetState(TSkinManage::Started);
  skin_ = skin;
  hoverTimer_.stop();
  frameSkinned_ = skin->HasControl(xcMainMenu);
  QWidget* w = hwnd_;
  style_ = wm::GetWindowLong(w, wm::GWL_STYLE);
  const quint32 ex = wm::GetWindowLong(w, wm::GWL_EXSTYLE);
  rightToLeft_ = ex & wm::WS_EX_LEFTSCROLLBAR;
  child_ = style_ & wm::WS_CHILD;
  owner_ = w->parentWidget() ? w->parentWidget()->window() : nullptr;
  buttonBits_ = 0;
  if (style_ & wm::WS_SYSMENU) buttonBits_ |= bbSystemMenu;
  if (style_ & wm::WS_MINIMIZEBOX) buttonBits_ |= bbMinimize;
  if (style_ & wm::WS_MAXIMIZEBOX) buttonBits_ |= bbMaximize;
  if (ex & wm::WS_EX_CONTEXTHELP) buttonBits_ |= bbHelp;
  const quint32 show = wm::GetWindowPlacement(w).showCmd;
  showState_ = show == wm::SW_SHOWMAXIMIZED                                                     ? ssMaximized
               : show == wm::SW_SHOWMINIMIZED || show == wm::SW_MINIMIZE || show == wm::SW_SHOWMINNOACTIVE ? ssMinimized
                                                                                                 : ssNormal;
  sizeable_ = style_ & wm::WS_THICKFRAME;
  windowKind_ = wkPlain;
  if (QWidget* client = FindMDIClient()) {
    windowKind_ = wkMDIFrame;
    mdiClient_ = client;
    if (SkinManager) SkinManager->SetMDIClient(client, object_);
  }
  if (ex & wm::WS_EX_MDICHILD) {
    windowKind_ = wkMDIChild;
    if (skin->HasOption(xoMDIChildBorder)) frameSkinned_ = false;
  }
  frameKind_ = fkSingle;
  if ((style_ & wm::WS_CAPTION) != wm::WS_CAPTION)
    frameKind_ = fkNone;
  else if (style_ & wm::WS_THICKFRAME)
    frameKind_ = fkSizeable;
  else if (style_ & wm::DS_MODALFRAME)
    frameKind_ = fkDialog;
  if (ex & wm::WS_EX_DLGMODALFRAME) frameKind_ = fkDialog;
  dialog_ = className_ == QLatin1String("#32770") || className_ == QLatin1String("TMessageForm");
  if (dialog_) frameKind_ = fkDialog;
  if (windowKind_ == wkMDIFrame) HookMDIClient();
  link_ = wm::Subclass(w, [this](wm::Message& m) { WndProc(m); });
  if (frameSkinned_) {
    CreateMenuBar();
    ApplySkinMetrics();
  } else {
    lifeState_ = lsAttached;
  }
  if (windowKind_ == wkMDIChild) {
    const int sum = wm::GetSystemMetrics(wm::SM_CYCAPTION) + wm::GetSystemMetrics(wm::SM_CYFRAME);
    if (sum > borders_.top()) menuBarHeight_ = sum - borders_.top();
    if (showState_ == ssMaximized && SkinManager) SkinManager->SetMDIMaximized(true);
  }
}

void TFormSkinner::ApplySkinMetrics() {
  if (!skin_ || skin_->SkinLoading()) return;
  data_ = skin_->Data();
  if (!data_) return;
  if (frameKind_ == fkNone) {
    borders_ = QMargins();
    menuBarHeight_ = 0;
  } else {
    const auto& d = *data_;
    auto cell = [](const TDataSkinBorder& b, bool width) {
      return (width ? b.Bitmap.width() : b.Bitmap.height()) / b.FrameCount();
    };
    borders_ = QMargins(cell(d.Border(bsLeft), true), cell(d.Border(bsTop), false), cell(d.Border(bsRight), true),
                        cell(d.Border(bsBottom), false));
  }
  FreeSysButtons();
  for (const auto& record : data_->SysButtons) {
    auto* b = new TWinSysButton(this, record.get());
    if (record->Action == 3 || record->Action == 11) {
      BuildIconBitmap();
      if (!record->HasImage()) b->Image = iconBitmap_.isNull() ? skin_->IconBitmap() : iconBitmap_;
      b->Frames = 1;
    }
    sysButtons_.push_back(b);
  }
  if (menuBar_) menuBar_->LayoutItems();
}

void TFormSkinner::FreeSysButtons() {
  // The hover timer must not find a freed button.
  hot_ = nullptr;
  for (TWinSysButton* b : std::exchange(sysButtons_, {})) delete b;
}

void TFormSkinner::AdjustSize(bool keepClient) {
  QWidget* w = hwnd_;
  // The skin frame takes the place of a native frame only when the window draws its own.
  if (!w || !wm::HasOwnNonClient(w)) return;
  if (showState_ == ssMaximized) {
    FrameChanged();
    return;
  }
  const QRect client = wm::GetClientRect(w);
  const int lr = borders_.left() + borders_.right(), tb = borders_.top() + borders_.bottom();
  int width = wm::GetWindowRect(w).width();
  int clientBottom = wm::GetWindowRect(w).height();
  if (dialog_ || lifeState_ == lsReapplying) width = client.width() + lr;
  if (keepClient) {
    clientBottom = client.height();
  } else if (IsFormWidget(object_)) {
    width = client.width() + lr;
    clientBottom = client.height() - menuBarHeight_ + (windowKind_ == wkMDIChild ? menuBarHeight_ : 0);
  }
  const int height = clientBottom + tb + menuBarHeight_;
  if (dialog_ && !keepClient && data_) {
    const int text = QFontMetrics(captionFont_).horizontalAdvance(wm::GetWindowText(w));
    int needed = data_->Title->TextShift() + text + data_->Title->TextRightClip();
    // Never wider than the screen: a longer caption is cut short with an ellipsis instead.
    if (const QScreen* screen = w->screen()) needed = std::min(needed, screen->availableGeometry().width());
    if (width < needed) {
      const int shift = (needed - width) / 2;
      for (QWidget* c : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!c->isWindow()) c->move(c->x() + shift, c->y());
      width = needed;
    }
  }
  wm::SetWindowPos(w, 0, 0, 0, width, height, 0x36);
}

void TFormSkinner::FrameChanged() {
  if (hwnd_) wm::SetWindowPos(hwnd_, 0, 0, 0, 0, 0, 0x37);
}

void TFormSkinner::RefreshWindow() {
  if (!hwnd_) return;
  wm::InvalidateRect(hwnd_, nullptr, true);
  hwnd_->update();
}

void TFormSkinner::Activate() {
  QWidget* w = hwnd_;
  activated_ = true;
  systemMenu_ = wm::GetSystemMenu(w, false);
  BuildIconBitmap();
  const QRect outer = wm::GetWindowRect(w), client = wm::GetClientRect(w);
  stdNonClient_ = QSize(outer.width() - client.width(), outer.height() - client.height());
  if (object_)
    SkinFormControls();
  else
    SkinChildWindows();
  if (!hwnd_) return;
  // An MDI child draws its own frame inside its client as a window does on the screen.
  if (lifeState_ == lsCreated && frameSkinned_ && (!child_ || windowKind_ == wkMDIChild)) {
    // From here the window draws its own frame: the skin's metrics already answer.
    lifeState_ = lsResizing;
    wm::SetOwnNonClient(w, true);
    lifeState_ = lsCreated;
  }
  if (lifeState_ == lsCreated) {
    if (windowKind_ == wkMDIChild) {
      if (showState_ == ssMaximized) {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(w); sub && sub->mdiArea())
          wm::PostMessage(sub->mdiArea(), WM_SKINMDIMAXIMIZE, reinterpret_cast<quintptr>(w));
      } else if (showState_ == ssNormal) {
        lifeState_ = lsResizing;
        AdjustSize(false);
        lifeState_ = lsAttached;
        UpdateRegion();
      }
    } else if (!child_ && frameKind_ != fkNone && showState_ != ssMinimized) {
      lifeState_ = lsResizing;
      AdjustSize(false);
      lifeState_ = lsAttached;
      // A maximised window gets its region too: the skin's corners are see-through there as well.
      if (showState_ == ssMaximized) FrameChanged();
      UpdateRegion();
    }
  }
  AfterSkin();
  if (!hwnd_) return;
  lifeState_ = lsAttached;
  hoverTimer_.start();
  SettleLayouts({hwnd_});
}


void TFormSkinner::AfterSkin() {
  if (!hwnd_) return;
  wm::SendMessage(hwnd_, WM_SKINNOTIFY, 0, SkinNotifyKey);
  if (skin_ && skin_->OnAfterSkinForm) skin_->OnAfterSkinForm(skin_, hwnd_, className_);
}

void TFormSkinner::ApplySkinColors() {
  auto* form = qobject_cast<QWidget*>(object_.data());
  auto data = skin_ ? skin_->Data() : nullptr;
  if (form && data) {
    const QColor face = ToQColor(data->Colour(scButtonFace));
    auto paint = [&face](QWidget* x, QPalette::ColorRole role) {
      QPalette pal = x->palette();
      pal.setColor(role, face);
      x->setPalette(pal);
    };
    paint(form, QPalette::Window);
    for (QWidget* x : form->findChildren<QWidget*>())
      if (IsFormWidget(x)) paint(x, QPalette::Window);
    // A grid's fixed cells are its headers.
    for (QTableView* grid : form->findChildren<QTableView*>()) {
      grid->setProperty("FixedColor", face);
      paint(grid->horizontalHeader(), QPalette::Button);
      paint(grid->verticalHeader(), QPalette::Button);
    }
  }
  for (TSkinControl* c : SkinControlList()) c->UpdateSkin();
  lifeState_ = lsReapplying;
  if (frameSkinned_ && form) {
    SetPopupMenusOwnerDraw(form, true);
    AdjustSize(true);
    FrameChanged();
    UpdateRegion();
  }
  AfterSkin();
  lifeState_ = lsAttached;
}

bool TFormSkinner::AddSkinControl(TSkinControl* control) {
  controls_.removeAll(nullptr);
  if (controls_.contains(control)) return true;
  controls_ << control;
  return false;
}

void TFormSkinner::RemoveSkinControl(TSkinControl* control) { controls_.removeAll(control); }

QList<TSkinControl*> TFormSkinner::SkinControlList() const {
  QList<TSkinControl*> list;
  for (const auto& c : controls_)
    if (c) list << c.data();
  return list;
}

void TFormSkinner::FreeControls(bool onlyDestroyed) {
  controls_.removeAll(nullptr);
  for (const QPointer<TSkinControl>& c : QList(controls_)) {
    if (!c) continue;
    if (onlyDestroyed && c->State() != TSkinControl::csDestroyed) continue;
    if (!onlyDestroyed) {
      if (auto* bar = qobject_cast<QToolBar*>(c->Handle())) {
        bar->setProperty("OnCustomDraw", QVariant());
        bar->setProperty("OnCustomDrawButton", QVariant());
      }
      if (lifeState_ != lsDestroying && c->State() != TSkinControl::csDestroyed) c->DoneControl();
    }
    controls_.removeAll(c);
    delete c.data();
  }
  if (!onlyDestroyed) controls_.clear();
}

void TFormSkinner::SetMainMenusOwnerDraw(QWidget* form, bool on) {
  for (QMenuBar* bar : form->findChildren<QMenuBar*>()) {
    bar->setProperty(kOwnerDraw, on);
    QSet<QMenu*> seen;
    for (QAction* top : bar->actions()) WalkItems(top->menu(), 2, 2, on, kMainMeasurer, seen);
  }
}

void TFormSkinner::SetPopupMenusOwnerDraw(QObject* form, bool on) const {
  if (!form || !skin_) return;
  if (!skin_->HasControl(xcPopupMenu)) return;
  QMenu* systemMenu = hwnd_ ? wm::GetSystemMenu(hwnd_) : nullptr;
  // Every menu below the form, those of forms placed inside it included.
  for (QMenu* menu : form->findChildren<QMenu*>()) {
    // Submenus are walked from their popup menu; the system menu is the window's own.
    if (menu == systemMenu || !menu->menuAction()->associatedObjects().isEmpty()) continue;
    if (menu->property("Tag").toInt() == skin_->DisableTag) continue;
    menu->setProperty(kOwnerDraw, on);
    QSet<QMenu*> seen;
    WalkItems(menu, 1, 1, on, kPopupMeasurer, seen);
  }
}

void TFormSkinner::GiveSystemMenuBack() {
  if (!hwnd_ || !(buttonBits_ & bbSystemMenu)) return;
  const quint32 style = wm::GetWindowLong(hwnd_, wm::GWL_STYLE);
  if (!(style & wm::WS_SYSMENU)) wm::SetWindowLong(hwnd_, wm::GWL_STYLE, style | wm::WS_SYSMENU);
}

void TFormSkinner::RestoreProcedures() {
  wm::Unsubclass(formLink_);
  wm::Unsubclass(link_);
  wm::Unsubclass(mdiLink_);
  // The MDI client shows its scroll bars again as it did before the skin.
  if (auto* area = qobject_cast<QMdiArea*>(mdiClient_.data()); area && savedMDIScrollH_ >= 0) {
    area->setHorizontalScrollBarPolicy(static_cast<Qt::ScrollBarPolicy>(savedMDIScrollH_));
    area->setVerticalScrollBarPolicy(static_cast<Qt::ScrollBarPolicy>(savedMDIScrollV_));
    savedMDIScrollH_ = savedMDIScrollV_ = -1;
  }
}

// Menus back to the style's own drawing and the form's colour back to what it was.
void TFormSkinner::RestoreFormLook() {
  if (auto* form = qobject_cast<QWidget*>(object_.data())) {
    SetPopupMenusOwnerDraw(form, false);
    if (skin_ && skin_->HasControl(xcMenuItem)) SetMainMenusOwnerDraw(form, false);
    if (lifeState_ != lsDestroying) {
      QPalette pal = form->palette();
      pal.setColor(QPalette::Window, savedColor_);
      form->setPalette(pal);
      if (!hadOwnPalette_) form->setAttribute(Qt::WA_SetPalette, false);
    }
  }
}

void TFormSkinner::BareUnskin() {
  hoverTimer_.stop();
  FreeControls();
  RestoreFormLook();
  RestoreProcedures();
  if (lifeState_ != lsDestroying && hwnd_)
    for (QWidget* c : hwnd_->findChildren<QWidget*>()) c->update();
}

// The frame's own activity ends: the system menu closed and freed, no hover timer, hint or hot
// object left to act on the window.
void TFormSkinner::StopFrameWork() {
  if (systemMenu_) systemMenu_->close();
  FreeSystemMenu();
  hoverTimer_.stop();
  if (skin_) skin_->HideCaptionHint();
  hot_ = nullptr;
}

void TFormSkinner::Unskin() {
  if (!frameSkinned_) {
    BareUnskin();
    return;
  }
  StopFrameWork();
  RestoreProcedures();
  FreeControls();
  RestoreFormLook();
  GiveSystemMenuBack();
  FreeMenuBar(true);
  QWidget* w = hwnd_;
  // The native frame comes back around the same client, at the same place.
  if (w && lifeState_ != lsDestroying && (windowKind_ == wkMDIChild || !child_) && wm::HasOwnNonClient(w))
    wm::SetOwnNonClient(w, false);
  if (w) wm::SetWindowRgn(w, QRegion(), true);
  regionSet_ = false;
  regionSize_ = QSize();
}

void TFormSkinner::Detach() {
  if (!frameSkinned_) {
    BareUnskin();
    return;
  }
  StopFrameWork();
  RestoreProcedures();
  FreeControls();
  FreeMenuBar(false);
}

void RegisterFormSkinner() {
  SetFormSkinnerFactory(
      [](QWidget* hwnd, QObject* object, const QString& className) -> TWinSkinForm* {
        return new TFormSkinner(hwnd, object, className);
      });
  RegisterMenuPainters();
}

}  // namespace orvane::skin
