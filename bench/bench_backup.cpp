// Restoring a 10,000-entry schedule backup (check of the whole file, then delete and insert in
// one transaction) beside the sqlite3 shell copying the same rows with one INSERT ... SELECT
// from the attached file, on the same database in the same run.
#include <QCoreApplication>
#include <cstdio>
#include <vector>

#include "bench/benchsupport.h"
#include "platform/db/connection.h"
#include "scheduler/core/backuprestore.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/schedulebackup.h"

namespace {
int entries(TDataModule1& dm) {
  dm.OpenQuery(dm.qry_temp, QStringLiteral("select count(*) from sjb"));
  return dm.qry_temp.value(0, 0).toInt();
}
}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  bench::printMessageBoxes();
  constexpr int kRows = 10000;
  bench::FilledHome home(kRows);
  TDataModule1 dm;
  if (!dm.ConnectDatabase(QStringLiteral("accesspw"), home.database())) return 1;
  const QString file = home.path() + QStringLiteral("/学期.bkj");

  std::vector<double> writes;
  for (int i = 0; i < 5; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    if (!ScheduleBackup::Write(*dm.connection(), file)) return 1;
    writes.push_back(bench::msSince(t0));
  }

  // Ours: the whole restore as the window runs it, answering "Yes" (replace everything).
  std::vector<double> ours;
  for (int i = 0; i < 15; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    BackupRestore restore(*dm.connection());
    QString why;
    if (!restore.Open(file, &why) || !restore.Apply(true, &why)) {
      std::fprintf(stderr, "restore failed: %s\n", qPrintable(why));
      return 1;
    }
    restore.Close();
    ours.push_back(bench::msSince(t0));
  }
  if (entries(dm) != kRows) {
    std::fprintf(stderr, "restore left %d entries\n", entries(dm));
    return 1;
  }

  // The shell: K replacements in one process, minus the same process only attaching, over K.
  const QByteArray columns = ScheduleBackup::Columns().join(QLatin1Char(',')).toUtf8();
  const QByteArray attach = "ATTACH '" + file.toUtf8() + "' AS b;\n";
  const QByteArray copy = "BEGIN;\nDELETE FROM sjb;\nINSERT INTO sjb(" + columns + ") SELECT " + columns +
                          " FROM b.sjb ORDER BY rowid;\nCOMMIT;\n";
  constexpr int K = 10;
  QByteArray work = attach, base = attach + "SELECT count(*) FROM b.sjb;\n";
  for (int i = 0; i < K; ++i) work += copy;
  const double shell = bench::shellRepetitionMs(home.database(), work, base, K);
  if (shell < 0) {
    std::fprintf(stderr, "the sqlite3 shell failed\n");
    return 1;
  }
  const double restore = bench::median(ours);
  std::printf("Schedule backup of %d entries: written in %.2f ms (median of %zu)\n", kRows, bench::median(writes),
              writes.size());
  std::printf("Restore of a %d-entry backup, replacing every entry (median):\n", kRows);
  std::printf("  orvane (check the whole file, then delete and insert in one transaction): %.2f ms\n", restore);
  std::printf("  sqlite3 shell (DELETE, then one INSERT ... SELECT from the attached file): %.2f ms\n", shell);
  std::printf("  ratio %.2fx  (target: within 3x -> %s)\n", restore / shell, restore <= 3 * shell ? "holds" : "MISSED");
  std::printf("  entries after the shell's copies: %d\n", entries(dm));
  return 0;
}
