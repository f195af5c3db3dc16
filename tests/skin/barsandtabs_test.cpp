// The media player's button edges and tabs under the default skin: real skinned windows
// rendered offscreen with every probed pixel checked against the frame of the skin bitmap it
// must come from.
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QSlider>
#include <QSpinBox>
#include <QStyleOptionSpinBox>
#include <QStyleOptionSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <climits>

#include "platform/forms/form.h"
#include "platform/forms/mediaplayer.h"
#include "platform/forms/tabset.h"
#include "platform/forms/updown.h"
#include "platform/wm/wm.h"
#include "skin/SkinStyle.h"
#include "skin/controls/SkinRegistry.h"
#include "skin/controls/TMediaPlayerSx.h"
#include "skin/controls/TSkinMP.h"
#include "skin/controls/TSkinTab.h"
#include "skin/controls/TSkinUpDown.h"
#include "skin/controls/skinlayout.h"
#include "skin/imgutil.h"
#include "tests/skin/skinfixture.h"
#include "tests/support/testsupport.h"

using namespace orvane::skin;
using orvane::TMediaPlayer;
namespace wm = orvane::wm;

namespace {

// Whether a pixel is one of the colours of a frame's cell (see-through pixels left out).
bool FromFrame(QRgb px, const QImage& strip, int frames, int frame) {
  const QRect cell = FrameRect(strip, false, frames, frame);
  for (int y = cell.top(); y <= cell.bottom(); ++y)
    for (int x = cell.left(); x <= cell.right(); ++x)
      if (!IsKeyPixel(strip.pixel(x, y)) && (strip.pixel(x, y) | 0xFF000000u) == (px | 0xFF000000u)) return true;
  return false;
}

QImage Render(QWidget* w) { return RenderOverBlack(w); }

void Click(QWidget* w, QPoint at, Qt::MouseButton b = Qt::LeftButton) {
  QTest::mousePress(w, b, {}, at);
  QTest::mouseRelease(w, b, {}, at);
}

class BarsAndTabsTest : public StyledSkinFixture {
 protected:
  // A shown, skinned and activated form.
  void Show(orvane::Form& form) {
    form.resize(420, 300);
    ASSERT_TRUE(ShowSkinned(&form));
  }
};

}  // namespace

TEST(SkinBarsLayout, MediaPlayerSetsAndButtonEdges) {
  quint16 set = 0;
  EXPECT_TRUE(TMediaPlayer::ParseSetText(" [btPlay, btstop ,btEject] ", &set));
  EXPECT_EQ(TMediaPlayer::SetText(set), "[btPlay,btStop,btEject]");
  for (const char* bad : {"btPlay", "[btPlay,btFoo]", "[btPlay", ""}) EXPECT_FALSE(TMediaPlayer::ParseSetText(bad, &set));
  TMediaPlayer player;
  player.SetVisibleButtons("[btPlay,btFoo]");  // refused: everything stays visible
  EXPECT_EQ(player.Visible(), TMediaPlayer::AllButtons);
  player.SetVisibleButtons("[]");
  EXPECT_EQ(player.ButtonAt(0), TMediaPlayer::NoButton);
  // Visible play, stop, eject, 10 wide: both ends count, the earlier button wins a shared edge.
  const quint16 three = (1 << TMediaPlayer::btPlay) | (1 << TMediaPlayer::btStop) | (1 << TMediaPlayer::btEject);
  const int hits[][2] = {{-1, 9}, {0, 0}, {10, 0}, {11, 2}, {20, 2}, {21, 8}, {30, 8}, {31, 9}};
  for (const auto& h : hits) EXPECT_EQ(TMediaPlayer::HitButton(h[0], three, 10), h[1]) << h[0];
}

// The player paints itself with no hook for the skin: the skinned face is a panel laid over
// it, drawn from the skin's "Buttons" element, which shows and hides with the player.
TEST_F(BarsAndTabsTest, TheMediaPlayerShowsTheSkinsButtonsOverItself) {
  orvane::Form form;
  auto* player = new TMediaPlayer(form.client());
  player->setGeometry(10, 10, 90, 30);
  player->SetVisibleButtons("[btPlay,btStop,btEject]");
  Show(form);
  auto* mp = qobject_cast<TSkinMP*>(TSkinRegistry::Find(player));
  ASSERT_TRUE(mp && mp->Panel());
  EXPECT_TRUE(mp->Panel()->isVisible());
  EXPECT_EQ(mp->Panel()->geometry(), player->geometry());
  const QImage face = Render(form.client());
  for (const int left : {0, 30, 60})  // each of the three buttons, just inside its edge
    EXPECT_TRUE(FromFrame(face.pixel(player->x() + left + 2, player->y() + 15), D().Buttons->Bitmap, 5, 1)) << left;
  player->hide();
  EXPECT_FALSE(mp->Panel()->isVisible());
}

TEST_F(BarsAndTabsTest, TabsInFourPositionsWithCloseMarks) {
  orvane::Form form;
  auto* tabs = new QTabWidget(form.client());
  tabs->setGeometry(10, 10, 380, 260);
  orvane::SetTag(tabs, CloseMarkTag);
  QList<QPointer<QWidget>> pages;
  for (const char* t : {"One", "Two", "Three", "Four", "Five", "Six", "Seven"}) {
    pages << new QWidget;
    tabs->addTab(pages.back(), t);
  }
  qintptr answer = 1;
  QList<QPair<quintptr, qintptr>> asked;
  wm::Link link = wm::Subclass(&form, [&](wm::Message& m) {
    if (m.msg != WM_SKINTABCLOSE) return wm::CallPrevious(link, m);
    asked << qMakePair(m.wParam, m.lParam);
    m.result = answer;
  });
  Show(form);
  auto* skinner = qobject_cast<TSkinTab*>(TSkinRegistry::Find(tabs));
  ASSERT_TRUE(skinner && skinner->CloseMarks());
  const TDataSkinBorder& e = *D().Tabs;
  const struct {
    QTabWidget::TabPosition pos;
    QPoint probe;  // a point 3 pixels into the tab from its outer edge, mid-length (from the tab's corner)
  } cases[] = {{QTabWidget::North, {0, 3}}, {QTabWidget::South, {0, -4}}, {QTabWidget::West, {3, 0}},
               {QTabWidget::East, {-4, 0}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pos);
    tabs->setTabPosition(c.pos);
    tabs->setCurrentIndex(0);
    QApplication::processEvents();
    QTabBar* bar = tabs->tabBar();
    const QImage image = Render(bar);
    // The page frame is the element's second image, its edge on the far side from the tabs.
    const QImage whole = Render(tabs);
    const QPoint far = c.pos == QTabWidget::North ? QPoint(200, tabs->height() - 1)
                       : c.pos == QTabWidget::South ? QPoint(200, 0)
                       : c.pos == QTabWidget::West  ? QPoint(tabs->width() - 1, 200)
                                                    : QPoint(0, 200);
    EXPECT_TRUE(FromFrame(whole.pixel(far), e.Bitmap2, 1, 1));
    for (int i : {0, 1}) {
      const QRect r = bar->tabRect(i);
      const QPoint at(c.probe.x() ? (c.probe.x() > 0 ? r.left() : r.right() + 1) + c.probe.x() : r.center().x(),
                      c.probe.y() ? (c.probe.y() > 0 ? r.top() : r.bottom() + 1) + c.probe.y() : r.center().y() + 6);
      EXPECT_TRUE(FromFrame(image.pixel(at), e.Bitmap, 5, i == 0 ? 2 : 1)) << i;
      EXPECT_FALSE(FromFrame(image.pixel(at), e.Bitmap, 5, i == 0 ? 1 : 2)) << i;
    }
    // The mark of tab 1 is drawn where it is kept; a press there asks and never selects.
    const QRect mark = skinner->CloseMarkAt(1);
    ASSERT_TRUE(bar->tabRect(1).contains(mark));
    EXPECT_EQ(image.pixel(mark.center()), qRgb(0, 0, 0));
    asked.clear();
    answer = 1;
    const int count = tabs->count();
    Click(bar, mark.center());
    EXPECT_EQ(asked, (QList<QPair<quintptr, qintptr>>{{reinterpret_cast<quintptr>(tabs), 1}}));
    EXPECT_EQ(tabs->count(), count);
    EXPECT_EQ(tabs->currentIndex(), 0);
    Click(bar, bar->tabRect(1).center());  // beside the mark the tab is selected as ever
    EXPECT_EQ(tabs->currentIndex(), 1);
    Render(bar);
    // Answer 0: the last page goes.
    const int last = tabs->count() - 1;
    const QPointer<QWidget> page = tabs->widget(last);
    answer = 0;
    Click(bar, skinner->CloseMarkAt(last).center());
    EXPECT_EQ(tabs->count(), last);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(page.isNull());
  }
  // Too many tabs for the width: the scroll buttons are up-down halves, the left one disabled.
  tabs->setTabPosition(QTabWidget::North);
  for (int i = 0; i < 12; ++i) tabs->addTab(new QWidget, QStringLiteral("Tab %1").arg(i));
  tabs->setCurrentIndex(0);
  QApplication::processEvents();
  const TDataSkinBorder& horz = *D().UpDownHorz;
  int shown = 0;
  for (QToolButton* b : tabs->tabBar()->findChildren<QToolButton*>()) {
    if (!b->isVisible()) continue;
    ++shown;
    const bool right = b->arrowType() == Qt::RightArrow;
    const int frame = UpDownFrame(right ? udRight : udLeft, right ? udsNormal : udsDisabled);
    EXPECT_TRUE(FromFrame(Render(b).pixel(3, 3), horz.Bitmap, 8, frame)) << right;
    EXPECT_FALSE(FromFrame(Render(b).pixel(3, 3), horz.Bitmap, 8, right ? frame + 2 : frame - 2)) << right;
  }
  EXPECT_EQ(shown, 2);
  // The tab widget dies skinned: no skinner left for it or its bar.
  const int registered = TSkinRegistry::Count();
  int sheets = 0;
  for (int i = 0; i < tabs->count(); ++i) sheets += TSkinRegistry::Find(tabs->widget(i)) != nullptr;
  const QPointer<TSkinTab> gone(skinner);
  delete tabs;
  EXPECT_TRUE(gone.isNull());
  EXPECT_EQ(TSkinRegistry::Count(), registered - 1 - sheets);
}

TEST_F(BarsAndTabsTest, TabSetDrawsWhereClicksLand) {
  orvane::Form form;
  auto* set = new orvane::TTabSet(form.client());
  const QString wide(400, QLatin1Char('M'));
  set->SetTabs({"A", wide, "B"});
  set->setGeometry(10, 10, 200, 22);
  set->SetTabIndex(0);
  QList<int> changes;
  QObject::connect(set, &orvane::TTabSet::Change, [&](int t) { changes << t; });
  Show(form);
  ASSERT_TRUE(TSkinRegistry::SkinnerFor(set));
  const QFontMetrics fm = set->fontMetrics();
  const int a = fm.horizontalAdvance("A") + 9, b = fm.horizontalAdvance("B") + 9;
  // The wide tab is skipped (and so the scroller shows): B comes right after A.
  ASSERT_TRUE(set->ScrollerShown());
  const QImage image = Render(set);
  const QImage flipped = [&] {
    QImage f = D().Tabs->Bitmap.copy();
    FlipVert(f);
    return f;
  }();
  EXPECT_TRUE(FromFrame(image.pixel(5 + a / 2, 18), flipped, 5, 2));
  EXPECT_TRUE(FromFrame(image.pixel(5 + a + b / 2, 18), flipped, 5, 1));
  EXPECT_FALSE(FromFrame(image.pixel(5 + a + b / 2, 18), flipped, 5, 2));
  Click(set, QPoint(5 + a + 2, 10));
  EXPECT_EQ(changes, QList<int>{2});
  Click(set, QPoint(5 + a + b + 2, 10));  // past the last drawn tab: nothing
  EXPECT_EQ(set->TabIndex(), 2);
  // The scroller steps the first tab with its right half.
  orvane::TUpDown* scroller = set->Scroller();
  Click(scroller, QPoint(scroller->width() - 3, scroller->height() / 2));
  EXPECT_EQ(set->FirstIndex(), 1);
}
