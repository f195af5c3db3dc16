// Scroll bars from the skin. Qt paints every QScrollBar itself, so the skinned look is given in
// the style calls of the bar: TScrollbarSx is the painter and the one geometry of one bar (the
// arrows, track, thumb and grip of the 23-frame "Scrollbar" strip and the track and thumb
// images), and the skinners below own the painters of a scroll area's two bars, a stand-alone
// bar, or a combo box's popup list. The bar's own input (arrows, pages, wheel, drag) is Qt's:
// it hits and drags on the same rectangles the painter draws, because both come from
// subControlRect.
#pragma once

#include <QPointer>
#include <QScrollBar>

#include "skin/TSkinControl.h"
#include "skin/WinSkinMsgs.h"
#include "skin/controls/SkinRegistry.h"

class QStyleOptionSlider;

namespace orvane::skin {

struct TSkinData;

// The private message that asks a scroll area to draw its border into the QPainter* in wParam
// (lParam the skin's marker, answered with it).
inline constexpr quint32 WM_SKINPRINTBORDER = WM_SKINPRINTFRAME;

// Frames of the "Scrollbar" strip (1-based).
enum TScrollStripFrame {
  sfLeftArrow = 1, sfRightArrow = 5, sfUpArrow = 9, sfDownArrow = 13, sfHorzGrip = 17, sfVertGrip = 20,
  sfStripFrames = 23
};

class TScrollbarSx : public QObject {
  Q_OBJECT
 public:
  // The parts of one bar in widget coordinates, right-to-left already applied.
  struct TParts {
    QRect SubLine, AddLine, Groove, Slider, SubPage, AddPage;
  };

  TScrollbarSx(TSkinControl* skinner, QScrollBar* bar);
  QScrollBar* Bar() const { return bar_; }
  TSkinControl* Skinner() const { return skinner_; }
  // Shown: the bar is there to be painted.
  bool Shown() const { return bar_ && bar_->isVisible(); }
  void Invalidate() const;

  // The arrow size a: the strip's height, or the system's 17 when that is more than 2 off.
  static int ArrowSize(const TSkinData* data);
  // Whether the skin has a usable strip (23 cells at least one pixel wide).
  static bool HasStrip(const TSkinData* data);
  // The one geometry of a bar; an empty range or a page over the range is guarded.
  static TParts Parts(const QStyleOptionSlider& option, int arrowSize);
  static QRect PartRect(const QStyleOptionSlider& option, QStyle::SubControl sc, int arrowSize);
  // The whole bar painted from the option: states from activeSubControls, Sunken, MouseOver
  // and Enabled.
  static void Paint(const TSkinControl* skinner, QPainter* p, const QStyleOptionSlider& option);

 private:
  QPointer<TSkinControl> skinner_;
  QPointer<QScrollBar> bar_;
};

// The style hooks every scroll-bar skinner shares: CC_ScrollBar painted and laid out from the
// skin, the bar as thick as the skin's arrows.
class TScrollBarsSkin : public TSkinControl {
  Q_OBJECT
 public:
  using TSkinControl::TSkinControl;
  bool CanSkin() const override;
  bool drawComplexControl(const TSkinStyle* style, QStyle::ComplexControl cc, const QStyleOptionComplex* opt,
                          QPainter* p, const QWidget* w) override;
  bool subControlRect(const TSkinStyle* style, QStyle::ComplexControl cc, const QStyleOptionComplex* opt,
                      QStyle::SubControl sc, const QWidget* w, QRect& out) override;
  bool pixelMetric(const TSkinStyle* style, QStyle::PixelMetric pm, const QStyleOption* opt, const QWidget* w,
                   int& out) override;
  void DoneControl() override;

  TScrollbarSx* HorzBar = nullptr;
  TScrollbarSx* VertBar = nullptr;

 protected:
  bool singleBar_ = false;
  // The bar is one this skinner paints.
  bool Skins(const QWidget* w) const;
  // The painters of a scroll area's two bars (also when the bars are hidden now).
  void MakeBars(QWidget* area);
  // The bars take the new thickness and repaint.
  void Relayout();
  void FreeBars();
};

// Memos, list boxes, grids, rich edits: the two bars, the skin's border and corner, a grid's
// header colour.
class TSkinScrollbar : public TScrollBarsSkin {
  Q_OBJECT
 public:
  explicit TSkinScrollbar(QWidget* control, const TSkinKindArgs& args = {});
  void InitControl(TFormSkinner* formSkin, TSXSkin* skin, bool setColor) override;
  // The attach proper (also the list view's).
  virtual void InitScrollbar(QWidget* control, TSXSkin* skin, TFormSkinner* formSkin);
  void DoneControl() override;
  void UpdateSkin() override;
  void AfterDefault(wm::Message& m) override;
  bool drawPrimitive(const TSkinStyle* style, QStyle::PrimitiveElement pe, const QStyleOption* opt, QPainter* p,
                     const QWidget* w) override;
  bool pixelMetric(const TSkinStyle* style, QStyle::PixelMetric pm, const QStyleOption* opt, const QWidget* w,
                   int& out) override;
  // 1 px ButtonShadow, inside it 1 px ButtonFace.
  void DrawBorder(QPainter* dc, const QRect& rect) const;
  bool HasBorder() const { return drawBorder_; }

 protected:
  bool drawBorder_ = false;
  // A grid's headers, whose Button colour the skin sets and gives back.
  QList<QPair<QPointer<QWidget>, QPalette>> fixed_;
  void ApplyFixedColor();
  void RestoreFixedColor();
};

// The same for a scroll area attached as a bare window.
class TSkinScrollbarH : public TScrollBarsSkin {
  Q_OBJECT
 public:
  using TScrollBarsSkin::TScrollBarsSkin;
  void InitWindow(QWidget* handle, TSXSkin* skin, TFormSkinner* formSkin) override;
};

// A stand-alone scroll bar.
class TSkinScControl : public TScrollBarsSkin {
  Q_OBJECT
 public:
  using TScrollBarsSkin::TScrollBarsSkin;
  void InitControl(TFormSkinner* formSkin, TSXSkin* skin, bool setColor) override;
  void InitScrollControl(QWidget* control, TSXSkin* skin, TFormSkinner* formSkin);
  TScrollbarSx* Bar() const { return HorzBar ? HorzBar : VertBar; }
};

// The popup list of a combo box.
class TComboxScrollBar : public TScrollBarsSkin {
  Q_OBJECT
 public:
  using TScrollBarsSkin::TScrollBarsSkin;
  void InitWindow(QWidget* handle, TSXSkin* skin, TFormSkinner* formSkin) override;
};

}  // namespace orvane::skin
