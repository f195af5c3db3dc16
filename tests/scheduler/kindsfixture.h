// Entries of kinds 4 to 7 on stand-ins: a scripted speech engine, the fake media layer, a
// recording program launcher and a recording web panel, beside the song handler.
#pragma once

#include <QCoreApplication>

#include "platform/speech/speechengine.h"
#include "platform/system/processes.h"
#include "scheduler/core/dispatcher.h"
#include "scheduler/core/programentries.h"
#include "scheduler/core/radioentries.h"
#include "scheduler/core/textentries.h"
#include "scheduler/core/webradioentries.h"
#include "tests/scheduler/entryfakes.h"
#include "tests/scheduler/songfixture.h"

// Speaks nothing: records what it was asked and sends the events a test scripts.
class ScriptedSpeech : public orvane::SpeechEngine {
 public:
  bool speak(const QString& text, const orvane::SpeechParams& p) override {
    calls << QStringLiteral("speak");
    spoken << text;
    params.push_back(p);
    if (!refusal.isEmpty()) {
      setLastError(refusal);
      return false;
    }
    return true;
  }
  void pause() override { calls << QStringLiteral("pause"); }
  void resume() override { calls << QStringLiteral("resume"); }
  void stop() override { calls << QStringLiteral("stop"); }
  // The reading was heard to its end, or a word of it is being heard.
  void finish() { emit endStream(); }
  void say(int position, int length) { emit word(position, length); }
  void breakOff(const QString& why) { emit failed(why); }
  QStringList calls;
  QStringList spoken;
  std::vector<orvane::SpeechParams> params;
  QString refusal;  // speak() refuses with this reason when set
};

class RecordingWebPanel : public WebRadioPanel {
 public:
  bool WebExists() const override { return made; }
  void ShowWebPage(const QString& address) override {
    made = true;
    calls << QStringLiteral("show ") + address;
  }
  void HideWebPage() override { calls << QStringLiteral("hide"); }
  void BlankWebPage() override { calls << QStringLiteral("blank"); }
  bool made = false;
  QStringList calls;
};

struct TextRow {
  QString pname;
  QString starttime = QStringLiteral("08:15:00");
  QString params = QStringLiteral("VW Hui|0|100|1|0");
  QString txt;
};

class KindsFixture : public SongFixture {
 protected:
  void SetUp() override {
    SongFixture::SetUp();
    voices.list = {voice("English (Great Britain)", "en-gb", "gmw/en"),
                   voice("Chinese (Mandarin, latin as Pinyin)", "cmn-latn-pinyin", "sit/cmn-Latn-pinyin")};
    texts.setSpeechFactory([this] {
      auto s = std::make_unique<ScriptedSpeech>();
      speech = s.get();
      return s;
    });
    texts.setRunner(&runner);
    web.setPanel(&panel);
    runner.setHandler(4, &texts);
    runner.setHandler(5, &radio);
    runner.setHandler(6, &web);
    runner.setHandler(7, &programs);
  }
  qint64 addText(const TextRow& r) {
    return insertRow({{"pname", r.pname}, {"starttime", r.starttime}, {"endtime", QStringLiteral("00:00:00")},
                      {"slpath", r.txt.left(20)}, {"tlength", QStringLiteral("00:00:00")}, {"playmode", r.params},
                      {"ivolume", 100}, {"Schedulen", QStringLiteral("日常")}, {"jmlx", 4},
                      {"mainchannel", QStringLiteral("主通道")}, {"txt", r.txt}});
  }
  qint64 addOther(const QString& pname, int kind, const QString& slpath, int ivolume = 100,
                  const QString& starttime = QStringLiteral("08:20:00"),
                  const QString& endtime = QStringLiteral("08:30:00")) {
    SongRow r{pname, starttime, endtime, slpath, QStringLiteral("单曲播放"), kind};
    r.ivolume = ivolume;
    return addSong(r);
  }
  // Lets what the fake layer posted (a station's answer) arrive.
  static void settle() { QCoreApplication::processEvents(); }
  FakeVoices voices;
  ScriptedSpeech* speech = nullptr;
  RecordingWebPanel panel;
  orvane::RecordingLauncher launcher;
  TextEntries texts{dm, unit.state, clock, unit.today, songs.main(), &voices, &backend};
  RadioEntries radio{unit.state, unit.today, songs.main(), &backend};
  WebRadioEntries web{unit.today, songs.main()};
  ProgramEntries programs{unit.today, songs.main(), &launcher};
};

// The same stand-ins for a main window of its own, which plays on its own fake media layer.
class KindsWindowFixture : public KindsFixture {
 protected:
  void SetUp() override {
    KindsFixture::SetUp();
    windowServices.media = &windowBackend;
    windowServices.voices = &voices;
    windowServices.launcher = &launcher;
  }
  // Today's index of an entry by name in a main window's own day.
  template <typename Window>
  static int indexIn(Window& w, const QString& name) {
    const auto& e = w.state().todayentries;
    for (std::size_t i = 0; i < e.size(); ++i)
      if (e[i].pname == name) return int(i);
    return -1;
  }
  orvane::FakeMediaBackend windowBackend;
  SystemServices windowServices{&power};
};

// The same stand-ins under the program's own dispatcher, ticked by hand: the fixture is the
// dispatcher's host, loading each new day and leaving the computer on.
class DispatchedKindsFixture : public KindsFixture, public DispatcherHost {
 protected:
  void showClock(const QString&) override {}
  void newDay(const QDate&) override { unit.today.LoadToday(); }
  void ShutdownPC() override {}
  void RebootPC() override {}
  // The program comes up at that moment: the day is loaded, the dispatcher armed and the entry
  // due now caught up, as the main window's creation and first showing do.
  void startAt(const QDateTime& t) {
    clock.set(t);
    unit.today.LoadToday();
    dispatcher.start();
    dispatcher.stop();  // ticks are driven by hand
    unit.today.CatchUpEntry();
  }
  void tickAt(const QDateTime& t) {
    clock.set(t);
    dispatcher.Timer1Timer();
  }
  // Every second from the clock's next one up to the moment.
  void tickThrough(const QDateTime& last) {
    for (QDateTime t = clock.now().addSecs(1); t <= last; t = t.addSecs(1)) tickAt(t);
  }
  // A moment of the fixture's day (or of a day after it), a little past the second as a timer fires.
  static QDateTime at(int h, int m, int s, int ms = 30, int day = 0) {
    return QDateTime(QDate(2024, 5, 1).addDays(day), QTime(h, m, s, ms));
  }
  Dispatcher dispatcher{unit.state, clock, runner, *this, unit.fired, unit.today};
};
