// The skin over the whole program: with the switch on every window, as the program opens it,
// is skinned once (it answers the skinned query); switching off leaves none of the engine's
// skinners, procedure links or timers behind. The table covers every TForm_ class the window
// headers declare (the build greps them).
//
// Each skinned window is also written as a picture for review, see-through pixels left
// transparent: skinsweep_<class>.png in the folder named by the environment variable
// ORVANE_SKIN_SHOTS, else in the test's working folder (CTest runs it in its build folder).
#include <QCheckBox>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <map>
#include <set>

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

  // The main window shown, its skin package read.
  void showMainWindow() {
    openMainWindow();
    window->show();
    ASSERT_TRUE(testing_support::waitUntil([&] { return window->SXSkin1->IsLoaded(); }, 5000));
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

// The title-bar buttons the operator can use, as bits: close 1, minimise 2, maximise 4.
enum : int { Close = 1, Min = 2, Max = 4, Sizeable = 8, Frameless = 16 };
int usableSkinnedButtons(orvane::Form* f) {
  auto* s = dynamic_cast<orvane::skin::TFormSkinner*>(SkinManager->FindSkinForm(f));
  int usable = 0;
  for (int i = 0; s && i < int(s->SysButtons().size()); ++i) {
    const int action = s->SysButtons()[i]->Record()->Action;  // 0 close, 1 maximise, 2 minimise
    if (action <= 2 && s->IsSysButtonVisible(i) && s->SysButtons()[i]->Enabled)
      usable |= action == 0 ? Close : action == 1 ? Max : Min;
  }
  return usable;
}

// An X property of a window as xprop prints it.
QString xprop(QWidget* w, const char* property) {
  QProcess p;
  p.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(w->winId()), QLatin1String(property)});
  p.waitForFinished(5000);
  return QString::fromLatin1(p.readAllStandardOutput());
}

TEST_F(SkinSweepTest, EveryWindowIsSkinnedWhenOnAndBareWhenOff) {
  ASSERT_NO_FATAL_FAILURE(showMainWindow());
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

// Clicking once on a section of a time field and typing its digits sets it, and typing goes on
// to the next sections: in every time field of the entry dialogs and the settings, skin on and off.
TEST_F(SkinSweepTest, OneClickOnASectionAndTypingSetsTheTimeFields) {
  ASSERT_NO_FATAL_FAILURE(showMainWindow());
  const EntryDialogContext context{windowDm, services, clock, true};
  auto* settings = new TForm_sysj(windowDm, *window, autostart.get(), window.get());
  const std::vector<orvane::Form*> forms = {new TForm_sjbp_add(context, window.get()),
                                            new TForm_sjbp_edit(context, entry_, window.get()),
                                            new TForm_sjbp_addmuch(context, window.get()), settings};
  made_.append({forms.begin(), forms.end()});
  // The section clicked (0 hours, 1 minutes, 2 seconds), the keys, the time from 00:00:00.
  const std::tuple<int, const char*, const char*> rows[] = {
      {0, "113400", "11:34:00"}, {1, "0559", "00:05:59"}, {2, "42", "00:00:42"}, {0, "7", "07:00:00"}};
  for (const bool skin : {true, false}) {
    window->SetSkinActive(skin);
    for (orvane::Form* f : forms) {
      f->show();
      f->activateWindow();
      ASSERT_TRUE(testing_support::waitUntil([f] { return QApplication::activeWindow() == f; }));
      for (QCheckBox* b : {settings->CheckBox1, settings->CheckBox5, settings->CheckBox6, settings->CheckBox12})
        if (f == settings && !b->isChecked()) QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2));
      const QList<QTimeEdit*> pickers = f->findChildren<QTimeEdit*>();
      ASSERT_EQ(pickers.size(), f == forms[2] ? 3 : f == settings ? 4 : 2);
      for (QTimeEdit* picker : pickers)
        for (const auto& [section, keys, typed] : rows) {
          SCOPED_TRACE(testing::Message() << f->metaObject()->className() << " " << qPrintable(picker->objectName())
                                          << " skin " << skin << " keys " << keys);
          picker->setTime(QTime(0, 0, 0));
          // Between the section's two digits, where a click leaves the caret.
          auto* field = picker->findChild<QLineEdit*>();
          const int y = field->height() / 2;
          int x = 0;
          while (x < field->width() && field->cursorPositionAt(QPoint(x, y)) != 3 * section + 1) ++x;
          QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(x, y));
          QTest::keyClicks(QApplication::focusWidget(), QLatin1String(keys));
          EXPECT_EQ(picker->time().toString(QStringLiteral("HH:mm:ss")), QLatin1String(typed));
        }
      f->hide();
    }
  }
}

// The play-time overlay is black with blue text, skin on and off.
TEST_F(SkinSweepTest, ThePlayTimeOverlayIsBlackWithBlueText) {
  ASSERT_NO_FATAL_FAILURE(showMainWindow());
  TForm_showvideo* video = Form_showvideo;
  window->state().channelname = kSecondChannel;  // its times show "0:00 / 0:00" while it is idle
  video->show();
  ASSERT_TRUE(testing_support::waitUntil([&] { return SkinManager->FindSkinForm(video); }, 3000));
  QTest::keyClick(video, Qt::Key_S);
  ASSERT_TRUE(video->Panel2->isVisible());
  for (const bool skin : {true, false}) {
    window->SetSkinActive(skin);
    QTest::qWait(400);  // the switch acts on a timer
    const QImage shot = video->Panel2->grab().toImage();
    EXPECT_EQ(shot.pixelColor(1, 1).name(), QStringLiteral("#000000")) << "skin " << skin;
    int blue = 0;
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x)
        if (const QColor c = shot.pixelColor(x, y); c.blue() > 120 && c.red() < 60 && c.green() < 60) ++blue;
    EXPECT_GT(blue, 10) << "skin " << skin;
  }
}

// Each window's frame and title-bar buttons as its Part says, skin on (the skin's buttons the
// operator can use) and off (what the window asks of the window manager, and what the window
// manager allows). No other window of fixed size offers maximising either.
TEST_F(SkinSweepTest, EachWindowsTitleBarButtonsAndFrame) {
  const std::map<QString, int> parts = {
      {"TForm_main_tamu", Sizeable | Close | Min | Max}, {"TForm_player", Close | Min}, {"TForm_recorder", Close},
      {"TForm_showvideo", Frameless}, {"TForm_testshowtts", Close}, {"TAboutFrm", Close}, {"TForm_sysj", Close},
      {"TForm_sjbp_add", Close}, {"TForm_sjbp_edit", Close}, {"TForm_sjbp_addmuch", Close},
      {"orvane::TMessageForm", Close}};
  ASSERT_NO_FATAL_FAILURE(showMainWindow());
  const std::vector<orvane::Form*> forms = openEveryWindow();
  const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
  for (const bool skin : {true, false}) {
    window->SetSkinActive(skin);
    ASSERT_TRUE(testing_support::waitUntil([&] { return SkinManager->Forms().isEmpty() != skin; }, 3000));
    for (orvane::Form* f : forms) {
      const QString name = QString::fromLatin1(f->metaObject()->className());
      SCOPED_TRACE(testing::Message() << qPrintable(name) << " skin " << skin);
      const bool fixed = f->minimumSize() == f->maximumSize();
      const auto part = parts.find(name);
      if (part == parts.end()) {
        EXPECT_FALSE(fixed && skin && (usableSkinnedButtons(f) & Max));
        continue;
      }
      const int want = part->second;
      EXPECT_EQ(fixed, !(want & (Sizeable | Frameless)));
      if (skin) {
        const auto asExpected = [&] { return usableSkinnedButtons(f) == (want & (Close | Min | Max)); };
        EXPECT_TRUE(testing_support::waitUntil(asExpected, 3000)) << usableSkinnedButtons(f);
        continue;
      }
      if (!x11) continue;
      // Motif hints: flags, functions (close 32), decorations (title 8, minimise 32, maximise 64).
      const QStringList hints = xprop(f, "_MOTIF_WM_HINTS").section(u'=', 1).split(u',');
      ASSERT_EQ(hints.size(), 5);
      const uint functions = hints[1].toUInt(nullptr, 16), decorations = hints[2].toUInt(nullptr, 16);
      const int asked = (functions & 32 ? Close : 0) | (decorations & 32 ? Min : 0) | (decorations & 64 ? Max : 0);
      EXPECT_EQ(asked | (decorations & 8 ? 0 : Frameless), want & ~Sizeable);
      if (want & Frameless) continue;
      QString allowed;
      // The window manager names what it allows once it has taken the window in.
      const auto taken = [&] { return (allowed = xprop(f, "_NET_WM_ALLOWED_ACTIONS")).contains("CLOSE"); };
      ASSERT_TRUE(testing_support::waitUntil(taken));
      EXPECT_EQ(allowed.contains(QLatin1String("MAXIMIZE_HORZ")), bool(want & Max));
      EXPECT_EQ(allowed.contains(QLatin1String("ACTION_RESIZE")), bool(want & Sizeable));
    }
  }
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
