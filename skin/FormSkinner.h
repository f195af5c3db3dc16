// The form skinner: the skin of one top-level window. It sits on the window's procedure
// chain, keeps the window's frame metrics and state, tracks the title-bar objects (caption
// buttons) under the mouse, switches the window's menus to skin painting, holds the control
// skinners of its controls, and gives everything back when the skin goes.
#pragma once

#include <array>

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QMargins>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "platform/wm/wm.h"
#include "skin/TSkinControl.h"
#include "skin/WinSkinData.h"
#include "skin/WinSkinForm.h"
#include "skin/WinSkinMsgs.h"

class QMenu;
class QPainter;
class QStyleOption;

namespace orvane::skin {

struct TSkinData;
class TFormSkinner;
class TControlChooser;
class TWinSkinMenu;
class TMenuBtn;

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
  bool HasMenuBar() const;
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

  // ---- the window procedures ----
  // Makes a control's scroll-bar skinner anew after its window was recreated: given the
  // control and its old skinner (already out of the list, freed afterwards). Set by the
  // scroll-bar skinners; unset, the control stays without one.
  std::function<void(QWidget* control, TSkinControl* old)> RebuildScrollbar;
  bool MDIClientSubclassed() const { return !mdiLink_.isNull(); }

  // ---- the skinned frame: metrics, painting and region (FormSkinnerFrame.cpp) ----
  // WM_NCCALCSIZE: the client inside the skin borders and the menu bar.
  void CalcNCSize(wm::Message& m);
  // WM_NCHITTEST over the default answer: the title bar moves, the menu-bar row is the menu.
  void NCHitTest(wm::Message& m);
  // WM_NCPAINT: wParam 1 composes the frame anew; any other pass redraws it from the cache.
  void NCPaint(wm::Message& m);
  // Composes sides, title bar and menu bar into the frame image and draws it into the paint
  // pass; with no pass running, asks for one.
  void PaintFrame(QPainter* dc = nullptr);
  void PaintTitle(QPainter& p);
  void PaintCaption(QPainter& p, const QRect& g);
  void PaintSysButtons(QPainter& p);
  // Side 1 left, 2 right, 3 top, 4 bottom, in the window's active or inactive frame.
  void PaintBorderSide(int side, const QRect& rect, QPainter& p);
  // Takes WS_SYSMENU off the style while the skin draws the caption buttons (strip), or gives
  // it back.
  void SetSysMenuStyle(bool strip);
  int WidestRightButton() const { return widestRight_; }
  // Drops the side images and regions kept for the frames of every window: the next frame of
  // each size is built and traced anew.
  static void ForgetSharedFrames();

  // ---- menus: the skinned menu bar, its drop-downs and the system menu ----
  TWinSkinMenu* MenuBar() const;
  // The bar made from the window's menu bar, which leaves the window.
  void CreateMenuBar();
  // The bar freed; giveBack puts the window's menu bar back.
  void FreeMenuBar(bool giveBack);
  bool MenuTracking() const { return menuTracking_; }
  void SetMenuTracking(bool on) { menuTracking_ = on; }
  // Drops the item's menu down below it.
  void TrackMenu(TMenuBtn* item);
  void BuildSystemMenu();
  void FreeSystemMenu();
  // Opens the skinned system menu; a second opening within the double-click time closes.
  void ShowSystemMenu(QPoint screen);
  QMenu* SystemMenuPopup() const;
  // Window coordinates back to the screen.
  QPoint WindowToScreen(QPoint windowPt) const;
  // A drop-down's selection, followed while it is open.
  void MenuSelect(wm::Message& m);
  // A character with Alt: the bar item with that mnemonic opens (answer 1); otherwise the
  // program's main window, or an MDI child's frame, has its say before `previous`.
  void DialogChar(wm::Message& m, const std::function<void(wm::Message&)>& previous);

 private:
  void WndProc(wm::Message& m);
  void FrameStage(wm::Message& m);
  void NonClientStage(wm::Message& m);
  void FormWndProc(wm::Message& m);
  void MDIClientProc(wm::Message& m);
  void SizeChanged(wm::Message& m);
  void SysCommand(wm::Message& m);
  void RecreateWindow(wm::Message& m);
  void RebuildScrollSkinner(QWidget* control);
  void RefreshShowState();
  QWidget* FindMDIClient() const;
  void HookMDIClient();
  void Activate();
  void NCMouse(wm::Message& m);
  void FreeControls(bool onlyDestroyed = false);
  void StopFrameWork();
  void RestoreProcedures();
  void BareUnskin();
  void RestoreFormLook();
  void GiveSystemMenuBack();
  // The MDI client's active child (null without one), and whether it is maximised.
  QWidget* ActiveMDIChild(bool* maximized = nullptr) const;
  void Maximize();
  void Restore();
  void Minimize();
  void PaintMenuBar(QPainter& p, const QRect& rect);
  void DrawFrameImage(QPainter& dc);
  // Where the four strips of the frame lie in the window (an empty rectangle for one with none).
  static std::array<QRect, 4> FrameStripRects(const QWidget* w);
  const QImage& SideBitmap(int side, const QSize& size);
  void InvalidateFrame();

  bool MenuKey(quint32 key);
  bool MenuDialogChar(wm::Message& m);
  bool OwnerDrawItem(wm::Message& m);

  wm::Link link_;
  wm::Link formLink_;  // the form's own procedure, directly above the default one
  wm::Link mdiLink_;   // on the MDI client of an MDI frame
  bool savedMenuUpdate_ = true;
  // The MDI client's scroll-bar policies before the skin switched them off.
  int savedMDIScrollH_ = -1, savedMDIScrollV_ = -1;
  QBrush faceBrush_;
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

  // The composed frame, what it was composed for, and the region's size. The frame is kept as
  // the four strips around the client (top with the title bar and the menu bar, left, right,
  // bottom), each an image of its own: one image of the whole window would be mostly client
  // that is never shown, and touching all of it costs every switch.
  struct FrameStrip {
    QRect rect;
    QImage image;
  };
  std::array<FrameStrip, 4> frameStrips_;
  QSize frameSize_;
  bool frameDirty_ = true;
  bool frameActive_ = true;
  QSize regionSize_;
  int widestRight_ = 0;

  QPointer<TWinSkinMenu> menuBar_;
  bool menuTracking_ = false;
  quint32 lastSysMenuClick_ = 0;
  // The caption button whose click opened the system menu last (null when something else did):
  // a second click on it within the double-click time closes the window. Kept apart from the
  // hot object, which a repaint of the frame clears (the first click of a double click on an
  // inactive window brings one with the window's activation).
  QPointer<TWinSysButton> sysMenuButton_;
  QPointer<QMenu> sysPopup_;
  struct SideCache {
    QImage image;
    int frame = 0;
    const TSkinData* data = nullptr;
  };
  SideCache sideCache_[4];
};

// Installs the form skinner as the one the manager creates for the windows it accepts.
void RegisterFormSkinner();

}  // namespace orvane::skin
