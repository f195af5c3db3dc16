// Home folder, INI reading, the text file rules and the wave header.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include "platform/files/homefolder.h"
#include "platform/files/inifile.h"
#include "platform/files/textfile.h"
#include "platform/files/waveheader.h"
#include "tests/support/testsupport.h"

using namespace orvane;

TEST(HomeFolder, ExplicitHomeThenXdgDataHomeThenDefault) {
  testing_support::ScopedEnv home("ORVANE_HOME", "/tmp/orvane-explicit/");
  testing_support::ScopedEnv xdg("XDG_DATA_HOME", std::nullopt);
  EXPECT_EQ(HomeFolder::path(), QStringLiteral("/tmp/orvane-explicit"));
  qunsetenv("ORVANE_HOME");
  qputenv("XDG_DATA_HOME", "/tmp/xdg-data");
  EXPECT_EQ(HomeFolder::path(), QStringLiteral("/tmp/xdg-data/orvane"));
  qputenv("XDG_DATA_HOME", "relative/ignored");
  EXPECT_EQ(HomeFolder::path(), QDir::homePath() + QStringLiteral("/.local/share/orvane"));
  qunsetenv("XDG_DATA_HOME");
  EXPECT_EQ(HomeFolder::path(), QDir::homePath() + QStringLiteral("/.local/share/orvane"));
}

TEST(IniFile, SectionsAndKeysIgnoreCaseAndValuesAreTrimmed) {
  QTemporaryDir dir;
  const QString path = testing_support::writeFile(dir.filePath(QStringLiteral("dbpath.ini")),
                                                  "; comment\r\n[other]\r\npath=wrong\r\n[DB]\r\n  Path = \"/srv/gsk.mdb\" \r\n");
  IniFile ini(path);
  EXPECT_EQ(ini.readString(QStringLiteral("db"), QStringLiteral("path")), QStringLiteral("/srv/gsk.mdb"));
  EXPECT_EQ(ini.readString(QStringLiteral("db"), QStringLiteral("nokey"), QStringLiteral("fb")), QStringLiteral("fb"));
  EXPECT_EQ(IniFile(dir.filePath(QStringLiteral("none.ini"))).readString(QStringLiteral("db"), QStringLiteral("path")),
            QString());
}

TEST(TextFile, Utf8OrGb18030AndCrLfOnWrite) {
  QTemporaryDir dir;
  const QString chinese = QStringLiteral("上课铃声");
  QStringEncoder gb("GB18030");
  ASSERT_TRUE(gb.isValid());
  const QByteArray gbBytes = gb.encode(chinese + QStringLiteral("\r\nline2\n"));
  const QString gbPath = testing_support::writeFile(dir.filePath(QStringLiteral("gb.pl3")), gbBytes);
  EXPECT_EQ(readTextLines(gbPath), (QStringList{chinese, QStringLiteral("line2")}));
  const QString utf8Path =
      testing_support::writeFile(dir.filePath(QStringLiteral("u.pl3")), "\xEF\xBB\xBF" + chinese.toUtf8() + "\rlast");
  EXPECT_EQ(readTextLines(utf8Path), (QStringList{chinese, QStringLiteral("last")}));

  const QString out = dir.filePath(QStringLiteral("out.txt"));
  ASSERT_TRUE(writeTextLines(out, {chinese, QString()}));
  QFile f(out);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), chinese.toUtf8() + "\r\n\r\n");
  f.close();
  ASSERT_TRUE(appendTextLine(dir.filePath(QStringLiteral("new.txt")), QStringLiteral("x")));
  ASSERT_TRUE(appendTextLine(dir.filePath(QStringLiteral("new.txt")), QStringLiteral("y")));
  EXPECT_EQ(readTextFile(dir.filePath(QStringLiteral("new.txt"))), QStringLiteral("x\r\ny\r\n"));
  EXPECT_FALSE(appendTextLine(dir.filePath(QStringLiteral("no/such/dir/x.txt")), QStringLiteral("x")));
}

TEST(WaveHeader, CanonicalPcmHeaderAndAStreamOfUnknownLength) {
  // 1 s of 44.1 kHz 16-bit stereo: the 44 bytes every wave reader knows.
  const QByteArray h = pcmWaveHeader(44100, 2, 16, 176400);
  EXPECT_EQ(h, QByteArray::fromHex("52494646" "34b10200" "57415645" "666d7420" "10000000" "0100" "0200"
                                   "44ac0000" "10b10200" "0400" "1000" "64617461" "10b10200"));
  // 8-bit mono: one byte a frame.
  EXPECT_EQ(pcmWaveHeader(8000, 1, 8, 3).mid(28, 8), QByteArray::fromHex("401f0000" "0100" "0800"));
  // A stream whose length is not known: both sizes as large as they go.
  const QByteArray s = pcmWaveHeader(22050, 1, 16, -1);
  ASSERT_EQ(s.size(), 44);
  EXPECT_EQ(s.mid(4, 4), QByteArray("\xff\xff\xff\xff"));
  EXPECT_EQ(s.mid(40, 4), QByteArray("\xff\xff\xff\xff"));
  EXPECT_EQ(s.mid(24, 4), QByteArray::fromHex("22560000"));
}
