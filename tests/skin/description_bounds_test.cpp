// Hostile descriptions of bounded cost: tens of thousands of sections, keys, repeated section
// names and caption buttons sharing one image parse completely, each read by the reader's rules
// (first header of a name, first line of a key), within the test's time limit.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <functional>

#include "tests/skin/skinbuilder.h"

using namespace skin_testing;
using orvane::skin::RGBColor;
using orvane::skin::TSkinData;

namespace {

struct HostileCase {
  const char* name;
  int count;
  std::function<QByteArray(int)> block;  // the description's k-th block
  QByteArray tail;                         // after the blocks
  std::function<void(const TSkinData&, int)> check;
};

}  // namespace

TEST(SkinDescriptionBounds, HugeDescriptionsParseInLinearTime) {
  const HostileCase cases[] = {
      {"distinct colour sections", 20000, [](int k) { return QStringLiteral("[Colour%1]\r\ncolor=%2 7 9\r\n").arg(k).arg(k % 256).toLatin1(); },
       {},
       [](const TSkinData& d, int n) {
         ASSERT_EQ(d.ExtraColours.size(), n);
         for (int k = 0; k < n; k += 499) EXPECT_EQ(d.ExtraColours[k], RGBColor(k % 256, 7, 9)) << k;
       }},
      {"keys in one section", 50000, [](int k) { return (k == 0 ? QByteArray("[Buttons]\r\n") : QByteArray()) + "k" + QByteArray::number(k) + "=1\r\n"; },
       "LeftWidth=7\r\nleftwidth=8\r\n",
       [](const TSkinData& d, int) { EXPECT_EQ(d.Buttons->LeftWidth, 7); }},
      {"one section name repeated", 20000,
       [](int k) { return (k % 2 ? QByteArray("[PERSONALITY]") : QByteArray("[ Personality ]")) + "\r\nLeftFrame=" + QByteArray::number(k + 3) + "\r\n"; },
       {},
       [](const TSkinData& d, int) { EXPECT_EQ(d.Border(orvane::skin::bsLeft).Frame, 3); }},
      {"caption buttons sharing one image", 5000,
       [](int k) { return QStringLiteral("[Button%1]\r\nAction=0\r\nXcoord=%1\r\nButtonImage=big.bmp\r\n").arg(k).toLatin1(); },
       {},
       [](const TSkinData& d, int n) {
         ASSERT_EQ(d.SysButtons.size(), size_t(n) + 3);  // and the three of a maximised MDI child
         for (int k = 0; k < n; k += 499) {
           EXPECT_EQ(d.SysButtons[size_t(k)]->Xcoord, k);
           EXPECT_EQ(d.SysButtons[size_t(k)]->Bitmap.size(), QSize(1200, 200));
         }
       }},
  };
  QLoggingCategory::setFilterRules(QStringLiteral("orvane.skin.*.warning=false"));
  for (const HostileCase& c : cases) {
    SkinBuilder b;
    for (int k = 0; k < c.count; ++k) b.ini(c.block(k));
    b.ini(c.tail);
    b.image(QStringLiteral("big.bmp"), stripImage(6, 200, 200));
    orvane::skin::TSXSkin skin;
    skin.SetSkinStream(b.package());
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(skin.LoadSkin()) << c.name;
    const auto data = skin.Data();
    std::printf("%s: %d blocks, %lld KB parsed in %lld ms\n", c.name, c.count,
                static_cast<long long>(b.description.size() / 1024), static_cast<long long>(timer.elapsed()));
    c.check(*data, c.count);
  }
  QLoggingCategory::setFilterRules(QString());
}
