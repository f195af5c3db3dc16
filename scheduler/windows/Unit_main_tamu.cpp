// Main window.
#include "scheduler/windows/Unit_main_tamu.h"

#include <QCoreApplication>
#include <QDebug>
#include <QEvent>
#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QSlider>
#include <QTextCursor>
#include <QTimer>
#include <QtEndian>
#include <QToolButton>

#include "controls/ExtCtrlsX.h"
#include "controls/flatTrkBar.h"
#include "platform/files/homefolder.h"
#include "platform/forms/dbgrid.h"
#include "platform/media/mpvhandle.h"
#include "platform/msgbox/messagebox.h"
#include "platform/system/power.h"
#include "platform/system/shell.h"
#include "platform/web/webradiohost.h"
#include "scheduler/core/broadcastlog.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/Unit_threadnettime.h"
#include "scheduler/core/funVolume.h"
#include "scheduler/windows/About.h"
#include "scheduler/windows/Unit_closepc.h"
#include "scheduler/windows/Unit_lbch.h"
#include "scheduler/windows/Unit_mm.h"
#include "scheduler/windows/Unit_mmsj.h"
#include "scheduler/windows/Unit_nettime.h"
#include "scheduler/windows/Unit_showtxt.h"
#include "scheduler/windows/Unit_showvideo.h"
#include "scheduler/windows/Unit_testshow.h"
#include "scheduler/windows/Unit_testshowtts.h"
#include "scheduler/windows/Unit_sjbp.h"
#include "scheduler/windows/Unit_sjsj.h"
#include "scheduler/windows/Unit_sysj.h"
#include "scheduler/windows/labellink.h"
#include "scheduler/windows/namedwidgets.h"
#include "skin/WinSkinData.h"

TForm_main_tamu* Form_main_tamu = nullptr;

namespace {
// The song panel's two arrangements: songs only, or a text being read above the songs.
constexpr int kJmpnameTop = 54, kListTop = 72, kListHeight = 385;
constexpr int kReadingJmpnameTop = 318, kReadingListTop = 336, kReadingListHeight = 119;
constexpr int kRadioHeight = 64;
constexpr int kPanelWidth = 300;
constexpr int kPanelTop = 70, kPanelHeight = 462;
// Beside the song panel: the schedule's line, the play state's line, then the grid.
constexpr int kHeaderTop = 72, kStateTop = 92, kGridTop = 114;
// How long closing waits for a database locked by another program.
constexpr int kCloseWaitMs = 3000;

QToolButton* makeToolButton(QWidget* parent, const char* name, const QString& text) {
  auto* b = named(new QToolButton(parent), name);
  b->setText(text);
  b->setToolButtonStyle(Qt::ToolButtonTextOnly);
  b->setAutoRaise(true);
  return b;
}
}  // namespace

TForm_main_tamu::TForm_main_tamu(TDataModule1& dm, const Clock& clock, const SystemServices& services,
                                 const CarriedState* carried)
    : Form(nullptr),
      core_(dm, clock),
      services_(services),
      songs_(dm, core_.state, clock, core_.today, services.media),
      texts_(dm, core_.state, clock, core_.today, songs_.main(), services.voices, services.media),
      radio_(core_.state, core_.today, songs_.main(), services.media),
      web_(core_.today, songs_.main()),
      programs_(core_.today, songs_.main(), services.launcher),
      runner_(dm, core_.state, clock, core_.today),
      commands_(dm, core_.state, clock, core_.today, runner_, core_.fired),
      webradio_(new orvane::WebRadioHost(this)) {
  setObjectName(QStringLiteral("Form_main_tamu"));
  buildLayout();
  buildCommands();
  // The toolbar's buttons and the song panel stay whole however the window is sized (on the
  // client, so a skinned frame adds its own margins).
  client()->setMinimumSize(qMax(760, ToolBar1->sizeHint().width() + 260), kPanelTop + kPanelHeight + 8);
  core_.today.setView(this);
  core_.today.setRunner(&runner_);
  songs_.setView(this);
  for (int kind = 1; kind <= 3; ++kind) runner_.setHandler(kind, &songs_);
  runner_.setHandler(4, &texts_);
  runner_.setHandler(5, &radio_);
  runner_.setHandler(6, &web_);
  runner_.setHandler(7, &programs_);
  texts_.setRunner(&runner_);
  texts_.setView(this);
  radio_.setView(this);
  web_.setView(this);
  web_.setPanel(this);
  programs_.setView(this);
  connect(&texts_, &TextEntries::panelChanged, this, &TForm_main_tamu::showTextPanel);
  connect(&texts_, &TextEntries::wordMarked, this, &TForm_main_tamu::markWord);
  connect(&texts_, &TextEntries::readingStarted, this, [this] { Memo1->setFocus(); });
  connect(&radio_, &RadioEntries::panelChanged, this, &TForm_main_tamu::showRadioPanel);
  commands_.setView(this);
  connect(&commands_, &PlayCommands::changed, this, &TForm_main_tamu::showPlayState);
  connectSongPanel();
  dispatcher_ = new Dispatcher(core_.state, clock, runner_, *this, core_.fired, core_.today, this);
  placeSkin();
  carried_ = carried;
  FormCreate();
  carried_ = nullptr;
}

TForm_main_tamu::~TForm_main_tamu() {
  songs_.main().setVideoHandOff(nullptr);
  if (Form_main_tamu == this) Form_main_tamu = nullptr;
}

void TForm_main_tamu::buildLayout() {
  QWidget* c = client();
  setClientSize(980, 560);

  ToolBar1 = named(new QWidget(c), "ToolBar1");
  // The skin knows it as a tool bar (background and button custom drawing).
  ToolBar1->setProperty("vclClass", QStringLiteral("TToolBar"));
  Label_date = named(new QLabel(c), "Label_date");
  Label_time = named(new QLabel(QStringLiteral("00:00:00"), c), "Label_time");
  QFont clockFont = Label_time->font();
  clockFont.setPointSize(20);
  clockFont.setBold(true);
  Label_time->setFont(clockFont);
  Label_time->setToolTip(QStringLiteral("点击可打开网络校时器"));
  Label_time->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Label_date->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  Panel1 = named(new QFrame(c), "Panel1");
  Panel1->setGeometry(8, kPanelTop, kPanelWidth, kPanelHeight);
  Label_musicname = named(new QLabel(Panel1), "Label_musicname");
  Label_musicname->setGeometry(0, 2, kPanelWidth - 24, 18);
  SpeedButton1 = named(new QToolButton(Panel1), "SpeedButton1");
  SpeedButton1->setToolTip(QStringLiteral("停止播放歌曲"));
  SpeedButton1->setText(QStringLiteral("■"));
  SpeedButton1->setGeometry(kPanelWidth - 22, 0, 22, 22);
  SpeedButton1->hide();
  TrackBar2 = named(new QSlider(Qt::Horizontal, Panel1), "TrackBar2");
  TrackBar2->setGeometry(0, 24, 140, 20);
  TrackBar2->hide();
  Label_nowtime2 = named(new QLabel(Panel1), "Label_nowtime2");
  Label_nowtime2->setGeometry(144, 26, 44, 16);
  Label_alltime2 = named(new QLabel(Panel1), "Label_alltime2");
  Label_alltime2->setGeometry(188, 26, 56, 16);
  // The main channel's volume, 0..1000: shown while a song plays.
  FlatTrackBar1 = named(new orvane::controls::TFlatTrackBar(Panel1), "FlatTrackBar1");
  FlatTrackBar1->SetThumbStyle(orvane::controls::tsMixer);
  FlatTrackBar1->SetTrackFrame(orvane::controls::fsGroove);
  FlatTrackBar1->SetTransparent(true);
  FlatTrackBar1->SetShowTicks(false);
  FlatTrackBar1->SetMax(1000);
  FlatTrackBar1->SetPageSize(50);
  // Below the stop button, beside the position bar.
  FlatTrackBar1->setGeometry(244, 23, 56, 26);
  FlatTrackBar1->SetTrackOffset(11);
  FlatTrackBar1->SetPosition(1000);
  FlatTrackBar1->setToolTip(QStringLiteral("音量调节"));
  FlatTrackBar1->hide();

  Label_tts = named(new QLabel(Panel1), "Label_tts");
  Label_tts->setGeometry(0, 56, kPanelWidth - 24, 16);
  Label_tts->hide();
  SpeedButton2 = named(new QToolButton(Panel1), "SpeedButton2");
  SpeedButton2->setGeometry(kPanelWidth - 22, 52, 22, 22);
  SpeedButton2->setText(QStringLiteral("Ⅱ"));
  SpeedButton2->setToolTip(QStringLiteral("暂停播报（双击文稿继续）"));
  SpeedButton2->hide();
  // The text being read, its spoken word selected; the operator reads it, not edits it.
  Memo1 = named(new QPlainTextEdit(Panel1), "Memo1");
  Memo1->setGeometry(0, 74, kPanelWidth, 240);
  Memo1->setReadOnly(true);
  Memo1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  Memo1->hide();
  Label_jmpname = named(new QLabel(Panel1), "Label_jmpname");
  Label_jmpname->setGeometry(0, kJmpnameTop, kPanelWidth, kListTop - kJmpnameTop);
  ListBox5 = named(new QListWidget(Panel1), "ListBox5");
  ListBox5->setGeometry(0, kListTop, kPanelWidth, kListHeight);
  Panel_web = named(new QFrame(Panel1), "Panel_web");
  Panel_web->setGeometry(0, kListTop, 1, 1);
  Panel_web->hide();
  // The song paths of both channels are kept beside the names but never shown.
  ListBox6 = named(new QListWidget(c), "ListBox6");
  ListBox6->hide();
  ListBox_mp2 = named(new QListWidget(c), "ListBox_mp2");
  ListBox_mp2->hide();

  Label_sjbcaption = named(new QLabel(QStringLiteral("今日节目表："), c), "Label_sjbcaption");
  Label_sjb = named(new QLabel(c), "Label_sjb");
  QFont bold = Label_sjb->font();
  bold.setBold(true);
  Label_sjb->setFont(bold);
  Label_shu = named(new QLabel(c), "Label_shu");
  Label_state = named(new QLabel(c), "Label_state");
  Label_state->setFont(bold);
  Label_state->setStyleSheet(QStringLiteral("color: red"));
  Label_exit = named(new QLabel(QStringLiteral("注销登陆"), c), "Label_exit");
  Label_exit->hide();

  DBGrid1 = named(new orvane::DBGrid(c), "DBGrid1");
  DBGrid1->setQuery(&core_.dm().qry_show);
  Label2 = named(new QLabel(c), "Label2");

  PopupMenu1 = named(new QMenu(this), "PopupMenu1");
  N1 = named(PopupMenu1->addAction(QStringLiteral("显示主窗口")), "N1");
  N2 = named(PopupMenu1->addAction(QStringLiteral("退出")), "N2");
  connect(N1, &QAction::triggered, this, &TForm_main_tamu::N1Click);
  connect(N2, &QAction::triggered, this, &TForm_main_tamu::N2Click);
  TrayIcon1 = named(new TTrayIcon(this), "TrayIcon1");
  TrayIcon1->SetPopupMenu(PopupMenu1);
  TrayIcon1->OnClick = [this](QObject*) { N1Click(); };
  TrayIcon1->SetVisible(true);
}

void TForm_main_tamu::resizeEvent(QResizeEvent* e) {
  Form::resizeEvent(e);
  const int w = client()->width(), h = client()->height();
  ToolBar1->setGeometry(0, 0, w - 260, 64);
  Label_date->setGeometry(w - 260, 6, 250, 18);
  Label_time->setGeometry(w - 260, 26, 250, 34);
  const int gridLeft = 8 + kPanelWidth + 10;
  layoutGridHeader();
  DBGrid1->setGeometry(gridLeft, kGridTop, w - gridLeft - 8, h - kGridTop - 28);
  Label2->setGeometry(gridLeft, h - 24, w - gridLeft - 8, 18);
}

void TForm_main_tamu::layoutGridHeader() {
  // The line above the grid: the caption, today's schedule, the count and, at the right end,
  // the log-out label; the schedule's name takes what its text needs of the room left. The
  // play state has a line of its own below, so a long name and a long state never share it.
  const int w = client()->width();
  const int left = 8 + kPanelWidth + 10, right = w - 80, gap = 8;
  const int captionWidth = Label_sjbcaption->sizeHint().width();
  const int countWidth = Label_shu->sizeHint().width();
  const int nameRoom = right - left - captionWidth - countWidth - 2 * gap;
  const int nameWidth = qMax(0, qMin(Label_sjb->sizeHint().width(), nameRoom));
  int x = left;
  for (auto [label, width] : {std::pair<QLabel*, int>{Label_sjbcaption, captionWidth}, {Label_sjb, nameWidth},
                              {Label_shu, countWidth}}) {
    label->setGeometry(x, kHeaderTop, width, 18);
    x += width + gap;
  }
  Label_exit->setGeometry(w - 72, kHeaderTop, 64, 18);
  Label_state->setGeometry(left, kStateTop, w - 8 - left, 18);
}

void TForm_main_tamu::restoreHeld() {
  StatusQueue& queue = core_.today.statusQueue();
  if (const QJsonArray kept = queue.TakeKeptItems(); !kept.isEmpty()) {
    WriteLog(BroadcastLog::NoticeLine(core_.clock().now(),
                                      QStringLiteral("补写上次关闭时未能写入的%1条节目状态。").arg(kept.size())));
    queue.Restore(kept);
  }
}

void TForm_main_tamu::FormCreate() {
  StatusQueue& queue = core_.today.statusQueue();
  queue.setKeptFile(orvane::HomeFolder::file(QStringLiteral("TForm_main_tamu.statuses")));
  if (carried_) {
    // The former image's log lines go first, and what it told is not told again.
    core_.log.Restore(carried_->logLines, carried_->logDropped);
    core_.disk.setTold(DiskWatch::Place::Database, carried_->databaseFailing);
    core_.disk.setTold(DiskWatch::Place::Log, carried_->logFailing);
    songs_.soundNotice().setTold(carried_->soundLost);
    core_.fired.Restore(carried_->fired);
  }
  const bool connected = core_.ConnectDatabase();
  // Its statuses too (without a database they wait in the kept file for the next start).
  if (carried_) queue.Restore(carried_->statuses);
  if (!connected) return;
  restoreHeld();
  core_.ReadSettings();
  MainState& s = core_.state;
  // Asynchronous: start-up goes on while the server answers. Once per start of the program,
  // not again when it starts itself again in place.
  if (core_.networkTimeAtStart() && services_.clockControl && !carried_)
    (new Tsetnettime(*services_.clockControl, this))->Execute();
  // Both channels play through libmpv: one built for another major version of its client
  // interface cannot be trusted with a broadcast.
  if (!orvane::mpvVersionMatches()) {
    orvane::MessageBox(QStringLiteral("\"libmpv\" 文件版本不合适!请重新安装软件。"), QStringLiteral("提示"),
                       orvane::mb::ICONHAND);
    return;
  }
  s.bassready = s.usebass && songs_.CreateStreams();
  setCaption(core_.Caption());
  TrayIcon1->SetHint(core_.Caption());
  if (carried_) core_.today.setWalkedUpTo(QDateTime::fromSecsSinceEpoch(carried_->walked));
  LoadToday();
  // The operator may have changed the volume since the program started.
  if (!carried_) ApplyStartVolume(services_.systemVolume, core_.startVolume());
  skinOn_ = core_.skinWanted();
  if (carried_) dispatcher_->startFrom(carried_->walked);
  else dispatcher_->start();
  // Unpacking and parsing the skin takes a while: it runs once the dispatcher is armed, as a
  // queued step, so it never delays a tick.
  if (SXSkin1) QTimer::singleShot(0, this, &TForm_main_tamu::loadSkin);
  Timer_formminimize->start();
  // A start in place goes on with the broadcast under way: no new start, no catch-up of its own.
  if (core_.state.logenabled && !carried_) WriteLog(BroadcastLog::StartLine(core_.clock().now()));
  core_.state.startpending = !carried_;
  // The tips stay open beside the main window, without owner, until closed.
  if (core_.tipsAtStart() && !Form_syfa && !carried_) {
    Form_syfa = new TForm_syfa(core_.dm());
    Form_syfa->show();
  }
  // The video window, hidden until a video song plays; both channels hand their picture to it.
  videoWindow_ = std::make_unique<TForm_showvideo>(core_.state, songs_, [this] { SpeedButton1Click(); }, this);
  Form_showvideo = videoWindow_.get();
  songs_.main().setVideoHandOff(videoWindow_.get());
  Form_main_tamu = this;
  created_ = true;
}

void TForm_main_tamu::placeSkin() {
  if (services_.skinPackage.isEmpty()) return;
  SXSkin1 = new orvane::skin::TSXSkin(this);
  SXSkin1->setObjectName(QStringLiteral("SXSkin1"));
  // Until the component is loaded the switch is only remembered.
  skinSwitch_ = [this](bool on) {
    if (SXSkin1->IsLoaded())
      SXSkin1->SetActive(on);
    else
      skinOn_ = on;
  };
}

void TForm_main_tamu::loadSkin() {
  QFile file(services_.skinPackage);
  QByteArray package;
  if (file.open(QIODevice::ReadOnly)) package = file.readAll();
  QByteArray saved(4, '\0');
  qToLittleEndian<quint32>(static_cast<quint32>(package.size()), saved.data());
  // A package that cannot be read leaves the component without a skin: switching it on then
  // changes nothing and every window keeps the native look.
  if (package.isEmpty() || !SXSkin1->ReadSkinStream(saved + package))
    qWarning().noquote() << "skin package" << services_.skinPackage
                         << "cannot be read; the windows keep the native look";
  SXSkin1->Loaded();
  SXSkin1->SetActive(skinOn_);
}

void TForm_main_tamu::FormShow() {
  const QDateTime now = core_.clock().now();
  Label_date->setText(DateLabelText(now.date()));
  // The first tick comes up to a second after the window shows: the clock reads the time
  // from the window's first paint.
  showClock(ClockText(now));
  if (core_.state.startpending) {
    core_.state.startpending = false;
    CatchUpEntry();
  }
}

void TForm_main_tamu::FormClose(CloseAction& action) {
  action = CloseAction::Hide;
  // An end request during the operator's close question closes once.
  if (closed_) return;
  closed_ = true;
  // Statuses still held up by another program's lock get a last, bounded chance; what is
  // left waits in a file for the next start.
  core_.today.statusQueue().Close(kCloseWaitMs);
  if (core_.state.logenabled) WriteLog(BroadcastLog::CloseLine(core_.clock().now()));
  if (core_.state.bassready) {
    songs_.FreeStreams();
    core_.state.bassready = false;
  }
}

void TForm_main_tamu::setScheduleLabel(const QString& text) {
  Label_sjb->setText(text);
  layoutGridHeader();
}

void TForm_main_tamu::setNextEntryLabel(const QString& text) { Label_jmpname->setText(text); }

void TForm_main_tamu::todayGridShown() {
  // The times are what the operator reads the grid for: their columns hold "00:00:00" whole
  // in the grid's font, as the play mode, volume and channel columns hold theirs.
  const QString time = QStringLiteral("00:00:00");
  DBGrid1->hideColumnOf(QStringLiteral("id"));
  DBGrid1->setColumn(QStringLiteral("pname"), QStringLiteral("节目名称"), 60);
  DBGrid1->setColumn(QStringLiteral("starttime"), QStringLiteral("开始时间"), 60, true, time);
  DBGrid1->setColumn(QStringLiteral("endtime"), QStringLiteral("结束时间"), 60, true, time);
  DBGrid1->setColumn(QStringLiteral("slpath"), QStringLiteral("歌曲/文件夹/歌曲列表/网络电台/文本/外部软件"), 230);
  DBGrid1->setColumn(QStringLiteral("playmode"), QStringLiteral("播放方式"), 58, true, QStringLiteral("顺序循环"));
  DBGrid1->setColumn(QStringLiteral("status"), QStringLiteral("状态"), 36, true, QStringLiteral("待播"));
  DBGrid1->setColumn(QStringLiteral("tlength"), QStringLiteral("时长"), 60, true, time);
  DBGrid1->setColumn(QStringLiteral("ivolume"), QStringLiteral("音量(%)"), 50, true, QStringLiteral("100"));
  DBGrid1->hideColumnOf(QStringLiteral("Schedulen"));
  DBGrid1->hideColumnOf(QStringLiteral("jmlx"));
  DBGrid1->setColumn(QStringLiteral("mainchannel"), QStringLiteral("通道"), 50, core_.state.channelenabled,
                     QStringLiteral("主通道"));
  Label_shu->setText(QStringLiteral("（共") + QString::number(core_.dm().qry_show.recordCount()) + QStringLiteral("条）"));
  layoutGridHeader();
}

void TForm_main_tamu::restoreSongPanelLayout() {
  Label_jmpname->move(0, kJmpnameTop);
  ListBox5->setGeometry(0, kListTop, kPanelWidth, kListHeight);
  Label_tts->hide();
  Memo1->hide();
  SpeedButton2->hide();
}

void TForm_main_tamu::connectSongPanel() {
  MainChannel& m = songs_.main();
  SecondChannel& second = songs_.second();
  connect(&m, &MainChannel::panelChanged, this, &TForm_main_tamu::showMainPanel);
  connect(&m, &MainChannel::listChanged, this, &TForm_main_tamu::showMainList);
  connect(&second, &SecondChannel::lineChanged, this, &TForm_main_tamu::showSecondChannel);
  connect(&second, &SecondChannel::listChanged, this, &TForm_main_tamu::showSecondChannel);
  // What the operator does; what the channels set comes back with the signals blocked.
  connect(ListBox5, &QListWidget::currentRowChanged, this, [this](int row) { songs_.main().selectSong(row); });
  connect(ListBox5, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem*) { ListBox5DblClick(); });
  connect(TrackBar2, &QSlider::valueChanged, this, &TForm_main_tamu::TrackBar2Change);
  connect(FlatTrackBar1, &orvane::controls::TFlatTrackBar::OnChange, this,
          [this](orvane::controls::TFlatTrackBar* bar) { FlatTrackBar1Change(bar->Position()); });
  connect(SpeedButton1, &QToolButton::clicked, this, &TForm_main_tamu::SpeedButton1Click);
  connect(SpeedButton2, &QToolButton::clicked, this, &TForm_main_tamu::SpeedButton2Click);
  Label2->installEventFilter(this);
  Memo1->viewport()->installEventFilter(this);
}

bool TForm_main_tamu::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Label2 && event->type() == QEvent::MouseButtonDblClick) {
    Label2DblClick();
    return true;
  }
  if (watched == Memo1->viewport() && event->type() == QEvent::MouseButtonDblClick) {
    Memo1DblClick();
    return true;  // the spoken word stays selected
  }
  return Form::eventFilter(watched, event);
}

void TForm_main_tamu::ListBox5DblClick() {
  songs_.main().selectSong(ListBox5->currentRow());
  songs_.main().ListBox5DblClick();
}

void TForm_main_tamu::showMainPanel() {
  const MainChannel& m = songs_.main();
  Label_musicname->setText(m.songLine());
  QFont f = Label_musicname->font();
  f.setItalic(m.songLineItalic());
  Label_musicname->setFont(f);
  Label_nowtime2->setText(m.nowText());
  Label_alltime2->setText(m.allText());
  {
    const QSignalBlocker quiet(TrackBar2);
    TrackBar2->setMaximum(int(qMin<qint64>(m.trackMax(), INT_MAX)));
    TrackBar2->setValue(int(qMin<qint64>(m.trackPosition(), INT_MAX)));
  }
  TrackBar2->setVisible(m.trackShown());
  SpeedButton1->setVisible(m.stopButtonShown());
  {
    const QSignalBlocker quiet(FlatTrackBar1);
    FlatTrackBar1->SetPosition(m.sliderPosition());
  }
  FlatTrackBar1->setToolTip(m.sliderHint());
  FlatTrackBar1->setVisible(m.sliderShown());
}

void TForm_main_tamu::showMainList() {
  const MainChannel& m = songs_.main();
  const QSignalBlocker quiet5(ListBox5);
  if (m.songs() != shownMainSongs_) {
    shownMainSongs_ = m.songs();
    ListBox5->clear();
    ListBox5->addItems(m.names());
    ListBox6->clear();
    ListBox6->addItems(shownMainSongs_);
  }
  ListBox5->setCurrentRow(m.selected());
  ListBox6->setCurrentRow(m.selected());
}

void TForm_main_tamu::showSecondChannel() {
  const SecondChannel& second = songs_.second();
  Label2->setText(second.line());
  QFont f = Label2->font();
  f.setItalic(second.lineItalic());
  Label2->setFont(f);
  if (second.songs() != shownSecondSongs_) {
    shownSecondSongs_ = second.songs();
    ListBox_mp2->clear();
    ListBox_mp2->addItems(shownSecondSongs_);
  }
  ListBox_mp2->setCurrentRow(second.selected());
}

void TForm_main_tamu::showTextPanel() {
  if (!core_.state.textshown) {
    restoreSongPanelLayout();
    return;
  }
  Label_tts->setText(texts_.ttsLabel());
  if (Memo1->toPlainText() != texts_.memoText()) Memo1->setPlainText(texts_.memoText());
  Label_jmpname->move(0, kReadingJmpnameTop);
  ListBox5->setGeometry(0, kReadingListTop, kPanelWidth, kReadingListHeight);
  Label_tts->show();
  Memo1->show();
  SpeedButton2->show();
}

void TForm_main_tamu::markWord(int start, int length) {
  QTextCursor c = Memo1->textCursor();
  const int end = Memo1->document()->characterCount() - 1;
  c.setPosition(qBound(0, start, end));
  c.setPosition(qBound(0, start + length, end), QTextCursor::KeepAnchor);
  Memo1->setTextCursor(c);
}

void TForm_main_tamu::showRadioPanel() {
  if (!radioplayer && radio_.exists()) {
    // Where the song list is, over it, while the radio plays.
    radioplayer = named(new QFrame(Panel1), "radioplayer");
    radioplayer->setFrameShape(QFrame::StyledPanel);
    radioplayer->setAutoFillBackground(true);
    radiostatus = named(new QLabel(radioplayer), "radiostatus");
    radiostatus->setGeometry(6, 6, kPanelWidth - 12, kRadioHeight - 12);
    radiostatus->setWordWrap(true);
    radioplayer->hide();
  }
  if (!radioplayer) return;
  radioplayer->setGeometry(ListBox5->x(), ListBox5->y(), ListBox5->width(), kRadioHeight);
  radiostatus->setText(radio_.status());
  radioplayer->setVisible(radio_.shown());
  if (radio_.shown()) radioplayer->raise();
}

bool TForm_main_tamu::WebExists() const { return webradio_->exists(); }

void TForm_main_tamu::ShowWebPage(const QString& address) {
  webradio_->ensure(Panel_web);
  Panel_web->move(ListBox5->x(), ListBox5->y());
  Panel_web->show();
  webradio_->Navigate(address);
}

void TForm_main_tamu::HideWebPage() {
  webradio_->Clear();
  Panel_web->hide();
}

void TForm_main_tamu::BlankWebPage() { webradio_->Clear(); }

void TForm_main_tamu::showClock(const QString& nowtime) { Label_time->setText(nowtime); }

void TForm_main_tamu::newDay(const QDate& day) {
  Label_date->setText(DateLabelText(day));
  // Inside the tick: the first second of the day must not wait for another program's lock.
  core_.today.LoadToday(0);
}

void TForm_main_tamu::ShutdownPC() { powerAction(true); }

void TForm_main_tamu::RebootPC() { powerAction(false); }

void TForm_main_tamu::powerAction(bool shutdown) {
  if (!services_.power) return;
  if (core_.dm().GetSetting(QStringLiteral("shutdownhint")) != QLatin1String("1")) {
    if (shutdown) services_.power->PowerOff();
    else services_.power->Reboot();
    return;
  }
  // One countdown at a time; it is shown without a nested event loop so the clock keeps
  // ticking behind it.
  if (Form_closepc) return;
  auto* countdown = new TForm_closepc(shutdown ? TForm_closepc::Action::Shutdown : TForm_closepc::Action::Reboot,
                                      *services_.power, this);
  countdown->show();
}

bool TForm_main_tamu::PasswordGate() {
  if (!core_.state.authorized) {
    // Over the main window while it shows; from the notification area on its own.
    TForm_mm prompt(core_.dm(), core_.state, [this](bool on) { ShowLogout(on); }, isVisible() ? this : nullptr);
    prompt.ShowModal();
  }
  return core_.state.authorized;
}

void TForm_main_tamu::ShowLogout(bool on) { Label_exit->setVisible(on); }

void TForm_main_tamu::HideToTray() {
  TrayIcon1->SetVisible(true);
  if (TrayIcon1->Shown()) hide();
  else showMinimized();
}

void TForm_main_tamu::N1Click() {
  showNormal();
  raise();
  activateWindow();
}

void TForm_main_tamu::N2Click() { close(); }

void TForm_main_tamu::SetSkinActive(bool on) {
  if (skinSwitch_) skinSwitch_(on);
}

void TForm_main_tamu::ApplyCaption(const QString& caption) {
  setCaption(caption);
  TrayIcon1->SetHint(caption);
}

// ---- commands

void TForm_main_tamu::buildCommands() {
  auto* bar = new QHBoxLayout(ToolBar1);
  bar->setContentsMargins(4, 4, 4, 4);
  bar->setSpacing(2);
  ToolButton5 = makeToolButton(ToolBar1, "ToolButton5", QStringLiteral("节目表编辑"));
  ToolButton1 = makeToolButton(ToolBar1, "ToolButton1", QStringLiteral("设定节目表"));
  ToolButton13 = makeToolButton(ToolBar1, "ToolButton13", QStringLiteral("密码设置"));
  ToolButton14 = makeToolButton(ToolBar1, "ToolButton14", QStringLiteral("其它设置"));
  ToolButton2 = makeToolButton(ToolBar1, "ToolButton2", QStringLiteral("常用乐曲播放"));
  ToolButton4 = makeToolButton(ToolBar1, "ToolButton4", QStringLiteral("语音播报"));
  ToolButton3 = makeToolButton(ToolBar1, "ToolButton3", QStringLiteral("帮助"));
  for (QToolButton* b : {ToolButton5, ToolButton1, ToolButton13, ToolButton14, ToolButton2, ToolButton4, ToolButton3})
    bar->addWidget(b);
  bar->addStretch();
  // The player and the speech studio are enabled when their windows are handed over
  // (setInsertWindows).
  for (QToolButton* b : {ToolButton2, ToolButton4}) b->setEnabled(false);
  connect(ToolButton2, &QToolButton::clicked, this, &TForm_main_tamu::ToolButton2Click);
  connect(ToolButton4, &QToolButton::clicked, this, &TForm_main_tamu::ToolButton4Click);
  connect(ToolButton3, &QToolButton::clicked, this, &TForm_main_tamu::ToolButton3Click);
  connect(ToolButton5, &QToolButton::clicked, this, &TForm_main_tamu::ToolButton5Click);
  connect(ToolButton1, &QToolButton::clicked, this, &TForm_main_tamu::ToolButton1Click);
  connect(ToolButton13, &QToolButton::clicked, this, &TForm_main_tamu::ToolButton13Click);
  connect(ToolButton14, &QToolButton::clicked, this, &TForm_main_tamu::ToolButton14Click);

  PopupMenu2 = named(new QMenu(this), "PopupMenu2");
  N3 = named(PopupMenu2->addAction(QStringLiteral("手动试播此节目(&H) ")), "N3");
  N4 = named(PopupMenu2->addAction(QStringLiteral("停止手动试播(&E)")), "N4");
  N5 = named(PopupMenu2->addSeparator(), "N5");
  N6 = named(PopupMenu2->addAction(QStringLiteral("人工插播音乐(&I)...")), "N6");
  N9 = named(PopupMenu2->addAction(QStringLiteral("人工插播语音(&Y)...")), "N9");
  N7 = named(PopupMenu2->addSeparator(), "N7");
  N8 = named(PopupMenu2->addAction(QStringLiteral("停止自动播音(&P)")), "N8");
  N8->setCheckable(true);
  connect(N3, &QAction::triggered, this, &TForm_main_tamu::N3Click);
  connect(N4, &QAction::triggered, this, &TForm_main_tamu::N4Click);
  connect(N6, &QAction::triggered, this, &TForm_main_tamu::N6Click);
  connect(N9, &QAction::triggered, this, &TForm_main_tamu::N9Click);
  connect(N8, &QAction::triggered, this, &TForm_main_tamu::N8Click);
  DBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(DBGrid1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { PopupMenu2->popup(DBGrid1->viewport()->mapToGlobal(pos)); });
  connect(DBGrid1, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex&) { DBGrid1DblClick(); });

  // Maroon under the mouse, blue otherwise.
  new LabelLink(Label_exit, [this] { Label_exitClick(); }, QColor(128, 0, 0), Qt::blue);
  new LabelLink(Label_time, [this] { Label_timeClick(); });

  Timer_formminimize = named(new QTimer(this), "Timer_formminimize");
  Timer_formminimize->setSingleShot(true);
  Timer_formminimize->setInterval(100);
  connect(Timer_formminimize, &QTimer::timeout, this, &TForm_main_tamu::Timer_formminimizeTimer);
  showPlayState();
}

void TForm_main_tamu::showPlayState() {
  Label_state->setText(commands_.stateLabel());
  const bool on = commands_.insertItemsEnabled();
  N6->setEnabled(on && bool(insertMusic_));
  N9->setEnabled(on && bool(insertSpeech_));
  N8->setEnabled(on);
  N8->setChecked(commands_.stopChecked());
}

void TForm_main_tamu::setInsertWindows(InsertWindowFactory music, InsertWindowFactory speech) {
  insertMusic_ = std::move(music);
  insertSpeech_ = std::move(speech);
  ToolButton2->setEnabled(bool(insertMusic_));
  ToolButton4->setEnabled(bool(insertSpeech_));
  showPlayState();
}

void TForm_main_tamu::ToolButton2Click() {
  if (commands_.RefuseDuringTrial() || !insertMusic_) return;
  // A new player on every click, living on its own (it frees itself when closed).
  if (std::unique_ptr<orvane::Form> player = insertMusic_()) player.release()->show();
}

void TForm_main_tamu::ToolButton4Click() {
  if (commands_.RefuseDuringTrial() || !insertSpeech_) return;
  // The speech tip comes first for as long as the operator has not switched it off.
  if (core_.dm().GetSetting(QStringLiteral("volume2")) == QLatin1String("1")) {
    TForm_testshowtts tip(core_.dm(), this);
    tip.ShowModal();
  }
  std::unique_ptr<orvane::Form> studio = insertSpeech_();
  if (!studio) return;
  studio->setCaption(QStringLiteral("语音播报(手动播报)"));
  studio.release()->show();
}

void TForm_main_tamu::ToolButton5Click() {
  if (commands_.RefuseDuringTrial() || !PasswordGate()) return;
  auto* manager = new TForm_sjbp(core_.dm(), core_.state, services_, core_.clock(), this);
  manager->show();
}

void TForm_main_tamu::ToolButton1Click() {
  if (commands_.RefuseDuringTrial() || !PasswordGate()) return;
  auto* dayMap = new TForm_sjsj(core_.dm(), core_.clock(), this);
  dayMap->show();
}

void TForm_main_tamu::ToolButton13Click() {
  if (commands_.RefuseDuringTrial()) return;
  TForm_mmsj password(core_.dm(), core_.state, [this](bool on) { ShowLogout(on); }, this);
  password.ShowModal();
}

void TForm_main_tamu::ToolButton14Click() {
  if (commands_.RefuseDuringTrial() || !PasswordGate()) return;
  {
    TForm_sysj settings(core_.dm(), *this, services_.autostart, this);
    settings.ShowModal();
  }
  ShowTodayGrid();
}

void TForm_main_tamu::ToolButton3Click() {
  if (commands_.RefuseDuringTrial()) return;
  TAboutFrm about(core_.dm(), services_.shell);
  about.ShowModal();
}

void TForm_main_tamu::DBGrid1DblClick() {
  try {
    const orvane::db::Query& grid = core_.dm().qry_show;
    if (grid.isEmpty()) return;
    // The row double-clicked, read before any prompt can let the grid move.
    const QString kind = grid.fieldAsString(QStringLiteral("jmlx")).trimmed();
    const QString path = grid.fieldAsString(QStringLiteral("slpath"));
    if (kind == QLatin1String("4")) {
      const QString id = grid.fieldAsString(QStringLiteral("id"));
      const QString pname = grid.fieldAsString(QStringLiteral("pname"));
      if (!PasswordGate()) return;
      {
        TForm_showtxt text(core_.dm(), id, pname, this);
        text.ShowModal();
      }
      ShowTodayGrid();
    } else if (kind == QLatin1String("3")) {
      if (!PasswordGate()) return;
      auto* list = new TForm_lb(path, this);
      // Closed is done with: nothing can show it again.
      connect(list, &orvane::Form::formClosed, list, &QObject::deleteLater);
      list->show();
    } else if (kind == QLatin1String("2") || kind == QLatin1String("1") || kind == QLatin1String("7")) {
      if (!services_.shell) {
        qWarning().noquote() << "main window: no desktop shell to show" << path;
        return;
      }
      // A program is shown in its folder, never run from here.
      if (kind == QLatin1String("2")) services_.shell->OpenFolder(path);
      else services_.shell->ShowItem(path);
    }
  } catch (...) {
    qWarning() << "main window: the grid's double-click failed";
  }
}

void TForm_main_tamu::SpeedButton1Click() {
  try {
    songs_.SpeedButton1Click();
  } catch (...) {
    qWarning() << "main window: stopping the songs failed";
  }
}

void TForm_main_tamu::N3Click() { commands_.TrialPlay(); }

void TForm_main_tamu::N4Click() { commands_.EndTrial(); }

void TForm_main_tamu::N6Click() { insert(insertMusic_, QStringLiteral("媒体播放器(人工插播)")); }

void TForm_main_tamu::N9Click() { insert(insertSpeech_, QStringLiteral("语音播报(人工插播)")); }

void TForm_main_tamu::insert(const InsertWindowFactory& make, const QString& caption) {
  if (!make) return;
  commands_.Insert([&make, &caption] {
    std::unique_ptr<orvane::Form> window = make();
    if (!window) return;
    window->setCaption(caption);
    window->ShowModal();
  });
}

void TForm_main_tamu::N8Click() {
  commands_.ToggleStop();
  // The check mark is the commands' own, whatever the item did by itself.
  showPlayState();
}

void TForm_main_tamu::Timer_formminimizeTimer() {
  if (core_.dm().GetSetting(QStringLiteral("runminimize")) == QLatin1String("1") && !core_.state.videoshown)
    HideToTray();
  Timer_formminimize->deleteLater();
  Timer_formminimize = nullptr;
}

void TForm_main_tamu::changeEvent(QEvent* e) {
  Form::changeEvent(e);
  // Minimising goes to the notification area where there is one; without one the window
  // stays minimised (it could not be brought back from a hidden state).
  if (e->type() == QEvent::WindowStateChange && isMinimized())
    QTimer::singleShot(0, this, [this] {
      if (isMinimized() && isVisible()) HideToTray();
    });
}

void TForm_main_tamu::EndOnRequest() {
  if (endRequested_) return;  // a second request while ending
  endRequested_ = true;
  // Every event loop running returns (a box waiting for an answer takes its default) and
  // none starts any more: nothing can hold the end.
  QCoreApplication::exit(0);
  close();
}

void TForm_main_tamu::FormCloseQuery(bool& canClose) {
  if (endRequested_) return;  // canClose stays true
  canClose = false;
  // A second request while the first is being answered (the tray's "退出" behind the
  // question) is dropped: one question, one prompt.
  if (closeAsked_) return;
  closeAsked_ = true;
  const QString pw = core_.dm().GetSetting(QStringLiteral("pw")).trimmed();
  if (pw.isEmpty() || core_.state.authorized) {
    canClose = orvane::MessageBox(QStringLiteral("是否要关闭软件?"), QStringLiteral("提示"),
                                  orvane::mb::YESNO | orvane::mb::ICONQUESTION | orvane::mb::DEFBUTTON2) ==
               orvane::mb::IDYES;
  } else {
    // A password is set and not entered: the prompt instead of the question.
    canClose = PasswordGate();
  }
  closeAsked_ = false;
  // The system asked to end while the question waited (its loop returned without an answer):
  // this close is the end.
  if (endRequested_) canClose = true;
}

void TForm_main_tamu::Label_timeClick() {
  TForm_nettime window(services_.clockControl, this);
  window.ShowModal();
}

void TForm_main_tamu::Label_exitClick() {
  core_.state.authorized = false;
  Label_exit->hide();
}

