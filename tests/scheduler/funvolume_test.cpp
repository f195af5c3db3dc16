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
  const struct {
    P platform;
    int major, minor;
    const char* name;
  } rows[] = {{P::Win32s, 3, 10, "Windows 3.1"},  {P::Windows9x, 4, 0, "Windows95"},   {P::Windows9x, 4, 90, "Windows Me"},
              {P::Windows9x, 4, 10, "Windows98"}, {P::NT, 3, 51, "Windows NT 3.51"}, {P::NT, 4, 0, "Windows NT 4.0 "},
              {P::NT, 5, 0, "Windows 2000"},      {P::NT, 5, 1, "Windows XP"},       {P::NT, 5, 2, "Windows 2003"},
              {P::NT, 6, 0, "Windows Vista"},     {P::NT, 6, 1, "Windows 7"},        {P::NT, 6, 10, "Windows 7"},
              {P::NT, 6, 2, "Windows 8"},         {P::NT, 6, 3, "Windows Unknown"},  {P::NT, 10, 0, "Windows Unknown"},
              {P::Other, 6, 1, "Windows Unknown"}};  // "6.10" reads as 6.1
  for (const auto& r : rows)
    EXPECT_EQ(WindowsVersionName(r.platform, r.major, r.minor), QLatin1String(r.name)) << r.major << "." << r.minor;
  EXPECT_EQ(GetWindowsVersionName(), QStringLiteral("Windows Unknown"));
}

TEST(FunVolumeTest, StartVolumeFromTheSetting) {
  // The old mixer scale (65535 the loudest) and its low bits; anything unreadable is off.
  const std::pair<const char*, int> levels[] = {{"0", 0},      {"65", 65},     {"100", 100}, {"65536", 0}, {"65537", 1},
                                                {"65535", 100}, {"32768", 50}, {"200", 1},    {"", 0},      {"loud", 0},
                                                {"-1", 0}};
  for (const auto& [text, level] : levels) EXPECT_EQ(AutoVolumeLevel(QLatin1String(text)), level) << text;
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
