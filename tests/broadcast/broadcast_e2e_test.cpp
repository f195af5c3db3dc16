// The whole program, heard: with a fresh home folder whose schedule holds one song entry a
// few seconds ahead, the real program (offscreen) must start the song at its second and stop
// it at its end, as recorded from the test's own null sink on the private sound server.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>

#include "platform/media/mpvbackend.h"
#include "scheduler/core/timetext.h"
#include "tests/broadcast/programhome.h"
#include "tests/support/monitorrecorder.h"
#include "tests/support/soundfiles.h"

using testing_support::MonitorRecorder;
using Steady = MonitorRecorder::Clock;

namespace {
constexpr double kOnset = 3000 / 32768.0;
constexpr double kLoud = 8000 / 32768.0;  // the tone peaks at half scale
constexpr double kQuiet = 300 / 32768.0;  // the silence played beside it is exact

Steady::duration ms(double v) { return std::chrono::duration_cast<Steady::duration>(std::chrono::duration<double, std::milli>(v)); }
double msBetween(Steady::time_point from, Steady::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// The time from play() to the sound at the sink's monitor, through the same player and server
// the program uses; none when the tone was not heard. What the recorder played to settle the
// sink came before this and does not count.
std::optional<double> measureLatency(const MonitorRecorder& monitor, const QString& tone) {
  const Steady::time_point begun = Steady::now();
  orvane::MpvSettings s;
  s.silentFallback = false;
  orvane::MpvBackend backend(s);
  auto player = backend.createChannel(orvane::ChannelKind::MediaPlayer);
  if (!player || !player->open(tone).ok) return std::nullopt;
  runUntil(QDateTime::currentDateTime().addMSecs(300));
  player->play();
  const Steady::time_point played = Steady::now();
  runUntil(QDateTime::currentDateTime().addMSecs(1500));
  player->close();
  const auto heard = monitor.firstPeakAbove(kOnset, std::max(begun, played - ms(500)));
  if (!heard) return std::nullopt;
  return msBetween(played, *heard);
}
}  // namespace

TEST(BroadcastTest, ASongEntryIsHeardAtItsSecondAndStopsAtItsEnd) {
  if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) GTEST_SKIP() << "no private sound server (run through test.sh)";
  const QTime clockNow = QTime::currentTime();
  if (clockNow > QTime(23, 59, 40) || clockNow < QTime(0, 0, 5)) GTEST_SKIP() << "too close to midnight";

  QTemporaryDir tones;
  const QString shortTone = testing_support::writeToneWav(tones.filePath(QStringLiteral("ref.wav")), 0.5, 440.0);
  const QString tone = testing_support::writeToneWav(tones.filePath(QStringLiteral("音乐/tone.wav")), 6.0, 440.0);

  const MonitorRecorder* monitor = MonitorRecorder::shared();
  ASSERT_NE(monitor, nullptr) << "the test's own sink could not be recorded";
  const std::optional<double> measured = measureLatency(*monitor, shortTone);
  ASSERT_TRUE(measured.has_value()) << "the reference tone was not heard";
  const double latency = *measured;
  ASSERT_GE(latency, -50);
  ASSERT_LT(latency, 1000);
  std::printf("output path latency (player -> server -> monitor): %.1f ms\n", latency);

  // The schedule: one single-song entry starting 3 whole seconds ahead, lasting 3 seconds.
  const QDateTime startAt = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch() + 4);
  const QDateTime endAt = startAt.addSecs(3);
  ProgramHome home(startAt.date());
  ASSERT_TRUE(home.ok());
  ASSERT_TRUE(home.addEntry({.pname = QStringLiteral("上课铃"),
                             .starttime = ClockText(startAt),
                             .endtime = ClockText(endAt),
                             .slpath = tone,
                             .tlength = QStringLiteral("00:00:06"),
                             .playmode = QStringLiteral("单曲播放"),
                             .jmlx = 1}));

  ASSERT_TRUE(home.start());
  runUntil(endAt.addMSecs(2500));
  ASSERT_TRUE(home.stop()) << "the program ended early";

  const Steady::time_point due = MonitorRecorder::at(startAt), end = MonitorRecorder::at(endAt);
  const auto heard = monitor->firstPeakAbove(kOnset, due - ms(2000));
  ASSERT_TRUE(heard.has_value()) << "the tone was never heard";
  const double heardMs = msBetween(due, *heard);  // after the due second began
  const double started = heardMs - latency;
  std::printf("entry due at %s; tone heard %.1f ms after the due second began (%.1f ms after latency)\n",
              qPrintable(ClockText(startAt)), heardMs, started);
  EXPECT_GE(started, -50) << "heard before its time";
  EXPECT_LT(started, 1000) << "not within the second it was due";
  EXPECT_GT(monitor->maxPeak(*heard + ms(100), end - ms(200)), kLoud) << "the tone did not go on";
  EXPECT_LT(monitor->maxPeak(end + ms(latency + 500), end + ms(2400)), kQuiet) << "still sounding after the entry's end";

  const QStringList log = home.log();
  EXPECT_TRUE(log.filter(QStringLiteral("播放节目：[starttime]") + ClockText(startAt)).size() == 1) << qPrintable(log.join('\n'));
  EXPECT_TRUE(log.filter(QStringLiteral("[歌名：]") + tone).size() == 1);
}
