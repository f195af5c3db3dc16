// The media player's button row: set text, layout, painting and clicks.
#include "platform/forms/mediaplayer.h"

#include <QDebug>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <array>

namespace orvane {

namespace {
const char* const kButtonNames[TMediaPlayer::ButtonCount] = {"btPlay", "btPause", "btStop",   "btNext", "btPrev",
                                                             "btStep", "btBack",  "btRecord", "btEject"};
const char* const kGlyphNames[TMediaPlayer::ButtonCount] = {"MPPLAY", "MPPAUSE", "MPSTOP",   "MPNEXT", "MPPREV",
                                                            "MPSTEP", "MPBACK",  "MPRECORD", "MPEJECT"};
const char* const kKindPrefixes[3] = {"EN", "DI", "CL"};
}  // namespace

QString TMediaPlayer::ButtonName(int button) {
  return button >= 0 && button < ButtonCount ? QLatin1String(kButtonNames[button]) : QString();
}

QString TMediaPlayer::GlyphName(int button) {
  return button >= 0 && button < ButtonCount ? QLatin1String(kGlyphNames[button]) : QString();
}

QString TMediaPlayer::SetText(quint16 buttons) {
  QStringList members;
  for (int i = 0; i < ButtonCount; ++i)
    if (buttons & (1u << i)) members << QLatin1String(kButtonNames[i]);
  return QLatin1Char('[') + members.join(QLatin1Char(',')) + QLatin1Char(']');
}

bool TMediaPlayer::ParseSetText(const QString& text, quint16* buttons) {
  const QString t = text.trimmed();
  if (!t.startsWith(QLatin1Char('[')) || !t.endsWith(QLatin1Char(']')) || t.size() < 2) return false;
  const QString inner = t.mid(1, t.size() - 2).trimmed();
  quint16 mask = 0;
  if (!inner.isEmpty()) {
    for (const QString& part : inner.split(QLatin1Char(','))) {
      const QString name = part.trimmed();
      int found = -1;
      for (int i = 0; i < ButtonCount && found < 0; ++i)
        if (name.compare(QLatin1String(kButtonNames[i]), Qt::CaseInsensitive) == 0) found = i;
      if (found < 0) return false;
      mask |= 1u << found;
    }
  }
  *buttons = mask;
  return true;
}

quint16 TMediaPlayer::MembersIn(const QString& text) {
  quint16 mask = 0;
  for (int i = 0; i < ButtonCount; ++i)
    if (text.contains(QLatin1String(kButtonNames[i]))) mask |= 1u << i;
  return mask;
}

QImage TMediaPlayer::Glyph(int button, int kind) {
  static std::array<QImage, ButtonCount * 3> cache;
  static std::array<bool, ButtonCount * 3> loaded{};
  if (button < 0 || button >= ButtonCount || kind < 0 || kind > 2) return QImage();
  const int slot = button * 3 + kind;
  if (!loaded[slot]) {
    loaded[slot] = true;
    QImage image(QStringLiteral(":/mediaplayer/%1_%2.bmp")
                     .arg(QLatin1String(kKindPrefixes[kind]), QLatin1String(kGlyphNames[button])));
    if (!image.isNull()) {
      // 0x008080 as the classic colour value is red 0x80, green 0x80, blue 0.
      image = image.convertToFormat(QImage::Format_ARGB32);
      const QRgb key = qRgb(0x80, 0x80, 0x00);
      for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
          if ((line[x] | 0xFF000000u) == key) line[x] = 0;
      }
      cache[slot] = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
  }
  return cache[slot];
}

int TMediaPlayer::HitButton(int x, quint16 visible, int buttonWidth) {
  qint64 x0 = 0;
  for (int i = 0; i < ButtonCount; ++i) {
    if (!(visible & (1u << i))) continue;
    if (x >= x0 && x <= x0 + buttonWidth) return i;
    x0 += buttonWidth;
  }
  return NoButton;
}

TMediaPlayer::TMediaPlayer(QWidget* parent) : QWidget(parent) {
  setProperty("vclClass", QStringLiteral("TMediaPlayer"));
}

void TMediaPlayer::SetSet(const QString& text, quint16& set, const char* name) {
  quint16 mask = 0;
  if (!ParseSetText(text, &mask)) {
    qWarning().noquote() << QStringLiteral("Media player %1: \"%2\" is no set of buttons; kept %3")
                                .arg(QLatin1String(name), text, SetText(set));
    return;
  }
  set = mask;
  if (pressed_ != NoButton && !(visible_ & (1u << pressed_))) pressed_ = NoButton;
  update();
}

int TMediaPlayer::VisibleCount() const { return qPopulationCount(visible_); }

int TMediaPlayer::ButtonWidth() const {
  const int count = VisibleCount();
  return count ? width() / count : 0;
}

void TMediaPlayer::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().button());
  const int w = ButtonWidth();
  if (!w) return;
  int x = 0;
  for (int i = 0; i < ButtonCount; ++i) {
    if (!(visible_ & (1u << i))) continue;
    const bool enabled = isEnabled() && (enabled_ & (1u << i));
    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = QRect(x, 0, w, height());
    option.state &= ~(QStyle::State_Sunken | QStyle::State_Enabled | QStyle::State_HasFocus);
    option.state |= QStyle::State_Raised;
    if (enabled) option.state |= QStyle::State_Enabled;
    const bool down = enabled && pressed_ == i;
    if (down) option.state |= QStyle::State_Sunken;
    style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &painter, this);
    const QImage glyph = Glyph(i, !enabled ? gkDisabled : (colored_ & (1u << i)) ? gkColored : gkEnabled);
    if (!glyph.isNull())
      painter.drawImage(x + (w - glyph.width()) / 2, (height() - glyph.height()) / 2 + (down ? 1 : 0), glyph);
    x += w;
  }
}

void TMediaPlayer::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return QWidget::mousePressEvent(e);
  const int b = ButtonAt(static_cast<int>(e->position().x()));
  pressed_ = b != NoButton && (enabled_ & (1u << b)) ? b : NoButton;
  update();
}

void TMediaPlayer::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(e);
  const int pressed = pressed_;
  pressed_ = NoButton;
  update();
  const int b = ButtonAt(static_cast<int>(e->position().x()));
  if (pressed != NoButton && b == pressed && e->position().y() >= 0 && e->position().y() < height() && isEnabled())
    emit Click(b);
}

QSize TMediaPlayer::sizeHint() const { return QSize(qMax(1, VisibleCount()) * 29, 30); }

}  // namespace orvane
