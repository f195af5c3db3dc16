#include <gtest/gtest.h>

#include "scheduler/core/broadcastlog.h"
#include "scheduler/core/timetext.h"

TEST(TimeText, SecondsAndTheirBoundaries) {
  EXPECT_EQ(TimeToSeconds(QStringLiteral("07:30:15")), 7 * 3600 + 30 * 60 + 15);
  EXPECT_EQ(TimeToSeconds(QStringLiteral("25:00:00")), 90000);
  for (const char* bad : {"", "7:30", "aa:bb:cc", "07:30:00:00", "-1:00:00", "07: 30:00"})
    EXPECT_EQ(TimeToSeconds(QLatin1String(bad)), 0) << bad;
  EXPECT_TRUE(IsTimeText(QStringLiteral("00:00:00")) && !IsTimeText(QStringLiteral("7:30:00")));
  // Within the day; "00:00:00" and "25:00:00" (never) stay as they are.
  const std::tuple<const char*, int, bool, const char*> sums[] = {{"07:35:00", 4, false, "07:34:56"},
                                                                  {"23:59:57", 5, true, "00:00:02"},
                                                                  {"00:00:02", 4, false, "23:59:58"},
                                                                  {"00:00:00", 4, false, "00:00:00"},
                                                                  {"25:00:00", 5, true, "25:00:00"}};
  for (const auto& [time, seconds, add, result] : sums)
    EXPECT_EQ(AddSeconds(QLatin1String(time), seconds, add), QLatin1String(result)) << time;
  EXPECT_EQ(QStringList({FormatMs(0), FormatMs(61999), FormatMs(3600000 + 62000), FormatMs(-5)}),
            QStringList({"0:00", "1:01", "1:01:02", "0:00"}));
}

TEST(TimeText, NamesAndPieces) {
  EXPECT_EQ(QStringList({ExtractSongName(QStringLiteral("/music/上课铃.mp3")), ExtractSongName(QStringLiteral("C:\\music\\bell.wav")),
                         ExtractSongName(QStringLiteral("/a\\b/c.mid"))}),
            QStringList({"上课铃", "bell", "c"}));
  EXPECT_EQ(QStringList({GetDelimitedItem(QStringLiteral("VW Hui|0|100|3|1"), QLatin1Char('|'), 4),
                         GetDelimitedItem(QStringLiteral("a|b"), QLatin1Char('|'), 0),
                         GetDelimitedItem(QStringLiteral("a|b"), QLatin1Char('|'), 3)}),
            QStringList({"3", "", ""}));
  const QDate wednesday(2024, 5, 1), sunday(2024, 5, 5);
  EXPECT_EQ(QStringList({EnglishWeekday(wednesday), EnglishWeekday(sunday), ChineseWeekday(sunday), DateLabelText(wednesday)}),
            QStringList({"Wednesday", "Sunday", "星期日", "2024年05月01日 星期三"}));
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
