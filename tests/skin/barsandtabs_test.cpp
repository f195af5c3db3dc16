// Sliders, up-downs, progress bars, the media player's panel and tabs under the default skin:
// the shared geometry by its rules, then real skinned windows rendered offscreen with every
// probed pixel checked against the frame of the skin bitmap it must come from.
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

TEST(SkinBarsLayout, RulesOfTheSharedGeometry) {
  // Progress fill: length x (pos - min) / (max - min), clamped; none for an empty range.
  const struct {
    int length;
    qint64 pos, min, max;
    int fill;
  } fills[] = {{100, 15, 10, 20, 50},   {100, 0, 0, 100, 0},          {100, 100, 0, 100, 100},
               {100, 5, 5, 5, 0},       {100, 9, 10, 20, 0},          {100, -5, -10, 0, 50},
               {100, 0, -10, 0, 100},   {100, 30, 20, 10, 0},         {100, 200, 0, 100, 100},
               {100, 0, INT_MIN, INT_MAX, 50}, {1000000, INT_MAX - 1, INT_MIN, INT_MAX, 999999},
               {INT_MAX, INT_MAX - 1, INT_MIN, INT_MAX, INT_MAX - 1}};
  for (const auto& f : fills)
    EXPECT_EQ(ProgressFill(f.length, f.pos, f.min, f.max), f.fill) << f.pos << " in " << f.min << ".." << f.max;
  EXPECT_EQ(ProgressChunks(0, 1, 8), 0);
  EXPECT_EQ(ProgressChunks(17, 1, 8), 3);
  // Up-down halves: lengths halved toward zero; inside an edit 3 pixels from its edges.
  EXPECT_EQ(UpDownHalves(QRect(0, 0, 16, 25), false), std::make_pair(QRect(0, 0, 16, 12), QRect(0, 12, 16, 12)));
  EXPECT_EQ(UpDownHalves(QRect(2, 0, 31, 16), true), std::make_pair(QRect(2, 0, 15, 16), QRect(17, 0, 15, 16)));
  EXPECT_EQ(InEditRect(QRect(62, 1, 17, 22), QRect(0, 0, 80, 24)), QRect(62, 3, 15, 18));
  EXPECT_EQ(UpDownFrame(udDown, udsPressed), 6);
  EXPECT_EQ(UpDownFrame(udRight, udsHot), 8);
  EXPECT_EQ(UpDownHalfState(false, true, true), udsDisabled);
  EXPECT_EQ(UpDownHalfState(true, true, true), udsPressed);
  // A close mark turned with its tab lands where the turned image shows it.
  for (int o = toTop; o <= toRight; ++o) {
    const QSize size(40, 22);
    QImage image(size, SkinImageFormat);
    image.fill(Qt::white);
    const QRect mark = CloseMarkRect(size);
    QPainter(&image).fillRect(mark, Qt::red);
    TurnImage(image, o);
    QRect found;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (image.pixel(x, y) == qRgb(255, 0, 0)) found |= QRect(x, y, 1, 1);
    EXPECT_EQ(TurnRect(mark, size, o), found) << o;
  }
  // The tab set's skip rule: a tab that does not fit is left out, a later narrower one is placed.
  using P = orvane::TTabSet::Place;
  auto places = [](bool scroller) {
    QList<QPair<int, QRect>> out;
    for (const P& p : orvane::TTabSet::Layout({20, 50, 10}, 0, 5, 60, scroller, 18)) out << qMakePair(p.index, p.rect);
    return out;
  };
  EXPECT_EQ(places(false), (QList<QPair<int, QRect>>{{0, QRect(5, 0, 29, 18)}, {2, QRect(34, 0, 19, 18)}}));
  EXPECT_EQ(places(true), (QList<QPair<int, QRect>>{{0, QRect(5, 0, 29, 18)}}));
}

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

TEST_F(BarsAndTabsTest, SlidersProgressAndUpDownsPaintFromTheSkin) {
  orvane::Form form;
  auto* horz = new QSlider(Qt::Horizontal, form.client());
  horz->setGeometry(10, 10, 150, 30);
  auto* vert = new QSlider(Qt::Vertical, form.client());
  vert->setGeometry(170, 10, 30, 150);
  for (QSlider* s : {horz, vert}) s->setValue(50);  // mid-way: the same place either way up
  auto* bar = new QProgressBar(form.client());
  bar->setGeometry(10, 50, 150, 20);
  bar->setTextVisible(false);
  bar->setRange(10, 20);
  bar->setValue(15);
  auto* upright = new QProgressBar(form.client());
  upright->setOrientation(Qt::Vertical);
  upright->setTextVisible(false);
  upright->setGeometry(210, 10, 20, 150);
  upright->setRange(0, 100);
  upright->setValue(25);
  auto* updown = new orvane::TUpDown(form.client());
  updown->setGeometry(10, 80, 20, 32);
  Show(form);
  for (QWidget* w : std::initializer_list<QWidget*>{horz, vert, bar, upright, updown})
    ASSERT_TRUE(TSkinRegistry::SkinnerFor(w)) << w->metaObject()->className();

  // Thumbs: frame 2 of the thumb strip for the orientation; frames 1 and 2 tell apart.
  for (QSlider* s : {horz, vert}) {
    const TDataSkinObject& thumb = *D().TrackbarThumbs[s == horz ? tbThumbHorz : tbThumbVert];
    QStyleOptionSlider opt;
    opt.initFrom(s);
    opt.orientation = s->orientation();
    opt.maximum = s->maximum();
    opt.sliderPosition = s->sliderPosition();
    const QRect handle = s->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, s);
    const QRgb px = Render(s).pixel(handle.center());
    EXPECT_TRUE(FromFrame(px, thumb.Bitmap, 5, 2));
    EXPECT_FALSE(FromFrame(px, thumb.Bitmap, 5, 1));
  }
  // Progress: from 10 to 20 at 15 half filled; an upright bar fills from the bottom.
  const TDataSkinBorder& p = *D().Progress;
  const QImage b = Render(bar);
  EXPECT_TRUE(FromFrame(b.pixel(40, 10), p.Bitmap, 2, 2));
  EXPECT_TRUE(FromFrame(b.pixel(110, 10), p.Bitmap, 2, 1));
  EXPECT_FALSE(FromFrame(b.pixel(110, 10), p.Bitmap, 2, 2));
  const QImage u = Render(upright);
  EXPECT_TRUE(FromFrame(u.pixel(10, 140), p.Bitmap, 2, 2));
  EXPECT_TRUE(FromFrame(u.pixel(10, 40), p.Bitmap, 2, 1));
  bar->reset();  // value min - 1: nothing filled
  EXPECT_TRUE(FromFrame(Render(bar).pixel(40, 10), p.Bitmap, 2, 1));
  {  // The chunk style: a one-frame trough with chunks over the filled part.
    auto& q = const_cast<TDataSkinBorder&>(p);
    q.Bitmap = FrameRect(q.Bitmap, false, 2, 1).isEmpty() ? q.Bitmap : q.Bitmap.copy(FrameRect(q.Bitmap, false, 2, 1));
    q.Style = 1;
    q.Frame = 1;
    bar->setValue(15);
    const QImage c = Render(bar);
    const QImage& chunk = D().ProgressChunk->Bitmap;
    EXPECT_TRUE(FromFrame(c.pixel(40, 10), chunk, 1, 1));
    EXPECT_TRUE(FromFrame(c.pixel(110, 10), q.Bitmap, 1, 1));
    EXPECT_FALSE(FromFrame(c.pixel(110, 10), chunk, 1, 1));
  }

  // Up-down halves: normal, hot, pressed, disabled from "UpDown.Vert" (arrow x 4 + state).
  const TDataSkinBorder& ud = *D().UpDownVert;
  auto probe = [&](QPoint inHalf) { return Render(updown).pixel(inHalf); };
  const QPoint top(3, 3), bottom(3, 19);
  EXPECT_TRUE(FromFrame(probe(top), ud.Bitmap, 8, UpDownFrame(udUp, udsNormal)));
  QTest::mouseMove(updown, bottom);
  QApplication::processEvents();
  EXPECT_TRUE(FromFrame(probe(bottom), ud.Bitmap, 8, UpDownFrame(udDown, udsHot)));
  EXPECT_FALSE(FromFrame(probe(bottom), ud.Bitmap, 8, UpDownFrame(udDown, udsNormal)));
  QTest::mousePress(updown, Qt::LeftButton, {}, QPoint(10, 20));
  EXPECT_TRUE(FromFrame(probe(bottom), ud.Bitmap, 8, UpDownFrame(udDown, udsPressed)));
  EXPECT_TRUE(FromFrame(probe(top), ud.Bitmap, 8, UpDownFrame(udUp, udsNormal)));
  QTest::mouseRelease(updown, Qt::LeftButton, {}, QPoint(10, 20));
  updown->SetPosition(5);
  Click(updown, QPoint(10, 4));  // the top half steps up
  EXPECT_EQ(updown->Position(), 6);
  QList<int> changed;
  QObject::connect(updown, &orvane::TUpDown::Changed, [&](int v) { changed << v; });
  QTest::mousePress(updown, Qt::LeftButton, {}, QPoint(10, 4));  // held: repeats after the first delay
  QTest::qWait(orvane::TUpDown::RepeatDelay + 2 * orvane::TUpDown::RepeatInterval + 50);
  QTest::mouseRelease(updown, Qt::LeftButton, {}, QPoint(10, 4));
  EXPECT_GE(changed.size(), 3);
  EXPECT_EQ(changed.first(), 7);
  {  // An edit's arrows: inside the edit's button place, 3 pixels from its edges, the rest white.
    QSpinBox spin;
    spin.resize(80, 26);
    TSkinUpDown arrows(&spin, TSkinKindArgs{0, false, {}, true});
    arrows.SetHostSkin(skin.get());
    QStyleOptionSpinBox opt;
    opt.initFrom(&spin);
    opt.subControls = QStyle::SC_All;
    opt.frame = true;
    const TSkinStyle* style = InstalledSkinStyle();
    const QRect up = arrows.ArrowRect(style, &opt, QStyle::SC_SpinBoxUp, &spin);
    const QRect down = arrows.ArrowRect(style, &opt, QStyle::SC_SpinBoxDown, &spin);
    EXPECT_EQ(up.top(), 3);
    EXPECT_EQ(up.bottom() + 1, down.top());
    EXPECT_LE(down.bottom(), 26 - 4);
    EXPECT_LE(up.right(), 80 - 4);
    QImage image(spin.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter painter(&image);
    arrows.DrawArrows(style, &opt, &painter, &spin);
    painter.end();
    EXPECT_TRUE(FromFrame(image.pixel(up.left() + 3, up.top() + 3), ud.Bitmap, 8, 1));
    EXPECT_EQ(image.pixel(up.right() + 1, up.top() + 3), qRgb(255, 255, 255));  // pulled in from the right
  }
  updown->setEnabled(false);
  EXPECT_TRUE(FromFrame(probe(top), ud.Bitmap, 8, UpDownFrame(udUp, udsDisabled)));
  EXPECT_FALSE(FromFrame(probe(top), ud.Bitmap, 8, UpDownFrame(udUp, udsNormal)));
  // Without the element: plain buttons, face inside a dark outline.
  const_cast<TDataSkinBorder&>(ud).Bitmap = QImage();
  updown->setEnabled(true);
  EXPECT_EQ(probe(top), ToQColor(D().Colour(scButtonFace)).rgb());
  EXPECT_EQ(probe(QPoint(0, 0)), ToQColor(D().Colour(scButtonDkShadow)).rgb());
}

TEST_F(BarsAndTabsTest, MediaPlayerPanelPaintsForwardsAndDies) {
  orvane::Form form;
  auto* player = new TMediaPlayer(form.client());
  player->setGeometry(10, 10, 90, 30);
  player->SetVisibleButtons("[btPlay,btStop,btEject]");
  player->SetEnabledButtons("[btPlay,btEject]");
  player->SetColoredButtons("[btPlay]");
  QList<int> clicks;
  QObject::connect(player, &TMediaPlayer::Click, [&](int b) { clicks << b; });
  Show(form);
  auto* mp = qobject_cast<TSkinMP*>(TSkinRegistry::Find(player));
  ASSERT_TRUE(mp && mp->Panel());
  TMediaPlayerSx* panel = mp->Panel();
  const int registered = TSkinRegistry::Count();
  EXPECT_EQ(panel->geometry(), player->geometry());
  EXPECT_TRUE(panel->isVisible());
  const TDataSkinButton& buttons = *D().Buttons;
  // Play over stop: only the press reaches the player. Play over play: one click.
  QTest::mousePress(panel, Qt::LeftButton, {}, QPoint(5, 15));
  EXPECT_TRUE(FromFrame(Render(panel).pixel(2, 15), buttons.Bitmap, 5, 2));
  QTest::mouseRelease(panel, Qt::LeftButton, {}, QPoint(45, 15));
  EXPECT_TRUE(clicks.isEmpty());
  Click(panel, QPoint(30, 15));  // the shared edge of play and stop is play's
  EXPECT_EQ(clicks, QList<int>{TMediaPlayer::btPlay});
  // Stop is disabled: frame 3, also while pressed.
  QTest::mousePress(panel, Qt::LeftButton, {}, QPoint(45, 15));
  EXPECT_TRUE(FromFrame(Render(panel).pixel(32, 15), buttons.Bitmap, 5, 3));
  EXPECT_FALSE(FromFrame(Render(panel).pixel(32, 15), buttons.Bitmap, 5, 2));
  QTest::mouseRelease(panel, Qt::LeftButton, {}, QPoint(45, 15));
  EXPECT_EQ(clicks.size(), 1);
  player->SetVisibleButtons("[btPlay,btStop]");  // the panel shows what the player says
  EXPECT_TRUE(testing_support::waitUntil([&] { return panel->VisibleCount() == 2; }, 1000));
  // Skinning switched off and on for the player: the panel goes and comes back.
  Perform(player, WM_SKINCONTROLSWITCH, 0);
  EXPECT_TRUE(testing_support::waitUntil([&] { return !panel->isVisible(); }, 1000));
  Perform(player, WM_SKINCONTROLSWITCH, 1);
  EXPECT_TRUE(testing_support::waitUntil([&] { return panel->isVisible(); }, 1000));
  // The panel follows the player and dies with it.
  player->move(20, 60);
  EXPECT_EQ(panel->geometry(), player->geometry());
  player->hide();
  EXPECT_FALSE(panel->isVisible());
  delete player;
  EXPECT_EQ(TMediaPlayerSx::LiveCount(), 0);
  EXPECT_EQ(TSkinRegistry::Count(), registered - 1);
  EXPECT_FALSE(TSkinRegistry::Find(player));
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
    EXPECT_EQ(image.pixel(mark.center()), ToQColor(e.NormalColour2).rgb());
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
