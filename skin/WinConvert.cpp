// The skin package decompressor (see WinConvert.h).
#include "skin/WinConvert.h"

#include <cstring>

#include "skin/lzhtree.h"

namespace orvane::skin {

namespace {

// MSB-first bit source over a byte array; bytes past the end read as zero and are counted.
class BitReader {
 public:
  BitReader(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}

  // Keeps at least 57 bits buffered.
  inline void refill() {
    while (bits_ <= 56) {
      uint64_t b = 0;
      if (p_ < end_) {
        b = *p_++;
      } else {
        ++phantom_;
      }
      buf_ |= b << (56 - bits_);
      bits_ += 8;
    }
  }
  inline unsigned bit() {
    if (bits_ == 0) refill();
    const unsigned b = static_cast<unsigned>(buf_ >> 63);
    buf_ <<= 1;
    --bits_;
    return b;
  }
  inline unsigned take(int n) {  // n in 1..32, with at least n bits buffered
    const unsigned v = static_cast<unsigned>(buf_ >> (64 - n));
    buf_ <<= n;
    bits_ -= n;
    return v;
  }
  int buffered() const { return bits_; }
  // Bytes taken beyond the end of the data, not counting what is still buffered.
  int64_t overrun() const { return phantom_ - bits_ / 8; }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
  uint64_t buf_ = 0;
  int bits_ = 0;
  int64_t phantom_ = 0;
};

}  // namespace

uint64_t TLZH::MaxOutputFor(uint64_t compressedLength) {
  return (compressedLength + MaxOverrun) * 8 * 6 + LzhTree::F;
}

bool TLZH::LzhUnpack(uint32_t size, const QByteArray& source, QByteArray& dest) {
  error_.clear();
  dest.clear();
  if (size > MaxUnpackedSize) {
    error_ = QStringLiteral("announced size %1 exceeds the limit of %2 bytes").arg(size).arg(MaxUnpackedSize);
    return false;
  }
  if (size > MaxOutputFor(static_cast<uint64_t>(source.size()))) {
    error_ = QStringLiteral("announced size %1 cannot come from %2 compressed bytes").arg(size).arg(source.size());
    return false;
  }
  if (size == 0) return true;

  constexpr int N = LzhTree::N;
  constexpr int F = LzhTree::F;
  constexpr int T = LzhTree::T;
  constexpr int R = LzhTree::R;

  // The output is preceded by the ring's initial contents, so a match can copy straight from
  // the output: ring slot (N - F + o) of output byte o sits at offset N + o here. The ring
  // starts with N - F blanks; the slots after them hold zero bytes.
  QByteArray out(static_cast<qsizetype>(N) + size, Qt::Uninitialized);
  uint8_t* const base = reinterpret_cast<uint8_t*>(out.data());
  std::memset(base, 0, F);
  std::memset(base + F, ' ', N - F);

  LzhTree tree;
  const auto& dcode = LzhTree::DCode();
  const auto& dlen = LzhTree::DLen();
  BitReader in(reinterpret_cast<const uint8_t*>(source.constData()), static_cast<size_t>(source.size()));

  uint8_t* o = base + N;
  uint8_t* const end = o + size;
  while (o < end) {
    in.refill();
    if (in.overrun() > MaxOverrun) break;
    unsigned c = tree.son[R];
    while (c < static_cast<unsigned>(T)) c = tree.son[c + in.bit()];
    c -= T;
    tree.Update(static_cast<int>(c));
    if (c < 256) {
      *o++ = static_cast<uint8_t>(c);
      continue;
    }
    // A match: 8 bits select the upper six position bits and how many more bits follow.
    if (in.buffered() < 16) in.refill();
    unsigned lead = in.take(8);
    const unsigned upper = static_cast<unsigned>(dcode[lead]) << 6;
    const int more = dlen[lead] - 2;
    lead = (lead << more) | in.take(more);
    const unsigned position = upper | (lead & 0x3F);
    size_t length = c - 253;
    if (length > static_cast<size_t>(end - o)) length = static_cast<size_t>(end - o);
    const uint8_t* from = o - position - 1;
    // Byte by byte: the source may overlap what this match writes.
    for (size_t k = 0; k < length; ++k) o[k] = from[k];
    o += length;
  }
  if (o < end || in.overrun() > MaxOverrun) {
    error_ = QStringLiteral("the compressed stream ends %1 bytes early").arg(end - o);
    return false;
  }
  out.remove(0, N);
  dest = std::move(out);
  return true;
}

}  // namespace orvane::skin
