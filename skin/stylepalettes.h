// One palette per set of colours for what the skin style hands to Fusion.
#pragma once

#include <QHash>
#include <QList>
#include <QPalette>

class QStyleOption;

namespace orvane::skin {

// Fusion keeps the pictures it draws in Qt's pixmap cache under keys that carry the
// palette's serial number (QPalette::cacheKey), and this Qt keeps every key string it was
// ever given, after the picture itself is long dropped. Skinning gives controls palettes of
// their own (on every switch, in every new window), each with a new serial for the same
// colours, so every switch and every window left about a hundred new keys behind. Drawing
// with the first palette seen with the same colours keeps the keys to the colours that
// really differ.
class TStylePalettes {
 public:
  // The palette to draw with: equal to `palette` in every brush.
  static QPalette Canonical(const QPalette& palette);

  // Puts the canonical palette into the option for the life of the scope (the option belongs
  // to the caller of the style and is given back as it came).
  class Scope {
   public:
    explicit Scope(const QStyleOption* option);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    QStyleOption* option_ = nullptr;
    QPalette saved_;
  };

 private:
  // At most this many distinct palettes and serials are remembered; past that both lists
  // start afresh (the next paints fill them again).
  static constexpr qsizetype kMaxPalettes = 64;
  static constexpr qsizetype kMaxSerials = 4096;
};

}  // namespace orvane::skin
