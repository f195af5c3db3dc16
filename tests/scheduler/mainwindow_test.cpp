#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <csignal>

#include "platform/files/textfile.h"
#include "platform/forms/dbgrid.h"
#include "platform/forms/messageform.h"
#include "platform/system/endsignals.h"
#include "scheduler/core/instancelock.h"
#include "scheduler/windows/Unit_closepc.h"
#include "scheduler/windows/Unit_main_tamu.h"
#include "tests/scheduler/schedulerfixture.h"
#include "tests/support/filelimits.h"

TEST_F(SchedulerFixture, OnlyTheFirstShowingStartsTheEntryDueNow) {
  useWeekdaySchedule(QStringLiteral("Wednesday"), QStringLiteral("日常"));
  // An external program from 07:00 to 08:00; the fixture's clock says 07:30:00.
  const int id = addEntry({"广播操", "07:00:00", "08:00:00", 7, "01:00:00"});
  TDataModule1 windowDm;
  TForm_main_tamu w(windowDm, clock, services);
  ASSERT_TRUE(w.created());
  EXPECT_EQ(statusOf(id), QStringLiteral("未播"));
  w.show();
  EXPECT_EQ(statusOf(id), QStringLiteral("正播"));
  EXPECT_EQ(w.state().currentid, id);
  // Hidden to the tray and shown again: nothing starts a second time.
  dm.ExecQuery(dm.qry_temp, QStringLiteral("update sjb set status='待播'"));
  w.hide();
  w.show();
  EXPECT_EQ(statusOf(id), QStringLiteral("待播"));
  w.close();
}

TEST_F(SchedulerFixture, UnwritableLogDoesNotStopTheWindow) {
  // A folder in the log's place cannot be appended to, whoever runs the test.
  QDir(home.path()).mkdir(QStringLiteral("log.txt"));
  TDataModule1 windowDm;
  TForm_main_tamu w(windowDm, clock, services);
  EXPECT_TRUE(w.created() && !WriteLog(QStringLiteral("x")));
  boxes.queueAnswer(orvane::mb::IDYES);
  w.close();
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(boxes.asked().size(), 1u) << "nothing but the close question waits for an answer";
  // The operator is told once, from the event loop, that the log cannot be written.
  QCoreApplication::processEvents();
  ASSERT_EQ(boxes.asked().size(), 2u);
  EXPECT_TRUE(boxes.asked().back().text.contains(home.file(QStringLiteral("log.txt"))));
  EXPECT_EQ(boxes.asked().back().caption, QStringLiteral("错误"));
}

// The end takes the application's own loop with it, and that loop's end what waits for it: the
// test runs in a process of its own.
TEST_F(SchedulerFixture, AnEndRequestWhileTheCloseQuestionWaitsEndsTheProgramAsTheOperatorsCloseDoes) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  useWeekdaySchedule(QStringLiteral("Wednesday"), QStringLiteral("日常"));
  const int id = addEntry({"广播操", "07:00:00", "08:00:00", 7, "01:00:00"});
  ASSERT_TRUE(dm.SetSetting(QStringLiteral("canwritelogtxt"), QStringLiteral("1")));
  EXPECT_EXIT(
      {
        TDataModule1 windowDm;
        TForm_main_tamu w(windowDm, clock, services);
        w.show();
        // Real boxes, that wait for a person, and the real signal path.
        orvane::setMessageBoxHandler({});
        orvane::installMessageFormHandler();
        orvane::endsignals::install([&w] { w.EndOnRequest(); });
        bool questionWaited = false;
        QTimer::singleShot(0, &w, [&w] { w.close(); });  // the operator's close: the question opens
        QTimer::singleShot(300, [&] {
          for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<orvane::TMessageForm*>(top))
              questionWaited = box->isVisible() && box->textLabel()->text() == QStringLiteral("是否要关闭软件?");
          ::raise(SIGTERM);  // logout or shutdown
          ::raise(SIGTERM);  // and again
        });
        QTimer::singleShot(8000, [] { QCoreApplication::exit(1); });
        QElapsedTimer took;
        took.start();
        const int rc = QApplication::exec();
        QStringList failed;
        if (!questionWaited) failed << QStringLiteral("the question did not wait");
        if (rc != 0 || took.elapsed() > 5000) failed << QStringLiteral("the question held the end");
        if (w.isVisible()) failed << QStringLiteral("the window stayed");
        if (log().filter(QStringLiteral("关闭软件")).size() != 1) failed << QStringLiteral("not one close line: ") + log().join('|');
        if (statusOf(id) != QStringLiteral("正播")) failed << QStringLiteral("the statuses were not written at the end");
        std::fprintf(stderr, "%s\n", failed.isEmpty() ? "ended as the operator's close does" : qPrintable(failed.join("; ")));
        std::_Exit(failed.isEmpty() ? 0 : 1);
      },
      testing::ExitedWithCode(0), "ended as the operator's close does");
}

TEST(InstanceLockTest, SecondInstanceIsRefusedAndAStaleLockRecovered) {
  testing_support::TempHome home;
  {
    InstanceLock first;
    ASSERT_EQ(first.acquire(), InstanceLock::Result::Acquired);
    InstanceLock second;
    EXPECT_EQ(second.acquire(), InstanceLock::Result::HeldByAnother);
  }
  // A lock file left by a process that no longer exists.
  testing_support::writeFile(InstanceLock::LockPath(), QByteArray("2147483\n") + "orvane\n" +
                                                           QSysInfo::machineHostName().toUtf8() + "\n");
  InstanceLock again;
  EXPECT_EQ(again.acquire(), InstanceLock::Result::Acquired);
}

// A start after a crash on a disk with no room: the lock file left behind (with the dead
// owner's number, or with none) cannot be cleared through a new file, yet nothing else runs;
// the program starts and says what failed, never "already running".
TEST(InstanceLockTest, ALockLeftBehindOnAFullDiskLetsTheProgramStart) {
  for (const QByteArray& left : {QByteArray("2147483\norvane\n") + QSysInfo::machineHostName().toUtf8() + "\n",
                                 QByteArray()}) {
    testing_support::TempHome home;
    testing_support::writeFile(InstanceLock::LockPath(), left);
    InstanceLock lock;
    InstanceLock::Result result;
    {
      testing_support::FileSizeLimit full(1);
      ASSERT_TRUE(full.ok());
      result = lock.acquire();
    }
    EXPECT_EQ(result, InstanceLock::Result::Acquired) << "left: " << left.size() << " bytes";
    EXPECT_FALSE(lock.failure().isEmpty()) << "the missing lock file was not told";
    // And while it runs, a second start is refused.
    InstanceLock second;
    EXPECT_EQ(second.acquire(), InstanceLock::Result::HeldByAnother);
  }
}

namespace {
// Makes a file unwritable for this process, root included (the immutable flag); false when
// the file system or the container does not allow it.
bool makeReadOnly(const QString& path) {
  QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
  if (::geteuid() != 0) return true;
  return QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) == 0;
}
void makeWritable(const QString& path) {
  if (::geteuid() == 0) QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path});
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}
}  // namespace

TEST_F(SchedulerFixture, ReadOnlyDatabaseStillShowsAndPlaysTheDay) {
  useWeekdaySchedule(QStringLiteral("Wednesday"), QStringLiteral("日常"));
  addEntry({"早操", "07:40:00", "07:45:00"});
  addEntry({"已过", "07:00:00", "07:05:00"});
  const QString db = home.file(QStringLiteral("gsk.mdb"));
  dm.con1.reset();  // let go of the file (and checkpoint its journal)
  if (!makeReadOnly(db)) GTEST_SKIP() << "cannot make a file read-only here";
  {
    TDataModule1 windowDm;
    TForm_main_tamu w(windowDm, clock, services);
    EXPECT_TRUE(w.created());
    EXPECT_EQ(w.Label_shu->text(), QStringLiteral("（共2条）"));
    ASSERT_EQ(w.state().todayentries.size(), 2u);
    EXPECT_EQ(w.Label_jmpname->text(), QStringLiteral("下一个要播放的节目为 <早操>"));
  }
  makeWritable(db);
  EXPECT_TRUE(boxes.asked().empty()) << "a read-only database is not a reason to stop or to wait";
  // The statuses it refused are told once, from the event loop.
  QCoreApplication::processEvents();
  ASSERT_EQ(boxes.asked().size(), 1u);
  EXPECT_TRUE(boxes.asked().front().text.contains(db)) << qPrintable(boxes.asked().front().text);
}

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
