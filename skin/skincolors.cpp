// Skin colour values and the classic system colour scheme (see skincolors.h).
#include "skin/skincolors.h"

#include <array>

namespace orvane::skin {

TColor SysColor(int index) {
  // The classic Windows scheme, by system colour number.
  static constexpr std::array<TColor, 31> scheme = {
      RGBColor(212, 208, 200),  // scroll bar
      RGBColor(58, 110, 165),   // desktop
      RGBColor(10, 36, 106),    // active caption
      RGBColor(128, 128, 128),  // inactive caption
      RGBColor(212, 208, 200),  // menu
      RGBColor(255, 255, 255),  // window
      RGBColor(0, 0, 0),        // window frame
      RGBColor(0, 0, 0),        // menu text
      RGBColor(0, 0, 0),        // window text
      RGBColor(255, 255, 255),  // caption text
      RGBColor(212, 208, 200),  // active border
      RGBColor(212, 208, 200),  // inactive border
      RGBColor(128, 128, 128),  // application workspace
      RGBColor(10, 36, 106),    // highlight
      RGBColor(255, 255, 255),  // highlight text
      RGBColor(212, 208, 200),  // button face
      RGBColor(128, 128, 128),  // button shadow
      RGBColor(128, 128, 128),  // grey text
      RGBColor(0, 0, 0),        // button text
      RGBColor(212, 208, 200),  // inactive caption text
      RGBColor(255, 255, 255),  // button highlight
      RGBColor(64, 64, 64),     // 3-D dark shadow
      RGBColor(212, 208, 200),  // 3-D light
      RGBColor(0, 0, 0),        // tooltip text
      RGBColor(255, 255, 225),  // tooltip background
      RGBColor(181, 181, 181),  // (unused number)
      RGBColor(0, 0, 128),      // hot-tracked item
      RGBColor(166, 202, 240),  // active caption gradient
      RGBColor(192, 192, 192),  // inactive caption gradient
      RGBColor(49, 106, 197),   // menu highlight
      RGBColor(212, 208, 200),  // menu bar
  };
  if (index < 0 || index >= static_cast<int>(scheme.size())) return clBlack;
  return scheme[static_cast<size_t>(index)];
}

TColor ColorToRGB(TColor c) {
  if (c < 0) return SysColor(c & 0xFF);
  return c & 0xFFFFFF;
}

QRgb ToQRgb(TColor c) {
  const TColor rgb = ColorToRGB(c);
  return qRgb(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

QColor ToQColor(TColor c) { return QColor::fromRgb(ToQRgb(c)); }

TColor FromQRgb(QRgb rgb) { return RGBColor(qRed(rgb), qGreen(rgb), qBlue(rgb)); }

}  // namespace orvane::skin
