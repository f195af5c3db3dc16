// Home folder, INI reading and the text file rules.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include "platform/files/homefolder.h"
#include "platform/files/inifile.h"
#include "platform/files/textfile.h"
#include "tests/support/testsupport.h"

using namespace orvane;

TEST(HomeFolder, ExplicitHomeThenXdgDataHomeThenDefault) {
  const QByteArray savedHome = qgetenv("ORVANE_HOME"), savedXdg = qgetenv("XDG_DATA_HOME");
  qputenv("ORVANE_HOME", "/tmp/orvane-explicit/");
  EXPECT_EQ(HomeFolder::path(), QStringLiteral("/tmp/orvane-explicit"));
  qunsetenv("ORVANE_HOME");
  qputenv("XDG_DATA_HOME", "/tmp/xdg-data");
  EXPECT_EQ(HomeFolder::path(), QStringLiteral("/tmp/xdg-data/orvane"));
  qputenv("XDG_DATA_HOME", "relative/ignored");
  EXPECT_EQ(HomeFolder::path(), QDir::homePath() + QStringLiteral("/.local/share/orvane"));
  qunsetenv("XDG_DATA_HOME");
  EXPECT_EQ(HomeFolder::path(), QDir::homePath() + QStringLiteral("/.local/share/orvane"));
  qputenv("ORVANE_HOME", savedHome);
  qputenv("XDG_DATA_HOME", savedXdg);
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
