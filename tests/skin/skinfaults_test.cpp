// Faults of the skin found on a real desktop: packages whose images cannot frame a window, the
// system-menu double click on an inactive window, combo lists, right-to-left captions and the
// system menu's disabled items.
#include <QAbstractItemView>
#include <QCheckBox>
#include <QApplication>
#include <QComboBox>
#include <QScreen>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QLoggingCategory>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include "platform/forms/form.h"
#include "skin/controls/SkinRegistry.h"
#include "skin/imgutil.h"
#include "skin/skincolors.h"
#include "tests/skin/skinbuilder.h"
#include "tests/skin/skinfixture.h"
#include "tests/support/testsupport.h"

using namespace orvane::skin;
using namespace skin_testing;
namespace wm = orvane::wm;
using testing_support::LoggedMessages;
using testing_support::waitUntil;

namespace {

// The default skin's description and images, to be spoilt one at a time.
SkinBuilder DefaultSkinSources() {
  return SkinBuilder::FromFolder(QStringLiteral(ORVANE_SOURCE_DIR "/resources/skin/default"));
}

// A bitmap whose header announces another width and height than its pixels have.
QByteArray WithSize(QByteArray bmp, qint32 width, qint32 height) {
  qToLittleEndian<qint32>(width, bmp.data() + 18);
  qToLittleEndian<qint32>(height, bmp.data() + 22);
  return bmp;
}

}  // namespace

// Packages whose border images are damaged, empty, absurd in size or missing from a garbled
// description are refused when loaded for the windows: the native look stays (or the skin in
// use), with one line in the log.
TEST(SkinFaults, PackagesThatCannotFrameAWindowAreRefused) {
  RegisterFormSkinner();
  const SkinBuilder good = DefaultSkinSources();
  ASSERT_TRUE(good.files.contains(QStringLiteral("frame_top.bmp")));
  const struct {
    const char* name;
    std::function<void(SkinBuilder&)> spoil;
  } cases[] = {
      {"damaged header", [](SkinBuilder& b) { b.files["frame_top.bmp"].replace(0, 14, QByteArray(14, 'x')); }},
      {"zero length", [](SkinBuilder& b) { b.files["frame_left.bmp"].clear(); }},
      {"60000 x 60000", [](SkinBuilder& b) { b.files["frame_right.bmp"] = WithSize(b.files["frame_right.bmp"], 60000, 60000); }},
      {"negative width", [](SkinBuilder& b) { b.files["frame_bottom.bmp"] = WithSize(b.files["frame_bottom.bmp"], -10, 4); }},
      {"a side 4000 pixels thick", [](SkinBuilder& b) { b.image("frame_left.bmp", solid(8000, 40, qRgb(9, 9, 9))); }},
      {"a side of no width", [](SkinBuilder& b) { b.image("frame_left.bmp", solid(1, 40, qRgb(9, 9, 9))); }},
      {"garbled description", [](SkinBuilder& b) { b.description = randomBytes(b.description.size(), 7); }},
  };
  QTemporaryDir dir;
  {
    LoggedMessages componentWarnings("orvane.skin.component", QtWarningMsg);
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      SkinBuilder bad = good;
      c.spoil(bad);
      const QByteArray package = bad.package();
      // Loaded into a fresh component and switched on: the window keeps the native look.
      {
        componentWarnings.lines.clear();
        TSXSkin skin;
        QByteArray saved(4, '\0');
        qToLittleEndian<quint32>(quint32(package.size()), saved.data());
        EXPECT_FALSE(skin.ReadSkinStream(saved + package));
        EXPECT_TRUE(skin.SkinLoading());
        EXPECT_FALSE(skin.Data());
        EXPECT_EQ(componentWarnings.lines.size(), 1) << componentWarnings.lines.join(u'\n').toStdString();
        skin.Loaded();
        skin.SetActive(true);
        orvane::Form form;
        form.setGeometry(100, 100, 300, 200);
        form.show();
        QTest::qWait(300);  // past the switch's delay
        SkinManager->TimerAction();
        QApplication::processEvents();
        EXPECT_FALSE(SkinManager->FindSkinForm(&form));
        EXPECT_FALSE(wm::HasOwnNonClient(&form));
        EXPECT_TRUE(form.contentsMargins().isNull() && form.mask().isEmpty());
        FreeSkinManager();
      }
      // Loaded from a file over the skin in use: that skin stays, on the windows too.
      {
        auto skin = LoadedDefaultSkin();
        ASSERT_TRUE(skin);
        SkinManager->SetOn(true), SkinManager->SetState(TSkinManage::Started);
        orvane::Form form;
        form.setGeometry(100, 100, 300, 200);
        auto* f = ShowSkinned(&form);
        ASSERT_TRUE(f);
        const auto data = skin->Data();
        const QMargins margins = form.contentsMargins();
        const QString file = testing_support::writeFile(dir.filePath(QStringLiteral("bad.skn")), package);
        componentWarnings.lines.clear();
        skin->SetSkinFile(file);
        EXPECT_EQ(skin->Data().get(), data.get());
        EXPECT_TRUE(skin->SkinStream() == DefaultSkinPackage());
        QTest::qWait(300);
        SkinManager->TimerAction();
        QApplication::processEvents();
        EXPECT_EQ(SkinManager->FindSkinForm(&form), f);
        EXPECT_EQ(form.contentsMargins(), margins);
        EXPECT_FALSE(componentWarnings.lines.isEmpty());
        FreeSkinManager();
      }
    }
  }
  // The sources themselves make a skin that loads.
  TSXSkin skin;
  QByteArray saved(4, '\0');
  const QByteArray package = good.package();
  qToLittleEndian<quint32>(quint32(package.size()), saved.data());
  EXPECT_TRUE(skin.ReadSkinStream(saved + package));
}

namespace {

class SkinFaultsWindows : public StyledSkinFixture {
 protected:
  static TWinSysButton* Button(TFormSkinner* f, int action) {
    f->LayoutSysButtons();
    for (TWinSysButton* b : f->SysButtons())
      if (b->Visible && b->Record()->Action == action) return b;
    return nullptr;
  }
};

}  // namespace

// Two clicks on the system-menu icon of a window that is not active close it, as they do on
// the active window: the first activates the window and opens its system menu, which then takes
// the second.
TEST_F(SkinFaultsWindows, SystemMenuDoubleClickClosesAnInactiveWindow) {
  // Through the messages of a double click whose second press reaches the open menu, and
  // through those of one whose second press reaches the window as its double click.
  for (bool toMenu : {true, false}) {
    SCOPED_TRACE(toMenu);
    orvane::Form a, other;
    a.setGeometry(100, 100, 300, 200), other.setGeometry(500, 100, 300, 200);
    TFormSkinner* f = ShowSkinned(&a);
    ASSERT_TRUE(f && ShowSkinned(&other));
    int closes = 0;  // asked to close, by message or by system command
    wm::Link below = wm::Subclass(&a, [&](wm::Message& m) {
      closes += m.msg == wm::WM_CLOSE || (m.msg == wm::WM_SYSCOMMAND && (m.wParam & 0xFFF0) == wm::SC_CLOSE);
      wm::CallPrevious(below, m);
    });
    other.activateWindow();
    ASSERT_TRUE(waitUntil([&] { return !f->IsActive() && QApplication::activeWindow() == &other; }));
    TWinSysButton* icon = Button(f, 3);
    ASSERT_TRUE(icon);
    const QPoint at = a.mapToGlobal(icon->Bounds.center());
    wm::SendMessage(&a, wm::WM_NCLBUTTONDOWN, wm::HTSYSMENU, wm::MakePoint(at));
    wm::SendMessage(&a, wm::WM_NCLBUTTONUP, wm::HTSYSMENU, wm::MakePoint(at));
    QMenu* menu = f->SystemMenuPopup();
    ASSERT_TRUE(menu && menu->isVisible());
    // The activation the first press asked for arrives while the menu is open; the frame is
    // painted anew.
    wm::SendMessage(&a, wm::WM_NCACTIVATE, 1), wm::SendMessage(&a, wm::WM_ACTIVATE, wm::WA_ACTIVE);
    QApplication::processEvents();
    EXPECT_TRUE(f->IsActive());
    if (toMenu) {
      QMouseEvent second(QEvent::MouseButtonDblClick, menu->mapFromGlobal(QPointF(at)), QPointF(at), Qt::LeftButton,
                         Qt::LeftButton, {});
      QCoreApplication::sendEvent(menu, &second);
    } else {
      wm::SendMessage(&a, wm::WM_NCLBUTTONDBLCLK, wm::HTSYSMENU, wm::MakePoint(at));
    }
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(a.isVisible());
    if (menu) menu->hide();
  }
}

// A combo that cannot be edited opens a list with a scroll bar the skin paints, as an editable
// one does, and a list of 300 items is not as tall as the screen.
TEST_F(SkinFaultsWindows, EveryComboListGetsTheSkinnedScrollBar) {
  orvane::Form form;
  form.setGeometry(100, 100, 300, 200);
  auto* combo = new QComboBox(form.client());
  combo->setGeometry(10, 10, 160, 22);
  for (int i = 0; i < 300; ++i) combo->addItem(QStringLiteral("item %1").arg(i));
  ASSERT_TRUE(ShowSkinned(&form));
  ASSERT_TRUE(TSkinRegistry::Find(combo));
  combo->showPopup();
  QAbstractItemView* list = combo->view();
  QWidget* popup = list->window();
  ASSERT_TRUE(waitUntil([&] { return popup->isVisible(); }));
  QApplication::processEvents();
  EXPECT_TRUE(TSkinRegistry::Find(list));
  QScrollBar* bar = list->verticalScrollBar();
  ASSERT_TRUE(bar->isVisible());
  EXPECT_LT(popup->height(), form.screen()->availableGeometry().height() / 2);
  // The bar's up arrow is the skin's: frame 9 of its 23-frame strip.
  const TDataSkinObject& strip = *D().Scrollbar;
  const int a = strip.Bitmap.height();
  const QImage shot = RenderOverBlack(bar);
  const QImage arrow = strip.Bitmap.copy(FrameRect(strip.Bitmap, false, 23, 9)).scaled(bar->width(), a);
  int same = 0;
  for (int y = 0; y < a; ++y)
    for (int x = 0; x < bar->width(); ++x) same += (shot.pixel(x, y) | 0xFF000000u) == (arrow.pixel(x, y) | 0xFF000000u);
  EXPECT_GT(same, bar->width() * a * 9 / 10) << bar->width() << 'x' << a;
  combo->hidePopup();
}

// Text is placed by the flags in absolute terms, whatever the painter's direction.
TEST(SkinFaults, TextIsPlacedByTheFlagsInAbsoluteTerms) {
  const QString text = QStringLiteral("Abc");
  for (Qt::LayoutDirection direction : {Qt::LeftToRight, Qt::RightToLeft})
    for (quint32 align : {+DT_LEFT, +DT_CENTER, +DT_RIGHT})
      for (quint32 reading : {0u, +DT_RTLREADING}) {
        QImage image(200, 20, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter p(&image);
        p.setLayoutDirection(direction);
        const int width = p.fontMetrics().horizontalAdvance(text);
        QRect r(0, 0, 200, 20);
        SkinDrawText(&p, text, r, align | reading | DT_SINGLELINE);
        p.end();
        int left = 200, right = -1;
        for (int y = 0; y < 20; ++y)
          for (int x = 0; x < 200; ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255)) left = std::min(left, x), right = std::max(right, x);
        const int start = align == DT_LEFT ? 0 : align == DT_CENTER ? (200 - width) / 2 : 200 - width;
        EXPECT_TRUE(right >= 0 && left >= start - 2 && right <= start + width + 1)
            << direction << ' ' << align << ' ' << reading << ": " << left << ".." << right;
      }
}

// A right-to-left check box: its box at the right, its caption ending beside the box (not at
// the far left), and only box and caption answer the mouse.
TEST_F(SkinFaultsWindows, RightToLeftCheckBoxCaptionBesideItsBox) {
  orvane::Form form;
  form.setGeometry(100, 100, 300, 120);
  auto* check = new QCheckBox(QStringLiteral("Check"), form.client());
  check->setLayoutDirection(Qt::RightToLeft);
  check->setGeometry(10, 10, 240, 21);
  ASSERT_TRUE(ShowSkinned(&form));
  ASSERT_TRUE(TSkinRegistry::Find(check));
  const QImage& strip = D().Buttons->CheckBitmap;
  const int frames = ValidFrameCount(D().Buttons->CheckButtonFrame);
  const QRect box(240 - strip.width() / frames, (21 - strip.height()) / 2, strip.width() / frames, strip.height());
  const int textWidth = check->fontMetrics().horizontalAdvance(check->text());
  // The caption ends 2 pixels left of the box; its pixels are what differs from the face colour.
  const QImage shot = RenderOverBlack(check);
  const QRgb face = ToQColor(D().Colour(scButtonFace)).rgb();
  int left = 240, right = -1;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < box.left(); ++x)
      if ((shot.pixel(x, y) | 0xFF000000u) != face) left = std::min(left, x), right = std::max(right, x);
  ASSERT_GE(right, 0);
  EXPECT_LE(right, box.left() - 3);
  EXPECT_GE(right, box.left() - 3 - 3);
  EXPECT_GE(left, box.left() - 3 - textWidth - 3);
  // Clicks: far left of the caption nothing; on the caption and on the box the box toggles.
  const struct {
    QPoint at;
    bool toggles;
  } clicks[] = {{{5, 10}, false}, {{box.left() - 40 - textWidth, 10}, false}, {{box.left() - 3 - textWidth / 2, 10}, true},
                {box.center(), true}};
  for (const auto& c : clicks) {
    const bool before = check->isChecked();
    QTest::mouseClick(check, Qt::LeftButton, {}, c.at);
    EXPECT_EQ(check->isChecked() != before, c.toggles) << c.at.x();
  }
}

// On a maximised window the system menu's "最大化" is disabled: its glyph is drawn embossed in
// the system's shadow and highlight colours, not solid black as an enabled glyph is.
TEST_F(SkinFaultsWindows, DisabledSystemMenuGlyphIsDrawnDisabled) {
  orvane::Form form;
  form.setGeometry(100, 100, 300, 200);
  TFormSkinner* f = ShowSkinned(&form);
  ASSERT_TRUE(f);
  form.showMaximized();
  ASSERT_TRUE(waitUntil([&] { return f->ShowState() == TFormSkinner::ssMaximized; }));
  f->BuildSystemMenu();
  QMenu* menu = f->SystemMenuPopup();
  ASSERT_TRUE(menu);
  QAction *maximize = nullptr, *restore = nullptr;
  for (QAction* a : menu->actions()) {
    if (a->property("Tag").toUInt() == wm::SC_MAXIMIZE) maximize = a;
    if (a->property("Tag").toUInt() == wm::SC_RESTORE) restore = a;
  }
  ASSERT_TRUE(maximize && restore);
  ASSERT_FALSE(maximize->isEnabled());
  ASSERT_TRUE(restore->isEnabled());
  menu->adjustSize();
  QImage shot(menu->size(), QImage::Format_ARGB32_Premultiplied);
  for (int pass = 0; pass < 2; ++pass) menu->render(&shot);
  // Pixels of the glyph column of an item in one colour.
  auto count = [&](QAction* a, QRgb colour) {
    const QRect r = menu->actionGeometry(a);
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x < r.left() + 24; ++x) n += (shot.pixel(x, y) | 0xFF000000u) == (colour | 0xFF000000u);
    return n;
  };
  EXPECT_GT(count(restore, qRgb(0, 0, 0)), 4);
  EXPECT_EQ(count(maximize, qRgb(0, 0, 0)), 0);
  EXPECT_GT(count(maximize, ToQColor(SysColor(COLOR_BTNSHADOW)).rgb()), 4);
  form.showNormal();
}

// A part of a nine-slice image is the same part of the whole, stretched or tiled, at its edges
// and corners and inside: a tab as wide as a caption of 10,000 characters is built only where
// it shows.
TEST(SkinFaults, APartOfANineSliceIsThatPartOfTheWhole) {
  QImage strip(2 * 13, 11, QImage::Format_RGB32);  // two frames of 13 x 11, every pixel its own
  for (int y = 0; y < strip.height(); ++y)
    for (int x = 0; x < strip.width(); ++x) strip.setPixel(x, y, qRgb(x * 9, y * 20, (x * y) % 256));
  const QImage skinStrip = ToSkinImage(strip);
  const struct {
    QSize size;
    QMargins margins;
    bool tile;
    QRect part;
  } cases[] = {
      {{60000, 24}, {4, 4, 4, 2}, false, {29990, 0, 600, 24}},  // deep inside a very wide tab
      {{60000, 24}, {4, 4, 4, 2}, false, {0, 0, 600, 24}},      // its left end
      {{60000, 24}, {4, 4, 4, 2}, false, {59500, 3, 500, 21}},  // its right end, lower rows
      {{60000, 24}, {4, 4, 4, 2}, true, {31337, 0, 601, 24}},   // tiled centre, off the tile grid
      {{300, 200}, {5, 3, 6, 4}, true, {2, 1, 296, 197}},
      {{300, 200}, {5, 3, 6, 4}, false, {150, 100, 1, 1}},
      {{7, 5}, {5, 3, 6, 4}, false, {1, 1, 5, 3}},              // margins wider than the target
  };
  for (const auto& c : cases)
    for (int frame : {1, 2}) {
      const QImage whole = BuildSkinBitmap(c.size, skinStrip, c.margins, false, c.tile, 2, frame);
      const QImage part = BuildSkinBitmap(c.size, skinStrip, c.margins, false, c.tile, 2, frame, c.part);
      ASSERT_EQ(part.size(), c.part.size());
      EXPECT_TRUE(part == whole.copy(c.part)) << c.size.width() << ' ' << c.part.x() << ' ' << c.tile << ' ' << frame;
    }
}

// A tab's caption is laid out once per text, font and size: a tab whose caption changes to
// another of the same width, or whose font changes, paints as one made with them from the start.
TEST_F(SkinFaultsWindows, ATabCaptionChangedPaintsAsANewOne) {
  orvane::Form form;
  form.setGeometry(100, 100, 420, 200);
  auto* changed = new QTabWidget(form.client());
  auto* fresh = new QTabWidget(form.client());
  changed->setGeometry(10, 10, 400, 60), fresh->setGeometry(10, 90, 400, 60);
  changed->addTab(new QWidget, QStringLiteral("星期一"));
  changed->addTab(new QWidget, QStringLiteral("二"));
  fresh->addTab(new QWidget, QStringLiteral("节目单"));
  fresh->addTab(new QWidget, QStringLiteral("二"));
  ASSERT_TRUE(ShowSkinned(&form));
  ASSERT_TRUE(TSkinRegistry::Find(changed) && TSkinRegistry::Find(fresh));
  auto same = [&] {
    QApplication::processEvents();
    return changed->tabBar()->size() == fresh->tabBar()->size() &&
           RenderOverBlack(changed->tabBar()) == RenderOverBlack(fresh->tabBar());
  };
  EXPECT_FALSE(same());  // laid out with the old caption
  changed->setTabText(0, QStringLiteral("节目单"));
  EXPECT_TRUE(same());
  QFont bigger = changed->tabBar()->font();
  bigger.setPointSize(bigger.pointSize() + 3);
  changed->tabBar()->setFont(bigger), fresh->tabBar()->setFont(bigger);
  EXPECT_TRUE(same());
}
