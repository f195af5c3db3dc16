// A connection to the PulseAudio server on its own event thread, with bounded waits: the
// shared plumbing of every libpulse user in this folder.
#pragma once

#include <QString>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_operation;

namespace orvane::audio {

class PulseConnection {
 public:
  // Connects as clientName to the server PULSE_SERVER names (or the default one), never
  // spawning a server. Waits at most timeoutMs; nullptr on failure with the reason in error.
  static std::unique_ptr<PulseConnection> connect(const char* clientName, int timeoutMs, QString* error);
  ~PulseConnection();
  PulseConnection(const PulseConnection&) = delete;
  PulseConnection& operator=(const PulseConnection&) = delete;

  pa_threaded_mainloop* mainloop() const { return mainloop_; }
  pa_context* context() const { return context_; }

  // Holds the event thread's lock: every pa_* call outside a callback needs it. Never wait
  // on the connection's condition while holding it.
  class Lock {
   public:
    explicit Lock(PulseConnection& c);
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

   private:
    PulseConnection& c_;
  };

  // The mutex and condition that callbacks use to hand results to waiting threads. A
  // callback changes shared state under the mutex and then calls notify().
  std::mutex& mutex() { return mutex_; }
  std::condition_variable& condition() { return cond_; }
  void notify() { cond_.notify_all(); }

  // Waits (not holding the event thread's lock) until done() is true, the connection has
  // failed, or timeoutMs passed. True when done() became true.
  bool waitFor(int timeoutMs, const std::function<bool()>& done);

  // Runs an operation started by start() (called with the event lock held; it returns the
  // operation) and waits for done() at most timeoutMs. On timeout or failure the operation
  // is cancelled, so its callback never runs afterwards. True when done() became true.
  bool runOperation(int timeoutMs, const std::function<pa_operation*()>& start, const std::function<bool()>& done);

  // True once the connection has failed or was closed by the server.
  bool failed() const;
  // The server's text for the last error of this connection.
  QString errorText() const;

 private:
  PulseConnection() = default;
  static void stateCallback(pa_context* c, void* self);

  pa_threaded_mainloop* mainloop_ = nullptr;
  pa_context* context_ = nullptr;
  mutable std::mutex mutex_;
  std::condition_variable cond_;
  bool ready_ = false;   // guarded by mutex_
  bool failed_ = false;  // guarded by mutex_
};

}  // namespace orvane::audio
