// The main window drawn offscreen in its main states (a day's grid with nothing playing, a
// song playing with a second-channel song, a text being read): every control that shows lies
// inside the window and no two of the song panel's controls cover each other.
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QToolButton>

#include "controls/flatTrkBar.h"
#include "platform/forms/dbgrid.h"
#include "scheduler/windows/Unit_main_tamu.h"
#include "tests/scheduler/kindsfixture.h"

namespace {
class MainRenderTest : public KindsWindowFixture {
 protected:
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
      if (c->isVisible()) EXPECT_TRUE(client.contains(c->geometry())) << qPrintable(c->objectName());
    // The line above the grid shows its texts whole.
    for (QLabel* l : {w.Label_sjbcaption, w.Label_sjb, w.Label_shu, w.Label_state})
      EXPECT_GE(l->width(), l->sizeHint().width()) << qPrintable(l->objectName());
    // The times in the grid are not cut.
    const int time = w.DBGrid1->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00"));
    for (const char* column : {"starttime", "endtime", "tlength"}) {
      const int c = w.core().dm().qry_show.fieldIndex(QLatin1String(column));
      EXPECT_GE(w.DBGrid1->columnWidth(c), time + 8) << column;
    }
    // The toolbar's buttons show their whole text.
    for (QToolButton* b : w.ToolBar1->findChildren<QToolButton*>()) {
      EXPECT_GE(b->width(), b->sizeHint().width()) << qPrintable(b->objectName());
      EXPECT_TRUE(w.ToolBar1->rect().contains(b->geometry())) << qPrintable(b->objectName());
    }
  }
};
}  // namespace

TEST_F(MainRenderTest, IdlePlayingAndReadingLayoutsKeepEveryControlInPlace) {
  const QString dir = folder(QStringLiteral("r"), {"晨曲.mp3", "进行曲.mp3", "课间音乐.mp3"});
  addSong({QStringLiteral("起床音乐"), "07:00:00", "07:20:00", dir, QStringLiteral("顺序循环"), 2, "主通道", "00:20:00", 80});
  addSong({QStringLiteral("上课铃"), "08:00:00", "08:10:00", dir, QStringLiteral("顺序播放"), 2, "主通道", "00:10:00", 90});
  addSong({QStringLiteral("广播通知"), "08:01:00", "08:05:00", dir, QStringLiteral("单曲播放"), 2, "副通道", "00:04:00", 70});
  addText({QStringLiteral("早读"), "08:15:00", QStringLiteral("VW Hui|0|100|1|0"),
           QStringLiteral("同学们早上好！\r\n今天是<date>，现在时间<time>。\r\n请各班按时到操场集合。")});
  addOther(QStringLiteral("午间电台"), 5, QStringLiteral("http://127.0.0.1:9/radio"), 100, "12:00:00", "12:30:00");
  TDataModule1 windowDm;
  TForm_main_tamu w(windowDm, clock, windowServices);
  ASSERT_TRUE(w.created());
  w.texts().setSpeechFactory([] { return std::make_unique<ScriptedSpeech>(); });
  w.resize(980, 560);
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
