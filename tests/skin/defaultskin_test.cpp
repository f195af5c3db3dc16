// Our default skin: packed from resources/skin/default exactly as the build packs it,
// parsed completely, every element present and well-formed, its frame drawn and traced.
// (That the files are what their generator draws: the default_skin_drawn test.)
#include <gtest/gtest.h>

#include <QFile>

#include "skin/SkinRead.h"
#include "skin/imgutil.h"
#include "skin/skindata.h"
#include "skin/skinpaint.h"
#include "tools/skinpack/skinfolder.h"

using namespace orvane::skin;

namespace {

QByteArray resource(const char* path) {
  QFile f{QString::fromLatin1(path)};
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::shared_ptr<const TSkinData> defaultSkin() {
  TSXSkin skin;
  skin.SetSkinStream(resource(DefaultSkinResource));
  if (!skin.LoadSkin()) return nullptr;
  return skin.Data();
}

}  // namespace

TEST(DefaultSkin, TheBuildPackedTheSourcesDeterministically) {
  orvane::skinpack::SkinFolder folder;
  ASSERT_TRUE(folder.Read(QStringLiteral(ORVANE_SOURCE_DIR "/resources/skin/default")));
  ASSERT_TRUE(folder.Pack()) << folder.errors().join(QLatin1Char('\n')).toStdString();
  EXPECT_TRUE(folder.warnings().isEmpty()) << folder.warnings().join(QLatin1Char('\n')).toStdString();
  const QByteArray embedded = resource(DefaultSkinResource);
  ASSERT_FALSE(embedded.isEmpty());
  EXPECT_TRUE(folder.package() == embedded);

  TSkinReader reader;
  ASSERT_TRUE(reader.Load(embedded));
  EXPECT_EQ(reader.version(), 70000u);
  EXPECT_EQ(reader.count(), folder.entries().size());
  QByteArray bytes;
  EXPECT_EQ(reader.FindEntry(QStringLiteral(".ini"), bytes), QStringLiteral("slate.ini"));
}

TEST(DefaultSkin, EveryElementIsPresentAndWellFormed) {
  const auto data = defaultSkin();
  ASSERT_TRUE(data);
  EXPECT_EQ(data->SkinName, "Slate");
  for (const auto& [section, e] : data->Elements()) {
    EXPECT_TRUE(e->HasImage()) << section.toStdString();
    EXPECT_GE(e->Frame, 1) << section.toStdString();
  }
  EXPECT_EQ(data->Elements().size(), 38u);  // all of them: none of the optional ones is missing
  for (size_t slot = 0; slot < data->Colours.size(); ++slot) {
    if (slot == 9 || slot == 10 || slot == scWindow) continue;
    EXPECT_TRUE(data->ColourGiven[slot]) << slot;
  }

  // The frame: 4-pixel sides and bottom, a 30-pixel title bar; rounded top corners.
  const TDataSkinBorder& left = data->Border(bsLeft);
  const TDataSkinBorder& top = data->Border(bsTop);
  const TDataSkinBorder& bottom = data->Border(bsBottom);
  EXPECT_EQ(std::vector<int>({left.Bitmap.width() / left.FrameCount(), top.Bitmap.height() / top.FrameCount(),
                              bottom.Bitmap.height() / bottom.FrameCount(), data->Border(bsRight).Bitmap.width() / 2,
                              left.Trans, bottom.Trans}),
            std::vector<int>({4, 30, 4, 4, 1, 0}));
  EXPECT_TRUE(IsKeyPixel(left.Bitmap.pixel(0, 0)));
  // The window colour is the title bar's, saturated: the tool-bar gradient turns light blue.
  const TColor window = data->Colour(scWindow);
  EXPECT_GT(BlueOf(window), RedOf(window) + 50);
  EXPECT_EQ(data->Toolbar->Bitmap.size(), QSize(10, 40));

  // Buttons, check boxes and radio buttons.
  EXPECT_EQ(std::vector<int>({data->Buttons->Bitmap.width() % 5, data->Buttons->CheckButtonFrame,
                              data->Buttons->RadioButtonFrame, data->Buttons->CheckBitmap.width(), data->Title->TXTBackleft}),
            std::vector<int>({0, 12, 8, 12 * 13, 8}));
  EXPECT_EQ(data->Title->ActiveText, RGBColor(255, 255, 255));

  // Caption buttons: close, maximise, restore, minimise, help, system menu, then MDI.
  const auto& r = data->SysButtons;
  ASSERT_EQ(r.size(), 9u);
  EXPECT_EQ(r[0]->Name, "BUTTON.CLOSE");
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(r[i]->Frame, 6) << i;
    EXPECT_EQ(r[i]->Bitmap.size(), QSize(126, 18)) << i;
  }
  EXPECT_EQ(std::vector<int>({r[4]->Action, r[4]->Xcoord, r[5]->Action}),
            std::vector<int>({4, 50, 3}));  // the help button takes the maximise button's place
  EXPECT_FALSE(r[5]->HasImage());
  for (int j = 0; j < 3; ++j) {
    EXPECT_EQ(r[6 + j]->Bitmap.size(), QSize(64, 14));
    EXPECT_EQ(r[6 + j]->Xcoord, (3 - j) * 20);
  }

  // Derived: the combo image and its arrow strip; the tracks come from the description.
  EXPECT_EQ(data->ComboButton->Style, 2);
  EXPECT_EQ(data->ComboButton->Bitmap.size(), QSize(200, 21));
  EXPECT_EQ(data->ComboxArrow->Bitmap.size(), QSize(68, 17));
  EXPECT_EQ(data->Track->Name, "Track");
  EXPECT_EQ(data->TrackVert->Name, "TRACKVERT");
  EXPECT_EQ(data->Scrollbar->Bitmap.width(), 23 * data->Scrollbar->Bitmap.height());
  EXPECT_EQ(data->UpDownVert->Bitmap2.width() % 8, 0);
  EXPECT_EQ(data->ExtraColours.size(), 2);
}

// Elements drawn opaque would show the key colour: their images must not hold any.
TEST(DefaultSkin, OpaqueElementsHoldNoKeyColour) {
  const auto data = defaultSkin();
  ASSERT_TRUE(data);
  auto keyPixels = [](const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) n += IsKeyPixel(image.pixel(x, y));
    return n;
  };
  for (const auto& [section, e] : data->Elements()) {
    if (e->Trans != 0 || section == QLatin1String("Personality/TextBack") || section == QLatin1String("ComboxArrow") ||
        section == QLatin1String("Toolbar")) {
      continue;
    }
    EXPECT_EQ(keyPixels(e->Bitmap), 0) << section.toStdString();
  }
  EXPECT_EQ(keyPixels(data->Tabs->Bitmap2), 0);  // the page frame is drawn opaque
  EXPECT_EQ(keyPixels(data->Track->Bitmap), 0);
}

TEST(DefaultSkin, AFrameDrawsAndTracesToAShapedRegion) {
  const auto data = defaultSkin();
  ASSERT_TRUE(data);
  const int W = 320, H = 200;
  const TDataSkinBorder& left = data->Border(bsLeft);
  const TDataSkinBorder& top = data->Border(bsTop);
  const QImage side = BuildSkinBitmap(QSize(4, H), left.Bitmap, left.Margins(), false, left.Tile != 1, left.FrameCount(), 1);
  const QRegion region = CreateRegionFromBitmap(side, 0, 0, 1, 1, 1, KeyColour);
  EXPECT_FALSE(region.contains(QPoint(0, 0)));  // the rounded corner is see-through
  EXPECT_TRUE(region.contains(QPoint(3, 0)) || region.contains(QPoint(3, 1)));
  EXPECT_TRUE(region.contains(QPoint(0, H / 2)));
  const QImage title = BuildSkinBitmap(QSize(W - 8, 30), top.Bitmap, top.Margins(), true, top.Tile != 1, top.FrameCount(), 1);
  const QImage inactive = BuildSkinBitmap(QSize(W - 8, 30), top.Bitmap, top.Margins(), true, top.Tile != 1, top.FrameCount(), 2);
  EXPECT_NE(title.pixel(W / 2, 15), inactive.pixel(W / 2, 15));
  EXPECT_EQ(qAlpha(title.pixel(W / 2, 15)), 255);
}

TEST(DefaultSkin, BuiltInImagesAreCompiledIn) {
  EXPECT_EQ(QImage(QStringLiteral(":/skin/builtin/TRACK.bmp")).size(), QSize(16, 4));
  EXPECT_EQ(QImage(QStringLiteral(":/skin/builtin/TRACKVERT.bmp")).size(), QSize(4, 16));
  // Four 16 x 16 monochrome menu glyphs (restore, maximise, minimise, close).
  const QImage menu(QStringLiteral(":/skin/builtin/CORVELMENU.bmp"));
  EXPECT_EQ(menu.size(), QSize(64, 16));
  EXPECT_EQ(menu.depth(), 1);
}
