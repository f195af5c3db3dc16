#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "platform/audio/systemvolume.h"
#include "platform/media/fakemediabackend.h"
#include "platform/msgbox/messagebox.h"
#include "platform/speech/espeakvoices.h"
#include "scheduler/core/broadcastlog.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/entrycheck.h"
#include "scheduler/core/entryfields.h"
#include "scheduler/core/entrystore.h"
#include "scheduler/core/funVolume.h"
#include "scheduler/core/pathrules.h"
#include "scheduler/core/timetext.h"
#include "scheduler/core/ttsparams.h"
#include "scheduler/core/voicenames.h"
#include "tests/scheduler/entryfakes.h"
#include "tests/support/testsupport.h"

using orvane::VoiceInfo;

TEST(EntryFields, SplitFieldTimeOfDayAndWrap) {
  // A final break adds no field; a line break ends the first one.
  const std::tuple<const char*, int, const char*> fields[] = {
      {"08:15:30", 2, "15"}, {"a:", 2, ""}, {"a::b", 2, ""}, {"a::b", 3, "b"}, {"a\r\nb:c", 2, "b"}, {"a", 0, ""}};
  for (const auto& [text, n, field] : fields)
    EXPECT_EQ(SplitField(QLatin1String(text), QLatin1Char(':'), n), QLatin1String(field)) << text << " " << n;
  for (auto [text, seconds] : {std::pair{"0:3:28", 208}, {"23:59:59", 86399}, {"8:05", 8 * 3600 + 300}})
    EXPECT_EQ(TimeOfDaySeconds(QLatin1String(text)), seconds) << text;
  for (const char* bad : {"", "24:00:00", "25:00:00", "12:60:00", "12:00:60", "1:2:3:4", "ab:00:00", "123:00:00",
                          "12:00:", "-1:00:00"})
    EXPECT_FALSE(TimeOfDaySeconds(QLatin1String(bad))) << bad;
  EXPECT_EQ(WrapTime(23 * 3600 + 58 * 60 + 5 * 60), QStringLiteral("00:03:00"));
  EXPECT_EQ(WrapTime(-1), QStringLiteral("23:59:59"));
}

TEST(EntryFields, PathRules) {
  testing_support::TempHome home;
  const QString songs = home.file(QStringLiteral("songs"));
  const QString empty = home.file(QStringLiteral("empty"));
  testing_support::writeFile(songs + QStringLiteral("/Bell.Mp3"), "x");
  testing_support::writeFile(empty + QStringLiteral("/notes.txt"), "x");
  testing_support::writeFile(empty + QStringLiteral("/.hidden.mp3"), "x");
  testing_support::writeFile(empty + QStringLiteral("/sub/deep.wav"), "x");
  EXPECT_TRUE(FolderHasSongs(songs, false));
  EXPECT_FALSE(FolderHasSongs(empty, false)) << "hidden names and subfolders are not searched";
  EXPECT_TRUE(FolderHasSongs(empty, true) && !(FolderHasSongs(home.file(QStringLiteral("none")), false)));
  EXPECT_EQ(QStringList({FileExtension(QStringLiteral("/a.b/c")), FileExtension(QStringLiteral("C:\\x\\y.PL3")),
                         FileExtension(QStringLiteral("/a.b/song.Mp3"))}),
            QStringList({"", ".PL3", ".Mp3"}));
  EXPECT_TRUE(IsFolderPath(songs));
  EXPECT_FALSE(IsFolderPath(QStringLiteral("songs")) || IsFolderPath(songs + QStringLiteral("/Bell.Mp3")));
  EXPECT_FALSE(IsFolderPath(QStringLiteral("\\\\server\\share")));
  const QString tool = testing_support::writeFile(home.file(QStringLiteral("bin/tool")), "#!/bin/sh\n");
  EXPECT_FALSE(IsProgramPath(tool)) << "not executable yet";
  QFile::setPermissions(tool, QFile::permissions(tool) | QFile::ExeOwner);
  EXPECT_TRUE(IsProgramPath(tool) && !(IsProgramPath(home.file(QStringLiteral("bin")))));
  EXPECT_EQ(SafeFileNamePart(QStringLiteral("早/操\\a\tb\x01")), QStringLiteral("早_操_a_b_"));
}

TEST(Voices, DisplayNamesAndPreferenceOrder) {
  EXPECT_EQ(QStringList({VoiceDisplayName(QStringLiteral(" VW Liang ")), VoiceDisplayName(QStringLiteral("ScanSoft Sin-Ji_Full_22kHz")),
                         VoiceDisplayName(QStringLiteral("English (Great Britain)"))}),
            QStringList({"(中文男声)VW Liang", "(粤语女声)ScanSoft Sin-Ji", "English (Great Britain)"}));
  const VoiceInfo english = voice("English (Great Britain)", "en-gb", "gmw/en");
  const VoiceInfo mandarin = voice("Chinese (Mandarin, latin as Pinyin)", "cmn-latn-pinyin", "sit/cmn-Latn-pinyin");
  const VoiceInfo cantonese = voice("Chinese (Cantonese)", "yue", "sit/yue");
  EXPECT_EQ(PreferredVoiceIndex({}), -1);
  EXPECT_EQ(PreferredVoiceIndex({english, cantonese}), 0) << "nothing preferred: the first";
  EXPECT_EQ(PreferredVoiceIndex({english, cantonese, mandarin}), 2) << "the Mandarin voice before the first";
  EXPECT_EQ(PreferredVoiceIndex({mandarin, voice("Microsoft Simplified Chinese")}), 1);
  EXPECT_EQ(PreferredVoiceIndex({voice("Microsoft Simplified Chinese"), voice("ScanSoft Sin-Ji_Full_22kHz")}), 1);
  EXPECT_EQ(PreferredVoiceIndex({voice("VW Hui"), voice("VW Lily"), voice("VW Liang")}), 2);
  EXPECT_EQ(PreferredVoiceIndex({voice("VW Lily"), voice("VW Hui")}), 1);
}

namespace {
EntryInput songInput() {
  EntryInput in;
  in.kindIndex = kKindSong;
  in.path = QStringLiteral("/music/bell.mp3");
  in.start = QStringLiteral("08:00:00");
  in.end = QStringLiteral("08:05:00");
  in.playmode = QStringLiteral("单曲播放");
  return in;
}
}  // namespace

TEST(EntryChecks, SingleEntryOrderAndMessages) {
  QStringList calls;
  bool startClash = false, endClash = false;
  const EntryCheck::Conflicts conflicts = [&](const QString& t, int jmlx) {
    calls.append(t + QLatin1Char('/') + QString::number(jmlx));
    return t == QLatin1String("08:00:00") ? startClash : endClash;
  };
  // Each step mends the first broken rule; the next broken one is reported, with its field.
  auto verdict = [&](const EntryInput& x) {
    const EntryVerdict v = EntryCheck::Single(x, conflicts);
    return v.message + QLatin1Char('|') + QString::number(int(v.field));
  };
  EntryInput in = songInput();
  in.path = QStringLiteral("  ");
  in.volume = 101;
  in.end = in.start;
  const EntryVerdict first = EntryCheck::Single(in, conflicts);
  EXPECT_EQ(first.caption + QString::number(first.flags), QStringLiteral("提示16"));
  EXPECT_EQ(verdict(in), "“单首歌曲”　栏不能为空。|" + QString::number(int(EntryField::Path)));
  in.path = QStringLiteral("/music/bell");
  EXPECT_EQ(verdict(in), "初始音量不能大于100%。|" + QString::number(int(EntryField::Volume)));
  in.volume = 100;
  EXPECT_EQ(verdict(in), "结束时间不能小于或等于开始时间。|" + QString::number(int(EntryField::End)));
  in.end = QStringLiteral("08:05:00");
  EXPECT_EQ(EntryCheck::Single(in, conflicts).message, QStringLiteral("您选择的不是单首歌曲！请检查节目与节目类型是否对应。"));
  EXPECT_TRUE(calls.isEmpty()) << "no conflict test before the kind checks pass";
  in.path = QStringLiteral("/music/bell.mp3");
  startClash = endClash = true;
  EXPECT_EQ(verdict(in), "该节目“开始时间”与其它节目时间有交叉，请修改开始时间。|" + QString::number(int(EntryField::Start)));
  startClash = false;
  EXPECT_EQ(verdict(in), "该节目“结束时间”与其它节目时间有交叉，请修改结束时间。|" + QString::number(int(EntryField::End)));
  endClash = false;
  const EntryVerdict v = EntryCheck::Single(in, conflicts);
  EXPECT_TRUE(v.ok && v.jmlx == 1 && v.playmode == QStringLiteral("单曲播放"));
  EXPECT_EQ(calls.last(), QStringLiteral("08:05:00/1"));
}

TEST(EntryChecks, KindRulesOnLinuxPaths) {
  testing_support::TempHome home;
  const QString folder = home.file(QStringLiteral("music"));
  QDir().mkpath(folder);
  const QString program = testing_support::writeFile(home.file(QStringLiteral("bin/run.sh")), "#!/bin/sh\n");
  QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner);
  auto check = [](int kind, const QString& path) {
    EntryInput in = songInput();
    in.kindIndex = kind;
    in.path = path;
    return EntryCheck::Single(in, {});
  };
  EXPECT_EQ(check(kKindFolder, folder + QStringLiteral("  ")).jmlx, 2) << "blanks around a path are dropped";
  EXPECT_EQ(check(kKindFolder, QStringLiteral("music")).message,
            QStringLiteral("您选择的不是文件夹！请检查节目与节目类型是否对应。"));
  EXPECT_FALSE(check(kKindFolder, QStringLiteral("\\\\server\\music")).ok);
  EXPECT_EQ(check(kKindList, QStringLiteral("/x/早操.Pl3")).jmlx, 3);
  EXPECT_EQ(check(kKindList, QStringLiteral("/x/早操.txt")).message,
            QStringLiteral("您选择的不是歌曲列表！请检查节目与节目类型是否对应。"));
  const EntryVerdict radio = check(kKindRadio, QStringLiteral("Http://radio.local/a"));
  EXPECT_EQ(radio.jmlx, 6);
  EXPECT_EQ(radio.playmode, QStringLiteral("网络电台"));
  EXPECT_EQ(check(kKindRadio, QStringLiteral("mms://radio.local/a")).jmlx, 5);
  EXPECT_TRUE(check(kKindRadio, QStringLiteral("rtsp://radio.local/a"))
                  .message.startsWith(QStringLiteral("网络电台网址要以MMS或HTTP开头！如“")));
  const EntryVerdict exe = check(kKindProgram, program);
  EXPECT_EQ(exe.jmlx, 7);
  EXPECT_EQ(exe.playmode, QStringLiteral("外部软件"));
  EXPECT_EQ(check(kKindProgram, folder).message, QStringLiteral("您选择的不是外部文件！请检查节目与节目类型是否对应。"));
  EntryInput text;
  text.kindIndex = kKindText;
  text.text = QStringLiteral(" \r\n ");
  EXPECT_EQ(EntryCheck::Single(text, {}).message, QStringLiteral("文本不能为空。"));
  text.text = QStringLiteral("上课");
  text.start = text.end = QStringLiteral("00:00:00");
  int asked = 0;
  const EntryVerdict ok = EntryCheck::Single(text, [&](const QString&, int jmlx) {
    ++asked;
    EXPECT_EQ(jmlx, 4);
    return false;
  });
  EXPECT_TRUE(ok.ok) << "no end, volume or order check for a text";
  EXPECT_EQ(asked, 1) << "only the start is tested";
}

TEST(EntryChecks, SeriesOrderAndInterval) {
  EntryInput in = songInput();
  in.end = QStringLiteral("08:00:00");
  in.length = QStringLiteral("00:00:00");
  in.path = QStringLiteral("/m/x");
  // Each step mends the first broken rule: message|caption|field of the next.
  auto verdict = [&] {
    const EntryVerdict v = EntryCheck::Series(in);
    return v.message + QLatin1Char('|') + v.caption + QLatin1Char('|') + QString::number(int(v.field));
  };
  auto field = [](EntryField f) { return QString::number(int(f)); };
  EXPECT_TRUE(verdict().startsWith(QStringLiteral("终止时间不能小于或等于起始时间。|")));
  in.end = QStringLiteral("09:00:00");
  EXPECT_TRUE(verdict().startsWith(QStringLiteral("节目时长不能等于零。|")) && verdict().endsWith("|" + field(EntryField::Length)));
  in.length = QStringLiteral("00:05:00");
  EXPECT_TRUE(verdict().startsWith(QStringLiteral("您选择的不是单首歌曲！请检查节目与节目类型是否对应。|")));
  in.path = QStringLiteral("/m/x.mp3");
  EXPECT_EQ(verdict(), "间隔不能为空。|出错|" + field(EntryField::Interval));
  for (const char* bad : {"0", "1440", "99999999999"}) {
    in.interval = QLatin1String(bad);
    EXPECT_TRUE(verdict().startsWith(QStringLiteral("间隔至少为1。请重设|提示|"))) << bad;
  }
  in.interval = QStringLiteral("1439");
  EXPECT_EQ(EntryCheck::Series(in).intervalSeconds, 1439 * 60);
  EXPECT_EQ(QStringList({EntryCheck::IntervalText(60), EntryCheck::IntervalText(75), EntryCheck::IntervalText(5)}),
            QStringList({"1:00:00", "1:15:00", "0:05:00"}));
  EntryInput text;
  text.kindIndex = kKindText;
  text.text = QStringLiteral("x");
  text.start = QStringLiteral("09:00:00");
  text.end = QStringLiteral("08:00:00");
  text.interval = QStringLiteral("10");
  EXPECT_TRUE(EntryCheck::Series(text).ok) << "no time check for a text series";
}

// The conflict test on an in-memory database.
class Conflicts : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dm.ConnectDatabase(QStringLiteral("accesspw"), QStringLiteral(":memory:"), {}, {}, {},
                                   orvane::db::Connection::Mode::CreateIfMissing));
  }
  int add(const QString& schedule, int jmlx, const QString& start, const QString& end,
          const QString& channel = QStringLiteral("主通道")) {
    EntryValues v;
    v.Schedulen = schedule;
    v.jmlx = jmlx;
    v.starttime = start;
    v.endtime = end;
    v.mainchannel = channel;
    EXPECT_TRUE(store.Insert(v));
    dm.OpenQuery(dm.qry_temp, QStringLiteral("select max(id) from sjb"));
    return dm.qry_temp.value(0, 0).toInt();
  }
  bool clash(const QString& t, int jmlx, const QString& schedule = QStringLiteral("日常"),
             const QString& channel = QStringLiteral("主通道"), int exclude = 0) {
    return store.TimeConflicts(schedule, channel, t, jmlx, exclude);
  }
  TDataModule1 dm;
  EntryStore store{dm};
};

TEST_F(Conflicts, HostileNamesAndBadRows) {
  const QString hostile = QStringLiteral("a\" or \"1\"=\"1; drop table sjb; --:v1");
  add(hostile, 1, QStringLiteral("08:00:00"), QStringLiteral("08:10:00"));
  add(QStringLiteral("日常"), 1, QStringLiteral("8点"), QStringLiteral("09:00:00"));
  EXPECT_TRUE(clash(QStringLiteral("08:05:00"), 1, hostile));
  EXPECT_FALSE(clash(QStringLiteral("08:05:00"), 1, QStringLiteral("a\"")));
  EXPECT_FALSE(clash(QStringLiteral("08:05:00"), 1)) << "a row whose start is no time is skipped";
  dm.OpenQuery(dm.qry_temp, QStringLiteral("select count(*) from sjb"));
  EXPECT_EQ(dm.qry_temp.value(0, 0).toInt(), 2);
}

TEST(Voices, TheInstalledEspeakVoicesStartWithMandarin) {
  const QList<VoiceInfo> installed = orvane::EspeakVoiceCatalog().voices();
  ASSERT_FALSE(installed.isEmpty());
  const int preferred = PreferredVoiceIndex(installed);
  ASSERT_GE(preferred, 0);
  EXPECT_TRUE(installed.at(preferred).identifier.endsWith(QLatin1String("cmn-Latn-pinyin"), Qt::CaseInsensitive));
  EXPECT_EQ(VoiceDisplayNames(installed).size(), installed.size());
}

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

using orvane::RecordingSystemVolume;

TEST(FunVolumeTest, WindowsVersionTable) {
  using P = WindowsPlatform;
  const struct {
    P platform;
    int major, minor;
    const char* name;
  } rows[] = {{P::Win32s, 3, 10, "Windows 3.1"},  {P::Windows9x, 4, 0, "Windows95"},   {P::Windows9x, 4, 90, "Windows Me"},
              {P::Windows9x, 4, 10, "Windows98"}, {P::NT, 3, 51, "Windows NT 3.51"}, {P::NT, 4, 0, "Windows NT 4.0 "},
              {P::NT, 5, 0, "Windows 2000"},      {P::NT, 5, 1, "Windows XP"},       {P::NT, 5, 2, "Windows 2003"},
              {P::NT, 6, 0, "Windows Vista"},     {P::NT, 6, 1, "Windows 7"},        {P::NT, 6, 10, "Windows 7"},
              {P::NT, 6, 2, "Windows 8"},         {P::NT, 6, 3, "Windows Unknown"},  {P::NT, 10, 0, "Windows Unknown"},
              {P::Other, 6, 1, "Windows Unknown"}};  // "6.10" reads as 6.1
  for (const auto& r : rows)
    EXPECT_EQ(WindowsVersionName(r.platform, r.major, r.minor), QLatin1String(r.name)) << r.major << "." << r.minor;
  EXPECT_EQ(GetWindowsVersionName(), QStringLiteral("Windows Unknown"));
}
