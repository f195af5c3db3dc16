// The tab set: a row of tabs hanging down from its top edge, one of them current, with a
// horizontal up-down that scrolls the first shown tab when not all of them fit. Where each tab
// lies is decided by one layout routine, which painting, clicks and any skin use alike.
#pragma once

#include <QStringList>
#include <QVector>
#include <QWidget>

class QStyleOptionTab;

namespace orvane {

class TUpDown;

class TTabSet : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QStringList Tabs READ Tabs WRITE SetTabs)
  Q_PROPERTY(int TabIndex READ TabIndex WRITE SetTabIndex)
  Q_PROPERTY(int StartMargin READ StartMargin WRITE SetStartMargin)
  Q_PROPERTY(int EndMargin READ EndMargin WRITE SetEndMargin)
  Q_PROPERTY(int FirstIndex READ FirstIndex WRITE SetFirstIndex)

 public:
  // A tab is as wide as its text and this much more.
  static constexpr int TabPadding = 9;
  // Room kept free for the scroller while it shows.
  static constexpr int ScrollerRoom = 12;
  static constexpr int ScrollerWidth = 24;

  struct Place {
    int index;
    QRect rect;
  };
  // The layout: from startMargin on, each tab from `first` is (text width + 9) wide and placed
  // where it still ends within `limit` (12 pixels less while the scroller shows); a tab that
  // does not fit is left out and the next one is tried. Tabs span the full height.
  static QVector<Place> Layout(const QVector<int>& textWidths, int first, int startMargin, int limit,
                               bool scrollerShown, int height);

  explicit TTabSet(QWidget* parent = nullptr);

  const QStringList& Tabs() const { return tabs_; }
  void SetTabs(const QStringList& tabs);
  int TabIndex() const { return tabIndex_; }
  // -1 or an index of Tabs; anything else is ignored.
  void SetTabIndex(int index);
  int StartMargin() const { return startMargin_; }
  void SetStartMargin(int m);
  int EndMargin() const { return endMargin_; }
  void SetEndMargin(int m);
  int FirstIndex() const { return firstIndex_; }
  void SetFirstIndex(int index);
  TUpDown* Scroller() const { return scroller_; }
  bool ScrollerShown() const { return scrollerShown_; }

  // The shown tabs where they lie now; the index of the tab at a point, or -1.
  QVector<Place> TabPlaces() const;
  int TabAt(const QPoint& pos) const;
  // The option a tab is painted with: its place, text, and the downward shape.
  void InitStyleOption(QStyleOptionTab* option, const Place& place, int shown) const;

  QSize sizeHint() const override;

 signals:
  // A click made another tab current.
  void Change(int newTab);
  void Click();

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void changeEvent(QEvent*) override;

 private:
  QVector<int> TextWidths() const;
  // Shows the scroller when not every tab fits from the first one, and places it.
  void UpdateScroller();

  QStringList tabs_;
  int tabIndex_ = -1;
  int startMargin_ = 5, endMargin_ = 15, firstIndex_ = 0;
  TUpDown* scroller_;
  bool scrollerShown_ = false;
};

}  // namespace orvane
