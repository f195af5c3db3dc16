// Every window as a desktop user meets it: owned windows carry their owner as transient
// parent and open centred on it, wholly on its screen; every text of every window shows
// whole at the window's default and minimum size; the password prompt selects a wrong entry.
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include "platform/forms/messageform.h"
#include "scheduler/core/passwords.h"
#include "platform/system/passwordhash.h"
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

struct Case {
  const char* name;
  // Makes the window; its owner is the one the program gives it (null: none).
  std::function<orvane::Form*(QWidget** owner)> make;
  // Brings the window into its other states (pages, kinds) one after another; each call
  // returns false once there is none left.
  std::function<bool(orvane::Form*, int step)> state = [](orvane::Form*, int step) { return step == 0; };
};

class WindowsTest : public SettingsFixture {
 protected:
  void SetUp() override {
    SettingsFixture::SetUp();
    ASSERT_TRUE(dm.SetSetting(QStringLiteral("canchannel"), QStringLiteral("1")));
    const QString schedule = QStringLiteral("春季学期作息时间表");
    useWeekdaySchedule(QStringLiteral("Wednesday"), schedule);
    addEntry({QStringLiteral("起床音乐"), "07:00:00", "07:20:45", 1, "00:20:45", schedule});
    addEntry({QStringLiteral("广播通知"), "20:45:10", "20:49:59", 1, "00:04:49", schedule, QStringLiteral("待播"),
              QStringLiteral(""), QStringLiteral("副通道"), 100});
    openMainWindow();
    window->resize(window->sizeHint());
    window->show();
    context.emplace(EntryDialogContext{windowDm, services, clock, true});
  }

  void TearDown() override {
    // Owned windows go with their owner.
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w != window.get() && !w->parentWidget() && qobject_cast<orvane::Form*>(w)) delete w;
    SettingsFixture::TearDown();
  }

  TForm_sjbp* manager() {
    if (!manager_) manager_ = new TForm_sjbp(windowDm, window->state(), services, clock, window.get());
    return manager_;
  }

  std::vector<Case> cases() {
    auto pages = [](orvane::Form* f, int step) {
      auto* map = static_cast<TForm_sjsj*>(f);
      if (step > 2) return false;
      (step == 1 ? map->RadioButton2 : map->RadioButton1)->click();
      return true;
    };
    auto kinds = [](orvane::Form* f, int step) {
      auto* d = static_cast<EntryDialog*>(f);
      if (step >= d->ComboBox_jmlx->count()) return false;
      d->ComboBox_jmlx->setCurrentIndex(step);
      emit d->ComboBox_jmlx->activated(step);
      return true;
    };
    auto* main = window.get();
    return {
        {"main window", [main](QWidget** owner) { *owner = nullptr; return main; },
         [main](orvane::Form*, int step) {
           if (step == 1) {
             main->ShowLogout(true);
             main->N3Click();  // the longest play state: a trial
           }
           return step < 2;
         }},
        {"schedule manager", [this, main](QWidget** owner) { *owner = main; return manager(); }},
        {"day map", [this, main](QWidget** owner) { *owner = main; return new TForm_sjsj(windowDm, clock, main); }, pages},
        {"password prompt", [this, main](QWidget** owner) { *owner = main; return new TForm_mm(windowDm, main->state(), {}, main); }},
        {"password setting",
         [this, main](QWidget** owner) { *owner = main; return new TForm_mmsj(windowDm, main->state(), {}, main); }},
        {"settings",
         [this, main](QWidget** owner) { *owner = main; return new TForm_sysj(windowDm, *main, autostart.get(), main); }},
        {"entry dialog (add)",
         [this](QWidget** owner) { *owner = manager(); return new TForm_sjbp_add(*context, manager()); }, kinds},
        {"entry dialog (edit)",
         [this](QWidget** owner) { *owner = manager(); return new TForm_sjbp_edit(*context, 1, manager()); }, kinds},
        {"batch entry dialog",
         [this](QWidget** owner) { *owner = manager(); return new TForm_sjbp_addmuch(*context, manager()); }, kinds},
        {"song-list editor",
         [this](QWidget** owner) {
           auto* dialog = new TForm_sjbp_add(*context, manager());
           *owner = dialog;
           auto* editor = new TForm_lbbj(dialog);
           const QString path = home.file(QStringLiteral("pl3/早操251205071500.pl3"));
           editor->Label_name->setText(path);
           editor->Label2->setText(QStringLiteral("（歌曲列表文件：") + path + QStringLiteral("）"));
           return editor;
         }},
        {"song-list window",
         [this, main](QWidget** owner) {
           *owner = main;
           const QString path = testing_support::writeFile(home.file(QStringLiteral("早操.pl3")), "/music/a.mp3\r\n");
           return new TForm_lb(path, main);
         }},
        {"shutdown countdown",
         [this, main](QWidget** owner) {
           *owner = main;
           return new TForm_closepc(TForm_closepc::Action::Shutdown, power, main);
         }},
        {"message box",
         [main](QWidget** owner) { *owner = main; return new orvane::TMessageForm(QStringLiteral("密码错误。"), QStringLiteral("错误"), 16, main); }},
        {"long message box",
         [main](QWidget** owner) {
           *owner = main;
           return new orvane::TMessageForm(
               QStringLiteral("您选择了有背景音乐的文本导出，软件将采用录音机的方式录制。请在文本播报结束后手动点击录音机中“停止”按钮结束录音！"),
               QStringLiteral("提示"), 0, main);
         }},
    };
  }

  TForm_sjbp* manager_ = nullptr;
  std::optional<EntryDialogContext> context;
};

}  // namespace

// The default font, and the larger one desktops often use.
class WholeTextsTest : public WindowsTest, public testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    QFont font = defaultFont_;
    if (GetParam() > 0) font.setPointSize(GetParam());
    QApplication::setFont(font);
    WindowsTest::SetUp();
  }
  void TearDown() override {
    WindowsTest::TearDown();
    QApplication::setFont(defaultFont_);
  }
  QFont defaultFont_ = QApplication::font();
};

INSTANTIATE_TEST_SUITE_P(Fonts, WholeTextsTest, testing::Values(0, 11));

TEST_P(WholeTextsTest, EveryWindowShowsItsTextsWholeAtDefaultAndMinimumSize) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    QWidget* owner = nullptr;
    orvane::Form* form = c.make(&owner);
    if (form != window.get()) form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    const QSize defaultSize = form->size();
    for (int step = 0; c.state(form, step); ++step) {
      for (bool minimum : {false, true}) {
        if (minimum) testing_support::shrinkToMinimum(form);
        else form->resize(defaultSize);
        QApplication::processEvents();
        EXPECT_EQ(testing_support::cutTexts(form), QStringList())
            << c.name << " state " << step << (minimum ? " at minimum size " : " at default size ") << form->width()
            << "x" << form->height();
      }
    }
  }
}

TEST_F(WindowsTest, OwnedWindowsStayWithTheirOwnerCentredOnItsScreen) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    QWidget* owner = nullptr;
    orvane::Form* form = c.make(&owner);
    if (!owner) {
      EXPECT_EQ(form->parentWidget(), nullptr);
      continue;
    }
    if (!owner->isVisible()) owner->show();
    owner->window()->move(40, 30);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    EXPECT_EQ(form->parentWidget(), owner);
    EXPECT_TRUE(form->isWindow());
    ASSERT_TRUE(form->windowHandle());
    EXPECT_EQ(form->windowHandle()->transientParent(), owner->window()->windowHandle());
    const QRect screen = owner->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(form->frameGeometry())) << form->frameGeometry().x() << "," << form->frameGeometry().y() << " " << form->frameGeometry().width() << "x" << form->frameGeometry().height() << " min " << form->minimumWidth() << "x" << form->minimumHeight();
    // Centred on the owner, unless the screen's edge holds it back.
    const QPoint off = form->frameGeometry().center() - owner->window()->frameGeometry().center();
    if (screen.contains(form->frameGeometry().translated(-off))) {
      EXPECT_LE(off.manhattanLength(), 2) << off.x() << "," << off.y();
    }
    form->hide();
  }
}

TEST_F(WindowsTest, PasswordPromptSelectsAWrongEntrySoTheRetypedOneReplacesIt) {
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

TEST_F(WindowsTest, DayMapKeepsItsSizeAndSaveButtonAcrossPages) {
  auto* map = new TForm_sjsj(windowDm, clock, window.get());
  map->show();
  testing_support::shrinkToMinimum(map);
  const QRect before = map->Button1->geometry();
  const QSize size = map->size();
  for (QRadioButton* page : {map->RadioButton2, map->RadioButton1, map->RadioButton2}) {
    page->click();
    QApplication::processEvents();
    EXPECT_EQ(map->size(), size);
    EXPECT_EQ(map->Button1->geometry(), before);
  }
}
