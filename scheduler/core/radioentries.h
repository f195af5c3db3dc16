// Internet radio entries (kind 5): the address plays on a player of its own (sound only),
// made at the first radio entry and kept; the radio panel shows while it plays. Starting one
// never waits for the station: the panel says "正在连接…" until it answers.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "scheduler/core/entrykindhandler.h"

namespace orvane {
class MediaBackend;
class MediaChannel;
}  // namespace orvane
class MainChannel;
class ProgrammeView;
class TodayProgramme;

class RadioEntries : public QObject, public EntryKindHandler {
  Q_OBJECT
 public:
  RadioEntries(MainState& state, TodayProgramme& today, MainChannel& main, orvane::MediaBackend* media,
               QObject* parent = nullptr);
  ~RadioEntries() override;
  void setView(ProgrammeView* v) { view_ = v; }

  void StartKind(int index, const rjmb& entry, EntryMode mode) override;
  void EndKind(int index, const rjmb& entry, EntryMode mode) override;
  void StopKind() override;
  bool Sounding() const override { return shown_; }
  // The address playing stops where it is and plays again afterwards.
  bool HoldForInsertion() override;
  bool ResumeAfterInsertion() override;

  // The player ("radioplayer") has been made, and shows.
  bool exists() const { return player_ != nullptr; }
  bool shown() const { return shown_; }
  orvane::MediaChannel* player() const { return player_.get(); }
  // What the panel says about the address: connecting, playing, or why it does not.
  const QString& status() const { return status_; }
  // The player's level (0..1000) for an entry volume (0..100): the control's scale is 0..100
  // and an entry plays at a tenth of it.
  static int RadioLevel(int ivolume);

  // How long an address may take to answer before it counts as unreachable.
  static constexpr int kOpenTimeoutMs = 5000;

 signals:
  void panelChanged();

 private:
  void hide();
  // The address answered: it plays now, or the panel says why it cannot.
  void startPlaying();
  void cannotPlay(const QString& why);

  MainState& s_;
  TodayProgramme& today_;
  MainChannel& main_;
  orvane::MediaBackend* media_;
  ProgrammeView* view_ = nullptr;
  std::unique_ptr<orvane::MediaChannel> player_;
  bool shown_ = false;
  qint64 owner_ = 0;  // the entry whose address plays: only its own end stops it
  QString status_;
  QString address_;
  qint64 heldOwner_ = 0;         // the entry whose address an insertion stopped
  bool heldConnecting_ = false;  // it was still connecting then
};
