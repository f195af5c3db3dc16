// A skin source folder (bitmaps and one description) checked and packed the way the
// program will read it: unique names, every named image present and 24 bits deep, every
// strip divisible by its frame count, and a package that decodes back to its input.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "tools/skinpack/packagewriter.h"

namespace orvane::skin {
class TSkinReader;
}

namespace orvane::skinpack {

class SkinFolder {
 public:
  // Reads every file of `path` (sub-folders are not part of a skin), sorted by name.
  bool Read(const QString& path);
  // Uses the given entries instead of a folder (tests).
  void SetEntries(const QList<PackageEntry>& entries) { entries_ = entries; }
  const QList<PackageEntry>& entries() const { return entries_; }

  // Packs the entries and checks the result; false with errors() when anything is wrong.
  bool Pack();
  const QByteArray& package() const { return package_; }
  const QStringList& errors() const { return errors_; }
  const QStringList& warnings() const { return warnings_; }

 private:
  void CheckNames();
  void CheckBitmaps();
  void CheckDescription(const QByteArray& description);
  // Loads the package into `reader`; true when every entry decodes back to its file.
  bool CheckRoundTrip(orvane::skin::TSkinReader& reader);
  void CheckStrips(const orvane::skin::TSkinReader& reader);

  QList<PackageEntry> entries_;
  QByteArray package_;
  QStringList errors_;
  QStringList warnings_;
};

// Bits per pixel of a BMP file's bytes, or -1 when they are not an uncompressed bitmap.
int BmpBitsPerPixel(const QByteArray& bytes);

}  // namespace orvane::skinpack
