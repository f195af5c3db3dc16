// The LZHUF compressor that matches the skin package decompressor: LZSS over the same
// blank-filled 4096-byte ring with a binary search tree for matches, adaptive Huffman
// coding of literals and lengths, and fixed codes for match positions. Deterministic.
#pragma once

#include <QByteArray>

namespace orvane::skinpack {

// The compressed stream of `input` (without any size prefix).
QByteArray LzhPack(const QByteArray& input);

}  // namespace orvane::skinpack
