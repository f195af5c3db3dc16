// The skin on windows: the component's properties, package record and text, the form skinner's
// life on real windows, and caption buttons.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLoggingCategory>
#include <QMenu>
#include <QMenuBar>
#include <QMetaProperty>
#include <QPainter>
#include <QTemporaryDir>
#include <QWidget>
#include <QtEndian>
#include <map>
#include <memory>

#include "platform/forms/form.h"
#include "platform/wm/wm.h"
#include "skin/SkinStyle.h"
#include "skin/WinSkinData.h"
#include "skin/WinSkinStore.h"
#include "tests/skin/skinfixture.h"
#include "tests/support/testsupport.h"

using namespace orvane::skin;
namespace wm = orvane::wm;

TEST(SkinComponentProperties, SavedInOrderWithTheirDefaultsAndBits) {
  TSXSkin skin;
  // SkinControls: every kind but xcMenuItem (bit 2) and xcFastReport (bit 21); Options:
  // xoPreview (bit 3), xoToolbarBK (bit 6), xoCaptionButtonHint (bit 10).
  const std::pair<const char*, QVariant> expected[] = {
      {"Active", false}, {"DisableTag", 99}, {"SkinControls", QVariant::fromValue<quint32>(0x3FFFFF & ~0x4u & ~0x200000u)},
      {"Options", QVariant::fromValue<quint16>(0x448)}, {"Skin3rd", DefaultSkin3rd()}, {"SkinFile", QString()},
      {"SkinStore", QStringLiteral("(none)")}, {"SkinFormtype", int(sfMainform)}, {"Version", QStringLiteral("5.40.07.15")},
      {"MenuUpdate", true}, {"MenuMerge", false}};
  const QMetaObject* mo = skin.metaObject();
  ASSERT_EQ(mo->propertyCount() - mo->propertyOffset(), int(std::size(expected)));
  for (int i = 0; i < int(std::size(expected)); ++i) {
    const QMetaProperty p = mo->property(mo->propertyOffset() + i);
    EXPECT_STREQ(p.name(), expected[i].first);
    EXPECT_EQ(p.read(&skin), expected[i].second) << p.name();
  }
  skin.setProperty("SkinStore", QStringLiteral("(Good)"));
  skin.setProperty("Version", QStringLiteral("1"));
  EXPECT_EQ(skin.SkinStore() + skin.Version(), QStringLiteral("(none)5.40.07.15"));  // read-only
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
  const QByteArray package = DefaultSkinPackage();
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
  const QString broken = testing_support::writeFile(dir.filePath("broken.skn"), package.left(package.size() / 3));
  QLoggingCategory::setFilterRules(QStringLiteral("orvane.skin.*.warning=false"));
  const QByteArray badRecords[] = {saved.left(3), saved.left(saved.size() - 1)};
  for (const QByteArray& bad : badRecords) EXPECT_FALSE(skin.ReadSkinStream(bad));
  for (const QString& file : {dir.filePath("missing.skn"), broken}) {
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
  const std::tuple<const char*, bool, bool> cases[] = {  // class, fast report bit, skinned
      {"SysMonthCal32", false, false}, {"TfrDesigner", true, false}, {"TfrDesigner", false, true},
      {"TFRDesigner", true, true}, {"TForm_main", true, true}};
  QWidget window;
  for (const auto& [className, fastReport, skinned] : cases) {
    skin.SkinControls = fastReport ? skin.SkinControls | SetBit(xcFastReport) : DefaultSkinControls;
    bool doSkin = true;
    skin.CanSkinForm(&window, QLatin1String(className), doSkin);
    EXPECT_EQ(doSkin, skinned) << className << fastReport;
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

namespace {

constexpr quint32 kFull = wm::WS_CAPTION | wm::WS_SYSMENU | wm::WS_THICKFRAME | wm::WS_MINIMIZEBOX | wm::WS_MAXIMIZEBOX;

// A top-level window with the given style, a recording procedure, and its form skinner.
struct Skinned {
  Skinned(TSXSkin* skin, quint32 style, quint32 ex = 0, const char* cls = "TForm_x") {
    w.setProperty("wmStyle", style);
    w.setProperty("wmExStyle", ex);
    w.setGeometry(100, 100, 300, 200);
    below = wm::Subclass(&w, [this](wm::Message& m) {
      if (m.msg == WM_SKINACTIONQUERY) m.result = m.wParam == 1500;
      if (m.msg == wm::WM_SYSCOMMAND || m.msg == WM_SKINBUTTONACTION)
        log << QStringLiteral("%1 %2").arg(m.msg, 0, 16).arg(m.wParam, 0, 16);
      else
        wm::CallPrevious(below, m);
    });
    f = new TFormSkinner(&w, nullptr, QString::fromLatin1(cls));
    f->InitWindow(skin);
  }
  ~Skinned() { delete f; }
  // The screen point of a window point.
  QPoint Screen(QPoint windowPt) {
    return windowPt - QPoint(f->Borders().left(), f->Borders().top()) - wm::ScreenToClient(&w, QPoint(0, 0));
  }
  QWidget w;
  wm::Link below;
  TFormSkinner* f;
  QStringList log;
};


QColor FaceColour(const TSXSkin& s) { return ToQColor(s.Data()->Colour(scButtonFace)); }

// Shows the window; the manager's hook gives it its skinner.
TFormSkinner* ShowSkinned(QWidget* w) {
  w->show();
  return dynamic_cast<TFormSkinner*>(SkinManager->FindSkinForm(w));
}

}  // namespace

TEST_F(FormSkinFixture, AttachActivateAndUnskin) {
  orvane::Form form;
  form.resize(300, 200);
  const QColor before = form.palette().color(QPalette::Window);
  QList<quint32> seen;  // what reaches the window's own procedure below the skin
  wm::Link below = wm::Subclass(&form, [&](wm::Message& m) {
    seen << m.msg;
    wm::CallPrevious(below, m);
  });
  QStringList events;
  skin->OnBeforeSkinForm = [&](TSXSkin*, QWidget* w, const QString& n) {
    events << "before " + n;
    EXPECT_EQ(w, &form);
  };
  skin->OnAfterSkinForm = [&](TSXSkin*, QWidget*, const QString& n) { events << "after " + n; };
  auto* f = ShowSkinned(&form);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->LifeState(), TWinSkinForm::lsCreated);
  EXPECT_EQ(wm::SendMessage(&form, wm::WM_NCACTIVATE, 1), 0);  // nothing painted before activation
  EXPECT_EQ(wm::SendMessage(&form, WM_SKINQUERY), 1);
  EXPECT_EQ(form.palette().color(QPalette::Window), FaceColour(*skin));
  const TSkinData& d = *skin->Data();
  EXPECT_EQ(f->Borders(), QMargins(d.Border(bsLeft).Bitmap.width() / d.Border(bsLeft).FrameCount(),
                                   d.Border(bsTop).Bitmap.height() / d.Border(bsTop).FrameCount(),
                                   d.Border(bsRight).Bitmap.width() / d.Border(bsRight).FrameCount(),
                                   d.Border(bsBottom).Bitmap.height() / d.Border(bsBottom).FrameCount()));
  EXPECT_EQ(f->SysButtons().size(), d.SysButtons.size());
  ASSERT_TRUE(testing_support::waitUntil([&] { return f->Activated(); }));
  EXPECT_EQ(f->LifeState(), TWinSkinForm::lsAttached);
  EXPECT_TRUE(f->HoverTimerObject().isActive());
  EXPECT_EQ(events, QStringList({"before TForm", "after TForm"}).replaceInStrings("TForm", wm::GetClassName(&form)));
  EXPECT_TRUE(seen.contains(WM_SKINNOTIFY));
  const auto queries = seen.count(WM_SKINQUERY);
  EXPECT_EQ(wm::SendMessage(&form, WM_SKINQUERY), 1);
  EXPECT_EQ(seen.count(WM_SKINQUERY), queries);  // answered by the skin
  // The skin changes: colours again, the size kept, life back to attached.
  f->ApplySkinColors();
  EXPECT_EQ(f->LifeState(), TWinSkinForm::lsAttached);
  EXPECT_EQ(wm::GetClientRect(&form).size(), QSize(300, 200));
  f->Unskin();
  EXPECT_EQ(wm::SendMessage(&form, WM_SKINQUERY), 0);
  EXPECT_EQ(form.palette().color(QPalette::Window), before);
  EXPECT_FALSE(f->HoverTimerObject().isActive() || f->Subclassed());
}

TEST_F(FormSkinFixture, FrameKindAndButtonBitsFromTheStyle) {
  using namespace wm;
  const quint32 caption = WS_CAPTION | WS_SYSMENU;
  struct Case {
    quint32 style, ex;
    const char* cls;
    int frameKind, bits;
    bool dialog;
  } cases[] = {
      {caption | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, 0, "TForm_a", 0, 11, false},
      {caption, 0, "TForm_a", 1, 8, false},
      {caption, WS_EX_DLGMODALFRAME, "TForm_a", 3, 8, false},
      {caption | DS_MODALFRAME, WS_EX_CONTEXTHELP, "TForm_a", 3, 12, false},
      {WS_POPUP, 0, "TForm_a", 2, 0, false},
      {WS_POPUP | WS_BORDER, 0, "TForm_a", 2, 0, false},
      {caption | WS_THICKFRAME, 0, "TMessageForm", 3, 8, true},
      {WS_POPUP, 0, "#32770", 3, 0, true},
  };
  for (const Case& c : cases) {
    Skinned s(skin.get(), c.style, c.ex, c.cls);
    EXPECT_EQ(std::vector<int>({s.f->FrameKind(), s.f->ButtonBits(), s.f->IsDialog()}),
              std::vector<int>({c.frameKind, c.bits, c.dialog}))
        << c.cls << ' ' << std::hex << c.style;
    EXPECT_TRUE(c.frameKind != 2 || s.f->Borders().isNull()) << c.cls;
  }
}

TEST_F(FormSkinFixture, OwnFrameKeepsTheClientAndUnskinGivesTheSizeBack) {
  orvane::Form form;
  form.resize(300, 200);
  wm::SetOwnNonClient(&form, true);
  const QSize outer = wm::GetWindowRect(&form).size(), client = wm::GetClientRect(&form).size();
  auto* f = ShowSkinned(&form);
  ASSERT_TRUE(f);
  ASSERT_TRUE(testing_support::waitUntil([&] { return f->Activated(); }));
  const QMargins b = f->Borders();
  EXPECT_EQ(wm::GetWindowRect(&form).size(), client + QSize(b.left() + b.right(), b.top() + b.bottom()));
  f->Unskin();
  EXPECT_EQ(wm::GetWindowRect(&form).size(), outer);
  wm::SetOwnNonClient(&form, false);
}

TEST_F(FormSkinFixture, WindowGoneWithActivationPendingOrDestroyedWhileSkinned) {
  {
    auto* form = new orvane::Form;
    form->resize(200, 100);
    QPointer<TWinSkinForm> f = ShowSkinned(form);
    ASSERT_TRUE(f);
    delete form;  // 0x3503 still queued
    QApplication::processEvents();
    EXPECT_TRUE(f.isNull() && SkinManager->Forms().isEmpty());
  }
  orvane::Form form;
  form.resize(200, 100);
  QPointer<TWinSkinForm> f = ShowSkinned(&form);
  ASSERT_TRUE(f);
  ASSERT_TRUE(testing_support::waitUntil([&] { return static_cast<TFormSkinner*>(f.data())->Activated(); }));
  wm::NotifyDestroying(&form);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->LifeState(), TWinSkinForm::lsDestroyed);
  EXPECT_FALSE(static_cast<TFormSkinner*>(f.data())->Subclassed());
  SkinManager->SetCurrentSkin(skin.get());
  SkinManager->PostAction(TSkinManage::ActionPurge, 0);
  SkinManager->TimerAction();
  EXPECT_TRUE(f.isNull());
}

TEST_F(FormSkinFixture, WithoutFrameSkinningOnlyControlsAreSkinnedAndTheBareUnskinRestores) {
  skin->SkinControls &= ~SetBit(xcMainMenu);
  orvane::Form form;
  const QColor before = form.palette().color(QPalette::Window);
  TFormSkinner f(&form, &form, "TForm_b");
  f.InitForm(skin.get(), &form);
  EXPECT_TRUE(!f.FrameSkinned() && f.SysButtons().empty());
  EXPECT_EQ(f.LifeState(), TWinSkinForm::lsAttached);
  EXPECT_EQ(wm::SendMessage(&form, WM_SKINQUERY), 1);
  f.Unskin();
  EXPECT_EQ(wm::SendMessage(&form, WM_SKINQUERY), 0);
  EXPECT_EQ(form.palette().color(QPalette::Window), before);
}


TEST_F(FormSkinFixture, LayoutByAlign) {
  TDataSkinSysButton& r = Record(0);
  r.Visibility = r.Visibility1 = 0, r.Action = 5, r.Xcoord = 5, r.Ycoord = 3;
  const QRect caption(40, 2, 100, 18);
  for (int align : {0, 1, 2, 3, 7, 8, 9, 100}) {
    r.Align = align;
    Skinned s(skin.get(), kFull);
    s.f->SetCaptionRect(caption);
    s.f->LayoutSysButtons();
    const TWinSysButton& b = *s.f->SysButtons()[0];
    const int w = r.Bitmap.width() / r.FrameCount(), h = r.Bitmap.height(), W = wm::GetWindowRect(&s.w).width();
    const QMargins m = s.f->Borders();
    const int menuLeft = skin->Data()->MenuBar ? skin->Data()->MenuBar->LeftWidth : 0;
    const QPoint expected = align == 0                  ? QPoint(5, 3)
                            : align == 1                ? QPoint(W - 5, 3)
                            : align == 2 || align == 8  ? QPoint(40 - w - 5, 3)
                            : align == 3 || align == 9  ? QPoint(140 + 5, 3)
                            : align == 100              ? QPoint(W - 5 - m.right() - menuLeft, m.top() + (0 - h) / 2)
                                                        : QPoint(0, 0);
    EXPECT_EQ(b.Bounds, QRect(expected, QSize(w, h))) << "Align " << align;
  }
  // A button without an image, or with zero frames, takes no place and no click.
  r.Bitmap = QImage(), r.Frame = 0, r.Align = 0;
  Skinned s(skin.get(), kFull);
  s.f->LayoutSysButtons();
  EXPECT_TRUE(s.f->SysButtons()[0]->Bounds.isEmpty());
  EXPECT_EQ(s.f->FindObject(QPoint(5, 3)), nullptr);
}

TEST_F(FormSkinFixture, HintAfterTwiceThePauseUntilTheHidePause) {
  TDataSkinSysButton& r = Record(0);
  r.Visibility = r.Visibility1 = 0, r.Align = 0, r.Xcoord = r.Ycoord = 2, r.Action = 0;
  Skinned s(skin.get(), kFull);
  wm::SendMessage(&s.w, WM_SKINACTIVATE, 0, 1000);
  s.f->LayoutSysButtons();
  const QPoint on = s.Screen(s.f->SysButtons()[0]->Bounds.center());
  QCursor::setPos(on);
  if (wm::GetCursorPos() != on) GTEST_SKIP() << "the platform cannot place the cursor";
  wm::SendMessage(&s.w, wm::WM_NCMOUSEMOVE, wm::HTCAPTION, wm::MakePoint(on));
  for (int tick = 1; tick <= 15; ++tick) {
    s.f->HoverTimer();
    const int ms = tick * 250;  // shown from 2 x 500 ms for 2,500 ms
    EXPECT_EQ(skin->CaptionHintShown(), ms >= 1000 && ms < 3500) << ms;
    if (ms == 1000) {
      EXPECT_EQ(qobject_cast<QLabel*>(skin->CaptionHintWindow())->text(), "关闭");
    }
  }
  QCursor::setPos(s.Screen(QPoint(-40, -40)));
  s.f->HoverTimer();
  EXPECT_EQ(s.f->HotObject(), nullptr);
  EXPECT_EQ(TFormSkinner::HintCounter(), 0);
  // Freed buttons are never left hot for the timer.
  wm::SendMessage(&s.w, wm::WM_NCMOUSEMOVE, wm::HTCAPTION, wm::MakePoint(on));
  ASSERT_NE(s.f->HotObject(), nullptr);
  s.f->FreeSysButtons();
  EXPECT_EQ(s.f->HotObject(), nullptr);
  s.f->HoverTimer();
  const int actions[] = {0, 9, 62, 1, 22, 2, 23, 7, 60, 8, 61, 3, 5};
  QStringList hints;
  for (int a : actions) hints << CaptionButtonHint(a);
  EXPECT_EQ(hints.join(u','), "关闭,关闭,关闭,最大化,最大化,最小化,最小化,最小化,最小化,还原,还原,,");
}

TEST_F(FormSkinFixture, PaintDrawsInsideThePassAndOtherwiseAsksForOne) {
  TDataSkinSysButton& r = Record(0);
  r.Visibility = r.Visibility1 = 0, r.Align = 0, r.Xcoord = r.Ycoord = 0, r.Action = 0;
  Skinned s(skin.get(), kFull);
  wm::SetOwnNonClient(&s.w, true);
  s.w.show();
  wm::SendMessage(&s.w, WM_SKINACTIVATE, 0, 1000);
  s.f->LayoutSysButtons();
  TWinSysButton* b = s.f->SysButtons()[0];
  b->State = TNCObject::stHot;
  bool inPass = false;
  wm::Link top = wm::Subclass(&s.w, [&](wm::Message& m) {
    wm::CallPrevious(top, m);
    if (m.msg != wm::WM_NCPAINT) return;
    inPass = wm::GetWindowDC(&s.w) != nullptr;
    b->Paint();
  });
  b->Paint();  // outside a pass: only a repaint is asked for
  EXPECT_FALSE(inPass);
  s.f->FrameChanged();
  const QImage shot = s.w.grab().toImage();
  ASSERT_TRUE(inPass);
  const QRect cell = FrameRect(b->Image, false, b->Frames, TNCObject::stHot);
  int compared = 0;
  for (int y = 0; y < cell.height(); ++y)
    for (int x = 0; x < cell.width(); ++x) {
      const QColor want = b->Image.pixelColor(cell.topLeft() + QPoint(x, y));
      if (want.alpha() != 255) continue;
      ++compared;
      ASSERT_EQ(shot.pixelColor(b->Bounds.topLeft() + QPoint(x, y)).rgb(), want.rgb()) << x << ',' << y;
    }
  EXPECT_GT(compared, 0);
  wm::Unsubclass(top);
  wm::SetOwnNonClient(&s.w, false);
}

// A skin read with its saved switch on turns skinning on for itself.
TEST_F(FormSkinFixture, SavedActiveSwitchesOnForItsOwnSkin) {
  TSXSkin saved;  // read with Active set, into a manager that already runs
  saved.SetSkinStream(skin->SkinStream());
  ASSERT_TRUE(saved.LoadSkin());
  saved.SetActive(true);
  SkinManager->SetOn(false);
  int changed = 0;
  saved.OnSkinChanged = [&](TSXSkin*) { ++changed; };
  saved.Loaded();
  EXPECT_TRUE(testing_support::waitUntil([&] { return changed == 1; }, 2000));
  EXPECT_TRUE(SkinManager->On());
}

// Switched before the manager has started (no timer runs yet), the skin style follows the switch.
TEST_F(FormSkinFixture, SwitchedBeforeAnyWindowIsActiveTheStyleFollows) {
  QApplication::setStyle(QStringLiteral("Windows"));  // a style the skin style does not stand over
  SkinManager->SetState(TSkinManage::NotStarted);
  for (const bool on : {true, false, true}) {
    SkinManager->PostAction(on ? TSkinManage::ActionActivate : TSkinManage::ActionDeactivate, 250);
    EXPECT_EQ(SkinStyleInstalled(), on);
    if (!on) {
      EXPECT_EQ(QApplication::style()->name().toLower(), QStringLiteral("windows"));
    }
  }
  RemoveSkinStyle();
  QApplication::setStyle(QStringLiteral("Fusion"));
  // Over Fusion, which the skin style without skinners is, the style stays when switched off.
  InstallSkinStyle();
  QStyle* const skinStyle = QApplication::style();
  RemoveSkinStyle();
  EXPECT_EQ(QApplication::style(), skinStyle);
}
