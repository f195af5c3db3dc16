// espeak-ng in retrieval mode: it hands its sound to our callback instead of playing it, and
// the caller waits for the end of each text.
#include "platform/speech/espeaksynth.h"

#include <espeak-ng/speak_lib.h>

#include "platform/speech/espeakvoices.h"

#include <QByteArray>
#include <QMutexLocker>
#include <algorithm>
#include <cmath>

namespace orvane {

int wordsPerMinute(int rate) {
  const double wpm = espeakRATE_NORMAL * std::pow(3.0, std::clamp(rate, -10, 10) / 10.0);
  return std::clamp(int(std::lround(wpm)), espeakRATE_MINIMUM, espeakRATE_MAXIMUM);
}

namespace {

// One synthesis in flight: where its callback delivers.
struct Job {
  const EspeakSynth::Sink* sink = nullptr;
  const std::atomic_bool* cancel = nullptr;
  std::vector<int> utf16Of;  // UTF-16 offset of each code point, and one past the end
  int sampleRate = 22050;
  std::vector<WordMark> words;
  bool stopped = false;
};

int onSynth(short* wav, int count, espeak_EVENT* events) {
  Job* job = nullptr;
  for (espeak_EVENT* e = events; e; ++e) {
    if (e->user_data) job = static_cast<Job*>(e->user_data);
    if (e->type == espeakEVENT_LIST_TERMINATED) break;
    if (e->type != espeakEVENT_WORD || !job) continue;
    // espeak counts code points from 1; the program's texts count UTF-16 units from 0.
    const int cps = int(job->utf16Of.size()) - 1;
    const int first = std::clamp(e->text_position - 1, 0, cps);
    const int last = std::clamp(first + std::max(e->length, 0), first, cps);
    WordMark w;
    w.sample = qint64(e->audio_position) * job->sampleRate / 1000;
    w.position = job->utf16Of[std::size_t(first)];
    w.length = job->utf16Of[std::size_t(last)] - w.position;
    job->words.push_back(w);
  }
  if (!job) return 0;
  if (job->stopped || (job->cancel && job->cancel->load())) {
    job->stopped = true;
    return 1;  // abort the synthesis
  }
  if (count > 0 || !job->words.empty()) {
    if (!(*job->sink)(wav, std::max(count, 0), job->words)) job->stopped = true;
    job->words.clear();
  }
  return job->stopped ? 1 : 0;
}

std::vector<int> utf16Offsets(const QString& text) {
  std::vector<int> offsets;
  offsets.reserve(std::size_t(text.size()) + 1);
  for (int i = 0; i < text.size(); ++i) {
    offsets.push_back(i);
    if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ++i;
  }
  offsets.push_back(int(text.size()));
  return offsets;
}

}  // namespace

EspeakSynth& EspeakSynth::instance() {
  static EspeakSynth synth;
  return synth;
}

bool EspeakSynth::available() {
  // One start of the engine per process, shared with the voice list; then our callback.
  static const bool ready = [] {
    if (EspeakVoiceCatalog::initializeEngine() <= 0) return false;
    espeak_SetSynthCallback(onSynth);
    return true;
  }();
  return ready;
}

QString EspeakSynth::error() const { return QStringLiteral("espeak-ng could not load its data"); }

int EspeakSynth::sampleRate() const { return std::max(0, EspeakVoiceCatalog::initializeEngine()); }

bool EspeakSynth::synthesize(const QString& text, const SpeechParams& params, const Sink& sink, QString* message,
                             const std::atomic_bool* cancel) {
  if (!available()) {
    if (message) *message = error();
    return false;
  }
  // One synthesis at a time, and never beside a listing of the voices.
  QMutexLocker lock(&EspeakVoiceCatalog::engineLock());
  const QByteArray voice = (params.voice.isEmpty() ? QStringLiteral("en") : params.voice).toUtf8();
  if (espeak_SetVoiceByName(voice.constData()) != EE_OK) {
    if (message) *message = QStringLiteral("espeak-ng has no voice named \"%1\"").arg(QString::fromUtf8(voice));
    return false;
  }
  espeak_SetParameter(espeakRATE, wordsPerMinute(params.rate), 0);
  espeak_SetParameter(espeakVOLUME, std::clamp(params.volume, 0, 100), 0);
  Job job;
  job.sink = &sink;
  job.cancel = cancel;
  job.utf16Of = utf16Offsets(text);
  job.sampleRate = sampleRate();
  const QByteArray utf8 = text.toUtf8();
  // The engine synthesises on its own thread and calls back there; this thread waits for the
  // end, so `job` outlives every callback that can reach it.
  const espeak_ERROR r = espeak_Synth(utf8.constData(), std::size_t(utf8.size()) + 1, 0, POS_CHARACTER, 0,
                                      espeakCHARS_UTF8, nullptr, &job);
  espeak_Synchronize();
  if (r != EE_OK && !job.stopped) {
    if (message) *message = QStringLiteral("espeak-ng failed to synthesise the text (error %1)").arg(int(r));
    return false;
  }
  return true;
}

}  // namespace orvane
