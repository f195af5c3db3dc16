// The component chain's run/stop protocol: errors of Run, status, stop, exceptions on the
// output thread, destruction while running, input changes and locks.
#include <gtest/gtest.h>

#include <QMutex>
#include <memory>

#include "audiotools/core/ACS_Classes.h"
#include "tests/audiotools/audiotestsupport.h"
#include "tests/support/testsupport.h"

using audiotest::kWaitMs;
using audiotest::MemoryInput;
using audiotest::MessageOf;
using testing_support::waitUntil;

namespace {

// An output that reads its input block by block and records what the thread did.
class RecordingOutput : public TACSOutput {
 public:
  ~RecordingOutput() override { Terminate(); }
  std::atomic<int> calls{0}, abortCalls{0}, doneCalls{0}, prepares{0}, callsAfterDone{0};
  std::atomic<qint64> bytes{0};
  int throwOnCall = -1;  // DoOutput raises on this call of a run

 protected:
  void Prepare() override {
    ++prepares;
    runCalls_ = 0;
    Input()->Init();
  }
  bool DoOutput(bool Abort) override {
    if (!FActive) return true;
    ++calls;
    if (doneCalls > 0 && !Busy) ++callsAfterDone;
    if (Abort) {
      ++abortCalls;
      return false;
    }
    if (++runCalls_ == throwOnCall) throw EACSException(QStringLiteral("output failed on purpose"));
    char buf[256];
    int n;
    {
      TACSLockGuard g(InputLock);
      n = Input()->GetData(buf, sizeof buf);
    }
    bytes += n;
    return n > 0;
  }
  void Done() override {
    ++doneCalls;
    Input()->Flush();
  }

 private:
  int runCalls_ = 0;
};

// A converter that passes its input through.
class PassThrough : public TACSConverter {
 public:
  ~PassThrough() override { ReleaseUsers(); }
  int GetBitsPerSample() override { return Input()->GetBitsPerSample(); }
  int GetChannels() override { return Input()->GetChannels(); }
  int GetSampleRate() override { return Input()->GetSampleRate(); }
  int GetData(void* b, int n) override {
    TACSLockGuard g(InputLock);
    int got = Input()->GetData(b, n);
    Position = Input()->Position.load();
    return got;
  }
  void Init() override {
    Busy = true;
    Input()->Init();
    Size = Input()->Size.load();
  }
  void Flush() override {
    Input()->Flush();
    Busy = false;
  }
  TACSLock& Lock() { return InputLock; }
};

QByteArray Bytes(int n) { return QByteArray(n, '\x11'); }

std::unique_ptr<MemoryInput> SlowEndless() {
  auto in = std::make_unique<MemoryInput>(Bytes(4096), 16, 1, 8000);
  in->endless = true;
  in->sleepMs = 1;
  return in;
}

}  // namespace

TEST(AcsClasses, ARunRefusesARunAndNoInputTakesANewInputAndStopsOnce) {
  RecordingOutput out;
  EXPECT_EQ(MessageOf([&] { out.Run(); }), "Input is not assigned");
  EXPECT_EQ(out.prepares, 0);
  auto first = SlowEndless(), second = SlowEndless();
  std::atomic<int> doneEvents{0};
  out.OnDone = [&](TACSOutput* sender) {
    EXPECT_EQ(sender, &out);
    EXPECT_FALSE(out.Busy);
    ++doneEvents;
  };
  out.SetInput(first.get());
  out.Run();
  ASSERT_TRUE(waitUntil([&] { return out.calls >= 3; }, kWaitMs));
  EXPECT_EQ(MessageOf([&] { out.Run(); }), "Component is buisy");
  EXPECT_STREQ(EACSException("Component is buisy").what(), "Component is buisy");
  EXPECT_EQ(MessageOf([&] { out.SetInput(nullptr); }), "Component is buisy");
  EXPECT_EQ(out.Input(), first.get());
  // A new input while running: the old one is flushed, the new one opened and read.
  out.SetInput(second.get());
  EXPECT_EQ(out.Input(), second.get());
  EXPECT_EQ(std::vector<int>({second->inits, first->flushes}), std::vector<int>({1, 1}));
  const int readsBefore = second->reads;
  ASSERT_TRUE(waitUntil([&] { return second->reads > readsBefore + 2; }, kWaitMs));
  out.Stop();
  ASSERT_TRUE(out.WaitForIdle(5000));
  ASSERT_TRUE(waitUntil([&] { return doneEvents == 1; }, kWaitMs));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  // One call with Abort, then Done and the done event once, and nothing after.
  EXPECT_EQ(std::vector<int>({out.prepares, out.abortCalls, out.doneCalls, doneEvents, out.callsAfterDone,
                              out.GetStatus(), first->flushes, second->flushes}),
            std::vector<int>({1, 1, 1, 1, 0, 2, 1, 1}));
  // The file output's base keeps rewriting: appending is its writers' business.
  struct PlainFileOut : TACSFileOut {
    ~PlainFileOut() override { Terminate(); }
    bool DoOutput(bool) override { return false; }
    void Done() override {}
    void Prepare() override {}
  } f;
  f.SetFileMode(foAppend);
  EXPECT_EQ(f.FileMode(), foRewrite);
}

TEST(AcsClasses, StatusIsIdleRunningIdleAndProgressFollowsTheInput) {
  RecordingOutput out;
  EXPECT_EQ(out.GetStatus(), 2);
  EXPECT_EQ(out.GetProgress(), 0);  // no input
  MemoryInput in(Bytes(256 * 40), 16, 1, 8000);
  in.sleepMs = 2;
  out.SetInput(&in);
  out.Run();
  EXPECT_TRUE(waitUntil([&] { return out.GetStatus() == 0; }, kWaitMs));
  EXPECT_TRUE(waitUntil([&] { return out.GetProgress() > 0; }, kWaitMs));
  ASSERT_TRUE(out.WaitForIdle(10000));
  EXPECT_EQ(out.GetStatus(), 2);
  EXPECT_EQ(out.bytes, 256 * 40);
  EXPECT_EQ(out.GetProgress(), 100);
  EXPECT_EQ(std::vector<int>({out.doneCalls, in.inits, in.flushes}), std::vector<int>({1, 1, 1}));
  // An input of unknown size gives -1, an empty one 0.
  MemoryInput unknown(Bytes(10), 16, 1, 8000), empty(QByteArray(), 16, 1, 8000);
  unknown.unknownSize = true;
  for (auto [input, want] : {std::pair{&unknown, -1}, {&empty, 0}}) {
    input->Init();
    out.SetInput(input);
    EXPECT_EQ(out.GetProgress(), want);
  }
}

TEST(AcsClasses, AnExceptionOnTheThreadReachesTheEventAndALaterRunWorks) {
  RecordingOutput out;
  MemoryInput in(Bytes(256 * 10), 16, 1, 8000);
  out.SetInput(&in);
  out.throwOnCall = 3;
  std::atomic<int> errors{0}, doneEvents{0};
  QString text;
  QMutex m;
  out.OnThreadException = [&](TACSOutput* sender, const std::exception& e) {
    EXPECT_EQ(sender, &out);
    QMutexLocker l(&m);
    text = QString::fromUtf8(e.what());
    ++errors;
  };
  out.OnDone = [&](TACSOutput*) { ++doneEvents; };
  out.Run();
  ASSERT_TRUE(waitUntil([&] { return errors == 1; }, kWaitMs));
  ASSERT_TRUE(out.WaitForIdle(5000));
  {
    QMutexLocker l(&m);
    EXPECT_EQ(text, "output failed on purpose");
  }
  // The file is finished even so; no done event.
  EXPECT_EQ(std::vector<int>({out.doneCalls, doneEvents, in.flushes}), std::vector<int>({1, 0, 1}));

  out.throwOnCall = -1;
  out.Run();
  ASSERT_TRUE(waitUntil([&] { return doneEvents == 1; }, kWaitMs));
  EXPECT_EQ(std::vector<int>({out.doneCalls, errors, in.inits}), std::vector<int>({2, 1, 2}));
}

TEST(AcsClasses, AnExceptionInTheInputEndsTheRunThroughTheConverterChain) {
  RecordingOutput out;
  PassThrough conv;
  MemoryInput in(Bytes(4096), 16, 1, 8000);
  in.throwAfter = 1024;
  conv.SetInput(&in);
  out.SetInput(&conv);
  std::atomic<int> errors{0};
  out.OnThreadException = [&](TACSOutput*, const std::exception&) { ++errors; };
  out.Run();
  ASSERT_TRUE(waitUntil([&] { return errors == 1; }, kWaitMs));
  ASSERT_TRUE(out.WaitForIdle(5000));
  EXPECT_EQ(out.doneCalls, 1);
  EXPECT_FALSE(conv.Lock().IsSet() || conv.Busy || in.Busy);
}

TEST(AcsClasses, DestroyingARunningOutputFinishesAndJoins) {
  auto in = SlowEndless();
  auto out = std::make_unique<RecordingOutput>();
  std::atomic<int> doneEvents{0};
  out->OnDone = [&](TACSOutput*) { ++doneEvents; };
  out->SetInput(in.get());
  out->Run();
  ASSERT_TRUE(waitUntil([&] { return out->calls >= 3; }, kWaitMs));
  EXPECT_EQ(out->doneCalls, 0);
  out.reset();  // must not hang, must finish the run
  EXPECT_EQ(in->flushes, 1);
  EXPECT_EQ(doneEvents, 0);  // the owner is going away: no events
  EXPECT_FALSE(in->Busy);
}

TEST(AcsClasses, DestroyingTheInputOfARunningChainStopsTheRunFirst) {
  RecordingOutput out;
  PassThrough conv;
  auto in = SlowEndless();
  conv.SetInput(in.get());
  out.SetInput(&conv);
  out.Run();
  ASSERT_TRUE(waitUntil([&] { return out.calls >= 3; }, kWaitMs));
  in.reset();
  EXPECT_EQ(out.GetStatus(), 2);
  EXPECT_EQ(out.doneCalls, 1);
  EXPECT_EQ(conv.Input(), nullptr);
  EXPECT_EQ(out.Input(), &conv);
  EXPECT_FALSE(conv.Busy);
}

TEST(AcsClasses, ConverterLoopsAreRefusedAndUnlockingReleasesOnlyThisThreadsLocks) {
  PassThrough a, b;
  MemoryInput in(Bytes(16), 16, 1, 8000);
  a.SetInput(&a);
  EXPECT_EQ(a.Input(), nullptr);
  a.SetInput(&in);
  b.SetInput(&a);
  a.SetInput(&b);  // would make a loop
  EXPECT_EQ(a.Input(), &in);
  EXPECT_EQ(b.Input(), &a);
  b.Lock().Acquire();
  a.Lock().Acquire();
  UnlockConverterChain(&b);
  EXPECT_FALSE(a.Lock().IsSet());
  EXPECT_FALSE(b.Lock().IsSet());
  std::thread other([&] { a.Lock().Acquire(); });
  other.join();
  UnlockConverterChain(&b);  // held by the other thread: left alone
  EXPECT_TRUE(a.Lock().IsSet());
  a.Lock().Release();
}

TEST(AcsClasses, ARunStartedFromTheDoneEventIsNotLost) {
  RecordingOutput out;
  MemoryInput in(Bytes(256 * 4), 16, 1, 8000);
  out.SetInput(&in);
  std::atomic<int> doneEvents{0};
  out.OnDone = [&](TACSOutput* o) {
    if (++doneEvents == 1) o->Run();
  };
  out.Run();
  ASSERT_TRUE(waitUntil([&] { return doneEvents == 2; }, kWaitMs));
  EXPECT_EQ(out.prepares, 2);
  EXPECT_EQ(out.bytes, 2 * 256 * 4);
}
