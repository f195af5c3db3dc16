// The skin on windows: the component's properties, package record and text, the manager's
// refusals and queued switches, the form skinner's life on real windows, and caption buttons.
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

class RecordingSkinner : public TWinSkinForm {
 public:
  RecordingSkinner(QWidget* w, QObject* o, const QString& c, QStringList* log) : TWinSkinForm(w, o, c), log_(log) {
    link_ = wm::Subclass(
        w, [this](wm::Message& m) { m.msg == WM_SKINQUERY ? void(m.result = 1) : wm::CallPrevious(link_, m); });
  }
  void InitForm(TSXSkin* s, QObject*) override {
    skin_ = s, rec("InitForm");
    if (OnInit) std::exchange(OnInit, nullptr)();
  }
  static inline std::function<void()> OnInit;
  void InitWindow(TSXSkin* s) override { skin_ = s, rec("InitWindow"); }
  void Unskin() override { wm::Unsubclass(link_), rec("Unskin"); }
  void Detach() override { wm::Unsubclass(link_), rec("Detach"); }
  void RefreshWindow() override { rec("RefreshWindow"); }
  void FreeSysButtons() override { rec("FreeSysButtons"); }
  void ApplySkinMetrics() override { rec("ApplySkinMetrics"); }
  void ApplySkinColors() override { rec("ApplySkinColors"); }
  bool HasRegion() const override { return false; }
  void ClearRegion() override {}
  void UpdateRegion() override {}
  void FrameChanged() override {}

 private:
  void rec(const char* what) { *log_ << QLatin1String(what) + u' ' + className_; }
  QStringList* log_;
  wm::Link link_;
};

class SkinManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetFormSkinnerFactory(
        [this](QWidget* w, QObject* o, const QString& c) { return new RecordingSkinner(w, o, c, &log); });
    skin = LoadedDefaultSkin();
    ASSERT_TRUE(skin && SkinManager);
  }
  void TearDown() override {
    FreeSkinManager();
    skin.reset();
    SetFormSkinnerFactory({});
  }
  QStringList log;
  std::unique_ptr<TSXSkin> skin;
};

}  // namespace

TEST_F(SkinManagerTest, AddWindowRefusesInTheOrderOfItsTests) {
  std::vector<std::unique_ptr<QWidget>> keep;
  auto form = [&](const char* cls = nullptr) {
    keep.push_back(std::make_unique<orvane::Form>());
    keep.back()->resize(200, 100);
    if (cls) keep.back()->setProperty("vclClass", QString::fromLatin1(cls));
    return keep.back().get();
  };
  auto with = [](QWidget* w, const char* name, QVariant v) { return w->setProperty(name, v), w; };
  auto dialog = [&] { return keep.push_back(std::make_unique<QDialog>()), keep.back().get(); };
  std::unique_ptr<TSXSkin> ownSkin;  // an unloaded skin for one window only
  wm::Link answer;
  const std::tuple<const char*, std::function<QWidget*()>, bool> cases[] = {
      {"skinning off", [&] { return SkinManager->SetOn(false), form(); }, false},
      {"a Form", [&] { return SkinManager->SetOn(true), form(); }, true},
      {"answers the query", [&] {
         QWidget* w = form();
         return answer = wm::Subclass(w, [](wm::Message& m) { m.result = m.msg == WM_SKINQUERY; }), w;
       }, false},
      {"already listed", [&] { QWidget* w = form(); return SkinManager->AddWindow(w), w; }, false},
      {"plain child", [&] { return with(new QWidget(form()), "vclClass", "#32770"); }, false},
      {"foreign window", [&] { return keep.push_back(std::make_unique<QWidget>()), keep.back().get(); }, false},
      {"foreign dialog box", dialog, true},
      {"no area", [&] { QWidget* w = form(); return w->resize(0, 0), w; }, false},
      {"no area, MDI child", [&] { QWidget* w = form(); return w->resize(0, 0), with(w, "wmExStyle", quint32(wm::WS_EX_MDICHILD)); }, true},
      {"Tag 99", [&] { return with(form(), "Tag", 99); }, false},
      {"Tag 98", [&] { return with(form(), "Tag", 98); }, true},
      {"TApplication", [&] { return form("TApplication"); }, false},
      {"render window", [&] { return form("xTTERenderWindow"); }, false},
      {"preview, option on", [&] { return form("TPrintPreview"); }, true},
      {"preview, option off", [&] { return skin->Options &= ~SetBit(xoPreview), form("TPrintPreview"); }, false},
      {"month calendar", [&] { return form("SysMonthCal32"); }, false},
      {"dialog with bit 0x200", [&] { return with(dialog(), "wmStyle", quint32(wm::WS_POPUP | 0x200)); }, false},
      {"own skin not loaded", [&] {
         QWidget* w = form();
         ownSkin = std::make_unique<TSXSkin>(w);
         ownSkin->SkinFormtype = sfOnlyThisForm;
         return SkinManager->RegisterSkin(ownSkin.get()), w;
       }, false},
  };
  for (const auto& [what, make, skinned] : cases) {
    QWidget* w = make();
    log.clear();
    EXPECT_EQ(SkinManager->AddWindow(w), skinned) << what;
    EXPECT_EQ(SkinManager->FindSkinForm(w) != nullptr, skinned || std::string(what) == "already listed") << what;
    EXPECT_EQ(log, skinned ? QStringList{(w->inherits("orvane::Form") ? "InitForm " : "InitWindow ") + wm::GetClassName(w)}
                           : QStringList()) << what;
  }
  EXPECT_EQ(SkinManager->FindSkinFor(keep.front().get()), skin.get());
  EXPECT_EQ(SkinManager->FindSkinFor(ownSkin->OwnerWindow()), ownSkin.get());
}

TEST_F(SkinManagerTest, OnlyTheLastQueuedSwitchRunsAndRefreshesWaitForIt) {
  orvane::Form form;
  form.resize(200, 100);
  form.show();
  int changed = 0;
  skin->OnSkinChanged = [&](TSXSkin*) { ++changed; };
  auto settled = [&](int n) {
    return testing_support::waitUntil([&] { return changed == n && !SkinManager->ActionTimer().isActive(); }, 3000);
  };
  const QString attach = "InitForm Form", detach = "Unskin Form";
  skin->SetActive(true);
  EXPECT_TRUE(SkinManager->Forms().isEmpty());  // not before the timer
  ASSERT_TRUE(settled(1));
  ASSERT_EQ(SkinManager->Forms().size(), 1);
  EXPECT_EQ(log, QStringList{attach});
  struct Step {
    std::function<void()> request;
    bool skinnedAfter;
    QStringList calls;
    int events;
  };
  const Step steps[] = {
      {[&] { skin->SetActive(false), skin->SetActive(true); }, true, {}, 1},
      {[&] { for (int i = 0; i < 9; ++i) skin->SetActive(!skin->Active()); }, false, {detach, "RefreshWindow Form"}, 1},
      {[&] { skin->SetActive(true), SkinManager->PostAction(TSkinManage::ActionPurge, 10); }, true, {attach}, 2},
      {[&] { SkinManager->SetCurrentSkin(skin.get()), SkinManager->PostAction(TSkinManage::ActionRefresh, 10); }, true,
       {"FreeSysButtons Form", "ApplySkinMetrics Form", "ApplySkinColors Form"}, 1},
      {[&] { skin->SetActive(false), SkinManager->PostAction(TSkinManage::ActionRefresh, 10); }, false,
       {detach, "RefreshWindow Form"}, 2},
      // switched off again while the switch-on walks the windows
      {[&] { RecordingSkinner::OnInit = [&] { skin->SetActive(false); }, skin->SetActive(true); }, false,
       {attach, detach, "RefreshWindow Form"}, 2},
  };
  for (const Step& s : steps) {
    log.clear();
    const int before = changed;
    s.request();
    ASSERT_TRUE(settled(before + s.events)) << changed;
    EXPECT_EQ(SkinManager->On(), s.skinnedAfter);
    EXPECT_EQ(skin->Active(), s.skinnedAfter);
    EXPECT_EQ(SkinManager->FindSkinForm(&form) != nullptr, s.skinnedAfter);
    EXPECT_EQ(log, s.calls);
  }
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
  qintptr At(QPoint windowPt) { return wm::MakePoint(Screen(windowPt)); }
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

TEST_F(FormSkinFixture, MenusSwitchedToSkinPaintingAndBack) {
  skin->SkinControls |= SetBit(xcMenuItem);
  orvane::Form form;
  auto* bar = new QMenuBar(&form);
  QMenu* file = bar->addMenu("File");
  QAction* top = file->menuAction();
  QAction* item = file->addAction("Open");
  QMenu* sub = file->addMenu("More");
  QAction* deep = sub->addAction("Deep");
  QAction* own = sub->addAction("Own");
  own->setProperty("OnDrawItem", "mine");
  auto* popup = new QMenu(&form);
  QAction* p1 = popup->addAction("One");
  QMenu* psub = popup->addMenu("Sub");
  QAction* p2 = psub->addAction("Two");
  psub->addMenu(psub);  // a menu holding itself
  auto* off = new QMenu(&form);
  off->setProperty("Tag", skin->DisableTag);
  QAction* o1 = off->addAction("Off");
  TFormSkinner f(&form, &form, "TForm_m");
  f.InitForm(skin.get(), &form);
  f.ApplySkinColors();
  const auto draw = [](QAction* a) { return a->property("OnDrawItem").toString(); };
  const auto measure = [](QAction* a) { return a->property("OnMeasureItem").toString(); };
  const auto ownerDraw = [&] {
    return std::vector<bool>({bar->property("OwnerDraw").toBool(), popup->property("OwnerDraw").toBool(),
                              off->property("OwnerDraw").toBool()});
  };
  EXPECT_EQ(ownerDraw(), std::vector<bool>({true, true, false}));
  // Not the top level of a main menu, nor an item with a painter of its own, nor a disabled menu.
  EXPECT_EQ(QStringList({draw(top), draw(item), draw(deep), measure(deep), draw(own), measure(p1), draw(p2), draw(o1)}),
            QStringList({"", "skinMenuItem", "skinMenuItem", "skinMainMeasure", "mine", "skinPopupMeasure", "skinMenuItem", ""}));
  f.Unskin();
  EXPECT_EQ(ownerDraw(), std::vector<bool>({false, false, false}));
  for (QAction* a : {deep, p1, p2}) EXPECT_EQ(draw(a) + measure(a), "") << a->text().toStdString();
  EXPECT_EQ(draw(own), "mine");
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


TEST_F(FormSkinFixture, VisibilityTable) {
  using namespace wm;
  const quint32 cap = WS_CAPTION | WS_SYSMENU;
  // Visibility, Visibility1, Action, style, ex-style, maximised, active -> visible, enabled (-1 not checked).
  struct Case {
    int vis, vis1, action;
    quint32 style, ex;
    bool maximized, active, visible;
    int enabled;
    const char* cls = "TForm_x";
  } cases[] = {
      {0, 0, 0, kFull, 0, 0, 1, 1, -1}, {-1, 0, 5, kFull, 0, 0, 1, 0, -1},
      {0, -1, 5, kFull, 0, 0, 1, 0, -1}, {1, 0, 5, kFull, 0, 0, 1, 0, -1},
      {1, 1, 5, kFull, 0, 1, 1, 1, -1}, {2, 0, 5, kFull, 0, 1, 1, 0, -1},
      {3, 0, 5, kFull, 0, 0, 0, 0, -1}, {4, 4, 5, kFull, 0, 0, 0, 1, -1},
      {5, 0, 5, kFull, 0, 0, 1, 0, -1}, {6, 0, 5, cap, 0, 0, 1, 0, -1},
      {6, 8, 5, kFull, 0, 0, 1, 1, -1}, {8, 0, 5, WS_CAPTION | WS_MINIMIZEBOX, 0, 0, 1, 0, -1},
      {0, 8, 5, WS_CAPTION | WS_MINIMIZEBOX, 0, 0, 1, 1, -1}, {7, 0, 5, kFull, 0, 0, 1, 0, -1},
      {7, 7, 5, cap | WS_MINIMIZEBOX, 0, 0, 1, 1, -1}, {9, 9, 5, cap | WS_MAXIMIZEBOX, 0, 0, 1, 1, -1},
      {10, 10, 5, cap, WS_EX_CONTEXTHELP, 0, 1, 1, -1}, {10, 0, 5, kFull, WS_EX_CONTEXTHELP, 0, 1, 0, -1},
      {0, 10, 5, kFull, WS_EX_CONTEXTHELP, 0, 1, 1, -1}, {50, 0, 5, kFull, 0, 0, 1, 0, -1},
      {100, 100, 5, kFull, 0, 0, 1, 0, -1}, {150, 0, 5, kFull, 0, 0, 1, 0, -1},
      {500, 999, 5, kFull, 0, 0, 1, 1, -1}, {2500, 0, 5, kFull, 0, 0, 1, 0, -1},
      {1500, 1600, 5, kFull, 0, 0, 1, 1, -1}, {1600, 0, 5, kFull, 0, 0, 1, 0, -1},
      {0, 200, 5, cap, WS_EX_DLGMODALFRAME, 0, 1, 1, -1}, {200, 0, 5, kFull, 0, 0, 1, 0, -1},
      {0, 200, 5, cap, WS_EX_DLGMODALFRAME, 0, 1, 0, -1, "TMessageForm"}, {0, 0, 0, WS_CAPTION, 0, 0, 1, 0, -1},
      {0, 0, 1, kFull, 0, 0, 1, 1, 1}, {0, 0, 1, cap | WS_MINIMIZEBOX, 0, 0, 1, 1, 0},
      {0, 0, 2, WS_CAPTION | WS_MAXIMIZEBOX | WS_MINIMIZEBOX, 0, 0, 1, 1, 0},
      {0, 0, 2, cap | WS_MAXIMIZEBOX, 0, 0, 1, 1, 0},
      {0, 0, 3, cap, WS_EX_DLGMODALFRAME, 0, 1, 0, -1}, {0, 0, 11, cap, 0, 0, 1, 1, -1},
  };
  TDataSkinSysButton& r = Record(0);
  int row = 0;
  for (const Case& c : cases) {
    r.Visibility = c.vis, r.Visibility1 = c.vis1, r.Action = c.action;
    Skinned s(skin.get(), c.style, c.ex, c.cls);
    s.f->SetShowState(c.maximized ? TFormSkinner::ssMaximized : TFormSkinner::ssNormal);
    s.f->SetActive(c.active);
    EXPECT_EQ(s.f->IsSysButtonVisible(0), c.visible) << "row " << row;
    EXPECT_EQ(s.f->SysButtons()[0]->Visible, c.visible) << "row " << row;
    if (c.enabled >= 0) {
      EXPECT_EQ(s.f->SysButtons()[0]->Enabled, c.enabled == 1) << "row " << row;
    }
    ++row;
  }
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

TEST_F(FormSkinFixture, StatesAndClicksThroughTheTitleBarMouse) {
  using namespace wm;
  const QString sys = QString::number(WM_SYSCOMMAND, 16) + u' ';
  struct Case {
    int action;
    quint32 style;
    int showState;
    const char* posted;  // what the click leaves for the window
  } cases[] = {
      {0, kFull, 0, "f060"}, {1, kFull, 0, "f030"}, {22, kFull, 0, "f030"}, {1, kFull, 1, "f120"},
      {1, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, ""}, {2, kFull, 0, "f020"}, {23, kFull, 2, "f120"},
      {4, kFull, 0, "f180"}, {9, kFull, 0, ""}, {61, kFull, 0, ""}, {3, kFull, 0, ""},
  };
  TDataSkinSysButton& r = Record(0);
  r.Visibility = r.Visibility1 = 0, r.Align = 0, r.Xcoord = r.Ycoord = 2;
  for (const Case& c : cases) {
    r.Action = c.action;
    Skinned s(skin.get(), c.style);
    wm::SendMessage(&s.w, WM_SKINACTIVATE, 0, 1000);
    s.f->SetShowState(c.showState);
    s.f->LayoutSysButtons();
    TWinSysButton* b = s.f->SysButtons()[0];
    const qintptr at = s.At(b->Bounds.center());
    SendMessage(&s.w, WM_NCMOUSEMOVE, HTCAPTION, at);
    EXPECT_EQ(b->State, TNCObject::stHot) << c.action;
    EXPECT_EQ(s.f->HotObject(), b);
    SendMessage(&s.w, WM_NCLBUTTONDOWN, HTCAPTION, at);
    EXPECT_EQ(b->State, TNCObject::stPressed) << c.action;
    SendMessage(&s.w, WM_NCLBUTTONUP, HTCAPTION, at);
    EXPECT_EQ(b->State, TNCObject::stHot) << c.action;
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(s.log.join(u','), c.posted[0] ? sys + QLatin1String(c.posted) : QString()) << c.action;
    EXPECT_EQ(s.f->SystemMenuPopup() && s.f->SystemMenuPopup()->isVisible(), c.action == 3) << c.action;
    if (s.f->SystemMenuPopup()) s.f->SystemMenuPopup()->close();
    SendMessage(&s.w, WM_NCMOUSEMOVE, HTCAPTION, s.At(QPoint(-40, -40)));
    EXPECT_EQ(s.f->HotObject(), nullptr);
    // Maximising lets go of the button without a leave.
    EXPECT_EQ(b->State, QLatin1String(c.posted) == "f030" ? TNCObject::stHot : TNCObject::stNormal) << c.action;
  }
  // Anything other than the window's own actions goes to the window as a button action.
  r.Action = 5;
  Skinned s(skin.get(), kFull);
  wm::SendMessage(&s.w, WM_SKINACTIVATE, 0, 1000);
  s.f->LayoutSysButtons();
  const qintptr on = s.At(s.f->SysButtons()[0]->Bounds.center()), off = s.At(QPoint(-40, -40));
  SendMessage(&s.w, WM_NCLBUTTONDOWN, HTCAPTION, on);
  SendMessage(&s.w, WM_NCLBUTTONUP, HTCAPTION, on);
  // Double clicks: off the buttons maximise, restore when maximised; right click opens the menu.
  SendMessage(&s.w, WM_NCLBUTTONDBLCLK, HTCAPTION, off);
  SendMessage(&s.w, WM_NCLBUTTONDBLCLK, HTCAPTION, off);
  r.Action = 3;
  SendMessage(&s.w, WM_NCLBUTTONDBLCLK, HTCAPTION, on);
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(s.log, QStringList({QString::number(WM_SKINBUTTONACTION, 16) + " 5", sys + "f030", sys + "f120", sys + "f060"}));
  SendMessage(&s.w, WM_NCRBUTTONDOWN, HTCAPTION, off);
  ASSERT_TRUE(s.f->SystemMenuPopup());
  EXPECT_TRUE(s.f->SystemMenuPopup()->isVisible());
  s.f->SystemMenuPopup()->close();
  // An inactive window drops title-bar moves.
  s.f->SetActive(false);
  SendMessage(&s.w, WM_NCMOUSEMOVE, HTCAPTION, on);
  EXPECT_EQ(s.f->HotObject(), nullptr);
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
