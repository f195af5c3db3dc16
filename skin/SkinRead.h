// The skin package reader: unpacks a package once, then hands out its entries by name.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

namespace orvane::skin {

class TSkinReader {
 public:
  static constexpr int MaxEntries = 1001;

  // The bytes that follow the 16-byte header, unread, for an accepted version; -1 for a
  // version that is not accepted.
  static int SkippedBlockSize(uint32_t version);

  // The whole of `source` is the package (u32 unpacked size, then the compressed stream).
  // True for a readable package of an accepted version. On false nothing changes and
  // error() says why.
  bool Load(const QByteArray& source);

  // Replaces dest with the entry whose name equals `name` ignoring the case of ASCII
  // letters; no match leaves dest empty.
  void GetEntry(const QString& name, QByteArray& dest) const;
  // Replaces dest with the first entry, in package order, whose (lowercased) name contains
  // `text`, and returns that name; no match leaves dest empty and returns "".
  QString FindEntry(const QString& text, QByteArray& dest) const;

  const QStringList& names() const { return names_; }
  int count() const { return count_; }
  uint32_t size(int index) const { return sizes_.at(static_cast<size_t>(index)); }
  const QByteArray& data() const { return data_; }
  uint32_t version() const { return version_; }
  uint32_t namesLength() const { return namesLength_; }
  uint32_t reserved1() const { return reserved1_; }
  uint32_t reserved2() const { return reserved2_; }
  const QString& error() const { return error_; }

  // Lowercases ASCII letters only, as entry names and description keys are compared.
  static QString LowerAscii(const QString& text);

 private:
  void CopyEntry(int index, uint64_t offset, QByteArray& dest) const;

  QStringList names_;
  int count_ = 0;
  std::array<uint32_t, MaxEntries> sizes_{};
  QByteArray data_;
  uint32_t version_ = 0;
  uint32_t namesLength_ = 0;
  uint32_t reserved1_ = 0;
  uint32_t reserved2_ = 0;
  QString error_;
};

}  // namespace orvane::skin
