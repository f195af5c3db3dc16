// MIDI rendering as it plays.
#include "platform/media/midistream.h"

#include <fluidsynth.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <vector>

#include "platform/files/waveheader.h"

namespace orvane {

namespace {
// Owns the libfluidsynth objects of one rendering.
struct Synth {
  fluid_settings_t* settings = new_fluid_settings();
  fluid_synth_t* synth = nullptr;
  fluid_player_t* player = nullptr;
  ~Synth() {
    if (player) {
      fluid_player_stop(player);
      delete_fluid_player(player);
    }
    if (synth) delete_fluid_synth(synth);
    if (settings) delete_fluid_settings(settings);
  }
};

constexpr int kFrames = 1024;  // frames rendered per block
}  // namespace

MidiStream::MidiStream(QString midiPath, QString soundfont, qint64 lengthMs, int sampleRate)
    : midiPath_(std::move(midiPath)), soundfont_(std::move(soundfont)), lengthMs_(lengthMs), sampleRate_(sampleRate) {
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return;
  writeFd_ = fds[0];
  readFd_ = fds[1];
  worker_ = std::thread([this] { run(); });
}

MidiStream::~MidiStream() {
  cancel_ = true;
  // Wakes a worker blocked on a reader that has stopped reading.
  if (writeFd_ >= 0) shutdown(writeFd_, SHUT_RDWR);
  if (worker_.joinable()) worker_.join();
  if (writeFd_ >= 0) ::close(writeFd_);
  if (readFd_ >= 0) ::close(readFd_);
}

int MidiStream::takeReadFd() {
  const int fd = readFd_;
  readFd_ = -1;
  taken_ = fd >= 0 || taken_;
  return fd;
}

bool MidiStream::sendAll(const char* data, qsizetype size) {
  while (size > 0) {
    if (cancel_) return false;
    // A reader that went away must not kill the program with SIGPIPE.
    const ssize_t n = ::send(writeFd_, data, size_t(size), MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= n;
  }
  return true;
}

void MidiStream::run() {
  {
    Synth s;
    fluid_settings_setint(s.settings, "synth.lock-memory", 0);
    fluid_settings_setnum(s.settings, "synth.sample-rate", sampleRate_);
    fluid_settings_setstr(s.settings, "player.timing-source", "sample");
    s.synth = new_fluid_synth(s.settings);
    if (s.synth && fluid_synth_sfload(s.synth, QFile::encodeName(soundfont_).constData(), 1) != FLUID_FAILED) {
      s.player = new_fluid_player(s.synth);
      if (s.player && fluid_player_add(s.player, QFile::encodeName(midiPath_).constData()) == FLUID_OK &&
          fluid_player_play(s.player) == FLUID_OK) {
        // The length is not known ahead: the header's sizes say "as long as it goes".
        const QByteArray header = pcmWaveHeader(sampleRate_, 2, 16, -1);
        std::vector<qint16> block(kFrames * 2);
        bool going = sendAll(header.constData(), header.size());
        // The player reports its end once the last notes have rung out.
        while (going && fluid_player_get_status(s.player) == FLUID_PLAYER_PLAYING) {
          if (fluid_synth_write_s16(s.synth, kFrames, block.data(), 0, 2, block.data(), 1, 2) != FLUID_OK) break;
          going = sendAll(reinterpret_cast<const char*>(block.data()), qsizetype(block.size() * sizeof(qint16)));
        }
      }
    }
  }
  // The reader sees the end of the music (or of a rendering that could not start).
  shutdown(writeFd_, SHUT_WR);
}

}  // namespace orvane
