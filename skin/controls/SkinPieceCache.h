// Rendered skin pieces (a frame of an element at one size) kept in Qt's pixmap cache, so a
// repaint only blits. A piece is keyed by the skin generation, the element, the frame, the
// size, the transparency and the rotation; a new skin bumps the generation and every old key
// simply stops being asked for. Text is never cached.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QSize>
#include <functional>
#include <memory>

namespace orvane::skin {

class TDataSkinObject;

class TSkinPieceCache {
 public:
  static quint64 Generation();
  // The skin changed: pieces made before are no longer used.
  static void BumpGeneration();
  // The skin data being drawn: a different one (a new skin) bumps the generation.
  static void Follow(const std::shared_ptr<const void>& skinData);
  // The cached piece, or `build`'s image stored and returned. A null image is not stored.
  static QPixmap Piece(const void* element, int frame, QSize size, bool transparent, int rotation,
                       const std::function<QImage()>& build);
  // Pieces built since the program started (for the cache's tests and benchmark).
  static quint64 Built();
};

}  // namespace orvane::skin
