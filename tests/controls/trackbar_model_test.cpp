// The bar's position model: range rules, clamping, events and veto, the key map, the setters'
// side effects and the geometry of track and thumb in both orientations.
#include <QSignalSpy>
#include <QTest>
#include <climits>

#include "controlstest.h"

namespace controls_test {
namespace {

// Records OnChanging and OnChange in order.
struct EventLog {
  explicit EventLog(TFlatTrackBar& bar) {
    bar.OnChanging = [this](TFlatTrackBar*, int newPos, bool& allow) {
      entries.push_back("changing " + std::to_string(newPos));
      allow = allowChanges;
    };
    QObject::connect(&bar, &TFlatTrackBar::OnChange,
                     [this, &bar](TFlatTrackBar* sender) {
                       EXPECT_EQ(sender, &bar);
                       entries.push_back("change " + std::to_string(bar.Position()));
                     });
  }
  std::vector<std::string> entries;
  bool allowChanges = true;
};

using Log = std::vector<std::string>;

TEST(TrackBarModel, DefaultsOfANewBar) {
  ProbeBar bar;
  EXPECT_EQ(bar.size(), QSize(200, 35));
  EXPECT_EQ(bar.Max(), 10);
  EXPECT_EQ(bar.Min(), 0);
  EXPECT_EQ(bar.Position(), 0);
  EXPECT_EQ(bar.ThumbStyle(), tsPointer);
  EXPECT_EQ(bar.TrackWidth(), 8);
  EXPECT_EQ(bar.TrackOffset(), 20);
  EXPECT_EQ(bar.TrackFrame(), fsStatus);
  EXPECT_EQ(bar.HotTrackColor(), TColor::FromRGB(240, 155, 20));
  EXPECT_EQ(bar.HotTrackColorType(), htctActual);
  EXPECT_EQ(bar.TickStep(), 1);
  EXPECT_EQ(bar.PageSize(), 1);
  EXPECT_TRUE(bar.ShowTicks());
  EXPECT_TRUE(bar.ShowFocusRect());
  EXPECT_TRUE(bar.ThemeAware());
  EXPECT_FALSE(bar.TabOnEnter());
  EXPECT_FALSE(bar.Transparent());
  EXPECT_EQ(bar.focusPolicy(), Qt::StrongFocus);
  EXPECT_TRUE(bar.BufferDirty);
  EXPECT_FALSE(bar.GetPageTimer().Enabled());
  EXPECT_EQ(bar.GetPageTimer().Interval(), 200);
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
  EXPECT_EQ(log.entries, (Log{"changing 99", "change 99"}));
  bar.SetMin(0);
  bar.SetPosition(80);
  log.entries.clear();
  bar.SetMax(50);
  EXPECT_EQ(bar.Position(), 50);
  EXPECT_EQ(log.entries, (Log{"changing 50", "change 50"}));

  // Shrinking the range below a position whose change is refused still keeps it in range.
  log.allowChanges = false;
  log.entries.clear();
  bar.SetMax(30);
  EXPECT_EQ(bar.Position(), 30);
  EXPECT_EQ(log.entries, (Log{"changing 30", "change 30"}));
  bar.SetMax(100);
  log.entries.clear();
  bar.SetMin(60);
  EXPECT_EQ(bar.Position(), 60);
  EXPECT_EQ(log.entries, (Log{"changing 60", "change 60"}));
}

TEST(TrackBarModel, PositionClampsAndTheClampedEqualCaseStillFires) {
  ProbeBar bar;
  EventLog log(bar);
  bar.SetPosition(-5);
  EXPECT_EQ(bar.Position(), 0);
  EXPECT_EQ(log.entries, (Log{"changing 0", "change 0"}));  // -5 differs from 0
  log.entries.clear();
  bar.SetPosition(99);
  EXPECT_EQ(bar.Position(), 10);
  bar.SetPosition(99);
  EXPECT_EQ(log.entries, (Log{"changing 10", "change 10", "changing 10", "change 10"}));
  log.entries.clear();
  bar.SetPosition(10);  // the same value: nothing
  EXPECT_TRUE(log.entries.empty());
}

TEST(TrackBarModel, VetoStopsSetterAndKeys) {
  ProbeBar bar;
  EventLog log(bar);
  log.allowChanges = false;
  bar.SetPosition(5);
  QTest::keyClick(&bar, Qt::Key_Right);
  QTest::keyClick(&bar, Qt::Key_End);
  QTest::keyClick(&bar, Qt::Key_PageUp);
  EXPECT_EQ(bar.Position(), 0);
  EXPECT_EQ(log.entries, (Log{"changing 5", "changing 1", "changing 10", "changing 1"}));
}

TEST(TrackBarModel, KeyMapHorizontal) {
  ProbeBar bar;
  bar.SetMax(100);
  bar.SetPageSize(7);
  bar.SetPosition(50);
  QTest::keyClick(&bar, Qt::Key_Right);
  QTest::keyClick(&bar, Qt::Key_Up);
  QTest::keyClick(&bar, Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_EQ(bar.Position(), 53);
  QTest::keyClick(&bar, Qt::Key_Left);
  QTest::keyClick(&bar, Qt::Key_Down);
  QTest::keyClick(&bar, Qt::Key_Minus, Qt::KeypadModifier);
  QTest::keyClick(&bar, Qt::Key_Minus);  // the main keyboard's minus is not a key of the bar
  QTest::keyClick(&bar, Qt::Key_A);
  EXPECT_EQ(bar.Position(), 50);
  QTest::keyClick(&bar, Qt::Key_PageUp);
  EXPECT_EQ(bar.Position(), 57);
  QTest::keyClick(&bar, Qt::Key_PageDown);
  QTest::keyClick(&bar, Qt::Key_PageDown);
  EXPECT_EQ(bar.Position(), 43);
  QTest::keyClick(&bar, Qt::Key_End);
  EXPECT_EQ(bar.Position(), 100);
  QTest::keyClick(&bar, Qt::Key_Home);
  EXPECT_EQ(bar.Position(), 0);
}

TEST(TrackBarModel, PageUpAtMaxFiresButUpArrowDoesNot) {
  ProbeBar bar;
  bar.SetPosition(10);
  EventLog log(bar);
  QTest::keyClick(&bar, Qt::Key_Up);
  QTest::keyClick(&bar, Qt::Key_Right);
  EXPECT_TRUE(log.entries.empty());
  QTest::keyClick(&bar, Qt::Key_PageUp);
  EXPECT_EQ(log.entries, (Log{"changing 10", "change 10"}));
  EXPECT_EQ(bar.Position(), 10);
}

TEST(TrackBarModel, TallBarTurnsVerticalAndHomeEndSwap) {
  ProbeBar bar;
  bar.resize(35, 200);
  bar.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
  EXPECT_EQ(bar.Orientation(), orVertical);
  bar.SetPosition(4);
  QTest::keyClick(&bar, Qt::Key_End);
  EXPECT_EQ(bar.Position(), 0);
  QTest::keyClick(&bar, Qt::Key_Home);
  EXPECT_EQ(bar.Position(), 10);
  bar.resize(200, 35);
  QCoreApplication::processEvents();
  EXPECT_EQ(bar.Orientation(), orHorizontal);
}

TEST(TrackBarModel, SetterSideEffects) {
  ProbeBar bar;
  Render(bar);
  EXPECT_FALSE(bar.BufferDirty);
  bar.SetThumbStyle(tsMixer);
  EXPECT_EQ(bar.TrackWidth(), 6);
  EXPECT_TRUE(bar.BufferDirty);
  bar.SetThumbStyle(tsFlat);
  EXPECT_EQ(bar.TrackWidth(), 6);
  bar.SetThumbStyle(tsBox);
  EXPECT_EQ(bar.TrackWidth(), 8);
  bar.SetTrackWidth(2);
  EXPECT_EQ(bar.TrackWidth(), 4);

  bar.SetTickStep(0);
  EXPECT_EQ(bar.TickStep(), 1);
  bar.SetTickStep(-9);
  EXPECT_EQ(bar.TickStep(), 1);
  bar.SetTickStep(25);
  EXPECT_EQ(bar.TickStep(), 25);

  bar.SetTrackFrame(fsFlatRounded);  // not a frame style: refused
  EXPECT_EQ(bar.TrackFrame(), fsStatus);

  // Every setter that changes the look rebuilds the background on the next paint.
  auto dirtied = [&bar](const std::function<void()>& set) {
    Render(bar);
    set();
    return bar.BufferDirty;
  };
  EXPECT_TRUE(dirtied([&] { bar.SetMax(1000); }));
  EXPECT_TRUE(dirtied([&] { bar.SetMin(-3); }));
  EXPECT_TRUE(dirtied([&] { bar.SetTickColor(clRed); }));
  EXPECT_TRUE(dirtied([&] { bar.SetHighlightColor(clRed); }));
  EXPECT_TRUE(dirtied([&] { bar.setEnabled(false); }));
  EXPECT_FALSE(dirtied([&] { bar.SetPosition(5); }));  // moving the thumb keeps the background
  EXPECT_FALSE(dirtied([&] { bar.SetTickColor(clRed); }));  // the same value: nothing
}

TEST(TrackBarModel, ThemeAwareChoosesTheXpThumbs) {
  ProbeBar bar;
  bar.SetThumbStyle(tsBox);
  bar.SetThemeAware(true);
  const QImage themed = bar.Thumbs.Normal;
  bar.SetThemeAware(false);
  const QImage classic = bar.Thumbs.Normal;
  // Under Fusion the program counts visual themes as on.
  EXPECT_EQ(themed, QImage(":/controls/QXTRKBAR_H_XPBOX.xpm").convertToFormat(QImage::Format_RGB32));
  EXPECT_NE(themed, classic);
}

TEST(TrackBarModel, WideRangesUse64BitArithmetic) {
  ProbeBar bar;
  bar.SetThemeAware(false);
  bar.SetThumbStyle(tsBox);
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

TEST(TrackBarGeometry, HorizontalTrackAndThumb) {
  ProbeBar bar;
  bar.SetThemeAware(false);
  bar.SetThumbStyle(tsBox);  // 11 x 21, no pointer shift
  bar.SetMax(100);
  Render(bar);
  EXPECT_EQ(bar.ThumbLength, 11);
  EXPECT_EQ(bar.ThumbBreadth, 21);
  EXPECT_EQ(bar.ThumbHalf, 5);
  EXPECT_EQ(bar.TrackRect, RectLTRB(9, 20, 191, 28));
  EXPECT_EQ(bar.ThumbRect, RectLTRB(4, 14, 15, 35));  // (8 - 21) div 2 = -6
  bar.SetPosition(50);
  EXPECT_EQ(bar.ThumbRect, RectLTRB(94, 14, 105, 35));  // 181 * 50 / 100 = 90
  bar.SetPosition(100);
  EXPECT_EQ(bar.ThumbRect, RectLTRB(185, 14, 196, 35));

  bar.SetThumbStyle(tsPointer);  // standard pointer: two pixels towards the top ticks
  Render(bar);
  EXPECT_EQ(bar.ThumbRect, RectLTRB(185, 12, 196, 33));
  bar.SetPointerType(ptWin95);
  Render(bar);
  EXPECT_EQ(bar.ThumbRect, RectLTRB(185, 14, 196, 35));

  bar.SetThumbStyle(tsMixer);  // 21 x 16 on a 6-pixel track
  bar.SetPosition(0);
  Render(bar);
  EXPECT_EQ(bar.TrackRect, RectLTRB(14, 20, 186, 26));
  EXPECT_EQ(bar.ThumbRect, RectLTRB(4, 15, 25, 31));
}

TEST(TrackBarGeometry, VerticalTrackAndThumb) {
  ProbeBar bar;
  bar.SetThemeAware(false);
  bar.resize(35, 200);
  bar.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
  bar.SetThumbStyle(tsPointer);  // vertical pointer 21 x 11, shifted towards the left ticks
  bar.SetMax(100);
  Render(bar);
  EXPECT_EQ(bar.ThumbLength, 11);
  EXPECT_EQ(bar.ThumbBreadth, 21);
  EXPECT_EQ(bar.TrackRect, RectLTRB(20, 9, 28, 191));
  EXPECT_EQ(bar.ThumbRect, RectLTRB(12, 185, 33, 196));  // Min at the bottom
  bar.SetPosition(100);
  EXPECT_EQ(bar.ThumbRect, RectLTRB(12, 4, 33, 15));
  bar.SetPointerType(ptWin95);  // vertically the shift stays
  Render(bar);
  EXPECT_EQ(bar.ThumbRect.x(), 12);
}

TEST(TrackBarModel, TabOnEnterMovesTheFocusOn) {
  QWidget window;
  auto* first = new TFlatTrackBar(&window);
  auto* second = new TFlatTrackBar(&window);
  second->move(0, 40);
  window.show();
  QApplication::setActiveWindow(&window);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
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
