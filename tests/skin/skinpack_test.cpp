// skinpack's checks: what it refuses to pack, and that what it packs reads back.
#include <gtest/gtest.h>

#include "skin/SkinRead.h"
#include "tests/skin/skinbuilder.h"
#include "tools/skinpack/skinfolder.h"

using namespace orvane::skinpack;
using namespace skin_testing;

namespace {

QList<PackageEntry> goodSkin() {
  return {{"a.ini",
           "[Personality]\r\nLeft=left.bmp\r\nLeftFrame=2\r\n[Buttons]\r\nBitmap=button.bmp\r\n"
           "[Button.Close]\r\nButtonImage=close.bmp\r\n[Scrollbar]\r\nImage=sub/dir\\scroll.bmp\r\n"},
          {"left.bmp", bmp24(solid(8, 20, qRgb(1, 2, 3)))},
          {"button.bmp", bmp24(stripImage(5, 10, 10))},
          {"close.bmp", bmp24(stripImage(6, 18, 18))},
          {"scroll.bmp", bmp24(stripImage(23, 4, 4))}};
}

QString packErrors(const QList<PackageEntry>& entries) {
  SkinFolder folder;
  folder.SetEntries(entries);
  if (folder.Pack()) return QString();
  EXPECT_TRUE(folder.package().isEmpty());
  return folder.errors().join(QLatin1Char('\n'));
}

}  // namespace

TEST(SkinPack, PacksAGoodSkinThatReadsBack) {
  SkinFolder folder;
  folder.SetEntries(goodSkin());
  ASSERT_TRUE(folder.Pack()) << folder.errors().join('\n').toStdString();
  orvane::skin::TSkinReader reader;
  ASSERT_TRUE(reader.Load(folder.package()));
  EXPECT_EQ(reader.count(), 5);
  // An unused bitmap is only a warning.
  QList<PackageEntry> extra = goodSkin();
  extra.append({"unused.bmp", bmp24(solid(2, 2, qRgb(0, 0, 0)))});
  SkinFolder withExtra;
  withExtra.SetEntries(extra);
  EXPECT_TRUE(withExtra.Pack());
  EXPECT_EQ(withExtra.warnings().size(), 1);
}

TEST(SkinPack, RefusesWhatTheProgramCouldNotUse) {
  QByteArray deep = bmp24(solid(8, 20, qRgb(1, 2, 3)));
  deep[28] = 32;  // claims 32 bits per pixel
  const struct {
    const char* message;
    std::function<void(QList<PackageEntry>&)> change;
  } rows[] = {
      {"same name ignoring case", [](auto& s) { s.append({"LEFT.bmp", bmp24(solid(8, 20, qRgb(1, 2, 3)))}); }},
      {"no file \"nothere.bmp\"", [](auto& s) { s[0].data += "[ExtraImages]\r\nImage=nothere.bmp\r\n"; }},
      {"must be written \".bmp\"", [](auto& s) { s[0].data += "[ExtraImages]\r\nImage=left.BMP\r\n"; }},
      {"32 bits per pixel", [&deep](auto& s) { s[1].data = deep; }},
      {"[Personality/Left]: 9 pixels wide do not divide into 2 frames",
       [](auto& s) { s[1].data = bmp24(solid(9, 20, qRgb(1, 2, 3))); }},
      {"[BUTTON.CLOSE]", [](auto& s) { s[3].data = bmp24(stripImage(6, 18, 18).copy(0, 0, 107, 18)); }},
      {"[Scrollbar]", [](auto& s) { s[4].data = bmp24(stripImage(23, 4, 4).copy(0, 0, 90, 4)); }},
      {"2 descriptions", [](auto& s) { s.append(PackageEntry{"second.ini", "[Colours]\r\n"}); }},
      {"0 descriptions", [](auto& s) { s.removeFirst(); }}};
  for (const auto& r : rows) {
    QList<PackageEntry> s = goodSkin();
    r.change(s);
    EXPECT_TRUE(packErrors(s).contains(QString::fromUtf8(r.message))) << r.message;
  }
}
