// Colours as skin descriptions and the skin engine hold them: 32-bit values with red in the
// low byte, then green, then blue; negative values name a system colour by its low byte.
// System colours resolve through the classic Windows scheme, so a skin looks the same on
// every desktop.
#pragma once

#include <QColor>
#include <cstdint>

namespace orvane::skin {

using TColor = int32_t;

constexpr TColor RGBColor(int r, int g, int b) {
  return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int RedOf(TColor c) { return c & 0xFF; }
constexpr int GreenOf(TColor c) { return (c >> 8) & 0xFF; }
constexpr int BlueOf(TColor c) { return (c >> 16) & 0xFF; }

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
// The colour skin images use for see-through pixels.
constexpr TColor KeyColour = 0xFF00FF;

// System colour numbers (the low byte of a system colour).
enum SysColorIndex {
  COLOR_SCROLLBAR = 0,
  COLOR_BACKGROUND = 1,
  COLOR_ACTIVECAPTION = 2,
  COLOR_INACTIVECAPTION = 3,
  COLOR_MENU = 4,
  COLOR_WINDOW = 5,
  COLOR_WINDOWFRAME = 6,
  COLOR_MENUTEXT = 7,
  COLOR_WINDOWTEXT = 8,
  COLOR_CAPTIONTEXT = 9,
  COLOR_ACTIVEBORDER = 10,
  COLOR_INACTIVEBORDER = 11,
  COLOR_APPWORKSPACE = 12,
  COLOR_HIGHLIGHT = 13,
  COLOR_HIGHLIGHTTEXT = 14,
  COLOR_BTNFACE = 15,
  COLOR_BTNSHADOW = 16,
  COLOR_GRAYTEXT = 17,
  COLOR_BTNTEXT = 18,
  COLOR_INACTIVECAPTIONTEXT = 19,
  COLOR_BTNHIGHLIGHT = 20,
  COLOR_3DDKSHADOW = 21,
  COLOR_3DLIGHT = 22,
  COLOR_INFOTEXT = 23,
  COLOR_INFOBK = 24,
};

// A system colour as a colour value (clBtnFace and its kin).
constexpr TColor SystemColour(int index) { return static_cast<TColor>(0x80000000u | static_cast<uint32_t>(index)); }

// The classic scheme's colour for a system colour number (black for unknown numbers).
TColor SysColor(int index);
// A plain RGB value: system colours resolved, other values kept to their three bytes.
TColor ColorToRGB(TColor c);
// Opaque Qt colour of a colour value.
QRgb ToQRgb(TColor c);
QColor ToQColor(TColor c);
TColor FromQRgb(QRgb rgb);

}  // namespace orvane::skin
