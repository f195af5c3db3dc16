// Hostile packages: 10,000 random mutations of a compressed package and 1,000 of its
// unpacked contents must neither crash nor hang; an accepted package stays self-consistent.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QtEndian>
#include <random>

#include "skin/SkinRead.h"
#include "tests/skin/skintestdata.h"
#include "tools/skinpack/packagewriter.h"

using orvane::skin::TSkinReader;
using orvane::skinpack::BuildPackageContents;
using orvane::skinpack::PackageEntry;
using orvane::skinpack::WritePackage;
using namespace skin_testing;

namespace {

QList<PackageEntry> fuzzEntries() {
  QList<PackageEntry> entries;
  for (int i = 0; i < 11; ++i) entries.append({QStringLiteral("part%1.bmp").arg(i), textLike(1200, 40u + i) + randomBytes(60, 80u + i)});
  entries.append({QStringLiteral("skin.ini"), textLike(3000, 7)});
  return entries;
}

QByteArray mutate(const QByteArray& input, std::mt19937& rng) {
  QByteArray m = input;
  auto pos = [&rng, &m]() { return static_cast<qsizetype>(rng() % static_cast<uint32_t>(std::max<qsizetype>(1, m.size()))); };
  switch (rng() % 7) {
    case 0:  // flip a few bits
      for (int k = 1 + static_cast<int>(rng() % 4); k > 0 && !m.isEmpty(); --k) m[pos()] = static_cast<char>(m[pos()] ^ (1 << (rng() % 8)));
      break;
    case 1:  // overwrite a run of bytes
      for (qsizetype p = pos(), k = 1 + rng() % 16; k > 0 && p < m.size(); --k, ++p) m[p] = static_cast<char>(rng());
      break;
    case 2:  // truncate
      m.truncate(pos());
      break;
    case 3:  // insert random bytes
      m.insert(pos(), randomBytes(1 + rng() % 32, rng()));
      break;
    case 4:  // a hostile header word
      if (m.size() >= 20) {
        const uint32_t values[] = {0u, 1u, 0xFFFFFFFFu, 0x7FFFFFFFu, 16u << 20, (16u << 20) + 1, static_cast<uint32_t>(rng())};
        qToLittleEndian<uint32_t>(values[rng() % 7], m.data() + 4 * (rng() % 5));
      }
      break;
    case 5:  // duplicate a chunk
      if (!m.isEmpty()) {
        const qsizetype p = pos();
        m.insert(pos(), m.mid(p, 1 + rng() % 64));
      }
      break;
    default:  // zero a run
      for (qsizetype p = pos(), k = 1 + rng() % 64; k > 0 && p < m.size(); --k, ++p) m[p] = 0;
      break;
  }
  return m;
}

// What an accepted package must satisfy, whatever its bytes.
void checkAccepted(const TSkinReader& reader) {
  ASSERT_LE(reader.count(), TSkinReader::MaxEntries);
  ASSERT_EQ(reader.count(), reader.names().size());
  qint64 sum = 0;
  for (int i = 0; i < reader.count(); ++i) sum += reader.size(i);
  ASSERT_LE(sum, reader.data().size());
  QByteArray entry;
  for (const QString& name : reader.names()) reader.GetEntry(name, entry);
  reader.FindEntry(QStringLiteral(".ini"), entry);
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
  RecordProperty("accepted", accepted);
  RecordProperty("accepted_contents", acceptedContents);
  std::printf("fuzz: %d of 10000 mutated packages and %d of 1000 mutated contents accepted, %lld ms\n", accepted,
              acceptedContents, static_cast<long long>(timer.elapsed()));
  EXPECT_GT(acceptedContents, 0);
}
