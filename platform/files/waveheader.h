// The canonical 44-byte header of a PCM wave file, for every place that writes one.
#pragma once

#include <QByteArray>

namespace orvane {

// RIFF, a 16-byte "fmt " chunk (PCM) and the "data" chunk's head, for dataBytes of
// interleaved samples. A negative dataBytes gives both sizes their largest value: the sound
// of a stream whose length is not known when the header goes out.
QByteArray pcmWaveHeader(int sampleRate, int channels, int bitsPerSample, qint64 dataBytes);

}  // namespace orvane
