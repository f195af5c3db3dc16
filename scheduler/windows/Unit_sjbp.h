// The schedule manager: one schedule's entries in a grid, with add, batch add, edit, delete,
// delete all, copy and paste, and backup and restore of every schedule.
#pragma once

#include <QList>
#include <QString>
#include <functional>

#include "platform/db/query.h"
#include "platform/forms/form.h"
#include "scheduler/core/scheduleentries.h"
#include "scheduler/core/services.h"

class Clock;
class EntryDialog;
struct EntryDialogContext;
class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
struct MainState;
class TDataModule1;
namespace orvane {
class DBGrid;
}

class TForm_sjbp : public orvane::Form {
  Q_OBJECT
 public:
  // `state` gives today's schedule (selected first) and whether the channel column shows;
  // the services and the clock are handed on to the entry dialogs.
  TForm_sjbp(TDataModule1& dm, const MainState& state, const SystemServices& services, const Clock& clock,
             QWidget* owner = nullptr);
  ~TForm_sjbp() override;

  // Shows the entries of the schedule named in ComboBox1, ordered by "starttime" or "ID".
  void ShowSchedule(const QString& order);
  // The grid's own query (each manager window has its own).
  orvane::db::Query& gridQuery() { return qry_grid; }
  // True once this window has written to the entries (the day is then reloaded on close).
  bool wroteEntries() const { return written_; }

  // Asks for a file name: save (true) or open; "" when cancelled. Replaceable (tests).
  std::function<QString(bool save, const QString& title, const QString& filter)> fileDialog;

  void Button1Click();  // 增加
  void Button2Click();  // 删除
  void Button3Click();  // 修改, and a double-click on the grid
  void Button6Click();  // 批量增加
  void Button7Click();  // 删除全部
  void N1Click();       // 复制
  void N2Click();       // 粘贴
  void EXCEL2Click();   // 备份所有表...
  void EXCEL3Click();   // 恢复备份表,,,

  QComboBox* ComboBox1;
  orvane::DBGrid* DBGrid1;
  QLabel* Label_shu;
  QPushButton* Button1;
  QPushButton* Button2;
  QPushButton* Button3;
  QPushButton* Button4;
  QPushButton* Button6;
  QPushButton* Button7;
  QMenu* PopupMenu1;
  QAction* N1;
  QAction* N2;
  QAction* EXCEL2;
  QAction* EXCEL3;

 protected:
  void FormShow() override;
  void FormClose(CloseAction& action) override;

 private:
  void buildLayout();
  void FormCreate();
  void fillNames();
  QList<qint64> selectedIds() const;
  // Shows an entry dialog modally for the shown schedule, then the list in the given order;
  // notes whether the dialog changed the schedule.
  void runDialog(EntryDialog& dialog, const QString& order);
  EntryDialogContext dialogContext() const;
  // The shown schedule's rows by id, to tell whether a dialog changed anything.
  QList<QVariantList> snapshot() const;

  TDataModule1& dm_;
  const MainState& state_;
  SystemServices services_;
  const Clock& clock_;
  ScheduleEntries entries_;
  orvane::db::Query qry_grid;
  QList<qint64> copyList_;
  bool written_ = false;
};

// The manager window opened last (null when none is open).
extern TForm_sjbp* Form_sjbp;
