// Tab widgets and tab bars from the skin's "Tabs" element: every tab built as a top tab and
// flipped or turned into its position, labels in the element's colours, the page frame from the
// element's second image or "Tab.Pane", the scroll buttons as up-down halves. A tab widget with
// Tag 7777 (and without Qt's own close buttons) gets a close mark on each tab; a press on one
// asks the form window (0x3507) whether the page may go.
#pragma once

#include <QImage>
#include <QPointer>
#include <QVector>

#include "skin/TSkinControl.h"
#include "skin/WinSkinMsgs.h"

class QTabBar;
class QTabWidget;
class QStyleOptionTab;

namespace orvane::skin {

inline constexpr int CloseMarkTag = 7777;

class TSkinTab : public TSkinControl {
  Q_OBJECT
 public:
  explicit TSkinTab(QWidget* control);

  bool CanSkin() const override;
  void InitControl(TFormSkinner* formSkin, TSXSkin* skin, bool setColor) override;
  void InitWindow(QWidget* handle, TSXSkin* skin, TFormSkinner* formSkin) override;
  void DoneControl() override;
  void UpdateSkin() override;

  bool drawControl(const TSkinStyle* style, QStyle::ControlElement ce, const QStyleOption* opt, QPainter* p,
                   const QWidget* w) override;
  bool drawPrimitive(const TSkinStyle* style, QStyle::PrimitiveElement pe, const QStyleOption* opt, QPainter* p,
                     const QWidget* w) override;
  bool drawComplexControl(const TSkinStyle* style, QStyle::ComplexControl cc, const QStyleOptionComplex* opt,
                          QPainter* p, const QWidget* w) override;

  // Position of a tab shape: 0 top, 1 bottom, 2 left, 3 right.
  static int Orientation(int shape);
  bool CloseMarks() const { return closeMarks_; }
  // Where tab `index`'s close mark was drawn, in tab-bar coordinates (null when not drawn).
  QRect CloseMarkAt(int index) const;
  // A press at a point of the tab bar: asks about every mark there; true when one was hit.
  bool HitCloseMark(const QPoint& pos);
  QTabBar* TabBar() const;
  QTabWidget* TabWidget() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void LoadImages();
  void Attached();
  void DrawTab(QPainter* p, const QStyleOptionTab* tab);
  static QRect VisiblePart(const QPainter& p, const QRect& r);
  void DrawLabel(QPainter* p, const QStyleOptionTab* tab);

  QImage tabImage_, tabImageFlipped_;
  bool closeMarks_ = false;
  // Per tab: the close mark and the tab rectangle it was drawn in.
  QVector<QPair<QRect, QRect>> tabRects_;
  QPointer<QTabBar> filtered_;
  // The tab widget's page stack, watched for pages added after the attach.
  QPointer<QWidget> stack_;
  void SkinPage(QWidget* page);
};

}  // namespace orvane::skin
