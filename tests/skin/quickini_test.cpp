// The description reader's rules: line ends, comments, section and key matching, the
// first-occurrence rule, and integer conversion.
#include <gtest/gtest.h>

#include "skin/WinSkinIni.h"

using orvane::skin::TQuickIni;

namespace {

TQuickIni load(const QByteArray& text) {
  TQuickIni ini;
  ini.LoadFromStream(text);
  return ini;
}

}  // namespace

TEST(QuickIni, KeepsTrimmedLinesAndSectionsInOrder) {
  const TQuickIni ini = load(
      "orphan=1\r\n"
      "  [ First ]  \r\n"
      "; a comment\r\n"
      "\tKey = value with blanks \t\r\n"
      "\r\n"
      "[second]\n"
      "noequals\r"
      "k=v\r\r\n"
      "[Third]");
  EXPECT_EQ(ini.lines(), QStringList({"orphan=1", "[ First ]", "Key = value with blanks", "[second]", "noequals", "k=v", "[Third]"}));
  EXPECT_EQ(ini.sections(), QStringList({"[ First ]", "[second]", "[Third]"}));
  QStringList names{"stale"};
  ini.ReadSections(names);
  EXPECT_EQ(names, QStringList({"First", "second", "Third"}));
  // Blanks around "=" and inside the brackets do not matter; keys and sections ignore case; a
  // key line before any section belongs to none; a line without "=" has no value.
  const struct {
    const char *section, *key, *want;
  } rows[] = {{"first", "KEY", "value with blanks"}, {"SECOND", "k", "v"},         {"", "orphan", "d"},
              {"first", "orphan", "d"},              {"second", "noequals", "d"}, {"missing", "k", "d"},
              {"third", "k", "d"}};
  for (const auto& r : rows) EXPECT_EQ(ini.ReadString(r.section, r.key, "d"), r.want) << r.section << "/" << r.key;
}

TEST(QuickIni, FirstSectionAndFirstKeyWin) {
  const TQuickIni ini = load(
      "[Colours]\r\nA=1\r\nEmpty=\r\nEmpty=4\r\nA=2\r\n"
      "[COLOURS]\r\nB=3\r\n"
      "[Other]\r\nC=;not a comment\r\nD=5 ; remark\r\n");
  EXPECT_EQ(ini.ReadInteger("colours", "a", -1), 1);
  // The first occurrence decides even when empty: the default, not 4.
  EXPECT_EQ(ini.ReadInteger("Colours", "Empty", 9), 9);
  // Only the first of two headers that differ in case is searched.
  EXPECT_EQ(ini.ReadString("colours", "B", "none"), "none");
  QStringList names;
  ini.ReadSections(names);
  EXPECT_EQ(names, QStringList({"Colours", "COLOURS", "Other"}));
  // ";" only starts a comment at the beginning of a line.
  EXPECT_EQ(ini.ReadString("Other", "C", "d"), ";not a comment");
  EXPECT_EQ(ini.ReadString("Other", "D", "d"), "5 ; remark");
  EXPECT_EQ(ini.ReadInteger("Other", "D", -7), -7);
}

TEST(QuickIni, IntegerConversionTable) {
  const TQuickIni ini = load(
      "[N]\n"
      "hex=0xFF00\nHEX=0XFF00\ndollar=$FF00\nneg=-12\npos=+12\nlead=007\n"
      "max=2147483647\nmin=-2147483648\nover=2147483648\nhexall=0xFFFFFFFF\nhexover=$100000000\n"
      "negzero=-0x10\nbare0x=0x\ndollaronly=$\nwords=12abc\ninner=1 2\nnegdollar=-$10\nsign=-\n");
  const struct {
    const char* key;
    int expected;
  } cases[] = {{"hex", 65280},   {"HEX", 65280},      {"dollar", 65280},  {"neg", -12},     {"pos", 12},
               {"lead", 7},      {"max", 2147483647}, {"min", INT_MIN},   {"over", -99},    {"hexall", -1},
               {"hexover", -99}, {"negzero", -99},    {"bare0x", -99},    {"dollaronly", -99},
               {"words", -99},   {"inner", -99},      {"negdollar", -16}, {"sign", -99},    {"absent", -99}};
  for (const auto& c : cases) EXPECT_EQ(ini.ReadInteger("N", c.key, -99), c.expected) << c.key;
}

TEST(QuickIni, ReloadingReplacesAndNullKeeps) {
  TQuickIni ini = load("[A]\nx=1\n");
  ini.LoadFromStream(QByteArray());
  EXPECT_EQ(ini.ReadInteger("A", "x", 0), 1);
  ini.LoadFromStream(QByteArray(""));
  EXPECT_TRUE(ini.lines().isEmpty());
  EXPECT_EQ(ini.ReadInteger("A", "x", 0), 0);
  // GB18030 text (not valid UTF-8) and UTF-8 text both read.
  ini.LoadFromStream(QByteArray("[\xC6\xA4\xB7\xF4]\nname=\xC0\xB6\n"));
  EXPECT_EQ(ini.ReadString(QStringLiteral("皮肤"), "name", ""), QStringLiteral("蓝"));
  ini.LoadFromStream(QStringLiteral("[皮肤]\nname=蓝\n").toUtf8());
  EXPECT_EQ(ini.ReadString(QStringLiteral("皮肤"), "name", ""), QStringLiteral("蓝"));
}
