// The autostart entry in temporary folders only: where it goes, how the program's path is
// quoted, what counts as present, removal, and folders that cannot be written.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/system/autostart.h"
#include "tests/support/testsupport.h"

using orvane::Autostart;

namespace {

// Reads an Exec value back the way a desktop reads it: string escapes first, then the
// quoting rules, then "%%". Returns the arguments.
QStringList parseExec(const QString& value) {
  QString s;
  for (qsizetype i = 0; i < value.size(); ++i) {
    if (value[i] == QLatin1Char('\\') && i + 1 < value.size()) {
      const QChar n = value[++i];
      s += n == QLatin1Char('n') ? QChar('\n') : n == QLatin1Char('t') ? QChar('\t') : n == QLatin1Char('r') ? QChar('\r')
         : n == QLatin1Char('s') ? QChar(' ') : n;
    } else {
      s += value[i];
    }
  }
  QStringList args;
  QString cur;
  bool quoted = false, any = false;
  for (qsizetype i = 0; i < s.size(); ++i) {
    const QChar c = s[i];
    if (quoted) {
      if (c == QLatin1Char('\\') && i + 1 < s.size()) cur += s[++i];
      else if (c == QLatin1Char('"')) quoted = false;
      else cur += c;
    } else if (c == QLatin1Char('"')) {
      quoted = any = true;
    } else if (c == QLatin1Char(' ')) {
      if (any) args.append(cur);
      cur.clear();
      any = false;
    } else {
      cur += c;
      any = true;
    }
  }
  if (any) args.append(cur);
  for (QString& a : args) a.replace(QStringLiteral("%%"), QStringLiteral("%"));
  return args;
}

QString execLine(const QByteArray& entry) {
  for (const QByteArray& line : entry.split('\n'))
    if (line.startsWith("Exec=")) return QString::fromUtf8(line.mid(5));
  return {};
}

}  // namespace

TEST(Autostart, DefaultFolderFollowsXdgConfigHome) {
  testing_support::ScopedEnv config("XDG_CONFIG_HOME", "/tmp/some config");
  EXPECT_EQ(Autostart::DefaultFolder(), QStringLiteral("/tmp/some config/autostart"));
  qputenv("XDG_CONFIG_HOME", "relative/path");  // not absolute: ignored
  EXPECT_EQ(Autostart::DefaultFolder(), QDir::homePath() + QStringLiteral("/.config/autostart"));
  qputenv("XDG_CONFIG_HOME", "");
  EXPECT_EQ(Autostart::DefaultFolder(), QDir::homePath() + QStringLiteral("/.config/autostart"));
}

TEST(Autostart, ExecQuotesEveryAwkwardPathSoItReadsBackWhole) {
  const QStringList paths = {QStringLiteral("/opt/orvane/orvane"),
                             QStringLiteral("/home/a b/播音 软件/orvane"),
                             QStringLiteral("/tmp/q\"uote/`tick`/$HOME/back\\slash/100%/x"),
                             QStringLiteral("/tmp/tab\there/new\nline/-dash;&|<>*?#()~'")};
  for (const QString& p : paths) {
    const QString value = Autostart::ExecValue(p);
    EXPECT_TRUE(value.startsWith(QLatin1Char('"'))) << value.toStdString();
    EXPECT_FALSE(value.contains(QLatin1Char('\n'))) << "a line break would end the entry";
    EXPECT_EQ(parseExec(value), QStringList{p}) << value.toStdString();
    EXPECT_EQ(parseExec(execLine(Autostart::EntryText(p))), QStringList{p});
  }
  // Quoting first, then the string escapes: one backslash in the path is four in the file.
  EXPECT_EQ(Autostart::ExecValue(QStringLiteral("/a\\b")), QStringLiteral("\"/a\\\\\\\\b\""));
  EXPECT_EQ(Autostart::ExecValue(QStringLiteral("/a%b")), QStringLiteral("\"/a%%b\""));
}

TEST(Autostart, EnableInAFolderWithBlanksThenRemove) {
  QTemporaryDir tmp;
  const QString folder = tmp.filePath(QStringLiteral("my config/autostart"));
  Autostart a(folder);
  EXPECT_FALSE(a.isPresent());
  EXPECT_TRUE(a.disable()) << "no entry to remove is fine";
  QString error;
  ASSERT_TRUE(a.enable(QStringLiteral("/opt/my apps/orvane"), &error)) << error.toStdString();
  EXPECT_EQ(a.filePath(), folder + QStringLiteral("/tamu.desktop"));
  EXPECT_TRUE(a.isPresent());
  QFile f(a.filePath());
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray text = f.readAll();
  f.close();
  EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
  EXPECT_TRUE(text.contains("\nType=Application\n"));
  EXPECT_TRUE(text.contains("\nExec=\"/opt/my apps/orvane\"\n"));
  EXPECT_FALSE(text.contains('\r'));
  ASSERT_TRUE(a.disable(&error));
  EXPECT_FALSE(QFile::exists(a.filePath()));
  EXPECT_FALSE(a.isPresent());
}

TEST(Autostart, AHiddenEntryIsNotPresentAndEnablingReplacesIt) {
  QTemporaryDir tmp;
  Autostart a(tmp.path());
  testing_support::writeFile(a.filePath(), "[Desktop Entry]\nType=Application\nExec=x\nHidden = true\n");
  EXPECT_FALSE(a.isPresent());
  // Hidden in another group does not count.
  testing_support::writeFile(a.filePath(), "[Desktop Entry]\nExec=x\n[Desktop Action new]\nHidden=true\n");
  EXPECT_TRUE(a.isPresent());
  testing_support::writeFile(a.filePath(), "[Desktop Entry]\nHidden=true\n");
  ASSERT_TRUE(a.enable(QStringLiteral("/usr/bin/orvane")));
  EXPECT_TRUE(a.isPresent());
}

TEST(Autostart, UnwritablePlacesFailWithAReason) {
  QTemporaryDir tmp;
  // A file where the folder should be cannot become a folder, whoever runs the test.
  testing_support::writeFile(tmp.filePath(QStringLiteral("autostart")), "not a folder");
  Autostart blocked(tmp.filePath(QStringLiteral("autostart")));
  QString error;
  EXPECT_FALSE(blocked.enable(QStringLiteral("/usr/bin/orvane"), &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_FALSE(blocked.isPresent());
  // A non-empty folder in the entry's place cannot be removed as a file.
  Autostart odd(tmp.filePath(QStringLiteral("odd")));
  testing_support::writeFile(odd.filePath() + QStringLiteral("/inside"), "x");
  EXPECT_FALSE(odd.isPresent());
  EXPECT_FALSE(odd.enable(QStringLiteral("/usr/bin/orvane"), &error));
  EXPECT_FALSE(odd.disable(&error));
}
