// The whole program, heard: with a fresh home folder whose schedule holds one song entry a
// few seconds ahead, the real program (offscreen) must start the song at its second and stop
// it at its end, as recorded from the private sound server's null sink.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <cmath>

#include "platform/files/textfile.h"
#include "platform/media/mpvbackend.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/timetext.h"
#include "tests/broadcast/soundrecorder.h"
#include "tests/support/soundfiles.h"
#include "tests/support/testsupport.h"

namespace {
constexpr int kLoud = 8000;   // the tone peaks at half scale (16383)
constexpr int kQuiet = 300;   // the zeros stream is exact silence

qint64 nowMs() { return QDateTime::currentMSecsSinceEpoch(); }

// The time from play() to the sound at the sink's monitor, through the same player and server
// the program uses.
double measureLatency(SoundRecorder& rec, const QString& tone) {
  orvane::MpvSettings s;
  s.silentFallback = false;
  orvane::MpvBackend backend(s);
  auto player = backend.createChannel(orvane::ChannelKind::MediaPlayer);
  if (!player || !player->open(tone).ok) return -1;
  rec.recordUntil(nowMs() + 300);
  player->play();
  const double played = double(nowMs());
  rec.recordUntil(qint64(played) + 1500);
  player->close();
  const double heard = rec.onsetAfter(played - 500);
  return heard < 0 ? -1 : heard - played;
}
}  // namespace

TEST(BroadcastTest, ASongEntryIsHeardAtItsSecondAndStopsAtItsEnd) {
  if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) GTEST_SKIP() << "no private sound server (run through test.sh)";
  const QTime clockNow = QTime::currentTime();
  if (clockNow > QTime(23, 59, 40) || clockNow < QTime(0, 0, 5)) GTEST_SKIP() << "too close to midnight";

  QTemporaryDir home;
  QTemporaryDir config;
  const QString shortTone = testing_support::writeToneWav(home.filePath(QStringLiteral("ref.wav")), 0.5, 440.0);
  const QString tone = testing_support::writeToneWav(home.filePath(QStringLiteral("音乐/tone.wav")), 6.0, 440.0);

  SoundRecorder rec;
  ASSERT_TRUE(rec.start()) << "pacat/parec did not start";
  ASSERT_TRUE(rec.waitForSamples(5000)) << "nothing recorded from testsink.monitor";
  const double latency = measureLatency(rec, shortTone);
  ASSERT_GE(latency, -50) << "the reference tone was not heard";
  ASSERT_LT(latency, 1000);
  std::printf("output path latency (player -> server -> monitor): %.1f ms\n", latency);

  // The schedule: one single-song entry starting 3 whole seconds ahead, lasting 3 seconds.
  const QDateTime startAt = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch() + 4);
  const QDateTime endAt = startAt.addSecs(3);
  {
    testing_support::ScopedEnv homeHere("ORVANE_HOME", home.path().toUtf8());
    TDataModule1 dm;
    ASSERT_TRUE(dm.ConnectDatabase(QStringLiteral("accesspw"), home.filePath(QStringLiteral("gsk.mdb")), {}, {}, {},
                                   orvane::db::Connection::Mode::CreateIfMissing));
    dm.SetSetting(QStringLiteral("volume4"), QStringLiteral("0"));
    dm.SetSetting(EnglishWeekday(startAt.date()), QStringLiteral("日常"));
    dm.SetSetting(QStringLiteral("canwritelogtxt"), QStringLiteral("1"));
    ASSERT_TRUE(dm.ExecQuery(dm.qry_temp,
                             QStringLiteral("insert into sjb(pname,starttime,endtime,slpath,tlength,playmode,ivolume,"
                                            "Schedulen,jmlx,mainchannel,txt) values('上课铃',:s,:e,:p,'00:00:06',"
                                            "'单曲播放',100,'日常',1,'主通道','')"),
                             {{QStringLiteral(":s"), ClockText(startAt)},
                              {QStringLiteral(":e"), ClockText(endAt)},
                              {QStringLiteral(":p"), tone}}));
  }

  QProcess program;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("ORVANE_HOME"), home.path());
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  env.insert(QStringLiteral("ORVANE_DRY_RUN_SYSTEM"), QStringLiteral("1"));
  program.setProcessEnvironment(env);
  program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  program.start(QStringLiteral(ORVANE_PROGRAM), {});
  ASSERT_TRUE(program.waitForStarted(5000));
  rec.recordUntil(endAt.toMSecsSinceEpoch() + 2500);
  const bool stillRunning = program.state() == QProcess::Running;
  program.terminate();
  if (!program.waitForFinished(5000)) program.kill();
  rec.stop();
  ASSERT_TRUE(stillRunning) << "the program ended early";

  const double due = double(startAt.toMSecsSinceEpoch());
  const double heard = rec.onsetAfter(due - 2000);
  ASSERT_GE(heard, 0) << "the tone was never heard";
  const double started = heard - latency;
  std::printf("entry due at %s; tone heard %.1f ms after the due second began (%.1f ms after latency)\n",
              qPrintable(ClockText(startAt)), heard - due, started - due);
  EXPECT_GE(started, due - 50) << "heard before its time";
  EXPECT_LT(started, due + 1000) << "not within the second it was due";
  EXPECT_GT(rec.peakBetween(heard + 100, double(endAt.toMSecsSinceEpoch()) - 200), kLoud) << "the tone did not go on";
  const double end = double(endAt.toMSecsSinceEpoch());
  EXPECT_LT(rec.peakBetween(end + latency + 500, end + 2400), kQuiet) << "still sounding after the entry's end";

  const QStringList log = orvane::readTextLines(home.filePath(QStringLiteral("log.txt")));
  EXPECT_TRUE(log.filter(QStringLiteral("播放节目：[starttime]") + ClockText(startAt)).size() == 1) << qPrintable(log.join('\n'));
  EXPECT_TRUE(log.filter(QStringLiteral("[歌名：]") + tone).size() == 1);
}
