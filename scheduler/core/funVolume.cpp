// Volume routines.
#include "scheduler/core/funVolume.h"

#include <QDebug>
#include <cmath>

#include "platform/audio/systemvolume.h"
#include "platform/media/mediachannel.h"
#include "platform/msgbox/messagebox.h"

void SetMediaPlayerVolume(orvane::MediaChannel* player, int volume) {
  if (player && player->isOpen()) player->setVolume(volume);
}

void SetEndpointVolume(orvane::SystemVolume* endpoint, quint16 level) {
  if (endpoint) endpoint->setVolume(qMin<int>(level, 100));
}

int SetMixerVolume(orvane::SystemVolume* mixer, quint8 line, quint16 value) {
  if (!mixer || !mixer->volume().has_value()) return -1;  // no mixer device at all
  if (line != 0 && line != 2) return 0;                     // a line that does not exist: silent
  const int percent = int(std::lround(double(value) * 100.0 / 65535.0));
  if (!mixer->setVolume(percent))
    orvane::MessageBox(QStringLiteral("SetControlDetails Error"), QStringLiteral("Orvane "), orvane::mb::OK);
  return 0;
}

QString WindowsVersionName(WindowsPlatform platform, int major, int minor) {
  const double v = QStringLiteral("%1.%2").arg(major).arg(minor).toDouble();
  switch (platform) {
    case WindowsPlatform::Win32s:
      return QStringLiteral("Windows 3.1");
    case WindowsPlatform::Windows9x:
      if (v == 4.0) return QStringLiteral("Windows95");
      if (v == 4.9) return QStringLiteral("Windows Me");
      return QStringLiteral("Windows98");
    case WindowsPlatform::NT:
      if (v == 3.51) return QStringLiteral("Windows NT 3.51");
      if (v == 4.0) return QStringLiteral("Windows NT 4.0 ");
      if (v == 5.0) return QStringLiteral("Windows 2000");
      if (v == 5.1) return QStringLiteral("Windows XP");
      if (v == 5.2) return QStringLiteral("Windows 2003");
      if (v == 6.0) return QStringLiteral("Windows Vista");
      if (v == 6.1) return QStringLiteral("Windows 7");
      if (v == 6.2) return QStringLiteral("Windows 8");
      return QStringLiteral("Windows Unknown");
    case WindowsPlatform::Other:
      break;
  }
  return QStringLiteral("Windows Unknown");
}

QString GetWindowsVersionName() { return WindowsVersionName(WindowsPlatform::Other, 0, 0); }

int AutoVolumeLevel(const QString& setting) {
  bool ok = false;
  const qlonglong v = setting.trimmed().toLongLong(&ok, 10);
  // A negative number is no volume at all, not the loudest one its low bits would make.
  if (!ok || v < 0) {
    if (!setting.trimmed().isEmpty())
      qWarning().noquote() << "settings: autovolume holds" << '"' + setting + '"' << "- the system volume is left alone";
    return 0;
  }
  const int low = int(quint64(v) & 0xFFFF);
  if (low <= 100) return low;
  // A quiet old value stays quiet rather than becoming "leave alone".
  return qMax(1, int(std::lround(double(low) * 100.0 / 65535.0)));
}

void ApplyStartVolume(orvane::SystemVolume* system, int level, const QString& name) {
  if (level == 0) return;
  if (name == QLatin1String("Windows 7") || name == QLatin1String("Windows 8") ||
      name == QLatin1String("Windows Unknown")) {
    SetEndpointVolume(system, quint16(level));
  } else {
    const auto mixerValue = quint16(std::lround(level * 65535.0 / 100.0));
    SetMixerVolume(system, 0, mixerValue);
    SetMixerVolume(system, 2, mixerValue);
  }
}
