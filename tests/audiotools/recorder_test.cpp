// The recorder window: real recordings from the private sound server's sine source, and the
// breaks, refusals and names through the fake capture backend.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cmath>

#include "audiotools/windows/Unit_recorder.h"
#include "platform/msgbox/messagebox.h"
#include "tests/audiotools/audiotestsupport.h"
#include "tests/support/testsupport.h"

namespace {

using testing_support::waitUntil;

// 1 kHz: rising zero crossings per second of the first channel.
double Frequency(const std::vector<short>& s, int channels, int rate) {
  int rises = 0;
  for (size_t i = channels; i < s.size(); i += channels) rises += s[i - channels] < 0 && s[i] >= 0;
  return double(rises) * rate / (double(s.size()) / channels);
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
  // The server's sine source hands out about a second ahead when a capture starts.
  EXPECT_NEAR(double(wav.frames()) / 48000, 3.6, 0.8);
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
  EXPECT_NEAR(double(s.size()) / 11025, 3.6, 0.8);
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
  r.close();
  ASSERT_TRUE(waitUntil([&] { return window.isNull(); }));
  EXPECT_GT(audiotest::DecodeWithSndfile(home.file("0102030405-2.wav")).frames(), 0);
  struct { qint64 ms; const char* text; } times[] = {{75000, "录制时间: 01:15"}, {3600999, "录制时间: 60:00"}, {3601000, ""}};
  for (auto t : times) EXPECT_EQ(TForm_recorder::ElapsedText(t.ms), QString::fromUtf8(t.text));
}

}  // namespace
