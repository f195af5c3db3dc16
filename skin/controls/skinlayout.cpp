// Geometry shared by the skinners' painting and hit tests.
#include "skin/controls/skinlayout.h"

#include "skin/imgutil.h"

namespace orvane::skin {

std::pair<QRect, QRect> UpDownHalves(const QRect& rect, bool horizontal) {
  if (horizontal) {
    const int half = rect.width() / 2;
    return {QRect(rect.left(), rect.top(), half, rect.height()),
            QRect(rect.left() + half, rect.top(), half, rect.height())};
  }
  const int half = rect.height() / 2;
  return {QRect(rect.left(), rect.top(), rect.width(), half),
          QRect(rect.left(), rect.top() + half, rect.width(), half)};
}

QRect InEditRect(const QRect& pair, const QRect& edit) {
  QRect r = pair;
  if (r.top() < edit.top() + 3) r.setTop(edit.top() + 3);
  if (r.bottom() > edit.bottom() - 3) r.setBottom(edit.bottom() - 3);
  if (r.right() > edit.right() - 3) r.setRight(edit.right() - 3);
  return r;
}

int ProgressFill(int length, qint64 pos, qint64 min, qint64 max) {
  if (length <= 0 || max <= min) return 0;
  // Outside the range the bar is empty or full; inside, the product of a length and a span of
  // int positions needs up to 64 bits unsigned, so it is formed in 128.
  if (pos <= min) return 0;
  if (pos >= max) return length;
  const __int128 fill = static_cast<__int128>(length) * (pos - min) / (max - min);
  return static_cast<int>(fill);
}

int ProgressChunks(int fill, int leftWidth, int chunk) {
  if (fill <= 0 || chunk <= 0) return 0;
  return qMax(0, (fill - leftWidth) / chunk + 1);
}

QSize UnturnedSize(const QSize& size, int orientation) {
  return orientation == toLeft || orientation == toRight ? size.transposed() : size;
}

void TurnImage(QImage& image, int orientation) {
  if (orientation == toLeft) RotateLeft(image);
  else if (orientation == toRight) RotateRight(image);
}

QRect TurnRect(const QRect& r, const QSize& size, int orientation) {
  switch (orientation) {
    case toLeft:  // (x, y) goes to (y, W - 1 - x)
      return QRect(r.top(), size.width() - 1 - r.right(), r.height(), r.width());
    case toRight:  // (x, y) goes to (H - 1 - y, x)
      return QRect(size.height() - 1 - r.bottom(), r.left(), r.height(), r.width());
    default:
      return r;
  }
}

QRect CloseMarkRect(const QSize& size) { return QRect(QPoint(size.width() - 8, 2), QPoint(size.width() - 2, 8)); }

}  // namespace orvane::skin
