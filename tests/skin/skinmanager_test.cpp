// The skin manager: which windows it refuses, and how queued switches replace each other. A
// recording form skinner stands in for the window painter.
#include <gtest/gtest.h>

#include <QDialog>
#include <QFile>
#include <memory>

#include "platform/forms/form.h"
#include "platform/wm/wm.h"
#include "skin/WinSkinStore.h"
#include "tests/support/testsupport.h"

using namespace orvane::skin;
namespace wm = orvane::wm;

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
    QFile f(QString::fromLatin1(DefaultSkinResource));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    skin = std::make_unique<TSXSkin>();
    skin->SetSkinStream(f.readAll());
    ASSERT_TRUE(skin->LoadSkin());
    skin->Loaded();
    ASSERT_TRUE(SkinManager);
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
  std::unique_ptr<TSXSkin> ownSkin;  // an unloaded skin for one window only
  wm::Link answer;
  struct Case {
    const char* what;
    std::function<QWidget*()> make;
    bool skinned;
  };
  const Case cases[] = {
      {"skinning off", [&] { SkinManager->SetOn(false); return form(); }, false},
      {"a Form", [&] { SkinManager->SetOn(true); return form(); }, true},
      {"answers the query", [&] {
         QWidget* w = form();
         answer = wm::Subclass(w, [](wm::Message& m) { m.result = m.msg == WM_SKINQUERY; });
         return w;
       }, false},
      {"already listed", [&] { QWidget* w = form(); SkinManager->AddWindow(w); return w; }, false},
      {"plain child", [&] { auto* c = new QWidget(form()); c->setProperty("vclClass", "#32770"); return c; }, false},
      {"foreign window", [&] { keep.push_back(std::make_unique<QWidget>()); return keep.back().get(); }, false},
      {"foreign dialog box", [&] { keep.push_back(std::make_unique<QDialog>()); return keep.back().get(); }, true},
      {"no area", [&] { QWidget* w = form(); w->resize(0, 0); return w; }, false},
      {"no area, MDI child", [&] {
         QWidget* w = form();
         w->resize(0, 0), w->setProperty("wmExStyle", quint32(wm::WS_EX_MDICHILD));
         return w;
       }, true},
      {"Tag 99", [&] { QWidget* w = form(); w->setProperty("Tag", 99); return w; }, false},
      {"Tag 98", [&] { QWidget* w = form(); w->setProperty("Tag", 98); return w; }, true},
      {"TApplication", [&] { return form("TApplication"); }, false},
      {"render window", [&] { return form("xTTERenderWindow"); }, false},
      {"preview, option on", [&] { return form("TPrintPreview"); }, true},
      {"preview, option off", [&] { skin->Options &= ~SetBit(xoPreview); return form("TPrintPreview"); }, false},
      {"month calendar", [&] { return form("SysMonthCal32"); }, false},
      {"dialog with bit 0x200", [&] {
         keep.push_back(std::make_unique<QDialog>());
         keep.back()->setProperty("wmStyle", quint32(wm::WS_POPUP | 0x200));
         return keep.back().get();
       }, false},
      {"own skin not loaded", [&] {
         QWidget* w = form();
         ownSkin = std::make_unique<TSXSkin>(w);
         ownSkin->SkinFormtype = sfOnlyThisForm;
         SkinManager->RegisterSkin(ownSkin.get());
         return w;
       }, false},
  };
  for (const Case& c : cases) {
    QWidget* w = c.make();
    log.clear();
    EXPECT_EQ(SkinManager->AddWindow(w), c.skinned) << c.what;
    EXPECT_EQ(SkinManager->FindSkinForm(w) != nullptr, c.skinned || std::string(c.what) == "already listed") << c.what;
    if (c.skinned) {
      EXPECT_EQ(log, QStringList{(w->inherits("orvane::Form") ? "InitForm " : "InitWindow ") + wm::GetClassName(w)});
    }
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
