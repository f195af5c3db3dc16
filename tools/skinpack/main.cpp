// skinpack: checks a skin source folder and writes its package.
//   skinpack <skin folder> <package file>
#include <QCoreApplication>
#include <QSaveFile>
#include <cstdio>

#include "tools/skinpack/skinfolder.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() != 3) {
    std::fprintf(stderr, "usage: skinpack <skin folder> <package file>\n");
    return 2;
  }
  orvane::skinpack::SkinFolder folder;
  const bool ok = folder.Read(args.at(1)) && folder.Pack();
  for (const QString& w : folder.warnings()) std::fprintf(stderr, "skinpack: warning: %s\n", qPrintable(w));
  if (!ok) {
    for (const QString& e : folder.errors()) std::fprintf(stderr, "skinpack: %s\n", qPrintable(e));
    return 1;
  }
  QSaveFile out(args.at(2));
  if (!out.open(QIODevice::WriteOnly) || out.write(folder.package()) != folder.package().size() || !out.commit()) {
    std::fprintf(stderr, "skinpack: cannot write %s\n", qPrintable(args.at(2)));
    return 1;
  }
  std::printf("skinpack: %lld files, %lld bytes packed\n", static_cast<long long>(folder.entries().size()),
              static_cast<long long>(folder.package().size()));
  return 0;
}
