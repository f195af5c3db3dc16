// Schedule manager window.
#include "scheduler/windows/Unit_sjbp.h"

#include <QAction>
#include <QComboBox>
#include <QDebug>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/forms/dbgrid.h"
#include "platform/msgbox/messagebox.h"
#include "scheduler/core/backuprestore.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/mainstate.h"
#include "scheduler/core/schedulebackup.h"
#include "scheduler/windows/Unit_main_tamu.h"
#include "scheduler/windows/Unit_sjbp_add.h"
#include "scheduler/windows/Unit_sjbp_addmuch.h"
#include "scheduler/windows/Unit_sjbp_edit.h"
#include "scheduler/windows/combofill.h"
#include "scheduler/windows/filepickers.h"
#include "scheduler/windows/namedwidgets.h"

using orvane::MessageBox;
namespace mb = orvane::mb;

TForm_sjbp* Form_sjbp = nullptr;

namespace {
const QString kCaption = QStringLiteral("节目表编辑");
const QString kBackupFilter = QStringLiteral("节目表备份文件(*.bkj)");

// The schedule list is read again each time it drops down, so names added meanwhile (by
// another manager window) are there to pick.
class ScheduleComboBox : public QComboBox {
 public:
  using QComboBox::QComboBox;
  std::function<void()> beforePopup;
  void showPopup() override {
    if (beforePopup) beforePopup();
    QComboBox::showPopup();
  }
};
}  // namespace

TForm_sjbp::TForm_sjbp(TDataModule1& dm, const MainState& state, const SystemServices& services, const Clock& clock,
                       QWidget* owner)
    : Form(owner),
      dm_(dm),
      state_(state),
      services_(services),
      clock_(clock),
      entries_(dm),
      qry_grid(dm.connection()) {
  setObjectName(QStringLiteral("Form_sjbp"));
  setCaption(kCaption);
  fileDialog = [this](bool save, const QString& title, const QString& filter) {
    return save ? PickSaveFile(this, title, filter) : PickOpenFile(this, title, filter);
  };
  buildLayout();
  FormCreate();
  Form_sjbp = this;
}

TForm_sjbp::~TForm_sjbp() {
  if (Form_sjbp == this) Form_sjbp = nullptr;
  // The grid reads its query while it is torn down; the query is a member and goes first.
  delete DBGrid1;
}

void TForm_sjbp::buildLayout() {
  setClientSize(820, 480);
  QWidget* c = client();
  auto* outer = new QVBoxLayout(c);
  outer->setContentsMargins(8, 8, 8, 8);

  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(QStringLiteral("编辑的节目表："), c));
  auto* combo = named(new ScheduleComboBox(c), "ComboBox1");
  ComboBox1 = combo;
  ComboBox1->setEditable(true);
  ComboBox1->setInsertPolicy(QComboBox::NoInsert);
  ComboBox1->setFixedWidth(200);
  combo->beforePopup = [this] { fillNames(); };
  top->addWidget(ComboBox1);
  top->addWidget(new QLabel(QStringLiteral("（如需新增节目表名请直接输入文字）"), c));
  top->addSpacing(16);
  Label_shu = named(new QLabel(c), "Label_shu");
  Label_shu->setMinimumWidth(100);
  top->addWidget(Label_shu);
  top->addStretch();
  outer->addLayout(top);

  DBGrid1 = named(new orvane::DBGrid(c), "DBGrid1");
  DBGrid1->setQuery(&qry_grid);
  DBGrid1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  DBGrid1->setToolTip(QStringLiteral("双击可修改选中行的内容；右击鼠标可弹出菜单"));
  DBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
  outer->addWidget(DBGrid1, 1);

  PopupMenu1 = named(new QMenu(this), "PopupMenu1");
  N1 = PopupMenu1->addAction(QStringLiteral("复制"));
  N2 = PopupMenu1->addAction(QStringLiteral("粘贴"));
  PopupMenu1->addSeparator();
  EXCEL2 = PopupMenu1->addAction(QStringLiteral("备份所有表..."));
  EXCEL3 = PopupMenu1->addAction(QStringLiteral("恢复备份表,,,"));
  N2->setEnabled(false);
  connect(DBGrid1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu1->popup(DBGrid1->viewport()->mapToGlobal(at)); });
  connect(N1, &QAction::triggered, this, &TForm_sjbp::N1Click);
  connect(N2, &QAction::triggered, this, &TForm_sjbp::N2Click);
  connect(EXCEL2, &QAction::triggered, this, &TForm_sjbp::EXCEL2Click);
  connect(EXCEL3, &QAction::triggered, this, &TForm_sjbp::EXCEL3Click);

  auto* buttons = new QHBoxLayout;
  auto button = [&](QPushButton*& b, const char* name, const QString& text) {
    b = named(new QPushButton(text, c), name);
    buttons->addWidget(b);
  };
  button(Button1, "Button1", QStringLiteral("增加"));
  button(Button6, "Button6", QStringLiteral("批量增加"));
  button(Button3, "Button3", QStringLiteral("修改"));
  button(Button2, "Button2", QStringLiteral("删除"));
  button(Button7, "Button7", QStringLiteral("删除全部"));
  buttons->addStretch();
  button(Button4, "Button4", QStringLiteral("退出"));
  outer->addLayout(buttons);

  connect(Button1, &QPushButton::clicked, this, &TForm_sjbp::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm_sjbp::Button2Click);
  connect(Button3, &QPushButton::clicked, this, &TForm_sjbp::Button3Click);
  connect(Button4, &QPushButton::clicked, this, [this] { Close(); });
  connect(Button6, &QPushButton::clicked, this, &TForm_sjbp::Button6Click);
  connect(Button7, &QPushButton::clicked, this, &TForm_sjbp::Button7Click);
  connect(DBGrid1, &QAbstractItemView::doubleClicked, this, [this] { Button3Click(); });
}

void TForm_sjbp::FormCreate() {
  fillNames();
  if (ComboBox1->count() > 0) ComboBox1->setCurrentIndex(0);
  const int today = ComboBox1->findText(state_.todayschedule, Qt::MatchFixedString | Qt::MatchCaseSensitive);
  if (today >= 0) ComboBox1->setCurrentIndex(today);
  copyList_.clear();
  // Typing (or picking) a name shows that schedule; a new name shows an empty list.
  connect(ComboBox1, &QComboBox::editTextChanged, this, [this] { ShowSchedule(QStringLiteral("starttime")); });
}

void TForm_sjbp::fillNames() {
  QStringList names;
  try {
    names = entries_.Names();
  } catch (const DbError& e) {
    qWarning().noquote() << "schedule manager: cannot list the schedules:" << e.what();
    return;
  }
  // Refilling must not lose what the operator typed, nor show a schedule on its way.
  const QString text = ComboBox1->currentText();
  const QSignalBlocker quiet(ComboBox1);
  StringsToComboBox(ComboBox1, names);
  ComboBox1->setEditText(text);
}

void TForm_sjbp::FormShow() { ShowSchedule(QStringLiteral("starttime")); }

void TForm_sjbp::ShowSchedule(const QString& order) {
  try {
    entries_.Show(qry_grid, ComboBox1->currentText(), order);
  } catch (const DbError& e) {
    qWarning().noquote() << "schedule manager: cannot show the schedule:" << e.what();
  }
  // Times, play modes, volumes and channels show whole in the grid's font, however narrow the usual width.
  const QString time = QStringLiteral("00:00:00");
  DBGrid1->hideColumnOf(QStringLiteral("id"));
  DBGrid1->setColumn(QStringLiteral("pname"), QStringLiteral("节目名称"), 60);
  DBGrid1->setColumn(QStringLiteral("starttime"), QStringLiteral("开始时间"), 60, true, time);
  DBGrid1->setColumn(QStringLiteral("endtime"), QStringLiteral("结束时间"), 60, true, time);
  DBGrid1->setColumn(QStringLiteral("slpath"), QStringLiteral("歌曲/文件夹/歌曲列表/网络电台/文本/外部软件"), 250);
  DBGrid1->setColumn(QStringLiteral("playmode"), QStringLiteral("播放方式"), 60, true, QStringLiteral("顺序循环"));
  DBGrid1->setColumn(QStringLiteral("tlength"), QStringLiteral("时长"), 60, true, time);
  DBGrid1->setColumn(QStringLiteral("ivolume"), QStringLiteral("音量(%)"), 45, true, QStringLiteral("100"));
  DBGrid1->setColumn(QStringLiteral("Schedulen"), QStringLiteral("节目表名称"), 70);
  DBGrid1->hideColumnOf(QStringLiteral("jmlx"));
  DBGrid1->setColumn(QStringLiteral("mainchannel"), QStringLiteral("通道"), 50, state_.channelenabled, QStringLiteral("主通道"));
  DBGrid1->hideColumnOf(QStringLiteral("txt"));
  Label_shu->setText(QStringLiteral("共") + QString::number(qry_grid.recordCount()) + QStringLiteral("条"));
}

QList<qint64> TForm_sjbp::selectedIds() const {
  QList<qint64> ids;
  const int column = qry_grid.fieldIndex(QStringLiteral("id"));
  for (const QModelIndex& row : DBGrid1->selectionModel()->selectedRows()) {
    bool ok = false;
    const qint64 id = orvane::db::toStrictInteger(qry_grid.value(row.row(), column), &ok);
    if (ok) ids.append(id);
  }
  return ids;
}

QList<QVariantList> TForm_sjbp::snapshot() const {
  QList<QVariantList> rows;
  for (int r = 0; r < qry_grid.recordCount(); ++r) {
    QVariantList row;
    for (int c = 0; c < qry_grid.fieldNames().size(); ++c) row.append(qry_grid.value(r, c));
    rows.append(row);
  }
  std::sort(rows.begin(), rows.end(), [](const QVariantList& a, const QVariantList& b) {
    return a.value(0).toLongLong() < b.value(0).toLongLong();
  });
  return rows;
}

void TForm_sjbp::Button2Click() {
  const QList<qint64> ids = selectedIds();
  if (ids.isEmpty()) return;
  if (MessageBox(QStringLiteral("确定要删除选中行数据吗?"), QStringLiteral("提示"), mb::OKCANCEL | mb::ICONQUESTION) !=
      mb::IDOK)
    return;
  if (entries_.DeleteIds(ids)) written_ = true;
  ShowSchedule(QStringLiteral("starttime"));
}

void TForm_sjbp::Button7Click() {
  if (qry_grid.isEmpty()) return;
  if (MessageBox(QStringLiteral("确定要删除该节目表中的所有节目单吗?"), QStringLiteral("提示"),
                 mb::OKCANCEL | mb::ICONQUESTION) != mb::IDOK)
    return;
  if (entries_.DeleteSchedule(ComboBox1->currentText())) written_ = true;
  ShowSchedule(QStringLiteral("starttime"));
}

void TForm_sjbp::N1Click() {
  const QList<qint64> ids = selectedIds();
  if (ids.isEmpty()) return;
  copyList_ = ids;
  N2->setEnabled(true);
}

void TForm_sjbp::N2Click() {
  if (copyList_.isEmpty()) return;
  const QString schedule = ComboBox1->currentText();
  for (qint64 id : copyList_) {
    switch (entries_.PasteOne(id, schedule)) {
      case ScheduleEntries::PasteResult::Pasted: written_ = true; break;
      case ScheduleEntries::PasteResult::Missing: break;  // deleted since it was copied
      case ScheduleEntries::PasteResult::Failed:
        MessageBox(QStringLiteral("粘贴失败!"), QStringLiteral("提示"), mb::ICONHAND);
        break;
    }
  }
  ShowSchedule(QStringLiteral("starttime"));
}

void TForm_sjbp::EXCEL2Click() {
  const QString name = fileDialog(true, QStringLiteral("备份数据到..."), kBackupFilter);
  if (name.isEmpty() || !dm_.connection()) return;
  QString why;
  if (ScheduleBackup::Write(*dm_.connection(), ScheduleBackup::WithExtension(name), &why))
    MessageBox(QStringLiteral("成功备份节目表!"), QStringLiteral("提示信息"), mb::OK);
  else
    MessageBox(QStringLiteral("备份节目表失败!"), QStringLiteral("提示"), mb::ICONHAND);
}

void TForm_sjbp::EXCEL3Click() {
  const QString name = fileDialog(false, QStringLiteral("从节目表备份文件恢复数据"), kBackupFilter);
  if (name.isEmpty() || !dm_.connection()) return;
  {
    BackupRestore restore(*dm_.connection());
    bool ok = restore.Open(name);
    if (ok && restore.rowCount() == 0) {
      MessageBox(QStringLiteral("备份文件无数据，无法导入!"), QStringLiteral("提示"), mb::OK);
      return;
    }
    if (ok) {
      const bool replace = MessageBox(QStringLiteral("恢复前要清空所有表吗?"), QStringLiteral("提示"),
                                      mb::YESNO | mb::ICONQUESTION | mb::DEFBUTTON2) == mb::IDYES;
      // One transaction: the message loop must not run inside it (the clock's tick writes
      // statuses on the same connection), so the count is shown once it is done.
      ok = restore.Apply(replace);
      if (ok) {
        written_ = true;
        setCaption(QStringLiteral("节目表编辑   正在导入：") + QString::number(restore.rowCount()));
      }
    }
    MessageBox(ok ? QStringLiteral("恢复节目表成功!") : QStringLiteral("恢复节目表失败!"), QStringLiteral("提示"), mb::OK);
  }
  setCaption(QStringLiteral("节目表编辑 "));
  fillNames();
  {
    const QSignalBlocker quiet(ComboBox1);
    if (ComboBox1->count() > 0) ComboBox1->setCurrentIndex(0);
  }
  ShowSchedule(QStringLiteral("starttime"));
}

void TForm_sjbp::FormClose(CloseAction& action) {
  action = CloseAction::Free;
  if (Form_sjbp == this) Form_sjbp = nullptr;
  // An untouched window leaves the day alone: a reload would cut the entry that is playing.
  if (written_ && Form_main_tamu) {
    Form_main_tamu->LoadToday();
    Form_main_tamu->CatchUpEntry();
  }
}

void TForm_sjbp::runDialog(EntryDialog& dialog, const QString& order) {
  // What the dialog wrote is seen by comparing the shown schedule before and after: the add
  // and edit dialogs write only to it, and a batch that failed half-way has still written.
  const QList<QVariantList> before = snapshot();
  dialog.Edit_Schedulen->setText(ComboBox1->currentText());
  dialog.ShowModal();
  ShowSchedule(order);
  if (snapshot() != before) written_ = true;
}

EntryDialogContext TForm_sjbp::dialogContext() const {
  return EntryDialogContext{dm_, services_, clock_, state_.channelenabled};
}

void TForm_sjbp::Button1Click() {
  TForm_sjbp_add dialog(dialogContext(), this);
  // By id: the new row comes last.
  runDialog(dialog, QStringLiteral("ID"));
}

void TForm_sjbp::Button6Click() {
  TForm_sjbp_addmuch dialog(dialogContext(), this);
  runDialog(dialog, QStringLiteral("ID"));
}

void TForm_sjbp::Button3Click() {
  if (qry_grid.isEmpty()) {
    MessageBox(QStringLiteral("数据表为空,不能修改"), QStringLiteral("提示"), mb::ICONASTERISK);
    return;
  }
  bool ok = false;
  const qint64 id = qry_grid.fieldAsInteger(QStringLiteral("id"), &ok);
  if (!ok) return;
  {
    TForm_sjbp_edit dialog(dialogContext(), id, this);
    runDialog(dialog, QStringLiteral("starttime"));
  }
  qry_grid.locate(QStringLiteral("id"), id);
}
