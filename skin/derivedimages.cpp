// Derived skin images and colours (see derivedimages.h).
#include "skin/derivedimages.h"

#include <QImage>
#include <QLoggingCategory>
#include <QPainter>

#include "skin/imgutil.h"
#include "skin/skinpaint.h"

namespace orvane::skin {

Q_DECLARE_LOGGING_CATEGORY(lcSkinParse)

std::unique_ptr<TDataSkinObject> BuiltinTrack(const QString& name) {
  auto e = std::make_unique<TDataSkinObject>(name);
  const char* path = name == QLatin1String("TRACKVERT") ? BuiltinTrackVertResource : BuiltinTrackResource;
  e->Bitmap = ToSkinImage(QImage(QLatin1String(path)));
  if (e->Bitmap.isNull()) qCWarning(lcSkinParse).noquote() << "built-in skin image" << path << "is missing";
  e->LeftWidth = e->TopHeight = e->RightWidth = e->BottomHeight = 3;
  e->Tile = 0;
  e->Frame = 1;
  return e;
}

TColor WindowColour(const TSkinData& data) {
  const TDataSkinBorder& top = data.Border(bsTop);
  if (!top.HasImage()) return data.Colour(scButtonFace);
  const int x = top.Bitmap.width() / 3;
  const int y = top.Bitmap.height() / top.FrameCount() / 3;
  return FromQRgb(OriginalColour(top.Bitmap.pixel(x, y)));
}

namespace {

// The combo box as one image: per frame, the sunken edge over a 50 x 21 cell, the combo
// button and its arrow glyph at the right, and a see-through hole where the text goes.
void BuildComboImage(TSkinData& data, int arrowWidth) {
  TDataSkinObject& sunk = *data.SunkEdge;
  TDataSkinBorder& combo = *data.ComboButton;
  const int frames = sunk.FrameCount();
  const int w = arrowWidth + 2;
  const QRect cellRect(0, 0, 50, 21);
  const QRect arrowRect(50 - w, 0, w, 21);
  QImage cell = NewKeyImage(50, 21);
  QImage all = NewKeyImage(50 * frames, 21);
  for (int i = 1; i <= frames; ++i) {
    // Each frame starts from a clean cell, so see-through parts never show the previous one.
    cell.fill(Qt::transparent);
    {
      QPainter p(&cell);
      DrawSkinImage(p, cellRect, sunk.Bitmap, false, sunk.Tile == 1, sunk.Trans == 1, frames, i, sunk.Margins());
      DrawSkinImage(p, arrowRect, combo.Bitmap, false, combo.Tile == 1, true, combo.FrameCount(), i, combo.Margins());
      if (data.ExtraImages) {
        DrawStripFrameCentered(p, arrowRect, data.ExtraImages->Bitmap, true, data.ExtraImages->FrameCount(), i);
      }
      p.setCompositionMode(QPainter::CompositionMode_Source);
      p.fillRect(QRect(QPoint(2, 2), QPoint(49 - w - 1, 17)), Qt::transparent);
    }
    QPainter p(&all);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(50 * (i - 1), 0, cell);
  }
  combo.Style = 2;
  combo.LeftWidth = 2;
  combo.TopHeight = sunk.TopHeight;
  combo.RightWidth = w + 2;
  combo.BottomHeight = sunk.BottomHeight;
  combo.Bitmap = all;
  // The right-to-left form: the button at the left, each frame mirrored where it stands so
  // that frame k is still state k.
  QImage mirrored = all.copy();
  MirrorFramesHorz(mirrored, frames);
  sunk.Bitmap = mirrored;
  sunk.LeftWidth = w + 2;
  sunk.RightWidth = 2;
}

void BuildComboArrow(TSkinData& data) {
  if (!data.ComboxArrow) data.ComboxArrow = std::make_unique<TDataSkinObject>(QStringLiteral("ComboxArrow"));
  TDataSkinObject& arrow = *data.ComboxArrow;
  if (data.SunkEdge && data.ComboButton && data.ComboButton->Style == 2) {
    const int frames = data.SunkEdge->FrameCount();
    const QImage& source = data.ComboButton->Bitmap;
    const int fw = source.width() / frames;
    QImage strip = NewKeyImage(17 * frames, 17);
    QPainter p(&strip);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    for (int i = 1; i <= frames; ++i) p.drawImage(QPoint(17 * (i - 1), 0), source, QRect(i * fw - 19, 2, 17, 17));
    p.end();
    arrow.Bitmap = strip;
    arrow.Frame = frames;
  } else if (data.ComboButton) {
    arrow.Bitmap = data.ComboButton->Bitmap.copy();
    ReplaceKeyColour(arrow.Bitmap, data.Colour(scButtonFace));
    arrow.Frame = data.ComboButton->Frame;
  }
}

void BuildToolbarGradient(TSkinData& data) {
  if (!data.Toolbar) data.Toolbar = std::make_unique<TDataSkinObject>(QStringLiteral("Toolbar"));
  const TColor c = WindowColour(data);
  TColor end = BlendColor(0x808080, c, 150);
  const TColor start = BlendColor(data.Colour(scButtonFace), clWhite, 150);
  const int s = ColorSaturation(c);
  if (s > 110) end = BlendColor(c, clWhite, (225 - s) * 25 / 140 + 50);
  QImage image(10, 40, SkinImageFormat);
  image.fill(Qt::black);
  {
    QPainter p(&image);
    GradientFill(p, image.rect(), start, 1, end);
  }
  data.Toolbar->Bitmap = image;
  data.Toolbar->Frame = 1;
}

}  // namespace

void BuildDerivedImages(TSkinData& data, int arrowWidth) {
  if (data.SunkEdge && data.ComboButton) BuildComboImage(data, arrowWidth);
  BuildComboArrow(data);
  BuildToolbarGradient(data);
}

}  // namespace orvane::skin
