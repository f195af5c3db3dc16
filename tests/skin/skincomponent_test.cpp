// The skin component: its saved properties and their defaults, the sets' bit order, the foreign
// class table, the package record, keeping the skin in use when a load fails, the window check
// and the caption-button hint.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QMetaProperty>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>
#include <QWidget>
#include <map>

#include "skin/WinSkinData.h"

using namespace orvane::skin;

namespace {

QByteArray DefaultPackage() {
  QFile f(QString::fromLatin1(DefaultSkinResource));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(SkinComponentProperties, SavedInOrderWithTheirDefaultsAndBits) {
  TSXSkin skin;
  const std::pair<const char*, QVariant> expected[] = {
      {"Active", false},
      {"DisableTag", 99},
      // every kind but xcMenuItem (bit 2) and xcFastReport (bit 21)
      {"SkinControls", QVariant::fromValue<quint32>(0x3FFFFF & ~0x4u & ~0x200000u)},
      // xoPreview (bit 3), xoToolbarBK (bit 6), xoCaptionButtonHint (bit 10)
      {"Options", QVariant::fromValue<quint16>(0x448)},
      {"Skin3rd", DefaultSkin3rd()},
      {"SkinFile", QString()},
      {"SkinStore", QStringLiteral("(none)")},
      {"SkinFormtype", int(sfMainform)},
      {"Version", QStringLiteral("5.40.07.15")},
      {"MenuUpdate", true},
      {"MenuMerge", false},
  };
  const QMetaObject* mo = skin.metaObject();
  ASSERT_EQ(mo->propertyCount() - mo->propertyOffset(), int(std::size(expected)));
  for (int i = 0; i < int(std::size(expected)); ++i) {
    const QMetaProperty p = mo->property(mo->propertyOffset() + i);
    EXPECT_STREQ(p.name(), expected[i].first);
    EXPECT_EQ(p.read(&skin), expected[i].second) << p.name();
  }
  // Writing the read-only two changes nothing.
  skin.setProperty("SkinStore", QStringLiteral("(Good)"));
  skin.setProperty("Version", QStringLiteral("1"));
  EXPECT_EQ(skin.SkinStore(), QStringLiteral("(none)"));
  EXPECT_EQ(skin.Version(), QStringLiteral("5.40.07.15"));
  EXPECT_EQ(int(xcSystemMenu), 20);
  EXPECT_EQ(int(xoFormScrollbar), 11);
  EXPECT_EQ(skin.MenuGlyphs().size(), 4);
  EXPECT_FALSE(skin.OnFormSkin || skin.OnSkinChanged || skin.OnSkinControl || skin.OnBeforeSkinForm ||
               skin.OnAfterSkinForm);
}

TEST(SkinComponentProperties, ForeignClassTable) {
  const QStringList& rows = DefaultSkin3rd();
  ASSERT_EQ(rows.size(), 118);
  EXPECT_EQ(rows.first(), "TCategoryButtons=scrollbar");
  EXPECT_EQ(rows.last(), "TOVCDBNUMERICFIELD=edit");
  std::map<QString, int> kinds;
  for (const QString& row : rows) ++kinds[row.section(u'=', 1).toLower()];
  const std::map<QString, int> counts = {
      {"combobox", 39},  {"edit", 26},        {"panel", 15},      {"scrollbar", 10},      {"radiogroup", 7},
      {"checkbox", 4},   {"speedbutton", 3},  {"bitbtn", 3},      {"checkgroup", 3},      {"radiobutton", 2},
      {"groupbox", 2},   {"pngspeedbutton", 1}, {"pngbitbtn", 1}, {"button", 1},          {"menubtn", 1}};
  EXPECT_EQ(kinds, counts);
  EXPECT_EQ(QSet<QString>(rows.begin(), rows.end()).size(), 115);  // three rows appear twice
}

TEST(SkinComponentPackage, SavedRecordRoundTripAndFailedLoadsKeepTheSkin) {
  const QByteArray package = DefaultPackage();
  ASSERT_FALSE(package.isEmpty());
  TSXSkin first;
  first.SetSkinStream(package);
  const QByteArray saved = first.WriteSkinStream();
  ASSERT_EQ(saved.size(), package.size() + 4);
  EXPECT_EQ(qFromLittleEndian<quint32>(saved.constData()), quint32(package.size()));
  EXPECT_EQ(TSXSkin().WriteSkinStream(), QByteArray(4, '\0'));

  TSXSkin skin;
  ASSERT_TRUE(skin.ReadSkinStream(saved));
  EXPECT_EQ(skin.SkinStream(), package);
  EXPECT_FALSE(skin.SkinLoading());
  const auto data = skin.Data();
  ASSERT_TRUE(data);

  QTemporaryDir dir;
  QFile broken(dir.filePath("broken.skn"));
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
  broken.write(package.left(package.size() / 3));
  broken.close();
  QLoggingCategory::setFilterRules(QStringLiteral("orvane.skin.*.warning=false"));
  const QByteArray badRecords[] = {saved.left(3), saved.left(saved.size() - 1)};
  for (const QByteArray& bad : badRecords) EXPECT_FALSE(skin.ReadSkinStream(bad));
  for (const QString& file : {dir.filePath("missing.skn"), broken.fileName()}) {
    skin.SetSkinFile(file);
    EXPECT_EQ(skin.SkinFile(), file);
    EXPECT_EQ(skin.Data(), data) << qPrintable(file);  // the skin in use stays
    EXPECT_EQ(skin.SkinStream(), package);
    EXPECT_FALSE(skin.SkinLoading());
  }
  QLoggingCategory::setFilterRules(QString());
}

TEST(SkinComponentWindows, WindowCheckAndCaptionHint) {
  TSXSkin skin;
  struct Case {
    const char* className;
    bool fastReport;
    bool skinned;
  };
  const Case cases[] = {{"SysMonthCal32", false, false}, {"TfrDesigner", true, false},
                        {"TfrDesigner", false, true},    {"TFRDesigner", true, true},
                        {"TForm_main", true, true}};
  QWidget window;
  for (const Case& c : cases) {
    skin.SkinControls = c.fastReport ? skin.SkinControls | SetBit(xcFastReport) : DefaultSkinControls;
    bool doSkin = true;
    skin.CanSkinForm(&window, QLatin1String(c.className), doSkin);
    EXPECT_EQ(doSkin, c.skinned) << c.className << c.fastReport;
  }
  EXPECT_EQ(skin.LastCheckedWindow(), &window);
  skin.OnFormSkin = [](TSXSkin*, const QString& name, bool& doSkin) { doSkin = name == "SysMonthCal32"; };
  bool doSkin = true;
  skin.CanSkinForm(&window, QStringLiteral("SysMonthCal32"), doSkin);
  EXPECT_TRUE(doSkin);

  const QRect button(300, 200, 20, 18);
  const QString longText = QString(u'关').repeated(200);
  skin.Options &= ~SetBit(xoCaptionButtonHint);
  skin.ShowCaptionHint(button, longText);
  EXPECT_FALSE(skin.CaptionHintShown());
  skin.Options = DefaultSkinOptions;
  skin.ShowCaptionHint(button, longText);
  ASSERT_TRUE(skin.CaptionHintShown());
  QWidget* hint = skin.CaptionHintWindow();
  EXPECT_TRUE(hint->isVisible());
  EXPECT_EQ(hint->geometry().topLeft(), button.topLeft());
  EXPECT_LE(hint->width(), 500 + 10);
  EXPECT_GT(hint->height(), 2 * hint->fontMetrics().height());  // wrapped
  EXPECT_EQ(hint->palette().color(QPalette::Window), QApplication::palette().color(QPalette::ToolTipBase));
  skin.HideCaptionHint();
  EXPECT_FALSE(hint->isVisible());
  EXPECT_FALSE(skin.CaptionHintShown());
}

TEST(SkinComponentText, MeasuresAndPlacesText) {
  QImage image(120, 40, QImage::Format_RGB32);
  QPainter p(&image);
  const QFontMetrics fm = p.fontMetrics();
  QRect r(0, 0, 40, 0);
  EXPECT_EQ(SkinDrawText(&p, "abc abc abc", r, DT_CALCRECT | DT_SINGLELINE), fm.height());
  EXPECT_NEAR(r.width(), fm.horizontalAdvance("abc abc abc"), 1);
  r = QRect(0, 0, 40, 0);
  EXPECT_GE(SkinDrawText(&p, "abc abc abc", r, DT_CALCRECT | DT_WORDBREAK), 2 * fm.height());
  // Where the ink lands: the columns holding dark pixels.
  auto inkColumns = [&](quint32 format) {
    image.fill(Qt::white);
    QRect box(0, 0, 120, 40);
    SkinDrawText(&p, "WW", box, format);
    int first = -1, last = -1;
    for (int x = 0; x < image.width(); ++x)
      for (int y = 0; y < image.height(); ++y)
        if (qGray(image.pixel(x, y)) < 128) last = x, first = first < 0 ? x : first;
    return std::pair(first, last);
  };
  EXPECT_LT(inkColumns(DT_SINGLELINE).second, 60);
  EXPECT_GT(inkColumns(DT_SINGLELINE | DT_RIGHT).first, 60);
  const auto centred = inkColumns(DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  EXPECT_NEAR(centred.first + centred.second, 120, 4);
}
