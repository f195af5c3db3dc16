// The LZHUF codec: round trips through our compressor and decompressor, the cross-check
// against Debian's lhasa, and the decompressor's limits on hostile input.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "skin/WinConvert.h"
#include "tests/skin/lhawrap.h"
#include "tests/skin/skintestdata.h"
#include "tests/support/testsupport.h"
#include "tools/skinpack/lzhpack.h"

using orvane::skin::TLZH;
using orvane::skinpack::LzhPack;
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
  const QByteArray packed = LzhPack(input);
  bool ok = false;
  const QByteArray back = unpack(packed, static_cast<uint32_t>(input.size()), &ok);
  ASSERT_TRUE(ok) << what;
  ASSERT_EQ(back.size(), input.size()) << what;
  EXPECT_TRUE(back == input) << what;
}

QList<QPair<const char*, QByteArray>> sampleInputs() {
  QByteArray zeros(300000, '\0');
  QByteArray mixed = textLike(200000, 3) + randomBytes(50000, 4) + QByteArray(70000, 'x') + textLike(90000, 5);
  return {{"one byte", QByteArray("A")},
          {"short text", QByteArray("Hello, hello, hello world")},
          {"blanks like the ring", QByteArray(200, ' ')},
          {"random 64 KiB", randomBytes(65536, 1)},
          {"text 256 KiB", textLike(262144, 2)},
          {"zeros 300 KB", zeros},
          {"mixed", mixed}};
}

}  // namespace

TEST(LzhCodec, RoundTripsCompressesAndIsDeterministic) {
  EXPECT_TRUE(LzhPack(QByteArray()).isEmpty());
  bool ok = false;
  EXPECT_TRUE(unpack(QByteArray(), 0, &ok).isEmpty());
  EXPECT_TRUE(ok);
  for (const auto& [what, input] : sampleInputs()) expectRoundTrip(input, what);
  // Every length around the ring and look-ahead sizes.
  const QByteArray text = textLike(9000, 7);
  for (int n : {2, 3, 59, 60, 61, 4035, 4036, 4037, 4095, 4096, 4097, 8192}) expectRoundTrip(text.left(n), "boundary");
  // 1 MiB of random data: well beyond the point where the tree is rebuilt many times.
  expectRoundTrip(randomBytes(1 << 20, 11), "random 1 MiB");
  const QByteArray description = textLike(100000, 9);
  EXPECT_LT(LzhPack(description).size(), description.size() / 3);
  EXPECT_EQ(LzhPack(description), LzhPack(description));
  EXPECT_LT(LzhPack(QByteArray(100000, '\0')).size(), 3000);
}

TEST(LzhCodec, OutputStopsAtTheAnnouncedSizeAndAStreamThatRunsOutFails) {
  const QByteArray input = QByteArray(5000, 'z') + textLike(5000, 1);
  const QByteArray packed = LzhPack(input);
  // The first symbols after the literal 'z' are long matches; a size inside one clips it.
  for (uint32_t size : {1u, 2u, 30u, 61u, 4999u, 5001u, 9999u}) {
    bool ok = false;
    const QByteArray out = unpack(packed, size, &ok);
    ASSERT_TRUE(ok) << size;
    EXPECT_TRUE(out == input.left(size)) << size;
  }
  const QByteArray random = randomBytes(20000, 5);
  const QByteArray stream = LzhPack(random);
  for (qsizetype cut : {stream.size() / 2, stream.size() - 8}) {
    bool ok = true;
    unpack(stream.left(cut), static_cast<uint32_t>(random.size()), &ok);
    EXPECT_FALSE(ok) << cut;
  }
}

TEST(LzhCodec, RefusesSizesTheStreamCannotHold) {
  const QByteArray packed = LzhPack(textLike(1000, 2));
  bool ok = true;
  unpack(packed, (16u << 20) + 1, &ok);  // over 16 MiB
  EXPECT_FALSE(ok);
  unpack(packed, 0xFFFFFFFFu, &ok);
  EXPECT_FALSE(ok);
  TLZH lzh;
  QByteArray out("previous");
  EXPECT_FALSE(lzh.LzhUnpack(static_cast<uint32_t>(TLZH::MaxOutputFor(uint64_t(packed.size())) + 1), packed, out));
  EXPECT_TRUE(out.isEmpty());
  EXPECT_FALSE(lzh.error().isEmpty());
  // An empty stream can still stand for a few bytes (zero bits decode to something), but
  // not for a megabyte.
  unpack(QByteArray(), 1 << 20, &ok);
  EXPECT_FALSE(ok);
}

// A golden check that the codec is the standard -lh1- one and not merely self-consistent:
// Debian's lhasa, an independent implementation, must decode what we compress.
TEST(LzhCodec, LhasaDecodesOurStreams) {
  const QString lhasa = QStandardPaths::findExecutable(QStringLiteral("lhasa"));
  ASSERT_FALSE(lhasa.isEmpty()) << "Debian's lhasa is needed for this check (scripts/install-deps.sh installs it)";
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  int index = 0;
  for (const auto& [what, input] : sampleInputs()) {
    const QByteArray packed = LzhPack(input);
    const QString path = dir.filePath(QStringLiteral("golden%1.lzh").arg(index++));
    testing_support::writeFile(path, wrapLh1(packed, input, "golden.bin"));
    QProcess p;
    p.start(lhasa, {QStringLiteral("pq"), path});
    ASSERT_TRUE(p.waitForFinished(60000)) << what;
    const QByteArray decoded = p.readAllStandardOutput();
    EXPECT_EQ(p.exitCode(), 0) << what << ": " << p.readAllStandardError().toStdString();
    ASSERT_EQ(decoded.size(), input.size()) << what;
    EXPECT_TRUE(decoded == input) << what;
  }
}
