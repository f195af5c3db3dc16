// Writes skin packages: the header, the name block, the size table and the entry data,
// compressed with LZHUF and preceded by the unpacked size.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>

namespace orvane::skinpack {

struct PackageEntry {
  QString name;
  QByteArray data;
};

// The unpacked contents for `entries` in the given order. Names are written as UTF-8, each
// followed by CR LF; the block a version skips is written as zero bytes.
QByteArray BuildPackageContents(const QList<PackageEntry>& entries, uint32_t version = 70000);

// A whole package: u32 unpacked size, then the compressed contents.
QByteArray WritePackage(const QByteArray& contents);
QByteArray WritePackage(const QList<PackageEntry>& entries, uint32_t version = 70000);

}  // namespace orvane::skinpack
