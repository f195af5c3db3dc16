// The operator's manual player: a playlist of sound files kept in "playlist.txt", play, pause,
// stop, previous and next, three play modes, a progress slider that seeks and a volume slider.
#pragma once

#include <QTimer>
#include <functional>
#include <memory>

#include "audiotools/core/playlisttarget.h"
#include "platform/forms/form.h"

class QAction;
class QCheckBox;
class QLabel;
class QListWidget;
class QMenu;
class QToolButton;
namespace orvane {
class MediaChannel;
namespace controls {
class TFlatTrackBar;
}
}  // namespace orvane

class TForm_player : public orvane::Form, public PlaylistTarget {
  Q_OBJECT
 public:
  explicit TForm_player(QWidget* owner = nullptr);
  ~TForm_player() override;

  // The open player, or a new one (owned by the application), shown.
  static TForm_player* Open();
  // Where the song finder's rows go: the open player, else a new one, shown.
  static PlaylistTarget* SongTarget();
  // Draws an index 0..n-1 for random play (tests make it predictable).
  static std::function<int(int n)> Random;

  // 0 failed, 1 playing on the media player, 2 playing on the stream player.
  int PlayFile(const QString& path);
  void PlayNext();
  static QString FormatPlayTime(qint64 ms);
  static QString GetSongTitle(const QString& path);
  QString ReadSetting(const QString& key);
  void AddFolderSongs(const QString& folder, int recursive);
  // The one routine that changes the playlist: both lists stay in step. row -1 appends; a
  // null title is the one taken from the path.
  void InsertSong(int row, const QString& path, const QString& title = QString());
  // Appends at the end without touching the selection or what plays.
  void AddSong(const QString& title, const QString& path) override;
  void RemoveSong(int row);
  void MoveSong(int from, int to);
  QString SongPath(int row) const;
  // A drag of row `from` dropped at a point of the list's viewport.
  void ListBox3DragDrop(int from, const QPoint& pos);

  void SpeedButton7Click();  // play / resume
  void SpeedButton8Click();  // pause
  void SpeedButton9Click();  // stop
  void SpeedButton10Click(); // open files
  void SpeedButton3Click();  // previous
  void SpeedButton4Click();  // next
  void SpeedButton1Click();  // recorder
  void Timer1Timer();
  void Timer_bassprocessTimer();
  void MediaPlayer1Notify();
  void FlatTrackBar1Change();
  void FlatTrackBar1MouseUp(int x);
  void FlatTrackBar2Change();
  void OpenFiles(const QStringList& files);
  void N2Click();
  void N3Click();
  void N5Click();  // song finder
  void N4Click();
  void N6Click();

  QToolButton* SpeedButton7;
  QToolButton* SpeedButton8;
  QToolButton* SpeedButton9;
  QToolButton* SpeedButton10;
  QToolButton* SpeedButton3;
  QToolButton* SpeedButton4;
  QToolButton* SpeedButton1;
  QCheckBox* CheckBox2;  // sequential
  QCheckBox* CheckBox1;  // repeat one
  QCheckBox* CheckBox3;  // random
  QLabel* Label_file;
  QLabel* Label_file0;
  QLabel* Label_time1;
  QLabel* Label_time2;
  QLabel* Image2;
  orvane::controls::TFlatTrackBar* FlatTrackBar1;
  orvane::controls::TFlatTrackBar* FlatTrackBar2;
  QListWidget* ListBox3;  // titles
  QListWidget* ListBox4;  // paths (hidden)
  QMenu* PopupMenu1;
  QAction* N1;
  QAction* N5;
  QAction* N2;
  QAction* ss1;
  QMenu* PopupMenu2;
  QAction* N3;
  QAction* N4;
  QAction* N6;
  QTimer Timer1;
  QTimer Timer_bassprocess;
  std::unique_ptr<orvane::MediaChannel> MediaPlayer1;
  std::unique_ptr<orvane::MediaChannel> playerstream;

 protected:
  void FormClose(CloseAction& action) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowPlaying(const QString& path, qint64 lengthMs, bool italic);
  void ShowStopped();
  // A play that failed has stopped what played before it: the window says so.
  void ShowPlayFailed();
  void ModeClicked(QCheckBox* box);
  void SavePlaylist();

  bool notify_ = false;       // the media player's end notification is wanted
  bool streamMade_ = false;   // a stream was opened at least once
  bool listChanged_ = false;  // written back on closing only then
  bool listReadFailed_ = false;
  int dragRow_ = -1;
};

// The player window while one is open.
extern TForm_player* Form_player;
