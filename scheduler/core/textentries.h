// Text entries (kind 4): the text read aloud with its voice, rate, volume, repeats and hint
// sound; the text panel's state, the word being spoken, pause and resume, and the end of the
// entry after its last reading.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "scheduler/core/carriedstate.h"
#include "scheduler/core/entrykindhandler.h"
#include "scheduler/core/ttsparams.h"

namespace orvane {
class MediaBackend;
class MediaChannel;
class SpeechEngine;
class VoiceCatalog;
}  // namespace orvane
class Clock;
class EntryRunner;
class MainChannel;
class ProgrammeView;
class QTemporaryFile;
class TDataModule1;
class TodayProgramme;

class TextEntries : public QObject, public EntryKindHandler {
  Q_OBJECT
 public:
  using SpeechFactory = std::function<std::unique_ptr<orvane::SpeechEngine>()>;

  TextEntries(TDataModule1& dm, MainState& state, const Clock& clock, TodayProgramme& today, MainChannel& main,
              orvane::VoiceCatalog* voices, orvane::MediaBackend* media, QObject* parent = nullptr);
  ~TextEntries() override;

  void setRunner(EntryRunner* r) { runner_ = r; }
  void setView(ProgrammeView* v) { view_ = v; }
  // How the speech voice is made at the first text (tests give a fake engine).
  void setSpeechFactory(SpeechFactory f) { makeSpeech_ = std::move(f); }

  void StartKind(int index, const rjmb& entry, EntryMode mode) override;
  // The next start of the entry takes up its reading under way (the program started itself
  // again): the text as it was being read, from the sentence that was being spoken in that
  // reading, without the hint sound; paused if it was.
  void TakeUpAt(const CarriedState::Text& reading) { takeUp_ = reading; }
  void EndKind(int index, const rjmb& entry, EntryMode mode) override;
  void StopKind() override;
  bool Sounding() const override { return s_.textshown; }
  // The reading pauses where it is (not when the operator has paused it already) and goes
  // on afterwards.
  bool HoldForInsertion() override;
  bool ResumeAfterInsertion() override;

  // The speech voice's events.
  void SpeechWord(int position, int length);
  void SpeechEnd();
  // Pause (the panel's button) and resume (a double click on the text).
  void SpeedButton2Click();
  void Memo1DblClick();

  // The text panel.
  const QString& ttsLabel() const { return ttsLabel_; }   // "Label_tts"
  const QString& memoText() const { return memoText_; }   // "Memo1", line breaks as "\n"
  int selStart() const { return selStart_; }
  int selLength() const { return selLength_; }
  // What the voice speaks: the memo's text with its line breaks read as full stops.
  const QString& spokenText() const { return spokenText_; }
  // The entry being read in automatic play (0: none).
  qint64 readingId() const { return s_.textshown && mode_ == EntryMode::Auto ? entry_.id : 0; }

  // The reading.
  orvane::SpeechEngine* speechvoice() const { return speech_.get(); }
  int textindex() const { return textindex_; }
  int textrepeat() const { return textrepeat_; }
  int textrepeats() const { return textrepeats_; }
  bool ischinesevoice() const { return ischinesevoice_; }
  // The voice the text is read with (an installed voice, or the fallback).
  const QString& voiceIdentifier() const { return voiceId_; }
  bool hintWaiting() const { return hintPending_; }
  bool paused() const { return paused_; }
  bool held() const { return held_; }

 signals:
  // The panel's layout, its title or its text changed.
  void panelChanged();
  // A word is being spoken: select it in the text.
  void wordMarked(int start, int length);
  // The reading has begun: the text takes the focus.
  void readingStarted();

 private:
  void speakNow(quint64 generation);
  // Speaks the text from a character on (the word positions stay the memo's).
  bool speak(int from = 0);
  void failStart(const QString& reason);
  void endReading();
  void playHint();
  orvane::SpeechEngine* engine();
  void markPlayed(qint64 id);

  TDataModule1& dm_;
  MainState& s_;
  const Clock& clock_;
  TodayProgramme& today_;
  MainChannel& main_;
  orvane::VoiceCatalog* voices_;
  orvane::MediaBackend* media_;
  EntryRunner* runner_ = nullptr;
  ProgrammeView* view_ = nullptr;
  SpeechFactory makeSpeech_;

  std::unique_ptr<orvane::SpeechEngine> speech_;  // "speechvoice": made at the first text, kept
  std::unique_ptr<orvane::MediaChannel> hint_;    // plays "hint.wav"
  std::unique_ptr<QTemporaryFile> hintFile_;

  rjmb entry_;
  EntryMode mode_ = EntryMode::Auto;
  TtsParams params_;
  QString voiceId_;
  int textindex_ = -1;
  int textrepeat_ = 0;
  int textrepeats_ = 1;
  bool ischinesevoice_ = false;
  bool paused_ = false;
  bool held_ = false;  // paused by an insertion
  bool hintPending_ = false;
  // Bumped by every start, stop and end: a hint wait that finds it moved on does nothing.
  quint64 generation_ = 0;

  QString ttsLabel_;
  QString memoText_;
  QString spokenText_;
  int selStart_ = 0;
  int selLength_ = 0;
  int spokenFrom_ = 0;  // where in the text the voice was asked to begin
  CarriedState::Text takeUp_;
};
