// System colours without a palette role take the classic scheme's values; a tray icon that was
// never shown cannot be changed.
#include <gtest/gtest.h>

#include "controls/flatCommon.h"
#include "controls/qttraybackend.h"

using namespace orvane::controls;

TEST(ClassicColours, SystemColoursWithoutARoleAndUnknownOnes) {
  // Index -> the classic Windows scheme as 0x00BBGGRR.
  const std::vector<std::pair<unsigned, std::uint32_t>> rows = {
      {0, 0xC8D0D4}, {1, 0xA56E3A}, {6, 0x000000}, {10, 0xC8D0D4}, {11, 0xC8D0D4}, {12, 0x808080},
      {25, 0xB5B5B5}, {27, 0xF0CAA6}, {28, 0xC0C0C0}, {31, 0x000000}, {200, 0x000000}};
  for (const auto& [index, rgb] : rows) EXPECT_EQ(ColorToRGB(TColor(0xFF000000u | index)), TColor(rgb)) << index;
}

TEST(QtTray, AnIconNeverShownCannotBeChanged) {
  orvane::QtTrayBackend tray;
  EXPECT_FALSE(tray.modify(orvane::NotifyIconData{}));
}
