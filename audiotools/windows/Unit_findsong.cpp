// Song finder window.
#include "audiotools/windows/Unit_findsong.h"

#include <QCheckBox>
#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>

#include "platform/msgbox/messagebox.h"
#include "platform/system/shell.h"

TForm_findsong* Form_findsong = nullptr;

namespace {

constexpr int kBytesRole = Qt::UserRole;

template <typename W>
W* named(W* w, const char* name) {
  w->setObjectName(QLatin1String(name));
  return w;
}

QString DateTimeText(TDateTime v) {
  const QDate date = QDate(1899, 12, 30).addDays(v / kMsPerDay);
  const QTime time = QTime::fromMSecsSinceStartOfDay(static_cast<int>(v % kMsPerDay));
  return date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') + time.toString(QStringLiteral("HH:mm:ss"));
}

// A found file's row: the size column sorts by bytes, the others as text ignoring case.
class FoundItem : public QTreeWidgetItem {
 public:
  using QTreeWidgetItem::QTreeWidgetItem;
  bool operator<(const QTreeWidgetItem& other) const override {
    const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
    if (column == 2) return data(2, kBytesRole).toLongLong() < other.data(2, kBytesRole).toLongLong();
    return text(column).compare(other.text(column), Qt::CaseInsensitive) < 0;
  }
};

}  // namespace

TForm_findsong::TForm_findsong(PlaylistProvider provider, orvane::Shell* shell, QWidget* owner)
    : Form(owner), provider_(std::move(provider)), shell_(shell) {
  setObjectName(QStringLiteral("Form_findsong"));
  setCaption(QStringLiteral("搜索歌曲"));
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  setClientSize(536, 431);
  if (!shell_) shell_ = new orvane::DesktopShell(QDBusConnection::sessionBus(), {}, this);
  QWidget* c = client();

  Label1 = named(new QLabel(QStringLiteral("歌名:"), c), "Label1");
  Label1->setGeometry(8, 12, 76, 18);
  Filename = named(new QLineEdit(c), "Filename");
  Filename->setGeometry(86, 8, 244, 22);
  Label2 = named(new QLabel(QStringLiteral("搜索范围："), c), "Label2");
  Label2->setGeometry(8, 40, 76, 18);
  Location = named(new QLineEdit(QDir::homePath() + QStringLiteral(";/media;/mnt"), c), "Location");
  Location->setGeometry(86, 36, 244, 22);
  BrowseButton = named(new QPushButton(QStringLiteral("浏览..."), c), "BrowseButton");
  BrowseButton->setGeometry(336, 35, 80, 24);
  Subfolders = named(new QCheckBox(QStringLiteral("包括子文件夹"), c), "Subfolders");
  Subfolders->setGeometry(86, 64, 116, 20);
  Subfolders->setChecked(true);
  type1 = named(new QCheckBox(QStringLiteral("MP3"), c), "type1");
  type1->setGeometry(206, 64, 62, 20);
  type1->setChecked(true);
  type2 = named(new QCheckBox(QStringLiteral("WMA"), c), "type2");
  type2->setGeometry(270, 64, 64, 20);
  type2->setChecked(true);
  Threaded = named(new QCheckBox(c), "Threaded");
  Threaded->setChecked(true);
  Threaded->setVisible(false);
  FindButton = named(new QPushButton(QStringLiteral("搜索"), c), "FindButton");
  FindButton->setGeometry(440, 8, 88, 26);
  FindButton->setDefault(true);
  StopButton = named(new QPushButton(QStringLiteral("停止"), c), "StopButton");
  StopButton->setGeometry(440, 40, 88, 26);
  StopButton->setEnabled(false);
  // Indeterminate: it moves while the search runs and is hidden otherwise.
  Animate = named(new QProgressBar(c), "Animate");
  Animate->setGeometry(340, 68, 188, 14);
  Animate->setRange(0, 0);
  Animate->setTextVisible(false);
  Animate->setVisible(false);

  FoundFiles = named(new QTreeWidget(c), "FoundFiles");
  FoundFiles->setGeometry(8, 92, 520, 314);
  FoundFiles->setHeaderLabels({QStringLiteral("文件名"), QStringLiteral("路径"), QStringLiteral("大小"), QStringLiteral("修改时间")});
  FoundFiles->setRootIsDecorated(false);
  FoundFiles->setUniformRowHeights(true);
  FoundFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
  FoundFiles->setSelectionMode(QAbstractItemView::SingleSelection);
  FoundFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
  FoundFiles->setColumnWidth(0, 150);
  FoundFiles->setColumnWidth(1, 190);
  FoundFiles->setColumnWidth(2, 60);
  FoundFiles->header()->setSectionsClickable(true);
  FoundFiles->setContextMenuPolicy(Qt::CustomContextMenu);

  StatusBar = named(new QStatusBar(c), "StatusBar");
  StatusBar->setGeometry(0, 409, 536, 22);
  StatusBar->setSizeGripEnabled(false);

  PopupMenu1 = named(new QMenu(this), "PopupMenu1");
  N1 = named(PopupMenu1->addAction(QStringLiteral("添加到播放列表")), "N1");
  N2 = named(PopupMenu1->addAction(QStringLiteral("打开文件")), "N2");
  N3 = named(PopupMenu1->addAction(QStringLiteral("打开所在文件夹")), "N3");

  FindFile = new TFindFile;
  FindFile->setObjectName(QStringLiteral("FindFile"));
  FindFile->OnSearchBegin = [this](TFindFile*) { FindFileSearchBegin(); };
  FindFile->OnSearchFinish = [this](TFindFile*) { FindFileSearchFinish(); };
  // These two run on the search's worker: they only fill the batch the window drains.
  FindFile->OnFolderChange = [this](TFindFile*, const QString& folder, TFolderIgnore&) {
    const std::lock_guard lock(batchMutex_);
    ++folders_;
    lastFolder_ = folder;
    folderChanged_ = true;
  };
  FindFile->OnFileMatch = [this](TFindFile*, const QString& folder, const TFileInfo& info) {
    const Found f{info.Name, folder, info.Size, (info.Attributes & fa::Directory) != 0, info.LastWriteTime};
    const std::lock_guard lock(batchMutex_);
    batch_.push_back(f);
  };
  drainTimer_ = new QTimer(this);
  drainTimer_->setInterval(50);
  connect(drainTimer_, &QTimer::timeout, this, &TForm_findsong::drain);

  connect(FindButton, &QPushButton::clicked, this, &TForm_findsong::FindButtonClick);
  connect(StopButton, &QPushButton::clicked, this, &TForm_findsong::StopButtonClick);
  connect(BrowseButton, &QPushButton::clicked, this, &TForm_findsong::BrowseButtonClick);
  connect(FoundFiles->header(), &QHeaderView::sectionClicked, this, &TForm_findsong::FoundFilesColumnClick);
  connect(N1, &QAction::triggered, this, &TForm_findsong::N1Click);
  connect(N2, &QAction::triggered, this, &TForm_findsong::N2Click);
  connect(N3, &QAction::triggered, this, &TForm_findsong::N3Click);
  connect(FoundFiles, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    if (FoundFiles->itemAt(pos) && !selectedPath().isEmpty()) PopupMenu1->popup(FoundFiles->viewport()->mapToGlobal(pos));
  });

  if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
}

TForm_findsong::~TForm_findsong() {
  // The component goes first: it stops the worker before the batch it fills is gone.
  delete FindFile;
  if (Form_findsong == this) Form_findsong = nullptr;
}

QStringList TForm_findsong::Masks() const {
  const QString n = QLatin1Char('*') + Filename->text() + QLatin1Char('*');
  QStringList masks;
  if (type1->isChecked()) masks << n + QStringLiteral(".mp3");
  if (type2->isChecked()) masks << n + QStringLiteral(".wma");
  if (masks.isEmpty()) masks << n;
  return masks;
}

QString TForm_findsong::SizeText(qint64 bytes, bool folder) {
  return folder ? QStringLiteral("Folder") : QString::number((bytes + 1023) / 1024) + QStringLiteral("KB");
}

void TForm_findsong::FindButtonClick() {
  if (FindFile->Busy()) return;
  // Always on the worker: the window never waits for the disks.
  FindFile->Threaded = true;
  TFileCriteria& files = FindFile->Criteria.Files;
  files.FileName.clear();
  files.FileMasks = Masks();
  files.Location = Location->text();
  files.Subfolders = Subfolders->isChecked();
  FindFile->Execute();
}

void TForm_findsong::FindFileSearchBegin() {
  sortColumn_ = -1;
  FoundFiles->header()->setSortIndicatorShown(false);
  FoundFiles->clear();
  FindButton->setEnabled(false);
  Threaded->setEnabled(false);
  StopButton->setEnabled(true);
  Animate->setVisible(true);
  {
    const std::lock_guard lock(batchMutex_);
    batch_.clear();
    folders_ = 0;
    folderChanged_ = false;
  }
  started_.start();
  statusShown_.invalidate();
  drainTimer_->start();
}

void TForm_findsong::drain() {
  std::vector<Found> rows;
  QString folder;
  {
    const std::lock_guard lock(batchMutex_);
    rows.swap(batch_);
    // The folder line changes at most ten times a second.
    if (folderChanged_ && (!statusShown_.isValid() || statusShown_.elapsed() >= 100)) {
      folder = lastFolder_;
      folderChanged_ = false;
    }
  }
  if (!folder.isEmpty() && !FindFile->Aborted()) {
    StatusBar->showMessage(folder);
    statusShown_.start();
  }
  if (rows.empty()) return;
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(rows.size()));
  for (const Found& f : rows) {
    auto* item = new FoundItem({f.name, f.folder, SizeText(f.size, f.folderEntry), DateTimeText(LocalDateTime(f.modified))});
    item->setData(2, kBytesRole, f.folderEntry ? qint64(-1) : f.size);
    items << item;
  }
  FoundFiles->addTopLevelItems(items);
}

void TForm_findsong::FindFileSearchFinish() {
  drainTimer_->stop();
  drain();
  const double seconds = static_cast<double>(started_.nsecsElapsed()) / 1e9;
  int folders;
  {
    const std::lock_guard lock(batchMutex_);
    folders = folders_;
  }
  QString status = QStringLiteral("搜索 %1 个文件夹并找到 %2 个文件 -- 用时 %3 秒")
                       .arg(folders)
                       .arg(FoundFiles->topLevelItemCount())
                       .arg(seconds, 0, 'f', 3);
  if (FindFile->Aborted()) status.prepend(QStringLiteral("取消搜索 - "));
  StatusBar->showMessage(status);
  Animate->setVisible(false);
  Threaded->setEnabled(true);
  FindButton->setEnabled(true);
  StopButton->setEnabled(false);
}

void TForm_findsong::StopButtonClick() {
  if (!FindFile->Busy()) return;
  StatusBar->showMessage(QStringLiteral("正在取消搜索, 请稍等..."));
  StatusBar->repaint();
  FindFile->Abort();
}

void TForm_findsong::BrowseButtonClick() {
  const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("请选择文件夹:"), QString(),
                                                           QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  if (!folder.isEmpty()) Location->setText(folder);
}

void TForm_findsong::FoundFilesColumnClick(int column) {
  if (FindFile->Busy()) {
    orvane::MessageBox(QStringLiteral("搜索正在进行时,不能对文件排序."), QStringLiteral("提示"),
                       orvane::mb::ICONEXCLAMATION);
    return;
  }
  if (column == sortColumn_) {
    sortOrder_ = sortOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
  } else {
    sortColumn_ = column;
    sortOrder_ = Qt::AscendingOrder;
  }
  FoundFiles->sortItems(sortColumn_, sortOrder_);
  FoundFiles->header()->setSortIndicator(sortColumn_, sortOrder_);
  FoundFiles->header()->setSortIndicatorShown(true);
}

QString TForm_findsong::selectedPath(QTreeWidgetItem** out) const {
  const QList<QTreeWidgetItem*> selected = FoundFiles->selectedItems();
  if (selected.isEmpty()) return {};
  if (out) *out = selected.first();
  return selected.first()->text(1) + selected.first()->text(0);
}

void TForm_findsong::N1Click() {
  QTreeWidgetItem* item = nullptr;
  const QString path = selectedPath(&item);
  if (path.isEmpty()) return;
  // Asked at each click: the player may have been closed or opened since.
  PlaylistTarget* player = provider_ ? provider_() : nullptr;
  if (!player) {
    qWarning() << "song finder: no player to add" << path << "to";
    return;
  }
  player->AddSong(item->text(0), path);
}

void TForm_findsong::N2Click() {
  const QString path = selectedPath();
  if (!path.isEmpty()) shell_->OpenFile(path);
}

void TForm_findsong::N3Click() {
  const QString path = selectedPath();
  if (!path.isEmpty()) shell_->ShowItem(path);
}

void TForm_findsong::keyPressEvent(QKeyEvent* e) {
  // The search button answers Enter and the stop button Escape, as a dialog's default and
  // cancel buttons do.
  if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && FindButton->isEnabled()) {
    FindButtonClick();
    return;
  }
  if (e->key() == Qt::Key_Escape && StopButton->isEnabled()) {
    StopButtonClick();
    return;
  }
  Form::keyPressEvent(e);
}

void TForm_findsong::FormClose(CloseAction& action) {
  FindFile->Abort();
  action = CloseAction::Free;
}

TForm_findsong* OpenSongFinder(PlaylistProvider provider, orvane::Shell* shell) {
  auto* form = new TForm_findsong(std::move(provider), shell);
  Form_findsong = form;
  form->show();
  return form;
}
