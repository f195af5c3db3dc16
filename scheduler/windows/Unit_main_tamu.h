// The main window: today's date and clock, today's programme in a grid, the schedule and
// next-entry lines, the song panel. Its logic lives in the scheduler core (MainUnit); the
// window keeps the method names other windows call and forwards them.
#pragma once

#include <functional>
#include <memory>

#include "platform/forms/form.h"
#include "scheduler/core/broadcastrunner.h"
#include "scheduler/core/carriedstate.h"
#include "scheduler/core/dispatcher.h"
#include "scheduler/core/mainunit.h"
#include "scheduler/core/playcommands.h"
#include "scheduler/core/programentries.h"
#include "scheduler/core/radioentries.h"
#include "scheduler/core/services.h"
#include "scheduler/core/songentries.h"
#include "scheduler/core/textentries.h"
#include "scheduler/core/webradioentries.h"
#include "scheduler/core/systemsettings.h"
#include "scheduler/core/todayprogramme.h"

class QAction;
class QLabel;
class QMenu;
class QListWidget;
class QPlainTextEdit;
class QSlider;
class QTimer;
class QToolButton;
class QFrame;
class QWidget;
class Clock;
class TDataModule1;
class TTrayIcon;
class TForm_showvideo;
namespace orvane::skin {
class TSXSkin;
}
namespace orvane {
class DBGrid;
class WebRadioHost;
namespace controls {
class TFlatTrackBar;
}
}  // namespace orvane

class TForm_main_tamu : public orvane::Form,
                        public ProgrammeView,
                        public DispatcherHost,
                        public SettingsTarget,
                        public WebRadioPanel {
  Q_OBJECT
 public:
  // carried: the broadcast a former image of this program hands over (it started itself
  // again in place): the clock goes on from the second it reached, with what it held in
  // memory; null for a start of its own.
  TForm_main_tamu(TDataModule1& dm, const Clock& clock, const SystemServices& services,
                  const CarriedState* carried = nullptr);
  ~TForm_main_tamu() override;

  // False when creation stopped (the database could not be opened): the program ends.
  bool created() const { return created_; }
  MainUnit& core() { return core_; }
  Dispatcher& dispatcher() { return *dispatcher_; }
  MainState& state() override { return core_.state; }
  SongEntries& songs() { return songs_; }
  TextEntries& texts() { return texts_; }

  void LoadToday() { core_.today.LoadToday(); }
  void ShowTodayGrid() { core_.today.ShowTodayGrid(); }
  void ComputeEndShutdownTime() override { core_.today.ComputeEndShutdownTime(); }
  void CatchUpEntry() { core_.today.CatchUpEntry(); }

  void StartEntry(int index, EntryMode mode) { runner_.StartEntry(index, mode); }
  void TakeUpEntry(int index) { runner_.TakeUpEntry(index); }
  void EndEntry(int index, EntryMode mode) { runner_.EndEntry(index, mode); }
  void StopAll() { runner_.StopAll(); }
  bool SomethingPlaying() const { return runner_.SomethingPlaying(); }

  // Song playback on the two channels.
  int PlayMainFile(bool fadein, const QString& file) { return songs_.main().PlayMainFile(fadein, file); }
  void ListBox5DblClick();
  void Label2DblClick() { songs_.second().Label2DblClick(); }
  void TrackBar2Change(int position) { songs_.main().TrackBar2Change(position); }
  void FlatTrackBar1Change(int position) { songs_.main().FlatTrackBar1Change(position); }
  void SpeedButton1Click();
  // The system asks the program to end (shutdown, logout): it closes as on the operator's
  // close, without the question, whatever box or dialog is open (each returns at once with
  // its default answer, and none opens any more).
  void EndOnRequest();

  // A text being read: pause (the panel's button), resume (a double click on the text); and
  // the end of an external program's processes.
  void SpeedButton2Click() { texts_.SpeedButton2Click(); }
  void Memo1DblClick() { texts_.Memo1DblClick(); }
  void KillProcess(const QString& fileName) { programs_.KillProcess(fileName); }

  // WebRadioPanel: the hidden browser in "Panel_web".
  bool WebExists() const override;
  void ShowWebPage(const QString& address) override;
  void HideWebPage() override;
  void BlankWebPage() override;

  // DispatcherHost.
  void showClock(const QString& nowtime) override;
  void newDay(const QDate& day) override;
  // Shut down or restart now, or after the countdown when "shutdownhint" is on.
  void ShutdownPC() override;
  void RebootPC() override;

  // The password gate of protected commands: while the operator is not authorized the
  // prompt is shown modally; true when the command may go on.
  bool PasswordGate();
  // Shows or hides the log-out label.
  void ShowLogout(bool on);
  // Hides the window to the notification area, or minimises it where there is none (a
  // hidden window without a tray icon could not be brought back).
  void HideToTray();
  // The tray menu: show the window; close it.
  void N1Click();
  void N2Click();

  // The toolbar. Every button refuses during a trial; the editors and the settings ask for
  // the password first.
  void ToolButton5Click();   // 节目表编辑: the schedule manager, a new one each time
  void ToolButton1Click();   // 设定节目表: the day map, a new one each time
  void ToolButton13Click();  // 密码设置: the password window, modal
  void ToolButton14Click();  // 其它设置: the settings, modal; today's grid is shown again after
  void ToolButton2Click();   // 常用乐曲播放: a new player, non-modal
  void ToolButton4Click();   // 语音播报: a new speech studio, non-modal
  void ToolButton3Click();   // 帮助: the about box, modal
  // A double-click on today's grid, by the row's kind: a text opens in its window (modal)
  // and a song list in its window (both behind the password), a folder in the file manager,
  // a song or a program is shown selected in its folder; other kinds do nothing.
  void DBGrid1DblClick();
  // The grid's menu: trial play, end of trial, insertion of music or speech, stop and resume
  // of automatic play (see PlayCommands).
  void N3Click();
  void N4Click();
  void N6Click();
  void N9Click();
  void N8Click();
  // Once, 100 ms after creation: "runminimize" hides the window to the notification area.
  void Timer_formminimizeTimer();
  // Log-out: the next protected command asks for the password again.
  void Label_exitClick();
  // The clock: the network-time window, modal.
  void Label_timeClick();

  // The windows an insertion shows modally (without owner): the player for music, the
  // speech studio for speech. Without one its menu item stays disabled.
  using InsertWindowFactory = std::function<std::unique_ptr<orvane::Form>()>;
  void setInsertWindows(InsertWindowFactory music, InsertWindowFactory speech);

  // SettingsTarget.
  void SetSkinActive(bool on) override;
  void ApplyCaption(const QString& caption) override;
  // The skin component's Active switch, connected to SXSkin1 when it is placed on this
  // window. Without it switching the skin only stores "canuseskin".
  void setSkinSwitch(std::function<void(bool)> activate) { skinSwitch_ = std::move(activate); }
  // The skin component (null when no skin package is given); it reads its package and
  // starts the skin manager after the dispatcher is armed.
  orvane::skin::TSXSkin* SXSkin1 = nullptr;

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
  orvane::controls::TFlatTrackBar* FlatTrackBar1;  // the main channel's volume
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
  QFrame* radioplayer = nullptr;  // the internet radio's panel, made at the first radio entry
  QLabel* radiostatus = nullptr;
  orvane::DBGrid* DBGrid1;
  QLabel* Label2;
  TTrayIcon* TrayIcon1;
  QMenu* PopupMenu1;  // the tray menu
  QAction* N1;
  QAction* N2;
  QToolButton* ToolButton5;
  QToolButton* ToolButton1;
  QToolButton* ToolButton13;
  QToolButton* ToolButton14;
  QToolButton* ToolButton2;
  QToolButton* ToolButton4;
  QToolButton* ToolButton3;
  QMenu* PopupMenu2;  // the grid's menu
  QAction* N3;
  QAction* N4;
  QAction* N5;  // separator
  QAction* N6;
  QAction* N9;
  QAction* N7;  // separator
  QAction* N8;
  QTimer* Timer_formminimize = nullptr;  // gone after its one tick

 protected:
  void FormShow() override;
  void FormCloseQuery(bool& canClose) override;
  void FormClose(CloseAction& action) override;
  void resizeEvent(QResizeEvent* e) override;
  void changeEvent(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // ProgrammeView.
  void setScheduleLabel(const QString& text) override;
  void setNextEntryLabel(const QString& text) override;
  void todayGridShown() override;

  void buildLayout();
  void layoutGridHeader();
  void buildCommands();
  void connectSongPanel();
  void FormCreate();
  // Statuses a close could not write, and what a former image carried: written first.
  void restoreHeld();
  void restoreSongPanelLayout();
  // The song panel shows the channels' state.
  void showMainPanel();
  void showMainList();
  void showSecondChannel();
  // The text panel and the radio panel show their entries' state.
  void showTextPanel();
  void markWord(int start, int length);
  void showRadioPanel();

  void powerAction(bool shutdown);
  void showPlayState();
  void insert(const InsertWindowFactory& make, const QString& caption);

  MainUnit core_;
  SystemServices services_;
  // No owner: it covers the screen on its own. Declared before the channels so that it outlives
  // their players: libmpv may still be drawing into its window until a player is gone.
  std::unique_ptr<TForm_showvideo> videoWindow_;
  SongEntries songs_;
  TextEntries texts_;
  RadioEntries radio_;
  WebRadioEntries web_;
  ProgramEntries programs_;
  BroadcastRunner runner_;
  PlayCommands commands_;
  orvane::WebRadioHost* webradio_ = nullptr;
  Dispatcher* dispatcher_ = nullptr;
  QStringList shownMainSongs_;
  QStringList shownSecondSongs_;
  bool created_ = false;
  bool closeAsked_ = false;  // a close request is being answered
  bool endRequested_ = false;  // the system asked the program to end: no question
  bool closed_ = false;        // the close's work is done (statuses, close line)
  const CarriedState* carried_ = nullptr;  // during creation only
  InsertWindowFactory insertMusic_;
  InsertWindowFactory insertSpeech_;
  std::function<void(bool)> skinSwitch_;
  bool skinOn_ = false;  // the switch asked for before the component is loaded
  void placeSkin();
  void loadSkin();
};

// The one main window of the running program (null before creation and in most tests).
extern TForm_main_tamu* Form_main_tamu;
