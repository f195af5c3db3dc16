// The main channel's song line after the stream player's fallback: the next song played by the
// media player is shown upright again.
#include <gtest/gtest.h>

#include "tests/scheduler/songfixture.h"

TEST_F(SongFixture, ASongAfterAnMp3FromTheStreamPlayerIsShownUpright) {
  const QString mp3 = song(QStringLiteral("x.MP3")), wav = song(QStringLiteral("y.wav"));
  backend.unplayableByMediaPlayer = {mp3};
  ASSERT_EQ(main().PlayMainFile(false, mp3), 2);
  EXPECT_TRUE(main().songLineItalic());
  ASSERT_EQ(main().PlayMainFile(false, wav), 1);
  EXPECT_EQ(main().songLine(), QStringLiteral("正在播放：") + wav);
  EXPECT_FALSE(main().songLineItalic());
}
