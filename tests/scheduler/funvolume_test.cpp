// The volume routines: players, the system output through a recording fake, the old mixer
// lines, the Windows version table and the start-up volume.
#include <gtest/gtest.h>

#include "platform/audio/systemvolume.h"
#include "platform/media/fakemediabackend.h"
#include "platform/msgbox/messagebox.h"
#include "scheduler/core/funVolume.h"

using orvane::RecordingSystemVolume;

TEST(FunVolumeTest, MediaPlayerVolumeOnlyOnAnOpenPlayer) {
  orvane::FakeMediaBackend backend;
  auto player = backend.createChannel(orvane::ChannelKind::MediaPlayer);
  SetMediaPlayerVolume(player.get(), 500);
  EXPECT_EQ(backend.channel(orvane::ChannelKind::MediaPlayer)->volumes.size(), 0u);
  player->open(QStringLiteral("/x.mp3"));
  SetMediaPlayerVolume(player.get(), 500);
  EXPECT_EQ(player->volume(), 500);
  SetMediaPlayerVolume(nullptr, 10);
}

TEST(FunVolumeTest, EndpointAndMixerLines) {
  RecordingSystemVolume system;
  SetEndpointVolume(&system, 40);
  SetEndpointVolume(&system, 300);
  EXPECT_EQ(system.requests, (QList<int>{40, 100}));
  SetEndpointVolume(nullptr, 40);

  system.requests.clear();
  EXPECT_EQ(SetMixerVolume(&system, 0, 65535), 0);
  EXPECT_EQ(SetMixerVolume(&system, 2, 32768), 0);
  EXPECT_EQ(SetMixerVolume(&system, 1, 1000), 0);  // no synthesizer line here: left alone
  EXPECT_EQ(SetMixerVolume(&system, 3, 1000), 0);
  EXPECT_EQ(system.requests, (QList<int>{100, 50}));

  orvane::ScopedMessageResponder boxes;
  system.available = false;
  EXPECT_EQ(SetMixerVolume(&system, 0, 100), -1);  // no mixer at all: silent
  EXPECT_TRUE(boxes.asked().empty());

  // A server that is there but refuses says so once.
  struct Refusing : RecordingSystemVolume {
    bool setVolume(int) override { return false; }
  } refusing;
  EXPECT_EQ(SetMixerVolume(&refusing, 2, 100), 0);
  EXPECT_TRUE(boxes.wasAsked(QStringLiteral("SetControlDetails Error")));
}

TEST(FunVolumeTest, WindowsVersionTable) {
  using P = WindowsPlatform;
  EXPECT_EQ(WindowsVersionName(P::Win32s, 3, 10), QStringLiteral("Windows 3.1"));
  EXPECT_EQ(WindowsVersionName(P::Windows9x, 4, 0), QStringLiteral("Windows95"));
  EXPECT_EQ(WindowsVersionName(P::Windows9x, 4, 90), QStringLiteral("Windows Me"));
  EXPECT_EQ(WindowsVersionName(P::Windows9x, 4, 10), QStringLiteral("Windows98"));
  EXPECT_EQ(WindowsVersionName(P::NT, 3, 51), QStringLiteral("Windows NT 3.51"));
  EXPECT_EQ(WindowsVersionName(P::NT, 4, 0), QStringLiteral("Windows NT 4.0 "));
  EXPECT_EQ(WindowsVersionName(P::NT, 5, 0), QStringLiteral("Windows 2000"));
  EXPECT_EQ(WindowsVersionName(P::NT, 5, 1), QStringLiteral("Windows XP"));
  EXPECT_EQ(WindowsVersionName(P::NT, 5, 2), QStringLiteral("Windows 2003"));
  EXPECT_EQ(WindowsVersionName(P::NT, 6, 0), QStringLiteral("Windows Vista"));
  EXPECT_EQ(WindowsVersionName(P::NT, 6, 1), QStringLiteral("Windows 7"));
  EXPECT_EQ(WindowsVersionName(P::NT, 6, 10), QStringLiteral("Windows 7"));  // "6.10" reads as 6.1
  EXPECT_EQ(WindowsVersionName(P::NT, 6, 2), QStringLiteral("Windows 8"));
  EXPECT_EQ(WindowsVersionName(P::NT, 6, 3), QStringLiteral("Windows Unknown"));
  EXPECT_EQ(WindowsVersionName(P::NT, 10, 0), QStringLiteral("Windows Unknown"));
  EXPECT_EQ(WindowsVersionName(P::Other, 6, 1), QStringLiteral("Windows Unknown"));
  EXPECT_EQ(GetWindowsVersionName(), QStringLiteral("Windows Unknown"));
}

TEST(FunVolumeTest, StartVolumeFromTheSetting) {
  EXPECT_EQ(AutoVolumeLevel(QStringLiteral("0")), 0);
  EXPECT_EQ(AutoVolumeLevel(QStringLiteral("65")), 65);
  EXPECT_EQ(AutoVolumeLevel(QStringLiteral("100")), 100);
  EXPECT_EQ(AutoVolumeLevel(QStringLiteral("65536")), 0);  // no low bits: off
  EXPECT_EQ(AutoVolumeLevel(QStringLiteral("65537")), 1);
  EXPECT_EQ(AutoVolumeLevel(QStringLiteral("65535")), 100);  // the old mixer scale
  EXPECT_EQ(AutoVolumeLevel(QStringLiteral("32768")), 50);
  EXPECT_EQ(AutoVolumeLevel(QStringLiteral("200")), 1);
  EXPECT_EQ(AutoVolumeLevel(QString()), 0);
  EXPECT_EQ(AutoVolumeLevel(QStringLiteral("loud")), 0);
  EXPECT_EQ(AutoVolumeLevel(QStringLiteral("-1")), 0);  // not the loudest

  RecordingSystemVolume system;
  ApplyStartVolume(&system, 0);
  EXPECT_TRUE(system.requests.isEmpty());
  ApplyStartVolume(&system, 70);
  EXPECT_EQ(system.requests, QList<int>{70});  // this system takes the endpoint route
  system.requests.clear();
  ApplyStartVolume(&system, 70, QStringLiteral("Windows 8"));
  EXPECT_EQ(system.requests, QList<int>{70});
  // The older systems set mixer lines 0 and 2, here both the default output.
  system.requests.clear();
  ApplyStartVolume(&system, 70, QStringLiteral("Windows Vista"));
  EXPECT_EQ(system.requests, (QList<int>{70, 70}));
  system.requests.clear();
  ApplyStartVolume(&system, 0, QStringLiteral("Windows XP"));
  EXPECT_TRUE(system.requests.isEmpty());
}
