// Wraps an LZHUF stream in a one-file LHA archive (level-0 header, method -lh1-), so that
// Debian's independent `lhasa` can decode what our compressor wrote.
#pragma once

#include <QByteArray>
#include <cstdint>

#include "tests/skin/skintestdata.h"

namespace skin_testing {

// CRC-16 as LHA files carry it (polynomial 0xA001 reflected, initial value 0).
inline uint16_t lhaCrc16(const QByteArray& data) {
  uint16_t crc = 0;
  for (char ch : data) {
    crc ^= static_cast<uint8_t>(ch);
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : static_cast<uint16_t>(crc >> 1);
  }
  return crc;
}

inline QByteArray wrapLh1(const QByteArray& compressed, const QByteArray& original, const QByteArray& fileName) {
  QByteArray h;
  h += "-lh1-";
  appendU32(h, static_cast<uint32_t>(compressed.size()));
  appendU32(h, static_cast<uint32_t>(original.size()));
  appendU32(h, 0x5A210000u);  // a fixed MS-DOS date and time (2025-01-01 00:00)
  h += char(0x20);   // attribute: archive
  h += char(0);      // header level 0
  h += static_cast<char>(fileName.size());
  h += fileName;
  const uint16_t crc = lhaCrc16(original);
  h += static_cast<char>(crc & 0xFF);
  h += static_cast<char>(crc >> 8);
  uint8_t sum = 0;
  for (char ch : h) sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(ch));
  QByteArray out;
  out += static_cast<char>(h.size());
  out += static_cast<char>(sum);
  out += h;
  out += compressed;
  out += char(0);  // end of archive
  return out;
}

}  // namespace skin_testing
