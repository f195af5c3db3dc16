// The audio windows: the MP3 export decoded again by ffmpeg; the recorder, for real on the
// private sound server's sine source and through the fake capture backend; the player on the fake
// media layer and once through libmpv; the speech studio with a scripted engine and its export
// through espeak-ng and ffmpeg, and reading over music heard on the sound server.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "audiotools/core/MP3export.h"
#include "audiotools/windows/Unit_player.h"
#include "audiotools/windows/Unit_recorder.h"
#include "audiotools/windows/Unit_ttsplay.h"
#include "audiotools/windows/audiotools.h"
#include "controls/flatTrkBar.h"
#include "platform/files/textfile.h"
#include "platform/files/waveheader.h"
#include "platform/media/fakemediabackend.h"
#include "platform/media/fakemediachannel.h"
#include "platform/media/mediachannel.h"
#include "platform/media/mpvbackend.h"
#include "platform/msgbox/messagebox.h"
#include "platform/speech/espeakvoices.h"
#include "platform/speech/speechengine.h"
#include "platform/system/shell.h"
#include "scheduler/core/mainstate.h"
#include "tests/audiotools/audiotestsupport.h"
#include "tests/support/filelimits.h"
#include "tests/support/monitorrecorder.h"
#include "tests/support/soundfiles.h"
#include "tests/support/testsupport.h"



namespace {

// frames of a 1 kHz tone at half scale after `silent` frames of silence, in every channel.
QByteArray ToneData(int rate, int channels, int frames, int silent) {
  std::vector<short> s(size_t(frames) * channels);
  for (int i = silent; i < frames; ++i)
    for (int c = 0; c < channels; ++c) s[size_t(i) * channels + c] = short(std::lround(16383 * std::sin(2 * M_PI * 1000.0 * i / rate)));
  return audiotest::ToBytes(s);
}

// A wave with an optional "LIST" chunk between "fmt " and "data".
QByteArray Wave(int rate, int channels, const QByteArray& data, bool list) {
  QByteArray w = orvane::pcmWaveHeader(rate, channels, 16, data.size());
  if (list) {
    const QByteArray chunk("LIST\x05\x00\x00\x00INFOx\x00", 14);  // odd size, padded
    w.insert(36, chunk);
    qToLittleEndian<quint32>(quint32(w.size() - 8 + data.size()), w.data() + 4);
  }
  return w + data;
}

struct Probe {
  int rate = 0, channels = 0;
  std::vector<short> samples;
};
Probe Decode(const QString& mp3) {
  Probe p;
  auto info = audiotest::RunCommand("ffprobe", {"-v", "error", "-select_streams", "a:0", "-show_entries",
                                                "stream=sample_rate,channels", "-of", "csv=p=0", mp3});
  const auto parts = QString::fromUtf8(info.out).trimmed().split(',');
  if (parts.size() == 2) p.rate = parts[0].toInt(), p.channels = parts[1].toInt();
  auto pcm = audiotest::RunCommand("ffmpeg", {"-v", "error", "-i", mp3, "-f", "s16le", "-acodec", "pcm_s16le", "-"});
  p.samples = audiotest::FromBytes(pcm.out);
  return p;
}

// Share of the signal's energy at 1 kHz (Goertzel over one channel).
double ToneShare(const std::vector<short>& s, int channels, int rate, size_t from, size_t count) {
  const double k = 2 * std::cos(2 * M_PI * 1000.0 / rate);
  double a = 0, b = 0, energy = 0;
  for (size_t i = from; i < from + count; ++i) {
    const double x = s[i * channels];
    const double y = x + k * a - b;
    b = a, a = y, energy += x * x;
  }
  const double power = a * a + b * b - k * a * b;
  return energy > 0 ? 2 * power / (double(count) * energy) : 0;
}

TEST(Mp3Export, WavesOfEveryShapeComeBackWithTheirRateChannelsLengthAndTone) {
  QTemporaryDir dir;
  struct Case { int rate, channels, frames, silent; bool list; };
  const Case cases[] = {{48000, 2, 48000, 9600, false}, {22050, 1, 22050, 0, false},
                        {11025, 1, 11025, 2205, true}, {48000, 2, 700, 0, false}, {44100, 1, 0, 0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(QString("%1 Hz x%2, %3 frames").arg(c.rate).arg(c.channels).arg(c.frames).toStdString());
    const QString wav = testing_support::writeFile(dir.filePath("in.wav"), Wave(c.rate, c.channels, ToneData(c.rate, c.channels, c.frames, c.silent), c.list));
    const QString mp3 = dir.filePath("out.mp3");
    QStringList reports;
    ConvertWavToMp3(wav, mp3, 1, [&](const QString& t) { reports << t; });
    EXPECT_LE(reports.size(), c.frames / 1152 / 64);
    if (c.frames == 0) continue;
    const Probe p = Decode(mp3);
    EXPECT_EQ(p.rate, c.rate);
    EXPECT_EQ(p.channels, c.channels);
    const int frameSize = c.rate >= 32000 ? 1152 : 576;
    const qint64 got = qint64(p.samples.size()) / qMax(1, p.channels);
    EXPECT_GE(got, c.frames);
    EXPECT_LE(got, c.frames + 3 * frameSize);
    if (c.frames < c.rate) continue;
    // The tone is there after the silence, and the silence stays silent (encoder delay only
    // moves the onset later).
    EXPECT_GT(ToneShare(p.samples, c.channels, c.rate, size_t(c.silent + c.rate / 5), size_t(c.rate / 2)), 0.9);
    if (c.silent) {
      short peak = 0;
      for (size_t i = 0; i < size_t(c.silent * 3 / 4) * c.channels; ++i) peak = qMax<short>(peak, short(std::abs(p.samples[i])));
      EXPECT_LT(peak, 64);
    }
  }
}

TEST(Mp3Export, ProgressAfterEvery64thChunkInTheTextOfItsMode) {
  QTemporaryDir dir;
  // 128 chunks of 1152 stereo frames: reports at the 64th and the 128th.
  const QString wav = testing_support::writeFile(dir.filePath("p.wav"), Wave(48000, 2, ToneData(48000, 2, 128 * 1152, 0), false));
  QStringList reports;
  ConvertWavToMp3(wav, dir.filePath("p.mp3"), 1, [&](const QString& t) { reports << t; });
  EXPECT_EQ(reports, QStringList({"50 %", "100 %"}));
  EXPECT_EQ(Mp3ProgressText(2, 7), "        正在保存为MP3格式，请稍等......7 %");
  EXPECT_EQ(Mp3ProgressText(0, 7), "");
}

TEST(Mp3Export, TheJobRunsOffTheCallingThreadAndPostsItsEnd) {
  QTemporaryDir dir;
  const QString wav = testing_support::writeFile(dir.filePath("j.wav"), Wave(48000, 2, ToneData(48000, 2, 130 * 1152, 0), false));
  TMp3Conversion job(wav, dir.filePath("j.mp3"), 2);
  QStringList reports;
  QString end = "(none)";
  QObject::connect(&job, &TMp3Conversion::Progress, [&](const QString& t) { reports << t; });
  QObject::connect(&job, &TMp3Conversion::Finished, [&](const QString& e) { end = e; });
  job.Start();
  ASSERT_TRUE(testing_support::waitUntil([&] { return end != "(none)"; }, 20000));
  EXPECT_EQ(end, "");
  EXPECT_EQ(reports.size(), 2);
  EXPECT_GT(QFileInfo(dir.filePath("j.mp3")).size(), 1000);
}


using testing_support::waitUntil;

// 1 kHz: rising zero crossings per second of the first channel.
// The frequency of the tone in the first channel: periods between its first and last rise
// through a quarter of its peak (silence at either end, and the encoder's faint ringing in it,
// count for nothing).
double Frequency(const std::vector<short>& s, int channels, int rate) {
  int peak = 0;
  for (size_t i = 0; i < s.size(); i += channels) peak = std::max(peak, std::abs(int(s[i])));
  const int level = peak / 4;
  long first = -1, last = -1;
  int rises = 0;
  bool low = false;
  for (size_t i = 0; i < s.size(); i += channels) {
    if (s[i] < -level) low = true;
    if (low && s[i] > level) {
      low = false;
      const long at = long(i / channels);
      if (first < 0) first = at;
      last = at;
      ++rises;
    }
  }
  return rises < 2 ? 0 : double(rises - 1) * rate / double(last - first);
}

// Records for ms and waits until the window is idle again.
void Record(TForm_recorder& r, int ms) {
  r.Button1->click();
  ASSERT_TRUE(r.Button2->isEnabled());
  QTest::qWait(ms);
  r.Button2->click();
  ASSERT_TRUE(waitUntil([&] { return r.Button1->isEnabled() && !r.Busy(); }, 20000));
}

TEST(Recorder, RecordsTheSineSourceToWaveAndToMp3UnderTheClocksName) {
  if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) GTEST_SKIP() << "PULSE_SERVER is not set (test.sh starts a server)";
  testing_support::TempHome home;
  orvane::ScopedMessageResponder boxes;
  TForm_recorder::Clock = [] { return QDateTime(QDate(2026, 12, 5), QTime(14, 30, 7)); };
  TForm_recorder r;
  const int sine = audiotest::SineSourceIndex();
  ASSERT_GE(sine, 0);
  r.ListBox1->setCurrentRow(sine);
  Record(r, 3000);
  EXPECT_EQ(r.Label_gotime->text(), "录音已保存到:" + home.file("1205143007.wav"));
  auto wav = audiotest::DecodeWithSndfile(home.file("1205143007.wav"));
  ASSERT_TRUE(wav.ok) << wav.error.toStdString();
  EXPECT_EQ(std::vector<int>({wav.sampleRate, wav.channels}), std::vector<int>({48000, 2}));
  // The server's sine source hands out about a second ahead when a capture starts, and a busy
  // machine can start the capture late: three seconds recorded come out between 1.5 and 4.5.
  const auto aboutThreeSeconds = [](double seconds) { return seconds > 1.5 && seconds < 4.5; };
  EXPECT_PRED1(aboutThreeSeconds, double(wav.frames()) / 48000);
  EXPECT_NEAR(Frequency(wav.samples, 2, 48000), 1000, 10);
  r.RadioButton1->setChecked(true);  // 11025 Hz
  r.RadioButton4->setChecked(true);  // "8 位", overruled by the MP3
  r.CheckBox1->setChecked(true);
  Record(r, 3000);
  EXPECT_EQ(r.AudioIn1.InBitsPerSample.load(), 16);
  const QString mp3 = home.file("1205143007-2.mp3");
  EXPECT_EQ(r.Label_gotime->text(), "录音已保存到:" + mp3);
  EXPECT_EQ(QDir(home.path()).entryList(QDir::Files).size(), 2);  // no wave left behind
  auto pcm = audiotest::RunCommand("ffmpeg", {"-v", "error", "-i", mp3, "-f", "s16le", "-ac", "1", "-"});
  auto probe = audiotest::RunCommand("ffprobe", {"-v", "error", "-show_entries", "stream=sample_rate", "-of", "csv=p=0", mp3});
  EXPECT_EQ(probe.out.trimmed(), "11025");
  const auto s = audiotest::FromBytes(pcm.out);
  EXPECT_PRED1(aboutThreeSeconds, double(s.size()) / 11025);
  EXPECT_NEAR(Frequency(s, 1, 11025), 1000, 30);
  EXPECT_TRUE(boxes.asked().empty());
}

TEST(Recorder, SourcesBreaksAndRefusalsThroughTheFakeBackend) {
  testing_support::TempHome home;
  audiotest::ScopedFakeCapture capture;
  orvane::ScopedMessageResponder boxes;
  TForm_recorder::Clock = [] { return QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)); };
  // No source: the box, nothing to press.
  capture.fake.sourceList.clear();
  {
    TForm_recorder r;
    EXPECT_TRUE(boxes.wasAsked("没有输入设备！请到win系统的声音设备中检查是否启用了输入设置。"));
    EXPECT_FALSE(r.Button1->isEnabled());
  }
  capture.fake.sourceList = {{"mic", "Microphone"}, {"out.monitor", "Monitor of Speakers"}};
  QPointer<TForm_recorder> window = new TForm_recorder;  // closing frees it
  TForm_recorder& r = *window;
  EXPECT_EQ(r.ListBox1->currentRow(), 1);
  EXPECT_EQ(r.ListBox1->item(1)->text(), "Monitor of Speakers");
  EXPECT_TRUE(r.SelectSource("mic"));
  EXPECT_EQ(r.ListBox1->currentRow(), 0);
  // A source that stalls ends like Stop, keeps what it had and says so.
  capture.fake.stallAfterBytes = 48000;
  r.Button1->click();
  ASSERT_TRUE(waitUntil([&] { return r.Button1->isEnabled(); }, 15000));
  const QString kept = home.file("0102030405.wav");
  EXPECT_TRUE(boxes.wasAsked("录音中断!已录制的部分保存到:" + kept));
  EXPECT_EQ(audiotest::DecodeWithSndfile(kept).samples.size(), 24000u);
  capture.fake.stallAfterBytes = -1;
  // An unwritable home folder: the error box, and recording stays possible.
  {
    testing_support::ScopedEnv bad("ORVANE_HOME", (testing_support::writeFile(home.file("plain"), "x") + "/sub").toUtf8());
    boxes.clear();
    r.Button1->click();
    EXPECT_EQ(boxes.asked().size(), 1u);
    EXPECT_EQ(boxes.asked().front().flags, 16);
    EXPECT_TRUE(r.Button1->isEnabled());
  }
  // Alt+H shows the conversion tool; a wave it cannot take is refused with the error box.
  QTest::keyClick(r.ListBox1, Qt::Key_H, Qt::AltModifier);
  EXPECT_FALSE(r.Button3->isHidden());
  boxes.clear();
  r.ConvertFile(testing_support::writeFile(home.file("eight.wav"), QByteArray("RIFF\x24\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x11\x2B\x00\x00\x11\x2B\x00\x00\x01\x00\x08\x00", 36)));
  ASSERT_TRUE(waitUntil([&] { return !boxes.asked().empty(); }, 5000));
  EXPECT_EQ(boxes.asked().front().text, "Erreur de lecture");
  // Closing while recording (MP3 asked for) keeps the sound as a wave under its name.
  r.CheckBox1->setChecked(true);
  capture.fake.realTime = true;
  r.Button1->click();
  QTest::qWait(300);
  {
    // Its name is on the disk with it: the home folder is synced once the wave is moved there.
    testing_support::SyncLog syncs;
    r.close();
    ASSERT_TRUE(waitUntil([&] { return window.isNull(); }));
    EXPECT_TRUE(syncs.entries.contains(QDir(home.file(QString())).canonicalPath()))
        << qPrintable(syncs.entries.join(' '));
  }
  EXPECT_GT(audiotest::DecodeWithSndfile(home.file("0102030405-2.wav")).frames(), 0);
  struct { qint64 ms; const char* text; } times[] = {{75000, "录制时间: 01:15"}, {3600999, "录制时间: 60:00"}, {3601000, ""}};
  for (auto t : times) EXPECT_EQ(TForm_recorder::ElapsedText(t.ms), QString::fromUtf8(t.text));
}


using orvane::ChannelKind;

// The audio windows on a home folder of their own, the fake media layer and recorded boxes.
struct ToolsFixture : ::testing::Test {
  testing_support::TempHome home;
  orvane::FakeMediaBackend media;
  MainState state;
  orvane::ScopedMessageResponder boxes;
  explicit ToolsFixture(orvane::VoiceCatalog* voices = nullptr) {
    AudioToolsContext c;
    c.media = &media, c.state = &state, c.voices = voices;
    InstallAudioTools(c);
  }
  ~ToolsFixture() override { AudioTools() = {}; }
};

struct PlayerFixture : ToolsFixture {
  QStringList files;
  PlayerFixture() {
    for (const char* name : {"a.mp3", "b.MP3", "c.wav", "d.wma"}) files << testing_support::writeFile(home.file(name), "x");
  }
  orvane::FakeMediaChannel* player(ChannelKind k) { return media.channel(k, int(media.channel(k, 1) ? 1 : 0)); }
};

TEST_F(PlayerFixture, PlayFileFallsBackToTheStreamOnlyForMp3AndOnlyWithTheSwitch) {
  TForm_player p;
  struct { int file; bool mediaFails, streamFails, usebass; int result; } cases[] = {
      {0, false, false, true, 1}, {0, true, false, true, 2}, {1, true, false, true, 2}, {1, true, false, false, 0},
      {2, true, false, true, 0},  {3, true, false, true, 0}, {0, true, true, true, 0}};
  for (auto c : cases) {
    media.unplayableByMediaPlayer = c.mediaFails ? QSet<QString>{files[c.file]} : QSet<QString>{};
    media.unplayableByStream = c.streamFails ? QSet<QString>{files[c.file]} : QSet<QString>{};
    state.usebass = c.usebass;
    EXPECT_EQ(p.PlayFile(files[c.file]), c.result) << files[c.file].toStdString();
    if (c.result) { EXPECT_EQ(p.Label_file->font().italic(), c.result == 2); }
    if (c.result) { EXPECT_EQ(p.Label_file0->text(), "正在播放："); }
  }
}

TEST_F(PlayerFixture, ModesPickTheNextEntryAndGiveUpAfterOnePass) {
  TForm_player p;
  for (const QString& f : files) p.InsertSong(-1, f);
  TForm_player::Random = [](int n) { return n - 1; };  // the whole list may be drawn
  struct { QCheckBox* box; int from; QSet<QString> bad; int row; QString state; int opens; } cases[] = {
      {p.CheckBox2, 0, {}, 1, "正在播放：", 1},
      {p.CheckBox2, 3, {}, 3, "停止播放：", 0},
      {p.CheckBox2, 0, {files[1], files[2]}, 3, "正在播放：", 3},
      {p.CheckBox3, 0, {}, 3, "正在播放：", 1},
      {p.CheckBox3, 0, {"*"}, 3, "停止播放：", 4},
      {p.CheckBox1, 2, {"*"}, 2, "停止播放：", 1},
      {nullptr, 1, {}, 1, "正在播放：", 1}};
  state.usebass = false;
  for (auto& c : cases) {
    for (QCheckBox* b : {p.CheckBox1, p.CheckBox2, p.CheckBox3}) b->setChecked(b == c.box);
    media.unplayableByMediaPlayer = c.bad;
    p.ListBox3->setCurrentRow(c.from);
    p.Label_file0->clear();
    auto* ch = media.channel(ChannelKind::MediaPlayer);
    const auto before = ch->calls.filter("open ").size();
    p.PlayNext();
    EXPECT_EQ(p.ListBox3->currentRow(), c.row);
    EXPECT_EQ(p.Label_file0->text(), c.state);
    EXPECT_EQ(ch->calls.filter("open ").size() - before, c.opens);
  }
  // Repeat-one on a vanished file, and the mode boxes exclude each other.
  p.CheckBox1->setChecked(true);
  p.CheckBox2->click();
  EXPECT_FALSE(p.CheckBox1->isChecked());
  p.CheckBox1->click();
  QFile::remove(files[2]);
  p.ListBox3->setCurrentRow(2);
  p.PlayNext();
  EXPECT_EQ(p.Label_file->text(), "您选择的歌曲不存在");
}

TEST_F(PlayerFixture, SeeksOnlyOnMovesOverTenSecondsAndEndsByChannel) {
  TForm_player p;
  for (const QString& f : files) p.InsertSong(-1, f);
  p.ListBox3->setCurrentRow(0);
  p.SpeedButton7->click();
  auto* ch = media.channel(ChannelKind::MediaPlayer);
  ch->setPosition(20000);
  for (auto [to, seeks] : {std::pair{25000, false}, {40000, true}, {35000, false}}) {
    ch->calls.clear();
    p.FlatTrackBar1->SetPosition(to);
    EXPECT_EQ(ch->calls.contains(QString("seek %1").arg(to)), seeks) << to;
    if (seeks) ch->setPosition(to);
  }
  // The media player's end: nothing follows without a mode box; the stream's end replays.
  ch->finish();
  EXPECT_EQ(ch->opened.size(), 1);
  state.usebass = true;
  media.unplayableByMediaPlayer = {"*"};
  ASSERT_EQ(p.PlayFile(files[0]), 2);
  media.channel(ChannelKind::Stream)->finish();
  EXPECT_EQ(media.channel(ChannelKind::Stream)->opened.size(), 2);
  // Volume: the hint rounds half to even.
  media.unplayableByMediaPlayer = {};
  p.PlayFile(files[0]);
  p.FlatTrackBar2->SetPosition(125);
  EXPECT_EQ(p.FlatTrackBar2->toolTip(), "音量调节(12%)");
  EXPECT_EQ(ch->volume(), 125);
  // Stop.
  p.SpeedButton9->click();
  EXPECT_EQ(std::tuple(p.Label_file0->text(), p.ListBox3->currentRow(), p.SpeedButton9->isEnabled()),
            std::tuple(QString("停止播放："), -1, false));
}

// A song plays; a file neither player can open is chosen and played: the box says so, the
// song has stopped, and the window shows the stopped state.
TEST_F(PlayerFixture, AFailedPlayShowsTheStoppedState) {
  TForm_player p;
  for (const QString& f : files) p.InsertSong(-1, f);
  state.usebass = true;
  media.unplayableByMediaPlayer = media.unplayableByStream = {files[1]};
  p.ListBox3->setCurrentRow(0);
  p.SpeedButton7->click();
  auto* ch = media.channel(ChannelKind::MediaPlayer);
  ch->setPosition(5000);
  ASSERT_TRUE(waitUntil([&] { return !p.Label_time2->text().isEmpty(); }, 3000));  // the second's tick
  ASSERT_EQ(p.Label_file0->text(), "正在播放：");
  p.ListBox3->setCurrentRow(1);
  p.SpeedButton7->click();
  ASSERT_EQ(boxes.asked().size(), 1u);
  EXPECT_EQ(boxes.asked().front().caption, "出错");
  EXPECT_FALSE(ch->isPlaying());
  EXPECT_EQ(p.Label_file0->text(), "停止播放：");
  EXPECT_TRUE(p.Label_time1->text().isEmpty() && p.Label_time2->text().isEmpty());
  EXPECT_FALSE(p.SpeedButton7->isHidden());
  EXPECT_TRUE(p.SpeedButton8->isHidden());
  EXPECT_FALSE(p.SpeedButton9->isEnabled());
  QTest::qWait(1100);  // no tick brings the old song back
  EXPECT_TRUE(p.Label_time2->text().isEmpty());
  EXPECT_EQ(p.Label_file0->text(), "停止播放：");
}

// On either player, pause puts play in its place and resuming swaps them back without opening
// the file again.
TEST_F(PlayerFixture, PauseAndResumeSwapThePlayAndPauseButtons) {
  TForm_player p;
  for (const QString& f : files) p.InsertSong(-1, f);
  state.usebass = true;
  struct { QSet<QString> mediaFails; ChannelKind kind; } players[] = {{{}, ChannelKind::MediaPlayer},
                                                                      {{"*"}, ChannelKind::Stream}};
  for (const auto& c : players) {
    media.unplayableByMediaPlayer = c.mediaFails;
    p.ListBox3->setCurrentRow(0);
    p.SpeedButton7->click();
    orvane::FakeMediaChannel* ch = player(c.kind);
    ASSERT_TRUE(ch && ch->isPlaying()) << int(c.kind);
    const auto shows = [&] {
      return std::tuple(p.SpeedButton7->isHidden(), p.SpeedButton8->isHidden(), p.SpeedButton8->isEnabled(),
                        p.Label_file0->text(), ch->isPlaying());
    };
    p.SpeedButton8->click();
    EXPECT_EQ(shows(), std::tuple(false, true, true, QString("暂停播放："), false)) << int(c.kind);
    p.SpeedButton7->click();
    EXPECT_EQ(shows(), std::tuple(true, false, true, QString("正在播放："), true)) << int(c.kind);
    EXPECT_EQ(ch->opened.size(), 1) << int(c.kind);
  }
}

TEST_F(PlayerFixture, ShowInFolderNamesTheSelectedSongFirstRowIncluded) {
  orvane::RecordingShell shell;
  AudioTools().shell = &shell;
  TForm_player p;
  for (const QString& f : files) p.InsertSong(-1, f);
  for (int row : {0, 3, -1}) {
    p.ListBox3->setCurrentRow(row);
    p.N6->trigger();
  }
  EXPECT_EQ(shell.calls, QStringList({"ShowItem " + files[0], "ShowItem " + files[3]}));
}

TEST_F(PlayerFixture, ListEditsStayInStepAndOnlyAChangedListIsWritten) {
  orvane::writeTextLines(home.file("playlist.txt"), {files[0], "", "  ", "/x/-lead \"q\" blank.mp3"});
  QPointer<TForm_player> first = new TForm_player;
  QPointer<TForm_player> stale = new TForm_player;
  EXPECT_EQ(first->ListBox3->count(), 2);
  EXPECT_EQ(first->ListBox3->item(1)->text(), "-lead \"q\" blank");
  first->InsertSong(-1, files[2]);
  first->ListBox3DragDrop(0, QPoint(5, 5000));  // below the last entry: to the end
  EXPECT_EQ(first->SongPath(2), files[0]);
  EXPECT_EQ(first->ListBox3->item(2)->text(), "a");
  EXPECT_EQ(first->ListBox3->currentRow(), 2);
  first->ListBox3->setFocus();
  QTest::keyClick(first->ListBox3, Qt::Key_Up);
  EXPECT_EQ(first->SongPath(1), files[0]);
  EXPECT_EQ(first->ListBox3->currentRow(), 1);
  first->close();
  stale->close();  // unchanged: does not undo the first window's edits
  ASSERT_TRUE(testing_support::waitUntil([&] { return first.isNull() && stale.isNull(); }));
  EXPECT_EQ(orvane::readTextLines(home.file("playlist.txt")).size(), 3);
  struct { qint64 ms; const char* text; } times[] = {{3725000, "1:02:05"}, {187000, "3:07"}, {0, "0:00"}};
  for (auto t : times) EXPECT_EQ(TForm_player::FormatPlayTime(t.ms), t.text);
  struct { const char* path; const char* title; } titles[] = {{"/m/a.b.mp3", "a.b"}, {"C:\\x\\y.wav", "y"}, {"z", "z"}};
  for (auto t : titles) EXPECT_EQ(TForm_player::GetSongTitle(t.path), t.title);
}

class Scripted : public orvane::SpeechEngine {
 public:
  bool speak(const QString& text, const orvane::SpeechParams&) override { return spoken << text, true; }
  void stop() override { ++stops; }
  QStringList spoken;
  int stops = 0;
};

class Voices : public orvane::VoiceCatalog {
 public:
  QList<orvane::VoiceInfo> voices() const override {
    return {{"english", "en", "en"}, {"VW Hui", "xx", "vwhui"}};
  }
};

Voices scriptedVoices;

struct Studio : ToolsFixture {
  Scripted* engine = nullptr;
  Studio() : ToolsFixture(&scriptedVoices) {
    state.chinesevoices = {"VW Hui"};
    TForm_ttsplay::MakeEngine = [this] {
      auto e = std::make_unique<Scripted>();
      engine = e.get();
      return e;
    };
  }
  ~Studio() override { TForm_ttsplay::MakeEngine = [] { return std::make_unique<orvane::SpeechEngine>(); }; }
};

TEST_F(Studio, ReadsRepeatsAndFillsTagsByVoice) {
  TForm_ttsplay w;
  EXPECT_EQ(w.ComboBox4->currentText(), "(中文女声)VW Hui");
  struct { int voice; const char* text; const char* repeat; int readings; QString spoken; } cases[] = {
      {1, "甲\n乙<TIME>", "3", 3, "甲。乙<TIME>"}, {0, "a\nb", "", 1, "a.b"}, {0, "x", "zz", 1, "x"}};
  for (auto c : cases) {
    w.ComboBox4->setCurrentIndex(c.voice);
    w.ComboBox2->setCurrentIndex(c.voice);
    w.Memo1->setPlainText(QString::fromUtf8(c.text));
    w.Edit3->setText(c.repeat);
    engine->spoken.clear();
    w.Button1->click();
    for (int i = 0; i < 5 && w.Button3->isEnabled(); ++i) emit engine->endStream();
    EXPECT_EQ(engine->spoken, QStringList(QVector<QString>(c.readings, c.spoken)));
    EXPECT_EQ(w.GroupBox1->title(), "播报内容（播报完成）");
  }
  EXPECT_EQ(TForm_ttsplay::PrepareText("<time>|<date>", false, QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7))), "05:06:07|2026-03-04");
  // A change of rate while reading starts again from the beginning.
  engine->spoken.clear();
  w.Button1->click();
  w.FlatTrackBar1->SetPosition(4);
  EXPECT_EQ(engine->spoken.size(), 2);
  EXPECT_EQ(w.Label6->text(), "4");
  // Long texts go in pieces that end at sentence ends and make up the whole text.
  const QString text = QString("一二三。").repeated(10);
  const QStringList pieces = TForm_ttsplay::SplitAtSentences(text, 10);
  EXPECT_EQ(pieces.join(""), text);
  for (const QString& p : pieces) EXPECT_TRUE(p.endsWith("。"));
}

TEST_F(Studio, StopInTheHintWaitAndRecentFilesOnClosing) {
  QPointer<TForm_ttsplay> w = new TForm_ttsplay;
  w->CheckBox2->setChecked(true);
  w->Memo1->setPlainText("x");
  w->Button1->click();
  w->Button3->click();
  QTest::qWait(1800);  // past the hint's wait
  EXPECT_TRUE(engine->spoken.isEmpty());
  EXPECT_EQ(media.channel(orvane::ChannelKind::MediaPlayer, 1)->calls.filter("open").size(), 1);  // the hint played
  for (int i = 0; i < 20; ++i) w->LoadText(testing_support::writeFile(home.file(QString("t%1.txt").arg(i)), "x"));
  w->close();
  EXPECT_FALSE(QFileInfo::exists(home.file("latelytxt.txt")));
  w = new TForm_ttsplay;
  for (int i = 0; i < 20; ++i) w->LoadText(home.file(QString("t%1.txt").arg(i)));
  w->setCaption("语音播报(人工插播)");
  w->close();
  const QStringList saved = orvane::readTextLines(home.file("latelytxt.txt"));
  ASSERT_EQ(saved.size(), 15);
  EXPECT_EQ(saved.first(), home.file("t19.txt"));
}

TEST_F(Studio, ExportsThroughTheRecorderWhenAHintIsWanted) {
  audiotest::ScopedFakeCapture capture;
  TForm_ttsplay w;
  w.CheckBox2->setChecked(true);
  bool recording = false;
  QTimer::singleShot(300, [&] {
    ASSERT_NE(Form_recorder, nullptr);
    recording = Form_recorder->Busy() && Form_recorder->CheckBox1->isChecked();
    Form_recorder->close();
  });
  w.Button5->click();
  EXPECT_TRUE(recording);
  EXPECT_TRUE(boxes.wasAsked("您选择了有背景音乐的文本导出，软件将采用录音机的方式录制。请在文本播报结束后手动点击录音机中“停止”按钮结束录音！"));
  EXPECT_EQ(QDir(home.path()).entryList({"*.wav"}, QDir::Files).size(), 1);  // closing kept the sound
}

TEST(StudioExport, SpeaksToAnMp3ThatFfmpegReadsAndReportsAnUnwritableTarget) {
  testing_support::TempHome home;
  orvane::ScopedMessageResponder boxes;
  orvane::EspeakVoiceCatalog voices;
  AudioToolsContext c;
  c.voices = &voices;
  InstallAudioTools(c);
  TForm_ttsplay w;
  w.Memo1->setPlainText("今天下午三点在礼堂开会。请准时参加。");
  for (auto [target, box] : {std::pair{home.file("out.mp3"), "导出音频文件完毕!"}, {home.file("no/such/out.mp3"), "导出音频文件出错!"}}) {
    w.Export(target);
    ASSERT_TRUE(testing_support::waitUntil([&] { return !w.Exporting(); }, 30000));
    EXPECT_TRUE(boxes.wasAsked(box));
    EXPECT_TRUE(w.Button1->isEnabled());
  }
  auto pcm = audiotest::RunCommand("ffmpeg", {"-v", "error", "-i", home.file("out.mp3"), "-f", "s16le", "-"});
  EXPECT_GT(pcm.out.size(), 22050 * 2);  // more than a second of speech
  AudioTools() = {};
}

// Heard on the private sound server: a tone from the player at full volume and at 500 (half the
// amplitude), and the studio reading over music until Stop silences both.
TEST(AudioWindowsSound, ThePlayersVolumeAndTheStudioReadingOverMusic) {
  if (!testing_support::MonitorRecorder::serverAvailable()) GTEST_SKIP() << "no private sound server";
  using Clock = testing_support::MonitorRecorder::Clock;
  testing_support::TempHome home;
  orvane::ScopedMessageResponder boxes;
  auto* monitor = testing_support::MonitorRecorder::shared();
  ASSERT_NE(monitor, nullptr);
  orvane::MpvBackend media;
  orvane::EspeakVoiceCatalog voices;
  AudioToolsContext c;
  c.media = &media, c.voices = &voices;
  InstallAudioTools(c);
  {
    const QString tone = testing_support::writeToneWav(home.file("tone.wav"), 3.0, 1000, 0.5);
    TForm_player p;
    double levels[2];
    for (int i = 0; i < 2; ++i) {
      p.FlatTrackBar2->SetPosition(i == 0 ? 1000 : 500);
      const auto t0 = Clock::now();
      ASSERT_EQ(p.PlayFile(tone), 1);
      QTest::qWait(1500);
      levels[i] = monitor->maxRms(t0 + std::chrono::milliseconds(500), Clock::now());
      p.SpeedButton9->click();
    }
    EXPECT_GT(levels[0], 0.2);
    EXPECT_NEAR(levels[1] / levels[0], 0.5, 0.025);
  }
  TForm_ttsplay w;
  w.Memo1->setPlainText(QString("今天下午三点开会。").repeated(20));
  w.Edit1->setText(testing_support::writeToneWav(home.file("music.wav"), 20.0, 440, 0.5));
  const auto t0 = Clock::now();
  w.Button1->click();
  QTest::qWait(1500);
  const auto t1 = Clock::now();
  w.Button3->click();
  QTest::qWait(800);
  EXPECT_GT(monitor->maxRms(t0 + std::chrono::milliseconds(300), t1), 0.05);
  EXPECT_LT(monitor->maxRms(Clock::now() - std::chrono::milliseconds(400), Clock::now()), 0.005);
  EXPECT_FALSE(w.MediaPlayer1->isOpen());
  EXPECT_TRUE(boxes.asked().empty());
  AudioTools() = {};
}

}  // namespace
