// The adaptive Huffman tree of the LZHUF codec, shared by the package decoder and the
// build-time compressor so that both sides update the tree in exactly the same way.
#pragma once

#include <array>
#include <cstdint>

namespace orvane::skin {

class LzhTree {
 public:
  // The codec's fixed parameters: a 4096-byte ring, matches of 3..60 bytes.
  static constexpr int N = 4096;
  static constexpr int F = 60;
  static constexpr int THRESHOLD = 2;
  static constexpr int N_CHAR = 256 - THRESHOLD + F;  // 314 symbols
  static constexpr int T = N_CHAR * 2 - 1;            // 627 nodes
  static constexpr int R = T - 1;                     // root
  static constexpr unsigned MAX_FREQ = 0x8000;

  LzhTree() { Start(); }

  // Every leaf frequency 1, inner nodes built pairwise from the lowest slots.
  void Start();
  // Counts one occurrence of symbol c, rebuilding first when the root is saturated.
  void Update(int c);

  // Position tables: for an 8-bit lead value, the upper six bits of the match position and
  // the total number of bits that encode the position.
  static const std::array<uint8_t, 256>& DCode();
  static const std::array<uint8_t, 256>& DLen();

  // freq has a sentinel after the last node; prnt holds the parents of inner nodes (0..T-1)
  // and of leaves (T..T+N_CHAR-1); son holds the first child of each node (leaf k = T + k).
  std::array<uint16_t, T + 1> freq{};
  std::array<uint16_t, T + N_CHAR> prnt{};
  std::array<uint16_t, T> son{};

 private:
  void Reconst();
};

}  // namespace orvane::skin
