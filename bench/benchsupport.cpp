// Benchmark helpers.
#include "bench/benchsupport.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <unistd.h>

#include "platform/db/connection.h"
#include "platform/msgbox/messagebox.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/timetext.h"

namespace bench {

std::vector<double> runTimesMs(int runs, const std::function<void()>& run) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    run();
    ms.push_back(msSince(t0));
  }
  return ms;
}

FilledHome::FilledHome(int entries) {
  qputenv("ORVANE_HOME", dir_.path().toUtf8());
  TDataModule1 dm;
  dm.ConnectDatabase(QStringLiteral("accesspw"), database(), {}, {}, {},
                     orvane::db::Connection::Mode::CreateIfMissing);
  dm.SetSetting(QStringLiteral("volume4"), QStringLiteral("0"));
  for (const char* day : {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"})
    dm.SetSetting(QLatin1String(day), QStringLiteral("日常"));
  orvane::db::Transaction t(*dm.connection());
  for (int i = 0; i < entries; ++i) {
    const int start = int((qint64(i) * 86000) / qMax(1, entries)) + 60;
    dm.ExecQuery(dm.qry_temp,
                 QStringLiteral("insert into sjb(pname,starttime,endtime,slpath,tlength,playmode,ivolume,Schedulen,"
                                "jmlx,mainchannel,txt) values(:p,:s,:e,:path,'00:01:00','单曲播放',80,'日常',1,"
                                "'主通道','')"),
                 {{QStringLiteral(":p"), QStringLiteral("铃声%1").arg(i)},
                  {QStringLiteral(":s"), SecondsToTime(start)},
                  {QStringLiteral(":e"), SecondsToTime(start + 30)},
                  {QStringLiteral(":path"), QStringLiteral("/srv/bells/bell%1.wav").arg(i)}});
  }
  t.commit();
}

QString FilledHome::database() const { return dir_.filePath(QStringLiteral("gsk.mdb")); }

double median(std::vector<double> v) {
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double timeCommand(const QString& program, const QStringList& args, const QByteArray& input) {
  QProcess p;
  const auto t0 = std::chrono::steady_clock::now();
  p.start(program, args);
  if (!p.waitForStarted(10000)) return -1;
  if (!input.isEmpty()) p.write(input);
  p.closeWriteChannel();
  p.waitForFinished(60000);
  const double ms = msSince(t0);
  return p.exitCode() == 0 ? ms : -1;
}

double shellRepetitionMs(const QString& database, const QByteArray& work, const QByteArray& base, int runs) {
  std::vector<double> w, b;
  for (int i = 0; i < 5; ++i) {
    w.push_back(timeCommand(QStringLiteral("sqlite3"), {database}, work));
    b.push_back(timeCommand(QStringLiteral("sqlite3"), {database}, base));
  }
  if (*std::min_element(w.begin(), w.end()) < 0 || *std::min_element(b.begin(), b.end()) < 0) return -1;
  return (median(w) - median(b)) / runs;
}

QProcessEnvironment programEnvironment(const QString& home, const QString& configHome) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("ORVANE_HOME"), home);
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  env.insert(QStringLiteral("ORVANE_DRY_RUN_SYSTEM"), QStringLiteral("1"));
  return env;
}

namespace {
long statusKb(qint64 pid, const QByteArray& field) {
  QFile f(pid ? QStringLiteral("/proc/%1/status").arg(pid) : QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith(field)) return line.mid(field.size()).trimmed().split(' ').first().toLong();
  return -1;
}
}  // namespace

long rssKb(qint64 pid) { return statusKb(pid, "VmRSS:"); }

long anonKb(qint64 pid) { return statusKb(pid, "RssAnon:"); }

void runEventsFor(int ms) {
  if (ms <= 0) {
    QCoreApplication::processEvents();
    return;
  }
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

void printMessageBoxes() {
  orvane::setMessageBoxHandler([](const orvane::MessageBoxRequest& r) {
    std::fprintf(stderr, "message box: %s\n", qPrintable(r.text));
    return orvane::mb::defaultResultOf(r.flags);
  });
}

void prepareWebEngine() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (geteuid() == 0) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

}  // namespace bench
