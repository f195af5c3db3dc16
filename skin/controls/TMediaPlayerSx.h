// The panel laid over a skinned media player: a sibling widget stacked just above the player,
// always on its geometry and visibility, painting the visible buttons from the skin's "Buttons"
// element with the player's own glyphs and passing clicks on to the player.
#pragma once

#include <QPointer>
#include <QWidget>

namespace orvane::skin {

class TSkinMP;

class TMediaPlayerSx : public QWidget {
  Q_OBJECT
 public:
  static constexpr int NoButton = 9;
  explicit TMediaPlayerSx(QWidget* parent = nullptr);
  ~TMediaPlayerSx() override;
  // Panels alive in the program (for leak checks).
  static int LiveCount();

  // Takes the player's place: Tag = the skin's DisableTag (never skinned itself), the player's
  // parent, bounds and visibility, just above it; follows it from then on.
  void Attach(TSkinMP* skinner, QWidget* mediaPlayer);
  void FollowBounds();
  // Shown while the player shows and its skinner is on and has what it paints with.
  void SyncVisibility();
  QWidget* MediaPlayer() const { return mediaPlayer_; }

  // The visible button whose span [x0, x0 + ButtonWidth] holds x (both ends), 9 for none.
  int HitButton(int x) const;
  // Reads the player's "VisibleButtons", "EnabledButtons" and "ColoredButtons" set text.
  void ReadButtons();
  int VisibleCount() const { return visibleCount_; }
  int ButtonWidth() const { return buttonWidth_; }
  bool Pressed() const { return pressed_; }
  int PressedButton() const { return pressedButton_; }
  int ButtonUnder() const { return buttonUnder_; }
  // Inside a click being passed on (the player may free its skinner meanwhile).
  bool Busy() const { return busy_; }
  // The frame and glyph kind a button is drawn with now.
  int ButtonFrame(int index) const;
  int GlyphKind(int index) const;

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void Forward(QMouseEvent* e);
  void StackAbovePlayer();

  QPointer<TSkinMP> skinner_;
  QPointer<QWidget> mediaPlayer_;
  quint16 visible_ = 0, enabled_ = 0, colored_ = 0;
  int visibleCount_ = 0;
  int buttonWidth_ = 0;
  bool pressed_ = false;
  int pressedButton_ = NoButton;
  int buttonUnder_ = NoButton;
  bool busy_ = false;
};

}  // namespace orvane::skin
