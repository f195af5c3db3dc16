// Player window.
#include "audiotools/windows/Unit_player.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDirIterator>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QRandomGenerator>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "audiotools/windows/Unit_findsong.h"
#include "audiotools/windows/Unit_recorder.h"
#include "audiotools/windows/audiotoolscontext.h"
#include "audiotools/windows/jpegimage.h"
#include "controls/flatTrkBar.h"
#include "platform/files/homefolder.h"
#include "platform/files/textfile.h"
#include "platform/media/mediachannel.h"
#include "platform/msgbox/messagebox.h"
#include "platform/system/shell.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/funVolume.h"
#include "scheduler/core/mainstate.h"
#include "scheduler/windows/filepickers.h"
#include "scheduler/windows/namedwidgets.h"

using orvane::controls::TFlatTrackBar;

TForm_player* Form_player = nullptr;
std::function<int(int)> TForm_player::Random = [](int n) { return int(QRandomGenerator::global()->bounded(n)); };

namespace {

const QString kPlaying = QStringLiteral("正在播放：");
const QString kPaused = QStringLiteral("暂停播放：");
const QString kStopped = QStringLiteral("停止播放：");

QToolButton* Button(const char* name, const QString& hint, QStyle::StandardPixmap icon) {
  auto* b = named(new QToolButton, name);
  b->setToolTip(hint);
  b->setIcon(QApplication::style()->standardIcon(icon));
  b->setAutoRaise(true);
  return b;
}

QString PlaylistPath() { return orvane::HomeFolder::file(QStringLiteral("playlist.txt")); }

bool IsSong(const QString& name) {
  const QString ext = QFileInfo(name).suffix().toUpper();
  return ext == QLatin1String("MP3") || ext == QLatin1String("WMA") || ext == QLatin1String("WAV") || ext == QLatin1String("MID");
}

}  // namespace

static void InitPlayerResources() { Q_INIT_RESOURCE(player); }

TForm_player::TForm_player(QWidget* owner) : Form(owner) {
  InitPlayerResources();
  setObjectName(QStringLiteral("Form_player"));
  setCaption(QStringLiteral("媒体播放器(手动播音)"));
  setWindowFlag(Qt::WindowStaysOnTopHint);
  // A window of fixed size with the minimise button and the system menu only.
  setBorderStyle(orvane::bsSingle);
  setBorderIcons(orvane::biSystemMenu | orvane::biMinimize);

  Image2 = named(new QLabel, "Image2");
  QFile pic(QStringLiteral(":/player/player.jpg"));
  if (pic.open(QIODevice::ReadOnly)) Image2->setPixmap(QPixmap::fromImage(DecodeJpeg(pic.readAll())));
  Image2->setContextMenuPolicy(Qt::CustomContextMenu);
  PopupMenu1 = named(new QMenu(this), "PopupMenu1");
  N1 = named(PopupMenu1->addAction(QStringLiteral("打开文件...")), "N1");
  N5 = named(PopupMenu1->addAction(QStringLiteral("搜索歌曲...")), "N5");
  N2 = named(PopupMenu1->addAction(QStringLiteral("常用乐曲文件夹设置")), "N2");
  N2->setVisible(false);
  ss1 = named(PopupMenu1->addAction(QStringLiteral("打开系统录音控制窗口")), "ss1");
  ss1->setVisible(false);  // the old system recording panel has no counterpart: inert
  connect(Image2, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) { PopupMenu1->popup(Image2->mapToGlobal(p)); });

  Label_file0 = named(new QLabel, "Label_file0");
  Label_file = named(new QLabel, "Label_file");
  Label_time2 = named(new QLabel, "Label_time2");
  Label_time1 = named(new QLabel, "Label_time1");
  FlatTrackBar1 = named(new TFlatTrackBar, "FlatTrackBar1");
  FlatTrackBar1->setToolTip(QStringLiteral("播放进度"));
  FlatTrackBar1->SetMax(0);
  FlatTrackBar2 = named(new TFlatTrackBar, "FlatTrackBar2");
  FlatTrackBar2->setToolTip(QStringLiteral("音量调节"));
  FlatTrackBar2->SetMax(1000);
  FlatTrackBar2->SetPosition(1000);

  SpeedButton7 = Button("SpeedButton7", QStringLiteral("播放"), QStyle::SP_MediaPlay);
  SpeedButton8 = Button("SpeedButton8", QStringLiteral("暂停"), QStyle::SP_MediaPause);
  SpeedButton8->setEnabled(false);
  SpeedButton8->hide();
  SpeedButton9 = Button("SpeedButton9", QStringLiteral("停止"), QStyle::SP_MediaStop);
  SpeedButton9->setEnabled(false);
  SpeedButton3 = Button("SpeedButton3", QStringLiteral("上一首"), QStyle::SP_MediaSkipBackward);
  SpeedButton4 = Button("SpeedButton4", QStringLiteral("下一首"), QStyle::SP_MediaSkipForward);
  SpeedButton10 = Button("SpeedButton10", QStringLiteral("打开..."), QStyle::SP_DialogOpenButton);
  SpeedButton1 = Button("SpeedButton1", QStringLiteral("录音机"), QStyle::SP_DriveCDIcon);
  CheckBox2 = named(new QCheckBox(QStringLiteral("顺序播放")), "CheckBox2");
  CheckBox1 = named(new QCheckBox(QStringLiteral("单曲循环")), "CheckBox1");
  CheckBox3 = named(new QCheckBox(QStringLiteral("随机播放")), "CheckBox3");

  ListBox3 = named(new QListWidget, "ListBox3");
  ListBox4 = named(new QListWidget, "ListBox4");
  ListBox4->hide();
  ListBox3->setDragEnabled(true);
  ListBox3->setAcceptDrops(true);
  ListBox3->setDragDropMode(QAbstractItemView::DragDrop);
  ListBox3->setDefaultDropAction(Qt::MoveAction);
  ListBox3->installEventFilter(this);
  ListBox3->viewport()->installEventFilter(this);
  ListBox3->setContextMenuPolicy(Qt::CustomContextMenu);
  PopupMenu2 = named(new QMenu(this), "PopupMenu2");
  N3 = named(PopupMenu2->addAction(QStringLiteral("清除全部")), "N3");
  N4 = named(PopupMenu2->addAction(QStringLiteral("清除一首")), "N4");
  N6 = named(PopupMenu2->addAction(QStringLiteral("打开所在文件夹")), "N6");
  connect(ListBox3, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& p) { PopupMenu2->popup(ListBox3->viewport()->mapToGlobal(p)); });

  auto* layout = new QVBoxLayout(client());
  layout->setContentsMargins(0, 0, 0, 4);
  layout->addWidget(Image2);
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(Label_file0);
  fileRow->addWidget(Label_file, 1);
  layout->addLayout(fileRow);
  auto* timeRow = new QHBoxLayout;
  timeRow->addStretch();
  timeRow->addWidget(Label_time2);
  timeRow->addWidget(Label_time1);
  layout->addLayout(timeRow);
  layout->addWidget(FlatTrackBar1);
  auto* buttons = new QHBoxLayout;
  for (QToolButton* b : {SpeedButton7, SpeedButton8, SpeedButton9, SpeedButton3, SpeedButton4, SpeedButton10, SpeedButton1})
    buttons->addWidget(b);
  buttons->addWidget(FlatTrackBar2, 1);
  layout->addLayout(buttons);
  auto* modes = new QHBoxLayout;
  for (QCheckBox* c : {CheckBox2, CheckBox1, CheckBox3}) modes->addWidget(c);
  layout->addLayout(modes);
  layout->addWidget(ListBox3, 1);
  layout->addWidget(ListBox4);
  setClientSize(306, 502);
  move(screen()->availableGeometry().center() - rect().center());

  auto& tools = AudioTools();
  if (tools.media) {
    MediaPlayer1 = tools.media->createChannel(orvane::ChannelKind::MediaPlayer);
    playerstream = tools.media->createChannel(orvane::ChannelKind::Stream);
  }
  if (MediaPlayer1) connect(MediaPlayer1.get(), &orvane::MediaChannel::endOfMedia, this, &TForm_player::MediaPlayer1Notify);
  // The stream's end is also polled each second; its signal only makes the next song prompt.
  if (playerstream) connect(playerstream.get(), &orvane::MediaChannel::endOfMedia, this, &TForm_player::Timer_bassprocessTimer);

  Timer1.setInterval(1000);
  Timer_bassprocess.setInterval(1000);
  connect(&Timer1, &QTimer::timeout, this, &TForm_player::Timer1Timer);
  connect(&Timer_bassprocess, &QTimer::timeout, this, &TForm_player::Timer_bassprocessTimer);
  connect(SpeedButton7, &QToolButton::clicked, this, &TForm_player::SpeedButton7Click);
  connect(SpeedButton8, &QToolButton::clicked, this, &TForm_player::SpeedButton8Click);
  connect(SpeedButton9, &QToolButton::clicked, this, &TForm_player::SpeedButton9Click);
  connect(SpeedButton10, &QToolButton::clicked, this, &TForm_player::SpeedButton10Click);
  connect(SpeedButton3, &QToolButton::clicked, this, &TForm_player::SpeedButton3Click);
  connect(SpeedButton4, &QToolButton::clicked, this, &TForm_player::SpeedButton4Click);
  connect(SpeedButton1, &QToolButton::clicked, this, &TForm_player::SpeedButton1Click);
  connect(ListBox3, &QListWidget::itemDoubleClicked, this, [this] { SpeedButton7Click(); });
  for (QCheckBox* c : {CheckBox2, CheckBox1, CheckBox3})
    connect(c, &QCheckBox::clicked, this, [this, c] { ModeClicked(c); });
  connect(FlatTrackBar1, &TFlatTrackBar::OnChange, this, [this] { FlatTrackBar1Change(); });
  connect(FlatTrackBar1, &TFlatTrackBar::OnMouseUp, this,
          [this](TFlatTrackBar*, Qt::MouseButton, Qt::KeyboardModifiers, int x, int) { FlatTrackBar1MouseUp(x); });
  connect(FlatTrackBar2, &TFlatTrackBar::OnChange, this, [this] { FlatTrackBar2Change(); });
  connect(N1, &QAction::triggered, this, &TForm_player::SpeedButton10Click);
  connect(N5, &QAction::triggered, this, &TForm_player::N5Click);
  connect(N2, &QAction::triggered, this, &TForm_player::N2Click);
  connect(N3, &QAction::triggered, this, &TForm_player::N3Click);
  connect(N4, &QAction::triggered, this, &TForm_player::N4Click);
  connect(N6, &QAction::triggered, this, &TForm_player::N6Click);

  // The playlist: blank lines skipped, each line kept as read.
  if (QFileInfo::exists(PlaylistPath())) {
    bool ok = false;
    const QStringList lines = orvane::readTextLines(PlaylistPath(), &ok);
    if (!ok) {
      // Kept as it is: a list that could not be read is never written over.
      listReadFailed_ = true;
      orvane::MessageBox(QStringLiteral("无法读取播放列表:") + PlaylistPath(), QStringLiteral("错误"), orvane::mb::ICONHAND);
    }
    for (const QString& line : lines)
      if (!line.trimmed().isEmpty()) InsertSong(-1, line);
  }
  listChanged_ = false;
  Form_player = this;
}

TForm_player::~TForm_player() {
  if (Form_player == this) Form_player = nullptr;
}

TForm_player* TForm_player::Open() {
  if (!Form_player) {
    auto* p = new TForm_player;
    Form_player = p;
  }
  Form_player->show();
  Form_player->raise();
  return Form_player;
}

QString TForm_player::FormatPlayTime(qint64 ms) {
  const qint64 s = ms / 1000;
  auto two = [](qint64 v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
  if (s >= 3600) return QString::number(s / 3600) + QLatin1Char(':') + two(s / 60 % 60) + QLatin1Char(':') + two(s % 60);
  return QString::number(s / 60) + QLatin1Char(':') + two(s % 60);
}

QString TForm_player::GetSongTitle(const QString& path) {
  const int cut = int(std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\'))));
  QString name = path.mid(cut + 1);
  const int dot = int(name.lastIndexOf(QLatin1Char('.')));
  if (dot > 0) name.truncate(dot);
  return name;
}

QString TForm_player::ReadSetting(const QString& key) {
  return AudioTools().dm ? AudioTools().dm->GetSetting(key) : QString();
}

void TForm_player::InsertSong(int row, const QString& path, const QString& title) {
  if (row < 0 || row > ListBox4->count()) row = ListBox4->count();
  ListBox4->insertItem(row, path);
  ListBox3->insertItem(row, title.isNull() ? GetSongTitle(path) : title);
  listChanged_ = true;
}

void TForm_player::AddSong(const QString& title, const QString& path) { InsertSong(-1, path, title); }

PlaylistTarget* TForm_player::SongTarget() { return Form_player ? Form_player : Open(); }

void TForm_player::RemoveSong(int row) {
  if (row < 0 || row >= ListBox4->count()) return;
  delete ListBox4->takeItem(row);
  delete ListBox3->takeItem(row);
  listChanged_ = true;
}

void TForm_player::MoveSong(int from, int to) {
  const int n = ListBox4->count();
  if (from < 0 || from >= n || to < 0 || to >= n || from == to) return;
  ListBox4->insertItem(to, ListBox4->takeItem(from));
  ListBox3->insertItem(to, ListBox3->takeItem(from));
  listChanged_ = true;
}

QString TForm_player::SongPath(int row) const {
  return row >= 0 && row < ListBox4->count() ? ListBox4->item(row)->text() : QString();
}

void TForm_player::AddFolderSongs(const QString& folder, int recursive) {
  struct Song { QString title, path; };
  std::vector<Song> songs;
  // Links to folders are not followed, so a folder that contains itself ends.
  QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                  recursive == 1 ? QDirIterator::Subdirectories : QDirIterator::NoIteratorFlags);
  while (it.hasNext()) {
    const QString path = it.next();
    if (it.fileName().startsWith(QLatin1Char('.')) || path.contains(QLatin1String("/.")) || !IsSong(it.fileName())) continue;
    songs.push_back({GetSongTitle(path), path});
  }
  for (const Song& s : songs) InsertSong(-1, s.path);
  // Sorted by title, both lists together (each sorted on its own would part titles from paths).
  std::vector<Song> all;
  for (int i = 0; i < ListBox4->count(); ++i) all.push_back({ListBox3->item(i)->text(), ListBox4->item(i)->text()});
  std::stable_sort(all.begin(), all.end(), [](const Song& a, const Song& b) { return a.title < b.title; });
  for (int i = 0; i < int(all.size()); ++i) {
    ListBox3->item(i)->setText(all[size_t(i)].title);
    ListBox4->item(i)->setText(all[size_t(i)].path);
  }
}

void TForm_player::ShowPlaying(const QString& path, qint64 lengthMs, bool italic) {
  SpeedButton7->hide();
  SpeedButton8->show();
  Label_file0->setText(kPlaying);
  Label_file->setText(QFileInfo(path).fileName());
  QFont f = Label_file->font();
  f.setItalic(italic);
  Label_file->setFont(f);
  Label_time1->setText(QStringLiteral("/ ") + FormatPlayTime(lengthMs));
  FlatTrackBar1->SetMax(int(std::min<qint64>(lengthMs, INT_MAX)));
  SpeedButton8->setEnabled(true);
  SpeedButton9->setEnabled(true);
}

int TForm_player::PlayFile(const QString& path) {
  Timer_bassprocess.stop();
  Timer1.stop();
  if (playerstream) playerstream->stop();
  if (MediaPlayer1 && MediaPlayer1->isOpen()) {
    notify_ = false;
    MediaPlayer1->stop();
    MediaPlayer1->close();
  }
  if (MediaPlayer1 && MediaPlayer1->open(path)) {
    SetMediaPlayerVolume(MediaPlayer1.get(), FlatTrackBar2->Position());
    notify_ = true;
    MediaPlayer1->play();
    ShowPlaying(path, MediaPlayer1->lengthMs(), false);
    Timer1.start();
    return 1;
  }
  if (!AudioTools().state || !AudioTools().state->usebass || !playerstream ||
      QFileInfo(path).suffix().toUpper() != QLatin1String("MP3")) {
    ShowPlayFailed();
    return 0;
  }
  playerstream->close();
  if (!playerstream->open(path)) {
    ShowPlayFailed();
    return 0;
  }
  streamMade_ = true;
  playerstream->setVolume(FlatTrackBar2->Position());
  playerstream->play();
  ShowPlaying(path, playerstream->lengthMs() / 1000 * 1000, true);
  Timer_bassprocess.start();
  return 2;
}

void TForm_player::PlayNext() {
  const int n = ListBox3->count();
  // Each call tries the list at most once over, so unplayable files never spin for ever.
  const int tries = CheckBox2->isChecked() || CheckBox3->isChecked() ? n : 1;
  for (int attempt = 0; attempt < tries; ++attempt) {
    int row = ListBox3->currentRow();
    if (CheckBox2->isChecked()) {
      if (row >= n - 1) {
        Label_file0->setText(kStopped);
        return;
      }
      ++row;
    } else if (CheckBox3->isChecked()) {
      row = Random(n);
      if (!QFileInfo::exists(SongPath(row))) row = Random(n);
    } else if (CheckBox1->isChecked()) {
      if (!QFileInfo::exists(SongPath(row))) {
        Label_file->setText(QStringLiteral("您选择的歌曲不存在"));
        return;
      }
    }
    if (row < 0 || row >= n) break;
    ListBox3->setCurrentRow(row);
    if (PlayFile(SongPath(row)) != 0) return;
  }
  Label_file0->setText(kStopped);
}

void TForm_player::SpeedButton7Click() {
  if (MediaPlayer1 && MediaPlayer1->mode() == orvane::MediaMode::Paused) {
    MediaPlayer1->play();
    SpeedButton7->hide();
    SpeedButton8->show();
    SpeedButton8->setEnabled(true);
    SpeedButton9->setEnabled(true);
    Label_file0->setText(kPlaying);
    Timer1.start();
    return;
  }
  if (playerstream && playerstream->mode() == orvane::MediaMode::Paused) {
    playerstream->play();
    SpeedButton7->hide();
    SpeedButton8->show();
    SpeedButton8->setEnabled(true);
    SpeedButton9->setEnabled(true);
    Label_file0->setText(kPlaying);
    Timer_bassprocess.start();
    return;
  }
  if (ListBox3->count() == 0) return;
  if (ListBox3->currentRow() < 0) ListBox3->setCurrentRow(0);
  const QString path = SongPath(ListBox3->currentRow());
  if (QFileInfo(path).isFile()) {
    if (PlayFile(path) == 0)
      orvane::MessageBox(QStringLiteral("您选择的歌曲不能播放，请确认您的机子是否安装了相关解码器。"), QStringLiteral("出错"),
                         orvane::mb::ICONHAND);
  } else {
    orvane::MessageBox(QStringLiteral("您选择的歌曲不存在，请检查歌曲的路径和文件名是否正确。"), QStringLiteral("提示"), orvane::mb::OK);
  }
}

void TForm_player::SpeedButton8Click() {
  if (MediaPlayer1 && MediaPlayer1->isPlaying()) MediaPlayer1->pause();
  if (playerstream && playerstream->isPlaying()) playerstream->pause();
  SpeedButton7->show();
  SpeedButton8->hide();
  Label_file0->setText(kPaused);
}

void TForm_player::ShowStopped() {
  SpeedButton7->show();
  SpeedButton8->hide();
  SpeedButton9->setEnabled(false);
}

void TForm_player::ShowPlayFailed() {
  ShowStopped();
  FlatTrackBar1->SetPosition(FlatTrackBar1->Min());
  Label_time1->clear();
  Label_time2->clear();
  QFont f = Label_file->font();
  f.setItalic(false);
  Label_file->setFont(f);
  Label_file0->setText(kStopped);
}

void TForm_player::SpeedButton9Click() {
  Timer1.stop();
  Timer_bassprocess.stop();
  if (playerstream) playerstream->stop();
  FlatTrackBar1->SetPosition(FlatTrackBar1->Min());
  if (MediaPlayer1 && MediaPlayer1->isOpen()) {
    notify_ = false;
    MediaPlayer1->stop();
    MediaPlayer1->close();
  }
  ShowStopped();
  ListBox3->setCurrentRow(-1);
  Label_time1->clear();
  Label_time2->clear();
  Label_file0->setText(kStopped);
}

void TForm_player::SpeedButton10Click() {
  OpenFiles(PickOpenFiles(this, QString(),
                          QStringLiteral("音频文件(*.mp3;*.wma;*.wav;*.mid) (*.mp3 *.wma *.wav *.mid *.MP3 *.WMA *.WAV *.MID);;"
                                         "视频文件(*.mpg;*.wmv;*.dat;*.avi;*.asf) (*.mpg *.wmv *.dat *.avi *.asf);;"
                                         "所有文件(*.*) (*)")));
}

void TForm_player::OpenFiles(const QStringList& files) {
  if (files.isEmpty()) return;
  const int first = ListBox3->count();
  for (const QString& f : files) InsertSong(-1, f);
  ListBox3->setCurrentRow(first);
  SpeedButton7Click();
}

void TForm_player::SpeedButton3Click() {
  if (ListBox3->currentRow() > 0) {
    ListBox3->setCurrentRow(ListBox3->currentRow() - 1);
    SpeedButton7Click();
  }
}

void TForm_player::SpeedButton4Click() {
  if (ListBox3->currentRow() < ListBox3->count() - 1) {
    ListBox3->setCurrentRow(ListBox3->currentRow() + 1);
    SpeedButton7Click();
  }
}

void TForm_player::SpeedButton1Click() {
  auto* recorder = new TForm_recorder(this);
  recorder->show();
}

void TForm_player::ModeClicked(QCheckBox* box) {
  if (!box->isChecked()) return;
  for (QCheckBox* c : {CheckBox2, CheckBox1, CheckBox3})
    if (c != box) c->setChecked(false);
}

void TForm_player::Timer1Timer() {
  if (!MediaPlayer1) return;
  if (MediaPlayer1->isPlaying()) {
    FlatTrackBar1->SetPosition(int(MediaPlayer1->positionMs()));
    Label_time2->setText(FormatPlayTime(MediaPlayer1->positionMs()));
  } else if (MediaPlayer1->mode() != orvane::MediaMode::Paused && !Label_file->text().isEmpty()) {
    Timer1.stop();
    Label_file0->setText(kStopped);
    Label_time2->setText(FormatPlayTime(FlatTrackBar1->Position()));
    ShowStopped();
  }
}

void TForm_player::MediaPlayer1Notify() {
  if (ListBox3->count() > 0 && (CheckBox1->isChecked() || CheckBox2->isChecked() || CheckBox3->isChecked()) && notify_)
    PlayNext();
}

void TForm_player::Timer_bassprocessTimer() {
  if (!playerstream || !Timer_bassprocess.isActive()) return;
  if (playerstream->isPlaying()) {
    FlatTrackBar1->SetPosition(int(playerstream->positionMs() / 1000 * 1000));
    Label_time2->setText(FormatPlayTime(FlatTrackBar1->Position()));
  } else if (playerstream->mode() != orvane::MediaMode::Paused && !Label_file->text().isEmpty()) {
    Timer_bassprocess.stop();
    Label_file0->setText(kStopped);
    Label_time2->setText(FormatPlayTime(FlatTrackBar1->Position()));
    ShowStopped();
    QFont f = Label_file->font();
    f.setItalic(false);
    Label_file->setFont(f);
    PlayNext();
  }
}

void TForm_player::FlatTrackBar1Change() {
  // The timer moves the slider by about a second; only a move of more than 10 s is the
  // operator's, and seeks.
  if (MediaPlayer1 && MediaPlayer1->isPlaying() && std::abs(MediaPlayer1->positionMs() - FlatTrackBar1->Position()) > 10000) {
    MediaPlayer1->seek(FlatTrackBar1->Position());
    MediaPlayer1->play();
  }
}

void TForm_player::FlatTrackBar1MouseUp(int x) {
  if (FlatTrackBar1->width() > 0) FlatTrackBar1->SetPosition(int(qint64(FlatTrackBar1->Max()) * x / FlatTrackBar1->width()));
  FlatTrackBar1Change();
}

void TForm_player::FlatTrackBar2Change() {
  const int v = FlatTrackBar2->Position();
  if (MediaPlayer1 && MediaPlayer1->isOpen()) {
    SetMediaPlayerVolume(MediaPlayer1.get(), v);
    FlatTrackBar2->setToolTip(QStringLiteral("音量调节(") + QString::number(int(std::nearbyint(v / 10.0))) + QStringLiteral("%)"));
  }
  if (streamMade_ && playerstream) playerstream->setVolume(v);
}

void TForm_player::N2Click() {
  const QString folder = PickFolder(this, QStringLiteral("请选择文件夹"));
  if (folder.isEmpty()) return;
  if (AudioTools().dm) AudioTools().dm->SetSetting(QStringLiteral("fpath"), folder);
  const QString stored = ReadSetting(QStringLiteral("fpath"));
  N3Click();
  AddFolderSongs(stored.isEmpty() ? folder : stored, 0);
}

void TForm_player::N3Click() {
  ListBox3->clear();
  ListBox4->clear();
  listChanged_ = true;
}

void TForm_player::N5Click() {
  // The finder keeps no player: it asks at each click, so a player closed meanwhile is never
  // written to and the next one is opened instead. Our lists are never kept sorted, so its
  // songs stay where they were appended.
  OpenSongFinder(&TForm_player::SongTarget, AudioTools().shell);
}

void TForm_player::N4Click() { RemoveSong(ListBox3->currentRow()); }

void TForm_player::N6Click() {
  const int row = ListBox3->currentRow();
  if (ListBox3->count() > 0 && row >= 0 && AudioTools().shell) AudioTools().shell->ShowItem(SongPath(row));
}

void TForm_player::ListBox3DragDrop(int from, const QPoint& pos) {
  const QModelIndex at = ListBox3->indexAt(pos);
  const int to = at.isValid() ? at.row() : ListBox3->count() - 1;
  MoveSong(from, to);
  ListBox3->setCurrentRow(to);
}

bool TForm_player::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ListBox3->viewport()) {
    switch (event->type()) {
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        auto* e = static_cast<QDropEvent*>(event);
        if (e->source() == ListBox3) {
          dragRow_ = ListBox3->currentRow();
          e->setDropAction(Qt::MoveAction);
          e->accept();
        } else {
          e->ignore();  // only the list's own entries are moved here
        }
        return true;
      }
      case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(event);
        if (e->source() == ListBox3) ListBox3DragDrop(ListBox3->currentRow(), e->position().toPoint());
        e->setDropAction(Qt::IgnoreAction);  // the list must not move the item a second time
        e->accept();
        return true;
      }
      default:
        break;
    }
  } else if (watched == ListBox3 && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    const int row = ListBox3->currentRow();
    // The entry moves; the list's own key handling then moves the selection with it.
    if (key == Qt::Key_Up && row > 0) MoveSong(row, row - 1), ListBox3->setCurrentRow(row);
    if (key == Qt::Key_Down && row >= 0 && row < ListBox3->count() - 1) MoveSong(row, row + 1), ListBox3->setCurrentRow(row);
  }
  return Form::eventFilter(watched, event);
}

void TForm_player::SavePlaylist() {
  if (!listChanged_ || listReadFailed_) return;
  QStringList lines;
  for (int i = 0; i < ListBox4->count(); ++i) lines << ListBox4->item(i)->text();
  orvane::HomeFolder::ensure();
  if (!orvane::writeTextLines(PlaylistPath(), lines))
    qWarning("Player: the playlist cannot be written to %s", qPrintable(PlaylistPath()));
  listChanged_ = false;
}

void TForm_player::FormClose(CloseAction& action) {
  SavePlaylist();
  Timer1.stop();
  Timer_bassprocess.stop();
  if (playerstream) playerstream->stop();
  if (MediaPlayer1 && MediaPlayer1->isOpen()) {
    notify_ = false;
    MediaPlayer1->close();
  }
  if (Form_player == this) Form_player = nullptr;
  action = CloseAction::Free;
}
