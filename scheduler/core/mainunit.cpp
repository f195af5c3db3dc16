// Main unit core.
#include "scheduler/core/mainunit.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

#include "platform/files/filewrite.h"
#include "platform/files/homefolder.h"
#include "platform/files/inifile.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/funVolume.h"
#include "scheduler/core/settingskeys.h"

using orvane::HomeFolder;

MainUnit::MainUnit(TDataModule1& dm, const Clock& clock)
    : today(dm, state, clock), disk(state, clock), log(clock, &disk), dm_(dm), clock_(clock) {
  today.setFiredSet(&fired);
  today.statusQueue().setDiskWatch(&disk);
}

QString MainUnit::DatabasePath(bool* isDefault) {
  const QString ini = HomeFolder::file(QStringLiteral("dbpath.ini"));
  if (!QFileInfo::exists(ini)) {
    if (isDefault) *isDefault = true;
    return HomeFolder::file(QStringLiteral("gsk.mdb"));
  }
  if (isDefault) *isDefault = false;
  const QString path = orvane::IniFile(ini).readString(QStringLiteral("db"), QStringLiteral("path")).trimmed();
  if (path.isEmpty()) return {};
  return QDir::cleanPath(QDir(HomeFolder::path()).absoluteFilePath(path));
}

bool MainUnit::ConnectDatabase() {
  HomeFolder::ensure();
  bool isDefault = false;
  const QString path = DatabasePath(&isDefault);
  if (isDefault) {
    // The database holds the password and every schedule: the owner's alone. The database
    // engine gives its journals the database file's own mode, so making the file (empty: a
    // new database) before the engine does is enough for them; files left by an older start
    // lose what group and others could do with them. A database named by "dbpath.ini" keeps
    // the mode its owner gave it.
    for (const QString& suffix : {QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")})
      orvane::restrictToOwner(path + suffix);
    if (const int e = orvane::createPrivateFile(path))
      qWarning().noquote() << "database: cannot make" << path << "private:" << orvane::describeWriteError(e);
  }
  return dm_.ConnectDatabase(QStringLiteral("accesspw"), path, {}, {}, {},
                             isDefault ? orvane::db::Connection::Mode::CreateIfMissing
                                       : orvane::db::Connection::Mode::OpenExisting);
}

void MainUnit::ReadSettings() {
  const SettingsReader settings(dm_);
  MainState& s = state;
  s.shutdownat1 = s.shutdownat2 = s.shutdownat3 = s.endshutdownat = s.rebootat = kNever;
  s.endshutdownarmed = false;
  s.logenabled = false;
  s.channelname = kMainChannel;
  s.usebass = settings.text(QStringLiteral("canbass")) != QLatin1String("0");
  s.logenabled = settings.on(QStringLiteral("canwritelogtxt"));
  networkTimeAtStart_ = settings.on(QStringLiteral("volume3"));
  if (settings.on(QStringLiteral("canshutdown1"))) s.shutdownat1 = settings.text(QStringLiteral("shutdowntime1"));
  if (settings.on(QStringLiteral("canshutdown2"))) s.shutdownat2 = settings.text(QStringLiteral("shutdowntime2"));
  if (settings.on(QStringLiteral("canshutdown3"))) s.shutdownat3 = settings.text(QStringLiteral("shutdowntime3"));
  if (settings.on(QStringLiteral("canreboot"))) s.rebootat = settings.text(QStringLiteral("reboottime"));
  s.minvolume10 = qBound(0, settings.integer(QStringLiteral("minvolume"), 10), 100) * 10;
  s.channelenabled = settings.on(QStringLiteral("canchannel"));
  s.authorized = settings.text(QStringLiteral("pw")).trimmed().isEmpty();
  caption_ = settings.text(QStringLiteral("softtitle")) + QLatin1Char(' ') + kVersionText;
  s.playstate = PlayState::Auto;
  s.videoshown = false;
  s.videoexts = QStringLiteral(".MPG,.WMV,.DAT,.AVI,.ASF,.MOV,.RMVB,.FLV,.VOB,.MKV,.MP4,.SWF,.F4V").split(QLatin1Char(','));
  s.chinesevoices = QStringList{QStringLiteral("VW Hui"),
                                QStringLiteral("VW Liang"),
                                QStringLiteral("VW Lily"),
                                QStringLiteral("VW Wang"),
                                QStringLiteral("Microsoft Lili - Chinese (China)"),
                                QStringLiteral("Microsoft Simplified Chinese"),
                                QStringLiteral("ScanSoft Mei-Ling_Full_22kHz"),
                                QStringLiteral("ScanSoft Sin-Ji_Full_22kHz")};
  startVolume_ = AutoVolumeLevel(settings.text(QStringLiteral("autovolume")));
  s.fadeinlevel = 0;
  s.fadeoutlevel = s.mainvolume = s.secondvolume = 1000;
  skinWanted_ = settings.on(QStringLiteral("canuseskin"));
  // Read before the first load of the day, so that the first day after start gets its fades.
  s.fadeenabled = settings.on(QStringLiteral("cantstr"));
  tipsAtStart_ = settings.on(QStringLiteral("volume1"));
  // The program carries on with what it could read; the load of the day that follows tells
  // the operator.
  if (!settings.allRead()) today.NoteReadError();
}
