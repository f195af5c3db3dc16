// Shared types of the flat controls: the 32-bit colour value with its system colours, the frame
// and orientation enumerations, Windows-style rectangles, and the desktop facts read once.
#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <cstdint>

class QPalette;

namespace orvane::controls {

// The 32-bit colour value of the form library. Red is the low byte, green the second, blue the
// third. A top byte of 0xFF marks a system colour whose low byte is the system colour index; it
// is resolved through the application palette when drawn. The thumb remapping does integer
// arithmetic on this layout, so it must stay exactly 32 bits wide.
class TColor {
 public:
  constexpr TColor() = default;
  constexpr TColor(std::uint32_t value) : value_(value) {}  // NOLINT: colours are plain numbers

  static constexpr TColor FromRGB(int r, int g, int b) {
    return TColor(std::uint32_t(r & 0xFF) | (std::uint32_t(g & 0xFF) << 8) | (std::uint32_t(b & 0xFF) << 16));
  }
  static TColor FromQColor(const QColor& c) { return FromRGB(c.red(), c.green(), c.blue()); }

  constexpr std::uint32_t Value() const { return value_; }
  constexpr bool IsSystem() const { return (value_ >> 24) == 0xFF; }
  // The raw channels of the value, without resolving a system colour.
  constexpr int R() const { return int(value_ & 0xFF); }
  constexpr int G() const { return int((value_ >> 8) & 0xFF); }
  constexpr int B() const { return int((value_ >> 16) & 0xFF); }

  friend constexpr bool operator==(TColor a, TColor b) { return a.value_ == b.value_; }

 private:
  std::uint32_t value_ = 0;
};
static_assert(sizeof(TColor) == 4, "TColor keeps the 32-bit layout");

// Colour constants of the form library.
inline constexpr TColor clNone{0x1FFFFFFFu};
inline constexpr TColor clDefault{0x20000000u};
inline constexpr TColor clBlack{0x000000u};
inline constexpr TColor clMaroon{0x000080u};
inline constexpr TColor clGreen{0x008000u};
inline constexpr TColor clOlive{0x008080u};
inline constexpr TColor clNavy{0x800000u};
inline constexpr TColor clPurple{0x800080u};
inline constexpr TColor clTeal{0x808000u};
inline constexpr TColor clGray{0x808080u};
inline constexpr TColor clSilver{0xC0C0C0u};
inline constexpr TColor clRed{0x0000FFu};
inline constexpr TColor clLime{0x00FF00u};
inline constexpr TColor clYellow{0x00FFFFu};
inline constexpr TColor clBlue{0xFF0000u};
inline constexpr TColor clFuchsia{0xFF00FFu};
inline constexpr TColor clAqua{0xFFFF00u};
inline constexpr TColor clWhite{0xFFFFFFu};

// System colours: 0xFF000000 plus the Windows colour index.
inline constexpr TColor clScrollBar{0xFF000000u};
inline constexpr TColor clBackground{0xFF000001u};
inline constexpr TColor clActiveCaption{0xFF000002u};
inline constexpr TColor clInactiveCaption{0xFF000003u};
inline constexpr TColor clMenu{0xFF000004u};
inline constexpr TColor clWindow{0xFF000005u};
inline constexpr TColor clWindowFrame{0xFF000006u};
inline constexpr TColor clMenuText{0xFF000007u};
inline constexpr TColor clWindowText{0xFF000008u};
inline constexpr TColor clCaptionText{0xFF000009u};
inline constexpr TColor clActiveBorder{0xFF00000Au};
inline constexpr TColor clInactiveBorder{0xFF00000Bu};
inline constexpr TColor clAppWorkSpace{0xFF00000Cu};
inline constexpr TColor clHighlight{0xFF00000Du};
inline constexpr TColor clHighlightText{0xFF00000Eu};
inline constexpr TColor clBtnFace{0xFF00000Fu};
inline constexpr TColor clBtnShadow{0xFF000010u};
inline constexpr TColor clGrayText{0xFF000011u};
inline constexpr TColor clBtnText{0xFF000012u};
inline constexpr TColor clInactiveCaptionText{0xFF000013u};
inline constexpr TColor clBtnHighlight{0xFF000014u};
inline constexpr TColor cl3DDkShadow{0xFF000015u};
inline constexpr TColor cl3DLight{0xFF000016u};
inline constexpr TColor clInfoText{0xFF000017u};
inline constexpr TColor clInfoBk{0xFF000018u};
inline constexpr TColor clHotLight{0xFF00001Au};
inline constexpr TColor clGradientActiveCaption{0xFF00001Bu};
inline constexpr TColor clGradientInactiveCaption{0xFF00001Cu};
inline constexpr TColor clMenuHighlight{0xFF00001Du};
inline constexpr TColor clMenuBar{0xFF00001Eu};

// Resolves a system colour to plain RGB through the palette (roles that Qt has) or the classic
// Windows scheme (the rest); an unknown index gives black. Any other value is returned as is,
// clNone included. The one-argument form uses the application palette, the "system" colours.
TColor ColorToRGB(TColor c);
TColor ColorToRGB(TColor c, const QPalette& palette);
// The colour to draw with: resolved, low three bytes, opaque.
QColor ToQColor(TColor c);

// Minimum and maximum of two signed integers.
int IntMin(int a, int b);
int IntMax(int a, int b);

enum TFrameStyleEx : std::uint8_t {
  fsNone,
  fsFlat,
  fsGroove,
  fsBump,
  fsLowered,
  fsButtonDown,
  fsRaised,
  fsButtonUp,
  fsStatus,
  fsPopup,
  fsFlatBold,
  fsFlatRounded
};
// The drawing routines accept fsNone..fsFlatBold only.
using TFrameStyle = TFrameStyleEx;
constexpr bool IsFrameStyle(TFrameStyleEx s) { return s <= fsFlatBold; }

enum TOrientation : std::uint8_t { orHorizontal, orVertical };

// Windows rectangles keep right and bottom exclusive; QRect(x, y, w, h) holds them as x + w and
// y + h, negative sizes included.
inline QRect RectLTRB(int l, int t, int r, int b) { return QRect(l, t, r - l, b - t); }
inline int RectRight(const QRect& r) { return r.x() + r.width(); }
inline int RectBottom(const QRect& r) { return r.y() + r.height(); }
// Inside when left <= x < right and top <= y < bottom; an inverted rectangle holds nothing.
inline bool PtInRect(const QRect& r, const QPoint& p) {
  return p.x() >= r.x() && p.x() < RectRight(r) && p.y() >= r.y() && p.y() < RectBottom(r);
}

// Desktop colour scheme: 0 standard (blue), 1 "HOMESTEAD" (olive), 2 "METALLIC" (silver).
int XPColorSchemeFromName(const QString& name);
// Linux has no Windows theme manager: the scheme name is missing, which means the standard one.
int GetXPColorScheme();
// More than 256 colours on the primary screen (true when there is no screen to ask).
bool IsHighColorDisplay();
// Whether the thumbs should take the XP look: Qt's "windows" style is the classic look, every
// other style counts as visual themes switched on.
bool ThemeServicesEnabled();

// The two desktop facts, read once by FlatColorsInit (on the first flat control).
extern bool HighColorDisplay;
extern int XPColorScheme;
void FlatColorsInit();

}  // namespace orvane::controls
