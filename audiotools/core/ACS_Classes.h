// The audio component chain: sources, converters and sinks, the sink's output thread and the
// run/stop protocol between them.
#pragma once

#include <QString>
#include <QtGlobal>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

class QIODevice;

// Misuse of an audio component and failures inside the chain; the text is English.
class EACSException : public std::runtime_error {
 public:
  explicit EACSException(const QString& message);
  const QString& Message() const { return message_; }

 private:
  QString message_;
};

// A lock flag that any thread may wait for. It remembers the holding thread, so the output
// thread can drop locks that are still held after an exception (UnlockConverterChain).
class TACSLock {
 public:
  void Acquire();
  void Release();
  // Releases the lock only when the calling thread holds it.
  void ReleaseIfHeldHere();
  bool IsSet() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable cond_;
  bool set_ = false;
  std::thread::id holder_;
};

class TACSLockGuard {
 public:
  explicit TACSLockGuard(TACSLock& l) : l_(l) { l_.Acquire(); }
  ~TACSLockGuard() { l_.ReleaseIfHeldHere(); }
  TACSLockGuard(const TACSLockGuard&) = delete;
  TACSLockGuard& operator=(const TACSLockGuard&) = delete;

 private:
  TACSLock& l_;
};

class TACSInput;

// Whatever reads from an input (an output or a converter), under its input lock. An input
// that goes away first ends every run that reads from it and then makes its readers forget it.
class TACSInputUser {
 public:
  virtual ~TACSInputUser() = default;

  TACSInput* Input() const { return FInput.load(); }

 protected:
  friend class TACSInput;
  // Ends every run that reads through this user and waits until it has ended.
  virtual void StopRunsOnInput() = 0;
  // The input is going away: forget it.
  void InputRemoved(TACSInput* input);
  // Gives this user a new input: at rest simply; while running only a real input, prepared
  // first and swapped under the input lock, the old one flushed afterwards.
  void ReplaceInput(const std::atomic<bool>& busy, TACSInput* Value);
  // This user is going away: its input forgets it.
  void LeaveInput();

  TACSLock InputLock;
  std::atomic<TACSInput*> FInput{nullptr};
};

// A source of PCM audio.
class TACSInput {
 public:
  TACSInput() = default;
  virtual ~TACSInput();
  TACSInput(const TACSInput&) = delete;
  TACSInput& operator=(const TACSInput&) = delete;

  virtual int GetBitsPerSample() = 0;
  virtual int GetChannels() = 0;
  virtual int GetSampleRate() = 0;
  // Playing time in seconds; 0 when unknown.
  virtual double GetTotalTime();
  // Copies up to BufferSize bytes of audio into Buffer and returns the count; 0 at the end.
  virtual int GetData(void* Buffer, int BufferSize) = 0;
  virtual void Reset();
  // Prepares a run (opens devices, computes Size, sets Busy).
  virtual void Init() = 0;
  // Ends the run and frees what Init took.
  virtual void Flush() = 0;

  std::atomic<qint64> Position{0};  // bytes handed out so far
  std::atomic<qint64> Size{-1};     // bytes in the whole stream; -1 when unknown
  std::atomic<bool> Busy{false};    // initialised and running

 protected:
  // Every concrete input calls this first in its destructor, while it is still whole: runs
  // that read from it end (files finished) and its readers forget it.
  void ReleaseUsers();
  // Ends every run that reads from this input, directly or through converters.
  void StopUsersRuns();

  // Bookkeeping of a descendant's local buffer (read index and end).
  int BufStart = 0;
  int BufEnd = 0;

 private:
  friend class TACSInputUser;
  void AddUser(TACSInputUser* u);
  void RemoveUser(TACSInputUser* u);
  std::mutex usersMutex_;
  std::vector<TACSInputUser*> users_;
};

// An input that reads another input and passes data on.
class TACSConverter : public TACSInput, public TACSInputUser {
 public:
  ~TACSConverter() override;

  // Ignored when Value is this converter (or would read from it). While the converter runs
  // the new input is initialised, swapped in under the input lock, and the old one flushed;
  // removing the input of a running converter is refused.
  virtual void SetInput(TACSInput* Value);

 protected:
  void StopRunsOnInput() override;

  friend void UnlockConverterChain(TACSConverter* converter);
};

// Drops the input locks along a converter chain that the calling thread still holds.
void UnlockConverterChain(TACSConverter* converter);

class TACSOutput;
using TOutputDoneEvent = std::function<void(TACSOutput* Sender)>;
using TOutputProgressEvent = std::function<void(TACSOutput* Sender, int Progress)>;
using TThreadExceptionEvent = std::function<void(TACSOutput* Sender, const std::exception& E)>;

// The output's worker: while resumed it calls DoOutput again and again, inside its critical
// section; idle it waits on a condition (the suspended state).
class TACSThread {
 public:
  ~TACSThread();

  std::atomic<bool> SuspendWhenIdle{true};
  std::atomic<int> Delay{0};  // milliseconds slept before each DoOutput when above 5

  bool Suspended() const;
  std::thread::id Id() const { return thread_.get_id(); }

 private:
  friend class TACSOutput;
  TACSThread() = default;
  void Resume();
  // Ends the loop, makes the final abort call and joins.
  void TerminateAndJoin();
  void Execute();
  // Marks the thread as going to sleep after this pass (before the run is reported ended,
  // so that a Run from a done handler is never lost).
  void SuspendAfterPass();

  std::function<bool(bool)> doOutput_;
  std::function<void()> whenDone_;
  std::function<void(const std::exception&)> onException_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> terminate_{false};
  std::atomic<bool> finalCall_{true};
  std::mutex criticalSection_;

  mutable std::mutex stateMutex_;
  std::condition_variable wake_;
  bool resumed_ = false;
  bool suspended_ = true;
  std::thread thread_;
};

// A sink: owns the output thread that pulls blocks from Input until it is exhausted or the
// output is stopped. Events run on the output thread.
class TACSOutput : public TACSInputUser {
 public:
  TACSOutput();
  ~TACSOutput() override;
  TACSOutput(const TACSOutput&) = delete;
  TACSOutput& operator=(const TACSOutput&) = delete;

  // Just stores the input when idle. While running: the new input is initialised, swapped in
  // under the input lock and the old one flushed; removing the input while running is refused.
  virtual void SetInput(TACSInput* Value);

  void Run();
  void Stop();
  // 2 idle, 1 paused (the thread is suspended during a run), 0 running.
  int GetStatus() const;
  // Percent of the input handed out; -1 for an input of unknown size; 0 without input.
  int GetProgress() const;
  // Waits until the run has ended; false when timeoutMs passed first.
  bool WaitForIdle(int timeoutMs) const;

  bool SuspendWhenIdle() const { return thread_->SuspendWhenIdle.load(); }
  void SetSuspendWhenIdle(bool v) { thread_->SuspendWhenIdle.store(v); }
  TACSThread* Thread() const { return thread_.get(); }

  std::atomic<bool> Busy{false};
  TOutputDoneEvent OnDone;
  TOutputProgressEvent OnProgress;
  TThreadExceptionEvent OnThreadException;

 protected:
  // Writes one block; true to be called again, false when finished. Abort = true makes the
  // output stop.
  virtual bool DoOutput(bool Abort) = 0;
  // Finishes the output (closes files).
  virtual void Done() = 0;
  // Prepares the output before a run (opens files, initialises the input).
  virtual void Prepare() = 0;

  // Every concrete output calls this first in its destructor: a running output is stopped
  // and finished (without its events), the thread joined, and the input forgotten.
  void Terminate();

  void StopRunsOnInput() override;

  std::atomic<bool> FActive{false};
  std::atomic<int> FLastProgress{0};

 private:
  void WhenDone();
  void ThreadException(const std::exception& e);
  void SetBusy(bool b);
  bool OnWorkerThread() const;

  std::unique_ptr<TACSThread> thread_;
  std::mutex runMutex_;
  mutable std::mutex idleMutex_;
  mutable std::condition_variable idle_;
  std::atomic<bool> terminating_{false};
  bool terminated_ = false;
};

// An output that writes to a stream: one it opened itself or one supplied from outside.
class TACSStreamedOutput : public TACSOutput {
 public:
  // A stream supplied from outside (random access, open for reading and writing) is used
  // instead of a file and never closed here. nullptr returns to files.
  void SetStream(QIODevice* stream);
  QIODevice* Stream() const { return FStream; }

 protected:
  QIODevice* FStream = nullptr;
  bool FStreamAssigned = false;
};

enum TFileOutputMode { foRewrite, foAppend };

class TACSFileOut : public TACSStreamedOutput {
 public:
  QString FileName() const { return FFileName; }
  void SetFileName(const QString& name) { FFileName = name; }
  TFileOutputMode FileMode() const { return FFileMode; }
  // Only outputs that can append keep foAppend; the base always stores foRewrite.
  virtual void SetFileMode(TFileOutputMode Value);

 protected:
  QString FFileName;
  TFileOutputMode FFileMode = foRewrite;
};
