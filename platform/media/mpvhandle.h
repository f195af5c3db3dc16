// One libmpv player instance with the options the program uses, and the bounded wait for a
// file to load that both the channels and the length probe need.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <functional>

struct mpv_handle;
struct mpv_event;

namespace orvane {

// How a libmpv instance sounds: "pulse" by default; tests use "null" with the untimed switch
// so that a file plays as fast as it decodes.
struct MpvSettings {
  QByteArray audioOutput = "pulse";
  bool untimed = false;
  // Without a sound server the player still keeps time (silently) so a schedule goes on.
  bool silentFallback = true;

  // Settings chosen by the environment: ORVANE_MPV_AO overrides the audio output.
  static MpvSettings fromEnvironment();
};

// The compiled-against and the loaded libmpv client interfaces agree on their major version.
bool mpvVersionMatches();

class MpvHandle {
 public:
  // Creates and initialises an idle player; extra options are set before initialising.
  MpvHandle(const MpvSettings& settings, const QList<QPair<QByteArray, QByteArray>>& extraOptions);
  ~MpvHandle();
  MpvHandle(const MpvHandle&) = delete;
  MpvHandle& operator=(const MpvHandle&) = delete;

  bool ok() const { return h_ != nullptr; }
  const QString& error() const { return error_; }
  mpv_handle* get() const { return h_; }

  struct Loaded {
    bool ok = false;
    qint64 entryId = -1;     // libmpv's id of the loaded playlist entry
    qint64 lengthMs = 0;
    QString message;         // why it failed
  };
  // Follows one playlist entry through libmpv's events until it has loaded or failed; the
  // waiting open and the background opening of an address read the events the same way.
  struct EntryWatch {
    qint64 entryId = -1;  // -1 until libmpv names the entry it started
    bool started = false;
    enum class Step { Unrelated, Started, Loaded, Ended };
    // What the event means for the entry. Ended: it ended before it had loaded, with libmpv's
    // error in `why` (empty when it ended without one).
    Step feed(mpv_event* e, QString* why);
  };
  // Loads the file paused and waits for "loaded" or "failed", at most timeoutMs. Events of
  // earlier files met on the way go to `other`. A timeout unloads the file again.
  Loaded load(const QString& path, int timeoutMs, const std::function<void(mpv_event*)>& other = {});
  // The same for a stream read from a descriptor, which libmpv closes when done with it.
  Loaded loadStream(int fd, int timeoutMs, const std::function<void(mpv_event*)>& other = {});
  // Starts loading a network stream address (see MediaChannel::openAddress) paused, and
  // returns at once: ok with libmpv's id of the new playlist entry, or why not (anything but
  // a stream address is refused before libmpv sees it). Whether it loads is told later by the
  // events of that entry (start, loaded, end), read by whoever drains the player's events.
  Loaded startAddress(const QString& url);
  // The loaded file's length in milliseconds (0 when unknown, as for a live stream).
  qint64 durationMs() const;
  // What the loaded file holds, for the log: "picture 1920x1080 h264, sound aac", "no
  // picture", "no sound track".
  QString describeTracks() const;

  void setFlag(const char* name, bool value);
  // Without waiting for libmpv to take it (its answer is an event nobody needs).
  void setDoubleAsync(const char* name, double value);
  double getDouble(const char* name, double fallback) const;
  void command(std::initializer_list<const char*> args);
  // Without waiting for libmpv to carry it out.
  void commandAsync(std::initializer_list<const char*> args);

 private:
  Loaded loadTarget(const QByteArray& target, int timeoutMs, const std::function<void(mpv_event*)>& other,
                    bool* commandFailed);
  // Issues "loadfile" paused; r.ok tells whether libmpv took it, r.entryId is the new entry.
  Loaded issueLoad(const QByteArray& target);

  mpv_handle* h_ = nullptr;
  QString error_;
};

}  // namespace orvane
