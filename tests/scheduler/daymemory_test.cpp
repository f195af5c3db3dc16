// What a day of entries leaves in memory through the dispatcher's own ticks: the record of what
// has fired grows by a few bytes an event, and only the days it keeps are held.
#include <malloc.h>

#include "scheduler/core/firedset.h"
#include "tests/scheduler/schedulerfixture.h"
#include "tests/support/countingrunner.h"

namespace {
qint64 heapBytes() {
  const struct mallinfo2 m = mallinfo2();
  return qint64(m.uordblks + m.hblkhd);
}
}  // namespace

class DayMemoryTest : public SchedulerFixture {
 protected:
  static constexpr int kEntries = 1000;  // every ten seconds from six, five seconds long
  void SetUp() override {
    SchedulerFixture::SetUp();
    counter.s = &unit.state;
    unit.today.setRunner(&counter);
    unit.state.programmeday = first;
    for (int k = 0; k < kEntries; ++k) {
      rjmb e;
      e.id = k + 1;
      e.pname = QString::number(k);
      e.starttime = SecondsToTime(6 * 3600 + 10 * k);
      e.endtime = SecondsToTime(6 * 3600 + 10 * k + 5);
      e.jmlx = 1;
      unit.state.todayentries.push_back(e);
    }
    clock.set(QDateTime(first, QTime(5, 0)));
    dispatcher.start();
    dispatcher.stop();  // ticked by hand
  }
  // The night passes in one tick; the day's entries second by second, as the timer walks them.
  void runDay(const QDate& day) {
    clock.set(QDateTime(day, QTime(5, 59, 0)));
    dispatcher.Timer1Timer();
    const QDateTime last(day, QTime(0, 0).addSecs(6 * 3600 + 10 * kEntries));
    while (clock.now() < last) {
      clock.set(clock.now().addSecs(Dispatcher::kReplayLimit));
      dispatcher.Timer1Timer();
    }
  }
  QDate first{2024, 5, 1};
  CountingRunner counter;  // keeps nothing: the heap grows only by what the dispatcher keeps
  Dispatcher dispatcher{unit.state, clock, counter, counter, unit.fired, unit.today};
};

TEST_F(DayMemoryTest, ADayOfEntriesCostsTheFiredSetAFewBytesAnEventAndOnlyThreeDaysAreKept) {
  constexpr int kDays = 5;
  const qint64 before = heapBytes();
  for (int d = 0; d < kDays; ++d) runDay(first.addDays(d));
  const qint64 grown = heapBytes() - before;
  EXPECT_EQ(counter.starts, kDays * kEntries);
  EXPECT_EQ(counter.ends, kDays * kEntries);
  EXPECT_EQ(unit.fired.size(first.addDays(kDays - 1)), std::size_t(2 * kEntries));
  EXPECT_EQ(unit.fired.size(first), 0u);
  // Three days of a start and an end for every entry, at 16 bytes an event (room for the
  // list to double), and a little for whatever else the first tick of a day makes.
  EXPECT_LE(grown, 3 * 2 * kEntries * 16 + 32 * 1024) << grown << " bytes";
}
