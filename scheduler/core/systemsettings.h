// What the settings window shows and stores: the switches, times, start volume, ducking
// level and title, read from the settings keys and written back in a fixed order, with the
// running main window following the new values at once.
#pragma once

#include <QString>
#include <QTime>
#include <array>

struct MainState;
class TDataModule1;

// The settings window's controls as values.
struct SettingsForm {
  std::array<bool, 3> canshutdown{};  // daily shutdowns 1..3 on
  std::array<QTime, 3> shutdowntime{QTime(0, 0), QTime(0, 0), QTime(0, 0)};
  bool canreboot = false;
  QTime reboottime{0, 0};
  bool endshutdown = false;
  bool shutdownhint = false;
  bool autorun = false;  // start at log-in (loaded from the autostart entry, not the key)
  bool runminimize = false;
  bool autovolume = false;  // set the system volume at start
  int volumeposition = 3;   // 0..5
  bool canuseskin = false;
  bool videofullsc = false;
  bool volume3 = false;  // network time at start
  bool cantstr = false;  // fades
  bool canwritelogtxt = false;
  bool canchannel = false;
  QString minvolume = QStringLiteral("10");  // the ducking level's edit text
  QString softtitle;
};

// The running main window as the settings window changes it.
class SettingsTarget {
 public:
  virtual ~SettingsTarget() = default;
  virtual MainState& state() = 0;
  virtual void ComputeEndShutdownTime() = 0;
  // The skin component's switch.
  virtual void SetSkinActive(bool on) = 0;
  // The window caption, and the notification-area hint that always equals it.
  virtual void ApplyCaption(const QString& caption) = 0;
};

class SystemSettings {
 public:
  // The version name decides the start volume's scale; on Linux it is "Windows Unknown".
  explicit SystemSettings(TDataModule1& dm, QString windowsVersion = QStringLiteral("Windows Unknown"));

  // At creation: every switch, the start volume and the title (autorun is not read here).
  void LoadSwitches(SettingsForm& f) const;
  // At showing: the four times and the ducking level.
  void LoadTimes(SettingsForm& f) const;

  enum class SaveResult { Saved, LevelTooHigh };
  // "确定" up to the start-at-log-in step: an empty level becomes "10"; a level above 100 is
  // refused with nothing written; otherwise every key is written in its order and the main
  // window follows. A failed write is reported by the accessor and the rest still runs.
  SaveResult Save(SettingsForm& f, SettingsTarget& target) const;

  // 20 where the start volume is the 0..100 endpoint scale, 13107 for the 0..65535 mixer.
  static int VolumeFactor(const QString& windowsVersion);
  // A stored time of day; 00:00:00 when it is empty or malformed (logged).
  static QTime TimeOfDay(const QString& key, const QString& stored);
  // The ducking level's text for a stored value: the digits, or "10" when it is not a number.
  static QString LevelText(const QString& stored);
  static constexpr int kMaxVolumePosition = 5;
  static constexpr int kMaxLevel = 100;

 private:
  TDataModule1& dm_;
  QString windowsVersion_;
};
