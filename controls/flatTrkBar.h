// TFlatTrackBar: the flat slider used for volume, playing position and speech rate: a flat
// track with tick marks and a bitmap thumb that lights up under the mouse, driven by keys,
// dragging and click paging, painted from an off-screen background.
#pragma once

#include <QCursor>
#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>

#include "controls/flatCommon.h"
#include "controls/pagetimer.h"
#include "controls/thumbbitmaps.h"
#include "controls/trackbartypes.h"

class QPainter;

namespace orvane::controls {

// The form library's published properties that QWidget already has keep Qt's names: Hint is
// the tool tip, Enabled, Visible, TabStop is the focus policy (StrongFocus by default),
// PopupMenu is the context-menu policy; key and other mouse events reach callers through Qt's
// event filters. Set ThumbStyle before TrackWidth: choosing a style resets the track width.
class TFlatTrackBar : public QWidget {
  Q_OBJECT

 public:
  explicit TFlatTrackBar(QWidget* AOwner = nullptr);
  ~TFlatTrackBar() override;

  // Published properties.
  const QImage& CustomThumb() const { return FCustomThumb; }
  TColor HighlightColor() const { return FHighlightColor; }
  TColor HotTrackColor() const { return FHotTrackColor; }
  THotTrackColorType HotTrackColorType() const { return FHotTrackColorType; }
  int Max() const { return FMax; }
  int Min() const { return FMin; }
  TOrientation Orientation() const { return FOrientation; }
  TPointerType PointerType() const { return FPointerType; }
  int Position() const { return FPosition; }
  bool ShowTicks() const { return FShowTicks; }
  TThumbStyle ThumbStyle() const { return FThumbStyle; }
  TColor TickColor() const { return FTickColor; }
  int TickStep() const { return FTickStep; }
  TTickStyle TickStyle() const { return FTickStyle; }
  TColor TrackColor() const { return FTrackColor; }
  quint16 TrackOffset() const { return FTrackOffset; }
  TFrameStyle TrackFrame() const { return FTrackFrame; }
  TColor TrackFrameColor() const { return FTrackFrameColor; }
  quint16 TrackWidth() const { return FTrackWidth; }
  bool Transparent() const { return FTransparent; }
  bool ThemeAware() const { return FThemeAware; }
  quint16 PageSize() const { return FPageSize; }
  bool ShowFocusRect() const { return FShowFocusRect; }
  bool TabOnEnter() const { return FTabOnEnter; }
  // Background colour: the parent's while ParentColor is set (the default).
  TColor Color() const;
  bool ParentColor() const { return FParentColor; }

  // Setters, in the order of the properties; each states its side effects in the source.
  virtual void SetCustomThumb(const QImage& Value);
  virtual void SetHighlightColor(TColor Value);
  virtual void SetHotTrackColor(TColor Value);
  virtual void SetHotTrackColorType(THotTrackColorType Value);
  virtual void SetMax(int Value);
  virtual void SetMin(int Value);
  virtual void SetOrientation(TOrientation Value);
  virtual void SetPointerType(TPointerType Value);
  virtual void SetPosition(int Value);
  virtual void SetShowTicks(bool Value);
  virtual void SetThumbStyle(TThumbStyle Value);
  virtual void SetTickColor(TColor Value);
  virtual void SetTickStep(int Value);
  virtual void SetTickStyle(TTickStyle Value);
  virtual void SetTrackColor(TColor Value);
  virtual void SetTrackOffset(quint16 Value);
  virtual void SetTrackFrame(TFrameStyle Value);
  virtual void SetTrackFrameColor(TColor Value);
  virtual void SetTrackWidth(quint16 Value);
  virtual void SetTransparent(bool Value);
  virtual void SetThemeAware(bool Value);
  void SetPageSize(quint16 Value) { FPageSize = Value; }
  void SetShowFocusRect(bool Value) { FShowFocusRect = Value; }
  void SetTabOnEnter(bool Value) { FTabOnEnter = Value; }
  void SetColor(TColor Value);
  void SetParentColor(bool Value);

  // Handlers that answer, one each. OnChanging may refuse a change; with OnDrawTrack the bar
  // draws no track of its own, with TickStyle tkOwnerDraw OnDrawTick draws every tick.
  std::function<void(TFlatTrackBar* Sender, int NewPos, bool& AllowChange)> OnChanging;
  std::function<void(TFlatTrackBar* TrackBar, QPainter& Canvas, const QRect& Bounds)> OnDrawTrack;
  std::function<void(TFlatTrackBar* TrackBar, QPainter& Canvas, const QPoint& Location, int Index)> OnDrawTick;

  // The paging timer (a QTimer unless replaced, e.g. by a test's manual timer).
  void SetPageTimer(std::unique_ptr<PageTimer> timer);
  PageTimer& GetPageTimer() { return *FPageTimer; }

  QSize sizeHint() const override { return QSize(200, 35); }

 signals:
  void OnChange(orvane::controls::TFlatTrackBar* Sender);
  void OnMouseEnter(orvane::controls::TFlatTrackBar* Sender);
  void OnMouseLeave(orvane::controls::TFlatTrackBar* Sender);
  void OnMouseDown(orvane::controls::TFlatTrackBar* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift,
                   int X, int Y);
  void OnMouseMove(orvane::controls::TFlatTrackBar* Sender, Qt::KeyboardModifiers Shift, int X, int Y);
  void OnMouseUp(orvane::controls::TFlatTrackBar* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift,
                 int X, int Y);

 protected:
  static constexpr int TrackIndent = 4;

  // Drawing, all on the given canvas (widget or background bitmap).
  virtual void Paint(QPainter& Canvas);
  virtual void DrawTrack(QPainter& Canvas);
  virtual void DrawTicks(QPainter& Canvas);
  virtual void DrawThumb(QPainter& Canvas);
  // Asked before every change made by keys, dragging and click paging.
  virtual bool KeyChangeAllowed(qint64 NewPos);

  virtual void Change();
  virtual bool CanChange(int NewPos);
  virtual void DoDrawTrack(QPainter& Canvas, const QRect& Bounds);
  virtual void DoDrawTick(QPainter& Canvas, const QPoint& Location, int Index);
  virtual void KeyDown(int Key, Qt::KeyboardModifiers Shift);
  virtual void MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
  virtual void MouseMove(Qt::KeyboardModifiers Shift, int X, int Y);
  virtual void MouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
  void PageTimerTick();

  // Position with the range check and the events; values past the int range are clamped.
  void SetPosition64(qint64 Value);
  // Where the thumb goes for the present position.
  QRect CalcThumbRect() const;
  void RebuildBuffer();
  void LoadThumbBitmaps();
  // Background must be rebuilt before the next paint.
  void MarkDirty();

  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

  // Internal state.
  int ThumbLength = 0;   // along the track
  int ThumbBreadth = 0;  // across the track
  int ThumbHalf = 0;
  QRect ThumbRect;  // where the thumb was last placed (right and bottom exclusive)
  QRect TrackRect;
  ThumbBitmaps Thumbs;
  QImage Buffer;  // background, track and ticks
  QImage FocusedBuffer;  // the same with the focus rectangle; null until painted focused
  bool BufferDirty = true;
  bool Dragging = false;
  bool ThumbHot = false;
  bool Paging = false;
  bool PageUpward = false;
  bool MouseCaptured = false;  // the left button went down on the bar and is still held
  QPoint PagePoint;
  QPoint DragOffset;
  QCursor HCursor;
  QCursor VCursor;

 private:
  void updateCursor(const QPoint& pt);
  void resetPageTimer();
  void paintBackground(QPainter& canvas);
  QImage buildFocusedPicture();
  void drawFocusRect(QImage& image) const;

  QImage FCustomThumb;
  TColor FHighlightColor = clHighlight;
  TColor FHotTrackColor = TColor(0x00149BF0);
  THotTrackColorType FHotTrackColorType = htctActual;
  int FMax = 10;
  int FMin = 0;
  TOrientation FOrientation = orHorizontal;
  TPointerType FPointerType = ptStandard;
  int FPosition = 0;
  bool FShowTicks = true;
  TThumbStyle FThumbStyle = tsPointer;
  TColor FTickColor = clBtnShadow;
  int FTickStep = 1;
  TTickStyle FTickStyle = tkStandard;
  TColor FTrackColor = cl3DLight;
  quint16 FTrackOffset = 20;
  TFrameStyle FTrackFrame = fsStatus;
  TColor FTrackFrameColor = clBtnShadow;
  quint16 FTrackWidth = 8;
  bool FTransparent = false;
  bool FThemeAware = true;
  quint16 FPageSize = 1;
  bool FShowFocusRect = true;
  bool FTabOnEnter = false;
  TColor FColor = clBtnFace;
  bool FParentColor = true;
  std::unique_ptr<PageTimer> FPageTimer;
};

}  // namespace orvane::controls
