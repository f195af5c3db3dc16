// The video window: a frameless, always-on-top black window covering the screen, in which the
// feeding channel's player draws the picture of a video song; keys and a menu step through
// the songs, stop, switch between full screen and a 640 × 480 window, and show the playing
// time.
#pragma once

#include <QPointer>
#include <QTimer>
#include <functional>

#include "platform/forms/form.h"
#include "platform/media/mediachannel.h"
#include "scheduler/core/videohandoff.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class SongEntries;
struct MainState;

class TForm_showvideo : public orvane::Form, public VideoHandOff {
  Q_OBJECT
 public:
  // stopCommand is the main window's song-panel stop; screenHost's screen is the one covered.
  TForm_showvideo(MainState& state, SongEntries& songs, std::function<void()> stopCommand, QWidget* screenHost);
  ~TForm_showvideo() override;

  // VideoHandOff.
  void ShowVideo(orvane::MediaChannel& player) override;
  void CloseVideo() override;

  void N1Click();  // previous
  void N2Click();  // next
  void N3Click();  // stop
  void N4Click();  // full screen
  void N5Click();  // normal size
  void N6Click();  // play-time overlay
  void Timer1Timer();
  static QString FormatPlayTime(qint64 ms);

  // Pictures painted into Panel1 so far (each new picture once), and the last one's time in ms.
  int framesDrawn() const { return framesDrawn_; }
  double lastDrawMs() const { return lastDrawMs_; }
  orvane::MediaChannel* player() const { return player_; }

 signals:
  // A new picture was painted into Panel1, taking ms.
  void pictureDrawn(double ms);
 public:

  QWidget* Panel1;
  QFrame* Panel2;
  QLabel* Label1;
  QTimer Timer1;
  QMenu* PopupMenu1;
  QAction* N1;
  QAction* N2;
  QAction* N3;
  QAction* N4;
  QAction* N5;
  QAction* N6;

 protected:
  void FormClose(CloseAction& action) override;
  void keyPressEvent(QKeyEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void placeOverlay();
  void paintPicture();
  void letGo();
  // Panel1's size in device pixels: the size the player draws its pictures at.
  QSize panelPixels() const;

  MainState& s_;
  SongEntries& songs_;
  std::function<void()> stop_;
  QPointer<QWidget> screenHost_;
  QPointer<orvane::MediaChannel> player_;
  QMetaObject::Connection frames_;
  quint64 lastSequence_ = 0;
  int framesDrawn_ = 0;
  double lastDrawMs_ = 0;
};

// The one video window, made at start hidden (null before).
extern TForm_showvideo* Form_showvideo;
