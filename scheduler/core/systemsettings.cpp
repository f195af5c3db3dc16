// Settings window model.
#include "scheduler/core/systemsettings.h"

#include <QDebug>

#include "scheduler/core/datamodule.h"
#include "scheduler/core/mainstate.h"
#include "scheduler/core/mainunit.h"
#include "scheduler/core/settingskeys.h"
#include "scheduler/core/timetext.h"

namespace {
const char* const kShutdownSwitch[3] = {"canshutdown1", "canshutdown2", "canshutdown3"};
const char* const kShutdownTime[3] = {"shutdowntime1", "shutdowntime2", "shutdowntime3"};

QString flag(bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); }
QString timeText(const QTime& t) { return t.toString(QStringLiteral("HH:mm:ss")); }
}  // namespace

SystemSettings::SystemSettings(TDataModule1& dm, QString windowsVersion)
    : dm_(dm), windowsVersion_(std::move(windowsVersion)) {}

int SystemSettings::VolumeFactor(const QString& windowsVersion) {
  if (windowsVersion == QLatin1String("Windows 7") || windowsVersion == QLatin1String("Windows 8") ||
      windowsVersion == QLatin1String("Windows Unknown"))
    return 20;
  return 13107;
}

QTime SystemSettings::TimeOfDay(const QString& key, const QString& stored) {
  const QString s = stored.trimmed();
  for (const char* format : {"H:mm:ss", "H:mm"}) {
    const QTime t = QTime::fromString(s, QLatin1String(format));
    if (t.isValid()) return t;
  }
  qWarning().noquote() << "settings:" << key << "holds" << (s.isEmpty() ? QStringLiteral("nothing") : '"' + s + '"')
                       << "- shown as 00:00:00";
  return QTime(0, 0);
}

QString SystemSettings::LevelText(const QString& stored) {
  const QString s = stored.trimmed();
  bool digits = !s.isEmpty();
  for (const QChar c : s) digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
  if (digits) return s;
  qWarning().noquote() << "settings: minvolume holds" << (s.isEmpty() ? QStringLiteral("nothing") : '"' + s + '"')
                       << "- shown as 10";
  return QStringLiteral("10");
}

void SystemSettings::LoadSwitches(SettingsForm& f) const {
  const SettingsReader settings(dm_);
  for (int i = 0; i < 3; ++i) f.canshutdown[std::size_t(i)] = settings.on(QLatin1String(kShutdownSwitch[i]));
  f.canreboot = settings.on(QStringLiteral("canreboot"));
  f.endshutdown = settings.on(QStringLiteral("endshutdown"));
  f.shutdownhint = settings.on(QStringLiteral("shutdownhint"));
  f.runminimize = settings.on(QStringLiteral("runminimize"));
  f.canuseskin = settings.on(QStringLiteral("canuseskin"));
  f.videofullsc = settings.on(QStringLiteral("videofullsc"));
  f.volume3 = settings.on(QStringLiteral("volume3"));
  f.cantstr = settings.on(QStringLiteral("cantstr"));
  f.canwritelogtxt = settings.on(QStringLiteral("canwritelogtxt"));
  f.canchannel = settings.on(QStringLiteral("canchannel"));
  // The start volume: "0" is off; a value that is not a number cannot be shown and counts as
  // off too (the window must open whatever the row holds).
  const QString volume = settings.text(QStringLiteral("autovolume")).trimmed();
  bool numeric = false;
  const int v = volume.toInt(&numeric, 10);
  if (!numeric && volume != QLatin1String("0"))
    qWarning().noquote() << "settings: autovolume holds" << (volume.isEmpty() ? QStringLiteral("nothing") : '"' + volume + '"')
                         << "- shown as off";
  f.autovolume = numeric && v != 0;
  if (f.autovolume) f.volumeposition = qBound(0, v / VolumeFactor(windowsVersion_), kMaxVolumePosition);
  f.softtitle = settings.text(QStringLiteral("softtitle"));
}

void SystemSettings::LoadTimes(SettingsForm& f) const {
  for (int i = 0; i < 3; ++i)
    f.shutdowntime[std::size_t(i)] =
        TimeOfDay(QLatin1String(kShutdownTime[i]), dm_.GetSetting(QLatin1String(kShutdownTime[i])));
  f.reboottime = TimeOfDay(QStringLiteral("reboottime"), dm_.GetSetting(QStringLiteral("reboottime")));
  f.minvolume = LevelText(dm_.GetSetting(QStringLiteral("minvolume")));
}

SystemSettings::SaveResult SystemSettings::Save(SettingsForm& f, SettingsTarget& target) const {
  if (f.minvolume.trimmed().isEmpty()) f.minvolume = QStringLiteral("10");
  const QString levelText = f.minvolume.trimmed();
  bool numeric = false;
  const int level = levelText.toInt(&numeric, 10);
  // The edit takes digits only, so a non-number never reaches here; refuse it like an
  // excessive level rather than store it.
  if (!numeric || level > kMaxLevel) return SaveResult::LevelTooHigh;

  MainState& s = target.state();
  if (f.canchannel) dm_.SetSetting(QStringLiteral("minvolume"), levelText);
  s.minvolume10 = level * 10;

  dm_.SetSetting(QStringLiteral("autorun"), flag(f.autorun));
  dm_.SetSetting(QStringLiteral("runminimize"), flag(f.runminimize));
  for (int i = 0; i < 3; ++i) dm_.SetSetting(QLatin1String(kShutdownSwitch[i]), flag(f.canshutdown[std::size_t(i)]));
  dm_.SetSetting(QStringLiteral("canreboot"), flag(f.canreboot));
  dm_.SetSetting(QStringLiteral("endshutdown"), flag(f.endshutdown));
  if (f.endshutdown) {
    target.ComputeEndShutdownTime();
  } else {
    // Switched off: a shutdown already armed for the next seconds is called off too.
    s.endshutdownat = kNever;
    s.endshutdownarmed = false;
  }
  dm_.SetSetting(QStringLiteral("shutdownhint"), flag(f.shutdownhint));
  // Applied at the next start, not now.
  const int volume = f.autovolume ? qBound(0, f.volumeposition, kMaxVolumePosition) * VolumeFactor(windowsVersion_) : 0;
  dm_.SetSetting(QStringLiteral("autovolume"), QString::number(volume));
  dm_.SetSetting(QStringLiteral("canuseskin"), flag(f.canuseskin));
  target.SetSkinActive(f.canuseskin);
  dm_.SetSetting(QStringLiteral("videofullsc"), flag(f.videofullsc));
  dm_.SetSetting(QStringLiteral("volume3"), flag(f.volume3));
  dm_.SetSetting(QStringLiteral("cantstr"), flag(f.cantstr));
  dm_.SetSetting(QStringLiteral("canwritelogtxt"), flag(f.canwritelogtxt));
  dm_.SetSetting(QStringLiteral("canchannel"), flag(f.canchannel));
  dm_.SetSetting(QStringLiteral("softtitle"), f.softtitle.trimmed());

  s.fadeenabled = f.cantstr;
  s.logenabled = f.canwritelogtxt;
  s.channelenabled = f.canchannel;

  QString* const shutdownat[3] = {&s.shutdownat1, &s.shutdownat2, &s.shutdownat3};
  for (int i = 0; i < 3; ++i) {
    const QString t = timeText(f.shutdowntime[std::size_t(i)]);
    dm_.SetSetting(QLatin1String(kShutdownTime[i]), t);
    *shutdownat[i] = f.canshutdown[std::size_t(i)] ? t : kNever;
  }
  const QString reboot = timeText(f.reboottime);
  dm_.SetSetting(QStringLiteral("reboottime"), reboot);
  s.rebootat = f.canreboot ? reboot : kNever;

  target.ApplyCaption(dm_.GetSetting(QStringLiteral("softtitle")) + QLatin1Char(' ') + kVersionText);
  return SaveResult::Saved;
}
