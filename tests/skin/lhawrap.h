// Wraps an LZHUF stream in a one-file LHA archive (level-0 header, method -lh1-), so that
// Debian's independent `lhasa` can decode what our compressor wrote.
#pragma once

#include <QByteArray>
#include <cstdint>

#include "tests/skin/skintestdata.h"

namespace skin_testing {

// A one-file archive around the stream: header size, header sum, then the header ("-lh1-",
// sizes, a fixed MS-DOS time 2025-01-01 00:00, attribute archive, level 0, the name, the
// CRC-16 of the original (polynomial 0xA001 reflected, start 0)), the stream, and a 0 byte.
inline QByteArray wrapLh1(const QByteArray& compressed, const QByteArray& original, const QByteArray& fileName) {
  uint16_t crc = 0;
  for (char ch : original) {
    crc ^= static_cast<uint8_t>(ch);
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : static_cast<uint16_t>(crc >> 1);
  }
  QByteArray h("-lh1-");
  appendU32(h, static_cast<uint32_t>(compressed.size()));
  appendU32(h, static_cast<uint32_t>(original.size()));
  appendU32(h, 0x5A210000u);
  h.append(char(0x20)).append(char(0)).append(static_cast<char>(fileName.size())).append(fileName);
  h.append(static_cast<char>(crc & 0xFF)).append(static_cast<char>(crc >> 8));
  uint8_t sum = 0;
  for (char ch : h) sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(ch));
  return QByteArray(1, static_cast<char>(h.size())) + static_cast<char>(sum) + h + compressed + char(0);
}

}  // namespace skin_testing
