// The package reader: the six versions, name and line-ending rules, entry lookup, and
// packages that must be refused without changing what was loaded before.
#include <gtest/gtest.h>

#include "skin/SkinRead.h"
#include "tests/skin/skintestdata.h"
#include "tools/skinpack/packagewriter.h"

using orvane::skin::TSkinReader;
using orvane::skinpack::PackageEntry;
using orvane::skinpack::WritePackage;
using namespace skin_testing;

namespace {

QList<PackageEntry> thirtyFiveEntries() {
  QList<PackageEntry> entries;
  for (int i = 0; i < 34; ++i) {
    entries.append({QStringLiteral("Image%1.bmp").arg(i), randomBytes(100 + i * 37, static_cast<uint32_t>(i)) + textLike(2000, i)});
  }
  entries.append({QStringLiteral("Skin.ini"), textLike(3499, 99)});
  return entries;
}

}  // namespace

TEST(SkinReader, ReadsEveryAcceptedVersion) {
  // Each version with the size of the block it skips after the header.
  for (auto [version, skipped] : {std::pair{20000u, 0}, {30000u, 256}, {40000u, 80}, {50000u, 48}, {60000u, 117},
                                  {70000u, 69}}) {
    EXPECT_EQ(TSkinReader::SkippedBlockSize(version), skipped);
    const QByteArray contents = rawContents(version, skipped, "a.bmp\r\nb.ini\r\n", {3, 4}, "xyz1234", 17, 42);
    TSkinReader reader;
    ASSERT_TRUE(reader.Load(WritePackage(contents))) << version;
    EXPECT_EQ(std::vector<uint32_t>({reader.version(), reader.namesLength(), reader.reserved1(), reader.reserved2(),
                                     uint32_t(reader.count())}),
              std::vector<uint32_t>({version, 14, 17, 42, 2}));
    QByteArray entry;
    reader.GetEntry(QStringLiteral("b.ini"), entry);
    EXPECT_EQ(entry, QByteArray("1234")) << version;
  }
  EXPECT_EQ(TSkinReader::SkippedBlockSize(10000), -1);
  EXPECT_EQ(TSkinReader::SkippedBlockSize(70001), -1);
}

TEST(SkinReader, ThirtyFiveEntriesRoundTrip) {
  const QList<PackageEntry> entries = thirtyFiveEntries();
  TSkinReader reader;
  ASSERT_TRUE(reader.Load(WritePackage(entries)));
  ASSERT_EQ(reader.count(), 35);
  qsizetype sum = 0;
  for (int i = 0; i < 35; ++i) sum += reader.size(i);
  EXPECT_EQ(reader.data().size(), sum);
  for (const PackageEntry& e : entries) {
    QByteArray got;
    reader.GetEntry(e.name, got);
    EXPECT_TRUE(got == e.data) << e.name.toStdString();
  }
  QByteArray ini;
  EXPECT_EQ(reader.FindEntry(QStringLiteral(".ini"), ini), QStringLiteral("skin.ini"));
  EXPECT_TRUE(ini == entries.last().data);
}

TEST(SkinReader, NamesIgnoreCaseAndFollowTheLineRules) {
  // Names are lowercased; lookups ignore case; FindEntry takes the first hit in order.
  const QByteArray contents = rawContents(70000, 69, "Title.INI\r\nOther.ini.bak\r\nMain.BMP", {2, 3, 4}, "t1o22m333");
  TSkinReader reader;
  ASSERT_TRUE(reader.Load(WritePackage(contents)));
  EXPECT_EQ(reader.names(), QStringList({"title.ini", "other.ini.bak", "main.bmp"}));  // no final CR LF
  QByteArray got;
  reader.GetEntry(QStringLiteral("MAIN.bmp"), got);
  EXPECT_EQ(got, QByteArray("m333"));
  EXPECT_EQ(reader.FindEntry(QStringLiteral(".ini"), got), QStringLiteral("title.ini"));
  EXPECT_EQ(got, QByteArray("t1"));
  EXPECT_EQ(reader.FindEntry(QStringLiteral(".INI"), got), QString());  // the text is not lowercased
  EXPECT_TRUE(got.isEmpty());
  got = "stale";
  reader.GetEntry(QStringLiteral("missing.bmp"), got);
  EXPECT_TRUE(got.isEmpty());
  got = "stale";
  reader.GetEntry(QStringLiteral("title"), got);  // whole names only
  EXPECT_TRUE(got.isEmpty());

  // Two consecutive breaks make an empty name with its own size slot; CR and LF alone break too.
  const QByteArray mixed = rawContents(70000, 69, "a\r\n\r\nb\nc\rd\r\n", {1, 2, 3, 4, 5}, "A" "EE" "BBB" "CCCC" "DDDDD");
  ASSERT_TRUE(reader.Load(WritePackage(mixed)));
  EXPECT_EQ(reader.names(), QStringList({"a", "", "b", "c", "d"}));
  reader.GetEntry(QStringLiteral("d"), got);
  EXPECT_EQ(got, QByteArray("DDDDD"));
  reader.GetEntry(QString(), got);
  EXPECT_EQ(got, QByteArray("EE"));
}

TEST(SkinReader, NamesInGb18030KeepTheirCharacters) {
  // "\u4e04" is 0x81 0x41 in GB18030: its second byte is an ASCII capital that must stay.
  const QByteArray name("\x81\x41.BMP\r\nskin.ini\r\n");
  const QByteArray contents = rawContents(70000, 69, name, {3, 2}, "abcde");
  TSkinReader reader;
  ASSERT_TRUE(reader.Load(WritePackage(contents)));
  EXPECT_EQ(reader.names(), QStringList({QStringLiteral("\u4e04.bmp"), QStringLiteral("skin.ini")}));
  QByteArray got;
  reader.GetEntry(QStringLiteral("\u4e04.bmp"), got);
  EXPECT_EQ(got, QByteArray("abc"));
  reader.GetEntry(QStringLiteral("\u4e04.Bmp"), got);
  EXPECT_EQ(got, QByteArray("abc"));
}

TEST(SkinReader, RefusedPackagesChangeNothing) {
  TSkinReader reader;
  ASSERT_TRUE(reader.Load(WritePackage(rawContents(70000, 69, "keep.ini\r\n", {4}, "KEEP"))));
  QByteArray longNames = rawContents(70000, 69, "a\r\n", {1}, "x");
  longNames[4] = char(200);  // the name block's length runs past the end
  QByteArray names;
  QList<uint32_t> sizes;
  for (int i = 0; i < 1002; ++i) {
    names += "n" + QByteArray::number(i) + "\r\n";
    sizes.append(0);
  }
  const QList<QPair<const char*, QByteArray>> refused = {
      {"unknown version", WritePackage(rawContents(70001, 0, "x\r\n", {1}, "x"))},
      {"unpacked size 0", WritePackage(QByteArray())},
      {"no size field", QByteArray("\x05\x00", 2)},
      {"short header", WritePackage(QByteArray(15, '\0'))},
      {"names length", WritePackage(longNames)},
      {"sizes need more data than there is", WritePackage(rawContents(70000, 69, "a\r\nb\r\n", {3, 0xFFFFFFF0u}, "abc"))},
      {"size table past the end", WritePackage(rawContents(70000, 69, "a\r\nb\r\nc\r\n", {}, QByteArray()))},
      {"1002 names", WritePackage(rawContents(70000, 69, names, sizes, QByteArray()))}};
  for (const auto& [what, package] : refused) {
    SCOPED_TRACE(what);
    EXPECT_FALSE(reader.Load(package));
    EXPECT_EQ(reader.names(), QStringList({"keep.ini"}));
    QByteArray got;
    reader.GetEntry(QStringLiteral("keep.ini"), got);
    EXPECT_EQ(got, QByteArray("KEEP"));
    EXPECT_FALSE(reader.error().isEmpty());
  }
  // 1001 names are fine.
  names = names.left(names.lastIndexOf("n1001"));
  sizes.removeLast();
  EXPECT_TRUE(reader.Load(WritePackage(rawContents(70000, 69, names, sizes, QByteArray()))));
  EXPECT_EQ(reader.count(), 1001);
}
