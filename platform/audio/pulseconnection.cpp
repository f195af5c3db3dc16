// A connection to the PulseAudio server on its own event thread, with bounded waits.
#include "platform/audio/pulseconnection.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/operation.h>
#include <pulse/thread-mainloop.h>

namespace orvane::audio {

PulseConnection::Lock::Lock(PulseConnection& c) : c_(c) { pa_threaded_mainloop_lock(c_.mainloop_); }
PulseConnection::Lock::~Lock() { pa_threaded_mainloop_unlock(c_.mainloop_); }

std::unique_ptr<PulseConnection> PulseConnection::connect(const char* clientName, int timeoutMs, QString* error) {
  std::unique_ptr<PulseConnection> c(new PulseConnection);
  auto fail = [&](const QString& why) {
    if (error) *error = why;
    return std::unique_ptr<PulseConnection>();
  };
  c->mainloop_ = pa_threaded_mainloop_new();
  if (!c->mainloop_) return fail(QStringLiteral("Cannot create the sound server event loop"));
  c->context_ = pa_context_new(pa_threaded_mainloop_get_api(c->mainloop_), clientName);
  if (!c->context_) return fail(QStringLiteral("Cannot create a sound server context"));
  pa_context_set_state_callback(c->context_, &PulseConnection::stateCallback, c.get());
  if (pa_context_connect(c->context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
    return fail(QStringLiteral("Cannot connect to the sound server: %1").arg(c->errorText()));
  if (pa_threaded_mainloop_start(c->mainloop_) < 0)
    return fail(QStringLiteral("Cannot start the sound server event loop"));
  bool ready = c->waitFor(timeoutMs, [&c] { return c->ready_; });
  if (!ready) {
    bool failed = c->failed();
    return fail(failed ? QStringLiteral("Cannot connect to the sound server: %1").arg(c->errorText())
                       : QStringLiteral("The sound server did not answer within %1 ms").arg(timeoutMs));
  }
  return c;
}

PulseConnection::~PulseConnection() {
  if (context_) {
    if (mainloop_) pa_threaded_mainloop_lock(mainloop_);
    pa_context_set_state_callback(context_, nullptr, nullptr);
    pa_context_disconnect(context_);
    if (mainloop_) pa_threaded_mainloop_unlock(mainloop_);
  }
  // stop() joins the event thread; it must be called without the lock.
  if (mainloop_) pa_threaded_mainloop_stop(mainloop_);
  if (context_) pa_context_unref(context_);
  if (mainloop_) pa_threaded_mainloop_free(mainloop_);
}

void PulseConnection::stateCallback(pa_context* c, void* self) {
  auto* me = static_cast<PulseConnection*>(self);
  pa_context_state_t s = pa_context_get_state(c);
  {
    std::lock_guard<std::mutex> g(me->mutex_);
    if (s == PA_CONTEXT_READY) me->ready_ = true;
    if (s == PA_CONTEXT_FAILED || s == PA_CONTEXT_TERMINATED) me->failed_ = true;
  }
  me->notify();
}

bool PulseConnection::waitFor(int timeoutMs, const std::function<bool()>& done) {
  std::unique_lock<std::mutex> lk(mutex_);
  cond_.wait_for(lk, std::chrono::milliseconds(timeoutMs), [&] { return done() || failed_; });
  return done();
}

bool PulseConnection::runOperation(int timeoutMs, const std::function<pa_operation*()>& start,
                                   const std::function<bool()>& done) {
  pa_operation* op = nullptr;
  {
    Lock l(*this);
    op = start();
  }
  if (!op) return false;
  bool ok = waitFor(timeoutMs, done);
  {
    Lock l(*this);
    if (!ok) pa_operation_cancel(op);
    pa_operation_unref(op);
  }
  return ok;
}

bool PulseConnection::failed() const {
  std::lock_guard<std::mutex> g(mutex_);
  return failed_;
}

QString PulseConnection::errorText() const {
  return QString::fromUtf8(pa_strerror(pa_context_errno(context_)));
}

}  // namespace orvane::audio
