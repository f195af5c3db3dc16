// Settings catalogue and readers.
#include "scheduler/core/settingskeys.h"

#include <QDebug>

#include "scheduler/core/datamodule.h"

const std::vector<SettingKey>& SettingKeys() {
  static const std::vector<SettingKey> keys = {
      {"canbass", "1", "\"0\": songs play through the media player only; else .MP3 files it cannot open fall back to the stream player"},
      {"canwritelogtxt", "1", "\"1\": append broadcast events to log.txt"},
      {"volume3", "0", "\"1\": set the clock from the network once at start"},
      {"canshutdown1", "0", "\"1\": daily shutdown 1 on"},
      {"canshutdown2", "0", "\"1\": daily shutdown 2 on"},
      {"canshutdown3", "0", "\"1\": daily shutdown 3 on"},
      {"shutdowntime1", "17:30:00", "time of daily shutdown 1"},
      {"shutdowntime2", "21:00:00", "time of daily shutdown 2"},
      {"shutdowntime3", "23:30:00", "time of daily shutdown 3"},
      {"canreboot", "0", "\"1\": daily restart on"},
      {"reboottime", "06:00:00", "time of the daily restart"},
      {"endshutdown", "0", "\"1\": shut down 5 seconds after the day's last entry has ended"},
      {"shutdownhint", "1", "\"1\": shutdowns and restarts first show the countdown window"},
      {"autorun", "0", "copy of the start-at-login choice"},
      {"runminimize", "0", "\"1\": hide to the notification area right after start"},
      {"autovolume", "0", "\"0\": leave the system volume alone; else the volume (0..100) set at start"},
      {"canuseskin", "1", "\"1\": windows are painted from the skin"},
      {"videofullsc", "0", "\"1\": video files play full screen in the video window"},
      {"cantstr", "1", "\"1\": songs of entries longer than 50 s fade in and out over 4 s"},
      {"canchannel", "1", "\"1\": the second channel exists"},
      {"minvolume", "10", "main-channel level in percent while the second channel or a text plays"},
      {"softtitle", "Orvane", "window title; the caption is this, a blank and the version"},
      {"pw", "", "operator password; blank means none"},
      {"volume1", "0", "\"1\": show the tips window at start"},
      {"volume2", "0", "\"1\": show the speech tip before the speech studio opens"},
      {"volume4", "0", "\"0\": today's schedule by weekday; else by day of the month"},
      {"ttstsy", "1600", "milliseconds to wait after the hint sound before a text is spoken"},
      {"fpath", "", "the player's common music folder"},
      {"Monday", "无", "schedule for Mondays in weekday mode, or 无"},
      {"Tuesday", "无", "schedule for Tuesdays"},
      {"Wednesday", "无", "schedule for Wednesdays"},
      {"Thursday", "无", "schedule for Thursdays"},
      {"Friday", "无", "schedule for Fridays"},
      {"Saturday", "无", "schedule for Saturdays"},
      {"Sunday", "无", "schedule for Sundays"},
  };
  return keys;
}

QString SettingDefault(const QString& key) {
  for (const auto& k : SettingKeys())
    if (key == QLatin1String(k.name)) return QString::fromUtf8(k.defaultValue);
  return {};
}

QString SettingsReader::text(const QString& key) const {
  const std::optional<QString> v = dm_.ReadSetting(key);
  if (!v) allRead_ = false;
  return v.value_or(QString());
}

bool SettingsReader::on(const QString& key) const { return text(key) == QLatin1String("1"); }

int SettingsReader::integer(const QString& key, int fallback) const {
  const QString v = text(key);
  bool ok = false;
  const int n = v.trimmed().toInt(&ok, 10);
  if (ok) return n;
  qWarning().noquote() << "settings:" << key << "holds" << (v.isEmpty() ? QStringLiteral("nothing") : '"' + v + '"')
                       << "- using" << fallback;
  return fallback;
}
