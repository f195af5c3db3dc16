#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "platform/db/connection.h"
#include "scheduler/core/daymap.h"
#include "scheduler/windows/Unit_main_tamu.h"
#include "scheduler/windows/Unit_sjsj.h"
#include "tests/scheduler/schedulerfixture.h"

namespace {

class DayMapWindow : public SchedulerFixture {
 protected:
  void SetUp() override {
    SchedulerFixture::SetUp();
    for (const char* s : {"日常", "周末", "考试"}) addEntry({"铃", "08:00:00", "08:01:00", 1, "00:01:00", QString::fromUtf8(s)});
  }
  void TearDown() override {
    for (auto& w : windows)
      if (w) delete w.data();
  }
  TForm_sjsj* open(TDataModule1& on) {
    auto* w = new TForm_sjsj(on, clock);
    w->show();
    windows.append(w);
    return w;
  }
  TForm_sjsj* open() { return open(dm); }
  QString day(const QString& rj) { return DayMap::GetDaySchedule(dm, rj); }
  QStringList holidays() {
    QStringList out;
    dm.QueryToStrings(dm.qry_temp, QStringLiteral("select holiday from holiday order by holiday"), out);
    return out;
  }
  QList<QPointer<TForm_sjsj>> windows;
};
}  // namespace

TEST_F(DayMapWindow, LoadsBothPagesAndShowsTheStoredMode) {
  dm.SetSetting(QStringLiteral("Monday"), QStringLiteral("日常"));
  dm.SetSetting(QStringLiteral("Friday"), QStringLiteral("周末"));
  dm.SetSetting(QStringLiteral("Sunday"), QStringLiteral("已删除的表"));
  dm.ExecQuery(dm.qry_temp, QStringLiteral("update rjb set sjb='考试' where rj='15'"));
  dm.ExecQuery(dm.qry_temp, QStringLiteral("delete from rjb where rj='31'"));
  dm.SetSetting(QStringLiteral("volume4"), QStringLiteral("0"));
  TForm_sjsj* w = open();
  EXPECT_EQ(w->caption(), QStringLiteral("节目表设定"));
  ASSERT_TRUE(w->weekdayLists.size() == 7 && w->dayLists.size() == 31);
  for (QComboBox* box : w->weekdayLists + w->dayLists) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items.append(box->itemText(i));
    std::sort(items.begin(), items.end() - 1);
    EXPECT_TRUE(!box->isEditable() && items == QStringList({"周末", "日常", "考试", "无"}));
  }
  // Sunday's schedule has no entries and the 31st has no row: nothing is chosen for them.
  EXPECT_EQ(QStringList({w->weekdayLists[0]->currentText(), w->weekdayLists[1]->currentText(),
                         w->weekdayLists[4]->currentText(), w->weekdayLists[6]->currentText(),
                         w->dayLists[14]->currentText(), w->dayLists[0]->currentText(), w->dayLists[30]->currentText()}),
            QStringList({"日常", "无", "周末", "", "考试", "无", ""}));
  EXPECT_TRUE(w->RadioButton1->isChecked() && w->Panel1->isVisible() && !w->Panel2->isVisible());
  EXPECT_EQ(w->DateTimePicker1->date(), QDate(2024, 5, 1));
  w->RadioButton2->click();
  EXPECT_TRUE(!w->Panel1->isVisible() && w->Panel2->isVisible());
  w->dayLists[0]->setCurrentIndex(0);
  w->close();
  EXPECT_EQ(dm.GetSetting(QStringLiteral("volume4")) + day(QStringLiteral("01")), QStringLiteral("0无"));
  // A monthly mode ("1" or anything else but "0") opens on the month page.
  dm.SetSetting(QStringLiteral("volume4"), QStringLiteral("x"));
  TForm_sjsj* m = open();
  EXPECT_TRUE(m->RadioButton2->isChecked() && m->Panel2->isVisible() && !m->Panel1->isVisible());
  EXPECT_TRUE(boxes.asked().empty());
}

TEST_F(DayMapWindow, AFailedSaveWritesNothingSaysSoOnceAndStaysOpen) {
  dm.SetSetting(QStringLiteral("volume4"), QStringLiteral("1"));
  TForm_sjsj* w = open();
  for (QComboBox* box : w->dayLists) box->setCurrentText(QStringLiteral("日常"));
  ASSERT_TRUE(dm.connection()->execScript(QStringLiteral(
      "CREATE TRIGGER refuse BEFORE UPDATE ON rjb WHEN new.rj='20' BEGIN SELECT RAISE(ABORT,'refused'); END")));
  w->Button1->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_TRUE(windows.last());
  EXPECT_TRUE(w->isVisible() && !w->wroteDayMap());
  EXPECT_EQ(onlyBox(), QStringLiteral("数据库写入出错!|错误|16"));
  EXPECT_EQ(day(QStringLiteral("01")), QStringLiteral("无")) << "the days before the failure are rolled back";
}

TEST_F(DayMapWindow, HolidaysAreStoredOnceAndDeletedBySelection) {
  dm.ExecQuery(dm.qry_temp, QStringLiteral("insert into holiday values('2024-10-01')"));
  TForm_sjsj* w = open();
  w->DateTimePicker1->setDate(QDate(2025, 1, 2));
  w->Button3->click();
  w->Button3->click();  // the same day again is refused, the list does not change
  w->DateTimePicker1->setDate(QDate(2024, 10, 1));
  w->Button3->click();
  ASSERT_EQ(w->ListBox1->count(), 2);
  EXPECT_EQ(w->ListBox1->item(0)->text() + w->ListBox1->item(1)->text(), QStringLiteral("2024-10-012025-01-02"));
  EXPECT_EQ(holidays(), QStringList({"2024-10-01", "2025-01-02"}));
  w->ListBox1->clearSelection();
  w->Button4->click();
  EXPECT_EQ(onlyBox(), QStringLiteral("先点击选择左边表格中的不播放日期，然后再点“删除”按钮。|提示|0"));
  QTest::mouseClick(w->ListBox1->viewport(), Qt::LeftButton, Qt::NoModifier,
                    w->ListBox1->visualItemRect(w->ListBox1->item(0)).center());
  w->Button4->click();
  ASSERT_EQ(w->ListBox1->count(), 1);
  EXPECT_EQ(holidays(), QStringList{"2025-01-02"});
  EXPECT_TRUE(w->wroteDayMap());
}

TEST_F(DayMapWindow, TodaysHolidayAndTodaysChoiceTakeEffectWhenTheWindowCloses) {
  useWeekdaySchedule(QStringLiteral("Wednesday"), QStringLiteral("日常"));
  TDataModule1 windowDm;
  TForm_main_tamu main(windowDm, clock, services);
  ASSERT_TRUE(main.created());
  // An untouched window leaves the day as it is, even when the table changed meanwhile.
  useWeekdaySchedule(QStringLiteral("Wednesday"), QStringLiteral("周末"));
  open(windowDm)->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(windows.last().isNull() && Form_sjsj == nullptr);
  EXPECT_EQ(main.Label_sjb->text(), QStringLiteral("日常"));
  // A holiday for today: the day becomes the holiday as soon as the window closes.
  TForm_sjsj* w = open(windowDm);
  w->Button3->click();
  w->close();
  EXPECT_EQ(main.Label_sjb->text() + main.Label_jmpname->text(), QStringLiteral("不播音日期今天为不播音日期"));
  // Choosing "无" for today's weekday, with the holiday gone, leaves the day empty.
  dm.ExecQuery(dm.qry_temp, QStringLiteral("delete from holiday"));
  w = open(windowDm);
  w->RadioButton1->click();
  w->weekdayLists[2]->setCurrentText(QStringLiteral("无"));
  w->Button1->click();
  EXPECT_EQ(main.Label_sjb->text() + main.Label_shu->text(), QStringLiteral("无（共0条）"));
  EXPECT_TRUE(main.state().todayentries.front().isDummy());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
