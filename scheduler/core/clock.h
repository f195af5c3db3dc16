// The wall clock, injected so that tests and benchmarks can set the time.
#pragma once

#include <QDateTime>

class Clock {
 public:
  virtual ~Clock() = default;
  virtual QDateTime now() const = 0;
};

class SystemClock : public Clock {
 public:
  QDateTime now() const override;
};

// A clock that shows whatever it is set to (tests, benchmarks).
class ManualClock : public Clock {
 public:
  explicit ManualClock(QDateTime t = {}) : t_(std::move(t)) {}
  QDateTime now() const override { return t_; }
  void set(const QDateTime& t) { t_ = t; }
  void advance(int seconds) { t_ = t_.addSecs(seconds); }

 private:
  QDateTime t_;
};
