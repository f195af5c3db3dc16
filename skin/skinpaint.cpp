// Drawing primitives of the skin engine (see skinpaint.h).
#include "skin/skinpaint.h"

#include <vector>

#include "skin/imgutil.h"

namespace orvane::skin {

namespace {

// Restores the painter's composition mode on leaving.
class CompositionScope {
 public:
  CompositionScope(QPainter& p, QPainter::CompositionMode mode) : p_(p), saved_(p.compositionMode()) {
    p_.setCompositionMode(mode);
  }
  ~CompositionScope() { p_.setCompositionMode(saved_); }

 private:
  QPainter& p_;
  QPainter::CompositionMode saved_;
};

bool isInverted(const QRect& r) { return r.width() < 0 || r.height() < 0; }

// Draws `src` of `image` stretched to `dst`: see-through pixels left out, or painted in the
// key colour for an opaque copy (alpha is 0 or 255, so the result equals a plain copy).
void blit(QPainter& p, const QRect& dst, const QImage& image, const QRect& src, bool transparent) {
  if (dst.width() <= 0 || dst.height() <= 0 || src.width() <= 0 || src.height() <= 0) return;
  CompositionScope scope(p, QPainter::CompositionMode_SourceOver);
  if (!transparent) FillRectBanded(p, dst, QColor(255, 0, 255));
  DrawImageBanded(p, dst, image, src);
}

constexpr int kBandRows = 64;

}  // namespace

void DrawImageBanded(QPainter& painter, const QRect& dst, const QImage& image, const QRect& src) {
  if (dst.height() <= kBandRows * 3 / 2) {
    painter.drawImage(dst, image, src);
    return;
  }
  for (int y = dst.top(); y <= dst.bottom(); y += kBandRows) {
    painter.save();
    painter.setClipRect(QRect(dst.left(), y, dst.width(), qMin(kBandRows, dst.bottom() + 1 - y)), Qt::IntersectClip);
    painter.drawImage(dst, image, src);
    painter.restore();
  }
}

void FillRectBanded(QPainter& painter, const QRect& rect, const QColor& colour) {
  for (int y = rect.top(); y <= rect.bottom(); y += kBandRows)
    painter.fillRect(QRect(rect.left(), y, rect.width(), qMin(kBandRows, rect.bottom() + 1 - y)), colour);
}

QRect FrameRect(const QImage& image, bool vertical, int frames, int frame) {
  if (image.isNull()) return QRect();
  const int n = ValidFrameCount(frames);
  const int k = qBound(1, frame, n);
  if (vertical) {
    const int h = image.height() / n;
    return QRect(0, (k - 1) * h, image.width(), h);
  }
  const int w = image.width() / n;
  return QRect((k - 1) * w, 0, w, image.height());
}

QImage BuildSkinBitmap(const QSize& size, const QImage& image, const QMargins& margins, bool vertical, bool tile,
                       int frames, int frame, const QRect& part) {
  const QRect shown = part.isValid() ? part & QRect(QPoint(0, 0), size) : QRect(QPoint(0, 0), size);
  QImage out = NewKeyImage(shown.width(), shown.height());
  if (out.isNull() || image.isNull()) return out;
  const QRect cell = FrameRect(image, vertical, frames, frame);
  if (cell.isEmpty()) return out;
  const QImage src = AsSkinImage(image);
  int L = qMax(0, margins.left());
  int T = qMax(0, margins.top());
  int R = qMax(0, margins.right());
  int B = qMax(0, margins.bottom());
  const int W = size.width();
  const int H = size.height();
  // In 64 bits: margins come from skin descriptions, and two of them may not fit an int.
  if (qint64(L) + R > W) L = R = 0;
  if (qint64(T) + B > H) T = B = 0;
  const int cw = cell.width();
  const int ch = cell.height();
  const QRect within(0, 0, cw, ch);

  QPainter p(&out);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  // The whole is drawn as if at its own origin; what lies outside the part falls away.
  p.translate(-shown.topLeft());
  // Source rectangles are kept inside the cell, so oversized margins never reach a
  // neighbouring frame.
  auto piece = [&](const QRect& dst, const QRect& from) {
    const QRect s = from & within;
    if (dst.width() <= 0 || dst.height() <= 0 || s.isEmpty() || !dst.intersects(shown)) return;
    DrawImageBanded(p, dst, src, s.translated(cell.topLeft()));
  };
  if (L * T > 0) piece(QRect(0, 0, L, T), QRect(0, 0, L, T));
  if (L * B > 0) piece(QRect(0, H - B, L, B), QRect(0, ch - B, L, B));
  if (R * T > 0) piece(QRect(W - R, 0, R, T), QRect(cw - R, 0, R, T));
  if (L > 0) piece(QRect(0, T, L, H - T - B), QRect(0, T, L, ch - T - B));
  if (T > 0) piece(QRect(L, 0, W - L - R, T), QRect(L, 0, cw - L - R, T));
  const QRect centre(L, T, W - L - R, H - T - B);
  const QRect centreSrc = QRect(L, T, cw - L - R, ch - T - B) & within;
  if (tile) {
    if (!centreSrc.isEmpty() && centre.intersects(shown)) {
      // Only the tiles that reach the part, on the grid of the whole.
      const QRect from = centreSrc.translated(cell.topLeft());
      const int tw = from.width(), th = from.height();
      const QRect reach = centre & shown;
      const int skipX = (reach.left() - centre.left()) / tw, skipY = (reach.top() - centre.top()) / th;
      const QPoint start(centre.left() + skipX * tw, centre.top() + skipY * th);
      TileBitmap(p, QRect(start, QPoint(qMin(centre.right(), reach.right()), qMin(centre.bottom(), reach.bottom()))),
                 src, from);
    }
  } else {
    piece(centre, centreSrc);
  }
  if (R * B > 0) piece(QRect(W - R, H - B, R, B), QRect(cw - R, ch - B, R, B));
  if (R > 0) piece(QRect(W - R, T, R, H - T - B), QRect(cw - R, T, R, ch - T - B));
  if (B > 0) piece(QRect(L, H - B, W - L - R, B), QRect(L, ch - B, cw - L - R, B));
  return out;
}

void DrawSkinImage(QPainter& painter, const QRect& rect, const QImage& image, bool vertical, bool tile,
                   bool transparent, int frames, int frame, const QMargins& margins, const QRect& part) {
  if (isInverted(rect) || rect.isEmpty() || image.isNull()) return;
  const QRect shown = part.isValid() ? part & QRect(QPoint(0, 0), rect.size()) : QRect(QPoint(0, 0), rect.size());
  if (shown.isEmpty()) return;
  const QImage built = BuildSkinBitmap(rect.size(), image, margins, vertical, tile, frames, frame, shown);
  blit(painter, shown.translated(rect.topLeft()), built, built.rect(), transparent);
}

void DrawStripFrame(QPainter& painter, const QRect& rect, const QImage& image, bool transparent, int frames,
                    int frame) {
  if (isInverted(rect) || image.isNull()) return;
  blit(painter, rect, AsSkinImage(image), FrameRect(image, false, frames, frame), transparent);
}

void DrawStripFrameCentered(QPainter& painter, const QRect& rect, const QImage& image, bool transparent, int frames,
                            int frame) {
  if (isInverted(rect) || image.isNull()) return;
  const QRect cell = FrameRect(image, false, frames, frame);
  const QRect dst(rect.x() + (rect.width() - cell.width()) / 2, rect.y() + (rect.height() - cell.height()) / 2,
                  cell.width(), cell.height());
  blit(painter, dst, AsSkinImage(image), cell, transparent);
}

void DrawStripFrameThreePart(QPainter& painter, const QRect& rect, const QImage& image, bool vertical, int frames,
                             int frame, const QMargins& margins) {
  if (isInverted(rect) || rect.isEmpty() || image.isNull()) return;
  const QImage src = AsSkinImage(image);
  const QRect cell = FrameRect(image, vertical, frames, frame);
  if (cell.width() > rect.width()) {
    blit(painter, rect, src, cell, false);
    return;
  }
  const int L = qBound(0, margins.left(), cell.width());
  const int R = qBound(0, margins.right(), cell.width() - L);
  const int cw = cell.width();
  const int h = rect.height();
  blit(painter, QRect(rect.x(), rect.y(), L, h), src, QRect(cell.x(), cell.y(), L, cell.height()), false);
  blit(painter, QRect(rect.x() + L, rect.y(), rect.width() - L - R, h), src,
       QRect(cell.x() + L, cell.y(), cw - L - R, cell.height()), false);
  blit(painter, QRect(rect.x() + rect.width() - R, rect.y(), R, h), src,
       QRect(cell.x() + cw - R, cell.y(), R, cell.height()), false);
}

void DrawTiledThreePart(QPainter& painter, const QRect& rect, const QImage& image, bool vertical, bool transparent,
                        int frames, int frame, const QMargins& margins) {
  if (isInverted(rect) || rect.isEmpty() || image.isNull()) return;
  const QImage src = AsSkinImage(image);
  const QRect cell = FrameRect(image, vertical, frames, frame);
  if (cell.isEmpty()) return;
  const int W = rect.width();
  const int H = rect.height();
  const int cw = cell.width();
  const int L = qBound(0, margins.left(), cw);
  const int R = qBound(0, margins.right(), cw - L);
  const int middle = cw - L - R;
  QImage strip = NewKeyImage(W, H);
  {
    QPainter p(&strip);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    auto part = [&](int x, int width, int from) {
      if (width > 0) p.drawImage(QRect(x, 0, width, H), src, QRect(cell.x() + from, cell.y(), width, cell.height()));
    };
    part(0, L, 0);
    // A cell without a middle part has nothing to repeat.
    if (middle > 0) {
      for (int x = L; x < W - R; x += middle) part(x, middle, L);
    }
    part(W - R, R, cw - R);
  }
  blit(painter, rect, strip, strip.rect(), transparent);
}

void TileBitmap(QPainter& painter, const QRect& dest, const QImage& image, const QRect& source) {
  if (source.width() <= 0 || source.height() <= 0 || image.isNull()) return;
  const QImage tile = image.copy(source);
  const int right = dest.x() + dest.width();
  const int bottom = dest.y() + dest.height();
  for (int x = dest.x(); x < right; x += tile.width()) {
    for (int y = dest.y(); y < bottom; y += tile.height()) painter.drawImage(QPoint(x, y), tile);
  }
}

void DrawTransparentBitmap(QPainter& painter, const QRect& rect, const QImage& image, TColor key) {
  if (isInverted(rect) || image.isNull()) return;
  const QRect part = QRect(0, 0, rect.width(), rect.height()) & image.rect();
  if (part.isEmpty()) return;
  QImage src = AsSkinImage(image);
  key = ColorToRGB(key);
  if (key != KeyColour) {
    // Another key: leave out pixels of that colour and draw the key colour itself.
    src = src.copy(part);
    const QRgb wanted = qRgb(RedOf(key), GreenOf(key), BlueOf(key));
    for (int y = 0; y < src.height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(src.scanLine(y));
      for (int x = 0; x < src.width(); ++x) line[x] = OriginalColour(line[x]) == wanted ? 0 : OriginalColour(line[x]);
    }
    blit(painter, QRect(rect.topLeft(), part.size()), src, src.rect(), true);
    return;
  }
  blit(painter, QRect(rect.topLeft(), part.size()), src, part, true);
}

QRegion CreateRegionFromBitmap(const QImage& image, int xOffset, int yOffset, int toleranceBlue, int toleranceGreen,
                               int toleranceRed, TColor key) {
  if (image.isNull()) return QRegion();
  const QImage src = AsSkinImage(image);
  key = ColorToRGB(key);
  const int kr = RedOf(key), kg = GreenOf(key), kb = BlueOf(key);
  const int hr = qMin(255, kr + toleranceRed), hg = qMin(255, kg + toleranceGreen), hb = qMin(255, kb + toleranceBlue);
  auto matches = [&](QRgb pixel) {
    const QRgb c = OriginalColour(pixel);
    const int r = qRed(c), g = qGreen(c), b = qBlue(c);
    return r >= kr && r <= hr && g >= kg && g <= hg && b >= kb && b <= hb;
  };

  // Runs of kept pixels per line; lines with the same runs are merged into one band, so the
  // rectangles come out sorted and banded as QRegion wants them.
  struct Band {
    int top = 0;
    int height = 0;
    std::vector<std::pair<int, int>> runs;
  };
  std::vector<Band> bands;
  std::vector<std::pair<int, int>> runs;
  for (int y = 0; y < src.height(); ++y) {
    runs.clear();
    const auto* line = reinterpret_cast<const QRgb*>(src.constScanLine(y));
    int x = 0;
    while (x < src.width()) {
      while (x < src.width() && matches(line[x])) ++x;
      if (x >= src.width()) break;
      const int start = x;
      while (x < src.width() && !matches(line[x])) ++x;
      runs.emplace_back(start, x);
    }
    if (runs.empty()) continue;
    if (!bands.empty() && bands.back().top + bands.back().height == y && bands.back().runs == runs) {
      ++bands.back().height;
    } else {
      bands.push_back(Band{y, 1, runs});
    }
  }
  std::vector<QRect> rects;
  for (const Band& band : bands) {
    for (const auto& [from, to] : band.runs) rects.emplace_back(xOffset + from, yOffset + band.top, to - from, band.height);
  }
  QRegion region;
  if (!rects.empty()) region.setRects(rects.data(), static_cast<int>(rects.size()));
  return region;
}

}  // namespace orvane::skin
