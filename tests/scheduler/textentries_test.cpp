#include <QFile>

#include "tests/scheduler/kindsfixture.h"

namespace {
constexpr const char* kLine1 = "同学们好";
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

// The program started itself again while a text was read: the reading goes on from the
// sentence the voice was in, in the same reading of its repeats, without the hint and logged
// as taken up. A reading the sound server breaks off is told, once, on screen and in the log.
TEST_F(KindsFixture, ATextTakenUpGoesOnFromItsSentenceAndOneBrokenOffIsTold) {
  dm.SetSetting(QStringLiteral("canwritelogtxt"), QStringLiteral("1"));
  dm.SetSetting(QStringLiteral("ttstsy"), QStringLiteral("0"));
  unit.ReadSettings();
  const QString text = QStringLiteral("第一句。第二句。第三句。");
  const int id = addText({"通知", "08:15:00", "VW Hui|0|100|2|1", text});
  load();
  texts.TakeUpAt({id, text, 2, 5, false});  // the voice was at "二" of the second reading
  runner.TakeUpEntry(indexOf(QStringLiteral("通知")));
  EXPECT_FALSE(texts.hintWaiting()) << "the hint sounded again";
  EXPECT_EQ(speech->spoken, QStringList{QStringLiteral("第二句。第三句。")});
  speech->say(1, 1);
  EXPECT_EQ(texts.selStart(), 5) << "the words are marked where they are in the text";
  EXPECT_EQ(statusOf(id), QStringLiteral("正播"));
  speech->finish();  // that was the last of its two readings
  EXPECT_EQ(statusOf(id), QStringLiteral("已播"));
  EXPECT_EQ(QList<qsizetype>({log().filter(QStringLiteral("接续节目")).size(), log().filter(QStringLiteral("播放节目")).size()}),
            QList<qsizetype>({1, 0}));

  start(QStringLiteral("通知"));
  QCoreApplication::processEvents();  // the hint's wait
  boxes.clear();
  speech->breakOff(QStringLiteral("Connection terminated"));
  QCoreApplication::processEvents();
  EXPECT_FALSE(unit.state.textshown);
  EXPECT_EQ(boxes.count(QStringLiteral("节目<通知>的文稿播报中断（Connection terminated）。")), 1) << qPrintable(lastBox());
  EXPECT_EQ(log().filter(QStringLiteral("文稿播报中断")).size(), 1);
}
