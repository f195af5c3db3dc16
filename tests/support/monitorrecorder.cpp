// Monitor recorder over libpulse-simple.
#include "tests/support/monitorrecorder.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QProcess>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "tests/support/scopedenv.h"

namespace testing_support {

namespace {
constexpr int kRate = MonitorRecorder::kRate;
constexpr int kChunk = kRate / 100;  // 10 ms

// The test program's own null sink, the default sink (PULSE_SINK) while it is there.
class OwnSink {
 public:
  OwnSink();
  ~OwnSink();
  bool ok() const { return module_ >= 0; }
  const QString& name() const { return name_; }

 private:
  QString name_;
  int module_ = -1;
  std::optional<ScopedEnv> defaultSink_;
};

OwnSink::OwnSink() {
  static std::atomic_int serial{0};
  name_ = QStringLiteral("orvanetest_%1_%2").arg(QCoreApplication::applicationPid()).arg(++serial);
  QProcess p;
  p.start(QStringLiteral("pactl"), {QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                                    QStringLiteral("sink_name=") + name_, QStringLiteral("rate=48000")});
  if (!p.waitForFinished(5000) || p.exitCode() != 0) return;
  bool ok = false;
  const int module = QString::fromUtf8(p.readAllStandardOutput()).trimmed().toInt(&ok);
  if (!ok) return;
  module_ = module;
  defaultSink_.emplace("PULSE_SINK", name_.toUtf8());
}

OwnSink::~OwnSink() {
  if (module_ < 0) return;
  defaultSink_.reset();
  QProcess p;
  p.start(QStringLiteral("pactl"), {QStringLiteral("unload-module"), QString::number(module_)});
  p.waitForFinished(5000);
}

}  // namespace

MonitorRecorder::~MonitorRecorder() { stop(); }

bool MonitorRecorder::serverAvailable() {
  if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) return false;
  QProcess p;
  p.start(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sinks")});
  return p.waitForFinished(5000) && p.exitCode() == 0 && p.readAllStandardOutput().contains("testsink");
}

MonitorRecorder* MonitorRecorder::shared() {
  static OwnSink* sink = nullptr;
  static MonitorRecorder* recorder = nullptr;
  static bool tried = false;
  if (tried) return recorder;
  tried = true;
  if (!serverAvailable()) return nullptr;
  sink = new OwnSink;
  if (!sink->ok()) return nullptr;
  recorder = new MonitorRecorder(sink->name());
  if (!recorder->start()) {
    delete recorder;
    recorder = nullptr;
  }
  // Before the application goes: the sink's removal needs the event machinery of QProcess.
  qAddPostRoutine([] {
    delete recorder;
    recorder = nullptr;
    delete sink;
    sink = nullptr;
  });
  return recorder;
}

bool MonitorRecorder::start(QString* error) {
  stop();
  const pa_sample_spec spec{PA_SAMPLE_S16LE, kRate, 1};
  const uint32_t any = uint32_t(-1);
  // Fields: maxlength, tlength, prebuf, minreq, fragsize.
  const pa_buffer_attr rattr{any, any, any, any, kChunk * 2}, pattr{any, kChunk * 2 * 4, any, any, any};
  int err = 0;
  const QByteArray sink = sink_.toUtf8();
  const QByteArray monitor = sink + ".monitor";
  const char* server = server_.isEmpty() ? nullptr : server_.constData();
  pa_simple* rec = pa_simple_new(server, "orvane-test", PA_STREAM_RECORD, monitor.constData(), "monitor", &spec,
                                 nullptr, &rattr, &err);
  if (!rec) {
    if (error) *error = QString::fromUtf8(pa_strerror(err));
    return false;
  }
  pa_simple* play = pa_simple_new(server, "orvane-test", PA_STREAM_PLAYBACK, sink.constData(), "silence", &spec, nullptr,
                                  &pattr, &err);
  if (!play) {
    pa_simple_free(rec);
    if (error) *error = QString::fromUtf8(pa_strerror(err));
    return false;
  }
  rec_ = rec, play_ = play, running_ = true;
  silence_ = std::thread([this] { playSilence(); });
  recorder_ = std::thread([this] { record(); });
  // A null sink that has just been made renders its first block ahead for up to two seconds,
  // and whatever is played meanwhile is heard only after it. Blip through the silence until a
  // blip is heard at once: from then on the sink runs at the short latency its streams ask for.
  for (int attempt = 0; attempt < 40; ++attempt) {
    const auto sent = Clock::now();
    blip_ = true;
    std::optional<Clock::time_point> heard;
    for (int i = 0; i < 100 && !heard; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      heard = firstLouder(0.1, sent - std::chrono::milliseconds(20));
    }
    if (heard && *heard - sent < std::chrono::milliseconds(120)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(60));  // let the blip pass
      return true;
    }
    if (heard) std::this_thread::sleep_for(std::chrono::milliseconds(60));
  }
  if (error) *error = QStringLiteral("the test sink did not settle to a short latency");
  stop();
  return false;
}

void MonitorRecorder::stop() {
  running_ = false;
  if (recorder_.joinable()) recorder_.join();
  if (silence_.joinable()) silence_.join();
  if (rec_) pa_simple_free(static_cast<pa_simple*>(rec_));
  if (play_) pa_simple_free(static_cast<pa_simple*>(play_));
  rec_ = play_ = nullptr;
}

void MonitorRecorder::playSilence() {
  const std::vector<int16_t> zeros(kChunk, 0);
  const std::vector<int16_t> blip(kChunk, 16000);
  while (running_) {
    int err = 0;
    const bool b = blip_.exchange(false);
    const std::vector<int16_t>& chunk = b ? blip : zeros;
    if (pa_simple_write(static_cast<pa_simple*>(play_), chunk.data(), chunk.size() * 2, &err) < 0) return;
  }
}

void MonitorRecorder::record() {
  std::vector<int16_t> buf(kChunk);
  const auto chunkLength = std::chrono::milliseconds(10);
  while (running_) {
    int err = 0;
    if (pa_simple_read(static_cast<pa_simple*>(rec_), buf.data(), buf.size() * 2, &err) < 0) return;
    const auto arrived = Clock::now();
    double sum = 0;
    int peak = 0;
    Chunk c{arrived - chunkLength};
    for (std::size_t i = 0; i < buf.size(); ++i) {
      const int s = std::abs(int(buf[i]));
      sum += double(s) * s;
      peak = std::max(peak, s);
      if (c.onset < 0 && s > int(kOnsetLevel * 32768)) c.onset = int(i);
    }
    c.rms = std::sqrt(sum / buf.size()) / 32768.0;
    c.peak = peak / 32768.0;
    std::lock_guard<std::mutex> lock(mutex_);
    chunks_.push_back(c);
  }
}

std::vector<MonitorRecorder::Chunk> MonitorRecorder::chunks() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return chunks_;
}

MonitorRecorder::Clock::time_point MonitorRecorder::at(const QDateTime& wall) {
  return Clock::now() + std::chrono::milliseconds(wall.toMSecsSinceEpoch() - QDateTime::currentMSecsSinceEpoch());
}

double MonitorRecorder::maxOf(double Chunk::*measure, Clock::time_point from, Clock::time_point to) const {
  double m = 0;
  for (const Chunk& c : chunks())
    if (c.start >= from && c.start < to) m = std::max(m, c.*measure);
  return m;
}

std::optional<MonitorRecorder::Clock::time_point> MonitorRecorder::firstAbove(double Chunk::*measure, double threshold,
                                                                               Clock::time_point from) const {
  for (const Chunk& c : chunks())
    if (c.start >= from && c.*measure > threshold) return c.start;
  return std::nullopt;
}

std::optional<MonitorRecorder::Clock::time_point> MonitorRecorder::firstOnset(Clock::time_point from) const {
  for (const Chunk& c : chunks())
    if (c.start >= from && c.onset >= 0)
      return c.start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(double(c.onset) / kRate));
  return std::nullopt;
}

double MonitorRecorder::loudShare(double threshold, Clock::time_point from, Clock::time_point to) const {
  int all = 0, loud = 0;
  for (const Chunk& c : chunks())
    if (c.start >= from && c.start < to) ++all, loud += c.rms > threshold;
  return all ? double(loud) / all : 0;
}

}  // namespace testing_support
