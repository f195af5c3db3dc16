// The bar's position model: range rules, clamping, events and veto, the key map, the setters'
// side effects and the geometry of track and thumb in both orientations.
#include <QTest>
#include <climits>

#include "controlstest.h"

namespace controls_test {
namespace {

using Log = std::vector<std::string>;

// Records OnChanging and OnChange in order.
struct EventLog {
  explicit EventLog(TFlatTrackBar& bar) {
    bar.OnChanging = [this](TFlatTrackBar*, int newPos, bool& allow) {
      entries.push_back("changing " + std::to_string(newPos));
      allow = allowChanges;
    };
    QObject::connect(&bar, &TFlatTrackBar::OnChange, [this, &bar](TFlatTrackBar* sender) {
      EXPECT_EQ(sender, &bar);
      entries.push_back("change " + std::to_string(bar.Position()));
    });
  }
  Log Take() { return std::exchange(entries, {}); }
  Log entries;
  bool allowChanges = true;
};

TEST(TrackBarModel, DefaultsOfANewBar) {
  ProbeBar bar;
  EXPECT_EQ(bar.size(), QSize(200, 35));
  EXPECT_EQ(std::vector<int>({bar.Max(), bar.Min(), bar.Position(), bar.TrackWidth(), bar.TrackOffset(), bar.TickStep(),
                              bar.PageSize(), bar.GetPageTimer().Interval()}),
            std::vector<int>({10, 0, 0, 8, 20, 1, 1, 200}));
  EXPECT_EQ(bar.ThumbStyle(), tsPointer);
  EXPECT_EQ(bar.TrackFrame(), fsStatus);
  EXPECT_EQ(bar.HotTrackColor(), TColor::FromRGB(240, 155, 20));
  EXPECT_EQ(bar.HotTrackColorType(), htctActual);
  EXPECT_EQ(std::vector<bool>({bar.ShowTicks(), bar.ShowFocusRect(), bar.ThemeAware(), bar.BufferDirty, bar.TabOnEnter(),
                               bar.Transparent(), bar.GetPageTimer().Enabled()}),
            std::vector<bool>({true, true, true, true, false, false, false}));
  EXPECT_EQ(bar.focusPolicy(), Qt::StrongFocus);
}

TEST(TrackBarModel, RangeNeverCrossesAndPositionFollows) {
  ProbeBar bar;
  EventLog log(bar);
  bar.SetMax(bar.Min());
  EXPECT_EQ(bar.Max(), 1);
  bar.SetMax(100);
  bar.SetMin(100);
  EXPECT_EQ(bar.Min(), 99);
  EXPECT_EQ(bar.Position(), 99);  // Min passed the position, which followed through the setter
  EXPECT_EQ(log.Take(), (Log{"changing 99", "change 99"}));
  bar.SetMin(0);
  bar.SetPosition(80);
  log.Take();
  bar.SetMax(50);
  EXPECT_EQ(bar.Position(), 50);
  EXPECT_EQ(log.Take(), (Log{"changing 50", "change 50"}));
  // Shrinking the range below a position whose change is refused still keeps it in range.
  log.allowChanges = false;
  bar.SetMax(30);
  EXPECT_EQ(bar.Position(), 30);
  EXPECT_EQ(log.Take(), (Log{"changing 30", "change 30"}));
  bar.SetMax(100);
  bar.SetMin(60);
  EXPECT_EQ(bar.Position(), 60);
  EXPECT_EQ(log.Take(), (Log{"changing 60", "change 60"}));
}

TEST(TrackBarModel, PositionClampsAndTheClampedEqualCaseStillFires) {
  ProbeBar bar;
  EventLog log(bar);
  bar.SetPosition(-5);
  EXPECT_EQ(bar.Position(), 0);
  EXPECT_EQ(log.Take(), (Log{"changing 0", "change 0"}));  // -5 differs from 0
  bar.SetPosition(99);
  EXPECT_EQ(bar.Position(), 10);
  bar.SetPosition(99);
  EXPECT_EQ(log.Take(), (Log{"changing 10", "change 10", "changing 10", "change 10"}));
  bar.SetPosition(10);  // the same value: nothing
  EXPECT_TRUE(log.entries.empty());
  // Page Up at Max fires (the clamped value differs from the asked one); the arrows do not.
  QTest::keyClick(&bar, Qt::Key_Up);
  QTest::keyClick(&bar, Qt::Key_Right);
  EXPECT_TRUE(log.entries.empty());
  QTest::keyClick(&bar, Qt::Key_PageUp);
  EXPECT_EQ(log.Take(), (Log{"changing 10", "change 10"}));
  // A veto stops the setter and the keys.
  log.allowChanges = false;
  bar.SetPosition(5);
  QTest::keyClick(&bar, Qt::Key_Left);
  QTest::keyClick(&bar, Qt::Key_Home);
  QTest::keyClick(&bar, Qt::Key_PageDown);
  EXPECT_EQ(bar.Position(), 10);
  EXPECT_EQ(log.Take(), (Log{"changing 5", "changing 9", "changing 0", "changing 9"}));
}

TEST(TrackBarModel, KeyMapInBothOrientations) {
  ProbeBar bar;
  bar.SetMax(100);
  bar.SetPageSize(7);
  const struct {
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    int want;  // from 50
  } keys[] = {{Qt::Key_Right, {}, 51},      {Qt::Key_Up, {}, 51},   {Qt::Key_Plus, Qt::KeypadModifier, 51},
              {Qt::Key_Left, {}, 49},       {Qt::Key_Down, {}, 49}, {Qt::Key_Minus, Qt::KeypadModifier, 49},
              {Qt::Key_Minus, {}, 50},  // the main keyboard's minus is not a key of the bar
              {Qt::Key_A, {}, 50},          {Qt::Key_PageUp, {}, 57}, {Qt::Key_PageDown, {}, 43},
              {Qt::Key_End, {}, 100},       {Qt::Key_Home, {}, 0}};
  for (const auto& k : keys) {
    bar.SetPosition(50);
    QTest::keyClick(&bar, k.key, k.mods);
    EXPECT_EQ(bar.Position(), k.want) << "key " << std::hex << int(k.key);
  }
  // A tall bar turns vertical, and Home and End swap.
  bar.resize(35, 200);
  ASSERT_TRUE(Shown(bar));
  EXPECT_EQ(bar.Orientation(), orVertical);
  bar.SetPosition(4);
  QTest::keyClick(&bar, Qt::Key_End);
  EXPECT_EQ(bar.Position(), 0);
  QTest::keyClick(&bar, Qt::Key_Home);
  EXPECT_EQ(bar.Position(), 100);
  bar.resize(200, 35);
  QCoreApplication::processEvents();
  EXPECT_EQ(bar.Orientation(), orHorizontal);
}

TEST(TrackBarModel, SetterSideEffects) {
  ProbeBar bar;
  for (auto [style, width] : {std::pair{tsMixer, 6}, {tsFlat, 6}, {tsBox, 8}}) {
    bar.SetThumbStyle(style);
    EXPECT_EQ(bar.TrackWidth(), width) << int(style);
  }
  bar.SetTrackWidth(2);
  EXPECT_EQ(bar.TrackWidth(), 4);
  for (auto [step, want] : {std::pair{0, 1}, {-9, 1}, {25, 25}}) {
    bar.SetTickStep(step);
    EXPECT_EQ(bar.TickStep(), want) << step;
  }
  bar.SetTrackFrame(fsFlatRounded);  // not a frame style: refused
  EXPECT_EQ(bar.TrackFrame(), fsStatus);

  // Every setter that changes the look rebuilds the background on the next paint.
  auto dirtied = [&bar](const std::function<void()>& set) {
    Render(bar);
    EXPECT_FALSE(bar.BufferDirty);
    set();
    return bar.BufferDirty;
  };
  EXPECT_TRUE(dirtied([&] { bar.SetThumbStyle(tsMixer); }));
  EXPECT_TRUE(dirtied([&] { bar.SetMax(1000); }));
  EXPECT_TRUE(dirtied([&] { bar.SetMin(-3); }));
  EXPECT_TRUE(dirtied([&] { bar.SetTickColor(clRed); }));
  EXPECT_TRUE(dirtied([&] { bar.SetHighlightColor(clRed); }));
  EXPECT_TRUE(dirtied([&] { bar.setEnabled(false); }));
  EXPECT_FALSE(dirtied([&] { bar.SetPosition(5); }));       // moving the thumb keeps the background
  EXPECT_FALSE(dirtied([&] { bar.SetTickColor(clRed); }));  // the same value: nothing
}

TEST(TrackBarModel, ThemeAwareChoosesTheXpThumbs) {
  ProbeBar bar(tsBox);
  const QImage classic = bar.Thumbs.Normal;
  bar.SetThemeAware(true);
  // Under Fusion the program counts visual themes as on.
  EXPECT_EQ(bar.Thumbs.Normal, QImage(":/controls/QXTRKBAR_H_XPBOX.xpm").convertToFormat(QImage::Format_RGB32));
  EXPECT_NE(bar.Thumbs.Normal, classic);
}

TEST(TrackBarModel, WideRangesUse64BitArithmetic) {
  ProbeBar bar(tsBox);
  bar.SetMin(INT_MIN);
  bar.SetMax(INT_MAX);
  bar.SetPosition(INT_MAX);
  Render(bar);
  EXPECT_EQ(bar.ThumbRect.x(), 200 - 4 - 11);
  bar.SetPosition(0);
  Render(bar);
  EXPECT_EQ(bar.ThumbRect.x(), 4 + 181 / 2);  // 181 * 2^31 / (2^32 - 1) truncates to 90
  bar.SetPageSize(65535);
  bar.SetPosition(INT_MAX - 1);
  QTest::keyClick(&bar, Qt::Key_PageUp);
  EXPECT_EQ(bar.Position(), INT_MAX);
  bar.SetPosition(INT_MIN + 1);
  QTest::keyClick(&bar, Qt::Key_PageDown);
  EXPECT_EQ(bar.Position(), INT_MIN);
}

TEST(TrackBarGeometry, TrackAndThumbInBothOrientations) {
  ProbeBar bar(tsBox);  // 11 x 21
  bar.SetMax(100);
  Render(bar);
  EXPECT_EQ(std::vector<int>({bar.ThumbLength, bar.ThumbBreadth, bar.ThumbHalf}), std::vector<int>({11, 21, 5}));
  EXPECT_EQ(bar.TrackRect, RectLTRB(9, 20, 191, 28));
  // Each row: style, pointer, position, then the thumb; (8 - 21) div 2 = -6; 181 * 50 / 100 = 90.
  const struct {
    TThumbStyle style;
    TPointerType pointer;
    int position;
    QRect thumb;
  } rows[] = {{tsBox, ptStandard, 0, RectLTRB(4, 14, 15, 35)},
              {tsBox, ptStandard, 50, RectLTRB(94, 14, 105, 35)},
              {tsBox, ptStandard, 100, RectLTRB(185, 14, 196, 35)},
              {tsPointer, ptStandard, 100, RectLTRB(185, 12, 196, 33)},  // two pixels towards the top ticks
              {tsPointer, ptWin95, 100, RectLTRB(185, 14, 196, 35)},
              {tsMixer, ptStandard, 0, RectLTRB(4, 15, 25, 31)}};  // 21 x 16 on a 6-pixel track
  for (const auto& r : rows) {
    bar.SetThumbStyle(r.style);
    bar.SetPointerType(r.pointer);
    bar.SetPosition(r.position);
    Render(bar);
    EXPECT_EQ(bar.ThumbRect, r.thumb) << int(r.style) << " " << int(r.pointer) << " " << r.position;
  }
  EXPECT_EQ(bar.TrackRect, RectLTRB(14, 20, 186, 26));

  // Vertical: the pointer 21 x 11 shifted towards the left ticks, Min at the bottom.
  ProbeBar tall(tsPointer);
  tall.resize(35, 200);
  ASSERT_TRUE(Shown(tall));
  tall.SetMax(100);
  Render(tall);
  EXPECT_EQ(std::vector<int>({tall.ThumbLength, tall.ThumbBreadth}), std::vector<int>({11, 21}));
  EXPECT_EQ(tall.TrackRect, RectLTRB(20, 9, 28, 191));
  EXPECT_EQ(tall.ThumbRect, RectLTRB(12, 185, 33, 196));
  tall.SetPosition(100);
  EXPECT_EQ(tall.ThumbRect, RectLTRB(12, 4, 33, 15));
  tall.SetPointerType(ptWin95);  // vertically the shift stays
  Render(tall);
  EXPECT_EQ(tall.ThumbRect.x(), 12);
}

TEST(TrackBarModel, TabOnEnterMovesTheFocusOn) {
  QWidget window;
  auto* first = new TFlatTrackBar(&window);
  auto* second = new TFlatTrackBar(&window);
  second->move(0, 40);
  ASSERT_TRUE(Shown(window, true));
  first->setFocus();
  ASSERT_TRUE(first->hasFocus());
  QTest::keyClick(first, Qt::Key_Return);
  QCoreApplication::processEvents();
  EXPECT_TRUE(first->hasFocus());  // off by default
  first->SetTabOnEnter(true);
  QTest::keyClick(first, Qt::Key_Return);
  QCoreApplication::processEvents();
  EXPECT_TRUE(second->hasFocus());
}

}  // namespace
}  // namespace controls_test
