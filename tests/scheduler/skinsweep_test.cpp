// The skin over the whole program: with the switch on every window, as the program opens it,
// is skinned once (it answers the skinned query); switching off leaves none of the engine's
// skinners, procedure links or timers behind. The table covers every TForm_ class the window
// headers declare (the build greps them).
//
// Each skinned window is also written as a picture for review, see-through pixels left
// transparent: skinsweep_<class>.png in the folder named by the environment variable
// ORVANE_SKIN_SHOTS, else in the test's working folder (CTest runs it in its build folder).
#include <QDir>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include "audiotools/windows/Unit_findsong.h"
#include "audiotools/windows/Unit_player.h"
#include "audiotools/windows/Unit_recorder.h"
#include "audiotools/windows/Unit_ttsplay.h"
#include "platform/forms/messageform.h"
#include "platform/wm/windowdata.h"
#include "scheduler/windows/About.h"
#include "scheduler/windows/Unit_closepc.h"
#include "scheduler/windows/Unit_lbbj.h"
#include "scheduler/windows/Unit_lbch.h"
#include "scheduler/windows/Unit_mm.h"
#include "scheduler/windows/Unit_mmsj.h"
#include "scheduler/windows/Unit_nettime.h"
#include "scheduler/windows/Unit_showtxt.h"
#include "scheduler/windows/Unit_showvideo.h"
#include "scheduler/windows/Unit_sjbp.h"
#include "scheduler/windows/Unit_sjbp_add.h"
#include "scheduler/windows/Unit_sjbp_addmuch.h"
#include "scheduler/windows/Unit_sjbp_edit.h"
#include "scheduler/windows/Unit_sjsj.h"
#include "scheduler/windows/Unit_sysj.h"
#include "scheduler/windows/Unit_testshow.h"
#include "scheduler/windows/Unit_testshowtts.h"
#include "skin/FormSkinner.h"
#include "skin/WinSkinData.h"
#include "skin/WinSkinForm.h"
#include "skin/WinSkinStore.h"
#include "tests/scheduler/settingsfixture.h"

namespace {

using orvane::skin::SkinManager;

// The window as the screen shows it, outside its region transparent, written for review.
void WriteForReview(orvane::Form* f) {
  QImage img(f->size(), QImage::Format_ARGB32_Premultiplied);
  const QRegion shown = f->mask().isEmpty() ? QRegion(f->rect()) : f->mask();
  img.fill(Qt::transparent), f->render(&img, shown.boundingRect().topLeft(), shown);
  const QString dir = qEnvironmentVariableIsSet("ORVANE_SKIN_SHOTS") ? qEnvironmentVariable("ORVANE_SKIN_SHOTS") : QDir::currentPath();
  const QString name = QString::fromLatin1(f->metaObject()->className()).section(QLatin1String("::"), -1);
  EXPECT_TRUE(img.save(QDir(dir).filePath(QStringLiteral("skinsweep_%1.png").arg(name))));
}

class SkinSweepTest : public SettingsFixture {
 protected:
  void SetUp() override {
    SettingsFixture::SetUp();
    services.skinPackage = QStringLiteral(":/skin/default.skn");
    entry_ = addEntry({QStringLiteral("广播通知"), "20:45:10", "20:49:59", 1, "00:04:49", QStringLiteral("日常")});
  }
  void TearDown() override {
    for (const QPointer<orvane::Form>& f : made_)
      if (f && f.data() != window.get() && f.data() != Form_showvideo) delete f.data();
    SettingsFixture::TearDown();
  }

  // Every window of the program, opened as the program opens it.
  std::vector<orvane::Form*> openEveryWindow() {
    TForm_main_tamu* main = window.get();
    auto* manager = new TForm_sjbp(windowDm, main->state(), services, clock, main);
    const EntryDialogContext context{windowDm, services, clock, true};
    auto* dialog = new TForm_sjbp_add(context, manager);
    auto* player = new TForm_player;
    const QString list = home.file(QStringLiteral("pl3/a.pl3"));
    std::vector<orvane::Form*> forms = {
        main, Form_showvideo, manager, dialog, player, new TForm_recorder(player),
        new TForm_sjsj(windowDm, clock, main), new TForm_mm(windowDm, main->state(), {}, main),
        new TForm_mmsj(windowDm, main->state(), {}, main), new TForm_sysj(windowDm, *main, autostart.get(), main),
        new TForm_sjbp_edit(context, entry_, manager), new TForm_sjbp_addmuch(context, manager), new TForm_lbbj(dialog),
        new TForm_lb(testing_support::writeFile(list, "/music/a.mp3\r\n"), main),
        new TForm_nettime(services.clockControl, main), new TForm_showtxt(windowDm, QString::number(entry_), QStringLiteral("广播通知"), main),
        new TForm_syfa(windowDm), new TForm_testshowtts(windowDm, main), new TAboutFrm(windowDm, services.shell),
        new TForm_closepc(TForm_closepc::Action::Shutdown, power, main), new TForm_findsong({}), new TForm_ttsplay,
        new orvane::TMessageForm(QStringLiteral("密码错误。"), QStringLiteral("错误"), 16, main)};
    for (orvane::Form* f : forms) {
      made_ << f;
      f->show();
    }
    return forms;
  }

  QList<QPointer<orvane::Form>> made_;
  int entry_ = 0;
};

TEST_F(SkinSweepTest, EveryWindowIsSkinnedWhenOnAndBareWhenOff) {
  openMainWindow();
  window->show();
  ASSERT_TRUE(testing_support::waitUntil([&] { return window->SXSkin1->IsLoaded(); }, 5000));
  ASSERT_TRUE(window->SXSkin1->Active());  // "canuseskin" is "1" on a fresh home
  ASSERT_FALSE(window->SXSkin1->SkinLoading());
  const std::vector<orvane::Form*> forms = openEveryWindow();

  QStringList declared = QStringLiteral(ORVANE_WINDOW_CLASSES).split(u' ', Qt::SkipEmptyParts), covered;
  for (orvane::Form* f : forms)
    if (QString name = QString::fromLatin1(f->metaObject()->className()); name.startsWith(QLatin1String("TForm_")))
      covered << name;
  declared.sort();
  covered.sort();
  covered.removeDuplicates();
  EXPECT_EQ(covered, declared);

  std::map<orvane::Form*, QSize> clients;  // skinned: the skin's frame, margins and region around the same client
  auto skinned = [&](orvane::Form* f) {
    const auto s = [f] { return dynamic_cast<orvane::skin::TFormSkinner*>(SkinManager->FindSkinForm(f)); };
    ASSERT_TRUE(testing_support::waitUntil([&] { return s() && s()->Activated(); }, 3000));
    const QMargins b = s()->Borders() + QMargins(0, s()->MenuBarHeight(), 0, 0);
    EXPECT_TRUE(orvane::wm::HasOwnNonClient(f) && f->contentsMargins() == b && f->mask().isEmpty() == b.isNull());
    EXPECT_EQ(clients.emplace(f, f->contentsRect().size()).first->second, f->contentsRect().size());
  };
  for (orvane::Form* f : forms) {
    SCOPED_TRACE(f->metaObject()->className());
    EXPECT_TRUE(QTest::qWaitForWindowExposed(f));
    skinned(f);
    EXPECT_EQ(orvane::wm::SendMessage(f, orvane::skin::WM_SKINQUERY), 1);
    WriteForReview(f);
  }

  window->SetSkinActive(false);  // as the settings window switches it
  ASSERT_TRUE(testing_support::waitUntil([&] { return SkinManager->Forms().isEmpty() && !SkinManager->ActionTimer().isActive(); }, 3000));
  for (orvane::Form* f : forms) {
    SCOPED_TRACE(f->metaObject()->className());
    EXPECT_EQ(orvane::wm::SendMessage(f, orvane::skin::WM_SKINQUERY), 0);
    const orvane::wm::WindowData* d = orvane::wm::FindData(f);
    EXPECT_TRUE(!d || d->links.empty());
    int skinTimers = 0;
    for (QTimer* t : f->findChildren<QTimer*>())
      for (QObject* o = t->parent(); o && o != f; o = o->parent())
        if (dynamic_cast<orvane::skin::TWinSkinForm*>(o)) ++skinTimers;
    EXPECT_EQ(skinTimers, 0);
    EXPECT_TRUE(!orvane::wm::HasOwnNonClient(f) && f->mask().isEmpty() && f->contentsRect().size() == clients[f]);
  }
  window->SetSkinActive(true);
  for (orvane::Form* f : forms) skinned(f);
}

// A missing package and one that is no skin: logged, the switch stays on, no window skinned,
// and the dispatcher ticks on.
TEST_F(SkinSweepTest, AnUnreadableSkinIsLoggedAndTheNativeLookStays) {
  testing_support::LoggedMessages warnings{nullptr, QtWarningMsg};
  for (const char* content : {static_cast<const char*>(nullptr), "no skin package"}) {
    warnings.lines.clear();
    services.skinPackage = home.file(QStringLiteral("broken.skn"));
    if (content) testing_support::writeFile(services.skinPackage, content);
    openMainWindow();
    window->show();
    ASSERT_TRUE(testing_support::waitUntil([&] { return window->SXSkin1->IsLoaded(); }, 5000));
    QTest::qWait(400);  // past the switch's delay
    EXPECT_TRUE(window->SXSkin1->Active());
    EXPECT_FALSE(SkinManager->FindSkinForm(window.get()));
    EXPECT_EQ(orvane::wm::SendMessage(window.get(), orvane::skin::WM_SKINQUERY), 0);
    EXPECT_TRUE(window->dispatcher().running());
    EXPECT_EQ(warnings.lines.filter(services.skinPackage).size(), 1) << warnings.lines.join(u'\n').toStdString();
    window.reset();
  }
}

}  // namespace
