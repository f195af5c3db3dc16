// Column headers and list views. A header's sections are the skin's "Headerbar" image, frame 2
// for the section under the mouse (HotItem, found on mouse moves over the sections narrowed by
// 3 px at both ends, repainted only when it changes), frame 1 for the others and the empty rest;
// the labels as the skin's glyph captions. A list view is a scroll area with such a header.
#pragma once

#include <QPointer>

#include "skin/controls/TScrollbarSx.h"

class QHeaderView;

namespace orvane::skin {

class TSkinHeader : public TSkinControl {
  Q_OBJECT
 public:
  using TSkinControl::TSkinControl;
  bool CanSkin() const override;
  void InitControl(TFormSkinner* formSkin, TSXSkin* skin, bool setColor) override;
  void InitWindow(QWidget* handle, TSXSkin* skin, TFormSkinner* formSkin) override;
  void DoneControl() override;
  bool ChangesGeometry() const override { return false; }
  bool drawControl(const TSkinStyle* style, QStyle::ControlElement ce, const QStyleOption* opt, QPainter* p,
                   const QWidget* w) override;

  int HotItem = -1;
  // Hot-item repaints asked for (one per change).
  int HotRepaints = 0;
  // The section under a point of the header's viewport (narrowed by 3 px), -1 for none.
  int ItemAt(const QPoint& pos) const;
  void MouseMove(const QPoint& pos);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Watch();
  void SetHot(int item);
  QHeaderView* Header() const;
  QPointer<QWidget> viewport_;
  bool trackingWasOn_ = false;
};

class TSkinListView : public TSkinScrollbar {
  Q_OBJECT
 public:
  using TSkinScrollbar::TSkinScrollbar;
  void InitScrollbar(QWidget* control, TSXSkin* skin, TFormSkinner* formSkin) override;
  void DoneControl() override;
  QPointer<TSkinHeader> Header;
};

}  // namespace orvane::skin
