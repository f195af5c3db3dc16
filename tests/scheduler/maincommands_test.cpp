#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "controls/ExtCtrlsX.h"
#include "controls/faketraybackend.h"
#include "platform/forms/dbgrid.h"
#include "platform/system/passwordhash.h"
#include "scheduler/windows/Unit_mm.h"
#include "scheduler/windows/Unit_sjbp.h"
#include "scheduler/windows/Unit_sjsj.h"
#include "scheduler/windows/Unit_testshowtts.h"
#include "tests/scheduler/modalhelper.h"
#include "tests/scheduler/settingsfixture.h"

namespace {

// Answers every modal window of a kind that shows, for as long as it lives, and counts them.
template <typename W>
class ModalAnswerer {
 public:
  explicit ModalAnswerer(std::function<void(W*)> act) : act_(std::move(act)) {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* w = qobject_cast<W*>(QApplication::activeModalWidget());
      if (!w || !w->isVisible() || w == last_) return;
      last_ = w;
      ++count;
      act_(w);
    });
    timer_.start();
  }
  int count = 0;

 private:
  std::function<void(W*)> act_;
  QTimer timer_;
  QPointer<W> last_;
};

// Answers every password prompt: types the text and presses "确定" (ok) or "取消".
class PromptAnswerer : public ModalAnswerer<TForm_mm> {
 public:
  PromptAnswerer(const QString& text, bool ok)
      : ModalAnswerer<TForm_mm>([this, text, ok](TForm_mm* prompt) {
          if (onPrompt) onPrompt();
          prompt->Edit1->setText(text);
          (ok ? prompt->Button1 : prompt->Button2)->click();
        }) {}
  std::function<void()> onPrompt;
};

class MainCommandsTest : public SettingsFixture {
 protected:
  void SetUp() override {
    SettingsFixture::SetUp();
    useWeekdaySchedule(QStringLiteral("Wednesday"), QStringLiteral("日常"));
  }
  int addRow(const QString& pname, int kind, const QString& slpath, const char* start = "08:00:00",
             const char* end = "08:10:00") {
    const int id = addEntry({pname, QLatin1String(start), QLatin1String(end), kind});
    EXPECT_TRUE(dm.ExecQuery(dm.qry_temp, QStringLiteral("update sjb set slpath=:p where id=:id"), {{":p", slpath}, {":id", id}}));
    return id;
  }
  orvane::db::Query& grid() { return window->core().dm().qry_show; }
  void selectRow(int id) { ASSERT_TRUE(grid().locate(QStringLiteral("id"), id)); }
  void setPassword(const QString& plain) {
    set("pw", orvane::HashPassword(plain));
    window->state().authorized = false;
  }
  // Insertion windows, recorded as they are made (an empty window never shows).
  TForm_main_tamu::InsertWindowFactory factory() {
    return [this] {
      auto w = std::make_unique<orvane::Form>();
      w->setClientSize(200, 100);
      made.push_back(w.get());
      return w;
    };
  }
  orvane::FakeTrayBackend* fakeTray(bool available = true) {
    auto fake = std::make_unique<orvane::FakeTrayBackend>();
    orvane::FakeTrayBackend* area = fake.get();
    area->trayAvailable = available;
    window->TrayIcon1->setBackend(std::move(fake));
    return area;
  }
  std::vector<QPointer<orvane::Form>> made;
};

}  // namespace

TEST_F(MainCommandsTest, TheToolbarTheGridMenuAndTheTrayCarryTheirTexts) {
  set("softtitle", QStringLiteral("钟声"));
  openMainWindow();
  window->show();
  const QList<QToolButton*> buttons{window->ToolButton5, window->ToolButton1, window->ToolButton13, window->ToolButton14,
                                    window->ToolButton2, window->ToolButton4, window->ToolButton3};
  const QStringList texts{"节目表编辑", "设定节目表", "密码设置", "其它设置", "常用乐曲播放", "语音播报", "帮助"};
  // In the toolbar's order; the player and the studio wait for their windows to be handed over.
  for (int i = 0; i < buttons.size(); ++i) {
    EXPECT_EQ(buttons[i]->text(), texts[i]);
    EXPECT_TRUE(buttons[i]->parentWidget() == window->ToolBar1 && buttons[i]->isEnabled() == (i < 4 || i == 6)) << i;
    if (i > 0) { EXPECT_LT(buttons[i - 1]->x(), buttons[i]->x()) << i; }
  }
  QStringList itemTexts;
  for (QAction* a : window->PopupMenu2->actions()) itemTexts << (a->isSeparator() ? QStringLiteral("-") : a->text());
  EXPECT_EQ(itemTexts, QStringList({"手动试播此节目(&H) ", "停止手动试播(&E)", "-", "人工插播音乐(&I)...",
                                    "人工插播语音(&Y)...", "-", "停止自动播音(&P)"}));
  EXPECT_TRUE(window->N8->isCheckable() && !window->N8->isChecked());
  // Without their windows the insertions stay disabled.
  EXPECT_FALSE(window->N6->isEnabled() || window->N9->isEnabled());
  window->setInsertWindows(factory(), factory());
  EXPECT_TRUE(window->N6->isEnabled() && window->N9->isEnabled());
  EXPECT_EQ(window->Label_time->toolTip() + window->Label_exit->text(), QStringLiteral("点击可打开网络校时器注销登陆"));
  EXPECT_TRUE(window->Label_exit->isHidden());
  EXPECT_EQ(window->DBGrid1->contextMenuPolicy(), Qt::CustomContextMenu);
  // The tray icon: offscreen there is no tray, so the icon says it could not be shown.
  TTrayIcon* tray = window->TrayIcon1;
  EXPECT_TRUE(tray->Visible() && !tray->Shown());
  EXPECT_EQ(window->PopupMenu1->actions(), (QList<QAction*>{window->N1, window->N2}));
  EXPECT_EQ(window->N1->text() + window->N2->text(), QStringLiteral("显示主窗口退出"));
  orvane::FakeTrayBackend* area = fakeTray();
  EXPECT_TRUE(tray->Shown() && area->menu == window->PopupMenu1);
  EXPECT_EQ(tray->Hint() + area->last.tip, QStringLiteral("钟声 V5.11钟声 V5.11"));
}

TEST_F(MainCommandsTest, ATrialDisablesInsertionAndStopAndTheToolbarRefuses) {
  const int id = addRow(QStringLiteral("试听"), 5, QStringLiteral("http://127.0.0.1:8000/live"), "09:00:00", "09:10:00");
  openMainWindow();
  window->setInsertWindows(factory(), factory());
  selectRow(id);
  auto enabled = [&] {
    QString out;
    for (QAction* a : {window->N3, window->N4, window->N6, window->N8, window->N9}) out += a->isEnabled() ? '1' : '0';
    return out;
  };
  window->N3->trigger();
  EXPECT_EQ(window->Label_state->text(), QStringLiteral("自动播音暂停，试播中．．．"));
  EXPECT_EQ(enabled(), QStringLiteral("11000"));
  for (QToolButton* b : {window->ToolButton5, window->ToolButton1, window->ToolButton13, window->ToolButton14,
                         window->ToolButton2, window->ToolButton4})
    b->click();
  EXPECT_EQ(boxes.count(QStringLiteral("请先退出试播状态再来操作。")), 6);
  EXPECT_EQ(lastBox(), QStringLiteral("请先退出试播状态再来操作。|提示|0"));
  EXPECT_TRUE(Form_sjbp == nullptr && Form_sjsj == nullptr && made.empty());
  window->N4->trigger();
  EXPECT_TRUE(window->Label_state->text().isEmpty() && window->state().playstate == PlayState::Auto);
  EXPECT_EQ(enabled(), QStringLiteral("11111"));
  // Stop and resume: the check mark, the state line, the next-entry line.
  window->N8->trigger();
  EXPECT_TRUE(window->N8->isChecked() && window->state().playstate == PlayState::StopPlay);
  EXPECT_EQ(window->Label_state->text() + window->Label_jmpname->text(), QStringLiteral("自动播音停止！"));
  window->N8->trigger();
  EXPECT_FALSE(window->N8->isChecked());
  EXPECT_EQ(window->Label_state->text() + window->Label_jmpname->text(), QStringLiteral("下一个要播放的节目为 <试听>"));
}

TEST_F(MainCommandsTest, ClosingAsksTheQuestionOrThePasswordOnce) {
  openMainWindow();
  window->show();
  // A second request while the question is up (the tray's "退出") asks nothing more.
  boxes.queueAnswer(orvane::mb::IDNO);
  boxes.onAsk([this](const orvane::MessageBoxRequest&) { window->N2->trigger(); });
  window->close();
  boxes.onAsk({});
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(onlyBox(), QStringLiteral("是否要关闭软件?|提示|292"));
  // A password set and not entered: the prompt instead of the question.
  setPassword(QStringLiteral("abc"));
  boxes.clear();
  {
    PromptAnswerer cancel(QStringLiteral("abc"), false);
    cancel.onPrompt = [this] { window->close(); };  // a second request behind the prompt
    window->close();
    EXPECT_EQ(cancel.count, 1);
  }
  EXPECT_TRUE(window->isVisible());
  {
    PromptAnswerer wrong(QStringLiteral("abd"), true);
    // A wrong password keeps the prompt up: the answerer then gives up through Escape.
    QTimer::singleShot(200, [] {
      if (auto* prompt = qobject_cast<TForm_mm*>(QApplication::activeModalWidget())) prompt->Button2Click();
    });
    window->close();
  }
  EXPECT_TRUE(window->isVisible() && boxes.wasAsked(QStringLiteral("密码错误。")));
  PromptAnswerer ok(QStringLiteral("abc"), true);
  window->close();
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(boxes.wasAsked(QStringLiteral("是否要关闭软件?"))) << "the password closes at once";
}

TEST_F(MainCommandsTest, InsertionsShowTheirWindowModallyAndTheToolbarANewOneEachTime) {
  openMainWindow();
  window->show();
  QWidget* shownParent = window.get();
  window->setInsertWindows(factory(), factory());
  QString caption;
  OnNextModal<orvane::Form>([&](orvane::Form* w) {
    caption = w->caption() + window->Label_state->text();
    shownParent = w->parentWidget();
    EXPECT_TRUE(w->isModal());
    w->close();
  });
  window->N6->trigger();
  EXPECT_EQ(caption, QStringLiteral("媒体播放器(人工插播)自动播音暂停，插播中．．．"));
  EXPECT_TRUE(shownParent == nullptr && window->Label_state->text().isEmpty() && window->state().playstate == PlayState::Auto);
  OnNextModal<orvane::Form>([&](orvane::Form* w) {
    caption = w->caption();
    w->close();
  });
  window->N8->trigger();
  window->N9->trigger();
  EXPECT_EQ(caption + window->Label_state->text(), QStringLiteral("语音播报(人工插播)自动播音停止！"));
  EXPECT_TRUE(window->N8->isChecked());
  // The toolbar's player and studio: a new window each click, not modal, without owner.
  made.clear();
  for (QToolButton* b : {window->ToolButton2, window->ToolButton4, window->ToolButton2}) b->click();
  ASSERT_EQ(made.size(), 3u);
  for (auto& w : made) EXPECT_TRUE(w && w->isVisible() && !w->isModal() && !w->parentWidget());
  EXPECT_EQ(made[1]->caption(), QStringLiteral("语音播报(手动播报)"));
  EXPECT_NE(made[0], made[2]);
  for (auto& w : made) delete w.data();
}

TEST_F(MainCommandsTest, TheSpeechTipComesBeforeTheStudioWhileItIsOn) {
  set("volume2", QStringLiteral("1"));
  openMainWindow();
  window->setInsertWindows(factory(), factory());
  bool tipFirst = false;
  QWidget* tipOwner = nullptr;
  OnNextModal<TForm_testshowtts>([&](TForm_testshowtts* tip) {
    tipFirst = made.empty();
    tipOwner = tip->parentWidget();
    tip->close();
  });
  window->ToolButton4->click();
  EXPECT_TRUE(tipFirst && tipOwner == window.get());
  ASSERT_EQ(made.size(), 1u);
  EXPECT_TRUE(made[0]->isVisible());
  delete made[0].data();
}
