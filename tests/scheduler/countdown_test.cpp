#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>

#include "scheduler/windows/Unit_closepc.h"
#include "scheduler/windows/Unit_main_tamu.h"
#include "tests/scheduler/schedulerfixture.h"

TEST(Countdown, ThirtyTicksToOneRequestThenOnceAMinuteOrACancelAtTickTwentyNine) {
  using A = TForm_closepc::Action;
  const struct {
    A action;
    QStringList texts;  // caption, Label1, Label2, Label3, Button1
    const char* request;
  } cases[] = {{A::Shutdown, {"关机提示：", "计算机将在", "30", "秒后自动关机。", "取消关机"}, "PowerOff"},
               {A::Reboot, {"重启提示：", "计算机将在", "30", "秒后自动重启。", "取消重启"}, "Reboot"}};
  for (const auto& c : cases) {
    orvane::RecordingPower power;
    auto* w = new TForm_closepc(c.action, power);
    w->Timer1.stop();  // the test drives the ticks
    EXPECT_EQ(QStringList({w->caption(), w->Label1->text(), w->Label2->text(), w->Label3->text(), w->Button1->text()}),
              c.texts);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
    for (int i = 0; i < 29; ++i) w->Timer1Timer();
    EXPECT_TRUE(power.calls.isEmpty() && w->Label2->text() == QStringLiteral("1"));
    w->Timer1Timer();
    EXPECT_EQ(power.calls, QStringList{QLatin1String(c.request)});
    EXPECT_EQ(w->Timer1.interval(), 60000);
    w->Timer1Timer();  // refused: asked again a minute later
    EXPECT_TRUE(power.calls.size() == 2 && w->Label2->text() == QStringLiteral("-1"));
    w->Button1->click();
    EXPECT_EQ(Form_closepc, nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // Cancelled at tick 29: nothing asked, the timer stopped.
    power.calls.clear();
    w = new TForm_closepc(c.action, power);
    w->Timer1.stop();
    w->show();
    for (int i = 0; i < 29; ++i) w->Timer1Timer();
    w->Button1->click();
    EXPECT_TRUE(!w->Timer1.isActive() && Form_closepc == nullptr && power.calls.isEmpty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

TEST_F(SchedulerFixture, PowerRoutinesActAtOnceOrShowOneCountdown) {
  TDataModule1 windowDm;
  TForm_main_tamu w(windowDm, clock, services);
  ASSERT_TRUE(w.created());
  windowDm.SetSetting(QStringLiteral("shutdownhint"), QStringLiteral("0"));
  w.ShutdownPC();
  w.RebootPC();
  EXPECT_EQ(power.calls, (QStringList{QStringLiteral("PowerOff"), QStringLiteral("Reboot")}));
  windowDm.SetSetting(QStringLiteral("shutdownhint"), QStringLiteral("1"));
  w.RebootPC();
  ASSERT_NE(Form_closepc, nullptr);
  TForm_closepc* first = Form_closepc;
  EXPECT_EQ(first->action(), TForm_closepc::Action::Reboot);
  EXPECT_FALSE(first->isModal());
  w.ShutdownPC();
  EXPECT_EQ(Form_closepc, first) << "a further due action while the countdown is open does nothing";
  first->Timer1.stop();
  first->close();
  EXPECT_EQ(power.calls.size(), 2);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
