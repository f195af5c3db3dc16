// The main window's text and radio panels offscreen: the reading layout and its title, the
// spoken word selected in the text, the pause button and the double click that resumes, the
// window back in its song layout after the text, and the radio panel over the song list.
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

#include "scheduler/windows/Unit_main_tamu.h"
#include "tests/scheduler/kindsfixture.h"

namespace {
class KindsPanelTest : public KindsWindowFixture {};
}  // namespace

TEST_F(KindsPanelTest, TheTextPanelFollowsTheReading) {
  addText({QStringLiteral("早读"), "08:15:00", QStringLiteral("VW Hui|0|100|1|0"), QStringLiteral("同学们\r\n早上好")});
  TDataModule1 windowDm;
  TForm_main_tamu w(windowDm, clock, windowServices);
  ASSERT_TRUE(w.created());
  ScriptedSpeech* voice = nullptr;
  w.texts().setSpeechFactory([&voice] {
    auto s = std::make_unique<ScriptedSpeech>();
    voice = s.get();
    return s;
  });
  w.resize(980, 560);
  w.show();
  const int index = indexIn(w, QStringLiteral("早读"));
  ASSERT_GE(index, 0);
  const QRect listBefore = w.ListBox5->geometry();

  w.StartEntry(index, EntryMode::Auto);
  ASSERT_NE(voice, nullptr);
  EXPECT_TRUE(w.Memo1->isVisible() && w.Label_tts->isVisible() && w.SpeedButton2->isVisible() && w.SomethingPlaying());
  EXPECT_EQ(w.Label_tts->text() + w.Memo1->toPlainText(), QStringLiteral("正在播报节目<早读>中的文稿：同学们\n早上好"));
  EXPECT_EQ(QString::asprintf("%d %d %d", w.Label_jmpname->y(), w.ListBox5->y(), w.ListBox5->height()),
            QStringLiteral("318 336 119"));

  voice->say(4, 2);
  EXPECT_EQ(w.Memo1->textCursor().selectedText(), QStringLiteral("早上"));

  QTest::mouseClick(w.SpeedButton2, Qt::LeftButton);
  EXPECT_EQ(voice->calls.last(), QStringLiteral("pause"));
  EXPECT_EQ(w.Label_tts->text(), QStringLiteral("暂停播报节目<早读>中的文稿："));
  QTest::mouseDClick(w.Memo1->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(voice->calls.last(), QStringLiteral("resume"));
  EXPECT_EQ(w.Label_tts->text(), QStringLiteral("正在播报节目<早读>中的文稿："));
  EXPECT_EQ(w.Memo1->textCursor().selectedText(), QStringLiteral("早上"));  // the double click selects nothing else

  voice->finish();
  EXPECT_FALSE(w.Memo1->isVisible() || w.Label_tts->isVisible() || w.SpeedButton2->isVisible());
  EXPECT_EQ(w.ListBox5->geometry(), listBefore);
  EXPECT_EQ(w.Label_jmpname->y(), 56);
  EXPECT_EQ(w.Label_jmpname->text(), QStringLiteral("下一个要播放的节目为 <早读>"));
}

TEST_F(KindsPanelTest, TheRadioPanelCoversTheSongListWhileTheRadioPlays) {
  addOther(QStringLiteral("新闻台"), 5, QStringLiteral("http://127.0.0.1:8000/news"), 80);
  TDataModule1 windowDm;
  TForm_main_tamu w(windowDm, clock, windowServices);
  ASSERT_TRUE(w.created());
  w.resize(980, 560);
  w.show();
  const int index = indexIn(w, QStringLiteral("新闻台"));
  ASSERT_GE(index, 0);
  EXPECT_EQ(w.radioplayer, nullptr);
  w.StartEntry(index, EntryMode::TryPlay);
  ASSERT_NE(w.radioplayer, nullptr);
  EXPECT_TRUE(w.radioplayer->isVisible());
  EXPECT_EQ(w.radioplayer->geometry().topLeft(), w.ListBox5->geometry().topLeft());
  EXPECT_EQ(w.radioplayer->width(), w.ListBox5->width());
  EXPECT_EQ(w.Label_musicname->text(), QStringLiteral("正在播放：http://127.0.0.1:8000/news"));
  EXPECT_EQ(w.Label_jmpname->text(), QStringLiteral("正在试播节目<新闻台>中的网址电台"));
  EXPECT_EQ(w.radiostatus->text(), QStringLiteral("正在连接…"));
  QCoreApplication::processEvents();  // the station answers
  EXPECT_EQ(w.radiostatus->text(), QStringLiteral("正在播放"));
  w.EndEntry(index, EntryMode::TryPlay);
  EXPECT_TRUE(!w.radioplayer->isVisible() && w.Label_musicname->text().isEmpty());
}

TEST_F(KindsPanelTest, AProgramEntryShowsItsLineAndEndsItsProcesses) {
  addOther(QStringLiteral("备份"), 7, QStringLiteral("/usr/local/bin/backup"));
  TDataModule1 windowDm;
  TForm_main_tamu w(windowDm, clock, windowServices);
  ASSERT_TRUE(w.created());
  w.show();
  const int index = indexIn(w, QStringLiteral("备份"));
  w.StartEntry(index, EntryMode::Auto);
  EXPECT_EQ(w.Label_musicname->text(), QStringLiteral("打开外部程序：/usr/local/bin/backup"));
  EXPECT_EQ(w.Label_jmpname->text(), QStringLiteral("正在播放节目<备份>"));
  w.EndEntry(index, EntryMode::Auto);
  EXPECT_EQ(launcher.calls, (QStringList{QStringLiteral("Open /usr/local/bin/backup"), QStringLiteral("KillProcess backup")}));
  w.KillProcess(QStringLiteral("other"));
  EXPECT_EQ(launcher.calls.last(), QStringLiteral("KillProcess other"));
}
