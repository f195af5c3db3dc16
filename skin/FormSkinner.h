// The form skinner: the skin of one top-level window. It sits on the window's procedure
// chain, keeps the window's frame metrics and state, tracks the title-bar objects (caption
// buttons) under the mouse, switches the window's menus to skin painting, holds the control
// skinners of its controls, and gives everything back when the skin goes.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QMargins>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <memory>
#include <vector>

#include "platform/wm/wm.h"
#include "skin/TSkinControl.h"
#include "skin/WinSkinData.h"
#include "skin/WinSkinForm.h"

class QMenu;
class QPainter;
class QStyleOption;

namespace orvane::skin {

struct TSkinData;
class TFormSkinner;
class TControlChooser;

// The skinned window posts and sends these beside the ones the manager speaks.
enum : quint32 {
  WM_SKINACTIONQUERY = 0x3515,  // sent: should the caption button (wParam Visibility, lParam Action) show?
  WM_SKINBUTTONACTION = 0x3514,  // posted: a caption button with an action of the window's own
  WM_SKINMDIMAXIMIZE = 0x3516,   // posted to an MDI client: lay out its maximised child
  WM_SKINNOTIFY = 0xBC4E,        // the window is skinned (lParam SkinNotifyKey); nothing handles it
};
inline constexpr qintptr SkinNotifyKey = 0x41A2;

// A mouse-sensitive object of the title bar, in window coordinates (origin at the window's
// outer top-left corner).
class TNCObject : public QObject {
 public:
  enum { stNormal = 1, stPressed = 2, stHot = 3 };
  explicit TNCObject(TFormSkinner* form);

  TFormSkinner* Form() const { return form_; }
  QRect Bounds;
  bool Visible = false;
  int State = 0;

  virtual void MouseDown();
  virtual void MouseUp();
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual void Paint() {}
  // A menu-bar item drops its menu down instead of being clicked.
  virtual bool IsMenuItem() const { return false; }

 protected:
  TFormSkinner* form_;
};

// A caption button, bound to one caption-button record of the skin.
class TWinSysButton : public TNCObject {
 public:
  TWinSysButton(TFormSkinner* form, const TDataSkinSysButton* record);
  const TDataSkinSysButton* Record() const { return record_; }
  bool Enabled = true;
  // The record's strip, or the window icon for a system-menu button without one.
  QImage Image;
  int Frames = 1;
  // The frame of the strip shown for the current state.
  int PaintFrame() const;
  // Into the paint pass of the window, or a repaint of the bounds asked for outside one.
  void Paint() override;
  // Draws the button with the given frame.
  void Draw(QPainter& painter, int frame) const;

 private:
  const TDataSkinSysButton* record_;
};

// The hint a caption button of this action shows ("" for none).
QString CaptionButtonHint(int action);

class TFormSkinner : public TWinSkinForm {
 public:
  enum FrameKind { fkSizeable = 0, fkSingle = 1, fkNone = 2, fkDialog = 3 };
  enum ShowState { ssNormal = 0, ssMaximized = 1, ssMinimized = 2 };
  enum ButtonBits { bbMaximize = 1, bbMinimize = 2, bbHelp = 4, bbSystemMenu = 8, bbKeepSystemMenu = 16 };
  // The application's hint pauses, doubled and added as the caption-button hint counts them.
  static constexpr int HintPause = 500;
  static constexpr int HintHidePause = 2500;

  TFormSkinner(QWidget* hwnd, QObject* object, const QString& className);
  ~TFormSkinner() override;

  // ---- attaching and taking off ----
  void InitForm(TSXSkin* skin, QObject* form) override;
  void InitWindow(TSXSkin* skin) override;
  void HookWindow(TSXSkin* skin);
  void Unskin() override;
  void Detach() override;
  void RefreshWindow() override;
  void FreeSysButtons() override;
  void ApplySkinMetrics() override;
  void ApplySkinColors() override;
  void AdjustSize(bool keepClient);
  void AfterSkin();
  bool HasRegion() const override { return regionSet_; }
  void ClearRegion() override;
  void UpdateRegion() override;
  void FrameChanged() override;

  // ---- control skinners ----
  // True when the skinner was already in the list.
  bool AddSkinControl(TSkinControl* control);
  void RemoveSkinControl(TSkinControl* control);
  QList<TSkinControl*> SkinControlList() const;
  // Gives every control its skinner, and the bare window's child windows theirs (through the
  // window's control chooser, skin/controls/ControlChooser.h).
  virtual void SkinFormControls();
  virtual void SkinChildWindows();
  TControlChooser* Chooser();
  // The steps of the choice, as the chooser takes them (ControlChooser.h).
  void SkinControlsOf(QWidget* owner);
  void SkinChildren(QWidget* control);
  void SkinControl(QWidget* control, QWidget* parent);
  bool SkinControlByMap(const QString& className, QWidget* control);
  void SkinWindowByClass(QWidget* window);
  bool ToolBarCustomDraw(QWidget* bar, QPainter* painter, const QRect& rect);
  bool ToolButtonCustomDraw(const QStyleOption* option, QPainter* painter, const QWidget* button);

  // ---- menus switched to skin painting (dynamic properties the menu painter reads) ----
  static void SetMainMenusOwnerDraw(QWidget* form, bool on);
  void SetPopupMenusOwnerDraw(QObject* form, bool on) const;

  // ---- caption buttons ----
  bool IsSysButtonVisible(int index);
  // Places every visible button with an image by its Align.
  void LayoutSysButtons();
  void SysButtonClick(QPoint pt);
  // The first visible caption button with an action containing the point, else null.
  TNCObject* FindObject(QPoint windowPt) const;
  QPoint WindowPoint(QPoint screen) const;
  const std::vector<TWinSysButton*>& SysButtons() const { return sysButtons_; }
  TNCObject* HotObject() const { return hot_; }
  void SetHotObject(TNCObject* o) { hot_ = o; }
  void HoverTimer();
  // Opens the window's system menu at a screen point.
  void TrackSystemMenu(QPoint screen);
  // The window icon on the key colour, and drawing it into a rectangle.
  void BuildIconBitmap();
  const QImage& IconBitmap() const { return iconBitmap_; }
  void DrawWindowIcon(QPainter& painter, const QRect& rect) const;

  // ---- state ----
  int FrameKind() const { return frameKind_; }
  int ShowState() const { return showState_; }
  void SetShowState(int s) { showState_ = s; }
  int ButtonBits() const { return buttonBits_; }
  bool IsActive() const { return active_; }
  void SetActive(bool a) { active_ = a; }
  bool IsDialog() const { return dialog_; }
  bool FrameSkinned() const { return frameSkinned_; }
  bool Activated() const { return activated_; }
  QMargins Borders() const { return borders_; }
  int MenuBarHeight() const { return menuBarHeight_; }
  bool HasMenuBar() const { return false; }
  QRect CaptionRect() const { return captionRect_; }
  void SetCaptionRect(const QRect& r) { captionRect_ = r; }
  QSize StandardNonClient() const { return stdNonClient_; }
  const QTimer& HoverTimerObject() const { return hoverTimer_; }
  const QFont& CaptionFont() const { return captionFont_; }
  QString CaptionLead() const { return QStringLiteral("  "); }
  QString CaptionTail() const { return QStringLiteral(" "); }
  bool Subclassed() const { return !link_.isNull(); }
  QWidget* MDIClient() const { return mdiClient_; }
  // The skin's counter of time the mouse rests on a caption button (shared by every window).
  static int& HintCounter();

 private:
  void WndProc(wm::Message& m);
  void Activate();
  void NCMouse(wm::Message& m);
  void FreeControls(bool onlyDestroyed = false);
  void RestoreProcedures();
  void BareUnskin();
  void RestoreFormLook();
  void GiveSystemMenuBack();
  QWidget* ActiveMDIChild() const;
  void Maximize();
  void Restore();
  void Minimize();

  wm::Link link_;
  std::shared_ptr<const TSkinData> data_;  // keeps the caption-button records alive
  bool activated_ = false;
  QTimer hoverTimer_;
  QFont captionFont_;
  bool frameSkinned_ = false;
  quint32 dblClickTime_ = 0;
  QPointer<QWidget> owner_;
  QImage iconBitmap_;
  int iconSize_ = 16;
  QMargins borders_;
  QRect captionRect_;
  QSize stdNonClient_;
  int menuBarHeight_ = 0;
  bool rightToLeft_ = false, sizeable_ = false, dialog_ = false, child_ = false;
  QPointer<QWidget> mdiClient_;
  QPointer<QMenu> systemMenu_;
  QColor savedColor_;
  bool hadOwnPalette_ = false;
  quint32 style_ = 0;
  QPointer<TNCObject> hot_;
  bool regionSet_ = false;
  std::vector<TWinSysButton*> sysButtons_;
  QList<QPointer<TSkinControl>> controls_;
  bool active_ = true;
  int frameKind_ = fkSizeable;
  int buttonBits_ = 0;
  int showState_ = ssNormal;
};

// Installs the form skinner as the one the manager creates for the windows it accepts.
void RegisterFormSkinner();

}  // namespace orvane::skin
