// Geometry the control skinners of sliders, up-downs, progress bars and tabs share between
// painting and hit-testing: one routine per question, so what is drawn is what is hit.
#pragma once

#include <QImage>
#include <QRect>
#include <utility>

namespace orvane::skin {

// ---- up-down ----
// Arrows: 0 up, 1 down (the vertical element), 2 left, 3 right (the horizontal one).
enum UpDownArrow { udUp = 0, udDown = 1, udLeft = 2, udRight = 3 };
// States: 1 normal, 2 pressed, 3 disabled, 4 hot.
enum UpDownState { udsNormal = 1, udsPressed = 2, udsDisabled = 3, udsHot = 4 };
// The two halves of an up-down's rectangle: side by side (left, right) or one above the other
// (top, bottom), each half the length rounded down; an odd last pixel belongs to neither.
std::pair<QRect, QRect> UpDownHalves(const QRect& rect, bool horizontal);
// The pair inside an edit keeps 3 pixels from the edit's top, bottom and right edges.
QRect InEditRect(const QRect& pair, const QRect& edit);
// The strip frame of an arrow in a state: arrow (counted within its element) x 4 + state.
constexpr int UpDownFrame(int arrow, int state) { return (arrow & 1) * 4 + state; }
// A half's state: disabled wins; over the half, pressed wins over hot; else normal.
constexpr int UpDownHalfState(bool enabled, bool pressed, bool hot) {
  return !enabled ? udsDisabled : pressed ? udsPressed : hot ? udsHot : udsNormal;
}

// ---- progress ----
// The filled length of a bar `length` long: length x (pos - min) / (max - min) in 64 bits,
// rounded down, clamped to [0, length]; 0 when max <= min.
int ProgressFill(int length, qint64 pos, qint64 min, qint64 max);
// Tiled chunks of width `chunk` for a fill: (fill - leftWidth) div chunk + 1, none for no fill.
int ProgressChunks(int fill, int leftWidth, int chunk);

// ---- tabs ----
// Tab positions: 0 top, 1 bottom, 2 left, 3 right.
enum TabOrientation { toTop = 0, toBottom = 1, toLeft = 2, toRight = 3 };
// The size of a tab's unturned image for its rectangle (length and thickness swapped for
// tabs at the sides).
QSize UnturnedSize(const QSize& size, int orientation);
// The quarter turn of a side tab: anticlockwise for the left, clockwise for the right;
// top and bottom tabs are not turned.
void TurnImage(QImage& image, int orientation);
// Where a rectangle of an unturned tab image of `size` lies once TurnImage has turned it.
QRect TurnRect(const QRect& r, const QSize& size, int orientation);
// The close mark of an unturned tab of `size`: its top-right corner, from (right - 8, top + 2)
// to (right - 2, top + 8).
QRect CloseMarkRect(const QSize& size);

}  // namespace orvane::skin
