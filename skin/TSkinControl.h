// The base of every control skinner: one object per skinned control, a QObject child of the
// control so that it dies with it. The form skinner of the control's window keeps the list of
// them, frees them when the skin goes and tells them when the skin changes.
//
// How a kind skinner plugs in (buttons, check boxes, edits, tabs, ...):
//  1. Derive from TSkinControl in skin/controls/<Kind>.{h,cpp}, declare Q_OBJECT (the class name
//     is what the chooser's golden lists and the tests read) and register a creator with
//     ORVANE_SKIN_KIND(TSkinButton) (skin/controls/SkinRegistry.h) in the .cpp, inside namespace
//     orvane::skin. Every .cpp in
//     skin/controls is built and linked into every program that links the skin engine, so a new
//     file needs no edit of the chooser or of a CMakeLists.
//  2. The chooser (TControlChooser) decides the skinner class by the control's class name and
//     the skin's switches, creates it through that registration and attaches it with InitControl
//     (or InitWindow for a bare dialog's widget). Kinds override InitControl/DoneControl/UpdateSkin
//     only to add their own state, and call the base first.
//  3. Painting: TSkinStyle asks TSkinRegistry::SkinnerFor(widget) for every style call; only a
//     skinner that is SkinEnabled() and CanSkin() gets it, through the hooks below (drawControl,
//     drawComplexControl, drawPrimitive, subControlRect, subElementRect, pixelMetric,
//     sizeFromContents, styleHint). A hook returns true when it did the work (and set `out`),
//     false to let Fusion do it. Geometry the skin changes lives only in subControlRect /
//     subElementRect; painting asks for it through `style` (the proxy), so Qt's hit tests and
//     mouse handling use the same rectangles. States come from the QStyleOption. The widget a
//     hook gets may be an inner part of the skinned control (a spin box's line edit, a scroll
//     area's scroll bar, ...; see TSkinRegistry::OwnerOf); Control() is the skinned control.
//     CanSkin() answers false when the skinner's element is missing or empty: Fusion paints.
//  4. Messages: SkinWndProc is the skinner's link in the control's platform/wm procedure chain.
//     Override BeforeDefault (false: handled, the control never sees it) and AfterDefault.
//     Input stays the widget's: mouse and keys reach the widget unless BeforeDefault eats them.
#pragma once

#include <QColor>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QPalette>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStyle>
#include <QWidget>
#include <memory>
#include <vector>

#include "platform/wm/wm.h"
#include "skin/WinSkinData.h"
#include "skin/WinSkinMsgs.h"

class QPainter;
class QStyleOption;
class QStyleOptionComplex;

namespace orvane::skin {

class TSXSkin;
class TFormSkinner;
class TSkinStyle;
class TDataSkinObject;
struct TSkinData;

// The private messages every control skinner answers.
enum : quint32 {
  WM_SKINCONTROLSWITCH = WM_SKINCONTROL,  // wParam > 0: the control's skin on, 0: off (Fusion at once)
  WM_SKINMOUSELEAVE = 0xB014,     // the mouse left the control (the form skinner tells it)
  WM_SKINENABLEDCHANGED = 0xB00C, // the control's enabled state changed
};
// The Tag that makes a control transparent: no fill, the parent shows through.
inline constexpr int TransparentTag = 5555;
// Scroll-bar metrics of the skinned controls.
inline constexpr int SM_CXVSCROLL_SKIN = 17, SM_CXHSCROLL_SKIN = 17, SM_CYVTHUMB_SKIN = 17;

class TSkinControl : public QObject {
  Q_OBJECT
 public:
  // 0 created, 1 attached; 6 once the control has gone (then nothing is given back).
  enum { csCreated = 0, csAttached = 1, csDestroyed = 6 };
  // MouseState bits kept by the kinds.
  enum { msOver = 1, msPressed = 2 };

  explicit TSkinControl(QWidget* control);
  // Only leaves the registry and the form skinner's list; the control is never touched.
  ~TSkinControl() override;
  // Skinners alive in the program (for leak checks).
  static int LiveCount();

  QWidget* Handle() const { return hwnd_; }
  // The skinned control; null for a bare dialog's widget attached with InitWindow.
  QWidget* Control() const { return control_; }
  int State() const { return state_; }
  void SetState(int state) { state_ = state; }
  TSXSkin* Skin() const;
  TFormSkinner* FormSkin() const;
  bool Initialized() const { return initialized_; }
  bool SkinEnabled() const { return skinEnabled_; }
  void SetSkinEnabled(bool on) { skinEnabled_ = on; }
  bool SetColor() const { return setColor_; }
  // The control's Window and Button colours before the skin set them.
  QColor SavedColor() const { return savedWindow_; }
  QColor SavedButtonColor() const { return savedButton_; }
  bool ParentBackgroundWasOn() const { return parentBackgroundWasOn_; }
  // The skin data held for one paint; null when the skin has none.
  std::shared_ptr<const TSkinData> Data() const;

  // ---- attaching and detaching ----
  // Attaches to the owner control (a second call does nothing).
  virtual void InitControl(TFormSkinner* formSkin, TSXSkin* skin, bool setColor);
  // Attaches to a widget of a bare dialog (no class-library object).
  virtual void InitWindow(QWidget* handle, TSXSkin* skin, TFormSkinner* formSkin);
  // The skin goes: colours, hover and the procedure link given back.
  virtual void DoneControl();
  // The skin changed: colours again, the piece cache renewed, repainted.
  virtual void UpdateSkin();
  // Whether the skin has what this skinner paints with.
  virtual bool CanSkin() const { return true; }
  // Tells the control that its look and metrics now come from elsewhere (attach and detach):
  // a style change, after which it lays itself out anew and repaints; only a repaint for a
  // skinner that changes no size or place of the control's parts (ChangesGeometry).
  virtual void Restyle();
  // Whether the skin changes what size the control asks for or where its parts lie as the
  // control keeps them between paints. A skinner whose geometry hooks are asked anew at every
  // paint and click (or that has none) answers false: a style change would only lay out
  // every window of such controls anew at each switch.
  virtual bool ChangesGeometry() const { return true; }
  // A skinner that paints a part of another skinner's control (an edit's arrows) takes that
  // skinner's skin without attaching itself: the control keeps its own skinner.
  void SetHostSkin(TSXSkin* skin);

  // ---- the procedure link ----
  void SkinWndProc(wm::Message& m);
  // True: run the control's own procedure, then AfterDefault; false: handled here.
  virtual bool BeforeDefault(wm::Message& m);
  virtual void AfterDefault(wm::Message& m);
  // Hands the message to the link below (the control's own handling at the bottom).
  void CallDefault(wm::Message& m);
  // Paints over the whole control after its own paint (inside its paint pass only).
  virtual void PaintWindow(QPainter* dc);
  virtual void DrawControl(QPainter* dc, const QRect& rect);
  void Repaint();
  void SendMouseLeave();

  // ---- colours ----
  // Switches the control's own background fill on (skinned) or back.
  void SetParentBackground(bool on);
  // Tag 5555 or the skin's xoTransparent: no fill, the parent shows through.
  bool Transparent() const;
  QColor ButtonFace() const;
  QColor GetParentColor() const;

  // ---- style hooks (see the header comment) ----
  virtual bool drawPrimitive(const TSkinStyle* style, QStyle::PrimitiveElement pe, const QStyleOption* opt,
                             QPainter* p, const QWidget* w);
  virtual bool drawControl(const TSkinStyle* style, QStyle::ControlElement ce, const QStyleOption* opt, QPainter* p,
                           const QWidget* w);
  virtual bool drawComplexControl(const TSkinStyle* style, QStyle::ComplexControl cc, const QStyleOptionComplex* opt,
                                  QPainter* p, const QWidget* w);
  virtual bool subControlRect(const TSkinStyle* style, QStyle::ComplexControl cc, const QStyleOptionComplex* opt,
                              QStyle::SubControl sc, const QWidget* w, QRect& out);
  virtual bool subElementRect(const TSkinStyle* style, QStyle::SubElement se, const QStyleOption* opt,
                              const QWidget* w, QRect& out);
  virtual bool pixelMetric(const TSkinStyle* style, QStyle::PixelMetric pm, const QStyleOption* opt,
                           const QWidget* w, int& out);
  virtual bool sizeFromContents(const TSkinStyle* style, QStyle::ContentsType ct, const QStyleOption* opt,
                                const QSize& contents, const QWidget* w, QSize& out);
  virtual bool styleHint(const TSkinStyle* style, QStyle::StyleHint sh, const QStyleOption* opt, const QWidget* w,
                         int& out);

  // ---- the paint kit (frames are 1-based; an inverted rectangle draws nothing) ----
  // Frame `frame` of the element as a nine-slice image of rect's size (cached), keyed when the
  // element is transparent.
  void DrawElement(QPainter* dc, const QRect& rect, int frameCount, int frame, const TDataSkinObject* element) const;
  // Frame `frame` of a horizontal strip stretched to rect, key colour left out.
  static void DrawStripFrameDC(QPainter* dc, const QRect& rect, int frameCount, int frame, const QImage& bitmap);
  static void DrawStripFrameCanvas(QPainter* dc, const QRect& rect, int frameCount, int frame, const QImage& bitmap);
  static void DrawStripFrameKeyed(QPainter* dc, const QRect& rect, int frameCount, int frame, const QImage& bitmap);
  // Text centred vertically (one pixel above centre), horizontally too for DT_CENTER; the
  // shadow colour when disabled.
  void DrawCaption(QPainter* dc, const QRect& rect, quint32 align, bool enabled, const QString& text) const;
  // A glyph of `images` and the text beside it (tabs). Alignment 0 left, 1 centre, 2 right.
  void DrawGlyphCaption(QPainter* dc, const QRect& rect, int alignment, const QString& text, int imageIndex,
                        const QList<QIcon>* images, QSize imageSize = QSize(16, 16)) const;
  // A dotted XOR rectangle around Caption as measured with flags.
  void DrawTextFocusRect(QPainter* dc, quint32 flags, const QRect& rect) const;
  void FillButtonFace(QPainter* dc, const QRect& rect) const;
  void FillParentColor(QPainter* dc, const QRect& rect) const;
  // Adds DT_RTLREADING for a right-to-left control.
  quint32 BiDiFlags(quint32 flags) const;

  // Kept by the kinds for their painting.
  int MouseState = 0;
  bool Enabled = true;
  bool Focused = false;
  QString Caption;

 protected:
  QPointer<QWidget> hwnd_;
  QPointer<QWidget> control_;
  QPointer<TSXSkin> skin_;
  QPointer<QObject> formSkin_;
  wm::Link link_;
  int state_ = csCreated;
  bool initialized_ = false;
  bool skinEnabled_ = true;
  bool setColor_ = false;
  bool hoverWasSet_ = false;
  bool hadOwnPalette_ = false;
  bool parentBackgroundWasOn_ = false;
  QColor savedWindow_, savedButton_;
  QPalette savedPalette_;

  // Into the registry and the form skinner's list.
  void Register();
  // The control's skin and form skinner taken and registered (false when already attached or
  // without a control): the first half of every InitControl.
  bool Bind(TFormSkinner* formSkin, TSXSkin* skin, bool setColor);
  // Attached without a procedure link or restyling (skinners that only set colours or
  // properties).
  void MarkAttached();

  // Onto the control's procedure chain, hover on, the style told: the skinned look at once.
  void Attach();
  // The control's colours saved and set to the skin's face colour, and given back.
  void ApplyColour();
  void RestoreColour();

 private:
  // A glyph caption as measured and cut to its rectangle: a caption is laid out once per
  // text, font and size, not at every paint (a long one costs many times its drawing).
  struct CaptionFit {
    QString text, font;  // the font's key and the device's resolution it is measured in
    QSize size;
    QSize measured;
    bool oneLine = false;
    // One line: the caption cut with an ellipsis to the width it is drawn in.
    int cutWidth = -1;
    QString shown;
  };
  CaptionFit& FitCaption(QPainter* dc, const QString& text, const QSize& size) const;
  mutable std::vector<CaptionFit> captionFits_;  // the latest few, newest last
};

// Sends a message through the control's procedure chain (0 when nothing answers).
qintptr Perform(QWidget* control, quint32 msg, quintptr wParam = 0, qintptr lParam = 0);

}  // namespace orvane::skin
