// Status-bar and group-box painting (see panelpaint.h).
#include "skin/controls/panelpaint.h"

#include <QWidget>

#include "skin/controls/checkpaint.h"
#include "skin/controls/kindkit.h"

namespace orvane::skin::kinds {

namespace {

constexpr int kGripFrame = 5;

// Points from `a` toward `b`, `b` itself left out (straight and diagonal lines).
void LineWithoutEnd(QPainter& p, QPoint a, QPoint b) {
  const int dx = b.x() - a.x(), dy = b.y() - a.y();
  const int n = qMax(qAbs(dx), qAbs(dy));
  for (int i = 0; i < n; ++i) p.drawPoint(a.x() + dx * i / n, a.y() + dy * i / n);
}

}  // namespace

int BevelOf(const QWidget* item) {
  const QString b = PropText(item, "Bevel").toLower();
  if (b == QLatin1String("pbraised")) return pbRaised;
  if (b == QLatin1String("pbnone")) return pbNone;
  return pbLowered;
}

bool HasStatusEdges(const TSkinData& data) { return data.StatusBarEdges && data.StatusBarEdges->HasImage(); }

bool PaintStatusItem(QPainter& p, const TSkinData& data, const QRect& rect, int bevel) {
  if (!HasStatusEdges(data)) return false;
  const TDataSkinObject& e = *data.StatusBarEdges;
  DrawElementImage(p, rect, e.Bitmap, e.Margins(), e.Tile == 1, false, 3, bevel);
  return true;
}

bool PaintStatusBar(QPainter& p, const TSkinData& data, const QRect& rect, bool onePanel) {
  if (!HasStatusEdges(data)) return false;
  p.fillRect(rect, SkinColour(data, scButtonFace));
  if (onePanel) PaintStatusItem(p, data, rect, pbLowered);
  return true;
}

bool PaintSizeGrip(QPainter& p, const TSkinData& data, const QRect& rect, bool leftCorner) {
  if (!data.ExtraImages || !data.ExtraImages->HasImage()) return false;
  const QSize cell = StripFrameSize(data.ExtraImages->Bitmap, data.ExtraImages->FrameCount());
  const int right = rect.left() + rect.width() - 1;
  const int bottom = rect.top() + rect.height() - 1;
  const int x = leftCorner ? rect.left() + 1 : right - cell.width();
  DrawStripFrameKeyed(p, QRect(QPoint(x, bottom - cell.height()), cell), data.ExtraImages->Bitmap,
                      data.ExtraImages->FrameCount(), kGripFrame);
  return true;
}

GroupGeometry GroupLayout(const TSkinData& data, const QFontMetrics& fm, const QRect& r, const QString& text,
                          bool rightAligned, bool checkable) {
  GroupGeometry g;
  const int h = fm.height();
  g.frame = QRect(QPoint(r.left() + 1, r.top() + h / 2 - 1), QPoint(r.right() - 1, r.bottom() - 1));
  QSize box(0, 0);
  int frames = 1;
  if (checkable) {
    if (const QImage* strip = CheckStrip(data, false, &frames)) box = QSize(strip->width() / frames, strip->height());
  }
  const int gap = box.isEmpty() ? 0 : box.width() + 2;
  const QRect measured = MeasureText(fm, text, QRect(0, 0, 0x7FFF, h), DT_EXPANDTABS | DT_SINGLELINE);
  const int tw = measured.width();
  if (rightAligned) {
    const int end = r.left() + r.width() - 8;
    if (!box.isEmpty()) g.check = QRect(end - box.width(), r.top() + (h - box.height()) / 2, box.width(), box.height());
    g.label = QRect(end - gap - tw, r.top(), tw, h);
  } else {
    if (!box.isEmpty()) g.check = QRect(r.left() + 8, r.top() + (h - box.height()) / 2, box.width(), box.height());
    g.label = QRect(r.left() + 8 + gap, r.top(), tw, h);
  }
  g.contents = QRect(QPoint(g.frame.left() + 2, r.top() + h + 2), QPoint(g.frame.right() - 2, g.frame.bottom() - 2));
  return g;
}

bool PaintGroupBox(QPainter& p, const TSkinData& data, const QStyleOptionGroupBox& option) {
  const bool right = (option.textAlignment & Qt::AlignRight) || option.direction == Qt::RightToLeft;
  const bool checkable = option.subControls & QStyle::SC_GroupBoxCheckBox;
  const GroupGeometry g = GroupLayout(data, option.fontMetrics, option.rect, option.text, right, checkable);
  const QColor face = SkinColour(data, scButtonFace);
  p.save();
  p.fillRect(option.rect, face);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QPen(SkinColour(data, scButtonShadow), 1));
  p.setBrush(Qt::NoBrush);
  // A 5 by 5 corner: the corner pixel and its two neighbours stay clear.
  const QRect f = g.frame;
  if (f.width() > 4 && f.height() > 4) {
    p.drawLine(f.left() + 2, f.top(), f.right() - 2, f.top());
    p.drawLine(f.left() + 2, f.bottom(), f.right() - 2, f.bottom());
    p.drawLine(f.left(), f.top() + 2, f.left(), f.bottom() - 2);
    p.drawLine(f.right(), f.top() + 2, f.right(), f.bottom() - 2);
    p.drawPoints(QPolygon({QPoint(f.left() + 1, f.top() + 1), QPoint(f.right() - 1, f.top() + 1),
                           QPoint(f.left() + 1, f.bottom() - 1), QPoint(f.right() - 1, f.bottom() - 1)}));
  }
  if (!option.text.isEmpty() || !g.check.isEmpty()) {
    // The caption cuts the frame line.
    p.fillRect(g.label.adjusted(0, 0, 0, 0), face);
    if (!g.check.isEmpty()) {
      p.fillRect(g.check, face);
      int frames = 1;
      const QImage* strip = CheckStrip(data, false, &frames);
      const int value = (option.state & QStyle::State_On) ? cvChecked : cvUnchecked;
      DrawStripFrameKeyed(p, g.check, *strip, frames, CheckFrame(false, frames, value, option.state & QStyle::State_Enabled));
    }
    p.setPen(option.palette.color(QPalette::Active, QPalette::WindowText));
    DrawText(p, option.text, g.label,
             DT_EXPANDTABS | DT_SINGLELINE | (right ? DT_RIGHT | DT_RTLREADING * (option.direction == Qt::RightToLeft) : 0));
  }
  p.restore();
  return true;
}

void DrawCaptionCentered(QPainter& p, const QRect& rect, const QString& text, int alignment, bool enabled) {
  static constexpr quint32 table[3] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  const quint32 flags = table[qBound(0, alignment, 2)] | DT_SINGLELINE | DT_EXPANDTABS;
  const QRect m = MeasureText(p, text, rect, flags);
  const QRect t(rect.left() + (rect.width() - m.width()) / 2, rect.top() + (rect.height() - m.height()) / 2, m.width(),
                m.height());
  p.save();
  p.setBrush(Qt::NoBrush);
  UsePlainFont(p);
  if (!enabled) p.setPen(DisabledTextColour());
  DrawText(p, text, t, flags);
  p.restore();
}

void DrawArrowGlyph(QPainter& p, int X, int Y, int direction) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  const QPoint segs[2][7][2] = {
      {{{X, Y}, {X, Y - 1}}, {{X + 1, Y + 1}, {X + 4, Y + 4}}, {{X, Y + 1}, {X + 3, Y + 4}}, {{X, Y + 2}, {X + 2, Y + 4}},
       {{X - 1, Y + 1}, {X - 4, Y + 4}}, {{X, Y + 2}, {X - 3, Y + 4}}, {{X, Y + 1}, {X - 2, Y + 4}}},
      {{{X, Y + 3}, {X, Y + 4}}, {{X + 1, Y + 2}, {X + 4, Y - 1}}, {{X, Y + 2}, {X + 3, Y - 1}}, {{X, Y + 1}, {X + 2, Y}},
       {{X - 1, Y + 2}, {X - 4, Y - 1}}, {{X, Y + 2}, {X - 3, Y - 1}}, {{X, Y + 1}, {X - 2, Y}}},
  };
  if (direction == 0 || direction == 1) {
    for (const auto& s : segs[direction]) LineWithoutEnd(p, s[0], s[1]);
  } else if (direction == 2 || direction == 3) {
    const int d = direction == 2 ? 1 : -1;
    const QPolygon path({QPoint(X, Y), QPoint(X + d, Y + 2), QPoint(X + d, Y - 2), QPoint(X - d, Y), QPoint(X + d, Y + 2)});
    p.setBrush(p.pen().color());
    p.drawPolygon(path);
  }
  p.restore();
}

void UsePlainFont(QPainter& p) {
  QFont f = p.font();
  f.setBold(false);
  f.setItalic(false);
  f.setUnderline(false);
  f.setStrikeOut(false);
  p.setFont(f);
}

}  // namespace orvane::skin::kinds
