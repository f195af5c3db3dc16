// The speech parameters of a text entry, stored in its play-mode column as
// voice|rate|volume|repeat count|hint ("Microsoft Simplified Chinese|0|100|1|0").
#pragma once

#include <QString>
#include <optional>

struct TtsParams {
  QString voice;     // the voice's description
  int rate = 0;      // -10..10
  int volume = 100;  // 0..100
  int repeats = 1;   // how many times the text is read, at least 1
  bool hint = false; // play the hint sound first

  QString toString() const;
  // Reads a stored string. Nothing when it has fewer than five fields or the rate or volume
  // is not an integer; a repeat count that is not a whole number of at least 1 reads as 1.
  static std::optional<TtsParams> parse(const QString& text);
  // Reads a stored string for speaking it: every field that is missing or not a number takes
  // its fallback (rate 0, volume 100, repeat count 1) with a log line; rate and volume are
  // kept within their ranges.
  static TtsParams read(const QString& text);
  // A repeat count as typed: a whole number of at least 1, else 1.
  static int repeatsOf(const QString& text);
};
