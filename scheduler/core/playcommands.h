// What the operator does to the broadcast from the grid's menu: play one entry on trial and
// end the trial, insert music or speech by hand while automatic play waits, stop and resume
// automatic play. Coming back to automatic play ends the entries that were under way and
// whose end passed meanwhile, instead of letting them sound on past their end.
#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>

#include "scheduler/core/mainstate.h"

class BroadcastRunner;
class Clock;
class FiredSet;
class ProgrammeView;
class TDataModule1;
class TodayProgramme;

class PlayCommands : public QObject {
  Q_OBJECT
 public:
  PlayCommands(TDataModule1& dm, MainState& state, const Clock& clock, TodayProgramme& today, BroadcastRunner& runner,
               FiredSet& fired, QObject* parent = nullptr);
  // Where the next-entry line goes (cleared when automatic play stops).
  void setView(ProgrammeView* v) { view_ = v; }

  // "手动试播此节目": everything stops and the entry of the grid's current row plays on
  // trial, without status. Nothing happens when the grid is empty.
  void TrialPlay();
  // "停止手动试播": the trial entry ends; automatic play resumes (catching up the entry due
  // now), or stays stopped while "停止自动播音" is checked.
  void EndTrial();
  // "人工插播音乐" / "人工插播语音": what sounds is held where it is; showModal shows the
  // inserted window and returns when it has closed; then what was held plays on, or stays
  // held while "停止自动播音" is checked.
  void Insert(const std::function<void()>& showModal);
  // "停止自动播音": toggles its check mark, stopping or resuming automatic play.
  void ToggleStop();
  // The toolbar's refusal: during a trial it says "请先退出试播状态再来操作。" and returns true.
  bool RefuseDuringTrial();

  // What the window shows.
  const QString& stateLabel() const { return stateLabel_; }  // "Label_state"
  bool stopChecked() const { return stopChecked_; }          // "N8"'s check mark
  // "N6", "N8" and "N9" are enabled (not during a trial).
  bool insertItemsEnabled() const { return s_.playstate != PlayState::TryPlay; }
  // The entry on trial: its index in today's entries, -1 when none plays.
  int trialindex() const { return trialindex_; }

  static QString TrialLabel() { return QStringLiteral("自动播音暂停，试播中．．．"); }
  static QString InsertLabel() { return QStringLiteral("自动播音暂停，插播中．．．"); }
  static QString StoppedLabel() { return QStringLiteral("自动播音停止！"); }

 signals:
  // The state line, the items' enabling or the check mark changed.
  void changed();

 private:
  void leave(PlayState to, const QString& label);
  // Automatic play again: the label goes, entries ended meanwhile are ended, what is held
  // plays on. True when anything sounds again.
  bool backToAuto();
  void endPassedEntries();
  int indexOfId(qint64 id) const;

  TDataModule1& dm_;
  MainState& s_;
  const Clock& clock_;
  TodayProgramme& today_;
  BroadcastRunner& runner_;
  FiredSet& fired_;
  ProgrammeView* view_ = nullptr;
  QString stateLabel_;
  bool stopChecked_ = false;
  int trialindex_ = -1;
  // The trial entry's id: a reload during the trial may move it to another index.
  qint64 trialid_ = 0;
  // When automatic play was left (invalid while it runs).
  QDateTime leftAuto_;
};
