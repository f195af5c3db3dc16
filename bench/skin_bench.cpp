// Skin benchmarks, each beside its peer or limit in the same run:
//  1. unpacking a 2 MiB skin package against Debian's lhasa extracting the same LZHUF data
//     (wrapped as an -lh1- archive; lhasa's time includes starting the process, shown apart);
//  2. the default skin from package to parsed skin data, against the 10 ms limit;
//  3. hostile descriptions of 3,000, 30,000 and 60,000 colour sections, whose parse must grow no
//     faster than their size (within 1.5 times the linear growth).
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "bench/benchsupport.h"
#include "skin/SkinRead.h"
#include "skin/WinSkinData.h"
#include "skin/skindata.h"
#include "tests/skin/lhawrap.h"
#include "tools/skinpack/packagewriter.h"
#include "tools/skinpack/skinfolder.h"

namespace {

struct Timing {
  double best = 0;
  double median = 0;
};

Timing measure(int runs, const std::function<void()>& run) {
  std::vector<double> ms = bench::runTimesMs(runs, run);
  std::sort(ms.begin(), ms.end());
  return {ms.front(), ms[ms.size() / 2]};
}

bool runLhasa(const QString& lhasa, const QString& archive) {
  QProcess p;
  p.setStandardOutputFile(QProcess::nullDevice());
  p.setStandardErrorFile(QProcess::nullDevice());
  p.start(lhasa, {QStringLiteral("pq"), archive});
  return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);

  // A 2 MiB package of real skin data: the default skin's files, copied under new names.
  orvane::skinpack::SkinFolder folder;
  if (!folder.Read(QStringLiteral(ORVANE_SOURCE_DIR "/resources/skin/default"))) {
    std::fprintf(stderr, "cannot read the default skin sources\n");
    return 1;
  }
  QList<orvane::skinpack::PackageEntry> entries;
  qsizetype total = 0;
  for (int copy = 0; total < 2 * 1024 * 1024; ++copy) {
    for (const auto& e : folder.entries()) {
      if (total >= 2 * 1024 * 1024) break;
      entries.append({QStringLiteral("%1_%2").arg(copy).arg(e.name), e.data});
      total += e.data.size();
    }
  }
  const QByteArray contents = orvane::skinpack::BuildPackageContents(entries);
  const QByteArray package = orvane::skinpack::WritePackage(contents);
  const QByteArray stream = package.mid(4);

  std::printf("Unpacking a %.2f MiB skin package (%lld entries, %.0f KiB compressed)\n",
              contents.size() / 1048576.0, static_cast<long long>(entries.size()), stream.size() / 1024.0);
  bool same = false;
  const Timing ours = measure(20, [&] {
    orvane::skin::TSkinReader reader;
    same = reader.Load(package) && reader.count() == entries.size();
  });
  std::printf("  orvane TSkinReader::Load        best %7.2f ms   median %7.2f ms%s\n", ours.best, ours.median,
              same ? "" : "   (FAILED to load)");

  const QString lhasa = QStandardPaths::findExecutable(QStringLiteral("lhasa"));
  if (lhasa.isEmpty()) {
    std::printf("  lhasa                           not installed (scripts/install-deps.sh installs it)\n");
  } else {
    QTemporaryDir dir;
    const QString archive = dir.filePath(QStringLiteral("package.lzh"));
    const QString tiny = dir.filePath(QStringLiteral("tiny.lzh"));
    QFile a(archive);
    a.open(QIODevice::WriteOnly);
    a.write(skin_testing::wrapLh1(stream, contents, "package.bin"));
    a.close();
    const QByteArray one("x");
    QFile b(tiny);
    b.open(QIODevice::WriteOnly);
    b.write(skin_testing::wrapLh1(orvane::skinpack::WritePackage(one).mid(4), one, "tiny.bin"));
    b.close();
    bool ok = runLhasa(lhasa, archive);
    const Timing peer = measure(20, [&] { ok = runLhasa(lhasa, archive) && ok; });
    const Timing start = measure(20, [&] { runLhasa(lhasa, tiny); });
    std::printf("  lhasa -lh1- extraction          best %7.2f ms   median %7.2f ms%s\n", peer.best, peer.median,
                ok ? "" : "   (lhasa FAILED)");
    std::printf("    of which starting lhasa       best %7.2f ms   (a one-byte archive)\n", start.best);
    std::printf("  => %s: lhasa takes %.1fx as long (%.1fx without its start-up)\n",
                ours.best <= peer.best ? "at least as fast as lhasa" : "SLOWER than lhasa", peer.best / ours.best,
                (peer.best - start.best) / ours.best);
  }

  QFile res(QString::fromLatin1(orvane::skin::DefaultSkinResource));
  res.open(QIODevice::ReadOnly);
  const QByteArray skinPackage = res.readAll();
  bool parsed = false;
  const Timing load = measure(50, [&] {
    orvane::skin::TSXSkin skin;
    skin.SetSkinStream(skinPackage);
    parsed = skin.LoadSkin() && skin.Data();
  });
  std::printf("\nDefault skin, package (%lld bytes) to parsed skin data\n", static_cast<long long>(skinPackage.size()));
  std::printf("  orvane TSXSkin::LoadSkin        best %7.2f ms   median %7.2f ms%s\n", load.best, load.median,
              parsed ? "" : "   (FAILED to parse)");
  std::printf("  limit                                %7.2f ms\n", 10.0);
  std::printf("  => %s\n", load.median < 10.0 ? "within the limit" : "OVER the limit");

  std::printf("\nHostile descriptions: colour sections, each read for its colour\n");
  // The smallest description fits the processor's caches and the larger ones do not, so growth
  // is judged between the two larger ones; the smallest is shown for the scale.
  double perSection[3] = {0, 0, 0};
  const int counts[3] = {3000, 30000, 60000};
  for (int i = 0; i < 3; ++i) {
    QByteArray ini;
    for (int k = 0; k < counts[i]; ++k) ini += "[Colour" + QByteArray::number(k) + "]\r\ncolor=1 2 3\r\n";
    const QByteArray hostile = orvane::skinpack::WritePackage({{QStringLiteral("hostile.ini"), ini}});
    bool ok = false;
    const Timing t = measure(5, [&] {
      orvane::skin::TSXSkin skin;
      skin.SetSkinStream(hostile);
      ok = skin.LoadSkin() && skin.Data() && skin.Data()->ExtraColours.size() == counts[i];
    });
    perSection[i] = t.median / counts[i];
    std::printf("  %6d sections, %4lld KB    best %7.2f ms   median %7.2f ms%s\n", counts[i],
                static_cast<long long>(ini.size() / 1024), t.best, t.median, ok ? "" : "   (FAILED to parse)");
  }
  std::printf("  => twice the sections (30,000 to 60,000) take %.2f times as long (limit 3): %s\n",
              2 * perSection[2] / perSection[1], perSection[2] <= 1.5 * perSection[1] ? "linear" : "SLOWER than linear");
  return 0;
}
