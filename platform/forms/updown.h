// The up-down control: a pair of arrow buttons that step a position between Min and Max,
// repeating while held. It is painted and hit-tested as the two buttons of a spin box, so the
// application style decides where the halves lie; horizontal pairs step with the right half.
#pragma once

#include <QStyle>
#include <QTimer>
#include <QWidget>

class QStyleOptionSpinBox;

namespace orvane {

class TUpDown : public QWidget {
  Q_OBJECT
  Q_PROPERTY(int Min READ Min WRITE SetMin)
  Q_PROPERTY(int Max READ Max WRITE SetMax)
  Q_PROPERTY(int Position READ Position WRITE SetPosition)
  Q_PROPERTY(int Increment READ Increment WRITE SetIncrement)
  Q_PROPERTY(bool Horizontal READ Horizontal WRITE SetHorizontal)
  Q_PROPERTY(bool Wrap READ Wrap WRITE SetWrap)

 public:
  // The first repeat comes after the first delay, the following ones after the second.
  static constexpr int RepeatDelay = 400;
  static constexpr int RepeatInterval = 100;

  explicit TUpDown(QWidget* parent = nullptr);

  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const { return position_; }
  int Increment() const { return increment_; }
  bool Horizontal() const { return horizontal_; }
  bool Wrap() const { return wrap_; }
  void SetMin(int v);
  void SetMax(int v);
  // Clamped to [Min, Max]; no signal.
  void SetPosition(int v);
  void SetIncrement(int v) { increment_ = v; }
  void SetHorizontal(bool h);
  void SetWrap(bool w) { wrap_ = w; }

  // The option the style paints and hit-tests: both buttons, no frame and no field; the
  // horizontal state for a side-by-side pair; hot, pressed and enabled halves from the state.
  void InitStyleOption(QStyleOptionSpinBox* option) const;
  // The half at a point: SC_SpinBoxUp steps up, SC_SpinBoxDown down, SC_None neither.
  QStyle::SubControl HitTest(const QPoint& pos) const;
  // One step towards Max (up) or Min; emits Changed when the position moved.
  void Step(bool up);

  QSize sizeHint() const override;

 signals:
  // The position changed through the arrows.
  void Changed(int position);

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void leaveEvent(QEvent*) override;
  void changeEvent(QEvent*) override;

 private:
  // Whether the style lays a horizontal pair side by side; a style that does not gets the two
  // halves drawn here as plain arrow buttons.
  bool StyleKnowsHorizontal(const QStyleOptionSpinBox& option) const;
  QRect OwnHalf(QStyle::SubControl sc) const;
  void Repeat();

  int min_ = 0, max_ = 100, position_ = 0, increment_ = 1;
  bool horizontal_ = false, wrap_ = false;
  QStyle::SubControl pressed_ = QStyle::SC_None;
  QStyle::SubControl hot_ = QStyle::SC_None;
  QPoint lastPos_;
  QTimer repeat_;
};

}  // namespace orvane
