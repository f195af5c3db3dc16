// Hostile packages: 10,000 random mutations of a compressed skin package and 1,000 of its
// unpacked contents must neither crash nor hang; what is accepted is unpacked and parsed
// completely, and stays self-consistent.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QtEndian>
#include <random>

#include "skin/SkinRead.h"
#include "skin/WinSkinData.h"
#include "skin/WinSkinIni.h"
#include "tests/skin/skinbuilder.h"
#include "tests/skin/skintestdata.h"
#include "tools/skinpack/packagewriter.h"

using orvane::skin::TSkinReader;
using orvane::skinpack::BuildPackageContents;
using orvane::skinpack::WritePackage;
using namespace skin_testing;

namespace {

// A small but complete skin: borders, buttons, caption buttons, the combo pair and a few
// plain elements, so that mutations reach every reader and the derived images.
QList<orvane::skinpack::PackageEntry> fuzzEntries() {
  SkinBuilder b;
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
  b.image("side.bmp", stripImage(2, 4, 40));
  b.image("top.bmp", stripImage(1, 60, 20));
  for (int n : {4, 5, 6, 8, 12, 23}) b.image(QStringLiteral("strip%1.bmp").arg(n), stripImage(n, 7, 7));
  return b.entries();
}

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
  switch (kind) {
    case 0:  // flip a bit
      m[at] = static_cast<char>(m[at] ^ (1 << (value % 8)));
      break;
    case 1:  // overwrite or zero a run
    case 6:
      for (qsizetype p = at; p < at + count && p < m.size(); ++p) m[p] = kind == 1 ? static_cast<char>(rng()) : 0;
      break;
    case 2:
      m.truncate(at);
      break;
    case 3:
      m.insert(at, randomBytes(count, value));
      break;
    case 4:  // a hostile header word
      if (m.size() >= 20) {
        const uint32_t values[] = {0u, 1u, 0xFFFFFFFFu, 0x7FFFFFFFu, 16u << 20, (16u << 20) + 1, value};
        qToLittleEndian<uint32_t>(values[value % 7], m.data() + 4 * (rng() % 5));
      }
      break;
    default:  // duplicate a chunk
      m.insert(pos(), m.mid(at, count));
      break;
  }
  return m;
}

// What an accepted package must satisfy, whatever its bytes; it is then parsed completely.
void checkAccepted(const TSkinReader& reader) {
  ASSERT_LE(reader.count(), 1001);
  ASSERT_EQ(reader.count(), reader.names().size());
  qint64 sum = 0;
  for (int i = 0; i < reader.count(); ++i) sum += reader.size(i);
  ASSERT_LE(sum, reader.data().size());
  QByteArray entry;
  for (const QString& name : reader.names()) reader.GetEntry(name, entry);
  reader.FindEntry(QStringLiteral(".ini"), entry);
  orvane::skin::TQuickIni ini;
  ini.LoadFromStream(entry);
  orvane::skin::TSXSkin skin;
  skin.ReadAll(ini, reader);
  ASSERT_TRUE(skin.Data());
  ASSERT_FALSE(skin.SkinLoading());
}

}  // namespace

TEST(SkinPackageFuzz, MutatedPackagesNeitherCrashNorHang) {
  const QByteArray contents = BuildPackageContents(fuzzEntries());
  const QByteArray package = WritePackage(contents);
  std::mt19937 rng(20240611);
  // Thousands of refusals would each log a line.
  QLoggingCategory::setFilterRules(QStringLiteral("orvane.skin.*.warning=false"));
  QElapsedTimer timer;
  timer.start();
  int accepted = 0;
  for (int i = 0; i < 10000; ++i) {
    const QByteArray m = mutate(package, rng);
    TSkinReader reader;
    if (reader.Load(m)) {
      ++accepted;
      checkAccepted(reader);
    }
  }
  // Repacked contents reach the header checks with intact compression.
  int acceptedContents = 0;
  for (int i = 0; i < 1000; ++i) {
    TSkinReader reader;
    if (reader.Load(WritePackage(mutate(contents, rng)))) {
      ++acceptedContents;
      checkAccepted(reader);
    }
  }
  QLoggingCategory::setFilterRules(QString());
  EXPECT_GT(accepted, 0);
  std::printf("fuzz: %d of 10000 mutated packages and %d of 1000 mutated contents accepted, %lld ms\n", accepted,
              acceptedContents, static_cast<long long>(timer.elapsed()));
  EXPECT_GT(acceptedContents, 0);
}
