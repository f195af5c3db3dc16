// espeak-ng as a PCM source: text in, 16-bit mono samples and word marks out.
#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

namespace orvane {

// How a text is to be spoken. The rate and volume use the program's own scales.
struct SpeechParams {
  QString voice;    // the engine's name of the voice; empty for the engine's default voice
  int rate = 0;     // -10 .. 10, 0 being the normal pace
  int volume = 100; // 0 .. 100, linear in amplitude
};

// A word of the text begins at a sample of the synthesised sound.
struct WordMark {
  qint64 sample = 0;  // first sample of the word
  int position = 0;   // position of the word in the text, in QString (UTF-16) units
  int length = 0;     // length of the word, in QString units
};

// The program's rate scale (-10..10) as words per minute: 175 at 0, three times faster at 10
// and three times slower at -10, clamped to what espeak-ng accepts (80..450).
int wordsPerMinute(int rate);

class EspeakSynth {
 public:
  // Called with each block of samples and the words that begin in the output so far. Returns
  // false to stop the synthesis early.
  using Sink = std::function<bool(const int16_t* samples, int count, const std::vector<WordMark>& words)>;

  // The one instance: espeak-ng keeps global state, so every use goes through this object.
  static EspeakSynth& instance();

  // Loads the engine once; false (with the reason in error()) when its data cannot be found.
  bool available();
  QString error() const;
  // The engine's sample rate; 0 when it cannot start.
  int sampleRate() const;

  // Synthesises the text, returning when it is done, one synthesis at a time in the process;
  // the sink is called on the engine's own thread.
  // False with a message when the voice is unknown or the engine failed. `cancel`, when
  // given, is looked at between blocks.
  bool synthesize(const QString& text, const SpeechParams& params, const Sink& sink, QString* message,
                  const std::atomic_bool* cancel = nullptr);

 private:
  EspeakSynth() = default;
};

}  // namespace orvane
