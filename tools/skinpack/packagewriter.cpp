// Skin package writer (see packagewriter.h).
#include "tools/skinpack/packagewriter.h"

#include <QtEndian>

#include "skin/SkinRead.h"
#include "tools/skinpack/lzhpack.h"

namespace orvane::skinpack {

namespace {

void appendU32(QByteArray& out, uint32_t value) {
  char bytes[4];
  qToLittleEndian<uint32_t>(value, bytes);
  out.append(bytes, 4);
}

}  // namespace

QByteArray BuildPackageContents(const QList<PackageEntry>& entries, uint32_t version) {
  int skipped = orvane::skin::TSkinReader::SkippedBlockSize(version);
  if (skipped < 0) skipped = 0;
  QByteArray names;
  for (const PackageEntry& e : entries) {
    names += e.name.toUtf8();
    names += "\r\n";
  }
  QByteArray out;
  appendU32(out, version);
  appendU32(out, static_cast<uint32_t>(names.size()));
  appendU32(out, 0);
  appendU32(out, 0);
  out.append(QByteArray(skipped, '\0'));
  out += names;
  for (const PackageEntry& e : entries) appendU32(out, static_cast<uint32_t>(e.data.size()));
  for (const PackageEntry& e : entries) out += e.data;
  return out;
}

QByteArray WritePackage(const QByteArray& contents) {
  QByteArray out;
  appendU32(out, static_cast<uint32_t>(contents.size()));
  out += LzhPack(contents);
  return out;
}

QByteArray WritePackage(const QList<PackageEntry>& entries, uint32_t version) {
  return WritePackage(BuildPackageContents(entries, version));
}

}  // namespace orvane::skinpack
