// Time strings, weekday names, log lines.
#include <gtest/gtest.h>

#include "scheduler/core/broadcastlog.h"
#include "scheduler/core/timetext.h"

TEST(TimeText, SecondsAndTheirBoundaries) {
  EXPECT_EQ(TimeToSeconds(QStringLiteral("07:30:15")), 7 * 3600 + 30 * 60 + 15);
  EXPECT_EQ(TimeToSeconds(QStringLiteral("25:00:00")), 90000);
  for (const char* bad : {"", "7:30", "aa:bb:cc", "07:30:00:00", "-1:00:00", "07: 30:00"})
    EXPECT_EQ(TimeToSeconds(QLatin1String(bad)), 0) << bad;
  EXPECT_TRUE(IsTimeText(QStringLiteral("00:00:00")) && !IsTimeText(QStringLiteral("7:30:00")));
  EXPECT_EQ(AddSeconds(QStringLiteral("07:35:00"), 4, false), QStringLiteral("07:34:56"));
  EXPECT_EQ(AddSeconds(QStringLiteral("23:59:57"), 5, true), QStringLiteral("00:00:02"));
  EXPECT_EQ(AddSeconds(QStringLiteral("00:00:02"), 4, false), QStringLiteral("23:59:58"));
  EXPECT_EQ(AddSeconds(QStringLiteral("00:00:00"), 4, false), QStringLiteral("00:00:00"));
  EXPECT_EQ(AddSeconds(QStringLiteral("25:00:00"), 5, true), QStringLiteral("25:00:00"));
  EXPECT_EQ(FormatMs(0), QStringLiteral("0:00"));
  EXPECT_EQ(FormatMs(61999), QStringLiteral("1:01"));
  EXPECT_EQ(FormatMs(3600000 + 62000), QStringLiteral("1:01:02"));
  EXPECT_EQ(FormatMs(-5), QStringLiteral("0:00"));
}

TEST(TimeText, NamesAndPieces) {
  EXPECT_EQ(ExtractSongName(QStringLiteral("/music/上课铃.mp3")), QStringLiteral("上课铃"));
  EXPECT_EQ(ExtractSongName(QStringLiteral("C:\\music\\bell.wav")), QStringLiteral("bell"));
  EXPECT_EQ(ExtractSongName(QStringLiteral("/a\\b/c.mid")), QStringLiteral("c"));
  EXPECT_EQ(GetDelimitedItem(QStringLiteral("VW Hui|0|100|3|1"), QLatin1Char('|'), 4), QStringLiteral("3"));
  EXPECT_EQ(GetDelimitedItem(QStringLiteral("a|b"), QLatin1Char('|'), 0), QString());
  EXPECT_EQ(GetDelimitedItem(QStringLiteral("a|b"), QLatin1Char('|'), 3), QString());
  const QDate wednesday(2024, 5, 1), sunday(2024, 5, 5);
  EXPECT_EQ(EnglishWeekday(wednesday), QStringLiteral("Wednesday"));
  EXPECT_EQ(EnglishWeekday(sunday), QStringLiteral("Sunday"));
  EXPECT_EQ(ChineseWeekday(sunday), QStringLiteral("星期日"));
  EXPECT_EQ(DateLabelText(wednesday), QStringLiteral("2024年05月01日 星期三"));
}

TEST(BroadcastLogLines, ExactTexts) {
  const QDateTime t(QDate(2024, 5, 1), QTime(7, 30, 0));
  EXPECT_EQ(BroadcastLog::StartLine(t), QStringLiteral("<2024-05-01 07:30:00> **************** 运行软件 **************"));
  EXPECT_EQ(BroadcastLog::CloseLine(t), QStringLiteral("<2024-05-01 07:30:00> *************** 关闭软件*************** "));
  EXPECT_EQ(BroadcastLog::Stamp(QDateTime(QDate(2024, 5, 1), QTime(0, 0))), QStringLiteral("2024-05-01"));
  EXPECT_EQ(BroadcastLog::EntryStartLine(t, EntryMode::TryPlay, QStringLiteral("07:30:00"), QStringLiteral("/m/a.mp3")),
            QStringLiteral("*<2024-05-01 07:30:00>   试播节目：[starttime]07:30:00[path]/m/a.mp3"));
  EXPECT_EQ(BroadcastLog::EntryEndLine(t, EntryMode::Auto, QStringLiteral("07:35:00"), QStringLiteral("/m/a.mp3")),
            QStringLiteral("*<2024-05-01 07:30:00>   停止节目：[ENDtime]07:35:00[path]/m/a.mp3"));
  EXPECT_EQ(BroadcastLog::SongLine(t, QStringLiteral("/m/a.mp3"), true, true),
            QStringLiteral("<2024-05-01 07:30:00>  [歌名:（副通道）]/m/a.mp3"));
  EXPECT_EQ(BroadcastLog::SongLine(t, QStringLiteral("/m/a.mp3"), false, false),
            QStringLiteral("<2024-05-01 07:30:00>  [歌名：]/m/a.mp3"));
}
