// Rules of the skin data that hold without any skin: the classic system colours, the title's
// defaults, the package header's reserved words, and a repeated pack that starts afresh.
#include <gtest/gtest.h>

#include "skin/WinSkinData.h"
#include "skin/skincolors.h"
#include "skin/skindata.h"
#include "tools/skinpack/packagewriter.h"
#include "tools/skinpack/skinfolder.h"

using namespace orvane::skin;
using namespace orvane::skinpack;

TEST(SkinRules, ClassicSystemColoursByNumber) {
  // The classic Windows scheme as 0xRRGGBB, numbers 0 to 30; others are black.
  const std::uint32_t classic[31] = {
      0xD4D0C8, 0x3A6EA5, 0x0A246A, 0x808080, 0xD4D0C8, 0xFFFFFF, 0x000000, 0x000000, 0x000000, 0xFFFFFF, 0xD4D0C8,
      0xD4D0C8, 0x808080, 0x0A246A, 0xFFFFFF, 0xD4D0C8, 0x808080, 0x808080, 0x000000, 0xD4D0C8, 0xFFFFFF, 0x404040,
      0xD4D0C8, 0x000000, 0xFFFFE1, 0xB5B5B5, 0x000080, 0xA6CAF0, 0xC0C0C0, 0x316AC5, 0xD4D0C8};
  for (int i = -1; i <= 31; ++i) {
    const std::uint32_t rgb = i < 0 || i > 30 ? 0 : classic[i];
    EXPECT_EQ(SysColor(i), RGBColor(int(rgb >> 16), int(rgb >> 8) & 0xFF, int(rgb & 0xFF))) << i;
  }
}

TEST(SkinRules, TitleClipsDefaultToNothingAndThePackageHeaderReservesZeros) {
  const QList<PackageEntry> entries = {{QStringLiteral("test.ini"), QByteArray("[Personality]\r\nTextShift=3\r\n")}};
  TSXSkin skin;
  skin.SetSkinStream(WritePackage(entries));
  ASSERT_TRUE(skin.LoadSkin());
  EXPECT_EQ(skin.Data()->Title->TextRightClip(), 0);
  EXPECT_EQ(skin.Data()->Title->LeftWidth, 3);
  // Version, length of the names, then two reserved words of zero.
  EXPECT_EQ(BuildPackageContents(entries, 70000).left(16).toHex(), QByteArray("70110100" "0a000000" "00000000" "00000000"));
}

TEST(SkinRules, PackingAgainStartsWithNoWarnings) {
  SkinFolder folder;
  folder.SetEntries({{QStringLiteral("test.ini"), QByteArray("[Personality]\r\n")}, {QStringLiteral("x.bmp"), QByteArray("BM")}});
  folder.Pack();
  ASSERT_EQ(folder.warnings(), QStringList{QStringLiteral("x.bmp: no section uses it")});
  folder.Pack();
  EXPECT_EQ(folder.warnings().size(), 1);
}
