// The media player's button row: up to nine buttons (play, pause, stop, next, previous, step,
// back, record, eject) side by side in equal widths. Which buttons show, which are enabled and
// which are coloured are kept as set text ("[btPlay,btStop]"). A press and a release over the
// same enabled button is a click of that button.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

namespace orvane {

class TMediaPlayer : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString VisibleButtons READ VisibleButtons WRITE SetVisibleButtons)
  Q_PROPERTY(QString EnabledButtons READ EnabledButtons WRITE SetEnabledButtons)
  Q_PROPERTY(QString ColoredButtons READ ColoredButtons WRITE SetColoredButtons)

 public:
  enum TMPBtnType { btPlay, btPause, btStop, btNext, btPrev, btStep, btBack, btRecord, btEject };
  static constexpr int ButtonCount = 9;
  static constexpr int NoButton = 9;
  static constexpr quint16 AllButtons = (1u << ButtonCount) - 1;
  // Glyph kinds: enabled, disabled, coloured.
  enum GlyphKind { gkEnabled = 0, gkDisabled = 1, gkColored = 2 };

  // "btPlay" ... "btEject"; "MPPLAY" ... "MPEJECT".
  static QString ButtonName(int button);
  static QString GlyphName(int button);
  // Set text of a mask, members in button order: "[btPlay,btStop]", "[]".
  static QString SetText(quint16 buttons);
  // Strict reading: brackets around known members separated by commas (blanks allowed);
  // false for anything else.
  static bool ParseSetText(const QString& text, quint16* buttons);
  // Lenient reading: every member whose name occurs in the text.
  static quint16 MembersIn(const QString& text);
  // The glyph "EN_MPPLAY" ... "CL_MPEJECT" with 0x008080 see-through; null when the
  // program's resources are not linked in.
  static QImage Glyph(int button, int kind);
  // The visible button whose span [x0, x0 + width] holds x, counting visible buttons from
  // x = 0 in button order, both ends included (the earlier button wins a shared edge);
  // NoButton when none.
  static int HitButton(int x, quint16 visible, int buttonWidth);

  explicit TMediaPlayer(QWidget* parent = nullptr);

  QString VisibleButtons() const { return SetText(visible_); }
  QString EnabledButtons() const { return SetText(enabled_); }
  QString ColoredButtons() const { return SetText(colored_); }
  // Bad set text is refused with a log line and changes nothing.
  void SetVisibleButtons(const QString& text) { SetSet(text, visible_, "VisibleButtons"); }
  void SetEnabledButtons(const QString& text) { SetSet(text, enabled_, "EnabledButtons"); }
  void SetColoredButtons(const QString& text) { SetSet(text, colored_, "ColoredButtons"); }
  quint16 Visible() const { return visible_; }
  quint16 Enabled() const { return enabled_; }
  quint16 Colored() const { return colored_; }
  int VisibleCount() const;
  // Panel width divided among the visible buttons (0 with none).
  int ButtonWidth() const;
  int ButtonAt(int x) const { return HitButton(x, visible_, ButtonWidth()); }
  int PressedButton() const { return pressed_; }

  QSize sizeHint() const override;

 signals:
  void Click(int button);

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;

 private:
  void SetSet(const QString& text, quint16& set, const char* name);

  quint16 visible_ = AllButtons, enabled_ = AllButtons, colored_ = AllButtons;
  int pressed_ = NoButton;
};

}  // namespace orvane
