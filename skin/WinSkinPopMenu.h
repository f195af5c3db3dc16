// The skinner of a popup menu window: it sits on the menu's procedure chain and paints the
// window's frame from the skin's menu-background element; the skin style asks it whether the
// menu's own frame and background are to be left out.
#pragma once

#include <QImage>
#include <QPointer>

#include "platform/wm/wm.h"
#include "skin/WinSkinForm.h"

class QPainter;

namespace orvane::skin {

// The width of the skinned frame round a popup menu.
inline constexpr int PopupFrameWidth = 3;

class TPopupMenuSkinner final : public TWinSkinPopMenu {
 public:
  explicit TPopupMenuSkinner(QWidget* hwnd);
  ~TPopupMenuSkinner() override;

  // Stores the skin and the menu, puts the skinner on the window's chain; not owner-drawn yet.
  void Subclass(TSXSkin* skin, QObject* menu);
  // Takes the skinner off the chain again and empties the frame bitmap; the menu lays itself
  // out again unless it is being destroyed.
  void Unsubclass(bool relayout = true);
  void SubclassWindow(TSXSkin* skin) override { Subclass(skin, nullptr); }
  void RestoreWindow() override { Unsubclass(); }
  const QImage* FrameBitmap() const override { return frame_.isNull() ? nullptr : &frame_; }
  bool Subclassed() const { return !link_.isNull(); }
  TSXSkin* Skin() const { return skin_; }

  // Whether the frame is the skin's: skinning on, a complete skin and a menu-background image.
  bool Paints() const;
  // The whole frame bitmap at the window's size drawn at rect (the background a menu keeps
  // when the skin asks for its menu background to show through).
  void DrawBackground(QPainter& painter, const QRect& rect);

 private:
  void WndProc(wm::Message& m);
  void RebuildFrame(const QSize& size);
  void CopyFrame(QPainter& painter, const QRect& part) const;
  void FramePaint(wm::Message& m);
  void PrintPaint(wm::Message& m);

  wm::Link link_;
  QPointer<TSXSkin> skin_;
  QImage frame_;
};

// The last popup skinner that painted before the menu skinning told it its menu.
extern QPointer<TPopupMenuSkinner> CurrentPopupSkinner;

// The skinner on a menu window, null when it has none.
TPopupMenuSkinner* PopupSkinnerOf(const QWidget* hwnd);
// Whether any menu has a skinner now.
bool AnyPopupSkinner();
// Whether a menu about to be shown will get a skinner that paints its frame (the manager
// would take it and the skin has a menu background): its items are laid out for that frame.
bool PopupWouldPaint(const QWidget* menu);
// Lets the skin manager give popup menu windows this skinner.
void InstallPopupMenuSkinner();

}  // namespace orvane::skin
