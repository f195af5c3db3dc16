// The speech layer: the installed voices, rate scale, voice choice, wave files, and reading
// aloud on the private sound server (heard on the monitor, words marked in step, pause that is
// silent, stop).
#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <thread>

#include "platform/files/waveheader.h"
#include "platform/speech/espeaksynth.h"
#include "platform/speech/espeakvoices.h"
#include "platform/speech/speechengine.h"
#include "platform/speech/voicechoice.h"
#include "tests/support/monitorrecorder.h"
#include "tests/support/testsupport.h"

using namespace orvane;
using testing_support::MonitorRecorder;
using testing_support::waitUntil;
using namespace std::chrono_literals;

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
