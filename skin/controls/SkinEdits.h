// The edit and combo-box skinners. An edit gets the skin's border (a spin or time edit round
// its field, its arrows painted by an up-down skinner when the program has that kind); a
// combo box its skin image with the arrow button where the skin's style puts it, hot only
// while the mouse is over the arrow (the box's own hover tracking, through the arrow's
// rectangle) and pressed also while the mouse is down in an editable combo's text field.
#pragma once

#include <QPointer>

#include "skin/TSkinControl.h"
#include "skin/WinSkinMsgs.h"

class QLineEdit;

namespace orvane::skin {

// The edit's print request (WM_SKINPRINTEDIT) is marked and answered with the engine's key.
inline constexpr qintptr SkinPrintMarker = SkinNotifyKey;

class TSkinEdit : public TSkinControl {
  Q_OBJECT
 public:
  using TSkinControl::TSkinControl;
  void DoneControl() override;
  // A plain edit's frame is only painted; a spin or time edit lays its field out by where the
  // skin puts the arrows.
  bool ChangesGeometry() const override;
  void AfterDefault(wm::Message& m) override;
  bool drawPrimitive(const TSkinStyle* style, QStyle::PrimitiveElement pe, const QStyleOption* opt, QPainter* p,
                     const QWidget* w) override;
  bool drawComplexControl(const TSkinStyle* style, QStyle::ComplexControl cc, const QStyleOptionComplex* opt,
                          QPainter* p, const QWidget* w) override;
  bool subControlRect(const TSkinStyle* style, QStyle::ComplexControl cc, const QStyleOptionComplex* opt,
                      QStyle::SubControl sc, const QWidget* w, QRect& out) override;
  // The skinner of a spin or time edit's arrows, made at the first paint; null without one.
  TSkinControl* UpDownSkin() const { return upDown_; }

 private:
  QPointer<TSkinControl> upDown_;
  bool upDownTried_ = false;
};

class TSkinComBox : public TSkinControl {
  Q_OBJECT
 public:
  using TSkinControl::TSkinControl;
  ~TSkinComBox() override;
  bool CanSkin() const override;
  void InitControl(TFormSkinner* formSkin, TSXSkin* skin, bool setColor) override;
  void InitWindow(QWidget* handle, TSXSkin* skin, TFormSkinner* formSkin) override;
  void DoneControl() override;
  void AfterDefault(wm::Message& m) override;
  bool drawComplexControl(const TSkinStyle* style, QStyle::ComplexControl cc, const QStyleOptionComplex* opt,
                          QPainter* p, const QWidget* w) override;
  bool subControlRect(const TSkinStyle* style, QStyle::ComplexControl cc, const QStyleOptionComplex* opt,
                      QStyle::SubControl sc, const QWidget* w, QRect& out) override;
  // Every skinned combo opens a list as an editable one does: below the box, no taller than
  // the rows the combo shows at most, with a scroll bar the skin paints (the menu-like popup
  // a combo that cannot be edited otherwise opens has scroll arrows instead, and grows as
  // tall as the screen).
  bool styleHint(const TSkinStyle* style, QStyle::StyleHint sh, const QStyleOption* opt, const QWidget* w,
                 int& out) override;
  // The skin changes only where the arrow and the text field lie, not the combo's size: the
  // text field is placed anew and the combo repainted. A style change would make the combo
  // build its drop-down list (a window of its own) long before anyone opens it.
  void Restyle() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void WatchEdit();
  // The popup list's scroll-bar skinner.
  void SkinDropList();
  QPointer<TSkinControl> DropScrollSkin;
  QPointer<QLineEdit> edit_;
};

}  // namespace orvane::skin
