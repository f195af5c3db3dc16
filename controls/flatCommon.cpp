// System colour resolution, the integer helpers and the desktop facts of the flat controls.
#include "controls/flatCommon.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QStyle>
#include <array>
#include <mutex>

namespace orvane::controls {

bool HighColorDisplay = true;
int XPColorScheme = 0;

namespace {

struct SystemColour {
  bool hasRole;
  QPalette::ColorGroup group;
  QPalette::ColorRole role;
  std::uint32_t classic;  // the classic Windows scheme, as 0x00BBGGRR
};

constexpr QPalette::ColorGroup A = QPalette::Active;
constexpr QPalette::ColorGroup I = QPalette::Inactive;
constexpr QPalette::ColorGroup D = QPalette::Disabled;
constexpr QPalette::ColorRole NoRole = QPalette::NoRole;

// Index -> palette role where Qt has an equivalent (the same pairing Qt's own Windows platform
// theme uses), else the colour of the classic scheme.
const std::array<SystemColour, 31> kSystemColours = {{
    {false, A, NoRole, 0xC8D0D4},                   // 0 scroll bar
    {false, A, NoRole, 0xA56E3A},                   // 1 desktop
    {true, A, QPalette::Highlight, 0x6A240A},       // 2 active caption
    {true, I, QPalette::Highlight, 0x808080},       // 3 inactive caption
    {true, A, QPalette::Window, 0xC8D0D4},          // 4 menu
    {true, A, QPalette::Base, 0xFFFFFF},            // 5 window
    {false, A, NoRole, 0x000000},                   // 6 window frame
    {true, A, QPalette::WindowText, 0x000000},      // 7 menu text
    {true, A, QPalette::Text, 0x000000},            // 8 window text
    {true, A, QPalette::HighlightedText, 0xFFFFFF}, // 9 caption text
    {false, A, NoRole, 0xC8D0D4},                   // 10 active border
    {false, A, NoRole, 0xC8D0D4},                   // 11 inactive border
    {false, A, NoRole, 0x808080},                   // 12 application workspace
    {true, A, QPalette::Highlight, 0x6A240A},       // 13 highlight
    {true, A, QPalette::HighlightedText, 0xFFFFFF}, // 14 highlight text
    {true, A, QPalette::Button, 0xC8D0D4},          // 15 button face
    {true, A, QPalette::Dark, 0x808080},            // 16 button shadow
    {true, D, QPalette::Text, 0x808080},            // 17 grey text
    {true, A, QPalette::ButtonText, 0x000000},      // 18 button text
    {true, I, QPalette::HighlightedText, 0xC8D0D4}, // 19 inactive caption text
    {true, A, QPalette::Light, 0xFFFFFF},           // 20 button highlight
    {true, A, QPalette::Shadow, 0x404040},          // 21 3D dark shadow
    {true, A, QPalette::Midlight, 0xC8D0D4},        // 22 3D light
    {true, A, QPalette::ToolTipText, 0x000000},     // 23 info text
    {true, A, QPalette::ToolTipBase, 0xE1FFFF},     // 24 info background
    {false, A, NoRole, 0xB5B5B5},                   // 25 (unused index)
    {true, A, QPalette::Link, 0x800000},            // 26 hot light
    {false, A, NoRole, 0xF0CAA6},                   // 27 gradient active caption
    {false, A, NoRole, 0xC0C0C0},                   // 28 gradient inactive caption
    {true, A, QPalette::Highlight, 0xC56A31},       // 29 menu highlight
    {true, A, QPalette::Window, 0xC8D0D4},          // 30 menu bar
}};

TColor resolve(TColor c, const QPalette* palette) {
  if (!c.IsSystem()) return c;
  const unsigned index = c.Value() & 0xFF;
  if (index >= kSystemColours.size()) return clBlack;  // as the system answers unknown indices
  const SystemColour& s = kSystemColours[index];
  if (s.hasRole && palette) return TColor::FromQColor(palette->color(s.group, s.role));
  return TColor(s.classic);
}

}  // namespace

TColor ColorToRGB(TColor c) {
  if (!c.IsSystem()) return c;
  if (qGuiApp) {
    const QPalette palette = QGuiApplication::palette();
    return resolve(c, &palette);
  }
  return resolve(c, nullptr);
}

TColor ColorToRGB(TColor c, const QPalette& palette) { return resolve(c, &palette); }

QColor ToQColor(TColor c) {
  const TColor rgb = ColorToRGB(c);
  return QColor(rgb.R(), rgb.G(), rgb.B());
}

int IntMin(int a, int b) { return a < b ? a : b; }
int IntMax(int a, int b) { return a > b ? a : b; }

int XPColorSchemeFromName(const QString& name) {
  const QString upper = name.toUpper();
  if (upper == QLatin1String("HOMESTEAD")) return 1;
  if (upper == QLatin1String("METALLIC")) return 2;
  return 0;
}

int GetXPColorScheme() { return XPColorSchemeFromName(QString()); }

bool IsHighColorDisplay() {
  if (!qGuiApp) return true;
  const QScreen* screen = QGuiApplication::primaryScreen();
  return !screen || screen->depth() > 8;
}

bool ThemeServicesEnabled() {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return false;
  const QStyle* style = QApplication::style();
  return style && style->name().compare(QLatin1String("windows"), Qt::CaseInsensitive) != 0;
}

void FlatColorsInit() {
  static std::once_flag once;
  std::call_once(once, [] {
    HighColorDisplay = IsHighColorDisplay();
    XPColorScheme = GetXPColorScheme();
  });
}

}  // namespace orvane::controls
