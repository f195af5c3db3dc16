// Video window.
#include "scheduler/windows/Unit_showvideo.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFrame>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScreen>

#include "platform/media/mediachannel.h"
#include "scheduler/core/mainstate.h"
#include "scheduler/core/songentries.h"
#include "scheduler/core/timetext.h"
#include "scheduler/windows/namedwidgets.h"

TForm_showvideo* Form_showvideo = nullptr;

namespace {
// The play-time panel is black over the picture whatever colour a skin gives panels.
class BlackPanel : public QFrame {
 public:
  using QFrame::QFrame;

 protected:
  void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Qt::black); }
};
}  // namespace

TForm_showvideo::TForm_showvideo(MainState& state, SongEntries& songs, std::function<void()> stopCommand,
                                 QWidget* screenHost)
    : Form(nullptr), s_(state), songs_(songs), stop_(std::move(stopCommand)), screenHost_(screenHost) {
  setObjectName(QStringLiteral("Form_showvideo"));
  setCaption(QStringLiteral("视频播放"));
  setWindowFlags(windowFlags() | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  setFocusPolicy(Qt::StrongFocus);

  // The player never gets a window of ours: it draws its pictures into memory on a thread of
  // its own and the panel paints the newest one. A native window handed to another library
  // can be destroyed or re-created under it by the window system, the skin or this window's
  // own showing and hiding, which ends the program or stalls the player.
  Panel1 = named(new QWidget(client()), "Panel1");
  Panel1->setAutoFillBackground(false);
  Panel1->setAttribute(Qt::WA_OpaquePaintEvent);
  Panel1->installEventFilter(this);
  Panel1->setContextMenuPolicy(Qt::CustomContextMenu);

  Panel2 = named(new BlackPanel(client()), "Panel2");
  Panel2->resize(105, 20);
  Label1 = named(new QLabel(QStringLiteral("00:00:00 /00:00:00"), Panel2), "Label1");
  Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  QPalette blue = Label1->palette();
  blue.setColor(QPalette::WindowText, Qt::blue);
  Label1->setPalette(blue);
  Label1->setGeometry(0, 0, 105, 20);
  Panel2->hide();

  Timer1.setInterval(1000);
  connect(&Timer1, &QTimer::timeout, this, &TForm_showvideo::Timer1Timer);

  PopupMenu1 = named(new QMenu(this), "PopupMenu1");
  N1 = named(PopupMenu1->addAction(QStringLiteral("上一首(&P)")), "N1");
  N2 = named(PopupMenu1->addAction(QStringLiteral("下一首(&N)")), "N2");
  N3 = named(PopupMenu1->addAction(QStringLiteral("停止播放(&Q)")), "N3");
  N4 = named(PopupMenu1->addAction(QStringLiteral("全屏(&A)")), "N4");
  N5 = named(PopupMenu1->addAction(QStringLiteral("退出全屏(&Esc)")), "N5");
  N6 = named(PopupMenu1->addAction(QStringLiteral("显示播放时间(&S)")), "N6");
  N6->setCheckable(true);
  connect(N1, &QAction::triggered, this, &TForm_showvideo::N1Click);
  connect(N2, &QAction::triggered, this, &TForm_showvideo::N2Click);
  connect(N3, &QAction::triggered, this, &TForm_showvideo::N3Click);
  connect(N4, &QAction::triggered, this, &TForm_showvideo::N4Click);
  connect(N5, &QAction::triggered, this, &TForm_showvideo::N5Click);
  // The check mark moves first (a click toggles it), then the overlay follows it.
  connect(N6, &QAction::triggered, this, [this] { N6Click(); });
  connect(Panel1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { PopupMenu1->popup(Panel1->mapToGlobal(pos)); });
  setClientSize(640, 480);
}

TForm_showvideo::~TForm_showvideo() {
  letGo();
  if (Form_showvideo == this) Form_showvideo = nullptr;
}

QString TForm_showvideo::FormatPlayTime(qint64 ms) { return FormatMs(ms); }

void TForm_showvideo::ShowVideo(orvane::MediaChannel& player) {
  if (player_ != &player) letGo();
  player_ = &player;
  if (!s_.videoshown || !isVisible()) N4Click();
  player.setVideoFrameSize(panelPixels());
  player.setVideoFrames(true);
  if (!frames_) frames_ = connect(&player, &orvane::MediaChannel::videoFrameReady, Panel1, qOverload<>(&QWidget::update));
}

QSize TForm_showvideo::panelPixels() const {
  return (QSizeF(Panel1->size()) * Panel1->devicePixelRatioF()).toSize();
}

void TForm_showvideo::CloseVideo() {
  hide();
  letGo();
}

void TForm_showvideo::letGo() {
  // The player plays its next file as sound unless this window takes it again.
  if (frames_) disconnect(frames_);
  frames_ = {};
  if (player_) player_->setVideoFrames(false);
  player_ = nullptr;
  if (Panel1) Panel1->update();
}

void TForm_showvideo::N1Click() {
  if (s_.channelname == kSecondChannel) songs_.second().StepSong(-1);
  else songs_.main().StepSong(-1);
}

void TForm_showvideo::N2Click() {
  if (s_.channelname == kSecondChannel) songs_.second().StepSong(1);
  else songs_.main().StepSong(1);
}

void TForm_showvideo::N3Click() {
  if (stop_) stop_();
  Close();
}

void TForm_showvideo::N4Click() {
  if (screenHost_ && screenHost_->screen()) setGeometry(screenHost_->screen()->geometry());
  showFullScreen();
  raise();
  activateWindow();
}

void TForm_showvideo::N5Click() {
  showNormal();
  setGeometry(100, 100, 640, 480);
}

void TForm_showvideo::N6Click() {
  if (N6->isChecked()) {
    Timer1.start();
    placeOverlay();
    Panel2->show();
    Panel2->raise();
    Timer1Timer();
  } else {
    Timer1.stop();
    Panel2->hide();
  }
}

void TForm_showvideo::placeOverlay() {
  Panel2->move(Panel1->x() + Panel1->width() - 105, Panel1->y() + Panel1->height() - 20);
}

void TForm_showvideo::Timer1Timer() {
  // The feeding channel's times, as the main song panel writes them ("m:ss" and "/ m:ss").
  if (s_.channelname == kSecondChannel) {
    orvane::MediaChannel* p = songs_.second().player();
    const bool open = p && p->isOpen();
    Label1->setText(FormatPlayTime(open ? p->positionMs() : 0) + QStringLiteral(" / ") +
                    FormatPlayTime(open ? p->lengthMs() : 0));
  } else {
    Label1->setText(songs_.main().nowText() + QLatin1Char(' ') + songs_.main().allText());
  }
}

void TForm_showvideo::FormClose(CloseAction& action) {
  s_.videoshown = false;
  action = CloseAction::Hide;  // made once, kept to the end
  // Closed while the video plays on (the window manager's close): it goes on as sound.
  letGo();
}

void TForm_showvideo::keyPressEvent(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Escape: N5Click(); return;
    case Qt::Key_P: N1Click(); return;
    case Qt::Key_N: N2Click(); return;
    case Qt::Key_Q: N3Click(); return;
    case Qt::Key_A: N4Click(); return;
    case Qt::Key_S: N6->trigger(); return;
    default: Form::keyPressEvent(e);
  }
}

void TForm_showvideo::resizeEvent(QResizeEvent* e) {
  Form::resizeEvent(e);
  Panel1->setGeometry(client()->rect());
  placeOverlay();
  if (player_) player_->setVideoFrameSize(panelPixels());
}

bool TForm_showvideo::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Panel1) {
    if (event->type() == QEvent::Paint) {
      paintPicture();
      return true;
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
      N3Click();
      return true;
    }
  }
  return Form::eventFilter(watched, event);
}

void TForm_showvideo::paintPicture() {
  QPainter painter(Panel1);
  const auto picture = player_ ? player_->videoPicture() : nullptr;
  if (!picture) {
    painter.fillRect(Panel1->rect(), Qt::black);
    return;
  }
  QElapsedTimer t;
  t.start();
  // The picture's own memory, shown without a copy; it stays alive while it is painted.
  const QImage image(picture->bits(), picture->size.width(), picture->size.height(), picture->stride,
                     QImage::Format_RGB32);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  // Drawn at the panel's size in device pixels, it is copied as it is; one drawn for another
  // size a moment ago is stretched until the next one arrives.
  painter.drawImage(QRectF(Panel1->rect()), image);
  if (picture->sequence != lastSequence_) {
    lastSequence_ = picture->sequence;
    ++framesDrawn_;
    lastDrawMs_ = double(t.nsecsElapsed()) / 1e6;
    emit pictureDrawn(lastDrawMs_);
  }
}
