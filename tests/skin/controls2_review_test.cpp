// Second look at the skinners of sliders, spins, bars, tabs, scroll bars, headers and the small
// kinds: skinning switched off gives Fusion back pixel for pixel, re-attaching paints again,
// late tab pages, the rules of the skinners no other test reaches, and the bad input of tabs.
#include <QDateEdit>
#include <QDialog>
#include <QListWidget>
#include <QProgressBar>
#include <QSizeGrip>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include "platform/forms/form.h"
#include "platform/forms/mediaplayer.h"
#include "platform/forms/tabset.h"
#include "platform/forms/updown.h"
#include "platform/wm/wm.h"
#include "skin/SkinStyle.h"
#include "skin/controls/SkinRegistry.h"
#include "skin/controls/SkinSmallKinds.h"
#include "skin/controls/TMediaPlayerSx.h"
#include "skin/controls/TScrollbarSx.h"
#include "skin/controls/TSkinTab.h"
#include "skin/imgutil.h"
#include "tests/skin/skinfixture.h"
#include "tests/support/testsupport.h"

using namespace orvane::skin;
namespace wm = orvane::wm;

namespace {

QImage Render(QWidget* w) { return RenderOverBlack(w); }

// Stand-ins for foreign controls that take their glyphs through properties.
class GlyphProps : public QObject {
  Q_OBJECT
  Q_PROPERTY(QImage Glyph MEMBER Glyph)
 public:
  QImage Glyph;
};
class GlyphTaker : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QObject* Properties MEMBER Properties)
  Q_PROPERTY(QImage CustomGlyphs MEMBER CustomGlyphs)
  Q_PROPERTY(int transparentcolor MEMBER transparentcolor)
  Q_PROPERTY(bool UseCustomGlyphs MEMBER UseCustomGlyphs)
  Q_PROPERTY(QImage TabBackGround MEMBER TabBackGround)
  Q_PROPERTY(QImage TabBackGroundActive MEMBER TabBackGroundActive)
 public:
  using QWidget::QWidget;
  GlyphProps props;
  QObject* Properties = &props;
  QImage CustomGlyphs, TabBackGround, TabBackGroundActive;
  int transparentcolor = 0;
  bool UseCustomGlyphs = false;
};

class Controls2ReviewTest : public FormSkinFixture {
 protected:
  void SetUp() override {
    FormSkinFixture::SetUp();
    InstallSkinStyle();
  }
  void TearDown() override {
    RemoveSkinStyle();
    FormSkinFixture::TearDown();
  }
  TFormSkinner* Show(orvane::Form& form) {
    form.resize(460, 360);
    form.show();
    SkinManager->AddWindow(&form);
    auto* f = dynamic_cast<TFormSkinner*>(SkinManager->FindSkinForm(&form));
    if (f) testing_support::waitUntil([&] { return f->Activated(); });
    QApplication::processEvents();
    return f;
  }
  QColor Face() const { return ToQColor(skin->Data()->Colour(scButtonFace)); }
};

}  // namespace

TEST_F(Controls2ReviewTest, SwitchedOffEveryKindPaintsAsFusionPixelForPixel) {
  orvane::Form form;
  QWidget* c = form.client();
  auto* slider = new QSlider(Qt::Horizontal, c);
  slider->setTickPosition(QSlider::TicksBelow);
  auto* bar = new QProgressBar(c), *upright = new QProgressBar(c);
  bar->setValue(40), upright->setValue(70), upright->setOrientation(Qt::Vertical);
  auto* date = new QDateEdit(QDate(2026, 12, 7), c);
  date->setCalendarPopup(true);
  auto* tabs = new QTabWidget(c);
  for (const char* t : {"One", "Two"}) tabs->addTab(new QWidget, t);
  auto* set = new orvane::TTabSet(c);
  set->SetTabs({"A", "B", "C"});
  auto* tree = new QTreeWidget(c);
  auto* list = new QListWidget(c);
  tree->setHeaderLabels({"Name", "Time"});
  for (int i = 0; i < 60; ++i) {
    tree->addTopLevelItem(new QTreeWidgetItem(QStringList{QString::number(i), "08:00:00"}));
    list->addItem(QString(40, QLatin1Char('w')) + QString::number(i));
  }
  const std::vector<std::pair<QWidget*, QRect>> kinds = {
      {slider, {5, 5, 120, 30}}, {new QSlider(Qt::Vertical, c), {130, 5, 30, 100}}, {bar, {5, 40, 120, 20}},
      {upright, {165, 5, 20, 100}}, {new orvane::TUpDown(c), {190, 5, 17, 30}}, {new QSpinBox(c), {5, 65, 80, 24}},
      {date, {90, 65, 100, 24}}, {tabs, {215, 5, 200, 100}}, {set, {5, 95, 200, 22}},
      {new orvane::TMediaPlayer(c), {5, 120, 250, 30}}, {tree, {5, 155, 200, 120}}, {list, {215, 155, 200, 120}}};
  for (const auto& [w, r] : kinds) w->setGeometry(r), w->setFocusPolicy(Qt::NoFocus);
  SkinManager->SetOn(false);  // first shown plain
  form.resize(460, 360);
  form.show();
  QApplication::processEvents();
  Render(c);  // Fusion draws a slider's first ticks in another colour, until its groove is cached
  const QImage plain = Render(c);
  SkinManager->SetOn(true);
  ASSERT_TRUE(Show(form));
  for (const auto& [w, r] : kinds) EXPECT_TRUE(TSkinRegistry::SkinnerFor(w)) << w->metaObject()->className();
  EXPECT_NE(Render(c), plain);
  SkinManager->SetCurrentSkin(skin.get());
  SkinManager->PostAction(TSkinManage::ActionDeactivate, 0);
  ASSERT_TRUE(testing_support::waitUntil([&] { return SkinManager->Forms().isEmpty(); }));
  QApplication::processEvents();
  EXPECT_EQ(Render(c), plain);
  EXPECT_EQ(TSkinRegistry::Count(), 0);
  EXPECT_EQ(c->findChildren<TMediaPlayerSx*>().size(), 0);
}

TEST_F(Controls2ReviewTest, ReattachedSkinnerPaintsAndLatePagesGetTheFace) {
  orvane::Form form;
  auto* slider = new QSlider(Qt::Horizontal, form.client());
  slider->setGeometry(5, 5, 120, 30);
  auto* tabs = new QTabWidget(form.client());
  tabs->setGeometry(5, 40, 300, 200);
  tabs->addTab(new QWidget, "First");
  TFormSkinner* f = Show(form);
  ASSERT_TRUE(f);
  TSkinControl* s = TSkinRegistry::Find(slider);
  ASSERT_TRUE(s);
  const QImage skinned = Render(slider);
  s->DoneControl();
  EXPECT_EQ(TSkinRegistry::SkinnerFor(slider), nullptr);
  s->InitControl(f, skin.get(), false);
  EXPECT_EQ(TSkinRegistry::SkinnerFor(slider), s);
  EXPECT_EQ(Render(slider), skinned);
  // A page added while skinned shows the face colour as the first one does.
  auto* late = new QWidget;
  tabs->addTab(late, "Late");
  QApplication::processEvents();
  ASSERT_TRUE(qobject_cast<TSkinTabSheet*>(TSkinRegistry::Find(late)));
  EXPECT_EQ(late->palette().color(QPalette::Window), Face());
  EXPECT_EQ(late->palette().color(QPalette::Window), tabs->widget(0)->palette().color(QPalette::Window));
}

TEST_F(Controls2ReviewTest, SmallKindsFollowTheirRules) {
  orvane::Form form;
  TFormSkinner* f = Show(form);
  ASSERT_TRUE(f);
  const TSkinData& d = *skin->Data();
  auto attach = [&](const char* kind, QWidget* w, int arg = 0, bool bare = false) {
    TSkinControl* s = TSkinKinds::Create(QLatin1String(kind), w, TSkinKindArgs{arg});
    bare ? s->InitWindow(w, skin.get(), f) : s->InitControl(f, skin.get(), true);
    return s;
  };
  // Scroll bars of a bare scroll area: the skin's thickness, plain again after.
  auto* area = new QListWidget(form.client());
  TSkinControl* h = attach("TSkinScrollbarH", area, 0, true);
  const int extent = TScrollbarSx::ArrowSize(&d);
  EXPECT_EQ(TSkinRegistry::SkinnerFor(area->verticalScrollBar()), h);
  EXPECT_EQ(QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, area->verticalScrollBar()), extent);
  h->DoneControl();
  EXPECT_EQ(TSkinRegistry::SkinnerFor(area->verticalScrollBar()), nullptr);
  // A size grip outside a status bar: the face colour.
  auto* grip = new QSizeGrip(form.client());
  grip->setGeometry(0, 0, 16, 16);
  attach("TSkinSizer", grip, 0, true);
  EXPECT_EQ(Render(grip).pixelColor(8, 8), Face());
  // A bare dialog: the face colour behind it, its own palette back after.
  QDialog dialog;
  const QPalette palette = dialog.palette();
  TSkinControl* box = attach("TSkinBoxH", &dialog, 0, true);
  EXPECT_TRUE(dialog.palette().color(QPalette::Window) == Face() && dialog.autoFillBackground());
  box->DoneControl();
  EXPECT_TRUE(dialog.palette() == palette && !dialog.autoFillBackground());
  // Custom glyphs: check boxes nine frames (0 1 x 0 1 x 2 3 x), radios six (0 1 0 1 2 3), the
  // key colour given as a number, switched off and on so the control reloads; off when done.
  // Kind 3: six frames (0 1 x 0 1 x) as the "Glyph" of "Properties", cleared when done.
  const TDataSkinButton& b = *d.Buttons;
  const struct {
    int kind;
    const QImage* strip;
    int stripFrames;
    QList<int> map;
  } glyphs[] = {{1, &b.CheckBitmap, b.CheckButtonFrame, {0, 1, -1, 0, 1, -1, 2, 3, -1}},
                {2, &b.RadioBitmap, b.RadioButtonFrame, {0, 1, 0, 1, 2, 3}},
                {3, &b.CheckBitmap, b.CheckButtonFrame, {0, 1, -1, 0, 1, -1}}};
  for (const auto& g : glyphs) {
    SCOPED_TRACE(g.kind);
    auto* taker = new GlyphTaker(form.client());
    TSkinControl* s = attach("TSkinObjImage", taker, g.kind);
    const QImage& got = g.kind == 3 ? taker->props.Glyph : taker->CustomGlyphs;
    const int frames = ValidFrameCount(g.stripFrames), w = g.strip->width() / frames, h = g.strip->height();
    ASSERT_EQ(got.size(), QSize(w * g.map.size(), h));
    for (int i = 0; i < g.map.size(); ++i) {
      const int from = g.map[i] < 0 ? (frames == 5 ? 4 : -1) : g.map[i];
      EXPECT_EQ(got.pixel(i * w + w / 2, h / 2), from < 0 ? qRgb(255, 0, 255) : g.strip->pixel(from * w + w / 2, h / 2))
          << i;
    }
    EXPECT_EQ(taker->transparentcolor, g.kind == 3 ? 0 : 0xFF00FF);
    EXPECT_EQ(taker->UseCustomGlyphs, g.kind != 3);
    s->DoneControl();
    EXPECT_FALSE(taker->UseCustomGlyphs);
    EXPECT_TRUE(taker->props.Glyph.isNull());
  }
  // Tab backgrounds: 100 x 21 from the tab frames 1 and 2, cleared when done; kind 4 only.
  auto* page = new GlyphTaker(form.client());
  attach("TSkinAdvPage", page, 3);
  EXPECT_TRUE(page->TabBackGround.isNull());
  auto* adv = new GlyphTaker(form.client());
  TSkinControl* a = attach("TSkinAdvPage", adv, 4);
  EXPECT_EQ(adv->TabBackGround.size(), QSize(100, 21));
  EXPECT_NE(adv->TabBackGround, adv->TabBackGroundActive);
  a->DoneControl();
  EXPECT_TRUE(adv->TabBackGround.isNull() && adv->TabBackGroundActive.isNull());
  // Tabs drawn as buttons: button frame 2 for the current tab, 1 for the others.
  auto* buttons = new QTabBar(form.client());
  buttons->setProperty("Style", QStringLiteral("tsButtons"));
  for (const char* t : {"One", "Two"}) buttons->addTab(t);
  buttons->setGeometry(0, 0, 200, 26);
  buttons->show();
  TSkinControl* tb = attach("TSkinTabBtn", buttons, 0);
  EXPECT_TRUE(TSkinRegistry::SkinnerFor(buttons) == tb);
  const QImage image = Render(buttons);
  for (int i : {0, 1}) {
    const QRect r = buttons->tabRect(i).translated(0, 1);
    const QImage frame = BuildSkinBitmap(r.size(), b.Bitmap, b.Margins(), false, b.Tile == 1, b.FrameCount(),
                                         i == 0 ? 2 : 1);
    EXPECT_EQ(image.pixel(r.left() + 1, r.top() + 2) | 0xFF000000u, frame.pixel(1, 2) | 0xFF000000u) << i;
  }
}

TEST_F(Controls2ReviewTest, TabsTakeBadInputAndPagesGoneUnderTheirFeet) {
  orvane::Form form;
  auto* tabs = new QTabWidget(form.client());
  tabs->setGeometry(5, 5, 400, 300);
  orvane::SetTag(tabs, CloseMarkTag);
  auto* slider = new QSlider(Qt::Horizontal, form.client());
  slider->setRange(INT_MAX, INT_MAX);  // min = max at the limit
  auto* bar = new QProgressBar(form.client());
  bar->setRange(INT_MIN, INT_MAX), bar->setValue(INT_MAX);
  ASSERT_TRUE(Show(form));
  auto* skinner = qobject_cast<TSkinTab*>(TSkinRegistry::Find(tabs));
  ASSERT_TRUE(skinner);
  for (int i = 0; i < 200; ++i)
    tabs->addTab(new QWidget, i % 50 ? QString::number(i) : QString(10000, QLatin1Char('x')));
  for (QTabWidget::TabPosition pos : {QTabWidget::North, QTabWidget::West})
    tabs->setTabPosition(pos), Render(tabs), Render(slider), Render(bar);
  tabs->setTabPosition(QTabWidget::North);
  tabs->setCurrentIndex(1);
  Render(tabs->tabBar());
  // The form's answer takes the asked page away itself and answers 0: no other page goes.
  wm::Link link = wm::Subclass(&form, [&](wm::Message& m) {
    if (m.msg != WM_SKINTABCLOSE) return wm::CallPrevious(link, m);
    delete tabs->widget(int(m.lParam));
    m.result = 0;
  });
  const int count = tabs->count();
  const QPointer<QWidget> next = tabs->widget(2);
  QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, skinner->CloseMarkAt(1).center());
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(tabs->count(), count - 1);
  EXPECT_FALSE(next.isNull());
  EXPECT_EQ(tabs->widget(1), next.data());
}

#include "controls2_review_test.moc"
