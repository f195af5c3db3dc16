// The main window's song panel offscreen on the fake media layer: what the channels show, and
// the operator's double-clicks, volume slider, position bar and stop button.
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <QToolButton>

#include "controls/flatTrkBar.h"
#include "platform/audio/systemvolume.h"
#include "platform/media/fakemediabackend.h"
#include "scheduler/windows/Unit_main_tamu.h"
#include "tests/scheduler/songfixture.h"

using orvane::ChannelKind;

namespace {
class SongPanelTest : public SongFixture {
 protected:
  void SetUp() override {
    SongFixture::SetUp();
    windowServices.media = &windowBackend;
  }
  orvane::FakeMediaChannel* player(int n) const { return windowBackend.channel(ChannelKind::MediaPlayer, n); }
  orvane::FakeMediaBackend windowBackend;
  SystemServices windowServices{&power};
};
}  // namespace

TEST_F(SongPanelTest, PanelFollowsTheChannelsAndTheOperator) {
  const QString dir = folder(QStringLiteral("p"), {"一.mp3", "二.mp3", "三.mp3"});
  addSong({QStringLiteral("music"), "07:59:00", "08:30:00", dir, QStringLiteral("顺序循环"), 2, "主通道", "00:31:00", 80});
  addSong({QStringLiteral("notice"), "07:59:30", "08:10:00", dir, QStringLiteral("顺序循环"), 2, "副通道", "00:10:30", 90});
  clock.set(QDateTime(QDate(2024, 5, 1), QTime(7, 59, 10)));
  dm.SetSetting(QStringLiteral("cantstr"), QStringLiteral("0"));
  TDataModule1 windowDm;
  TForm_main_tamu w(windowDm, clock, windowServices);
  ASSERT_TRUE(w.created());
  w.resize(980, 560);
  w.show();  // the first showing starts the entry due now
  ASSERT_TRUE(w.songs().main().busy());
  EXPECT_EQ(QStringList({w.Label_jmpname->text(), QString::number(w.ListBox5->count()), w.ListBox5->item(0)->text(),
                         w.ListBox6->item(0)->text(), QString::number(w.ListBox5->currentRow()), w.Label_musicname->text(),
                         QString::number(w.FlatTrackBar1->Position()), w.FlatTrackBar1->toolTip(),
                         w.Label_alltime2->text()}),
            QStringList({"正在播放节目<music>中的歌曲：", "3", "一", path("p/一.mp3"), "0", "正在播放：" + path("p/一.mp3"),
                         "800", "音量调节(80%)", "/ 3:00"}));
  EXPECT_TRUE(w.TrackBar2->isVisible() && w.SpeedButton1->isVisible() && w.FlatTrackBar1->isVisible());

  // The volume slider by keyboard.
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

  // The stop button silences both channels.
  QTest::mouseClick(w.SpeedButton1, Qt::LeftButton);
  EXPECT_FALSE(player(0)->isOpen() || player(1)->isOpen() || w.TrackBar2->isVisible() || w.FlatTrackBar1->isVisible());
  EXPECT_TRUE(w.Label_musicname->text().isEmpty());
  EXPECT_EQ(w.ListBox5->count(), 3);

  // A reload of the day empties the panel.
  w.LoadToday();
  EXPECT_EQ(w.ListBox5->count() + w.ListBox_mp2->count(), 0);
  EXPECT_TRUE(w.Label2->text().isEmpty() && !w.SpeedButton1->isVisible());
  w.close();
}

TEST_F(SongPanelTest, StartVolumeAndTheMediaLibraryAtCreation) {
  orvane::RecordingSystemVolume system;
  windowServices.systemVolume = &system;
  dm.SetSetting(QStringLiteral("autovolume"), QStringLiteral("60"));
  dm.SetSetting(QStringLiteral("canbass"), QStringLiteral("0"));
  {
    TDataModule1 windowDm;
    TForm_main_tamu w(windowDm, clock, windowServices);
    ASSERT_TRUE(w.created());
    EXPECT_EQ(system.requests, QList<int>{60});
    EXPECT_FALSE(w.state().bassready);
    EXPECT_EQ(windowBackend.channel(ChannelKind::Stream), nullptr);  // no stream player at all
    boxes.queueAnswer(orvane::mb::IDYES);
    w.close();
  }
  dm.SetSetting(QStringLiteral("autovolume"), QStringLiteral("0"));
  dm.SetSetting(QStringLiteral("canbass"), QStringLiteral("1"));
  system.requests.clear();
  TDataModule1 windowDm;
  TForm_main_tamu w(windowDm, clock, windowServices);
  EXPECT_TRUE(system.requests.isEmpty() && w.state().bassready);
  EXPECT_NE(windowBackend.channel(ChannelKind::Stream, 1), nullptr);
  boxes.queueAnswer(orvane::mb::IDYES);
  w.close();
  EXPECT_FALSE(w.state().bassready);
  EXPECT_EQ(windowBackend.channel(ChannelKind::Stream, 1), nullptr);  // freed at close
}
