// The four thumb images of the flat track bar (normal, hot, mask, disabled): where they come
// from in the resources, and the recolouring of the 16-colour ones to the desktop's colours.
#pragma once

#include <QImage>
#include <QString>
#include <array>

#include "controls/flatCommon.h"
#include "controls/trackbartypes.h"

namespace orvane::controls {

class ThumbBitmaps {
 public:
  enum State { stNormal, stHot, stDisabled, stMask };

  // One row of the recolouring: an entry equal to OldColour becomes NewColour.
  struct RemapRow {
    QRgb OldColour;
    QRgb NewColour;
  };
  using RemapTable = std::array<RemapRow, 14>;

  // All four are RGB32; a style without images leaves them null.
  QImage Normal;
  QImage Hot;
  QImage Mask;
  QImage Disabled;

  // The resource of a style (tsCustom has none: empty name). The Windows 95 pointer exists
  // horizontally only; vertically the pointer images serve both pointer types.
  static QString ResourceName(TThumbStyle style, TPointerType pointer, TOrientation orientation, State state);
  // The fourteen key colours and what they become for these colours.
  static RemapTable MakeRemapTable(TColor highlightColor, TColor hotTrackColor, THotTrackColorType type);
  // Replaces key colours in the image's colour table (or its pixels when it has none).
  static void Remap(QImage& image, const RemapTable& table);
  // Loads a style's images; box, mixer, flat and pointer images (not their masks) are recoloured,
  // the XP images are used as they are. A missing resource is logged and leaves a null image.
  static ThumbBitmaps Load(TThumbStyle style, TPointerType pointer, TOrientation orientation, const RemapTable& table);
  // A custom thumb: three equal frames side by side, image (normal and hot), mask, disabled.
  static ThumbBitmaps FromCustom(const QImage& customThumb);
};

}  // namespace orvane::controls
