// A home folder and database for the real program, and the program run on it.
#include "tests/broadcast/programhome.h"

#include <QLocale>
#include <QProcessEnvironment>

#include "platform/files/textfile.h"
#include "scheduler/core/datamodule.h"

namespace {
const QString kSchedule = QStringLiteral("日常");

QString database(const ProgramHome& home) { return home.file(QStringLiteral("gsk.mdb")); }
}  // namespace

ProgramHome::ProgramHome(const QDate& day) {
  TDataModule1 dm;
  ok_ = dm.ConnectDatabase(QStringLiteral("accesspw"), database(*this), {}, {}, {},
                           orvane::db::Connection::Mode::CreateIfMissing) &&
        dm.SetSetting(QStringLiteral("volume4"), QStringLiteral("0")) && dm.SetSetting(QLocale::c().dayName(day.dayOfWeek()), kSchedule) &&
        dm.SetSetting(QStringLiteral("canwritelogtxt"), QStringLiteral("1"));
}

ProgramHome::~ProgramHome() {
  if (program_.state() != QProcess::NotRunning) stop();
}

bool ProgramHome::addEntry(EntryValues v) {
  v.Schedulen = kSchedule;
  if (v.ivolume.isEmpty()) v.ivolume = QStringLiteral("100");
  if (v.mainchannel.isEmpty()) v.mainchannel = QStringLiteral("主通道");
  if (!v.txt) v.txt = QStringLiteral("");
  TDataModule1 dm;
  return dm.ConnectDatabase(QStringLiteral("accesspw"), database(*this)) && EntryStore(dm).Insert(v);
}

QProcessEnvironment ProgramHome::environment(const QProcessEnvironment& extra) const {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("ORVANE_HOME"), home_.path());
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), config_.path());
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  env.insert(QStringLiteral("ORVANE_DRY_RUN_SYSTEM"), QStringLiteral("1"));
  env.insert(extra);
  // A variable `extra` gives empty is taken out (the platform, to let the program choose).
  for (const QString& name : extra.keys())
    if (extra.value(name).isEmpty()) env.remove(name);
  return env;
}

bool ProgramHome::start(const QProcessEnvironment& extra) {
  program_.setProcessEnvironment(environment(extra));
  program_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  program_.start(QStringLiteral(ORVANE_PROGRAM), {});
  return program_.waitForStarted(5000);
}

bool ProgramHome::stop() {
  const bool stillRunning = program_.state() == QProcess::Running;
  program_.terminate();
  if (!program_.waitForFinished(5000)) program_.kill();
  return stillRunning;
}

QStringList ProgramHome::log() const { return orvane::readTextLines(file(QStringLiteral("log.txt"))); }

QStringList ProgramHome::statuses() const {
  TDataModule1 dm;
  if (!dm.ConnectDatabase(QStringLiteral("accesspw"), database(*this))) return {};
  dm.OpenQuery(dm.qry_temp, QStringLiteral("select pname, status from sjb order by id"));
  QStringList statuses;
  for (dm.qry_temp.first(); !dm.qry_temp.eof(); dm.qry_temp.next())
    statuses << dm.qry_temp.fieldAsString(QStringLiteral("pname")) + QLatin1Char('=') +
                    dm.qry_temp.fieldAsString(QStringLiteral("status"));
  return statuses;
}

void runUntil(const QDateTime& wall) {
  testing_support::waitUntil([&] { return QDateTime::currentDateTime() >= wall; }, 60000);
}
