// Scroll bars, headers and date pickers under the default skin: the bars' geometry by its rules,
// the header's hot item, the date arrow's calendar, nothing left at death.
#include <QCalendarWidget>
#include <QDateEdit>
#include <QHeaderView>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTreeWidget>

#include "platform/forms/form.h"
#include "skin/SkinStyle.h"
#include "skin/controls/SkinRegistry.h"
#include "skin/controls/TScrollbarSx.h"
#include "skin/controls/TSkinDateTime.h"
#include "skin/controls/TSkinHeader.h"
#include "skin/imgutil.h"
#include "tests/skin/skinfixture.h"
#include "tests/support/testsupport.h"

using namespace orvane::skin;

namespace {

// Pixels of r whose colour frame a has and frame b lacks.
int OnlyIn(const QImage& image, const QRect& r, const QImage& strip, int frames, int a, int b) {
  auto colours = [&](int f) {
    QSet<QRgb> set;
    const QRect c = FrameRect(strip, false, frames, f);
    for (int y = c.top(); y <= c.bottom(); ++y)
      for (int x = c.left(); x <= c.right(); ++x) set.insert(strip.pixel(x, y) | 0xFF000000u);
    return set;
  };
  const QSet<QRgb> in = colours(a), out = colours(b);
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) {
      const QRgb px = image.pixel(x, y) | 0xFF000000u;
      n += in.contains(px) && !out.contains(px);
    }
  return n;
}

QImage Render(QWidget* w) { return RenderOverBlack(w); }

class ScrollBarsTest : public StyledSkinFixture {
 protected:
  void SetUp() override {
    StyledSkinFixture::SetUp();
    form.resize(420, 300);
    (memo = new QPlainTextEdit(form.client()))->resize(200, 150);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    for (int i = 0; i < 30; ++i) memo->appendPlainText(QStringLiteral("row %1 ").arg(i).repeated(8));
    tree = new QTreeWidget(form.client());
    tree->setGeometry(220, 10, 190, 120), tree->setHeaderLabels({"One", "Two", "Three"});
    date = new QDateEdit(form.client());
    date->setCalendarPopup(true), date->setGeometry(220, 140, 120, 24);
    ASSERT_TRUE(ShowSkinned(&form));
  }
  orvane::Form form;
  QPlainTextEdit* memo = nullptr;
  QTreeWidget* tree = nullptr;
  QDateEdit* date = nullptr;
};

}  // namespace

TEST(ScrollBarGeometry, OneSourceByTheRules) {
  const struct {
    int length, min, max, page, pos;
    bool upsideDown;
    int arrow, sliderStart, sliderLength;
  } cases[] = {
      {117, 0, 100, 50, 0, false, 17, 17, 27},       // track 83: 50 x 83 / 150
      {117, 0, 100, 50, 100, false, 17, 73, 27},     // at the end
      {117, 0, 100, 50, 100, true, 17, 17, 27},      // inverted
      {117, 0, 0, 10, 0, false, 17, 17, 83},         // empty range: the whole track
      {117, 0, 1000000, 1, 500000, false, 17, 54, 8},  // at least 8
      {117, INT_MIN, INT_MAX, 1, INT_MAX, false, 17, 92, 8},
      {30, 0, 100, 10, 50, false, 15, 15, 0},        // under two arrows: halves, no track
      {40, 0, 100, 10, 0, false, 17, 17, 6},         // a track under 8 keeps its length
  };
  for (const auto& c : cases) {
    QStyleOptionSlider o;
    o.orientation = Qt::Vertical;
    o.rect = QRect(0, 0, 17, c.length);
    o.minimum = c.min, o.maximum = c.max, o.pageStep = c.page, o.sliderPosition = c.pos, o.upsideDown = c.upsideDown;
    const auto p = TScrollbarSx::Parts(o, 17);
    EXPECT_EQ(p.SubLine, QRect(0, 0, 17, c.arrow)) << c.length;
    EXPECT_EQ(p.AddLine, QRect(0, c.length - c.arrow, 17, c.arrow)) << c.length;
    EXPECT_EQ(p.Slider.top(), c.sliderStart) << c.length << " " << c.pos;
    EXPECT_EQ(p.Slider.height(), c.sliderLength) << c.length << " " << c.pos;
    EXPECT_EQ(p.SubPage.bottom() + 1, p.Slider.top());
    EXPECT_EQ(p.AddPage.top(), p.Slider.bottom() + 1);
  }
}

TEST_F(ScrollBarsTest, HeaderHotItemAndDateArrow) {
  auto* list = qobject_cast<TSkinListView*>(TSkinRegistry::Find(tree));
  ASSERT_TRUE(list && list->Header);
  QHeaderView* header = tree->header();
  const int x1 = header->sectionViewportPosition(1);
  QTest::mouseMove(header->viewport(), QPoint(x1 + 10, 5));
  EXPECT_EQ(list->Header->HotItem, 1);
  const int repaints = list->Header->HotRepaints;
  QTest::mouseMove(header->viewport(), QPoint(x1 + 12, 6));  // same section: no repaint
  QTest::mouseMove(header->viewport(), QPoint(x1 + 1, 6));   // within 3 px of the edge: unchanged
  EXPECT_EQ(list->Header->HotRepaints, repaints);
  EXPECT_EQ(list->Header->HotItem, 1);
  // Corners are drawn unscaled: a corner pixel where the two frames differ tells them apart.
  const QImage image = Render(header);
  const QImage& bar = D().Headerbar->Bitmap;
  const QPoint f1 = FrameRect(bar, false, 2, 1).topLeft(), f2 = FrameRect(bar, false, 2, 2).topLeft();
  QPoint d(-1, -1);
  for (int i = 0; i < 4 && d.x() < 0; ++i)
    if (bar.pixel(f1 + QPoint(i % 2, i / 2)) != bar.pixel(f2 + QPoint(i % 2, i / 2))) d = QPoint(i % 2, i / 2);
  ASSERT_GE(d.x(), 0);
  EXPECT_EQ(image.pixel(QPoint(x1, 0) + d) | 0xFF000000u, bar.pixel(f2 + d) | 0xFF000000u);
  EXPECT_EQ(image.pixel(d) | 0xFF000000u, bar.pixel(f1 + d) | 0xFF000000u);

  // The date arrow: its place (also right to left), its frames, the calendar it opens.
  ASSERT_TRUE(qobject_cast<TSkinDateTime*>(TSkinRegistry::Find(date)));
  const QImage& arrow = D().ComboxArrow->Bitmap; const int frames = D().ComboxArrow->FrameCount();
  ASSERT_GE(frames, 4);
  const QRect place(date->width() - 19, 2, 17, date->height() - 4);
  EXPECT_EQ(TSkinDateTime::ArrowButtonRect(date->rect(), true, false), place);
  EXPECT_EQ(TSkinDateTime::ArrowButtonRect(date->rect(), true, true), QRect(4, 2, 17, date->height() - 4));
  for (bool enabled : {true, false}) {
    date->setEnabled(enabled);
    QTest::mouseMove(date, QPoint(5, 5));
    QTest::mouseMove(date, place.center());
    const QImage shot = Render(date);
    EXPECT_EQ(OnlyIn(shot, place, arrow, frames, 4, 1) > 0, enabled) << enabled;
    EXPECT_EQ(shot.pixel(0, 0) | 0xFF000000u, ToQColor(D().Colour(scButtonShadow)).rgb() | 0xFF000000u);
    EXPECT_EQ(shot.pixel(1, 1) | 0xFF000000u, 0xFFFFFFFFu);
  }
  date->setEnabled(true);
  QTest::mouseClick(date, Qt::LeftButton, {}, place.center());
  EXPECT_TRUE(testing_support::waitUntil([&] { return date->calendarWidget()->isVisible(); }));
}

TEST_F(ScrollBarsTest, NothingLeftWhenTheyDieSkinned) {
  const int registered = TSkinRegistry::Count(), live = TSkinControl::LiveCount();
  delete memo;
  EXPECT_EQ(TSkinRegistry::Count(), registered - 1);
  delete tree;  // the list view and its header's skinner
  EXPECT_EQ(TSkinRegistry::Count(), registered - 3);
  EXPECT_EQ(TSkinControl::LiveCount(), live - 3);
}
