// Check-box and radio-button painting (see checkpaint.h).
#include "skin/controls/checkpaint.h"

#include <QWidget>

#include "skin/controls/kindkit.h"

namespace orvane::skin::kinds {

const QImage* CheckStrip(const TSkinData& data, bool radio, int* frames) {
  if (!data.Buttons) return nullptr;
  const QImage& strip = radio ? data.Buttons->RadioBitmap : data.Buttons->CheckBitmap;
  if (strip.isNull() || strip.width() <= 0 || strip.height() <= 0) return nullptr;
  const int n = ValidFrameCount(radio ? data.Buttons->RadioButtonFrame : data.Buttons->CheckButtonFrame);
  // A cell under one pixel wide is no strip at all.
  if (strip.width() / n <= 0) return nullptr;
  if (frames) *frames = n;
  return &strip;
}

int CheckFrame(bool radio, int frames, int value, bool enabled) {
  int f = value == cvChecked ? 2 : 1;
  if (!enabled) f += 2;
  const bool grayed = !radio && value == cvGrayed;
  if (grayed) f = 4;
  const int wide = radio ? 8 : 12;
  if (frames == wide) {
    if (f == 2) f = 5;
    else if (f == 3) f = 4;
    else if (f == 4) f = 8;
    if (grayed) f = enabled ? 9 : 12;
  }
  return f;
}

bool CheckTextLeft(const QStyleOption& option, const QWidget* widget) {
  return option.direction == Qt::RightToLeft ||
         PropText(widget, "Alignment").compare(QLatin1String("taLeftJustify"), Qt::CaseInsensitive) == 0;
}

CheckPlacement PlaceCheck(const QFontMetrics& fm, const QRect& rect, const QSize& box, bool radio, bool leftText,
                          bool rtl, const QString& text) {
  CheckPlacement out;
  const int top = rect.top() + (rect.height() - box.height()) / 2;
  QRect area;
  if (leftText) {
    const int right = radio ? rect.right() : rect.right() + 1;
    out.box = QRect(right - box.width(), top, box.width(), box.height());
    area = QRect(QPoint(rect.left(), rect.top()), QPoint(out.box.left() - 3, rect.bottom()));
    out.flags = rtl ? DT_RIGHT | DT_RTLREADING : 0;
  } else {
    out.box = QRect(rect.left(), top, box.width(), box.height());
    area = QRect(QPoint(out.box.right() + 3, rect.top()), rect.bottomRight());
    out.flags = rtl ? +DT_RTLREADING : 0;
  }
  out.flags |= DT_WORDBREAK | DT_EXPANDTABS;
  out.text = MeasureText(fm, text, area, out.flags);
  // A caption drawn at the right of its area ends beside the box: that is where it is clicked.
  if (out.flags & DT_RIGHT) out.text.moveRight(area.right());
  out.text.moveTop(out.text.top() + (rect.height() - out.text.height()) / 2);
  out.click = text.isEmpty() ? out.box : (out.box | out.text);
  out.click &= rect;
  return out;
}

bool PlaceCheckOf(const TSkinData& data, bool radio, const QStyleOption& option, const QWidget* widget,
                  const QString& text, CheckPlacement* out) {
  int frames = 1;
  const QImage* strip = CheckStrip(data, radio, &frames);
  if (!strip) return false;
  *out = PlaceCheck(option.fontMetrics, option.rect, QSize(strip->width() / frames, strip->height()), radio,
                    CheckTextLeft(option, widget), option.direction == Qt::RightToLeft, text);
  return true;
}

bool PaintCheck(QPainter& p, const TSkinData& data, quint16 options, bool radio, const QStyleOptionButton& option,
                const QWidget* widget) {
  int frames = 1;
  const QImage* strip = CheckStrip(data, radio, &frames);
  if (!strip) return false;
  const bool enabled = option.state & QStyle::State_Enabled;
  const int value = (option.state & QStyle::State_NoChange) ? cvGrayed
                    : (option.state & QStyle::State_On)     ? cvChecked
                                                            : cvUnchecked;
  CheckPlacement place;
  PlaceCheckOf(data, radio, option, widget, option.text, &place);
  p.save();
  if (!IsTransparentControl(widget, options)) p.fillRect(option.rect, SkinColour(data, scButtonFace));
  DrawStripFrameKeyed(p, place.box, *strip, frames, CheckFrame(radio, frames, value, enabled));
  p.setPen(enabled ? option.palette.color(QPalette::Active, QPalette::WindowText) : DisabledTextColour());
  if ((option.state & QStyle::State_HasFocus) && !option.text.isEmpty() && !(options & SetBit(xoNoFocusRect)))
    DrawFocusRect(p, TextFocusRect(option.fontMetrics, option.text, place.text, place.flags));
  DrawText(p, option.text, place.text, place.flags);
  p.restore();
  return true;
}

}  // namespace orvane::skin::kinds
