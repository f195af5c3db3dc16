// Sound layers: libmpv media channels on a silent output, MIDI lengths and rendering, stream
// addresses on loopback; speech (voices, rates, wave files, reading aloud heard on the private
// sound server's monitor); the hidden web browser playing a page.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QWidget>
#include <thread>

#include "platform/files/waveheader.h"
#include "platform/media/midifile.h"
#include "platform/media/midirenderer.h"
#include "platform/media/midistream.h"
#include "platform/media/mpvbackend.h"
#include "platform/media/mpvchannel.h"
#include "platform/media/mpvmediaprobe.h"
#include "platform/speech/espeaksynth.h"
#include "platform/speech/espeakvoices.h"
#include "platform/speech/speechengine.h"
#include "platform/speech/voicechoice.h"
#include "platform/web/webradiohost.h"
#include "tests/support/loopbackserver.h"
#include "tests/support/monitorrecorder.h"
#include "tests/support/soundfiles.h"
#include "tests/support/testsupport.h"

using namespace orvane;
using testing_support::MonitorRecorder;
using testing_support::waitUntil;
using namespace std::chrono_literals;
using testing_support::LoopbackServer;

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

// A copy that broke off right after its header: it opens (the header promises two seconds)
// and breaks off once it plays. Each player says so once and stops: no end of the song, no
// "playing" without a sound, and play does not start it again.
TEST_F(MediaTest, AFileThatBreaksOffWhilePlayingFailsOnceAndStops) {
  const QString cut = testing_support::writeFile(file("cut.wav"), pcmWaveHeader(48000, 1, 16, 2 * 48000 * 2));
  const QString good = testing_support::writeToneWav(file("good.wav"), 0.2);
  for (ChannelKind kind : {ChannelKind::MediaPlayer, ChannelKind::Stream}) {
    auto c = channel(kind);
    QSignalSpy failures(c.get(), &MediaChannel::failed);
    QSignalSpy ends(c.get(), &MediaChannel::endOfMedia);
    ASSERT_TRUE(c->open(cut).ok);
    c->play();
    ASSERT_TRUE(waitUntil([&] { return failures.count() > 0; }, 3000)) << int(kind);
    QTest::qWait(50);
    EXPECT_EQ(failures.count(), 1) << int(kind);
    EXPECT_TRUE(failures.first().first().toString().contains(cut)) << int(kind);
    EXPECT_EQ(c->mode(), MediaMode::Stopped) << int(kind);
    c->play();
    EXPECT_EQ(c->mode(), MediaMode::Stopped) << int(kind);
    EXPECT_TRUE(ends.isEmpty()) << int(kind);
    // The next song plays as usual.
    ASSERT_TRUE(c->open(good).ok);
    c->play();
    EXPECT_TRUE(waitUntil([&] { return ends.count() == 1; }, 3000)) << int(kind);
    EXPECT_EQ(failures.count(), 1) << int(kind);
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

// The place a channel knows without asking the player runs with the playing, holds while it
// does not, and follows seeks, the end and the close.
TEST_F(MediaTest, TheKnownPlaceRunsWhilePlayingAndHoldsOtherwise) {
  MpvSettings timed = silentUntimed();
  timed.untimed = false;  // positions advance in real time
  auto c = MpvBackend(timed).createChannel(ChannelKind::MediaPlayer);
  QSignalSpy ends(c.get(), &MediaChannel::endOfMedia);
  ASSERT_TRUE(c->open(testing_support::writeToneWav(file("four.wav"), 4.0)).ok);
  QThread::msleep(200);
  EXPECT_EQ(c->knownPositionMs(), 0) << "opened, not playing";
  c->play();
  QThread::msleep(600);
  EXPECT_NEAR(double(c->knownPositionMs()), 600.0, 150.0) << "played without being asked";
  EXPECT_NEAR(double(c->knownPositionMs()), double(c->positionMs()), 150.0);
  c->seek(2500);
  EXPECT_NEAR(double(c->knownPositionMs()), 2500.0, 50.0);
  c->pause();
  const qint64 paused = c->knownPositionMs();
  QThread::msleep(300);
  EXPECT_EQ(c->knownPositionMs(), paused) << "ran on while paused";
  c->play();
  ASSERT_TRUE(waitUntil([&] { return ends.count() == 1; }, 3000));
  EXPECT_EQ(c->knownPositionMs(), c->lengthMs());
  c->close();
  EXPECT_EQ(c->knownPositionMs(), 0);
}

// A song taken up again opens at its place, before a sample of it plays; opening another file
// first leaves the place waiting for its own file, and it is used once only.
TEST_F(MediaTest, AStartAskedForAFileIsWhereItOpensOnce) {
  auto c = channel();
  const QString other = testing_support::writeToneWav(file("other.wav"), 1.0);
  const QString song = testing_support::writeToneWav(file("song.wav"), 5.0);
  c->startNextOpenAt(song, 3000);
  ASSERT_TRUE(c->open(other).ok);
  EXPECT_EQ(c->positionMs(), 0);
  EXPECT_TRUE(c->startAtWaiting());
  ASSERT_TRUE(c->open(song).ok);
  EXPECT_EQ(c->mode(), MediaMode::Stopped);
  EXPECT_FALSE(c->startAtWaiting());
  EXPECT_TRUE(waitUntil([&] { return c->positionMs() >= 2990; }, 2000)) << "opened at " << c->positionMs() << " ms";
  ASSERT_TRUE(c->open(song).ok);
  QThread::msleep(100);
  EXPECT_LT(c->positionMs(), 100) << "the place was used twice";
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

namespace {
// The names of this process's threads, one per entry of /proc/self/task.
QStringList threadNames() {
  QStringList names;
  QDir tasks(QStringLiteral("/proc/self/task"));
  for (const QString& id : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    QFile comm(tasks.filePath(id + QStringLiteral("/comm")));
    if (comm.open(QIODevice::ReadOnly)) names << QString::fromUtf8(comm.readAll()).trimmed();
  }
  return names;
}
}  // namespace

// libmpv's own scripts (controller, console, statistics, youtube-dl lookups) each run on a
// thread of their own and serve nothing the program uses: besides the workers that load
// files (which end when idle for a while), a handle keeps only its core thread.
TEST_F(MediaTest, AChannelRunsNoScriptsAndKeepsOneThreadWhenIdle) {
  const QString wav = testing_support::writeToneWav(file("tone.wav"), 0.2);
  auto lasting = [] {
    QStringList names = threadNames();
    names.removeAll(QStringLiteral("mpv/worker"));
    return names;
  };
  const qsizetype before = lasting().size();
  auto media = channel(ChannelKind::MediaPlayer);
  auto stream = channel(ChannelKind::Stream);
  for (MediaChannel* c : {media.get(), stream.get()}) {
    QSignalSpy ends(c, &MediaChannel::endOfMedia);
    ASSERT_TRUE(c->open(wav).ok);
    c->play();
    ASSERT_TRUE(testing_support::waitUntil([&] { return ends.count() > 0; }, 5000));
    c->close();
  }
  QStringList names;
  // Threads of a finished song end a little after it.
  testing_support::waitUntil([&] {
    names = lasting();
    return names.size() <= before + 2;
  }, 3000);
  const std::string all = names.join(QLatin1Char(',')).toStdString();
  EXPECT_EQ(names.filter(QStringLiteral("lua")), QStringList()) << all;
  EXPECT_EQ(names.count(QStringLiteral("mpv/mpv core")), 2) << all;
  EXPECT_LE(names.size(), before + 2) << "two idle channels: " << all;
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

namespace {
class ListCatalog : public VoiceCatalog {
 public:
  QList<VoiceInfo> list;
  QList<VoiceInfo> voices() const override { return list; }
};

const QString kChinese = QStringLiteral("你好，世界。今天天气很好。");

// Sound heard above the noise floor of a null sink (which is exactly zero).
constexpr double kHeard = 0.003;

#define REQUIRE_MONITOR()                                                                        \
  MonitorRecorder* monitorPtr = MonitorRecorder::shared();                                       \
  if (!monitorPtr) GTEST_SKIP() << "no private sound server (run the tests through ./test.sh)"; \
  MonitorRecorder& monitor = *monitorPtr
}  // namespace

TEST(SpeechRate, MapsTheProgramScaleToWordsPerMinuteWithinTheEngineRange) {
  // 175 times 3 to the power rate/10, within 80..450.
  for (const auto& [rate, wpm] : std::vector<std::pair<int, int>>{{0, 175}, {5, 303}, {-5, 101}, {1, 195}, {2, 218},
                                                                 {10, 450}, {-10, 80}, {99, 450}})
    EXPECT_EQ(wordsPerMinute(rate), wpm) << rate;
}

TEST(VoiceChoiceTest, InstalledVoiceElseMandarinForChineseElseTheDefault) {
  ListCatalog catalog;
  catalog.list = {{QStringLiteral("English (Great Britain)"), QStringLiteral("en-gb"), QStringLiteral("gmw/en")},
                  {QStringLiteral("Chinese (Mandarin, latin as Pinyin)"), QStringLiteral("cmn-latn-pinyin"),
                   QStringLiteral("sit/cmn-Latn-pinyin")}};
  // Name asked, Chinese text, with a voice list: found, the voice's identifier. Without a list
  // the Mandarin voice is still named the engine's way.
  for (const auto& [name, chinese, list, found, identifier] : std::vector<std::tuple<QString, bool, bool, bool, QString>>{
           {QStringLiteral("English (Great Britain)"), true, true, true, QStringLiteral("gmw/en")},
           {QStringLiteral("VW Liang"), true, true, false, QStringLiteral("sit/cmn-Latn-pinyin")},
           {QStringLiteral("Microsoft Anna"), false, true, false, QString()},
           {QStringLiteral("VW Hui"), true, false, false, kMandarinVoice}}) {
    const VoiceChoice c = chooseVoice(list ? &catalog : nullptr, name, chinese);
    EXPECT_EQ(c.found, found) << name.toStdString();
    EXPECT_EQ(c.voice.identifier, identifier) << name.toStdString();
  }
  EXPECT_TRUE(containsChinese(QStringLiteral("8点 上课")));
  EXPECT_FALSE(containsChinese(QStringLiteral("Class begins at 08:00, 。")));
  for (const char* yes : {"zh", "cmn", "yue", "cmn-latn-pinyin", "ZH-cn", " yue "})
    EXPECT_TRUE(isChineseLanguage(QLatin1String(yes))) << yes;
  for (const char* no : {"", "en", "hak", "zhx", "en-gb"}) EXPECT_FALSE(isChineseLanguage(QLatin1String(no))) << no;
}

TEST(SpeechSynthesis, WordMarksCountCharactersOfTheTextAsGiven) {
  std::vector<WordMark> words;
  qint64 samples = 0;
  QString error;
  // A character outside the basic plane takes two QString units; the marks after it must move by two.
  const QString text = QStringLiteral("hello \U0001F600 world");
  ASSERT_TRUE(EspeakSynth::instance().synthesize(
      text, SpeechParams{QStringLiteral("en"), 0, 100},
      [&](const int16_t*, int count, const std::vector<WordMark>& w) {
        samples += count;
        words.insert(words.end(), w.begin(), w.end());
        return true;
      },
      &error))
      << error.toStdString();
  ASSERT_GE(words.size(), 2u);
  EXPECT_TRUE(words.front().position == 0 && words.front().length == 5);
  EXPECT_EQ(text.mid(words.back().position, words.back().length), QStringLiteral("world"));
  EXPECT_TRUE(words.front().sample < words.back().sample && words.back().sample < samples);
  words.clear();
  ASSERT_TRUE(EspeakSynth::instance().synthesize(
      kChinese, SpeechParams{kMandarinVoice, 0, 100},
      [&](const int16_t*, int, const std::vector<WordMark>& w) {
        words.insert(words.end(), w.begin(), w.end());
        return true;
      },
      &error));
  ASSERT_FALSE(words.empty());
  EXPECT_EQ(kChinese.mid(words[0].position, words[0].length), QStringLiteral("你"));
  for (const WordMark& w : words) EXPECT_NE(kChinese.at(w.position), QChar(u'，'));
  EXPECT_FALSE(EspeakSynth::instance().synthesize(text, SpeechParams{QStringLiteral("no-such-voice"), 0, 100},
                                                  [](const int16_t*, int, const std::vector<WordMark>&) { return true; },
                                                  &error));
  EXPECT_TRUE(error.contains(QStringLiteral("no-such-voice")));
}

TEST(SpeechSynthesis, WritesAWaveFileWhoseLengthFollowsTheRate) {
  QTemporaryDir dir;
  auto lengthOf = [&](int rate) -> qint64 {
    const QString path = dir.filePath(QStringLiteral("r%1.wav").arg(rate));
    QString error;
    if (!SpeechEngine::synthesizeToWave(kChinese, SpeechParams{kMandarinVoice, rate, 80}, path, &error)) {
      ADD_FAILURE() << error.toStdString();
      return -1;
    }
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    const QByteArray b = f.readAll();
    // 16-bit mono at the engine's rate, sizes filled in (the header has its own test).
    EXPECT_EQ(b.left(44), pcmWaveHeader(EspeakSynth::instance().sampleRate(), 1, 16, b.size() - 44));
    return (b.size() - 44) / 2;
  };
  const qint64 normal = lengthOf(0), fast = lengthOf(10), slow = lengthOf(-10);
  EXPECT_GT(normal, EspeakSynth::instance().sampleRate());  // more than a second of speech
  EXPECT_TRUE(fast < normal && normal < slow) << fast << " " << normal << " " << slow;
  QString error;
  EXPECT_FALSE(SpeechEngine::synthesizeToWave(kChinese, {}, dir.filePath(QStringLiteral("no/such/folder/x.wav")), &error));
  EXPECT_FALSE(error.isEmpty());
}

TEST(SpeechEngineTest, ReadsAloudWithWordsInStepAndEndsOnce) {
  REQUIRE_MONITOR();
  SpeechEngine engine;
  QSignalSpy ends(&engine, &SpeechEngine::endStream);
  QSignalSpy failures(&engine, &SpeechEngine::failed);
  std::vector<std::pair<int, MonitorRecorder::Clock::time_point>> marks;
  QObject::connect(&engine, &SpeechEngine::word, [&](int pos, int len) {
    EXPECT_EQ(len, 1);
    marks.emplace_back(pos, MonitorRecorder::Clock::now());
  });
  const auto t0 = MonitorRecorder::Clock::now();
  ASSERT_TRUE(engine.speak(kChinese, SpeechParams{kMandarinVoice, 2, 100})) << engine.lastError().toStdString();
  EXPECT_TRUE(engine.isSpeaking());
  ASSERT_TRUE(waitUntil([&] { return ends.count() > 0; }, 15000));
  const auto t1 = MonitorRecorder::Clock::now();
  std::this_thread::sleep_for(100ms);
  QCoreApplication::processEvents();
  EXPECT_TRUE(ends.count() == 1 && failures.isEmpty() && !engine.isSpeaking());
  // The words in order of the text, each one marked while the sound was playing, not all at once.
  ASSERT_GE(marks.size(), 8u);
  for (std::size_t i = 1; i < marks.size(); ++i) EXPECT_LT(marks[i - 1].first, marks[i].first);
  EXPECT_EQ(marks.front().first, 0);
  EXPECT_GT(marks.back().second - marks.front().second, 500ms);
  // The first word is marked when it is heard, not when it was synthesised.
  const auto firstHeard = monitor.firstLouder(kHeard, t0);
  ASSERT_TRUE(firstHeard.has_value());
  EXPECT_TRUE(marks.front().second > *firstHeard - 150ms && marks.front().second < *firstHeard + 250ms);
  // Heard, and over by the end event.
  EXPECT_GT(monitor.maxRms(t0, t1), 0.02);
  EXPECT_GT(monitor.loudShare(kHeard, t0, t1), 0.3);
  const auto after = MonitorRecorder::Clock::now();
  std::this_thread::sleep_for(300ms);
  EXPECT_LT(monitor.maxRms(after, MonitorRecorder::Clock::now()), kHeard);
}

TEST(SpeechEngineTest, PauseIsSilentResumeCarriesOnStopEndsNothingAndASecondSpeakReplacesTheFirst) {
  REQUIRE_MONITOR();
  SpeechEngine engine;
  QSignalSpy ends(&engine, &SpeechEngine::endStream);
  int lastWord = -1, words = 0;
  QObject::connect(&engine, &SpeechEngine::word, [&](int pos, int) { lastWord = pos, ++words; });
  auto quietFor = [&](int ms) {
    waitUntil([] { return false; }, 300);  // what was already in the sink plays out
    const auto from = MonitorRecorder::Clock::now();
    waitUntil([] { return false; }, ms);
    return monitor.maxRms(from, MonitorRecorder::Clock::now()) < kHeard;
  };
  const QString text = kChinese + kChinese + kChinese;
  ASSERT_TRUE(engine.speak(text, SpeechParams{kMandarinVoice, 0, 100}));
  ASSERT_TRUE(waitUntil([&] { return lastWord >= 4; }, 5000));
  engine.pause();
  EXPECT_TRUE(engine.isPaused());
  const int wordAtPause = lastWord;
  EXPECT_TRUE(quietFor(1000)) << "sound while paused";
  EXPECT_LE(lastWord, wordAtPause + 1) << "words went on while paused";
  engine.resume();
  const auto resumed = MonitorRecorder::Clock::now();
  ASSERT_TRUE(waitUntil([&] { return lastWord > wordAtPause + 2; }, 5000));
  EXPECT_GT(monitor.maxRms(resumed, MonitorRecorder::Clock::now()), 0.02);
  engine.stop();
  EXPECT_FALSE(engine.isSpeaking());
  const int wordsAtStop = words;
  EXPECT_TRUE(quietFor(700)) << "sound after stop";
  EXPECT_EQ(words, wordsAtStop);
  EXPECT_EQ(ends.count(), 0);
  // Speaking again drops the reading going on: one end, for the second text only.
  ASSERT_TRUE(engine.speak(kChinese, SpeechParams{kMandarinVoice, 0, 100}));
  ASSERT_TRUE(engine.speak(QStringLiteral("好"), SpeechParams{kMandarinVoice, 0, 100}));
  ASSERT_TRUE(waitUntil([&] { return ends.count() > 0; }, 5000));
  waitUntil([] { return false; }, 500);
  EXPECT_EQ(ends.count(), 1);
  // An empty text ends at once, through the same event.
  ASSERT_TRUE(engine.speak(QString(), SpeechParams{}));
  ASSERT_TRUE(waitUntil([&] { return ends.count() == 2; }, 3000));
}

TEST(SpeechEngineTest, RefusesAnUnknownVoiceAndAMissingSoundServer) {
  SpeechEngine engine;
  QSignalSpy ends(&engine, &SpeechEngine::endStream);
  if (MonitorRecorder::shared()) {
    EXPECT_FALSE(engine.speak(kChinese, SpeechParams{QStringLiteral("VW Liang"), 0, 100}));
    EXPECT_TRUE(engine.lastError().contains(QStringLiteral("VW Liang")));
    EXPECT_FALSE(engine.isSpeaking());
  }
  {
    testing_support::ScopedEnv nowhere("PULSE_SERVER", "unix:/nonexistent/orvane-no-server");
    SpeechEngine lonely;
    EXPECT_FALSE(lonely.speak(kChinese, SpeechParams{kMandarinVoice, 0, 100}));
    EXPECT_FALSE(lonely.lastError().isEmpty());
  }
  waitUntil([] { return false; }, 200);
  EXPECT_EQ(ends.count(), 0);
}

TEST(Speech, EspeakListsItsVoicesOnce) {
  orvane::EspeakVoiceCatalog catalog;
  const QList<orvane::VoiceInfo> voices = catalog.voices();
  ASSERT_FALSE(voices.isEmpty()) << "espeak-ng-data is installed with the build dependencies";
  EXPECT_GT(orvane::EspeakVoiceCatalog::initializeEngine(), 0);
  int mandarin = -1;
  for (int i = 0; i < voices.size(); ++i) {
    const auto& v = voices.at(i);
    EXPECT_FALSE(v.description.isEmpty());
    EXPECT_EQ(v.description, v.description.trimmed());
    EXPECT_FALSE(v.identifier.isEmpty());
    if (v.identifier.endsWith(QLatin1String("cmn-Latn-pinyin"), Qt::CaseInsensitive)) mandarin = i;
  }
  ASSERT_GE(mandarin, 0);
  EXPECT_TRUE(orvane::isChineseLanguage(voices.at(mandarin).language));
  EXPECT_EQ(orvane::EspeakVoiceCatalog().voices().size(), voices.size()) << "a second catalogue shares the started engine";
}

TEST(WebRadioHostTest, AddressesAsTheOperatorTypesThem) {
  EXPECT_EQ(WebRadioHost::toUrl(QStringLiteral(" www.example.com/radio ")), QUrl(QStringLiteral("http://www.example.com/radio")));
  EXPECT_EQ(WebRadioHost::toUrl(QStringLiteral("https://radio.example.org/live")),
            QUrl(QStringLiteral("https://radio.example.org/live")));
  EXPECT_EQ(WebRadioHost::toUrl(QStringLiteral("/srv/radio/page.html")), QUrl::fromLocalFile(QStringLiteral("/srv/radio/page.html")));
}

TEST(WebRadioHostTest, PlaysAPagesMediaWithoutAClickAndStopsOnBlank) {
  MonitorRecorder* monitor = MonitorRecorder::shared();
  if (!monitor) GTEST_SKIP() << "no private sound server (run the tests through ./test.sh)";
  LoopbackServer server;
  server.route(QStringLiteral("/radio.html"),
               "<html><body><audio autoplay src=\"/tone.wav\"></audio></body></html>", "text/html");
  server.route(QStringLiteral("/tone.wav"), testing_support::toneWav(30, 880, 0.5, 44100), "audio/wav");
  QWidget window;
  window.resize(300, 200);
  window.show();
  WebRadioHost host;
  EXPECT_FALSE(host.exists());
  host.Navigate(server.url(QStringLiteral("/radio.html")));  // nothing to navigate yet
  EXPECT_FALSE(host.exists());
  QWidget* view = host.ensure(&window);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->parentWidget(), &window);
  EXPECT_EQ(view->size(), QSize(1, 1));
  QSignalSpy loaded(&host, &WebRadioHost::loadFinished);
  const auto t0 = MonitorRecorder::Clock::now();
  host.Navigate(server.url(QStringLiteral("/radio.html")));
  ASSERT_TRUE(waitUntil([&] { return loaded.count() > 0; }, 30000));
  EXPECT_TRUE(loaded.first().at(1).toBool());
  ASSERT_TRUE(waitUntil([&] { return monitor->firstLouder(0.05, t0).has_value(); }, 20000)) << "the page was not heard";
  EXPECT_GE(server.requests(QStringLiteral("/tone.wav")), 1);
  host.Clear();
  waitUntil([] { return false; }, 800);
  const auto quiet = MonitorRecorder::Clock::now();
  waitUntil([] { return false; }, 800);
  EXPECT_LT(monitor->maxRms(quiet, MonitorRecorder::Clock::now()), 0.003) << "still playing after about:blank";
  // The view stays made and is used again.
  EXPECT_EQ(host.ensure(&window), view);
}

TEST(WebRadioHostTest, APageThatNeverLoadsHoldsNothingUp) {
  const quint16 port = LoopbackServer::closedPort();
  QWidget window;
  WebRadioHost host;
  host.ensure(&window);
  QSignalSpy loaded(&host, &WebRadioHost::loadFinished);
  host.Navigate(QStringLiteral("http://127.0.0.1:%1/radio").arg(port));
  EXPECT_EQ(loaded.count(), 0);  // returned at once
  ASSERT_TRUE(waitUntil([&] { return loaded.count() > 0; }, 30000));
  EXPECT_FALSE(loaded.first().at(1).toBool());
  host.Clear();
}

// The next song opened the moment a song has played out: the end of the first is heard to
// its last sample and the second plays after it, on the same channel, however often.
TEST(MediaOnTheServer, ASongOpenedAsTheOneBeforePlaysOutFollowsItWholeTimeAfterTime) {
  REQUIRE_MONITOR();
  QTemporaryDir dir;
  const QString a = testing_support::writeToneWav(dir.filePath(QStringLiteral("a.wav")), 0.6, 440.0);
  const QString b = testing_support::writeToneWav(dir.filePath(QStringLiteral("b.wav")), 0.6, 660.0);
  MpvSettings heard;
  heard.silentFallback = false;
  MpvBackend backend(heard);
  auto channel = backend.createChannel(ChannelKind::MediaPlayer);
  ASSERT_NE(channel, nullptr);
  int ends = 0;
  QObject::connect(channel.get(), &MediaChannel::endOfMedia, [&] {
    // Straight from the end notice, as the next song of a list is played.
    if (++ends < 6) {
      ASSERT_TRUE(channel->open(ends % 2 ? b : a).ok) << ends;
      channel->play();
    }
  });
  const auto t0 = MonitorRecorder::Clock::now();
  ASSERT_TRUE(channel->open(a).ok);
  channel->play();
  ASSERT_TRUE(waitUntil([&] { return ends == 6; }, 15000)) << ends << " ends";
  const auto heardFrom = monitor.firstLouder(0.05, t0);
  ASSERT_TRUE(heardFrom.has_value());
  // Six songs of 0.6 s, each heard whole, one after the other: 3.6 s of sound from the first.
  EXPECT_GT(monitor.loudShare(0.05, *heardFrom, *heardFrom + 3400ms), 0.85) << "a song was cut or did not play";
  // Each tone peaks at half scale: more means two songs sounded at once.
  EXPECT_LT(monitor.maxPeak(*heardFrom, *heardFrom + 3600ms), 0.7) << "a song began before the one before had ended";
}
