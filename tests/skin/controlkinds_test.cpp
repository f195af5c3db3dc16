// The control kinds under the default skin: every kind in its states drawn, compared pixel by
// pixel with the skin's own frame at its place (text masked), and the click areas.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <functional>
#include <memory>

#include "platform/forms/form.h"
#include "skin/SkinStyle.h"
#include "skin/WinSkinData.h"
#include "skin/controls/SkinRegistry.h"
#include "skin/controls/checkpaint.h"
#include "skin/controls/editpaint.h"
#include "skin/controls/panelpaint.h"
#include "skin/skindata.h"
#include "tests/skin/skinfixture.h"
#include "tests/support/testsupport.h"

using namespace orvane::skin;
namespace k = orvane::skin::kinds;
using S = QStyle::State;
constexpr QStyle::StateFlag En = QStyle::State_Enabled, Hot = QStyle::State_MouseOver, Down = QStyle::State_Sunken,
                            Foc = QStyle::State_HasFocus, On = QStyle::State_On, Tri = QStyle::State_NoChange;

namespace {

constexpr QRgb kUnder = 0xFF3C1E5Au;  // beneath everything: shows wherever nothing was drawn

QImage Blank(QSize s, QRgb fill = kUnder) {
  QImage img(s, QImage::Format_ARGB32_Premultiplied);
  img.fill(fill);
  return img;
}

// Pixels that differ outside the mask.
int Differing(const QImage& a, const QImage& b, const QRegion& mask) {
  int n = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (!mask.contains(QPoint(x, y)) && a.pixel(x, y) != b.pixel(x, y)) ++n;
  return n;
}

// The default skin loaded; its data may be changed by a test (the next load renews it).
class ControlKinds : public FormSkinFixture {
 protected:
  TSkinData& Data() { return const_cast<TSkinData&>(*skin->Data()); }
  QColor Face() { return ToQColor(Data().Colour(scButtonFace)); }
  // The skin's frame of an element nine-sliced over the whole image, over a fill and a white hole.
  QImage NineSlice(QSize size, const QColor& fill, const QImage& bmp, const QMargins& m, int frames, int frame,
                   bool keyed, const QRect& hole = {}) {
    QImage img = Blank(size, fill.isValid() ? fill.rgb() : kUnder);
    QPainter p(&img);
    p.fillRect(hole, Qt::white);
    DrawSkinImage(p, img.rect(), bmp, false, false, keyed, frames, frame, m);
    return img;
  }
  // A check or radio strip's frame at (x, 4) over ButtonFace.
  QImage Strip(QSize size, bool radio, int frames, int frame, int x) {
    const QImage& strip = radio ? Data().Buttons->RadioBitmap : Data().Buttons->CheckBitmap;
    QImage img = Blank(size, Face().rgb());
    QPainter p(&img);
    DrawStripFrame(p, QRect(x, 4, strip.width() / frames, 13), strip, true, frames, frame);
    return img;
  }
};

}  // namespace

// Combo boxes in the three looks and both directions: the skin's image for the state over the
// whole box, or the button strip at the button's place (its see-through pixels keep what is
// beneath); hot only over the arrow.
TEST_F(ControlKinds, CombosShowTheirStateFrame) {
  // style, state, over (or pressed at) the arrow, right to left, frame
  const struct { int style; S state; bool arrow, rtl; int frame; } rows[] = {{2, En, 0, 0, 1},         {2, En | Hot, 1, 0, 4}, {2, En | Hot, 0, 0, 1}, {2, En | Down, 1, 0, 2},
              {2, En | Foc, 0, 0, 4},   {2, S(), 0, 0, 3},      {2, En | Hot, 1, 1, 4}, {2, En, 0, 1, 1},
              {0, En | Down, 1, 0, 2},  {0, En, 0, 1, 1},       {1, En | Hot, 1, 0, 4}, {1, S(), 0, 1, 3}};
  TDataSkinBorder& combo = *Data().ComboButton;
  ASSERT_EQ(combo.Style, 2);  // the default skin has both images, so its combo box is one image
  for (const auto& r : rows) {
    combo.Style = r.style;
    QStyleOptionComboBox o;
    o.rect = QRect(0, 0, 110, 22), o.state = r.state, o.direction = r.rtl ? Qt::RightToLeft : Qt::LeftToRight;
    if (r.arrow) o.activeSubControls = QStyle::SC_ComboBoxArrow;
    k::ComboGeometry g;
    ASSERT_TRUE(k::ComboLayout(Data(), o.rect, r.rtl, &g));
    QImage got = Blank(o.rect.size());
    ASSERT_TRUE(k::PaintCombo(*std::make_unique<QPainter>(&got), Data(), o, false));
    auto oracle = [&](int frame) {
      const TDataSkinObject& e = r.rtl ? *Data().SunkEdge : combo;
      QImage img = r.style == 2 ? NineSlice(o.rect.size(), QColor(), e.Bitmap, e.Margins(), 4, frame, true) : got.copy();
      QPainter q(&img);
      if (r.style == 2) q.fillRect(g.edit, Qt::white);
      if (r.style != 2)
        DrawStripFrame(q, g.button, r.rtl && r.style == 0 ? combo.Bitmap2 : combo.Bitmap, r.style == 0, 4, frame);
      if (r.style == 0) DrawStripFrameCentered(q, g.glyph, Data().ExtraImages->Bitmap, true, 5, frame);
      return img;
    };
    if (r.frame != 1) { ASSERT_GT(Differing(oracle(r.frame), oracle(1), {}), 4); }
    EXPECT_EQ(Differing(got, oracle(r.frame), {}), 0) << r.style << " frame " << r.frame << " rtl " << r.rtl;
    EXPECT_EQ(g.button.width(), r.style == 1 ? 50 : 19);
    EXPECT_EQ(r.rtl, g.button.left() < g.edit.left());
  }
}

namespace {

// Real widgets on a skinned window, driven by the mouse and the keyboard.
class KindsOnWidgets : public ControlKinds {
 protected:
  void SetUp() override {
    ControlKinds::SetUp();
    InstallSkinStyle();
    form.setClientSize(400, 300);
    form.show();
    auto* f = dynamic_cast<TFormSkinner*>(SkinManager->FindSkinForm(&form));
    ASSERT_TRUE(f && testing_support::waitUntil([&] { return f->Activated(); }));
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  }
  void TearDown() override {
    RemoveSkinStyle();
    ControlKinds::TearDown();
  }
  template <typename W>
  W* Add(QRect at, const QString& skinner) {
    auto* w = new W(form.client());
    w->setGeometry(at);
    w->show();
    QApplication::processEvents();
    TSkinControl* s = TSkinRegistry::SkinnerFor(w);
    EXPECT_TRUE(s && QLatin1String(s->metaObject()->className()).endsWith(QLatin1String("::") + skinner))
        << qPrintable(skinner);
    return w;
  }
  static QImage Shot(QWidget* w) {
    QImage img = Blank(w->size());
    w->render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    return img;
  }
  orvane::Form form;
};

}  // namespace

// The other kinds as real widgets in their states: each image against the skin's frame at the
// kind's place (text masked).
TEST_F(KindsOnWidgets, EveryKindShowsItsStateFrame) {
  auto* check = Add<QCheckBox>(QRect(10, 10, 120, 21), "TSkinCheckBox");
  auto* grey = Add<QCheckBox>(QRect(140, 10, 120, 21), "TSkinCheckBox");
  auto* radio = Add<QRadioButton>(QRect(10, 40, 120, 21), "TSkinRadioButton");
  auto* tool = Add<QToolButton>(QRect(10, 70, 60, 24), "TSkinSpeedButton");
  auto* flat = Add<QToolButton>(QRect(80, 70, 60, 24), "TSkinSpeedButton");
  auto* combo = Add<QComboBox>(QRect(10, 100, 160, 22), "TSkinComBox");
  radio->setLayoutDirection(Qt::RightToLeft);
  flat->setAutoRaise(true), flat->setCheckable(true);
  combo->setEditable(true);
  const QRect field(2, 2, 160 - 21 - 2, 18), caption(14, 0, 120, 21), face2(15, 2, 30, 20);
  const QSize cs(120, 21), ts(60, 24), bs(160, 22);
  const TDataSkinButton& b = *Data().Buttons;
  const TDataSkinBorder& c = *Data().ComboButton;
  auto button = [&](int f) { return NineSlice(ts, Face(), b.Bitmap, b.Margins(), 5, f, true); };
  auto box = [&](int f) { return NineSlice(bs, QColor(), c.Bitmap, c.Margins(), 4, f, true, field); };
  const struct {
    QWidget* w;
    std::function<void()> act;
    QImage oracle, plain;  // the state's image and the normal one
    QRegion mask;
  } rows[] = {
      {check, [&] { check->setFocus(), QTest::keyClick(check, Qt::Key_Space); }, Strip(cs, 0, 12, 5, 0),
       Strip(cs, 0, 12, 1, 0), caption},
      {grey, [&] { grey->setCheckState(Qt::PartiallyChecked), grey->setEnabled(false); }, Strip(cs, 0, 12, 12, 0),
       Strip(cs, 0, 12, 1, 0), caption},
      {radio, [&] { QTest::mouseClick(radio, Qt::LeftButton, {}, {113, 10}); }, Strip(cs, 1, 8, 5, 106),
       Strip(cs, 1, 8, 1, 106), QRect(0, 0, 105, 21)},
      {tool, [&] { QTest::mouseMove(tool, {30, 12}); }, button(4), button(1), face2},
      {flat, [&] { flat->setChecked(true); }, button(2), Blank(ts, Face().rgb()), face2},
      {combo, [&] { QTest::mouseMove(combo, {150, 11}); }, box(4), box(1), field},
      {combo, [&] { QTest::mousePress(combo->lineEdit(), Qt::LeftButton, {}, {5, 5}); }, box(2), box(1), field},
  };
  for (const auto& r : rows) {
    QTest::mouseMove(&form, QPoint(390, 290));
    ASSERT_GT(Differing(r.oracle, r.plain, {}), 4);
    EXPECT_EQ(Differing(Shot(r.w), r.plain, r.mask), 0) << r.w->metaObject()->className();
    r.act();
    QApplication::processEvents();
    EXPECT_EQ(Differing(Shot(r.w), r.oracle, r.mask), 0) << r.w->metaObject()->className();
  }
}

// An arrow button (a speed button showing only an arrow) draws the small arrow in the middle of
// its face, pointing its way: narrow at its apex and wide at its base, so more of the arrow
// lies on the side it points away from.
TEST_F(KindsOnWidgets, ArrowButtonsPointTheirWay) {
  auto* bare = Add<QToolButton>(QRect(10, 10, 24, 24), "TSkinSpeedButton");
  const QImage face = Shot(bare);
  const struct {
    Qt::ArrowType type;
    int dx, dy;  // where the arrow's weight lies from the middle of its extent
  } rows[] = {{Qt::UpArrow, 0, 1}, {Qt::DownArrow, 0, -1}, {Qt::LeftArrow, 1, 0}, {Qt::RightArrow, -1, 0}};
  for (const auto& r : rows) {
    auto* b = Add<QToolButton>(QRect(10, 40, 24, 24), "TSkinSpeedButton");
    b->setArrowType(r.type);
    const QImage shot = Shot(b);
    QRect extent;
    QPointF sum;
    int n = 0;
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x)
        if (shot.pixel(x, y) != face.pixel(x, y)) extent |= QRect(x, y, 1, 1), sum += QPointF(x, y), ++n;
    ASSERT_GT(n, 4) << r.type;
    EXPECT_LE(extent.width() + extent.height(), 16) << r.type;
    EXPECT_LE((extent.center() - b->rect().center()).manhattanLength(), 4) << r.type;
    const QPointF weight = sum / n - QPointF(extent.left() + extent.right(), extent.top() + extent.bottom()) / 2;
    auto side = [](double v) { return v > 0.1 ? 1 : v < -0.1 ? -1 : 0; };
    EXPECT_EQ(std::pair(side(weight.x()), side(weight.y())), std::pair(r.dx, r.dy))
        << r.type << ": " << weight.x() << ", " << weight.y();
    delete b;
  }
}

// Edit and spin-box borders, an edit painting itself into another painter on request, and a
// status bar's one panel for a message, its labels in the skin's colour until the skin goes.
TEST_F(KindsOnWidgets, EditsAndStatusBar) {
  auto* edit = Add<QLineEdit>(QRect(10, 10, 100, 22), "TSkinEdit");
  auto* spin = Add<QSpinBox>(QRect(10, 40, 100, 22), "TSkinEdit");
  const QRgb shadow = ToQRgb(Data().Colour(scButtonShadow));
  EXPECT_EQ((std::vector<QRgb>{Shot(edit).pixel(0, 11), Shot(edit).pixel(2, 11), Shot(spin).pixel(0, 11)}),
            (std::vector<QRgb>{shadow, 0xFFFFFFFFu, shadow}));
  edit->setText(QStringLiteral("08:00:00"));
  QImage into = Blank(edit->size());
  QPainter p(&into);
  EXPECT_EQ(Perform(edit, 0xBC4A, reinterpret_cast<quintptr>(&p), 0x41A2), 0x41A2);
  p.end();
  EXPECT_EQ(Differing(into, Shot(edit), {}), 0);
  EXPECT_EQ(Perform(edit, 0xBC4A, 0, 0x41A2), 0x41A2);

  auto* bar = Add<QStatusBar>(QRect(0, 270, 400, 22), "TSkinStatusBar");
  auto* label = new QLabel(QStringLiteral("ready"), bar);
  bar->addWidget(label);
  const QColor own = label->palette().color(QPalette::WindowText);
  const TDataSkinObject& edges = *Data().StatusBarEdges;
  const QImage lowered = BuildSkinBitmap(bar->size(), edges.Bitmap, edges.Margins(), false, false, 3, 1);
  QApplication::processEvents();
  EXPECT_EQ(Shot(bar).pixel(0, 0), ToQRgb(Data().Colour(scButtonFace)));
  bar->showMessage(QStringLiteral("bell"));
  EXPECT_EQ(Shot(bar).pixel(0, 0), lowered.pixel(0, 0));
  EXPECT_NE(lowered.pixel(0, 0), ToQRgb(Data().Colour(scButtonFace)));
  EXPECT_EQ(label->palette().color(QPalette::WindowText), ToQColor(edges.NormalColour2));
  SkinManager->FindSkinForm(&form)->Unskin();
  EXPECT_EQ(label->palette().color(QPalette::WindowText), own);
}
