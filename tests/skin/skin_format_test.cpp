// Packages and descriptions: the LZHUF codec (cross-checked by lhasa), the package reader,
// hostile packages and descriptions, the packer's checks and the description reader's rules.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <functional>
#include <random>

#include "skin/SkinRead.h"
#include "skin/WinConvert.h"
#include "skin/WinSkinIni.h"
#include "skin/skincolors.h"
#include "tests/skin/lhawrap.h"
#include "tests/skin/skinbuilder.h"
#include "tests/support/testsupport.h"
#include "tools/skinpack/lzhpack.h"
#include "tools/skinpack/skinfolder.h"

using namespace orvane::skin;
using namespace orvane::skinpack;
using namespace skin_testing;

namespace {

QByteArray unpack(const QByteArray& stream, uint32_t size, bool* ok = nullptr) {
  TLZH lzh;
  QByteArray out;
  const bool done = lzh.LzhUnpack(size, stream, out);
  if (ok) *ok = done;
  return out;
}

void expectRoundTrip(const QByteArray& input, const char* what) {
  bool ok = false;
  const QByteArray back = unpack(LzhPack(input), static_cast<uint32_t>(input.size()), &ok);
  ASSERT_TRUE(ok) << what;
  EXPECT_TRUE(back == input) << what;
}

QList<QPair<const char*, QByteArray>> sampleInputs() {
  return {{"one byte", QByteArray("A")},
          {"short text", QByteArray("Hello, hello, hello world")},
          {"blanks like the ring", QByteArray(200, ' ')},
          {"random 64 KiB", randomBytes(65536, 1)},
          {"text 256 KiB", textLike(262144, 2)},
          {"zeros 300 KB", QByteArray(300000, '\0')},
          {"mixed", textLike(200000, 3) + randomBytes(50000, 4) + QByteArray(70000, 'x') + textLike(90000, 5)}};
}

TQuickIni load(const QByteArray& text) {
  TQuickIni ini;
  ini.LoadFromStream(text);
  return ini;
}

}  // namespace

TEST(LzhCodec, RoundTripsCompressesAndIsDeterministic) {
  EXPECT_TRUE(LzhPack(QByteArray()).isEmpty());
  bool ok = false;
  EXPECT_TRUE(unpack(QByteArray(), 0, &ok).isEmpty());
  EXPECT_TRUE(ok);
  for (const auto& [what, input] : sampleInputs()) expectRoundTrip(input, what);
  // Every length around the ring and look-ahead sizes; 1 MiB rebuilds the tree many times.
  const QByteArray text = textLike(9000, 7);
  for (int n : {2, 3, 59, 60, 61, 4035, 4036, 4037, 4095, 4096, 4097, 8192}) expectRoundTrip(text.left(n), "boundary");
  expectRoundTrip(randomBytes(1 << 20, 11), "random 1 MiB");
  const QByteArray description = textLike(100000, 9);
  EXPECT_LT(LzhPack(description).size(), description.size() / 3);
  EXPECT_EQ(LzhPack(description), LzhPack(description));
  EXPECT_LT(LzhPack(QByteArray(100000, '\0')).size(), 3000);
}

TEST(LzhCodec, OutputStopsAtTheAnnouncedSizeAndShortOrOversizedStreamsFail) {
  const QByteArray input = QByteArray(5000, 'z') + textLike(5000, 1);
  const QByteArray packed = LzhPack(input);
  // The first symbols after the literal 'z' are long matches; a size inside one clips it.
  for (uint32_t size : {1u, 2u, 30u, 61u, 4999u, 5001u, 9999u}) {
    bool ok = false;
    EXPECT_TRUE(unpack(packed, size, &ok) == input.left(size)) << size;
    EXPECT_TRUE(ok) << size;
  }
  const QByteArray random = randomBytes(20000, 5);
  const QByteArray stream = LzhPack(random);
  bool ok = true;
  for (qsizetype cut : {stream.size() / 2, stream.size() - 8}) {
    unpack(stream.left(cut), static_cast<uint32_t>(random.size()), &ok);
    EXPECT_FALSE(ok) << cut;
  }
  // Over 16 MiB, or more than the stream can hold (an empty one never stands for a megabyte).
  for (uint32_t size : {(16u << 20) + 1, 0xFFFFFFFFu}) {
    unpack(packed, size, &ok);
    EXPECT_FALSE(ok) << size;
  }
  unpack(QByteArray(), 1 << 20, &ok);
  EXPECT_FALSE(ok);
  TLZH lzh;
  QByteArray out("previous");
  EXPECT_FALSE(lzh.LzhUnpack(static_cast<uint32_t>(TLZH::MaxOutputFor(uint64_t(packed.size())) + 1), packed, out));
  EXPECT_TRUE(out.isEmpty());
  EXPECT_FALSE(lzh.error().isEmpty());
}

// Debian's lhasa, an independent implementation of -lh1-, must decode what we compress.
TEST(LzhCodec, LhasaDecodesOurStreams) {
  const QString lhasa = QStandardPaths::findExecutable(QStringLiteral("lhasa"));
  ASSERT_FALSE(lhasa.isEmpty()) << "Debian's lhasa is needed for this check (scripts/install-deps.sh installs it)";
  QTemporaryDir dir;
  int index = 0;
  for (const auto& [what, input] : sampleInputs()) {
    const QString path = dir.filePath(QStringLiteral("golden%1.lzh").arg(index++));
    testing_support::writeFile(path, wrapLh1(LzhPack(input), input, "golden.bin"));
    QProcess p;
    p.start(lhasa, {QStringLiteral("pq"), path});
    ASSERT_TRUE(p.waitForFinished(60000)) << what;
    EXPECT_EQ(p.exitCode(), 0) << what << ": " << p.readAllStandardError().toStdString();
    EXPECT_TRUE(p.readAllStandardOutput() == input) << what;
  }
}

TEST(SkinReader, ReadsEveryAcceptedVersionAndManyEntries) {
  // Each version with the size of the block it skips after the header.
  for (auto [version, skipped] : {std::pair{20000u, 0}, {30000u, 256}, {40000u, 80}, {50000u, 48}, {60000u, 117},
                                  {70000u, 69}}) {
    EXPECT_EQ(TSkinReader::SkippedBlockSize(version), skipped);
    TSkinReader reader;
    ASSERT_TRUE(reader.Load(WritePackage(rawContents(version, skipped, "a.bmp\r\nb.ini\r\n", {3, 4}, "xyz1234", 17, 42))));
    EXPECT_EQ(std::vector<uint32_t>({reader.version(), reader.namesLength(), reader.reserved1(), reader.reserved2(),
                                     uint32_t(reader.count())}),
              std::vector<uint32_t>({version, 14, 17, 42, 2}));
    QByteArray entry;
    reader.GetEntry(QStringLiteral("b.ini"), entry);
    EXPECT_EQ(entry, QByteArray("1234")) << version;
  }
  EXPECT_EQ(TSkinReader::SkippedBlockSize(10000), -1);
  EXPECT_EQ(TSkinReader::SkippedBlockSize(70001), -1);
  QList<PackageEntry> entries;
  for (int i = 0; i < 34; ++i)
    entries.append({QStringLiteral("Image%1.bmp").arg(i), randomBytes(100 + i * 37, uint32_t(i)) + textLike(2000, i)});
  entries.append({QStringLiteral("Skin.ini"), textLike(3499, 99)});
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
  TSkinReader reader;
  ASSERT_TRUE(reader.Load(WritePackage(rawContents(70000, 69, "Title.INI\r\nOther.ini.bak\r\nMain.BMP", {2, 3, 4}, "t1o22m333"))));
  EXPECT_EQ(reader.names(), QStringList({"title.ini", "other.ini.bak", "main.bmp"}));  // no final CR LF
  QByteArray got;
  reader.GetEntry(QStringLiteral("MAIN.bmp"), got);
  EXPECT_EQ(got, QByteArray("m333"));
  EXPECT_EQ(reader.FindEntry(QStringLiteral(".ini"), got), QStringLiteral("title.ini"));
  EXPECT_EQ(got, QByteArray("t1"));
  EXPECT_EQ(reader.FindEntry(QStringLiteral(".INI"), got), QString());  // the text is not lowercased
  EXPECT_TRUE(got.isEmpty());
  for (const char* absent : {"missing.bmp", "title"}) {  // whole names only
    got = "stale";
    reader.GetEntry(QString::fromLatin1(absent), got);
    EXPECT_TRUE(got.isEmpty()) << absent;
  }
  // Two consecutive breaks make an empty name with its own size slot; CR and LF alone break too.
  ASSERT_TRUE(reader.Load(WritePackage(rawContents(70000, 69, "a\r\n\r\nb\nc\rd\r\n", {1, 2, 3, 4, 5}, "AEEBBBCCCCDDDDD"))));
  EXPECT_EQ(reader.names(), QStringList({"a", "", "b", "c", "d"}));
  reader.GetEntry(QStringLiteral("d"), got);
  EXPECT_EQ(got, QByteArray("DDDDD"));
  reader.GetEntry(QString(), got);
  EXPECT_EQ(got, QByteArray("EE"));
  // "\u4e04" is 0x81 0x41 in GB18030: its second byte is an ASCII capital that must stay.
  ASSERT_TRUE(reader.Load(WritePackage(rawContents(70000, 69, "\x81\x41.BMP\r\nskin.ini\r\n", {3, 2}, "abcde"))));
  EXPECT_EQ(reader.names(), QStringList({QStringLiteral("\u4e04.bmp"), QStringLiteral("skin.ini")}));
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
  for (int i = 0; i < 1002; ++i) names += "n" + QByteArray::number(i) + "\r\n", sizes.append(0);
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
    EXPECT_FALSE(reader.Load(package)) << what;
    QByteArray got;
    reader.GetEntry(QStringLiteral("keep.ini"), got);
    EXPECT_EQ(reader.names(), QStringList({"keep.ini"})) << what;
    EXPECT_EQ(got, QByteArray("KEEP")) << what;
    EXPECT_FALSE(reader.error().isEmpty()) << what;
  }
  names = names.left(names.lastIndexOf("n1001"));  // 1001 names are fine
  sizes.removeLast();
  EXPECT_TRUE(reader.Load(WritePackage(rawContents(70000, 69, names, sizes, QByteArray()))));
  EXPECT_EQ(reader.count(), 1001);
}

namespace {

// One random change: flipped bits, random or zeroed runs, a cut, inserted random bytes, a
// duplicated chunk or a hostile header word. Every random number is drawn in its own statement,
// so the sequence is the same whatever order a compiler evaluates arguments in.
QByteArray mutate(const QByteArray& input, std::mt19937& rng) {
  QByteArray m = input;
  auto pos = [&rng, &m]() { return static_cast<qsizetype>(rng() % static_cast<uint32_t>(std::max<qsizetype>(1, m.size()))); };
  const uint32_t kind = rng() % 7;
  const qsizetype at = pos();
  const qsizetype count = 1 + rng() % 64;
  const uint32_t value = rng();
  if (m.isEmpty() && kind != 3) return m;
  if (kind == 0) {
    m[at] = static_cast<char>(m[at] ^ (1 << (value % 8)));
  } else if (kind == 1 || kind == 6) {
    for (qsizetype p = at; p < at + count && p < m.size(); ++p) m[p] = kind == 1 ? static_cast<char>(rng()) : 0;
  } else if (kind == 2) {
    m.truncate(at);
  } else if (kind == 3) {
    m.insert(at, randomBytes(count, value));
  } else if (kind == 4) {
    if (m.size() >= 20) {
      const uint32_t values[] = {0u, 1u, 0xFFFFFFFFu, 0x7FFFFFFFu, 16u << 20, (16u << 20) + 1, value};
      qToLittleEndian<uint32_t>(values[value % 7], m.data() + 4 * (rng() % 5));
    }
  } else {
    m.insert(pos(), m.mid(at, count));
  }
  return m;
}

// What an accepted package must satisfy, whatever its bytes; it is then parsed completely.
bool checkedIfAccepted(const QByteArray& package) {
  TSkinReader reader;
  if (!reader.Load(package)) return false;
  EXPECT_LE(reader.count(), 1001);
  EXPECT_EQ(reader.count(), reader.names().size());
  qint64 sum = 0;
  for (int i = 0; i < reader.count(); ++i) sum += reader.size(i);
  EXPECT_LE(sum, reader.data().size());
  QByteArray entry;
  for (const QString& name : reader.names()) reader.GetEntry(name, entry);
  reader.FindEntry(QStringLiteral(".ini"), entry);
  TSXSkin skin;
  skin.ReadAll(load(entry), reader);
  EXPECT_TRUE(skin.Data() && !skin.SkinLoading());
  return true;
}

}  // namespace

// 10,000 random mutations of a compressed package and 1,000 of its unpacked contents neither
// crash nor hang; what is accepted is unpacked and parsed completely.
TEST(SkinPackageFuzz, MutatedPackagesNeitherCrashNorHang) {
  SkinBuilder b;  // borders, buttons, caption buttons, the combo pair and plain elements
  b.ini("[TitlebarSkin]\r\nSkinName=Fuzz\r\n[Personality]\r\nLeft=side.bmp\r\nLeftFrame=2\r\nRight=side.bmp\r\n"
        "RightFrame=2\r\nTop=top.bmp\r\nTopFrame=2\r\nTopTopHeight=4\r\nBottom=top.bmp\r\nBottomFrame=2\r\n"
        "TextBack=top.bmp\r\nmenuBar=top.bmp\r\n[Colours]\r\nButtonFace=200 210 220\r\n[Colour1]\r\ncolor=1 2 3\r\n"
        "[Buttons]\r\nBitmap=strip5.bmp\r\nCheckButton=strip12.bmp\r\nRadioButton=strip5.bmp\r\nLeftWidth=3\r\n"
        "[Button.Close]\r\nAction=0\r\nAlign=1\r\nXcoord=20\r\nButtonImage=strip6.bmp\r\n"
        "[Button.Max]\r\nAction=1\r\nVisibility=2\r\nButtonImage=strip6.bmp\r\n[Button.Help]\r\nAction=4\r\n"
        "[MDICONTROLS]\r\nImage=strip12.bmp\r\n[SunkEdge]\r\nImage=strip4.bmp\r\nLeftWidth=2\r\nRightWidth=2\r\n"
        "[ComboButton]\r\nImage=strip4.bmp\r\n[ExtraImages]\r\nImage=strip5.bmp\r\n[Scrollbar]\r\nImage=strip23.bmp\r\n"
        "[Tabs]\r\nImage=strip5.bmp\r\nBorder=side.bmp\r\n[Progress]\r\nBitmap=strip4.bmp\r\n"
        "[UpDown.Vert]\r\nImage=strip8.bmp\r\nGlyphImage=strip8.bmp\r\n[Track]\r\nImage=side.bmp\r\n");
  b.image("side.bmp", stripImage(2, 4, 40)).image("top.bmp", stripImage(1, 60, 20));
  for (int n : {4, 5, 6, 8, 12, 23}) b.image(QStringLiteral("strip%1.bmp").arg(n), stripImage(n, 7, 7));
  const QByteArray contents = BuildPackageContents(b.entries());
  const QByteArray package = WritePackage(contents);
  std::mt19937 rng(20240611);
  QLoggingCategory::setFilterRules(QStringLiteral("orvane.skin.*.warning=false"));
  int accepted = 0, acceptedContents = 0;
  for (int i = 0; i < 10000; ++i) accepted += checkedIfAccepted(mutate(package, rng));
  // Repacked contents reach the header checks with intact compression.
  for (int i = 0; i < 1000; ++i) acceptedContents += checkedIfAccepted(WritePackage(mutate(contents, rng)));
  QLoggingCategory::setFilterRules(QString());
  EXPECT_GT(accepted, 0);
  EXPECT_GT(acceptedContents, 0);
}

TEST(SkinPack, PacksAGoodSkinThatReadsBackAndRefusesWhatTheProgramCouldNotUse) {
  const QList<PackageEntry> good = {
      {"a.ini", "[Personality]\r\nLeft=left.bmp\r\nLeftFrame=2\r\n[Buttons]\r\nBitmap=button.bmp\r\n"
                "[Button.Close]\r\nButtonImage=close.bmp\r\n[Scrollbar]\r\nImage=sub/dir\\scroll.bmp\r\n"},
      {"left.bmp", bmp24(solid(8, 20, qRgb(1, 2, 3)))},
      {"button.bmp", bmp24(stripImage(5, 10, 10))},
      {"close.bmp", bmp24(stripImage(6, 18, 18))},
      {"scroll.bmp", bmp24(stripImage(23, 4, 4))}};
  SkinFolder folder;
  folder.SetEntries(good + QList<PackageEntry>{{"unused.bmp", bmp24(solid(2, 2, qRgb(0, 0, 0)))}});
  ASSERT_TRUE(folder.Pack()) << folder.errors().join('\n').toStdString();
  EXPECT_EQ(folder.warnings(), QStringList{QStringLiteral("unused.bmp: no section uses it")});
  folder.Pack();  // packing again starts afresh
  EXPECT_EQ(folder.warnings().size(), 1);
  TSkinReader reader;
  ASSERT_TRUE(reader.Load(folder.package()));
  EXPECT_EQ(reader.count(), 6);
  QByteArray deep = bmp24(solid(8, 20, qRgb(1, 2, 3)));
  deep[28] = 32;  // claims 32 bits per pixel
  const struct {
    const char* message;
    std::function<void(QList<PackageEntry>&)> change;
  } rows[] = {
      {"same name ignoring case", [](auto& s) { s.append({"LEFT.bmp", bmp24(solid(8, 20, qRgb(1, 2, 3)))}); }},
      {"no file \"nothere.bmp\"", [](auto& s) { s[0].data += "[ExtraImages]\r\nImage=nothere.bmp\r\n"; }},
      {"must be written \".bmp\"", [](auto& s) { s[0].data += "[ExtraImages]\r\nImage=left.BMP\r\n"; }},
      {"32 bits per pixel", [&deep](auto& s) { s[1].data = deep; }},
      {"[Personality/Left]: 9 pixels wide do not divide into 2 frames",
       [](auto& s) { s[1].data = bmp24(solid(9, 20, qRgb(1, 2, 3))); }},
      {"[BUTTON.CLOSE]", [](auto& s) { s[3].data = bmp24(stripImage(6, 18, 18).copy(0, 0, 107, 18)); }},
      {"[Scrollbar]", [](auto& s) { s[4].data = bmp24(stripImage(23, 4, 4).copy(0, 0, 90, 4)); }},
      {"2 descriptions", [](auto& s) { s.append(PackageEntry{"second.ini", "[Colours]\r\n"}); }},
      {"0 descriptions", [](auto& s) { s.removeFirst(); }}};
  for (const auto& r : rows) {
    QList<PackageEntry> s = good;
    r.change(s);
    SkinFolder bad;
    bad.SetEntries(s);
    EXPECT_FALSE(bad.Pack()) << r.message;
    EXPECT_TRUE(bad.package().isEmpty()) << r.message;
    EXPECT_TRUE(bad.errors().join('\n').contains(QString::fromUtf8(r.message))) << r.message;
  }
  // Version, length of the names, then two reserved words of zero.
  EXPECT_EQ(BuildPackageContents(good.mid(0, 1), 70000).left(16).toHex(), QByteArray("70110100" "07000000" "00000000" "00000000"));
}

TEST(QuickIni, LinesSectionsKeysAndTheFirstOccurrenceRule) {
  const TQuickIni ini = load(
      "orphan=1\r\n  [ First ]  \r\n; a comment\r\n\tKey = value with blanks \t\r\n\r\n[second]\nnoequals\rk=v\r\r\n"
      "[Third]\r\n[Colours]\r\nA=1\r\nEmpty=\r\nEmpty=4\r\nA=2\r\n[COLOURS]\r\nB=3\r\n"
      "[Other]\r\nC=;not a comment\r\nD=5 ; remark\r\n");
  EXPECT_EQ(ini.lines().mid(0, 7), QStringList({"orphan=1", "[ First ]", "Key = value with blanks", "[second]", "noequals", "k=v", "[Third]"}));
  EXPECT_EQ(ini.sections().mid(0, 3), QStringList({"[ First ]", "[second]", "[Third]"}));
  QStringList names{"stale"};
  ini.ReadSections(names);
  EXPECT_EQ(names, QStringList({"First", "second", "Third", "Colours", "COLOURS", "Other"}));
  // Blanks around "=" and inside the brackets do not matter; keys and sections ignore case; a
  // key line before any section belongs to none; a line without "=" has no value; the first
  // occurrence decides even when empty; only the first of two headers differing in case is
  // searched; ";" only starts a comment at the beginning of a line.
  const struct {
    const char *section, *key, *want;
  } rows[] = {{"first", "KEY", "value with blanks"}, {"SECOND", "k", "v"}, {"", "orphan", "d"}, {"first", "orphan", "d"},
              {"second", "noequals", "d"}, {"missing", "k", "d"}, {"third", "k", "d"}, {"colours", "a", "1"},
              {"Colours", "Empty", "d"}, {"colours", "B", "d"}, {"Other", "C", ";not a comment"}, {"Other", "D", "5 ; remark"}};
  for (const auto& r : rows) EXPECT_EQ(ini.ReadString(r.section, r.key, "d"), r.want) << r.section << "/" << r.key;
  EXPECT_EQ(ini.ReadInteger("Colours", "Empty", 9), 9);
  EXPECT_EQ(ini.ReadInteger("Other", "D", -7), -7);
}

TEST(QuickIni, IntegerConversionTable) {
  const TQuickIni ini = load(
      "[N]\nhex=0xFF00\nHEX=0XFF00\ndollar=$FF00\nneg=-12\npos=+12\nlead=007\nmax=2147483647\nmin=-2147483648\n"
      "over=2147483648\nhexall=0xFFFFFFFF\nhexover=$100000000\nnegzero=-0x10\nbare0x=0x\ndollaronly=$\nwords=12abc\n"
      "inner=1 2\nnegdollar=-$10\nsign=-\n");
  const std::pair<const char*, int> cases[] = {
      {"hex", 65280},   {"HEX", 65280},      {"dollar", 65280}, {"neg", -12},     {"pos", 12},        {"lead", 7},
      {"max", INT_MAX}, {"min", INT_MIN},    {"over", -99},     {"hexall", -1},   {"hexover", -99},   {"negzero", -99},
      {"bare0x", -99},  {"dollaronly", -99}, {"words", -99},    {"inner", -99},   {"negdollar", -16}, {"sign", -99},
      {"absent", -99}};
  for (const auto& [key, expected] : cases) EXPECT_EQ(ini.ReadInteger("N", key, -99), expected) << key;
}

TEST(QuickIni, ReloadingReplacesNullKeepsAndBothEncodingsRead) {
  TQuickIni ini = load("[A]\nx=1\n");
  ini.LoadFromStream(QByteArray());
  EXPECT_EQ(ini.ReadInteger("A", "x", 0), 1);
  ini.LoadFromStream(QByteArray(""));
  EXPECT_TRUE(ini.lines().isEmpty());
  // GB18030 text (not valid UTF-8) and UTF-8 text both read.
  for (const QByteArray& text : {QByteArray("[\xC6\xA4\xB7\xF4]\nname=\xC0\xB6\n"), QStringLiteral("[皮肤]\nname=蓝\n").toUtf8()}) {
    ini.LoadFromStream(text);
    EXPECT_EQ(ini.ReadString(QStringLiteral("皮肤"), "name", ""), QStringLiteral("蓝"));
  }
}

// Tens of thousands of sections, keys, repeated section names and caption buttons sharing one
// image parse completely by the reader's rules, within the test's time limit.
TEST(SkinDescriptionBounds, HugeDescriptionsParseInLinearTime) {
  const struct {
    const char* name;
    int count;
    std::function<QByteArray(int)> block;
    QByteArray tail;
    std::function<void(const TSkinData&, int)> check;
  } cases[] = {
      {"distinct colour sections", 20000, [](int k) { return QStringLiteral("[Colour%1]\r\ncolor=%2 7 9\r\n").arg(k).arg(k % 256).toLatin1(); },
       {},
       [](const TSkinData& d, int n) {
         ASSERT_EQ(d.ExtraColours.size(), n);
         for (int k = 0; k < n; k += 499) EXPECT_EQ(d.ExtraColours[k], RGBColor(k % 256, 7, 9)) << k;
       }},
      {"keys in one section", 50000, [](int k) { return (k == 0 ? QByteArray("[Buttons]\r\n") : QByteArray()) + "k" + QByteArray::number(k) + "=1\r\n"; },
       "LeftWidth=7\r\nleftwidth=8\r\n", [](const TSkinData& d, int) { EXPECT_EQ(d.Buttons->LeftWidth, 7); }},
      {"one section name repeated", 20000,
       [](int k) { return (k % 2 ? QByteArray("[PERSONALITY]") : QByteArray("[ Personality ]")) + "\r\nLeftFrame=" + QByteArray::number(k + 3) + "\r\n"; },
       {}, [](const TSkinData& d, int) { EXPECT_EQ(d.Border(bsLeft).Frame, 3); }},
      {"caption buttons sharing one image", 5000,
       [](int k) { return QStringLiteral("[Button%1]\r\nAction=0\r\nXcoord=%1\r\nButtonImage=big.bmp\r\n").arg(k).toLatin1(); },
       {},
       [](const TSkinData& d, int n) {
         ASSERT_EQ(d.SysButtons.size(), size_t(n) + 3);  // and the three of a maximised MDI child
         for (int k = 0; k < n; k += 499) {
           EXPECT_EQ(d.SysButtons[size_t(k)]->Xcoord, k);
           EXPECT_EQ(d.SysButtons[size_t(k)]->Bitmap.size(), QSize(1200, 200));
         }
       }},
  };
  QLoggingCategory::setFilterRules(QStringLiteral("orvane.skin.*.warning=false"));
  for (const auto& c : cases) {
    SkinBuilder b;
    for (int k = 0; k < c.count; ++k) b.ini(c.block(k));
    b.ini(c.tail).image(QStringLiteral("big.bmp"), stripImage(6, 200, 200));
    TSXSkin skin;
    skin.SetSkinStream(b.package());
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(skin.LoadSkin()) << c.name;
    std::printf("%s: %d blocks, %lld KB parsed in %lld ms\n", c.name, c.count,
                static_cast<long long>(b.description.size() / 1024), static_cast<long long>(timer.elapsed()));
    c.check(*skin.Data(), c.count);
  }
  QLoggingCategory::setFilterRules(QString());
}

TEST(SkinRules, ClassicSystemColoursByNumberAndTitleClipDefault) {
  // The classic Windows scheme as 0xRRGGBB, numbers 0 to 30; others are black.
  const std::uint32_t classic[31] = {
      0xD4D0C8, 0x3A6EA5, 0x0A246A, 0x808080, 0xD4D0C8, 0xFFFFFF, 0x000000, 0x000000, 0x000000, 0xFFFFFF, 0xD4D0C8,
      0xD4D0C8, 0x808080, 0x0A246A, 0xFFFFFF, 0xD4D0C8, 0x808080, 0x808080, 0x000000, 0xD4D0C8, 0xFFFFFF, 0x404040,
      0xD4D0C8, 0x000000, 0xFFFFE1, 0xB5B5B5, 0x000080, 0xA6CAF0, 0xC0C0C0, 0x316AC5, 0xD4D0C8};
  for (int i = -1; i <= 31; ++i) {
    const std::uint32_t rgb = i < 0 || i > 30 ? 0 : classic[i];
    EXPECT_EQ(SysColor(i), RGBColor(int(rgb >> 16), int(rgb >> 8) & 0xFF, int(rgb & 0xFF))) << i;
  }
  const auto data = SkinBuilder().ini("[Personality]\r\nTextShift=3\r\n").parse();
  ASSERT_TRUE(data);
  EXPECT_EQ(data->Title->TextRightClip(), 0);
  EXPECT_EQ(data->Title->LeftWidth, 3);
}
