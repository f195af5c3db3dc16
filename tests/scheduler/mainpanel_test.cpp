#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

#include "controls/flatTrkBar.h"
#include "platform/forms/dbgrid.h"
#include "scheduler/windows/Unit_main_tamu.h"
#include "tests/scheduler/kindsfixture.h"

using orvane::ChannelKind;

namespace {
class MainPanelTest : public KindsWindowFixture {
 protected:
  // A main window of its own on the fake layers, at a usual size (shown unless told not to).
  TForm_main_tamu& open(bool show = true) {
    w = std::make_unique<TForm_main_tamu>(windowDm, clock, windowServices);
    EXPECT_TRUE(w->created());
    w->resize(980, 560);
    if (show) w->show();
    return *w;
  }
  orvane::FakeMediaChannel* player(int n) const { return windowBackend.channel(ChannelKind::MediaPlayer, n); }
  // The controls of the song panel that show, each fully inside the panel and none over
  // another; every other visible control of the window inside the window.
  static void expectTidy(TForm_main_tamu& w, const char* state) {
    SCOPED_TRACE(state);
    const QList<QWidget*> panel = {w.Label_musicname, w.SpeedButton1, w.TrackBar2,     w.Label_nowtime2,
                                   w.Label_alltime2,  w.FlatTrackBar1, w.Label_tts,     w.SpeedButton2,
                                   w.Memo1,           w.Label_jmpname, w.ListBox5};
    for (QWidget* a : panel) {
      if (!a->isVisible()) continue;
      EXPECT_TRUE(w.Panel1->rect().contains(a->geometry())) << qPrintable(a->objectName());
      for (QWidget* b : panel) {
        if (b == a || !b->isVisible() || a->objectName() >= b->objectName()) continue;
        EXPECT_FALSE(a->geometry().intersects(b->geometry()))
            << qPrintable(a->objectName()) << " covers " << qPrintable(b->objectName());
      }
    }
    const QRect client = w.client()->rect();
    for (QWidget* c : std::initializer_list<QWidget*>{w.ToolBar1, w.Label_date, w.Label_time, w.Panel1, w.Label_sjbcaption,
                                                      w.Label_sjb, w.Label_shu, w.Label_state, w.DBGrid1, w.Label2})
      if (c->isVisible()) { EXPECT_TRUE(client.contains(c->geometry())) << qPrintable(c->objectName()); }
    // The times in the grid are not cut.
    const int time = w.DBGrid1->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00"));
    for (const char* column : {"starttime", "endtime", "tlength"}) {
      const int c = w.core().dm().qry_show.fieldIndex(QLatin1String(column));
      EXPECT_GE(w.DBGrid1->columnWidth(c), time + 8) << column;
    }
  }
  TDataModule1 windowDm;
  std::unique_ptr<TForm_main_tamu> w;
};
}  // namespace

TEST_F(MainPanelTest, TheRadioPanelCoversTheSongListWhileTheRadioPlays) {
  addOther(QStringLiteral("新闻台"), 5, QStringLiteral("http://127.0.0.1:8000/news"), 80);
  TForm_main_tamu& w = open();
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

TEST_F(MainPanelTest, IdlePlayingAndReadingLayoutsKeepEveryControlInPlace) {
  const QString dir = folder(QStringLiteral("r"), {"晨曲.mp3", "进行曲.mp3", "课间音乐.mp3"});
  addSong({"起床音乐", "07:00:00", "07:20:00", dir, "顺序循环", 2, "主通道", "00:20:00", 80});
  addSong({"上课铃", "08:00:00", "08:10:00", dir, "顺序播放", 2, "主通道", "00:10:00", 90});
  addSong({"广播通知", "08:01:00", "08:05:00", dir, "单曲播放", 2, "副通道", "00:04:00", 70});
  addText({"早读", "08:15:00", "VW Hui|0|100|1|0", "同学们早上好！\r\n今天是<date>，现在时间<time>。\r\n请各班按时到操场集合。"});
  addOther(QStringLiteral("午间电台"), 5, QStringLiteral("http://127.0.0.1:9/radio"), 100, "12:00:00", "12:30:00");
  TForm_main_tamu& w = open(false);
  w.texts().setSpeechFactory([] { return std::make_unique<ScriptedSpeech>(); });
  w.show();
  EXPECT_FALSE(w.SomethingPlaying());
  expectTidy(w, "idle");
  w.StartEntry(indexIn(w, QStringLiteral("上课铃")), EntryMode::Auto);
  w.StartEntry(indexIn(w, QStringLiteral("广播通知")), EntryMode::Auto);
  ASSERT_TRUE(w.songs().main().busy());
  ASSERT_TRUE(w.songs().second().busy());
  w.songs().main().Timer_musicprocessTimer();
  w.songs().second().Timer_music2processTimer();
  EXPECT_FALSE(w.Label2->text().isEmpty());
  expectTidy(w, "song");
  w.StartEntry(indexIn(w, QStringLiteral("早读")), EntryMode::Auto);
  ASSERT_TRUE(w.Memo1->isVisible());
  expectTidy(w, "text");
  // The narrowest the window may be keeps the same order, and the play state its room.
  w.resize(w.minimumSizeHint());
  EXPECT_LE(w.width(), 760);
  expectTidy(w, "text, narrow");
  w.N3Click();  // a trial of the grid's row
  ASSERT_EQ(w.Label_state->text(), QStringLiteral("自动播音暂停，试播中．．．"));
  w.ShowLogout(true);
  expectTidy(w, "trial, narrow");
  EXPECT_FALSE(w.Label_state->geometry().intersects(w.Label_exit->geometry()));
  // A long schedule name gives way to the play state.
  static_cast<ProgrammeView&>(w).setScheduleLabel(QStringLiteral("二〇二四年春季学期初中部星期三作息时间表（含课间操）"));
  EXPECT_GE(w.Label_state->width(), w.Label_state->sizeHint().width());
  EXPECT_GE(w.Label_shu->width(), w.Label_shu->sizeHint().width());
  EXPECT_LE(w.Label_sjb->geometry().right(), w.Label_shu->x());
  EXPECT_GT(w.Label_sjb->width(), 0);
}

TEST_F(MainPanelTest, PanelFollowsTheChannelsAndTheOperator) {
  const QString dir = folder(QStringLiteral("p"), {"一.mp3", "二.mp3", "三.mp3"});
  addSong({"music", "07:59:00", "08:30:00", dir, "顺序循环", 2, "主通道", "00:31:00", 80});
  addSong({"notice", "07:59:30", "08:10:00", dir, "顺序循环", 2, "副通道", "00:10:30", 90});
  clock.set(QDateTime(QDate(2024, 5, 1), QTime(7, 59, 10)));
  dm.SetSetting(QStringLiteral("cantstr"), QStringLiteral("0"));
  TForm_main_tamu& w = open();  // the first showing starts the entry due now
  ASSERT_TRUE(w.songs().main().busy());
  EXPECT_EQ(QStringList({w.Label_jmpname->text(), QString::number(w.ListBox5->count()), w.ListBox5->item(0)->text(),
                         w.ListBox6->item(0)->text(), QString::number(w.ListBox5->currentRow()), w.Label_musicname->text(),
                         QString::number(w.FlatTrackBar1->Position()), w.FlatTrackBar1->toolTip(),
                         w.Label_alltime2->text()}),
            QStringList({"正在播放节目<music>中的歌曲：", "3", "一", path("p/一.mp3"), "0", "正在播放：" + path("p/一.mp3"),
                         "800", "音量调节(80%)", "/ 3:00"}));
  EXPECT_TRUE(w.TrackBar2->isVisible() && w.SpeedButton1->isVisible() && w.FlatTrackBar1->isVisible());
  w.FlatTrackBar1->setFocus();
  QTest::keyClick(w.FlatTrackBar1, Qt::Key_PageDown);
  EXPECT_EQ(player(0)->volume(), w.FlatTrackBar1->Position());
  EXPECT_NE(w.FlatTrackBar1->Position(), 800);
  EXPECT_EQ(w.state().mainvolume, w.FlatTrackBar1->Position());
  w.FlatTrackBar1->SetPosition(750);
  EXPECT_EQ(player(0)->volume(), 750);
  EXPECT_EQ(w.FlatTrackBar1->toolTip(), QStringLiteral("音量调节(75%)"));  // rounded half to even
  // A double-click plays that song (the folder's order: 一 U+4E00, 三 U+4E09, 二 U+4E8C).
  const QRect third = w.ListBox5->visualItemRect(w.ListBox5->item(2));
  QTest::mouseClick(w.ListBox5->viewport(), Qt::LeftButton, {}, third.center());
  QTest::mouseDClick(w.ListBox5->viewport(), Qt::LeftButton, {}, third.center());
  EXPECT_EQ(player(0)->fileName(), path("p/二.mp3"));
  EXPECT_EQ(w.Label_musicname->text(), "正在播放：" + path("p/二.mp3"));
  QFile::remove(path("p/一.mp3"));
  w.ListBox5->setCurrentRow(0);
  w.ListBox5DblClick();
  EXPECT_EQ(w.Label_musicname->text(), QStringLiteral("歌曲文件不存在!"));
  // The position bar seeks when dragged far enough.
  w.PlayMainFile(false, path("p/二.mp3"));
  player(0)->calls.clear();
  w.TrackBar2->setValue(50000);
  EXPECT_EQ(player(0)->calls, (QStringList{"seek 50000", "play"}));
  // The second channel's entry, its line and its double-click.
  clock.set(QDateTime(QDate(2024, 5, 1), QTime(7, 59, 30)));
  w.StartEntry(1, EntryMode::Auto);
  ASSERT_EQ(w.state().todayentries[1].pname, QStringLiteral("notice"));
  EXPECT_EQ(w.FlatTrackBar1->Position(), 100);  // ducked
  EXPECT_EQ(w.ListBox_mp2->count(), 2);  // one song was deleted above
  w.songs().second().Timer_music2processTimer();
  EXPECT_TRUE(w.Label2->text().startsWith(QStringLiteral("正在播放副通道节目<notice>中的歌曲：")));
  QTest::mouseDClick(w.Label2, Qt::LeftButton);
  EXPECT_EQ(player(1)->fileName(), w.ListBox_mp2->item(1)->text());
  QTest::mouseClick(w.SpeedButton1, Qt::LeftButton);
  EXPECT_FALSE(player(0)->isOpen() || player(1)->isOpen() || w.TrackBar2->isVisible() || w.FlatTrackBar1->isVisible());
  EXPECT_TRUE(w.Label_musicname->text().isEmpty());
  EXPECT_EQ(w.ListBox5->count(), 3);
  w.LoadToday();
  EXPECT_EQ(w.ListBox5->count() + w.ListBox_mp2->count(), 0);
  EXPECT_TRUE(w.Label2->text().isEmpty() && !w.SpeedButton1->isVisible());
  w.close();
}
