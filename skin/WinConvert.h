// The skin package decompressor: LZHUF (LZSS over a 4096-byte ring with adaptive Huffman
// coding of literals and match lengths), the classic parameters and bit order.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace orvane::skin {

class TLZH {
 public:
  // Nothing larger is ever unpacked, whatever a package announces.
  static constexpr uint32_t MaxUnpackedSize = 16u * 1024u * 1024u;
  // A damaged stream may be read this many bytes past its end (as zero bytes); reading
  // further means the announced size cannot be right.
  static constexpr int MaxOverrun = 2;

  // The largest output `compressedLength` bytes can describe: every symbol takes at least
  // one bit, a match at least ten bits (symbol and position) for at most 60 bytes.
  static uint64_t MaxOutputFor(uint64_t compressedLength);

  // Decodes `source` into exactly `size` bytes, which replace `dest`. Returns false (dest
  // emptied, `error` set) when the size is refused or the stream runs out.
  bool LzhUnpack(uint32_t size, const QByteArray& source, QByteArray& dest);

  const QString& error() const { return error_; }

 private:
  QString error_;
};

}  // namespace orvane::skin
