#include <QComboBox>
#include <QImage>
#include <QPointer>
#include <QPushButton>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include "audiotools/windows/Unit_findsong.h"
#include "audiotools/windows/Unit_player.h"
#include "audiotools/windows/Unit_recorder.h"
#include "audiotools/windows/Unit_ttsplay.h"
#include "audiotools/windows/audiotools.h"
#include "platform/forms/messageform.h"
#include "platform/media/fakemediabackend.h"
#include "platform/system/passwordhash.h"
#include "scheduler/windows/About.h"
#include "scheduler/windows/Unit_nettime.h"
#include "scheduler/windows/Unit_showtxt.h"
#include "scheduler/windows/Unit_showvideo.h"
#include "scheduler/windows/Unit_testshow.h"
#include "scheduler/windows/Unit_testshowtts.h"
#include "scheduler/windows/Unit_closepc.h"
#include "scheduler/windows/Unit_lbbj.h"
#include "scheduler/windows/Unit_lbch.h"
#include "scheduler/windows/Unit_mm.h"
#include "scheduler/windows/Unit_mmsj.h"
#include "scheduler/windows/Unit_sjbp.h"
#include "scheduler/windows/Unit_sjbp_add.h"
#include "scheduler/windows/Unit_sjbp_addmuch.h"
#include "scheduler/windows/Unit_sjbp_edit.h"
#include "scheduler/windows/Unit_sjsj.h"
#include "scheduler/windows/Unit_sysj.h"
#include "tests/scheduler/modalhelper.h"
#include "tests/scheduler/settingsfixture.h"
#include "tests/support/windowcheck.h"

namespace {

// A window, the owner the program gives it (null: none), and its states after the first.
struct Case {
  const char* name;
  QWidget* owner;
  std::function<orvane::Form*()> make;
};

// Brings a window into its next state; false when it has no more.
bool nextState(orvane::Form* form, int step) {
  if (auto* map = qobject_cast<TForm_sjsj*>(form); map && step < 3) {
    (step == 1 ? map->RadioButton2 : map->RadioButton1)->click();
    return true;
  }
  if (auto* d = qobject_cast<EntryDialog*>(form); d && step < d->ComboBox_jmlx->count()) {
    d->ComboBox_jmlx->setCurrentIndex(step);
    emit d->ComboBox_jmlx->activated(step);
    return true;
  }
  if (auto* net = qobject_cast<TForm_nettime*>(form); net && step == 1) {
    net->Button2->click();  // no clock control here: the failure shows at once
    return true;
  }
  if (auto* main = qobject_cast<TForm_main_tamu*>(form); main && step == 1) {
    main->ShowLogout(true);
    main->N3Click();  // the longest play state: a trial
  }
  return step < 2 && (step == 0 || qobject_cast<TForm_main_tamu*>(form));
}

class WindowsTest : public SettingsFixture, public testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    if (GetParam() > 0) {
      QFont larger = defaultFont_;
      larger.setPointSize(GetParam());
      QApplication::setFont(larger);
    }
    SettingsFixture::SetUp();
    set("canchannel", QStringLiteral("1"));
    const QString schedule = QStringLiteral("春季学期作息时间表");
    useWeekdaySchedule(QStringLiteral("Wednesday"), schedule);
    addEntry({"起床音乐", "07:00:00", "07:20:45", 1, "00:20:45", schedule});
    notice_ = addEntry({"广播通知", "20:45:10", "20:49:59", 1, "00:04:49", schedule, "待播", "", "副通道", 100});
    openMainWindow();
    window->show();
    AudioToolsContext tools;
    tools.media = &media;
    tools.dm = &windowDm;
    tools.state = &window->state();
    InstallAudioTools(tools);
  }
  void TearDown() override {
    // Owned windows go with their owner, and so does the main window's video window.
    QList<QPointer<QWidget>> made;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w != window.get() && w != Form_showvideo && !w->parentWidget() && qobject_cast<orvane::Form*>(w)) made << w;
    for (const QPointer<QWidget>& w : made) delete w.data();
    SettingsFixture::TearDown();
    AudioTools() = {};
    QApplication::setFont(defaultFont_);
  }
  // The video window is not among them: a frameless full-screen picture with no text of its own.
  std::vector<Case> cases() {
    TForm_main_tamu* main = window.get();
    auto* manager = new TForm_sjbp(windowDm, main->state(), services, clock, main);
    const EntryDialogContext context{windowDm, services, clock, true};
    auto* dialog = new TForm_sjbp_add(context, manager);
    const QString list = home.file(QStringLiteral("pl3/早操251205071500.pl3"));
    auto* player = new TForm_player;
    return {
        {"main window", nullptr, [main] { return main; }},
        {"schedule manager", main, [manager] { return manager; }},
        {"day map", main, [=, this] { return new TForm_sjsj(windowDm, clock, main); }},
        {"password prompt", main, [=, this] { return new TForm_mm(windowDm, main->state(), {}, main); }},
        {"password setting", main, [=, this] { return new TForm_mmsj(windowDm, main->state(), {}, main); }},
        {"settings", main, [=, this] { return new TForm_sysj(windowDm, *main, autostart.get(), main); }},
        {"entry dialog (add)", manager, [dialog] { return dialog; }},
        {"entry dialog (edit)", manager, [=, this] { return new TForm_sjbp_edit(context, 1, manager); }},
        {"batch entry dialog", manager, [=, this] { return new TForm_sjbp_addmuch(context, manager); }},
        {"song-list editor", dialog,
         [=, this] {
           auto* editor = new TForm_lbbj(dialog);
           editor->Label2->setText(QStringLiteral("（歌曲列表文件：") + list + QStringLiteral("）"));
           return editor;
         }},
        {"song-list window", main,
         [=, this] { return new TForm_lb(testing_support::writeFile(list, "/music/a.mp3\r\n"), main); }},
        {"network time", main, [=, this] { return new TForm_nettime(services.clockControl, main); }},
        {"entry text", main,
         [=, this] { return new TForm_showtxt(windowDm, QString::number(notice_), QStringLiteral("广播通知"), main); }},
        {"tips", nullptr, [this] { return new TForm_syfa(windowDm); }},
        {"speech tip", main, [=, this] { return new TForm_testshowtts(windowDm, main); }},
        {"about box", nullptr, [this] { return new TAboutFrm(windowDm, services.shell); }},
        {"shutdown countdown", main, [=, this] { return new TForm_closepc(TForm_closepc::Action::Shutdown, power, main); }},
        {"song finder", nullptr, [] { return new TForm_findsong({}); }},
        {"player", nullptr, [player] { return player; }},
        {"recorder", player, [player] { return new TForm_recorder(player); }},
        {"speech studio", nullptr, [] { return new TForm_ttsplay; }},
        {"message box", main,
         [main] { return new orvane::TMessageForm(QStringLiteral("密码错误。"), QStringLiteral("错误"), 16, main); }},
    };
  }
  QFont defaultFont_ = QApplication::font();
  int notice_ = 0;
  orvane::FakeMediaBackend media;
};

}  // namespace

// The default font, and the larger one desktops often use.
INSTANTIATE_TEST_SUITE_P(Fonts, WindowsTest, testing::Values(0, 11));

TEST_P(WindowsTest, EveryWindowWithItsOwnerAndItsTextsWholeInEveryState) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    orvane::Form* form = c.make();
    if (c.owner) {
      c.owner->window()->show();
      c.owner->window()->move(40, 30);
    }
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    EXPECT_EQ(form->parentWidget(), c.owner);
    if (c.owner) {
      EXPECT_EQ(form->windowHandle()->transientParent(), c.owner->window()->windowHandle());
      const QRect screen = c.owner->screen()->availableGeometry();
      EXPECT_TRUE(screen.contains(form->frameGeometry()));
      // Centred on the owner, unless the screen's edge holds it back.
      const QPoint off = form->frameGeometry().center() - c.owner->window()->frameGeometry().center();
      if (screen.contains(form->frameGeometry().translated(-off))) {
        EXPECT_LE(off.manhattanLength(), 2);
      }
    }
    const QSize defaultSize = form->size(), minimum = form->minimumSize();
    for (int step = 0; nextState(form, step); ++step) {
      QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
      EXPECT_EQ(form->minimumSize(), minimum) << "state " << step;
      for (bool smallest : {false, true}) {
        if (smallest) testing_support::shrinkToMinimum(form);
        else form->resize(defaultSize);
        QImage picture(form->size(), QImage::Format_ARGB32);
        form->render(&picture);  // drawn offscreen at this size
        EXPECT_EQ(testing_support::cutTexts(form), QStringList())
            << "state " << step << (smallest ? " at the minimum size " : " at the default size ");
      }
    }
  }
}

TEST_P(WindowsTest, PasswordPromptSelectsAWrongEntrySoTheRetypedOneReplacesIt) {
  set("pw", orvane::HashPassword(QStringLiteral("abc")));
  window->state().authorized = false;
  OnNextModal<TForm_mm>([](TForm_mm* prompt) {
    EXPECT_EQ(prompt->parentWidget(), Form_main_tamu) << "over the window that asked";
    QTest::keyClicks(prompt->Edit1, QStringLiteral("abd"));
    QTest::keyClick(prompt->Edit1, Qt::Key_Return);          // to "确定"
    QTest::keyClick(prompt->focusWidget(), Qt::Key_Return);  // presses it: "密码错误。"
    EXPECT_EQ(prompt->focusWidget(), prompt->Edit1);
    EXPECT_EQ(prompt->Edit1->selectedText(), QStringLiteral("abd"));
    QTest::keyClicks(prompt->Edit1, QStringLiteral("abc"));
    QTest::keyClick(prompt->Edit1, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(prompt->focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
  });
  window->ToolButton5Click();
  EXPECT_EQ(boxes.count(QStringLiteral("密码错误。")), 1);
  ASSERT_TRUE(Form_sjbp) << "the right password opens the schedule manager";
  EXPECT_TRUE(Form_sjbp->isVisible());
}
