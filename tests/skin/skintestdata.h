// Test data for the skin suites: deterministic random and text-like bytes, raw package
// contents with hand-made name blocks, 24-bit BMP files of images.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QtEndian>
#include <cstdint>
#include <random>

namespace skin_testing {

inline QByteArray randomBytes(qsizetype n, uint32_t seed) {
  std::mt19937 rng(seed);
  QByteArray out(n, Qt::Uninitialized);
  for (qsizetype i = 0; i < n; ++i) out[i] = static_cast<char>(rng() & 0xFF);
  return out;
}

// Words from a small vocabulary with numbers and line breaks: compresses like a description.
inline QByteArray textLike(qsizetype n, uint32_t seed) {
  static const char* const words[] = {"[Personality]", "LeftWidth=", "Image=", "button.bmp", "Frame=",
                                      "0x00FF00", "Trans=1", "\r\n", "Colours", " ", "237 242 249",
                                      "Scrollbar", "Tile=0", ";", "menu", "ButtonFace="};
  std::mt19937 rng(seed);
  QByteArray out;
  while (out.size() < n) {
    out += words[rng() % (sizeof(words) / sizeof(words[0]))];
    if (rng() % 5 == 0) out += QByteArray::number(static_cast<int>(rng() % 1000));
  }
  out.truncate(n);
  return out;
}

inline void appendU32(QByteArray& out, uint32_t v) {
  char b[4];
  qToLittleEndian<uint32_t>(v, b);
  out.append(b, 4);
}

// Unpacked package contents with the name block given as raw bytes.
inline QByteArray rawContents(uint32_t version, int skipped, const QByteArray& nameBlock,
                              const QList<uint32_t>& sizes, const QByteArray& data,
                              uint32_t reserved1 = 0, uint32_t reserved2 = 0) {
  QByteArray out;
  appendU32(out, version);
  appendU32(out, static_cast<uint32_t>(nameBlock.size()));
  appendU32(out, reserved1);
  appendU32(out, reserved2);
  out += QByteArray(skipped, '\0');
  out += nameBlock;
  for (uint32_t s : sizes) appendU32(out, s);
  out += data;
  return out;
}

// A 24-bit BMP file (bottom-up rows padded to four bytes) of an image's colours.
inline QByteArray bmp24(const QImage& source) {
  const QImage image = source.convertToFormat(QImage::Format_RGB32);
  const int w = image.width(), h = image.height(), stride = (w * 3 + 3) & ~3;
  QByteArray out("BM");
  // File size, reserved, pixel offset; the info header: its size, width, height, 1 plane and
  // 24 bits, no compression, the pixel bytes, 2835 pixels a metre, no palette.
  for (uint32_t v : {uint32_t(54 + stride * h), 0u, 54u, 40u, uint32_t(w), uint32_t(h), 1u | 24u << 16, 0u,
                     uint32_t(stride * h), 2835u, 2835u, 0u, 0u})
    appendU32(out, v);
  for (int y = h - 1; y >= 0; --y) {
    for (int x = 0; x < w; ++x) {
      const QRgb c = image.pixel(x, y);
      out.append(static_cast<char>(qBlue(c))).append(static_cast<char>(qGreen(c))).append(static_cast<char>(qRed(c)));
    }
    out.append(QByteArray(stride - w * 3, '\0'));
  }
  return out;
}

// An image filled with one colour.
inline QImage solid(int w, int h, QRgb colour) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

constexpr QRgb kMagenta = 0xFFFF00FFu;

// A horizontal strip of `frames` frames of w x h, frame k (counted from 1) filled with red k * 10.
inline QImage stripImage(int frames, int w, int h) {
  QImage image(frames * w, h, QImage::Format_RGB32);
  for (int k = 0; k < frames; ++k)
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) image.setPixel(k * w + x, y, qRgb((k + 1) * 10, 0, 0));
  return image;
}

}  // namespace skin_testing
