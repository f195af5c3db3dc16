// Finds the chunks of a RIFF file (a wave file's "fmt " and "data") without trusting its sizes.
#pragma once

#include <QByteArray>
#include <QtGlobal>

class QIODevice;

namespace orvane::mp3 {

struct RiffChunk {
  qint64 offset = -1;  // of the chunk's first data byte
  qint64 size = 0;     // as far as the file really holds it
};

// Reads the outer "RIFF" chunk of a form type and walks the chunks inside it. A size field
// that runs past the end of the file (a recording that broke off, a stream header written
// before its length was known) is cut to what the file holds.
class RiffWalker {
 public:
  explicit RiffWalker(QIODevice* device);

  // Reads the RIFF head at the start of the device; true when it holds the form type.
  bool Descend(const char formType[4]);
  // The first chunk inside the form with this identifier (compared exactly).
  bool FindChunk(const char id[4], RiffChunk* chunk);
  // Up to maxBytes of a chunk's data.
  QByteArray Read(const RiffChunk& chunk, qint64 maxBytes);

 private:
  QIODevice* device_;
  qint64 formStart_ = -1;
  qint64 formEnd_ = 0;
};

}  // namespace orvane::mp3
