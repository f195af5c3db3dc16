// The batch dialog's series of 1,440 entries (one a minute, all day) saved through the
// dialog, beside the same 1,440 inserts in one transaction run by the sqlite3 shell.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTimeEdit>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "bench/benchsupport.h"
#include "platform/msgbox/messagebox.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/entryfields.h"
#include "scheduler/windows/Unit_sjbp_addmuch.h"

namespace {
constexpr int kRows = 1440;

struct Setup {
  bench::FilledHome home{0};
  TDataModule1 dm;
  ManualClock clock{QDateTime(QDate(2024, 5, 1), QTime(12, 0))};
  Setup() {
    dm.ConnectDatabase(QStringLiteral("accesspw"), home.database());
  }
  void clear() { dm.ExecQuery(dm.qry_temp, QStringLiteral("delete from sjb")); }
  int rows() {
    dm.OpenQuery(dm.qry_temp, QStringLiteral("select count(*) from sjb"));
    return dm.qry_temp.value(0, 0).toInt();
  }
};

Setup& setup() {
  static Setup s;
  return s;
}

// A radio series: every minute from 00:00:00 to 23:59:00, 30 seconds each.
std::unique_ptr<TForm_sjbp_addmuch> makeDialog(Setup& s) {
  EntryDialogContext context{s.dm, SystemServices{}, s.clock, false};
  auto d = std::make_unique<TForm_sjbp_addmuch>(context);
  d->Edit_Schedulen->setText(QStringLiteral("日常"));
  d->ComboBox_jmlx->setCurrentIndex(kKindRadio);
  d->ComboBox_jmlxChange();
  d->Edit_pname->setText(QStringLiteral("整点"));
  d->Edit_slpath->setText(QStringLiteral("http://radio.local/live"));
  d->DateTimePicker1->setTime(QTime(0, 0));
  d->DateTimePicker2->setTime(QTime(23, 59));
  d->DateTimePicker3->setTime(QTime(0, 0, 30));
  d->Edit_jg->setText(QStringLiteral("1"));
  return d;
}

double saveSeriesMs(Setup& s) {
  s.clear();
  auto d = makeDialog(s);
  const auto t0 = std::chrono::steady_clock::now();
  d->Button1Click();
  return bench::msSince(t0);
}

void BM_BatchSeries1440(benchmark::State& state) {
  Setup& s = setup();
  for (auto _ : state) {
    state.PauseTiming();
    s.clear();
    auto d = makeDialog(s);
    state.ResumeTiming();
    d->Button1Click();
  }
  state.SetLabel(std::to_string(s.rows()) + " rows");
}
BENCHMARK(BM_BatchSeries1440)->Unit(benchmark::kMillisecond);

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The same rows as one transaction of plain inserts for the shell.
QByteArray shellInserts() {
  QByteArray sql = "BEGIN;\n";
  for (int k = 0; k < kRows; ++k) {
    const QString start = QTime(0, 0).addSecs(60 * k).toString(QStringLiteral("HH:mm:ss"));
    const QString end = QTime(0, 0).addSecs(60 * k + 30).toString(QStringLiteral("HH:mm:ss"));
    sql += QStringLiteral("insert into sjb(pname,starttime,endtime,slpath,tlength,playmode,ivolume,Schedulen,jmlx,"
                          "mainchannel) values('整点%1','%2','%3','http://radio.local/live','00:00:30','网络电台','100',"
                          "'日常',6,'主通道');\n")
               .arg(k + 1)
               .arg(start, end)
               .toUtf8();
  }
  return sql + "COMMIT;\n";
}

// K series in one shell process, minus the same process doing only the deletes, over K.
double shellSeriesMs(Setup& s) {
  const QByteArray clear = "delete from sjb;\n";
  const QByteArray inserts = shellInserts();
  constexpr int K = 10;
  QByteArray work, base;
  for (int i = 0; i < K; ++i) {
    work += clear + inserts;
    base += clear;
  }
  std::vector<double> w, b;
  for (int i = 0; i < 5; ++i) {
    w.push_back(bench::timeCommand(QStringLiteral("sqlite3"), {s.home.database()}, work));
    b.push_back(bench::timeCommand(QStringLiteral("sqlite3"), {s.home.database()}, base));
  }
  return (median(w) - median(b)) / K;
}
}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  int boxes = 0;
  QString lastBox;
  orvane::setMessageBoxHandler([&](const orvane::MessageBoxRequest& r) {
    ++boxes;
    lastBox = r.text;
    return orvane::mb::defaultResultOf(r.flags);
  });
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();

  Setup& s = setup();
  std::vector<double> ours;
  for (int i = 0; i < 21; ++i) ours.push_back(saveSeriesMs(s));
  const int written = s.rows();
  const double orvane = median(ours);
  const double shell = shellSeriesMs(s);
  std::printf("\nBatch series of %d entries (every minute of the day), median:\n", kRows);
  std::printf("  orvane batch dialog save %.2f ms (%d rows, last message \"%s\"), sqlite3 shell %.2f ms, ratio %.2fx\n",
              orvane, written, qPrintable(lastBox), shell, orvane / shell);
  std::printf("  limit: 100 ms -> %s\n", orvane < 100 && written == kRows ? "holds" : "MISSED");
  return 0;
}
