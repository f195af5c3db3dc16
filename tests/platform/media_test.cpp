// The libmpv media layer on a silent, untimed output: opening, lengths, the end signal and
// its generation guard, seeking, volume, MIDI rendering, the length probe.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTemporaryDir>
#include <QThread>

#include "platform/media/midifile.h"
#include "platform/media/midirenderer.h"
#include "platform/media/midistream.h"
#include "platform/media/mpvbackend.h"
#include "platform/media/mpvchannel.h"
#include "platform/media/mpvmediaprobe.h"
#include "tests/support/loopbackserver.h"
#include "tests/support/soundfiles.h"
#include "tests/support/testsupport.h"

using namespace orvane;

namespace {
MpvSettings silentUntimed() {
  MpvSettings s;
  s.audioOutput = "null";
  s.untimed = true;
  s.silentFallback = false;
  return s;
}

class MediaTest : public ::testing::Test {
 protected:
  QString file(const QString& name) const { return dir.filePath(name); }
  std::unique_ptr<MediaChannel> channel(ChannelKind kind = ChannelKind::MediaPlayer) {
    auto c = backend.createChannel(kind);
    EXPECT_NE(c, nullptr);
    return c;
  }
  QTemporaryDir dir;
  MpvBackend backend{silentUntimed()};
};
}  // namespace

TEST_F(MediaTest, TwoSecondWaveHasItsLengthAndEndsOnce) {
  const QString wav = testing_support::writeToneWav(file("tone.wav"), 2.0);
  for (ChannelKind kind : {ChannelKind::MediaPlayer, ChannelKind::Stream}) {
    auto c = channel(kind);
    QSignalSpy ends(c.get(), &MediaChannel::endOfMedia);
    ASSERT_TRUE(c->open(wav).ok);
    EXPECT_TRUE(c->mode() == MediaMode::Stopped && c->fileName() == wav);
    EXPECT_NEAR(double(c->lengthMs()), 2000.0, 50.0);
    c->play();
    EXPECT_EQ(c->mode(), MediaMode::Playing);
    ASSERT_TRUE(testing_support::waitUntil([&] { return ends.count() > 0; }, 5000));
    QTest::qWait(50);
    EXPECT_TRUE(ends.count() == 1 && c->mode() == MediaMode::Stopped);
    EXPECT_EQ(c->positionMs(), c->lengthMs());
    c->play();  // at the end: does nothing and sends nothing
    QTest::qWait(20);
    EXPECT_EQ(ends.count(), 1);
  }
}

TEST_F(MediaTest, MissingAndUndecodableFilesFailWithinTheBoundedWaitAndTheProbeSaysNoLength) {
  auto c = channel();
  MpvMediaProbe probe(backend.midi());
  const QString garbage = testing_support::writeFile(file("bad.mp3"), QByteArray(4096, 'x'));
  const QString zeros = testing_support::writeFile(file("bad.wma"), QByteArray(100, '\0'));
  const QString empty = testing_support::writeFile(file("empty.wav"), QByteArray());
  const QString fakeMidi = testing_support::writeFile(file("fake.mid"), QByteArray("not midi at all"));
  for (const QString& path : {file("missing.mp3"), garbage, zeros, empty, fakeMidi, dir.path()}) {
    QElapsedTimer t;
    t.start();
    const MediaResult r = c->open(path, 1500);
    EXPECT_FALSE(r.ok || r.message.isEmpty() || c->isOpen() || probe.lengthMs(path).has_value()) << qPrintable(path);
    EXPECT_LT(t.elapsed(), 1500 + 500) << qPrintable(path);
  }
  // The channel is still good for a real file afterwards; the probe measures it without playing.
  const QString ok = testing_support::writeToneWav(file("ok.wav"), 1.5);
  EXPECT_TRUE(c->open(ok).ok);
  EXPECT_NEAR(double(probe.lengthMs(ok).value_or(0)), 1500.0, 50.0);
  if (!backend.midi()->soundfont().isEmpty()) {
    EXPECT_EQ(probe.lengthMs(testing_support::writeMidi(file("p.mid"), 4)), 2000);
  }
}

TEST_F(MediaTest, AnEndThatArrivesAfterCloseOrReopenIsDropped) {
  const QString shortWav = testing_support::writeToneWav(file("short.wav"), 0.2);
  const QString longWav = testing_support::writeToneWav(file("long.wav"), 3.0);
  auto c = channel();
  QSignalSpy ends(c.get(), &MediaChannel::endOfMedia);
  ASSERT_TRUE(c->open(shortWav).ok);
  c->play();
  QThread::msleep(300);  // untimed: the file has ended inside libmpv, the news is queued
  c->close();
  QTest::qWait(50);
  EXPECT_EQ(ends.count(), 0);

  ASSERT_TRUE(c->open(shortWav).ok);
  c->play();
  QThread::msleep(300);
  ASSERT_TRUE(c->open(longWav).ok);  // the next song replaces the finished one
  QCoreApplication::processEvents();
  EXPECT_TRUE(ends.isEmpty() && c->fileName() == longWav);
  EXPECT_NEAR(double(c->lengthMs()), 3000.0, 50.0);

  // A channel destroyed with news still queued goes quietly.
  c->play();
  QThread::msleep(100);
  c.reset();
  QCoreApplication::processEvents();
}

TEST_F(MediaTest, PauseStopSeekAndVolume) {
  MpvSettings timed = silentUntimed();
  timed.untimed = false;  // positions advance in real time
  MpvBackend realTime(timed);
  auto c = realTime.createChannel(ChannelKind::MediaPlayer);
  ASSERT_NE(c, nullptr);
  QSignalSpy ends(c.get(), &MediaChannel::endOfMedia);
  ASSERT_TRUE(c->open(testing_support::writeToneWav(file("five.wav"), 5.0)).ok);
  c->setVolume(125);
  EXPECT_EQ(c->volume(), 125);
  c->play();
  c->seek(3000);
  ASSERT_TRUE(testing_support::waitUntil([&] { return c->positionMs() >= 3200; }, 3000));  // played on past it
  c->pause();
  EXPECT_EQ(c->mode(), MediaMode::Paused);
  const qint64 paused = c->positionMs();
  QThread::msleep(200);
  EXPECT_NEAR(double(c->positionMs()), double(paused), 30.0);
  c->stop();
  EXPECT_TRUE(c->mode() == MediaMode::Stopped && c->isOpen());
  // A seek past the end lands on the end, and the file ends.
  c->play();
  c->seek(60000);
  ASSERT_TRUE(testing_support::waitUntil([&] { return ends.count() == 1; }, 3000));
  EXPECT_EQ(c->positionMs(), c->lengthMs());

  // 1000 is full scale; an eighth of the amplitude is half of libmpv's cubic scale.
  for (const auto& [level, mpv] : std::vector<std::pair<int, double>>{{1000, 100}, {0, 0}, {125, 50}, {5000, 100}})
    EXPECT_NEAR(MpvChannel::mpvVolume(level), mpv, 1e-9) << level;
}

TEST_F(MediaTest, MidiFilesAreRenderedAsTheyPlay) {
  if (MidiRenderer().soundfont().isEmpty()) GTEST_SKIP() << "no General MIDI soundfont installed";
  const QString mid = testing_support::writeMidi(file("tune.MID"), 2);
  auto c = channel();
  QSignalSpy ends(c.get(), &MediaChannel::endOfMedia);
  const MediaResult r = c->open(mid);
  ASSERT_TRUE(r.ok) << qPrintable(r.message);
  EXPECT_EQ(c->lengthMs(), 1000);  // two half-second notes
  c->play();
  EXPECT_TRUE(testing_support::waitUntil([&] { return ends.count() == 1; }, 5000));

  // Four dense minutes open at once: nothing waits for the whole rendering.
  const QString dense = testing_support::writeMidi(file("dense.mid"), 1920, 8, 24);
  QElapsedTimer t;
  t.start();
  ASSERT_TRUE(c->open(dense).ok);
  EXPECT_LT(t.elapsed(), 1500);
  EXPECT_EQ(c->lengthMs(), 240000);
  c->play();
  ASSERT_TRUE(testing_support::waitUntil([&] { return c->positionMs() > 1000; }, 5000));
  // Another file replaces it mid-way, and the channel goes away while one renders.
  ASSERT_TRUE(c->open(mid).ok);
  ASSERT_TRUE(c->open(dense).ok);
  c->play();
  QThread::msleep(100);
  c.reset();

  // Without a soundfont a MIDI file fails like any unplayable file.
  QString why;
  EXPECT_EQ(MidiRenderer(QStringList{file("no.sf2")}).start(mid, &why), nullptr);
  EXPECT_FALSE(why.isEmpty());
}

TEST(MidiFileTest, LengthFromTheTempoMap) {
  QTemporaryDir dir;
  // Notes of a beat at 120 a minute, chords with running status, 60 a minute, no notes.
  for (const auto& [notes, chord, tempo, ms] : std::vector<std::tuple<int, int, quint32, int>>{
           {4, 1, 0, 2000}, {4, 3, 0, 2000}, {4, 1, 1000000u, 4000}, {0, 1, 0, 0}})
    EXPECT_EQ(MidiFile::lengthMs(testing_support::writeMidi(dir.filePath(QStringLiteral("t.mid")), notes, chord, 96, tempo)), ms)
        << notes << " " << chord << " " << tempo;

  // Two tracks and a tempo change half-way; the longer track decides.
  auto vlq = testing_support::midiVlq;
  QByteArray t1 = vlq(0) + QByteArray("\xFF\x51\x03\x07\xA1\x20", 6) + vlq(192) +
                  QByteArray("\xFF\x51\x03\x0F\x42\x40", 6) + vlq(0) + QByteArray("\xFF\x2F\x00", 3);
  QByteArray t2 = vlq(0) + QByteArray("\x90\x3C\x64", 3) + vlq(384) + QByteArray("\x3C\x00", 2) + vlq(0) +
                  QByteArray("\xFF\x2F\x00", 3);
  auto chunk = [](const char* id, const QByteArray& body) {
    QByteArray c(id);
    const quint32 n = qToBigEndian(quint32(body.size()));
    c.append(reinterpret_cast<const char*>(&n), 4);
    return c + body;
  };
  const QByteArray two = chunk("MThd", QByteArray("\x00\x01\x00\x02\x00\x60", 6)) + chunk("MTrk", t1) +
                         chunk("XYZW", "ignored") + chunk("MTrk", t2);
  // 192 ticks at 0.5 s a beat (1 s), then 192 at 1 s a beat (2 s).
  EXPECT_EQ(MidiFile::lengthMs(two), 3000);
  // The same inside a RIFF MIDI file.
  QByteArray rmi = chunk("RIFF", QByteArray("RMID") + chunk("data", two));
  EXPECT_EQ(MidiFile::lengthMs(rmi), 3000);
  // Time-code division: 25 frames a second, 40 ticks a frame.
  QByteArray smpte = chunk("MThd", QByteArray("\x00\x00\x00\x01\xE7\x28", 6)) + chunk("MTrk", t2);
  EXPECT_EQ(MidiFile::lengthMs(smpte), 384);

  for (const QByteArray& bad : {two.left(two.size() - 5), QByteArray("MThd"), QByteArray("not midi at all")})
    EXPECT_FALSE(MidiFile::lengthMs(bad).has_value()) << bad.size();
  EXPECT_FALSE(MidiFile::lengthMs(dir.filePath("missing.mid")).has_value());
}

namespace {
QStringList logged;
void catchLog(QtMsgType, const QMessageLogContext&, const QString& msg) { logged << msg; }
}  // namespace

TEST_F(MediaTest, WithoutASoundServerPlayingGoesOnSilentlyAndSaysSo) {
  testing_support::ScopedEnv nowhere("PULSE_SERVER", "unix:" + dir.filePath(QStringLiteral("nowhere")).toUtf8());
  // Long enough for libmpv to report the audio output it fell back to before the end.
  const QString wav = testing_support::writeToneWav(file("short.wav"), 1.0);
  {
    const QtMessageHandler previous = qInstallMessageHandler(catchLog);
    MpvSettings pulse;  // the program's own settings: pulse, falling back to silence
    MpvBackend program(pulse);
    auto c = program.createChannel(ChannelKind::MediaPlayer);
    ASSERT_NE(c, nullptr);
    QSignalSpy ends(c.get(), &MediaChannel::endOfMedia);
    ASSERT_TRUE(c->open(wav).ok);
    c->play();
    EXPECT_TRUE(testing_support::waitUntil([&] { return ends.count() == 1; }, 3000));
    qInstallMessageHandler(previous);
    EXPECT_FALSE(logged.filter(QStringLiteral("no sound server")).isEmpty()) << qPrintable(logged.join("\n"));

    // Without the silent fallback the channel reports the failure and stops.
    MpvSettings strict;
    strict.silentFallback = false;
    MpvBackend strictBackend(strict);
    auto s = strictBackend.createChannel(ChannelKind::MediaPlayer);
    QSignalSpy failures(s.get(), &MediaChannel::failed);
    ASSERT_TRUE(s->open(wav).ok);
    s->play();
    EXPECT_TRUE(testing_support::waitUntil([&] { return failures.count() == 1; }, 3000));
    EXPECT_EQ(s->mode(), MediaMode::Stopped);
  }
}

TEST_F(MediaTest, AVideoFilePlaysAsSoundWithoutAWindow) {
  const QString mp4 = file("clip.mp4");
  const int rc = QProcess::execute(QStringLiteral("ffmpeg"), QStringLiteral("-loglevel error -f lavfi -i testsrc=size=64x48:rate=10 "
                                                                            "-f lavfi -i sine=frequency=440 -t 1 -pix_fmt yuv420p")
                                                                 .split(QLatin1Char(' ')) << mp4);
  if (rc != 0) GTEST_SKIP() << "ffmpeg could not make a video file";
  auto c = channel();
  QSignalSpy ends(c.get(), &MediaChannel::endOfMedia);
  ASSERT_TRUE(c->open(mp4).ok);
  EXPECT_NEAR(double(c->lengthMs()), 1000.0, 100.0);
  c->play();
  EXPECT_TRUE(testing_support::waitUntil([&] { return ends.count() == 1; }, 5000));
}

// Internet radio addresses: opening one returns at once and the answer comes from the event
// loop (the stream is served on loopback by this very thread, which a waiting open would
// starve); the stream then plays to its end. libmpv's other protocols and plain paths are
// refused at once; a closed port answers with a failure.
TEST_F(MediaTest, StreamAddressesOpenAndEverythingElseIsRefused) {
  testing_support::LoopbackServer server;
  server.route(QStringLiteral("/tone.wav"), testing_support::toneWav(2.0, 440, 0.5, 44100), "audio/wav");
  const QString url = server.url(QStringLiteral("/tone.wav"));

  auto c = channel(ChannelKind::Stream);
  QSignalSpy ends(c.get(), &MediaChannel::endOfMedia);
  QSignalSpy loaded(c.get(), &MediaChannel::loaded);
  QSignalSpy loadFailed(c.get(), &MediaChannel::loadFailed);
  const MediaResult asked = c->openAddress(QStringLiteral(" ") + url + QStringLiteral(" "));
  ASSERT_TRUE(asked.ok) << asked.message.toStdString();
  EXPECT_TRUE(c->opening() && !c->isOpen() && loaded.isEmpty());
  ASSERT_TRUE(testing_support::waitUntil([&] { return loaded.count() + loadFailed.count() > 0; }, 10000));
  const std::string why = loadFailed.isEmpty() ? std::string() : loadFailed.first().first().toString().toStdString();
  ASSERT_EQ(loaded.count(), 1) << why;
  EXPECT_TRUE(!c->opening() && c->mode() == MediaMode::Stopped && c->fileName() == url);
  EXPECT_NEAR(double(c->lengthMs()), 2000.0, 100.0);
  c->play();
  EXPECT_TRUE(testing_support::waitUntil([&] { return ends.count() > 0; }, 10000));
  EXPECT_EQ(server.requests(QStringLiteral("/tone.wav")), 1);

  const QString wav = testing_support::writeToneWav(file("local.wav"), 0.5);
  for (const QString& refused : {QStringLiteral("lavfi://sine"), QStringLiteral("av://lavfi:sine"), wav,
                                 QStringLiteral("file://") + wav, QStringLiteral("http://")}) {
    const MediaResult r = c->openAddress(refused);
    EXPECT_FALSE(r.ok || c->isOpen() || c->opening()) << refused.toStdString();
  }
  // Nothing listens there: the answer is a failure, well before the time limit.
  const quint16 port = testing_support::LoopbackServer::closedPort();
  ASSERT_TRUE(c->openAddress(QStringLiteral("http://127.0.0.1:%1/radio").arg(port), 60000).ok);
  ASSERT_TRUE(testing_support::waitUntil([&] { return loadFailed.count() > 0; }, 10000));
  EXPECT_FALSE(loadFailed.first().first().toString().isEmpty());
  EXPECT_FALSE(c->isOpen() || c->opening());
  EXPECT_EQ(loaded.count(), 1);
}

// A station that takes the connection and never answers: the open returns at once, nothing
// is announced while it keeps silent, the time limit turns it into a failure, and libmpv
// hangs up. Giving up before the answer (close, stop, or another open) announces nothing.
TEST_F(MediaTest, ASilentStationAnswersOnlyAtTheTimeLimitAndAGiveUpDropsTheAnswer) {
  testing_support::LoopbackServer station;
  station.setSilent(true);
  const QString url = station.url(QStringLiteral("/live"));
  auto c = channel(ChannelKind::Stream);
  QSignalSpy loaded(c.get(), &MediaChannel::loaded);
  QSignalSpy loadFailed(c.get(), &MediaChannel::loadFailed);

  ASSERT_TRUE(c->openAddress(url, 1500).ok);
  EXPECT_TRUE(c->opening());
  ASSERT_TRUE(testing_support::waitUntil([&] { return station.silentConnections() == 1; }, 5000));
  EXPECT_TRUE(loadFailed.isEmpty() && c->opening()) << "answered while the station kept silent";
  ASSERT_TRUE(testing_support::waitUntil([&] { return loadFailed.count() > 0; }, 10000));
  EXPECT_EQ(loadFailed.first().first().toString(), QStringLiteral("not loaded within 1500 ms"));
  EXPECT_FALSE(c->opening() || c->isOpen());
  EXPECT_TRUE(testing_support::waitUntil([&] { return station.openSilentConnections() == 0; }, 5000))
      << "libmpv still waits for the station";

  // Given up by close, by stop, and by opening something else: nothing follows, the
  // connection is dropped, and the channel stays as the last call left it.
  const QString wav = testing_support::writeToneWav(file("after.wav"), 0.5);
  for (int way = 0; way < 3; ++way) {
    loadFailed.clear();
    ASSERT_TRUE(c->openAddress(url, 400).ok);
    ASSERT_TRUE(testing_support::waitUntil([&] { return station.openSilentConnections() == 1; }, 5000)) << way;
    way == 0 ? c->close() : way == 1 ? c->stop() : void(c->open(wav));
    EXPECT_FALSE(c->opening());
    EXPECT_TRUE(testing_support::waitUntil([&] { return station.openSilentConnections() == 0; }, 5000)) << way;
    QTest::qWait(800);  // past the time limit of the opening given up
    EXPECT_TRUE(loadFailed.isEmpty() && loaded.isEmpty()) << way;
    EXPECT_EQ(c->isOpen(), way == 2) << way;
  }
  c->close();
}
