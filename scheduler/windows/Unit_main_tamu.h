// The main window: today's date and clock, today's programme in a grid, the schedule and
// next-entry lines, the song panel. Its logic lives in the scheduler core (MainUnit); the
// window keeps the method names other windows call and forwards them.
#pragma once

#include "platform/forms/form.h"
#include "scheduler/core/broadcastrunner.h"
#include "scheduler/core/dispatcher.h"
#include "scheduler/core/mainunit.h"
#include "scheduler/core/services.h"
#include "scheduler/core/songentries.h"
#include "scheduler/core/todayprogramme.h"

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QSlider;
class QToolButton;
class QFrame;
class QWidget;
class Clock;
class TDataModule1;
namespace orvane {
class DBGrid;
}

class TForm_main_tamu : public orvane::Form, public ProgrammeView, public DispatcherHost {
  Q_OBJECT
 public:
  TForm_main_tamu(TDataModule1& dm, const Clock& clock, const SystemServices& services, QWidget* owner = nullptr);
  ~TForm_main_tamu() override;

  // False when creation stopped (the database could not be opened): the program ends.
  bool created() const { return created_; }
  MainUnit& core() { return core_; }
  Dispatcher& dispatcher() { return *dispatcher_; }
  MainState& state() { return core_.state; }
  BroadcastRunner& runner() { return runner_; }
  SongEntries& songs() { return songs_; }

  void LoadToday() { core_.today.LoadToday(); }
  void ShowTodayGrid() { core_.today.ShowTodayGrid(); }
  void ComputeEndShutdownTime() { core_.today.ComputeEndShutdownTime(); }
  void CatchUpEntry() { core_.today.CatchUpEntry(); }
  void ShowNextEntry() { core_.today.ShowNextEntry(); }

  void StartEntry(int index, EntryMode mode) { runner_.StartEntry(index, mode); }
  void EndEntry(int index, EntryMode mode) { runner_.EndEntry(index, mode); }
  void StopAll() { runner_.StopAll(); }
  bool MainChannelBusy() const { return runner_.MainChannelBusy(); }
  bool SomethingPlaying() const { return runner_.SomethingPlaying(); }

  // Song playback on the two channels.
  int PlayMainFile(bool fadein, const QString& file) { return songs_.main().PlayMainFile(fadein, file); }
  int PlaySecondFile(const QString& file) { return songs_.second().PlaySecondFile(file); }
  void NextMainSong() { songs_.main().NextMainSong(); }
  void NextSecondSong() { songs_.second().NextSecondSong(); }
  void MakeShuffle(int n) { songs_.main().MakeShuffle(n); }
  void LoadPlaylistFile(const QString& path) { songs_.main().LoadPlaylistFile(path); }
  void ScanMusicFolder(const QString& folder, bool recursive) { songs_.main().ScanMusicFolder(folder, recursive); }
  void ScanMusicFolder2(const QString& folder, bool recursive) { songs_.second().ScanMusicFolder2(folder, recursive); }
  void StopSongEntry(int index, EntryMode mode) { songs_.StopSongEntry(index, mode); }
  void ListBox5DblClick();
  void Label2DblClick() { songs_.second().Label2DblClick(); }
  void TrackBar2Change(int position) { songs_.main().TrackBar2Change(position); }
  void FlatTrackBar1Change(int position) { songs_.main().FlatTrackBar1Change(position); }
  void SpeedButton1Click() { songs_.SpeedButton1Click(); }

  // DispatcherHost.
  void showClock(const QString& nowtime) override;
  void newDay(const QDate& day) override;
  // Shut down or restart now, or after the countdown when "shutdownhint" is on.
  void ShutdownPC() override;
  void RebootPC() override;

  // Components, named as the rest of the program knows them.
  QWidget* ToolBar1;
  QLabel* Label_date;
  QLabel* Label_time;
  QLabel* Label_sjbcaption;
  QLabel* Label_sjb;
  QLabel* Label_shu;
  QLabel* Label_state;
  QLabel* Label_exit;
  QFrame* Panel1;  // the song panel
  QLabel* Label_musicname;
  QSlider* TrackBar2;
  QLabel* Label_nowtime2;
  QLabel* Label_alltime2;
  QToolButton* SpeedButton1;
  QLabel* Label_tts;
  QPlainTextEdit* Memo1;
  QToolButton* SpeedButton2;
  QLabel* Label_jmpname;
  QListWidget* ListBox5;
  QListWidget* ListBox6;
  QListWidget* ListBox_mp2;
  QFrame* Panel_web;
  orvane::DBGrid* DBGrid1;
  QLabel* Label2;

 protected:
  void FormShow() override;
  void FormClose(CloseAction& action) override;
  void resizeEvent(QResizeEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // ProgrammeView.
  void setScheduleLabel(const QString& text) override;
  void setNextEntryLabel(const QString& text) override;
  void todayGridShown() override;

  void buildLayout();
  void connectSongPanel();
  void FormCreate();
  void restoreSongPanelLayout();
  // The song panel shows the channels' state.
  void showMainPanel();
  void showMainList();
  void showSecondChannel();

  void powerAction(bool shutdown);

  MainUnit core_;
  SystemServices services_;
  SongEntries songs_;
  BroadcastRunner runner_;
  Dispatcher* dispatcher_ = nullptr;
  QStringList shownMainSongs_;
  QStringList shownSecondSongs_;
  bool created_ = false;
};

// The one main window of the running program (null before creation and in most tests).
extern TForm_main_tamu* Form_main_tamu;
