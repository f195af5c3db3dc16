// The volume routines at three levels (a media player, the system output, the old mixer
// lines) and the name of the Windows version that decided between the last two.
#pragma once

#include <QString>

namespace orvane {
class MediaChannel;
class SystemVolume;
}  // namespace orvane

// Sets a player's volume, 0..1000 (linear in amplitude). Does nothing when the player is
// missing or not open.
void SetMediaPlayerVolume(orvane::MediaChannel* player, int volume);

// Sets the master volume of the default output, 0..100. Every failure (no sound server) is
// silent.
void SetEndpointVolume(orvane::SystemVolume* endpoint, quint16 level);

// The old mixer's lines: 0 speakers, 1 synthesizer, 2 wave output, 3 compact disc. Speakers
// and wave output are the default output here (value 0..65535); the other two lines do not
// exist and are left alone. Returns 0, or -1 when there is no sound server; a server that
// refuses the value shows "SetControlDetails Error".
int SetMixerVolume(orvane::SystemVolume* mixer, quint8 line, quint16 value);

enum class WindowsPlatform { Win32s, Windows9x, NT, Other };
// The name of a Windows version, by the platform and the version number compared as
// "major.minor" read as a decimal number (so 4.90 is 4.9 and 6.10 is 6.1).
QString WindowsVersionName(WindowsPlatform platform, int major, int minor);
// The running system's name: this program never runs on Windows, so "Windows Unknown".
QString GetWindowsVersionName();

// The start-up volume of the setting "autovolume" in percent, 0 when the system volume is to
// be left alone: only the low 16 bits count (65536 is off), and a value above 100 comes from
// the old mixer scale and is brought to percent (65535 is 100). A value that is not a number,
// or is negative, is off (and logged).
int AutoVolumeLevel(const QString& setting);

// The start-up step: a non-zero level goes to the endpoint (the newer systems, and any this
// program does not know) or to mixer lines 0 and 2 (the older ones), by the system's name.
void ApplyStartVolume(orvane::SystemVolume* system, int level, const QString& version = GetWindowsVersionName());
