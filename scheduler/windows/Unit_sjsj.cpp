// Day map window.
#include "scheduler/windows/Unit_sjsj.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDebug>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/forms/pickersections.h"
#include "platform/msgbox/messagebox.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/windows/Unit_main_tamu.h"
#include "scheduler/windows/combofill.h"
#include "scheduler/windows/namedwidgets.h"

using orvane::MessageBox;
namespace mb = orvane::mb;

TForm_sjsj* Form_sjsj = nullptr;

namespace {
const QStringList kWeekdayLabels{QStringLiteral("星期一"), QStringLiteral("星期二"), QStringLiteral("星期三"),
                                 QStringLiteral("星期四"), QStringLiteral("星期五"), QStringLiteral("星期六"),
                                 QStringLiteral("星期日")};

// Selects the item equal to the value; a value that is not a choice leaves no selection.
void selectValue(QComboBox* box, const QString& value) {
  box->setCurrentIndex(box->findText(value, Qt::MatchFixedString | Qt::MatchCaseSensitive));
}
}  // namespace

TForm_sjsj::TForm_sjsj(TDataModule1& dm, const Clock& clock, QWidget* owner) : Form(owner), map_(dm), clock_(clock) {
  setObjectName(QStringLiteral("Form_sjsj"));
  setCaption(QStringLiteral("节目表设定"));
  buildLayout();
  FormCreate();
  Form_sjsj = this;
}

TForm_sjsj::~TForm_sjsj() {
  if (Form_sjsj == this) Form_sjsj = nullptr;
}

void TForm_sjsj::buildLayout() {
  setClientSize(860, 470);
  QWidget* c = client();
  auto* outer = new QHBoxLayout(c);
  outer->setContentsMargins(8, 8, 8, 8);

  auto* mapGroup = new QGroupBox(QStringLiteral("设置各天播放的节目表：（把节目表设为<无>则不播音）"), c);
  auto* mapLayout = new QVBoxLayout(mapGroup);
  auto* modes = new QHBoxLayout;
  RadioButton1 = named(new QRadioButton(QStringLiteral("以周为循环"), mapGroup), "RadioButton1");
  RadioButton2 = named(new QRadioButton(QStringLiteral("以月为循环"), mapGroup), "RadioButton2");
  modes->addWidget(RadioButton1);
  modes->addWidget(RadioButton2);
  modes->addStretch();
  mapLayout->addLayout(modes);

  Panel1 = named(new QFrame(mapGroup), "Panel1");
  auto* week = new QGridLayout(Panel1);
  week->setContentsMargins(0, 0, 0, 0);
  for (int i = 0; i < 7; ++i) {
    auto* box = new QComboBox(Panel1);
    box->setObjectName(QStringLiteral("ComboBox%1").arg(i + 1));
    box->setMinimumWidth(160);
    week->addWidget(new QLabel(kWeekdayLabels.at(i), Panel1), i, 0);
    week->addWidget(box, i, 1);
    weekdayLists.append(box);
  }
  week->setRowStretch(7, 1);
  week->setColumnStretch(2, 1);
  // The two pages share one place that fits the larger, so switching moves nothing.
  auto* pages = new QGridLayout;
  pages->addWidget(Panel1, 0, 0);

  Panel2 = named(new QFrame(mapGroup), "Panel2");
  auto* month = new QGridLayout(Panel2);
  month->setContentsMargins(0, 0, 0, 0);
  month->setVerticalSpacing(2);
  month->setHorizontalSpacing(6);
  for (int i = 0; i < 31; ++i) {
    auto* box = new QComboBox(Panel2);
    box->setObjectName(QStringLiteral("ComboBox_r%1").arg(i + 1));
    box->setMinimumWidth(100);
    const int row = i % 8, column = (i / 8) * 2;
    month->addWidget(new QLabel(DayMap::MonthDays().at(i), Panel2), row, column);
    month->addWidget(box, row, column + 1);
    dayLists.append(box);
  }
  pages->addWidget(Panel2, 0, 0);
  for (QFrame* page : {Panel1, Panel2}) {
    QSizePolicy policy = page->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    page->setSizePolicy(policy);
  }
  mapLayout->addLayout(pages);
  mapLayout->addStretch();
  auto* saveRow = new QHBoxLayout;
  saveRow->addStretch();
  Button1 = named(new QPushButton(QStringLiteral("保存"), mapGroup), "Button1");
  saveRow->addWidget(Button1);
  mapLayout->addLayout(saveRow);
  outer->addWidget(mapGroup, 1);

  auto* holidayGroup = new QGroupBox(QStringLiteral("下列日期不播放（节假日）："), c);
  holidayGroup->setFixedWidth(200);
  auto* holidays = new QVBoxLayout(holidayGroup);
  holidays->addWidget(new QLabel(QStringLiteral("以下日期不播放："), holidayGroup));
  ListBox1 = named(new QListWidget(holidayGroup), "ListBox1");
  holidays->addWidget(ListBox1, 1);
  holidays->addWidget(new QLabel(QStringLiteral("选择日期："), holidayGroup));
  DateTimePicker1 = named(new QDateEdit(holidayGroup), "DateTimePicker1");
  DateTimePicker1->setCalendarPopup(true);
  DateTimePicker1->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
  orvane::SelectSectionOnClick(DateTimePicker1);
  holidays->addWidget(DateTimePicker1);
  auto* holidayButtons = new QHBoxLayout;
  Button3 = named(new QPushButton(QStringLiteral("增加"), holidayGroup), "Button3");
  Button4 = named(new QPushButton(QStringLiteral("删除"), holidayGroup), "Button4");
  holidayButtons->addWidget(Button3);
  holidayButtons->addWidget(Button4);
  holidays->addLayout(holidayButtons);
  outer->addWidget(holidayGroup);

  connect(RadioButton1, &QRadioButton::toggled, this, [this](bool on) {
    if (on) RadioButton1Click();
  });
  connect(RadioButton2, &QRadioButton::toggled, this, [this](bool on) {
    if (on) RadioButton2Click();
  });
  connect(Button1, &QPushButton::clicked, this, &TForm_sjsj::Button1Click);
  connect(Button3, &QPushButton::clicked, this, &TForm_sjsj::Button3Click);
  connect(Button4, &QPushButton::clicked, this, &TForm_sjsj::Button4Click);
}

void TForm_sjsj::FormCreate() {
  QStringList choices{DayMap::NoBroadcast()};
  try {
    choices = map_.Choices();
  } catch (const DbError& e) {
    qWarning().noquote() << "day map: cannot list the schedules:" << e.what();
  }
  for (QComboBox* box : weekdayLists + dayLists) StringsToComboBox(box, choices);
  for (int i = 0; i < weekdayLists.size(); ++i)
    selectValue(weekdayLists.at(i), map_.WeekdaySchedule(DayMap::WeekdayKeys().at(i)));
  try {
    for (int i = 0; i < dayLists.size(); ++i) selectValue(dayLists.at(i), DayMap::GetDaySchedule(map_.dm(), DayMap::MonthDays().at(i)));
  } catch (const DbError& e) {
    qWarning().noquote() << "day map: cannot read the days of the month:" << e.what();
  }
  if (map_.Weekly()) RadioButton1->setChecked(true);
  else RadioButton2->setChecked(true);
  showPage();
  try {
    ListBox1->addItems(map_.Holidays());
  } catch (const DbError& e) {
    qWarning().noquote() << "day map: cannot read the holidays:" << e.what();
  }
  DateTimePicker1->setDate(clock_.now().date());
}

// Both buttons follow the weekly one: checked shows the week, unchecked the month.
void TForm_sjsj::showPage() {
  Panel1->setVisible(RadioButton1->isChecked());
  Panel2->setVisible(!RadioButton1->isChecked());
}

void TForm_sjsj::RadioButton1Click() { showPage(); }

void TForm_sjsj::RadioButton2Click() { showPage(); }

void TForm_sjsj::Button1Click() {
  const bool weekly = RadioButton1->isChecked();
  QStringList schedules;
  for (QComboBox* box : weekly ? weekdayLists : dayLists) schedules.append(box->currentText());
  const bool ok = weekly ? map_.SaveWeekly(schedules) : map_.SaveMonthly(schedules);
  if (!ok) {
    // Nothing was written; the window stays open so the choices are not lost.
    MessageBox(QStringLiteral("数据库写入出错!"), QStringLiteral("错误"), mb::ICONHAND);
    return;
  }
  written_ = true;
  Close();
}

void TForm_sjsj::Button3Click() {
  const QString day = DayMap::HolidayText(DateTimePicker1->date());
  if (!map_.AddHoliday(day)) {
    qInfo().noquote() << "day map: holiday" << day << "not added (already listed, or the write failed)";
    return;
  }
  ListBox1->addItem(day);
  written_ = true;
}

void TForm_sjsj::Button4Click() {
  const QList<QListWidgetItem*> selected = ListBox1->selectedItems();
  if (selected.isEmpty()) {
    MessageBox(QStringLiteral("先点击选择左边表格中的不播放日期，然后再点“删除”按钮。"), QStringLiteral("提示"), mb::OK);
    return;
  }
  QListWidgetItem* item = selected.first();
  if (!map_.DeleteHoliday(item->text())) {
    qWarning().noquote() << "day map: holiday" << item->text() << "not deleted";
    return;
  }
  delete item;
  written_ = true;
}

void TForm_sjsj::FormClose(CloseAction& action) {
  action = CloseAction::Free;
  if (Form_sjsj == this) Form_sjsj = nullptr;
  // An untouched window leaves the day alone: a reload would cut the entry that is playing.
  if (written_ && Form_main_tamu) {
    Form_main_tamu->LoadToday();
    Form_main_tamu->CatchUpEntry();
  }
}
