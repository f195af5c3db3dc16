// Our default skin: packed from resources/skin/default exactly as the build packs it,
// parsed completely, every element present and well-formed, its frame drawn and traced.
#include <gtest/gtest.h>

#include <QFile>
#include <QSet>

#include "skin/SkinRead.h"
#include "skin/WinSkinIni.h"
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

// Every key the parser reads, by section (caption-button keys are checked across all
// "Button." sections; the combo button's second image key is not used by this skin).
const QList<QPair<QString, QStringList>>& keysRead() {
  static const QStringList plain = {"Image", "Style", "LeftWidth", "RightWidth", "TopHeight", "BottomHeight", "Trans"};
  static const QList<QPair<QString, QStringList>> keys = {
      {"TitlebarSkin", {"SkinName"}},
      {"Personality",
       {"Left", "LeftTopHeight", "LeftBotHeight", "LeftFrame", "LeftStretch", "LeftTrans", "Right", "RightTopHeight",
        "RightBotHeight", "RightFrame", "RightStretch", "RightTrans", "Top", "TopTopHeight", "TopBotHeight", "TopFrame",
        "TopStretch", "TopTrans", "Bottom", "BottomTopHeight", "BottomBotHeight", "BottomFrame", "BottomStretch",
        "BottomTrans", "TextBack", "TextShift", "TextShiftVert", "TextRightClip", "TextAlignment", "Textbackground",
        "TXTBackleft", "TXTBackRight", "ActiveTextR", "ActiveTextG", "ActiveTextB", "InActiveTextR", "InActiveTextG",
        "InActiveTextB", "menuBar", "TileMenu", "TileLeftMenu", "TileRightMenu"}},
      {"Fonts", {"FontHeight"}},
      {"Colours",
       {"WindowText", "TitleTextActive", "TitleTextNoActive", "ButtonFace", "ButtonText", "ButtonHilight", "Buttonlight",
        "ButtonShadow", "ButtonDkShadow", "HilightText", "Hilight", "Menubar", "MenuBarText", "MenuText", "Menu",
        "Scrollbar"}},
      {"Customcolors", {"Color0", "Color1", "Color2", "Color3", "Color4", "Color5", "Color6", "Color7", "Color8", "Color9"}},
      {"MDICONTROLS", {"Image"}},
      {"Buttons",
       {"Bitmap", "LeftWidth", "RightWidth", "TopHeight", "BottomHeight", "Trans", "Tile", "CheckButton", "RadioButton",
        "CheckButtonFrame", "RadioButtonFrame", "NormalColour", "MouseOverColour", "PressedColour", "NormalColour2",
        "MouseOverColour2", "PressedColour2"}},
      {"Progress", {"Bitmap", "Style", "LeftWidth", "RightWidth", "TopHeight", "BottomHeight", "Trans", "Tile"}},
      {"Progress.Chunk", plain + QStringList{"Frame", "Tile"}},
      {"GroupBoxEdge", plain},
      {"GroupBox", plain + QStringList{"BackgroundAlignment", "BackgroundLeftShift", "BackgroundRightShift"}},
      {"Tabs", plain + QStringList{"Border", "Tile", "NormalColour2", "MouseOverColour2"}},
      {"Tab.Pane", {"Image", "LeftWidth", "RightWidth", "TopHeight", "BottomHeight"}},
      {"StatusBarEdges", {"Image", "LeftWidth", "RightWidth", "TopHeight", "BottomHeight", "NormalColour2"}},
      {"ToolBars", plain + QStringList{"NormalColour", "MouseOverColour", "PressedColour"}},
      {"ComboButton", plain},
      {"SunkEdge", plain},
      {"ExtraImages", {"Image", "Trans"}},
      {"Headerbar", {"Image", "Frame", "LeftWidth", "RightWidth", "TopHeight", "BottomHeight", "NormalColour2"}},
      {"MenuItem", {"Image", "Trans", "NormalColour2", "MouseOverColour2", "PressedColour2"}},
      {"MenuBackground", {"Image"}},
      {"Scrollbar", {"Image", "Trans"}},
      {"HorzScroll", {"Image", "LeftWidth", "RightWidth", "Tile"}},
      {"VertScroll", {"Image", "TopHeight", "BottomHeight", "Tile"}},
      {"HorzScrollThumb", {"Image", "FrameCount", "Trans"}},
      {"VertScrollThumb", {"Image", "FrameCount", "Trans"}},
      {"Trackbar.ThumbHorz", {"Image"}},
      {"Trackbar.ThumbVert", {"Image"}},
      {"Trackbar.ThumbLeft", {"Image"}},
      {"Trackbar.ThumbRight", {"Image"}},
      {"Trackbar.ThumbUp", {"Image"}},
      {"Trackbar.ThumbDown", {"Image"}},
      {"UpDown.Horz", {"Image", "GlyphImage"}},
      {"UpDown.Vert", {"Image", "GlyphImage"}},
      {"Track", {"Image", "Frame", "LeftWidth", "RightWidth"}},
      {"TRACKVERT", {"Image", "Frame", "TopHeight", "BottomHeight"}},
  };
  return keys;
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
  qint64 sum = 0;
  for (int i = 0; i < reader.count(); ++i) sum += reader.size(i);
  EXPECT_EQ(sum, reader.data().size());
}

TEST(DefaultSkin, DescriptionHoldsEveryKeyTheParserReads) {
  TSkinReader reader;
  ASSERT_TRUE(reader.Load(resource(DefaultSkinResource)));
  QByteArray bytes;
  EXPECT_EQ(reader.FindEntry(QStringLiteral(".ini"), bytes), QStringLiteral("slate.ini"));
  TQuickIni ini;
  ini.LoadFromStream(bytes);
  for (const auto& [section, keys] : keysRead()) {
    for (const QString& key : keys) {
      EXPECT_FALSE(ini.ReadString(section, key, QString()).isEmpty()) << "[" << section.toStdString() << "] " << key.toStdString();
    }
  }
  QStringList sections;
  ini.ReadSections(sections);
  QSet<QString> buttonKeys;
  int colourSections = 0;
  for (const QString& s : sections) {
    if (s.startsWith(QLatin1String("Colour."))) ++colourSections;
    if (!s.startsWith(QLatin1String("Button."))) continue;
    for (const char* key : {"Action", "Align", "Xcoord", "Ycoord", "Visibility", "Visibility1", "CombineOp", "frame", "ButtonImage"}) {
      if (!ini.ReadString(s, QLatin1String(key), QString()).isEmpty()) buttonKeys.insert(QLatin1String(key));
    }
  }
  EXPECT_EQ(buttonKeys.size(), 9);
  EXPECT_EQ(colourSections, 2);
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
  EXPECT_EQ(left.Bitmap.width() / left.FrameCount(), 4);
  EXPECT_EQ(top.Bitmap.height() / top.FrameCount(), 30);
  EXPECT_EQ(bottom.Bitmap.height() / bottom.FrameCount(), 4);
  EXPECT_EQ(data->Border(bsRight).Bitmap.width() / 2, 4);
  EXPECT_EQ(left.Trans, 1);
  EXPECT_EQ(bottom.Trans, 0);
  EXPECT_TRUE(IsKeyPixel(left.Bitmap.pixel(0, 0)));
  // The window colour is the title bar's, saturated: the tool-bar gradient turns light blue.
  const TColor window = data->Colour(scWindow);
  EXPECT_GT(BlueOf(window), RedOf(window) + 50);
  EXPECT_EQ(data->Toolbar->Bitmap.size(), QSize(10, 40));

  // Buttons, check boxes and radio buttons.
  EXPECT_EQ(data->Buttons->Bitmap.width() % 5, 0);
  EXPECT_EQ(data->Buttons->CheckButtonFrame, 12);
  EXPECT_EQ(data->Buttons->RadioButtonFrame, 8);
  EXPECT_EQ(data->Buttons->CheckBitmap.width(), 12 * 13);
  EXPECT_EQ(data->Title->TXTBackleft, 8);
  EXPECT_EQ(data->Title->ActiveText, RGBColor(255, 255, 255));

  // Caption buttons: close, maximise, restore, minimise, help, system menu, then MDI.
  const auto& r = data->SysButtons;
  ASSERT_EQ(r.size(), 9u);
  EXPECT_EQ(r[0]->Name, "BUTTON.CLOSE");
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(r[i]->Frame, 6) << i;
    EXPECT_EQ(r[i]->Bitmap.size(), QSize(126, 18)) << i;
  }
  EXPECT_EQ(r[4]->Action, 4);
  EXPECT_EQ(r[4]->Xcoord, 50);  // the help button takes the maximise button's place
  EXPECT_EQ(r[5]->Action, 3);
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
  const QImage track(QStringLiteral(":/skin/builtin/TRACK.bmp"));
  EXPECT_EQ(track.size(), QSize(16, 4));
  EXPECT_LE(track.colorCount(), 16);
  EXPECT_GT(track.colorCount(), 0);
  const QImage vert(QStringLiteral(":/skin/builtin/TRACKVERT.bmp"));
  EXPECT_EQ(vert.size(), QSize(4, 16));
  // Four 16 x 16 monochrome menu glyphs (restore, maximise, minimise, close), black on white.
  const QImage menu(QStringLiteral(":/skin/builtin/CORVELMENU.bmp"));
  ASSERT_EQ(menu.size(), QSize(64, 16));
  EXPECT_EQ(menu.depth(), 1);
  for (int glyph = 0; glyph < 4; ++glyph) {
    int black = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) black += menu.pixel(glyph * 16 + x, y) == qRgb(0, 0, 0);
    EXPECT_GT(black, 10) << glyph;
    EXPECT_LT(black, 128) << glyph;
    EXPECT_EQ(menu.pixel(glyph * 16, 0), qRgb(255, 255, 255)) << glyph;
  }
}
