#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "platform/db/connection.h"
#include "platform/forms/dbgrid.h"
#include "scheduler/windows/Unit_main_tamu.h"
#include "scheduler/windows/Unit_sjbp.h"
#include "scheduler/windows/Unit_sjbp_edit.h"
#include "tests/scheduler/modalhelper.h"
#include "tests/scheduler/schedulerfixture.h"

namespace mb = orvane::mb;

namespace {
class Manager : public SchedulerFixture {
 protected:
  void TearDown() override {
    for (auto& w : windows)
      if (w) delete w.data();
  }
  // A manager window as the toolbar makes one: shown, freed when it closes.
  TForm_sjbp* open() {
    auto* w = new TForm_sjbp(dm, unit.state, services, clock);
    w->fileDialog = [this](bool save, const QString& title, const QString& filter) {
      asks.append({save ? QStringLiteral("save") : QStringLiteral("open"), title, filter});
      return nextFile;
    };
    w->show();
    windows.append(w);
    return w;
  }
  void selectRows(TForm_sjbp* w, std::initializer_list<int> rows) {
    auto* sm = w->DBGrid1->selectionModel();
    sm->clearSelection();
    for (int r : rows)
      sm->select(w->DBGrid1->model()->index(r, 1), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  QStringList names(TForm_sjbp* w) {
    QStringList out;
    const int column = w->gridQuery().fieldIndex(QStringLiteral("pname"));
    for (int r = 0; r < w->gridQuery().recordCount(); ++r) out.append(w->gridQuery().value(r, column).toString());
    return out;
  }
  int countIn(const QString& schedule) {
    dm.OpenQuery(dm.qry_temp, QStringLiteral("select count(*) from sjb where Schedulen=:s"), {{":s", schedule}});
    return dm.qry_temp.value(0, 0).toInt();
  }
  EntryRow row(const QString& name, const QString& start, const QString& schedule) {
    EntryRow r{name, start, AddSeconds(start, 60, true)};
    r.schedule = schedule;
    return r;
  }
  int add(const char* name, const char* start, const char* schedule) {
    return addEntry(row(QString::fromUtf8(name), QLatin1String(start), QString::fromUtf8(schedule)));
  }
  QList<QPointer<TForm_sjbp>> windows;
  QList<QStringList> asks;
  QString nextFile;
};
}  // namespace

TEST_F(Manager, OpensOnTodaysScheduleWithItsColumnsAndCount) {
  add("甲", "09:00:00", "一号");
  add("乙", "08:00:00", "日常");
  add("丙", "07:00:00", "日常");
  unit.state.todayschedule = QStringLiteral("日常");
  unit.state.channelenabled = false;
  TForm_sjbp* w = open();
  EXPECT_EQ(QStringList({w->caption(), QString::number(w->ComboBox1->count()), w->ComboBox1->currentText(),
                         names(w).join(','), w->Label_shu->text()}),
            QStringList({"节目表编辑", "2", "日常", "丙,乙", "共2条"}));
  // Every column by title and width ("-" hidden).
  auto* g = w->DBGrid1;
  QStringList columns;
  for (int c = 0; c < 12; ++c)
    columns << (g->isColumnHidden(c) ? QStringLiteral("-") : g->model()->headerData(c, Qt::Horizontal).toString());
  EXPECT_EQ(columns, QStringList({"-", "节目名称", "开始时间", "结束时间", "歌曲/文件夹/歌曲列表/网络电台/文本/外部软件",
                                  "播放方式", "时长", "音量(%)", "节目表名称", "-", "-", "-"}));
  // Each at least as wide as designed, wider where its title or its values need.
  const int widths[] = {0, 60, 60, 60, 250, 60, 60, 45, 70};
  for (int c = 1; c < 9; ++c) EXPECT_GE(g->columnWidth(c), widths[c]) << c;
  EXPECT_EQ(g->toolTip(), QStringLiteral("双击可修改选中行的内容；右击鼠标可弹出菜单"));
  QStringList items;
  for (QAction* a : w->PopupMenu1->actions()) items << a->text();
  EXPECT_EQ(items, QStringList({"复制", "粘贴", "", "备份所有表...", "恢复备份表,,,"}));
  EXPECT_FALSE(w->N2->isEnabled());
  // Typing a name that has no rows yet shows an empty list; the channel column follows the switch.
  unit.state.channelenabled = true;
  w->ComboBox1->setEditText(QStringLiteral("新表"));
  EXPECT_EQ(w->Label_shu->text(), QStringLiteral("共0条"));
  w->ComboBox1->setEditText(QStringLiteral("一号"));
  EXPECT_EQ(names(w), QStringList{QStringLiteral("甲")});
  EXPECT_FALSE(g->isColumnHidden(10));
  EXPECT_EQ(g->columnWidth(10), 50);
  w->ComboBox1->setEditText(QStringLiteral("空"));
  w->Button3Click();
  EXPECT_EQ(onlyBox(), QStringLiteral("数据表为空,不能修改|提示|64"));
  EXPECT_FALSE(w->wroteEntries());
}

TEST_F(Manager, TheRowEditedIsTheOneNumberedPastAnInt) {
  // Cut to an int, 2^32 + 1 would be row 1.
  const qint64 past = (qint64(1) << 32) + 1;
  for (const auto& [id, name, start] : {std::tuple{qint64(1), "甲", "08:00:00"}, std::tuple{past, "乙", "09:00:00"}})
    insertRow({{"id", id}, {"pname", QString::fromUtf8(name)}, {"starttime", start}, {"endtime", start},
               {"Schedulen", QStringLiteral("日常")}, {"jmlx", 1}});
  unit.state.todayschedule = QStringLiteral("日常");
  TForm_sjbp* w = open();
  w->gridQuery().setRecNo(1);
  qint64 edited = 0;
  OnNextModal<TForm_sjbp_edit>([&](TForm_sjbp_edit* d) {
    edited = d->entryId();
    d->Close();
  });
  w->Button3Click();
  EXPECT_EQ(edited, past);
  bool ok = false;
  EXPECT_EQ(w->gridQuery().fieldAsInteger(QStringLiteral("id"), &ok), past) << "the grid goes back to the row edited";
}

TEST_F(Manager, HostileScheduleNamesShowDeleteAndPasteOnlyThemselves) {
  const QStringList hostile{QStringLiteral("Schedulen"), QStringLiteral("status"), QStringLiteral("say \"x\""),
                            QStringLiteral("a;b:c :v1"), QStringLiteral("' or 1=1 --")};
  for (const QString& s : hostile) addEntry(row(s + QStringLiteral("铃"), QStringLiteral("08:00:00"), s));
  add("平常", "08:00:00", "日常");
  TForm_sjbp* w = open();
  for (const QString& s : hostile) {
    w->ComboBox1->setEditText(s);
    EXPECT_EQ(names(w), QStringList{s + QStringLiteral("铃")}) << qPrintable(s);
  }
  w->ComboBox1->setEditText(QStringLiteral("日常"));
  selectRows(w, {0});
  w->N1->trigger();
  for (const QString& s : hostile) {
    w->ComboBox1->setEditText(s);
    w->N2->trigger();
    EXPECT_EQ(countIn(s), 2) << qPrintable(s);
  }
  // "Delete all" of a schedule named like a column deletes that schedule only.
  for (const QString& s : hostile) {
    w->ComboBox1->setEditText(s);
    boxes.queueAnswer(mb::IDOK);
    w->Button7->click();
    EXPECT_EQ(countIn(s), 0) << qPrintable(s);
    EXPECT_EQ(countIn(QStringLiteral("日常")), 1) << qPrintable(s);
  }
  EXPECT_EQ(boxes.count(QStringLiteral("确定要删除该节目表中的所有节目单吗?")), int(hostile.size()));
  EXPECT_EQ(boxes.asked().back().flags, 33);
}

TEST_F(Manager, DeletesTheSelectedRowsOnlyAfterOk) {
  for (int i = 0; i < 5; ++i)
    addEntry(row(QStringLiteral("第%1节").arg(i + 1), QString::asprintf("%.2d:00:00", 8 + i), QStringLiteral("日常")));
  add("乙1", "08:00:00", "二号");
  // A second manager on another schedule keeps its own rows.
  TForm_sjbp* other = open();
  other->ComboBox1->setEditText(QStringLiteral("二号"));
  TForm_sjbp* w = open();
  w->ComboBox1->setEditText(QStringLiteral("日常"));
  ASSERT_EQ(w->gridQuery().recordCount(), 5);
  w->DBGrid1->selectionModel()->clearSelection();
  w->Button2->click();
  EXPECT_TRUE(boxes.asked().empty());
  // Ctrl-clicks select rows 1 and 3; Cancel keeps them, OK deletes exactly them.
  auto* vp = w->DBGrid1->viewport();
  QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, w->DBGrid1->visualRect(w->DBGrid1->model()->index(1, 1)).center());
  QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier,
                    w->DBGrid1->visualRect(w->DBGrid1->model()->index(3, 1)).center());
  ASSERT_EQ(w->DBGrid1->selectionModel()->selectedRows().size(), 2);
  boxes.queueAnswer(mb::IDCANCEL);
  w->Button2->click();
  EXPECT_EQ(w->gridQuery().recordCount(), 5);
  EXPECT_EQ(lastBox(), QStringLiteral("确定要删除选中行数据吗?|提示|33"));
  EXPECT_FALSE(w->wroteEntries());
  boxes.queueAnswer(mb::IDOK);
  w->Button2->click();
  EXPECT_EQ(names(w), (QStringList{QStringLiteral("第1节"), QStringLiteral("第3节"), QStringLiteral("第5节")}));
  EXPECT_EQ(w->Label_shu->text(), QStringLiteral("共3条"));
  EXPECT_TRUE(w->wroteEntries());
  EXPECT_TRUE(names(other) == QStringList{QStringLiteral("乙1")} && Form_sjbp == w);
}

TEST_F(Manager, BackupAndRestoreThroughTheMenu) {
  add("甲", "08:00:00", "一号");
  add("乙", "07:00:00", "二号");
  TForm_sjbp* w = open();
  w->ComboBox1->setEditText(QStringLiteral("二号"));
  nextFile.clear();
  w->EXCEL2->trigger();
  w->EXCEL3->trigger();
  EXPECT_TRUE(boxes.asked().empty());
  EXPECT_EQ(asks, (QList<QStringList>{{"save", "备份数据到...", "节目表备份文件(*.bkj)"},
                                      {"open", "从节目表备份文件恢复数据", "节目表备份文件(*.bkj)"}}));
  // The backup holds every schedule, whichever is shown; ".bkj" is added once.
  nextFile = home.file(QStringLiteral("学期"));
  w->EXCEL2->trigger();
  EXPECT_EQ(lastBox(), QStringLiteral("成功备份节目表!|提示信息|0"));
  ASSERT_TRUE(QFile::exists(home.file(QStringLiteral("学期.bkj"))));
  EXPECT_FALSE(w->wroteEntries());
  // Restore with "No": every entry doubles; the caption shows the count while the message is up.
  nextFile = home.file(QStringLiteral("学期.bkj"));
  QString captionAtMessage;
  boxes.onAsk([&](const orvane::MessageBoxRequest& r) {
    if (r.text == QStringLiteral("恢复节目表成功!")) captionAtMessage = w->caption();
  });
  boxes.clear();
  boxes.queueAnswer(mb::IDNO);
  w->EXCEL3->trigger();
  ASSERT_EQ(boxes.asked().size(), 2u);
  EXPECT_EQ(boxLine(boxes.asked()[0]), QStringLiteral("恢复前要清空所有表吗?|提示|292"));
  EXPECT_EQ(lastBox(), QStringLiteral("恢复节目表成功!|提示|0"));
  EXPECT_EQ(captionAtMessage, QStringLiteral("节目表编辑   正在导入：2"));
  EXPECT_EQ(w->caption(), QStringLiteral("节目表编辑 "));
  EXPECT_EQ(countIn(QStringLiteral("一号")) + countIn(QStringLiteral("二号")), 4);
  EXPECT_TRUE(w->wroteEntries());
  boxes.queueAnswer(mb::IDYES);
  w->EXCEL3->trigger();
  EXPECT_EQ(lastBox(), QStringLiteral("恢复节目表成功!|提示|0"));
  EXPECT_EQ(countIn(QStringLiteral("一号")) + countIn(QStringLiteral("二号")), 2);
  // A file that is not a backup: failure, nothing asked, nothing changed (the refused files
  // themselves are the backup tests' business).
  testing_support::writeFile(home.file(QStringLiteral("x.bkj")), "not a backup");
  nextFile = home.file(QStringLiteral("x.bkj"));
  boxes.clear();
  w->EXCEL3->trigger();
  EXPECT_EQ(onlyBox(), QStringLiteral("恢复节目表失败!|提示|0"));
  EXPECT_EQ(countIn(QStringLiteral("一号")), 1);
  dm.ExecQuery(dm.qry_temp, QStringLiteral("delete from sjb"));
  nextFile = home.file(QStringLiteral("空.bkj"));
  w->EXCEL2->trigger();
  dm.ExecQuery(dm.qry_temp, QStringLiteral("insert into sjb(pname,Schedulen) values('留','三号')"));
  boxes.clear();
  w->setCaption(QStringLiteral("节目表编辑"));
  w->EXCEL3->trigger();
  EXPECT_EQ(onlyBox(), QStringLiteral("备份文件无数据，无法导入!|提示|0"));
  EXPECT_EQ(w->caption(), QStringLiteral("节目表编辑"));
  EXPECT_EQ(countIn(QStringLiteral("三号")), 1);
  nextFile = home.file(QStringLiteral("no/such/folder/b"));
  w->EXCEL2->trigger();
  EXPECT_EQ(lastBox(), QStringLiteral("备份节目表失败!|提示|16"));
}
