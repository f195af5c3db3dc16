// A fresh home folder with its default database, and helpers to fill schedules.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/files/textfile.h"
#include "platform/msgbox/messagebox.h"
#include "platform/system/power.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/mainunit.h"
#include "scheduler/core/services.h"
#include "tests/support/testsupport.h"

// One message box as "text|caption|flags", so a test checks all three in one line.
inline QString boxLine(const orvane::MessageBoxRequest& r) {
  return r.text + QLatin1Char('|') + r.caption + QLatin1Char('|') + QString::number(r.flags);
}

struct EntryRow {
  QString pname;
  QString starttime;
  QString endtime;
  int jmlx = 1;
  QString tlength = QStringLiteral("00:05:00");
  QString schedule = QStringLiteral("日常");
  QString status = QStringLiteral("待播");
  QVariant statusday = QStringLiteral("");
  QString mainchannel = QStringLiteral("主通道");
  QVariant ivolume = 80;
};

class SchedulerFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    clock.set(QDateTime(QDate(2024, 5, 1), QTime(7, 30, 0)));  // a Wednesday
    ASSERT_TRUE(unit.ConnectDatabase());
  }
  // Inserts one sjb row from its column values (txt empty unless given) and returns its id.
  qint64 insertRow(SqlParams columns) {
    if (std::none_of(columns.begin(), columns.end(), [](const auto& c) { return c.first == QLatin1String("txt"); }))
      columns.append({QStringLiteral("txt"), QStringLiteral("")});
    QStringList names, values;
    for (auto& c : columns) {
      names << c.first;
      values << QLatin1Char(':') + c.first;
      c.first = values.last();
    }
    EXPECT_TRUE(dm.ExecQuery(dm.qry_temp, QStringLiteral("insert into sjb(%1) values(%2)").arg(names.join(','), values.join(',')),
                             columns))
        << qPrintable(dm.qry_temp.lastError());
    dm.OpenQuery(dm.qry_temp, QStringLiteral("select max(id) from sjb"));
    return dm.qry_temp.value(0, 0).toLongLong();
  }
  qint64 addEntry(const EntryRow& r) {
    return insertRow({{"pname", r.pname}, {"starttime", r.starttime}, {"endtime", r.endtime},
                      {"slpath", QStringLiteral("/music/") + r.pname + QStringLiteral(".mp3")}, {"tlength", r.tlength},
                      {"playmode", QStringLiteral("单曲播放")}, {"status", r.status}, {"statusday", r.statusday},
                      {"ivolume", r.ivolume}, {"Schedulen", r.schedule}, {"jmlx", r.jmlx}, {"mainchannel", r.mainchannel}});
  }
  // Gives a row another id (one past the range of an int, say) and returns it.
  qint64 renumber(qint64 id, qint64 to) {
    EXPECT_TRUE(
        dm.ExecQuery(dm.qry_temp, QStringLiteral("update sjb set id=:to where id=:id"), {{":to", to}, {":id", id}}));
    return to;
  }
  QString statusOf(qint64 id) {
    dm.OpenQuery(dm.qry_temp, QStringLiteral("select status from sjb where id=:id"), {{":id", id}});
    return dm.qry_temp.fieldAsString(QStringLiteral("status"));
  }
  // The last message box as boxLine() writes it (empty when none was shown).
  QString lastBox() const { return boxes.asked().empty() ? QString() : boxLine(boxes.asked().back()); }
  // The one message box shown, or how many there were.
  QString onlyBox() const {
    return boxes.asked().size() == 1 ? lastBox() : QStringLiteral("%1 boxes").arg(boxes.asked().size());
  }
  // Columns of one sjb row joined by "|" (id 0: the newest row).
  QString rowText(const QString& columns, qint64 id = 0) {
    const QString which = id ? QString::number(id) : QStringLiteral("(select max(id) from sjb)");
    dm.OpenQuery(dm.qry_temp, QStringLiteral("select %1 from sjb where id=%2").arg(columns, which));
    QStringList v;
    for (int c = 0; c < dm.qry_temp.fieldNames().size(); ++c) v << dm.qry_temp.value(0, c).toString();
    return v.join(QLatin1Char('|'));
  }
  // What the grid shows, row by row, and what today's entries hold.
  QStringList shown() {
    QStringList grid, memory;
    const int c = dm.qry_show.fieldIndex(QStringLiteral("status"));
    for (int row = 0; row < dm.qry_show.recordCount(); ++row) grid << dm.qry_show.value(row, c).toString();
    for (const rjmb& e : unit.state.todayentries) memory << e.status;
    EXPECT_EQ(grid, memory);
    return grid;
  }
  StatusQueue& queue() { return unit.today.statusQueue(); }
  // The broadcast log's lines as they are on disk now (none when there is no log yet).
  QStringList log() const { return orvane::readTextLines(home.file(QStringLiteral("log.txt"))); }
  void useWeekdaySchedule(const QString& weekday, const QString& schedule) {
    ASSERT_TRUE(dm.SetSetting(QStringLiteral("volume4"), QStringLiteral("0")));
    ASSERT_TRUE(dm.SetSetting(weekday, schedule));
  }
  testing_support::TempHome home;
  orvane::RecordingPower power;
  SystemServices services{&power};
  orvane::ScopedMessageResponder boxes;
  ManualClock clock;
  TDataModule1 dm;
  MainUnit unit{dm, clock};
};
