// The small control skinners: size grips outside status bars, the pages of a skinned tab widget,
// bare dialogs and tool-bar windows, foreign check and radio controls that take custom glyphs
// through their properties, foreign page controls with tab-background properties, and tab bars
// drawn as buttons.
#pragma once

#include <QImage>
#include <QPointer>

#include "skin/TSkinControl.h"
#include "skin/controls/SkinRegistry.h"

namespace orvane::skin {

// A size grip: the skin's face colour.
class TSkinSizer : public TSkinControl {
  Q_OBJECT
 public:
  using TSkinControl::TSkinControl;
  bool drawControl(const TSkinStyle* style, QStyle::ControlElement ce, const QStyleOption* opt, QPainter* p,
                   const QWidget* w) override;
};

// A page of a skinned tab widget: its background is the skin's face colour (given back after).
class TSkinTabSheet : public TSkinControl {
  Q_OBJECT
 public:
  using TSkinControl::TSkinControl;
  void InitControl(TFormSkinner* formSkin, TSXSkin* skin, bool setColor) override;
};

// A bare dialog or tool-bar window: the skin's face colour behind it and its static texts.
class TSkinBoxH : public TSkinControl {
  Q_OBJECT
 public:
  using TSkinControl::TSkinControl;
  void InitWindow(QWidget* handle, TSXSkin* skin, TFormSkinner* formSkin) override;
  void DoneControl() override;
  void UpdateSkin() override;

 private:
  void Fill();
  bool hadPalette_ = false, hadFill_ = false;
  QPalette palette_;
};

// Whether an object has a property of that name (declared or dynamic).
bool HasProperty(const QObject* obj, const char* name);

// Foreign check boxes (glyph kind 1 and 3) and radio buttons (2) with custom-glyph properties.
class TSkinObjImage : public TSkinControl {
  Q_OBJECT
 public:
  TSkinObjImage(QWidget* control, const TSkinKindArgs& args) : TSkinControl(control), GlyphKind(args.Kind) {}
  void InitControl(TFormSkinner* formSkin, TSXSkin* skin, bool setColor) override;
  void DoneControl() override;
  void UpdateSkin() override;
  // The glyph image of a kind from the skin's check or radio strip; null when the skin has none.
  static QImage BuildGlyphs(int kind, const QImage& strip, int stripFrames);
  const int GlyphKind;

 private:
  void ApplyGlyphs();
};

// Foreign page controls whose tabs take background images through properties.
class TSkinAdvPage : public TSkinControl {
  Q_OBJECT
 public:
  TSkinAdvPage(QWidget* control, const TSkinKindArgs& args) : TSkinControl(control), AdvKind(args.Kind) {}
  void InitControl(TFormSkinner* formSkin, TSXSkin* skin, bool setColor) override;
  void DoneControl() override;
  void UpdateSkin() override;
  void DrawControl(QPainter* dc, const QRect& rect) override;
  // The scroll arrows' skinner, once found.
  QPointer<TSkinControl> UpDownSkin;
  const int AdvKind;

 private:
  void ApplyTabBackgrounds();
  void FindUpDown();
};

// A tab bar drawn as buttons ("Style" tsButtons): frame 2 of the button image for the current
// tab, frame 1 for the others, captions in the button's second colours.
class TSkinTabBtn : public TSkinControl {
  Q_OBJECT
 public:
  using TSkinControl::TSkinControl;
  bool CanSkin() const override;
  bool drawControl(const TSkinStyle* style, QStyle::ControlElement ce, const QStyleOption* opt, QPainter* p,
                   const QWidget* w) override;
};

}  // namespace orvane::skin
