// Image and colour routines (see imgutil.h).
#include "skin/imgutil.h"

#include <QBuffer>
#include <QImageReader>
#include <QPaintDevice>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace orvane::skin {

namespace {

// A quarter turn of a w x h bitmap into an h x w one: new pixel (x, y) is the old pixel that
// `from(x, y, w, h)` names.
template <typename From>
void quarterTurn(QImage& bitmap, From from) {
  if (bitmap.isNull()) return;
  const QImage src = AsSkinImage(bitmap);
  const int w = src.width();
  const int h = src.height();
  QImage out(h, w, SkinImageFormat);
  for (int y = 0; y < w; ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < h; ++x) {
      const QPoint old = from(x, y, w, h);
      line[x] = reinterpret_cast<const QRgb*>(src.constScanLine(old.y()))[old.x()];
    }
  }
  bitmap = out;
}

}  // namespace

QImage ToSkinImage(const QImage& image) {
  if (image.isNull()) return QImage();
  QImage out = image.convertToFormat(QImage::Format_RGB32).convertToFormat(SkinImageFormat);
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      if ((line[x] & 0xFFFFFFu) == 0xFF00FFu) line[x] = 0;
    }
  }
  return out;
}

QImage AsSkinImage(const QImage& image) {
  return image.format() == SkinImageFormat ? image : ToSkinImage(image);
}

QImage LoadSkinBitmap(const QByteArray& bytes) {
  if (bytes.isEmpty()) return QImage();
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "bmp");
  // Skin bitmaps are small; a header that announces a huge picture is refused early.
  const QSize size = reader.size();
  if (size.isValid() && static_cast<qint64>(size.width()) * size.height() > 16 * 1024 * 1024) return QImage();
  QImage image;
  if (!reader.read(&image)) return QImage();
  return ToSkinImage(image);
}

QImage NewKeyImage(int width, int height) {
  QImage image(qMax(0, width), qMax(0, height), SkinImageFormat);
  image.fill(Qt::transparent);
  return image;
}

void ReplaceKeyColour(QImage& bitmap, TColor colour) {
  if (bitmap.isNull()) return;
  bitmap = AsSkinImage(bitmap);
  const QRgb with = qRgb(RedOf(colour), GreenOf(colour), BlueOf(colour));
  for (int y = 0; y < bitmap.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(bitmap.scanLine(y));
    for (int x = 0; x < bitmap.width(); ++x) {
      if (IsKeyPixel(line[x])) line[x] = with;
    }
  }
}

void MirrorHorz(QImage& bitmap) {
  if (bitmap.isNull()) return;
  QImage src = AsSkinImage(bitmap);
  QImage out(src.size(), SkinImageFormat);
  const int w = src.width();
  for (int y = 0; y < src.height(); ++y) {
    const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < w; ++x) line[x] = in[w - 1 - x];
  }
  bitmap = out;
}

void MirrorFramesHorz(QImage& bitmap, int frames) {
  if (bitmap.isNull()) return;
  QImage out = AsSkinImage(bitmap).copy();
  const int n = frames < 1 ? 1 : frames;
  const int fw = out.width() / n;
  if (fw < 2) {
    bitmap = out;
    return;
  }
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int k = 0; k < n; ++k) std::reverse(line + k * fw, line + (k + 1) * fw);
  }
  bitmap = out;
}

void FlipVert(QImage& bitmap) {
  if (bitmap.isNull()) return;
  QImage src = AsSkinImage(bitmap);
  QImage out(src.size(), SkinImageFormat);
  const int h = src.height();
  const qsizetype rowBytes = static_cast<qsizetype>(src.width()) * 4;
  for (int y = 0; y < h; ++y) std::memcpy(out.scanLine(h - 1 - y), src.constScanLine(y), static_cast<size_t>(rowBytes));
  bitmap = out;
}

void RotateLeft(QImage& bitmap) {
  quarterTurn(bitmap, [](int x, int y, int w, int) { return QPoint(w - 1 - y, x); });
}

void RotateRight(QImage& bitmap) {
  quarterTurn(bitmap, [](int x, int y, int, int h) { return QPoint(y, h - 1 - x); });
}

TColor BlendColor(TColor a, TColor b, int w) {
  a = ColorToRGB(a);
  b = ColorToRGB(b);
  const int scale = w < 100 ? 100 : 1000;
  const int rounding = w < 100 ? 50 : 500;
  auto mix = [&](int ca, int cb) { return ((cb * (scale - w) + ca * w + rounding) / scale) & 0xFF; };
  return RGBColor(mix(RedOf(a), RedOf(b)), mix(GreenOf(a), GreenOf(b)), mix(BlueOf(a), BlueOf(b)));
}

int ColorSaturation(TColor c) {
  const int r = RedOf(c);
  const int g = GreenOf(c);
  const int b = BlueOf(c);
  if (r < 160 && g < 160 && b < 160) return 200;
  const int mx = std::max({r, g, b});
  const int mn = std::min({r, g, b});
  if (mx == 0) return 0;
  // Ties go to the even number, as the class library's rounding does.
  return static_cast<int>(std::nearbyint(255.0 * (mx - mn) / mx));
}

namespace {

struct GradientSlot {
  int n = 0;
  TColor start = 0;
  TColor end = 0;
  QVector<TColor> colours;
};

struct GradientCache {
  std::array<GradientSlot, 16> entries;
  int next = 0;
};

GradientCache& gradientCache() {
  static GradientCache cache;
  return cache;
}

// a * i / den rounded half away from zero.
int roundedStep(int a, int i, int den) {
  const int num = a * i;
  return (num + (num < 0 ? -(den / 2) : den / 2)) / den;
}

}  // namespace

QVector<TColor> GradientColourTable(int n, TColor start, TColor end, bool* fromCache) {
  Q_ASSERT(n >= 1);
  if (fromCache) *fromCache = false;
  if (n < 1) return {};
  GradientCache& cache = gradientCache();
  for (int k = 15; k >= 0; --k) {
    const GradientSlot& slot = cache.entries[static_cast<size_t>(k)];
    if (slot.n == n && slot.start == start && slot.end == end) {
      if (fromCache) *fromCache = true;
      return slot.colours;
    }
  }
  GradientSlot& slot = cache.entries[static_cast<size_t>(cache.next)];
  cache.next = (cache.next + 1) % 16;
  slot.n = n;
  slot.start = start;
  slot.end = end;
  slot.colours.resize(n);
  const int dr = RedOf(end) - RedOf(start);
  const int dg = GreenOf(end) - GreenOf(start);
  const int db = BlueOf(end) - BlueOf(start);
  if (n == 1) {
    slot.colours[0] = RGBColor(RedOf(start) + dr / 2, GreenOf(start) + dg / 2, BlueOf(start) + db / 2);
  } else {
    for (int i = 0; i < n; ++i) {
      slot.colours[i] = RGBColor(RedOf(start) + roundedStep(dr, i, n - 1), GreenOf(start) + roundedStep(dg, i, n - 1),
                                 BlueOf(start) + roundedStep(db, i, n - 1));
    }
  }
  return slot.colours;
}

void GradientFill(QPainter& painter, const QRect& rect, TColor start, int direction, TColor end) {
  if (!painter.isActive() || rect.isEmpty()) return;
  QRect visible;
  if (const QPaintDevice* device = painter.device()) {
    visible = painter.deviceTransform().inverted().mapRect(QRect(0, 0, device->width(), device->height()));
  }
  if (painter.hasClipping()) visible &= painter.clipBoundingRect().toAlignedRect();
  if (!visible.intersects(rect)) return;
  start = ColorToRGB(start);
  end = ColorToRGB(end);
  const bool rows = direction == 1;
  const int n = rows ? rect.height() : rect.width();
  if (n < 1) return;
  const int before = rows ? visible.top() - rect.top() : visible.left() - rect.left();
  const int after = rows ? rect.bottom() - visible.bottom() : rect.right() - visible.right();
  const int first = qMax(0, before);
  const int last = n - 1 - qMax(0, after);
  const QVector<TColor> colours = GradientColourTable(n, start, end);
  for (int band = first; band <= last; ++band) {
    const QRect r = rows ? QRect(rect.left(), rect.top() + band, rect.width(), 1)
                         : QRect(rect.left() + band, rect.top(), 1, rect.height());
    painter.fillRect(r, ToQColor(colours[band]));
  }
}

}  // namespace orvane::skin
