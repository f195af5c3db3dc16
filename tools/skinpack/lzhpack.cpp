// The LZHUF compressor (see lzhpack.h).
#include "tools/skinpack/lzhpack.h"

#include <array>
#include <cstdint>
#include <vector>

#include "skin/lzhtree.h"

namespace orvane::skinpack {

using orvane::skin::LzhTree;

namespace {

class Encoder {
 public:
  static constexpr int N = LzhTree::N;
  static constexpr int F = LzhTree::F;
  static constexpr int THRESHOLD = LzhTree::THRESHOLD;
  static constexpr int T = LzhTree::T;
  static constexpr int R = LzhTree::R;
  static constexpr int NIL = N;

  Encoder() : text_(N + F - 1, 0), lson_(N + 1), rson_(N + 257), dad_(N + 1) {
    // Position codes: the first lead value of each of the 64 upper-bit codes, with its length.
    const auto& dcode = LzhTree::DCode();
    const auto& dlen = LzhTree::DLen();
    for (int lead = 255; lead >= 0; --lead) {
      pcode_[dcode[lead]] = static_cast<uint8_t>(lead);
      plen_[dcode[lead]] = dlen[lead];
    }
  }

  QByteArray Run(const QByteArray& input) {
    const auto* in = reinterpret_cast<const uint8_t*>(input.constData());
    const size_t inSize = static_cast<size_t>(input.size());
    size_t next = 0;
    if (inSize == 0) return out_;

    for (int i = N + 1; i <= N + 256; ++i) rson_[i] = NIL;
    for (int i = 0; i < N; ++i) dad_[i] = NIL;

    int s = 0;
    int r = N - F;
    for (int i = s; i < r; ++i) text_[i] = ' ';
    int len = 0;
    for (; len < F && next < inSize; ++len) text_[r + len] = in[next++];
    for (int i = 1; i <= F; ++i) InsertNode(r - i);
    InsertNode(r);
    do {
      if (matchLength_ > len) matchLength_ = len;
      if (matchLength_ <= THRESHOLD) {
        matchLength_ = 1;
        EncodeChar(text_[r]);
      } else {
        EncodeChar(255 - THRESHOLD + matchLength_);
        EncodePosition(matchPosition_);
      }
      const int last = matchLength_;
      int i = 0;
      for (; i < last && next < inSize; ++i) {
        const uint8_t c = in[next++];
        DeleteNode(s);
        text_[s] = c;
        if (s < F - 1) text_[s + N] = c;
        s = (s + 1) & (N - 1);
        r = (r + 1) & (N - 1);
        InsertNode(r);
      }
      while (i++ < last) {
        DeleteNode(s);
        s = (s + 1) & (N - 1);
        r = (r + 1) & (N - 1);
        if (--len) InsertNode(r);
      }
    } while (len > 0);
    if (putLen_) out_.append(static_cast<char>(putBuf_ >> 8));
    return out_;
  }

 private:
  void InsertNode(int r) {
    int cmp = 1;
    const uint8_t* key = &text_[r];
    int p = N + 1 + key[0];
    rson_[r] = lson_[r] = NIL;
    matchLength_ = 0;
    for (;;) {
      if (cmp >= 0) {
        if (rson_[p] != NIL) {
          p = rson_[p];
        } else {
          rson_[p] = r;
          dad_[r] = p;
          return;
        }
      } else {
        if (lson_[p] != NIL) {
          p = lson_[p];
        } else {
          lson_[p] = r;
          dad_[r] = p;
          return;
        }
      }
      int i = 1;
      for (; i < F; ++i) {
        if ((cmp = key[i] - text_[p + i]) != 0) break;
      }
      if (i > THRESHOLD) {
        if (i > matchLength_) {
          matchPosition_ = ((r - p) & (N - 1)) - 1;
          if ((matchLength_ = i) >= F) break;
        }
        if (i == matchLength_) {
          const int c = ((r - p) & (N - 1)) - 1;
          if (c < matchPosition_) matchPosition_ = c;
        }
      }
    }
    // A full-length match replaces the old node in the tree.
    dad_[r] = dad_[p];
    lson_[r] = lson_[p];
    rson_[r] = rson_[p];
    dad_[lson_[p]] = r;
    dad_[rson_[p]] = r;
    if (rson_[dad_[p]] == p) {
      rson_[dad_[p]] = r;
    } else {
      lson_[dad_[p]] = r;
    }
    dad_[p] = NIL;
  }

  void DeleteNode(int p) {
    if (dad_[p] == NIL) return;
    int q;
    if (rson_[p] == NIL) {
      q = lson_[p];
    } else if (lson_[p] == NIL) {
      q = rson_[p];
    } else {
      q = lson_[p];
      if (rson_[q] != NIL) {
        do {
          q = rson_[q];
        } while (rson_[q] != NIL);
        rson_[dad_[q]] = lson_[q];
        dad_[lson_[q]] = dad_[q];
        lson_[q] = lson_[p];
        dad_[lson_[p]] = q;
      }
      rson_[q] = rson_[p];
      dad_[rson_[p]] = q;
    }
    dad_[q] = dad_[p];
    if (rson_[dad_[p]] == p) {
      rson_[dad_[p]] = q;
    } else {
      lson_[dad_[p]] = q;
    }
    dad_[p] = NIL;
  }

  // Appends the top `l` bits of `c` to the stream, most significant first.
  void PutCode(int l, unsigned c) {
    putBuf_ = static_cast<uint16_t>(putBuf_ | (c >> putLen_));
    if ((putLen_ += l) >= 8) {
      out_.append(static_cast<char>(putBuf_ >> 8));
      if ((putLen_ -= 8) >= 8) {
        out_.append(static_cast<char>(putBuf_ & 0xFF));
        putLen_ -= 8;
        putBuf_ = static_cast<uint16_t>(c << (l - putLen_));
      } else {
        putBuf_ = static_cast<uint16_t>(putBuf_ << 8);
      }
    }
  }

  void EncodeChar(int c) {
    // Walk from the leaf to the root; an odd slot is the second child, a 1 bit. The code is
    // gathered from its end, so the bit nearest the root ends up on top.
    uint32_t code = 0;
    int length = 0;
    int k = tree_.prnt[c + T];
    do {
      code >>= 1;
      if (k & 1) code |= 0x80000000u;
      ++length;
    } while ((k = tree_.prnt[k]) != R);
    // Rare trees grow codes longer than 16 bits; they go out in two pieces.
    if (length <= 16) {
      PutCode(length, code >> 16);
    } else {
      PutCode(16, code >> 16);
      PutCode(length - 16, code & 0xFFFFu);
    }
    tree_.Update(c);
  }

  void EncodePosition(int c) {
    const int i = c >> 6;
    PutCode(plen_[i], static_cast<unsigned>(pcode_[i]) << 8);
    PutCode(6, static_cast<unsigned>(c & 0x3F) << 10);
  }

  LzhTree tree_;
  std::vector<uint8_t> text_;
  std::vector<int> lson_, rson_, dad_;
  std::array<uint8_t, 64> pcode_{}, plen_{};
  int matchPosition_ = 0;
  int matchLength_ = 0;
  uint16_t putBuf_ = 0;
  int putLen_ = 0;
  QByteArray out_;
};

}  // namespace

QByteArray LzhPack(const QByteArray& input) {
  Encoder encoder;
  return encoder.Run(input);
}

}  // namespace orvane::skinpack
