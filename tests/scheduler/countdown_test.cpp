// The shutdown countdown on an injected timer, and the main window's power routines.
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>

#include "scheduler/windows/Unit_closepc.h"
#include "scheduler/windows/Unit_main_tamu.h"
#include "tests/scheduler/schedulerfixture.h"

TEST(Countdown, ThirtyTicksToOneRequestThenOnceAMinute) {
  orvane::RecordingPower power;
  auto* w = new TForm_closepc(TForm_closepc::Action::Shutdown, power);
  w->Timer1.stop();  // the test drives the ticks
  EXPECT_EQ(QStringList({w->caption(), w->Label1->text(), w->Label2->text(), w->Label3->text(), w->Button1->text()}),
            QStringList({"关机提示：", "计算机将在", "30", "秒后自动关机。", "取消关机"}));
  EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
  for (int i = 0; i < 29; ++i) w->Timer1Timer();
  EXPECT_TRUE(power.calls.isEmpty());
  EXPECT_EQ(w->Label2->text(), QStringLiteral("1"));
  w->Timer1Timer();
  EXPECT_EQ(power.calls, QStringList{QStringLiteral("PowerOff")});
  EXPECT_EQ(w->Timer1.interval(), 60000);
  w->Timer1Timer();  // refused: asked again a minute later
  EXPECT_EQ(power.calls.size(), 2);
  EXPECT_EQ(w->Label2->text(), QStringLiteral("-1"));
  w->Button1->click();
  EXPECT_EQ(Form_closepc, nullptr);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(Countdown, CancelAtTickTwentyNineAndTheRebootTexts) {
  orvane::RecordingPower power;
  auto* w = new TForm_closepc(TForm_closepc::Action::Reboot, power);
  w->Timer1.stop();
  EXPECT_EQ(QStringList({w->caption(), w->Label3->text(), w->Button1->text()}),
            QStringList({"重启提示：", "秒后自动重启。", "取消重启"}));
  w->show();
  for (int i = 0; i < 29; ++i) w->Timer1Timer();
  w->Button1->click();
  EXPECT_FALSE(w->Timer1.isActive());
  EXPECT_EQ(Form_closepc, nullptr);
  EXPECT_TRUE(power.calls.isEmpty());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  // Left alone, the reboot window asks for a restart, never a shutdown.
  auto* r = new TForm_closepc(TForm_closepc::Action::Reboot, power);
  r->Timer1.stop();
  for (int i = 0; i < 30; ++i) r->Timer1Timer();
  EXPECT_EQ(power.calls, QStringList{QStringLiteral("Reboot")});
  r->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
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
