// The player and the song finder together: the player's "搜索歌曲..." opens the finder, and the
// finder's "添加到播放列表" fills whatever player is open at the click, opening one if needed.
#include <gtest/gtest.h>

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "audiotools/windows/Unit_findsong.h"
#include "audiotools/windows/Unit_player.h"
#include "audiotools/windows/audiotools.h"
#include "platform/files/textfile.h"
#include "platform/media/fakemediabackend.h"
#include "platform/media/fakemediachannel.h"
#include "platform/system/shell.h"
#include "scheduler/core/mainstate.h"
#include "tests/support/testsupport.h"

using testing_support::waitUntil;

TEST(FinderWire, FinderRowsGoToTheOpenPlayerOrANewOne) {
  testing_support::TempHome home;
  orvane::FakeMediaBackend media;
  MainState state;
  orvane::RecordingShell shell;
  AudioToolsContext c;
  c.media = &media;
  c.state = &state;
  c.shell = &shell;
  InstallAudioTools(c);
  const QString first = testing_support::writeFile(home.file("a.mp3"), "x");
  const QString song = testing_support::writeFile(home.file("songs/My Love.mp3"), "x");
  const QString songPath = QFileInfo(song).canonicalFilePath();
  orvane::writeTextLines(home.file("playlist.txt"), {first});

  QPointer<TForm_player> player = TForm_player::Open();
  player->ListBox3->setCurrentRow(0);
  ASSERT_TRUE(player->N5->isEnabled());
  player->N5->trigger();
  QPointer<TForm_findsong> finder = Form_findsong;
  ASSERT_TRUE(finder && finder->isVisible());
  finder->Location->setText(home.file("songs"));
  finder->Filename->setText("love");
  finder->FindButton->click();
  ASSERT_TRUE(waitUntil([&] { return finder->FindButton->isEnabled() && finder->FoundFiles->topLevelItemCount() == 1; }, 10000));
  finder->FoundFiles->topLevelItem(0)->setSelected(true);

  // Twice: into the open player, then, that player closed, into a new one made for it.
  for (int round = 0; round < 2; ++round) {
    finder->N1->trigger();
    ASSERT_TRUE(Form_player && Form_player->isVisible()) << round;
    EXPECT_EQ(round == 0, Form_player == player.data());
    TForm_player* p = Form_player;
    const int n = p->ListBox4->count();
    EXPECT_EQ(n, 2 + round);  // the second one read the list the first wrote on closing
    EXPECT_EQ(p->ListBox3->count(), n);
    EXPECT_EQ(p->ListBox3->item(n - 1)->text(), "My Love.mp3");
    EXPECT_EQ(p->SongPath(n - 1), songPath);
    EXPECT_EQ(p->SongPath(0), first);
    EXPECT_EQ(p->ListBox3->currentRow(), round == 0 ? 0 : -1);  // the selection stays
    EXPECT_TRUE(p->Label_file0->text().isEmpty());               // nothing starts
    EXPECT_TRUE(media.channel(orvane::ChannelKind::MediaPlayer)->opened.isEmpty());
    p->close();
    ASSERT_TRUE(waitUntil([&] { return !Form_player; }));
  }
  ASSERT_TRUE(waitUntil([&] { return player.isNull(); }));
  EXPECT_EQ(orvane::readTextLines(home.file("playlist.txt")), QStringList({first, songPath, songPath}));
  delete finder.data();
  AudioTools() = {};
}
