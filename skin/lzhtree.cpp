// The adaptive Huffman tree of the LZHUF codec (see lzhtree.h).
#include "skin/lzhtree.h"

#include <cstring>

namespace orvane::skin {

namespace {

struct PositionTables {
  std::array<uint8_t, 256> code{};
  std::array<uint8_t, 256> len{};
  PositionTables() {
    // 32 leads of code 0 with 3 bits, 48 of codes 1-3 with 4, 64 of codes 4-11 with 5,
    // 48 of codes 12-23 with 6, 48 of codes 24-47 with 7, 16 of codes 48-63 with 8.
    struct Run {
      int codes, perCode, bits;
    };
    const Run runs[] = {{1, 32, 3}, {3, 16, 4}, {8, 8, 5}, {12, 4, 6}, {24, 2, 7}, {16, 1, 8}};
    int lead = 0, c = 0;
    for (const Run& run : runs) {
      for (int k = 0; k < run.codes; ++k, ++c) {
        for (int j = 0; j < run.perCode; ++j, ++lead) {
          code[lead] = static_cast<uint8_t>(c);
          len[lead] = static_cast<uint8_t>(run.bits);
        }
      }
    }
  }
};

const PositionTables& tables() {
  static const PositionTables t;
  return t;
}

}  // namespace

const std::array<uint8_t, 256>& LzhTree::DCode() { return tables().code; }
const std::array<uint8_t, 256>& LzhTree::DLen() { return tables().len; }

void LzhTree::Start() {
  for (int i = 0; i < N_CHAR; ++i) {
    freq[i] = 1;
    son[i] = static_cast<uint16_t>(i + T);
    prnt[i + T] = static_cast<uint16_t>(i);
  }
  int i = 0;
  for (int j = N_CHAR; j <= R; ++j, i += 2) {
    freq[j] = static_cast<uint16_t>(freq[i] + freq[i + 1]);
    son[j] = static_cast<uint16_t>(i);
    prnt[i] = prnt[i + 1] = static_cast<uint16_t>(j);
  }
  freq[T] = 0xFFFF;
  prnt[R] = 0;
}

void LzhTree::Reconst() {
  // Leaves move to the low half with halved frequencies (rounded up) ...
  int j = 0;
  for (int i = 0; i < T; ++i) {
    if (son[i] >= T) {
      freq[j] = static_cast<uint16_t>((freq[i] + 1) / 2);
      son[j] = son[i];
      ++j;
    }
  }
  // ... and the inner nodes are rebuilt in frequency order.
  for (int i = 0, jj = N_CHAR; jj < T; i += 2, ++jj) {
    const unsigned f = static_cast<unsigned>(freq[i]) + freq[i + 1];
    freq[jj] = static_cast<uint16_t>(f);
    int k = jj - 1;
    while (f < freq[k]) --k;
    ++k;
    const size_t moved = static_cast<size_t>(jj - k) * sizeof(uint16_t);
    std::memmove(&freq[k + 1], &freq[k], moved);
    freq[k] = static_cast<uint16_t>(f);
    std::memmove(&son[k + 1], &son[k], moved);
    son[k] = static_cast<uint16_t>(i);
  }
  for (int i = 0; i < T; ++i) {
    const int k = son[i];
    prnt[k] = static_cast<uint16_t>(i);
    if (k < T) prnt[k + 1] = static_cast<uint16_t>(i);
  }
}

void LzhTree::Update(int c) {
  if (freq[R] == MAX_FREQ) Reconst();
  int node = prnt[c + T];
  do {
    const unsigned k = ++freq[node];
    // Keep the frequencies sorted: swap with the last node of lower frequency.
    int l = node + 1;
    if (k > freq[l]) {
      while (k > freq[++l]) {
      }
      --l;
      freq[node] = freq[l];
      freq[l] = static_cast<uint16_t>(k);

      const int i = son[node];
      prnt[i] = static_cast<uint16_t>(l);
      if (i < T) prnt[i + 1] = static_cast<uint16_t>(l);

      const int jn = son[l];
      son[l] = static_cast<uint16_t>(i);
      prnt[jn] = static_cast<uint16_t>(node);
      if (jn < T) prnt[jn + 1] = static_cast<uint16_t>(node);
      son[node] = static_cast<uint16_t>(jn);
      node = l;
    }
    node = prnt[node];
  } while (node != 0);
}

}  // namespace orvane::skin
