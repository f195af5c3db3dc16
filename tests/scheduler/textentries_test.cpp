#include <QFile>

#include "tests/scheduler/kindsfixture.h"

namespace {
constexpr const char* kLine1 = "同学们好";
}

TEST_F(KindsFixture, ATextIsReadItsRepeatCountThenEndsAndIsPlayed) {
  dm.SetSetting(QStringLiteral("canwritelogtxt"), QStringLiteral("1"));
  unit.ReadSettings();
  const int id = addText({"广播", "08:15:00", "VW Hui|2|70|3|0", "同学们好\r\n现在是<time>，今天是<date>。"});
  load();
  clock.set(QDateTime(QDate(2024, 5, 1), QTime(8, 15, 0)));
  start(QStringLiteral("广播"));
  EXPECT_EQ(statusOf(id), QStringLiteral("正播"));
  ASSERT_NE(speech, nullptr);
  const QString expected = QStringLiteral("同学们好。现在是08:15:00，今天是2024-05-01。");
  EXPECT_EQ(speech->spoken, QStringList{expected});
  EXPECT_EQ(texts.memoText() + texts.ttsLabel(),
            QStringLiteral("同学们好\n现在是08:15:00，今天是2024-05-01。正在播报节目<广播>中的文稿："));
  EXPECT_TRUE(unit.state.textshown);
  // "VW Hui" is not installed here.
  EXPECT_EQ(QString::asprintf("%d %d ", speech->params[0].rate, speech->params[0].volume) + speech->params[0].voice,
            QStringLiteral("2 70 sit/cmn-Latn-pinyin"));
  // The clock moves on; every reading still says the time of the start.
  clock.set(QDateTime(QDate(2024, 5, 1), QTime(8, 15, 7)));
  speech->finish();
  speech->finish();
  EXPECT_EQ(speech->spoken, (QStringList{expected, expected, expected}));
  EXPECT_TRUE(texts.textrepeat() == 3 && unit.state.textshown && statusOf(id) == QStringLiteral("正播"));
  speech->finish();
  EXPECT_TRUE(!unit.state.textshown && statusOf(id) == QStringLiteral("已播") && speech->spoken.size() == 3);
  EXPECT_EQ(log().filter(QStringLiteral("停止节目：[ENDtime]00:00:00")).size(), 1) << qPrintable(log().join('\n'));
  // A late event of the finished reading changes nothing.
  speech->finish();
  EXPECT_EQ(speech->spoken.size(), 3);
}

TEST_F(KindsFixture, ATrialTextEndsAsATrial) {
  dm.SetSetting(QStringLiteral("canwritelogtxt"), QStringLiteral("1"));
  dm.SetSetting(QStringLiteral("endshutdown"), QStringLiteral("1"));
  unit.ReadSettings();
  const int id = addText({"试读", "06:00:00", "VW Hui|0|100|2|0", "试一试"});
  load();
  unit.state.endshutdownat = QStringLiteral("07:00:00");  // the day is over: an auto end would arm
  start(QStringLiteral("试读"), EntryMode::TryPlay);
  EXPECT_EQ(texts.ttsLabel(), QStringLiteral("正在试播节目<试读>中的文稿："));
  speech->finish();
  speech->finish();
  EXPECT_TRUE(!unit.state.textshown && speech->spoken.size() == 2 && statusOf(id) != QStringLiteral("已播"));
  EXPECT_FALSE(unit.state.endshutdownarmed) << "a trial after the day's last entry must not shut the computer down";
  EXPECT_TRUE(log().filter(QStringLiteral("停止试播节目")).size() == 1 && log().filter(QStringLiteral("停止节目")).isEmpty());
  // The same entry read automatically to its end arms the end of the day.
  start(QStringLiteral("试读"));
  speech->finish();
  speech->finish();
  EXPECT_TRUE(unit.state.endshutdownarmed);
}

TEST_F(KindsFixture, LineBreaksAreReadByTheVoicesLanguageAndUnknownVoicesFallBack) {
  struct Case {
    QString params, txt, spoken, voice;
    bool chinese;
  };
  const QList<Case> cases = {
      // In the list of Chinese voices: "。" and the Mandarin voice in place of the missing one.
      {"VW Hui|0|100|1|0", "第一行\n第二行", "第一行。第二行", "sit/cmn-Latn-pinyin", true},
      // An installed Chinese voice by its language.
      {"Chinese (Mandarin, latin as Pinyin)|0|100|1|0", "a\nb", "a。b", "sit/cmn-Latn-pinyin", true},
      // An installed other voice: ".".
      {"English (Great Britain)|0|100|1|0", "line one\nline two", "line one.line two", "gmw/en", false},
      // Unknown and not Chinese, with a Chinese text: Mandarin.
      {"Microsoft Anna|0|100|1|0", "上课\n了", "上课。了", "sit/cmn-Latn-pinyin", true},
      // Unknown, not Chinese, no Chinese text: the engine's default voice.
      {"Microsoft Anna|0|100|1|0", "Good\nmorning", "Good.morning", "", false},
  };
  int n = 0;
  for (const Case& c : cases) addText({QStringLiteral("t%1").arg(++n), "08:15:00", c.params, c.txt});
  load();
  n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.params.toStdString());
    start(QStringLiteral("t%1").arg(++n));
    ASSERT_TRUE(unit.state.textshown);
    EXPECT_EQ(speech->spoken.last() + "|" + speech->params.back().voice, c.spoken + "|" + c.voice);
    EXPECT_EQ(texts.ischinesevoice(), c.chinese);
    speech->finish();
    EXPECT_FALSE(unit.state.textshown);
  }
}

TEST_F(KindsFixture, MalformedParametersFallBackAndBadTextsStillEnd) {
  const int a = addText({"坏参数", "08:15:00", "VW Hui|快|大声|几次", "好"});
  const int b = addText({"空", "08:16:00", "", QString()});
  load();
  start(QStringLiteral("坏参数"));
  EXPECT_TRUE(speech->params.back().rate == 0 && speech->params.back().volume == 100 && texts.textrepeats() == 1);
  speech->finish();
  EXPECT_EQ(statusOf(a), QStringLiteral("已播"));
  // Nothing to read: the one reading of nothing ends the entry.
  start(QStringLiteral("空"));
  EXPECT_EQ(speech->spoken.last(), QString());
  speech->finish();
  EXPECT_FALSE(unit.state.textshown);
  EXPECT_EQ(statusOf(b), QStringLiteral("已播"));
}

TEST_F(KindsFixture, PauseAndResumeHoldTheReadingAndTheDucking) {
  const QString dir = folder(QStringLiteral("m"), {QStringLiteral("a.mp3")});
  addSong({"音乐", "08:00:00", "09:00:00", dir, "单曲循环"});
  addText({"通知", "08:15:00", "VW Hui|0|100|1|0", QString::fromUtf8(kLine1)});
  unit.state.minvolume10 = 300;
  load();
  start(QStringLiteral("音乐"));
  main().FlatTrackBar1Change(800);  // the operator's level
  auto levels = [&] {
    return QString::asprintf("%d %d %d", mainPlayer()->volume(), main().sliderPosition(), unit.state.mainvolume);
  };
  start(QStringLiteral("通知"));
  EXPECT_EQ(levels(), QStringLiteral("300 300 800"));
  texts.SpeedButton2Click();
  EXPECT_TRUE(texts.paused());
  EXPECT_EQ(speech->calls.last() + texts.ttsLabel(), QStringLiteral("pause暂停播报节目<通知>中的文稿："));
  main().FlatTrackBar1Change(500);  // moved while paused: heard now, not returned to
  texts.Memo1DblClick();
  EXPECT_EQ(speech->calls.last() + texts.ttsLabel(), QStringLiteral("resume正在播报节目<通知>中的文稿："));
  EXPECT_EQ(main().sliderPosition(), 300);
  speech->finish();
  EXPECT_EQ(levels(), QStringLiteral("800 800 800"));
}
