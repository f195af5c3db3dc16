// The speech studio with a scripted engine and the fake media layer; its export for real
// (espeak-ng, then the MP3 decoded by ffmpeg).
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "audiotools/windows/Unit_recorder.h"
#include "audiotools/windows/Unit_ttsplay.h"
#include "audiotools/windows/audiotools.h"
#include "controls/flatTrkBar.h"
#include "platform/files/textfile.h"
#include "platform/media/fakemediabackend.h"
#include "platform/media/mediachannel.h"
#include "platform/media/mpvbackend.h"
#include "platform/msgbox/messagebox.h"
#include "platform/speech/espeakvoices.h"
#include "platform/speech/speechengine.h"
#include "scheduler/core/mainstate.h"
#include "tests/audiotools/audiotestsupport.h"
#include "tests/support/monitorrecorder.h"
#include "tests/support/soundfiles.h"
#include "tests/support/testsupport.h"

namespace {

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

struct Studio : ::testing::Test {
  testing_support::TempHome home;
  orvane::FakeMediaBackend media;
  MainState state;
  Voices voices;
  orvane::ScopedMessageResponder boxes;
  Scripted* engine = nullptr;
  Studio() {
    state.chinesevoices = {"VW Hui"};
    AudioToolsContext c;
    c.media = &media;
    c.state = &state;
    c.voices = &voices;
    InstallAudioTools(c);
    TForm_ttsplay::MakeEngine = [this] {
      auto e = std::make_unique<Scripted>();
      engine = e.get();
      return e;
    };
  }
  ~Studio() override {
    AudioTools() = {};
    TForm_ttsplay::MakeEngine = [] { return std::make_unique<orvane::SpeechEngine>(); };
  }
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

TEST(StudioSound, ReadingOverMusicIsHeardAndStopSilencesBoth) {
  if (!testing_support::MonitorRecorder::serverAvailable()) GTEST_SKIP() << "no private sound server";
  testing_support::TempHome home;
  orvane::ScopedMessageResponder boxes;
  auto* monitor = testing_support::MonitorRecorder::shared();
  ASSERT_NE(monitor, nullptr);
  orvane::MpvBackend media;
  orvane::EspeakVoiceCatalog voices;
  AudioToolsContext c;
  c.media = &media;
  c.voices = &voices;
  InstallAudioTools(c);
  TForm_ttsplay w;
  w.Memo1->setPlainText(QString("今天下午三点开会。").repeated(20));
  w.Edit1->setText(testing_support::writeToneWav(home.file("music.wav"), 20.0, 440, 0.5));
  using Clock = testing_support::MonitorRecorder::Clock;
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
