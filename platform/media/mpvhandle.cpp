// libmpv instance.
#include "platform/media/mpvhandle.h"

#include "platform/media/mediachannel.h"

#include <mpv/client.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <clocale>
#include <cmath>
#include <vector>

namespace orvane {

MpvSettings MpvSettings::fromEnvironment() {
  MpvSettings s;
  const QByteArray ao = qgetenv("ORVANE_MPV_AO");
  if (!ao.isEmpty()) s.audioOutput = ao;
  return s;
}

bool mpvVersionMatches() { return (mpv_client_api_version() >> 16) == (MPV_CLIENT_API_VERSION >> 16); }

MpvHandle::MpvHandle(const MpvSettings& settings, const QList<QPair<QByteArray, QByteArray>>& extraOptions) {
  // libmpv refuses to start under a numeric locale other than "C" (a Chinese desktop sets
  // one through Qt's start-up); Qt formats numbers itself and does not mind.
  std::setlocale(LC_NUMERIC, "C");
  mpv_handle* h = mpv_create();
  if (!h) {
    error_ = QStringLiteral("libmpv could not create a player");
    return;
  }
  QByteArray ao = settings.audioOutput;
  if (settings.silentFallback && ao != "null") ao += ",null";
  QList<QPair<QByteArray, QByteArray>> options = {
      {"config", "no"},           // the user's mpv.conf must not change how the program sounds
      {"terminal", "no"},
      {"idle", "yes"},
      {"pause", "yes"},
      {"keep-open", "no"},
      {"input-default-bindings", "no"},
      {"input-vo-keyboard", "no"},
      // Nothing of libmpv's own user interface: no scripts (each runs on a thread of its own),
      // no on-screen display, controller, console or statistics, no key bindings, no
      // youtube-dl lookups of addresses, no profiles, no subtitle or cover files searched for
      // beside each song.
      {"load-scripts", "no"},
      {"osc", "no"},
      {"ytdl", "no"},
      {"load-stats-overlay", "no"},
      {"load-osd-console", "no"},
      {"load-auto-profiles", "no"},
      {"input-builtin-bindings", "no"},
      {"osd-level", "0"},
      {"osd-bar", "no"},
      {"sub-auto", "no"},
      {"cover-art-auto", "no"},
      {"audio-display", "no"},    // cover pictures in sound files are not video
      {"ao", ao},
      {"audio-client-name", "Orvane"},
  };
  if (settings.untimed) options.append(qMakePair(QByteArray("ao-null-untimed"), QByteArray("yes")));
  options += extraOptions;
  for (const auto& [name, value] : options) {
    const int rc = mpv_set_option_string(h, name.constData(), value.constData());
    if (rc < 0) {
      error_ = QStringLiteral("libmpv refused the option %1=%2: %3")
                   .arg(QString::fromLatin1(name), QString::fromLatin1(value), QString::fromUtf8(mpv_error_string(rc)));
      mpv_terminate_destroy(h);
      return;
    }
  }
  const int rc = mpv_initialize(h);
  if (rc < 0) {
    error_ = QStringLiteral("libmpv could not start: ") + QString::fromUtf8(mpv_error_string(rc));
    mpv_terminate_destroy(h);
    return;
  }
  h_ = h;
}

MpvHandle::~MpvHandle() {
  if (h_) mpv_terminate_destroy(h_);
}

void MpvHandle::setFlag(const char* name, bool value) {
  int flag = value ? 1 : 0;
  if (h_) mpv_set_property(h_, name, MPV_FORMAT_FLAG, &flag);
}

void MpvHandle::setDoubleAsync(const char* name, double value) {
  if (h_) mpv_set_property_async(h_, 0, name, MPV_FORMAT_DOUBLE, &value);
}

double MpvHandle::getDouble(const char* name, double fallback) const {
  double v = fallback;
  if (!h_ || mpv_get_property(h_, name, MPV_FORMAT_DOUBLE, &v) < 0) return fallback;
  return v;
}

namespace {
// libmpv's argument list: the words and a null after them.
std::vector<const char*> commandWords(std::initializer_list<const char*> args) {
  std::vector<const char*> argv(args);
  argv.push_back(nullptr);
  return argv;
}
}  // namespace

void MpvHandle::command(std::initializer_list<const char*> args) {
  if (h_) mpv_command(h_, commandWords(args).data());
}

void MpvHandle::commandAsync(std::initializer_list<const char*> args) {
  if (h_) mpv_command_async(h_, 0, commandWords(args).data());
}

MpvHandle::Loaded MpvHandle::load(const QString& path, int timeoutMs, const std::function<void(mpv_event*)>& other) {
  // libmpv would also take addresses and option strings; a channel plays local files only.
  const QFileInfo info(path);
  if (!info.isFile()) {
    Loaded r;
    r.message = QStringLiteral("no such file");
    return r;
  }
  return loadTarget(QFile::encodeName(info.absoluteFilePath()), timeoutMs, other, nullptr);
}

MpvHandle::Loaded MpvHandle::startAddress(const QString& url) {
  // Only plain stream addresses: libmpv's other protocols (lavfi://, av://, memory://, ...)
  // are not for entries.
  if (!MediaChannel::isStreamAddress(url)) {
    Loaded r;
    r.message = QStringLiteral("not a stream address");
    return r;
  }
  return issueLoad(url.trimmed().toUtf8());
}

qint64 MpvHandle::durationMs() const { return qint64(std::llround(getDouble("duration", 0.0) * 1000.0)); }

QString MpvHandle::describeTracks() const {
  if (!h_) return {};
  const auto text = [this](const QByteArray& name) {
    char* v = mpv_get_property_string(h_, name.constData());
    const QString out = v ? QString::fromUtf8(v) : QString();
    mpv_free(v);
    return out;
  };
  QString picture, sound;
  const int count = text("track-list/count").toInt();
  for (int i = 0; i < count; ++i) {
    const QByteArray track = "track-list/" + QByteArray::number(i) + '/';
    const QString type = text(track + "type");
    // A cover picture of a sound file is not a video.
    if (type == QLatin1String("video") && picture.isEmpty() && text(track + "albumart") != QLatin1String("yes"))
      picture = QStringLiteral("picture %1x%2 %3").arg(text(track + "demux-w"), text(track + "demux-h"), text(track + "codec"));
    else if (type == QLatin1String("audio") && sound.isEmpty())
      sound = QStringLiteral("sound ") + text(track + "codec");
  }
  return (picture.isEmpty() ? QStringLiteral("no picture") : picture) + QStringLiteral(", ") +
         (sound.isEmpty() ? QStringLiteral("no sound track") : sound);
}

MpvHandle::Loaded MpvHandle::loadStream(int fd, int timeoutMs, const std::function<void(mpv_event*)>& other) {
  bool commandFailed = false;
  Loaded r = loadTarget("fdclose://" + QByteArray::number(fd), timeoutMs, other, &commandFailed);
  if (commandFailed) ::close(fd);  // libmpv never took it
  return r;
}

MpvHandle::EntryWatch::Step MpvHandle::EntryWatch::feed(mpv_event* e, QString* why) {
  if (e->event_id == MPV_EVENT_START_FILE) {
    const auto* sf = static_cast<mpv_event_start_file*>(e->data);
    if (entryId >= 0 && sf->playlist_entry_id != entryId) return Step::Unrelated;
    started = true;
    entryId = sf->playlist_entry_id;
    return Step::Started;
  }
  if (e->event_id == MPV_EVENT_FILE_LOADED && started) return Step::Loaded;
  if (e->event_id == MPV_EVENT_END_FILE) {
    const auto* ef = static_cast<mpv_event_end_file*>(e->data);
    if (ef->playlist_entry_id != entryId) return Step::Unrelated;
    why->clear();
    if (ef->reason == MPV_END_FILE_REASON_ERROR) *why = QString::fromUtf8(mpv_error_string(ef->error));
    return Step::Ended;
  }
  return Step::Unrelated;
}

MpvHandle::Loaded MpvHandle::issueLoad(const QByteArray& target) {
  Loaded r;
  if (!h_) {
    r.message = error_;
    return r;
  }
  setFlag("pause", true);
  const char* args[] = {"loadfile", target.constData(), "replace", nullptr};
  mpv_node result;
  const int rc = mpv_command_ret(h_, args, &result);
  if (rc < 0) {
    r.message = QString::fromUtf8(mpv_error_string(rc));
    return r;
  }
  if (result.format == MPV_FORMAT_NODE_MAP) {
    for (int i = 0; i < result.u.list->num; ++i)
      if (qstrcmp(result.u.list->keys[i], "playlist_entry_id") == 0 &&
          result.u.list->values[i].format == MPV_FORMAT_INT64)
        r.entryId = result.u.list->values[i].u.int64;
  }
  mpv_free_node_contents(&result);
  r.ok = true;
  return r;
}

MpvHandle::Loaded MpvHandle::loadTarget(const QByteArray& target, int timeoutMs,
                                        const std::function<void(mpv_event*)>& other, bool* commandFailed) {
  Loaded r = issueLoad(target);
  if (!r.ok) {
    if (commandFailed) *commandFailed = true;
    return r;
  }
  r.ok = false;

  // Events are read here, on the calling thread, with libmpv's own timed wait: no event loop
  // runs, so nothing else of the program can happen in between.
  QDeadlineTimer deadline(timeoutMs);
  EntryWatch watch{r.entryId};
  while (!deadline.hasExpired()) {
    mpv_event* e = mpv_wait_event(h_, double(deadline.remainingTime()) / 1000.0);
    if (e->event_id == MPV_EVENT_NONE) continue;
    QString why;
    switch (watch.feed(e, &why)) {
      case EntryWatch::Step::Started: continue;
      case EntryWatch::Step::Loaded:
        r.ok = true;
        r.entryId = watch.entryId;
        r.lengthMs = durationMs();
        return r;
      case EntryWatch::Step::Ended:
        r.message = why.isEmpty() ? QStringLiteral("the file ended while loading") : why;
        return r;
      case EntryWatch::Step::Unrelated: break;
    }
    if (other) other(e);
  }
  command({"stop"});
  r.message = QStringLiteral("not loaded within %1 ms").arg(timeoutMs);
  return r;
}

}  // namespace orvane
