// The audio component chain: sources, converters and sinks, the sink's output thread and the
// run/stop protocol between them.
#include "audiotools/core/ACS_Classes.h"

#include <QtGlobal>
#include <algorithm>
#include <chrono>
#include <cmath>

EACSException::EACSException(const QString& message)
    : std::runtime_error(message.toStdString()), message_(message) {}

// ---- TACSLock ----

void TACSLock::Acquire() {
  std::unique_lock<std::mutex> lk(mutex_);
  cond_.wait(lk, [this] { return !set_; });
  set_ = true;
  holder_ = std::this_thread::get_id();
}

void TACSLock::Release() {
  {
    std::lock_guard<std::mutex> g(mutex_);
    set_ = false;
    holder_ = {};
  }
  cond_.notify_all();
}

void TACSLock::ReleaseIfHeldHere() {
  {
    std::lock_guard<std::mutex> g(mutex_);
    if (!set_ || holder_ != std::this_thread::get_id()) return;
    set_ = false;
    holder_ = {};
  }
  cond_.notify_all();
}

bool TACSLock::IsSet() const {
  std::lock_guard<std::mutex> g(mutex_);
  return set_;
}

// ---- TACSInput ----

TACSInput::~TACSInput() { ReleaseUsers(); }

double TACSInput::GetTotalTime() { return 0; }

void TACSInput::Reset() {
  Flush();
  Busy = false;
}

void TACSInput::AddUser(TACSInputUser* u) {
  std::lock_guard<std::mutex> g(usersMutex_);
  if (std::find(users_.begin(), users_.end(), u) == users_.end()) users_.push_back(u);
}

void TACSInput::RemoveUser(TACSInputUser* u) {
  std::lock_guard<std::mutex> g(usersMutex_);
  users_.erase(std::remove(users_.begin(), users_.end(), u), users_.end());
}

void TACSInput::StopUsersRuns() {
  std::vector<TACSInputUser*> users;
  {
    std::lock_guard<std::mutex> g(usersMutex_);
    users = users_;
  }
  for (TACSInputUser* u : users) u->StopRunsOnInput();
}

void TACSInput::ReleaseUsers() {
  StopUsersRuns();
  std::vector<TACSInputUser*> users;
  {
    std::lock_guard<std::mutex> g(usersMutex_);
    users.swap(users_);
  }
  for (TACSInputUser* u : users) u->InputRemoved(this);
}

// ---- TACSInputUser ----

// The reading thread never sees a half-changed input: it reads under the same lock.
void TACSInputUser::ReplaceInput(const std::atomic<bool>& busy, TACSInput* Value) {
  TACSInput* old = FInput.load();
  if (Value == old) return;
  if (!busy) {
    if (old) old->RemoveUser(this);
    FInput = Value;
    if (Value) Value->AddUser(this);
    return;
  }
  if (!Value) throw EACSException(QStringLiteral("Component is buisy"));
  Value->Init();
  {
    TACSLockGuard g(InputLock);
    FInput = Value;
  }
  if (old) old->RemoveUser(this);
  Value->AddUser(this);
  if (old) old->Flush();
}

void TACSInputUser::InputRemoved(TACSInput* input) {
  TACSInput* expected = input;
  FInput.compare_exchange_strong(expected, nullptr);
}

void TACSInputUser::LeaveInput() {
  if (TACSInput* in = FInput.exchange(nullptr)) in->RemoveUser(this);
}

// ---- TACSConverter ----

TACSConverter::~TACSConverter() {
  ReleaseUsers();
  LeaveInput();
}

void TACSConverter::SetInput(TACSInput* Value) {
  // A converter reading from itself, directly or around a loop, would recurse forever.
  for (TACSInput* p = Value; p;) {
    if (p == this) return;
    auto* c = dynamic_cast<TACSConverter*>(p);
    p = c ? c->Input() : nullptr;
  }
  ReplaceInput(Busy, Value);
}

void TACSConverter::StopRunsOnInput() { StopUsersRuns(); }

void UnlockConverterChain(TACSConverter* converter) {
  for (TACSConverter* c = converter; c; c = dynamic_cast<TACSConverter*>(c->Input())) c->InputLock.ReleaseIfHeldHere();
}

// ---- TACSThread ----

TACSThread::~TACSThread() { TerminateAndJoin(); }

bool TACSThread::Suspended() const {
  std::lock_guard<std::mutex> g(stateMutex_);
  return suspended_;
}

void TACSThread::Resume() {
  {
    std::lock_guard<std::mutex> g(stateMutex_);
    resumed_ = true;
  }
  wake_.notify_all();
  if (!thread_.joinable()) thread_ = std::thread(&TACSThread::Execute, this);
}

void TACSThread::SuspendAfterPass() {
  if (!SuspendWhenIdle) return;
  std::lock_guard<std::mutex> g(stateMutex_);
  resumed_ = false;
}

void TACSThread::TerminateAndJoin() {
  {
    std::lock_guard<std::mutex> g(stateMutex_);
    terminate_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void TACSThread::Execute() {
  for (;;) {
    {
      std::unique_lock<std::mutex> lk(stateMutex_);
      if (!resumed_ && !terminate_) {
        suspended_ = true;
        wake_.wait(lk, [this] { return resumed_ || terminate_; });
      }
      suspended_ = false;
      if (terminate_) break;
    }
    std::lock_guard<std::mutex> cs(criticalSection_);
    int delay = Delay;
    if (delay > 5) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    try {
      if (!doOutput_(stop_.load())) {
        stop_ = false;
        SuspendAfterPass();
        whenDone_();
      }
    } catch (const std::exception& e) {
      stop_ = false;
      SuspendAfterPass();
      onException_(e);
    } catch (...) {
      stop_ = false;
      SuspendAfterPass();
      onException_(EACSException(QStringLiteral("Unknown error in the output thread")));
    }
  }
  // The last word to the output: whatever it still does, it is to stop now.
  try {
    if (finalCall_) doOutput_(true);
  } catch (const std::exception& e) {
    qWarning("Audio output: %s", e.what());
  } catch (...) {
  }
  terminate_ = false;
}

// ---- TACSOutput ----

TACSOutput::TACSOutput() : thread_(new TACSThread) {
  thread_->doOutput_ = [this](bool abort) { return DoOutput(abort); };
  thread_->whenDone_ = [this] { WhenDone(); };
  thread_->onException_ = [this](const std::exception& e) { ThreadException(e); };
}

TACSOutput::~TACSOutput() {
  // A concrete output that did not terminate itself is already half gone: its DoOutput
  // must not be called any more.
  if (!terminated_) thread_->finalCall_ = false;
  Terminate();
}

bool TACSOutput::OnWorkerThread() const { return std::this_thread::get_id() == thread_->Id(); }

void TACSOutput::SetBusy(bool b) {
  {
    std::lock_guard<std::mutex> g(idleMutex_);
    Busy = b;
  }
  idle_.notify_all();
}

bool TACSOutput::WaitForIdle(int timeoutMs) const {
  std::unique_lock<std::mutex> lk(idleMutex_);
  if (timeoutMs < 0) {
    idle_.wait(lk, [this] { return !Busy; });
    return true;
  }
  return idle_.wait_for(lk, std::chrono::milliseconds(timeoutMs), [this] { return !Busy; });
}

void TACSOutput::SetInput(TACSInput* Value) { ReplaceInput(Busy, Value); }

void TACSOutput::Run() {
  std::lock_guard<std::mutex> g(runMutex_);
  if (Busy) throw EACSException(QStringLiteral("Component is buisy"));
  if (!Input()) throw EACSException(QStringLiteral("Input is not assigned"));
  if (terminating_) return;
  InputLock.ReleaseIfHeldHere();
  Prepare();
  SetBusy(true);
  thread_->stop_ = false;
  FActive = true;
  thread_->Resume();
}

void TACSOutput::Stop() { thread_->stop_ = true; }

int TACSOutput::GetStatus() const {
  if (!Busy) return 2;
  if (thread_->Suspended()) return 1;
  return 0;
}

int TACSOutput::GetProgress() const {
  TACSInput* in = Input();
  if (!in) return 0;
  qint64 size = in->Size;
  if (size < 0) return -1;
  if (size == 0) return 0;
  return int(std::nearbyint(double(in->Position) / double(size) * 100.0));
}

void TACSOutput::WhenDone() {
  if (!Busy) return;
  FActive = false;
  Done();
  SetBusy(false);
  // An output being destroyed tells nobody: its owner is going away too.
  if (OnDone && !terminating_) OnDone(this);
}

void TACSOutput::ThreadException(const std::exception& e) {
  InputLock.ReleaseIfHeldHere();
  if (GetStatus() != 2) {
    if (auto* conv = dynamic_cast<TACSConverter*>(Input())) UnlockConverterChain(conv);
    try {
      Done();
    } catch (const std::exception& e2) {
      qWarning("Audio output: finishing after an error failed too: %s", e2.what());
    }
    FActive = false;
    SetBusy(false);
  }
  if (OnThreadException && !terminating_) {
    try {
      OnThreadException(this, e);
    } catch (const std::exception& e2) {
      qWarning("Audio output: the error handler failed: %s", e2.what());
    } catch (...) {
      qWarning("Audio output: the error handler failed");
    }
  } else {
    qWarning("Audio output stopped: %s", e.what());
  }
}

void TACSOutput::Terminate() {
  if (terminated_) return;
  terminated_ = true;
  terminating_ = true;
  if (OnWorkerThread()) {
    // Destroyed from one of its own events: the thread cannot wait for itself.
    qCritical("Audio output destroyed from its own output thread; the thread is left to end by itself");
    thread_->terminate_ = true;
    thread_->thread_.detach();
    (void)thread_.release();
  } else {
    if (Busy) {
      Stop();
      WaitForIdle(-1);
    }
    thread_->TerminateAndJoin();
  }
  LeaveInput();
}

void TACSOutput::StopRunsOnInput() {
  if (!Busy || OnWorkerThread()) return;
  Stop();
  WaitForIdle(-1);
}

// ---- TACSStreamedOutput, TACSFileOut ----

void TACSStreamedOutput::SetStream(QIODevice* stream) {
  if (Busy) throw EACSException(QStringLiteral("Component is buisy"));
  FStream = stream;
  FStreamAssigned = stream != nullptr;
}

void TACSFileOut::SetFileMode(TFileOutputMode) { FFileMode = foRewrite; }
