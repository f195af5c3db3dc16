#include <gtest/gtest.h>

#include <QDir>
#include <QStringEncoder>
#include <QTemporaryDir>

#include "scheduler/core/songsources.h"
#include "tests/support/testsupport.h"

namespace {
QStringList fileNames(const QStringList& paths) {
  QStringList n;
  for (const QString& p : paths) n << p.section(QLatin1Char('/'), -2);
  return n;
}
}  // namespace

TEST(SongListsTest, FolderScanTakesSoundFilesInWindowsOrder) {
  QTemporaryDir dir;
  for (const char* name : {"b.MP3", "A.mp3", "_z.wav", "c.Wma", "d.mid", "e.txt", ".hidden.mp3", "sub/f.mp3",
                           "中文歌曲.mp3", "noext"})
    testing_support::writeFile(dir.filePath(QString::fromUtf8(name)), "x");
  QDir().mkpath(dir.filePath(QStringLiteral("folder.mp3")));  // a folder is never a song
  const QString base = QFileInfo(dir.path()).fileName();
  EXPECT_EQ(fileNames(ScanSongFolder(dir.path(), false)),
            (QStringList{base + "/A.mp3", base + "/b.MP3", base + "/c.Wma", base + "/d.mid", base + "/_z.wav",
                         base + "/中文歌曲.mp3"}));
  const QStringList all = fileNames(ScanSongFolder(dir.path(), true));
  EXPECT_EQ(all.size(), 7);
  EXPECT_EQ(all.indexOf("sub/f.mp3"), 4);  // the subfolder where its name falls: "SUB" < "_Z"
  EXPECT_TRUE(ScanSongFolder(dir.filePath(QStringLiteral("missing")), false).isEmpty());
  EXPECT_TRUE(ScanSongFolder(QString(), false).isEmpty());
}

TEST(SongListsTest, AThousandSongFolderScansWhole) {
  QTemporaryDir dir;
  for (int i = 0; i < 1000; ++i) testing_support::writeFile(dir.filePath(QStringLiteral("%1.mp3").arg(i, 4, 10, QLatin1Char('0'))), "");
  const QStringList songs = ScanSongFolder(dir.path(), false);
  ASSERT_EQ(songs.size(), 1000);
  EXPECT_TRUE(songs.first().endsWith(QStringLiteral("0000.mp3")) && songs.last().endsWith(QStringLiteral("0999.mp3")));
}

TEST(SongListsTest, SongListsInUtf8OrGb18030WithMissingAndBlankLines) {
  QTemporaryDir dir;
  const QString a = testing_support::writeFile(dir.filePath(QStringLiteral("一首歌.mp3")), "x");
  const QString b = testing_support::writeFile(dir.filePath(QStringLiteral("b.wav")), "x");
  const QString text = QStringLiteral("  ") + a + QStringLiteral("  \r\n\r\n") + dir.filePath(QStringLiteral("gone.mp3")) +
                       QStringLiteral("\n") + b;
  const QString utf8 = testing_support::writeFile(dir.filePath(QStringLiteral("u.pl3")), text.toUtf8());
  QStringEncoder gb("GB18030");
  const QString gbk = testing_support::writeFile(dir.filePath(QStringLiteral("g.pl3")), gb.encode(text));
  for (const QString& list : {utf8, gbk}) {
    EXPECT_EQ(ReadSongList(list, true), (QStringList{a, b})) << qPrintable(list);
    EXPECT_EQ(ReadSongList(list, false), (QStringList{a, dir.filePath(QStringLiteral("gone.mp3")), b}));
  }
  EXPECT_TRUE(ReadSongList(dir.filePath(QStringLiteral("none.pl3")), false).isEmpty());
}
