// Loading and recolouring of the flat track bar's thumb images.
#include "controls/thumbbitmaps.h"

#include <QDebug>

#include "controls/flatGrafx.h"

namespace orvane::controls {

namespace {

QRgb toRgb(TColor c) {
  const TColor rgb = ColorToRGB(c);
  return qRgb(rgb.R(), rgb.G(), rgb.B());
}

const char* const kStateSuffix[] = {"", "_HOT", "_DISABLED", "_MASK"};

QImage loadResource(const QString& name) {
  QImage image(QStringLiteral(":/controls/%1.xpm").arg(name));
  if (image.isNull()) qWarning("TFlatTrackBar: thumb image %s is missing from the resources", qPrintable(name));
  return image;
}

QImage toRgb32(const QImage& image) {
  return image.isNull() ? QImage() : image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

QString ThumbBitmaps::ResourceName(TThumbStyle style, TPointerType pointer, TOrientation orientation, State state) {
  const bool vertical = orientation == orVertical;
  QString kind;
  switch (style) {
    case tsBox: kind = QStringLiteral("BOX"); break;
    case tsMixer: kind = QStringLiteral("MIXER"); break;
    case tsFlat: kind = QStringLiteral("FLAT"); break;
    case tsPointer:
      if (pointer == ptWin95 && !vertical) return QStringLiteral("QXTRKBAR_WIN95") + kStateSuffix[state];
      kind = QStringLiteral("PTR");
      break;
    case tsXPPointer: kind = QStringLiteral("XPPTR"); break;
    case tsXPBox: kind = QStringLiteral("XPBOX"); break;
    case tsCustom:
    default: return QString();
  }
  return QStringLiteral("QXTRKBAR_%1_%2%3").arg(vertical ? "V" : "H", kind, kStateSuffix[state]);
}

ThumbBitmaps::RemapTable ThumbBitmaps::MakeRemapTable(TColor highlightColor, TColor hotTrackColor,
                                                      THotTrackColorType type) {
  TColor hot1, hot2, hot3;
  if (type == htctActual) {
    hot1 = hotTrackColor;
    hot2 = hotTrackColor;
    hot3 = BlendColors(clWhite, hotTrackColor, 190);
  } else {
    const TColor c = ContrastColor(hotTrackColor, 140);
    hot1 = DarkerColor(c, 15);
    hot2 = DarkerColor(c, 30);
    hot3 = c;
  }
  // The highlight's own value plus one, as an integer: keeps the highlight away from the key
  // colours it might equal. A red channel of 255 carries into green; only the low three bytes
  // are kept.
  const TColor highlightPlusOne(ColorToRGB(highlightColor).Value() + 1);
  return {{
      {qRgb(192, 192, 192), toRgb(clBtnFace)},
      {qRgb(128, 128, 128), toRgb(clBtnShadow)},
      {qRgb(128, 128, 0), toRgb(cl3DDkShadow)},
      {qRgb(255, 255, 0), toRgb(cl3DLight)},
      {qRgb(0, 128, 0), toRgb(LighterColor(clBtnShadow, 30))},
      {qRgb(0, 0, 255), qRgb(highlightPlusOne.R(), highlightPlusOne.G(), highlightPlusOne.B())},
      {qRgb(0, 0, 128), toRgb(DarkerColor(highlightColor, 30))},
      {qRgb(0, 255, 255), toRgb(LighterColor(highlightColor, 30))},
      {qRgb(255, 0, 0), toRgb(hot1)},
      {qRgb(128, 0, 0), toRgb(hot2)},
      {qRgb(255, 0, 255), toRgb(hot3)},
      {qRgb(0, 128, 128), toRgb(clBtnShadow)},
      {qRgb(128, 0, 128), toRgb(DarkerColor(clBtnShadow, 30))},
      {qRgb(0, 255, 0), toRgb(LighterColor(clBtnShadow, 30))},
  }};
}

void ThumbBitmaps::Remap(QImage& image, const RemapTable& table) {
  auto mapped = [&table](QRgb c) {
    for (const RemapRow& row : table)
      if ((c & 0xFFFFFF) == (row.OldColour & 0xFFFFFF)) return (c & 0xFF000000) | (row.NewColour & 0xFFFFFF);
    return c;
  };
  if (image.colorCount() > 0) {
    QList<QRgb> colours = image.colorTable();
    for (QRgb& c : colours) c = mapped(c);
    image.setColorTable(colours);
    return;
  }
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, mapped(image.pixel(x, y)));
}

ThumbBitmaps ThumbBitmaps::Load(TThumbStyle style, TPointerType pointer, TOrientation orientation,
                                const RemapTable& table) {
  ThumbBitmaps result;
  if (style == tsCustom) return result;
  const bool recolour = style != tsXPPointer && style != tsXPBox;
  auto image = [&](State state) {
    QImage img = loadResource(ResourceName(style, pointer, orientation, state));
    if (recolour && state != stMask && !img.isNull()) Remap(img, table);
    return toRgb32(img);
  };
  result.Normal = image(stNormal);
  result.Hot = image(stHot);
  result.Disabled = image(stDisabled);
  result.Mask = image(stMask);
  return result;
}

ThumbBitmaps ThumbBitmaps::FromCustom(const QImage& customThumb) {
  ThumbBitmaps result;
  const int w = customThumb.width() / 3;
  if (w <= 0) return result;
  const int h = customThumb.height();
  result.Normal = toRgb32(customThumb.copy(0, 0, w, h));
  result.Hot = result.Normal;
  result.Mask = toRgb32(customThumb.copy(w, 0, w, h));
  result.Disabled = toRgb32(customThumb.copy(2 * w, 0, w, h));
  return result;
}

}  // namespace orvane::controls
