// Painting helpers of the control kinds (see kindkit.h).
#include "skin/controls/kindkit.h"

#include <QBitmap>
#include <QPixmapCache>
#include <QTextLayout>
#include <QVariant>
#include <QWidget>

#include "skin/WinSkinData.h"
#include "skin/imgutil.h"
#include "skin/skinpaint.h"

namespace orvane::skin::kinds {

namespace {

// A built nine-slice piece, ready to draw: see-through pixels stay see-through, or carry the
// key colour for an opaque element (what a plain copy of the bitmap gives).
QPixmap Piece(const QImage& image, const QMargins& margins, bool tile, bool transparent, int frames, int frame,
              const QSize& size) {
  const QString key = QStringLiteral("kinds:%1:%2,%3,%4,%5:%6%7:%8/%9:%10x%11")
                          .arg(image.cacheKey())
                          .arg(margins.left())
                          .arg(margins.top())
                          .arg(margins.right())
                          .arg(margins.bottom())
                          .arg(tile ? 't' : 's')
                          .arg(transparent ? 'k' : 'o')
                          .arg(ValidFrameCount(frames))
                          .arg(frame)
                          .arg(size.width())
                          .arg(size.height());
  QPixmap pm;
  if (QPixmapCache::find(key, &pm)) return pm;
  QImage built = BuildSkinBitmap(size, image, margins, false, tile, frames, frame);
  if (!transparent) {
    QImage opaque(built.size(), QImage::Format_ARGB32_Premultiplied);
    opaque.fill(QColor(255, 0, 255));
    QPainter p(&opaque);
    p.drawImage(0, 0, built);
    p.end();
    built = opaque;
  }
  pm = QPixmap::fromImage(built);
  QPixmapCache::insert(key, pm);
  return pm;
}

}  // namespace

QColor SkinColour(const TSkinData& data, SkinColourSlot slot) { return ToQColor(data.Colour(slot)); }

QColor DisabledTextColour() { return ToQColor(SysColor(COLOR_BTNSHADOW)); }

void DrawElementImage(QPainter& p, const QRect& rect, const QImage& image, const QMargins& margins, bool tile,
                      bool transparent, int frames, int frame) {
  if (rect.width() <= 0 || rect.height() <= 0 || image.isNull()) return;
  p.drawPixmap(rect.topLeft(), Piece(image, margins, tile, transparent, frames, frame, rect.size()));
}

void DrawElement(QPainter& p, const QRect& rect, const TDataSkinObject& element, int frames, int frame) {
  DrawElementImage(p, rect, element.Bitmap, element.Margins(), element.Tile == 1, element.Trans == 1, frames, frame);
}

void DrawStripFrameKeyed(QPainter& p, const QRect& rect, const QImage& strip, int frames, int frame) {
  DrawStripFrame(p, rect, strip, true, frames, frame);
}

QSize StripFrameSize(const QImage& strip, int frames) {
  if (strip.isNull()) return QSize();
  return QSize(strip.width() / ValidFrameCount(frames), strip.height());
}

QRect MeasureText(const QFontMetrics& fm, const QString& text, const QRect& rect, quint32 format) {
  if (text.isEmpty()) return QRect(rect.topLeft(), QSize(0, 0));
  int flags = Qt::TextShowMnemonic;
  if (format & DT_EXPANDTABS) flags |= Qt::TextExpandTabs;
  if (format & DT_SINGLELINE) {
    flags |= Qt::TextSingleLine;
  } else if (format & DT_WORDBREAK) {
    flags |= Qt::TextWordWrap;
  }
  const int width = (format & DT_WORDBREAK) && !(format & DT_SINGLELINE) ? qMax(1, rect.width()) : 0x7FFF;
  const QRect need = fm.boundingRect(QRect(0, 0, width, 0x7FFF), flags | Qt::AlignLeft | Qt::AlignTop, text);
  int w = need.width();
  const bool severalLines = need.height() > fm.height() + fm.leading();
  if ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE) && severalLines) w = qMax(rect.width(), w);
  return QRect(rect.topLeft(), QSize(w, need.height()));
}

void DrawText(QPainter& p, const QString& text, const QRect& rect, quint32 format) {
  if (text.isEmpty()) return;
  const Qt::LayoutDirection saved = p.layoutDirection();
  if (format & DT_RTLREADING) p.setLayoutDirection(Qt::RightToLeft);
  QRect r = rect;
  SkinDrawText(&p, text, r, format & ~DT_RTLREADING);
  p.setLayoutDirection(saved);
}

void DrawFocusRect(QPainter& p, const QRect& rect) {
  if (rect.width() <= 0 || rect.height() <= 0) return;
  // Every other pixel going round the edge from the top-left corner.
  QPolygon ring;
  const int l = rect.left(), t = rect.top(), r = rect.right(), b = rect.bottom();
  for (int x = l; x <= r; ++x) ring << QPoint(x, t);
  for (int y = t + 1; y <= b; ++y) ring << QPoint(r, y);
  if (b > t)
    for (int x = r - 1; x >= l; --x) ring << QPoint(x, b);
  if (r > l)
    for (int y = b - 1; y > t; --y) ring << QPoint(l, y);
  QPolygon dots;
  for (int i = 0; i < ring.size(); i += 2) dots << ring[i];
  p.save();
  // White taken away from what is beneath inverts it, and leaves the alpha alone.
  p.setCompositionMode(QPainter::CompositionMode_Difference);
  p.setPen(QPen(Qt::white, 1));
  p.setBrush(Qt::NoBrush);
  p.drawPoints(dots);
  p.restore();
}

QRect TextFocusRect(const QFontMetrics& fm, const QString& text, const QRect& rect, quint32 format) {
  QRect m = MeasureText(fm, text, rect, format);
  if (format & DT_CENTER) {
    m.moveLeft(rect.left() + (rect.width() - m.width()) / 2);
    m.moveTop(rect.top() + (rect.height() - m.height()) / 2 - 1);
  } else if (format & DT_RIGHT) {
    m.moveRight(rect.right());
  }
  return m.adjusted(-2, -1, 2, 1) & rect;
}

QString ReplaceFirstBar(const QString& text) {
  const int at = text.indexOf(QLatin1String("||"));
  if (at < 0) return text;
  QString out = text;
  out.replace(at, 2, QLatin1Char('\n'));
  return out;
}

QImage CreateDisabledGlyph(const QImage& glyph, bool keyed) {
  QImage out(glyph.size(), QImage::Format_ARGB32_Premultiplied);
  out.fill(Qt::transparent);
  if (glyph.isNull()) return out;
  // The glyph's shape: every pixel that is not its see-through colour.
  const QImage src = glyph.convertToFormat(QImage::Format_ARGB32);
  const QRgb clear = src.pixel(0, src.height() - 1);
  QImage mask(src.size(), QImage::Format_ARGB32_Premultiplied);
  mask.fill(Qt::transparent);
  for (int y = 0; y < src.height(); ++y) {
    for (int x = 0; x < src.width(); ++x) {
      const QRgb c = src.pixel(x, y);
      // White turns into the mask's background, as a monochrome copy of the glyph makes it;
      // the glyph's see-through colour too.
      if (qAlpha(c) == 0) continue;
      if (!keyed && ((c | 0xFF000000u) == (clear | 0xFF000000u) || (c | 0xFF000000u) == 0xFFFFFFFFu)) continue;
      mask.setPixel(x, y, 0xFF000000u);
    }
  }
  auto tinted = [&](const QColor& colour) {
    QImage t = mask;
    QPainter p(&t);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(t.rect(), colour);
    return t;
  };
  QPainter p(&out);
  p.drawImage(1, 1, tinted(ToQColor(SysColor(COLOR_BTNHIGHLIGHT))));
  p.drawImage(0, 0, tinted(ToQColor(SysColor(COLOR_BTNSHADOW))));
  return out;
}

void DrawGlyphFrame(QPainter& p, const QPoint& at, int count, int number, const QImage& strip) {
  if (strip.isNull()) return;
  const int n = ValidFrameCount(count);
  // The disabled glyph of a one-image strip is made from the image (before the number falls
  // back to the first glyph).
  const bool emboss = number == 2 && n == 1;
  if (number > n || number < 1) number = 1;
  const int fw = strip.width() / n;
  if (fw <= 0) return;
  QImage frame = strip.copy((number - 1) * fw, 0, fw, strip.height()).convertToFormat(QImage::Format_ARGB32);
  if (emboss) {
    p.drawImage(at, CreateDisabledGlyph(frame));
    return;
  }
  // The bottom-left colour is see-through, as a bitmap drawn transparent takes it.
  const QRgb clear = frame.pixel(0, frame.height() - 1) | 0xFF000000u;
  for (int y = 0; y < frame.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(frame.scanLine(y));
    for (int x = 0; x < frame.width(); ++x)
      if ((line[x] | 0xFF000000u) == clear) line[x] = 0;
  }
  p.drawImage(at, frame);
}

QString PropText(const QWidget* w, const char* name) {
  if (!w) return QString();
  const QVariant v = w->property(name);
  return v.isValid() && v.canConvert<QString>() ? v.toString() : QString();
}

int PropInt(const QWidget* w, const char* name) {
  if (!w) return -1;
  const QVariant v = w->property(name);
  if (!v.isValid()) return -1;
  bool ok = false;
  const int i = v.toInt(&ok);
  return ok ? i : -1;
}

bool PropTrue(const QWidget* w, const char* name) {
  return PropText(w, name).compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

QImage PropImage(const QWidget* w, const char* name) {
  if (!w) return QImage();
  const QVariant v = w->property(name);
  if (v.canConvert<QImage>() && v.metaType().id() == QMetaType::QImage) return v.value<QImage>();
  if (v.metaType().id() == QMetaType::QPixmap) return v.value<QPixmap>().toImage();
  return QImage();
}

bool IsTransparentControl(const QWidget* w, quint16 options) {
  return (options & SetBit(xoTransparent)) || PropInt(w, "Tag") == 5555;
}

}  // namespace orvane::skin::kinds
