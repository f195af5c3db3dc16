// Network-time window.
#include "scheduler/windows/Unit_nettime.h"

#include <QDebug>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "platform/msgbox/messagebox.h"
#include "platform/system/clockcontrol.h"
#include "scheduler/windows/namedwidgets.h"

namespace {
// What the two time labels show besides a time.
const QString kFetching = QStringLiteral("正在获取网络时间...");
const QString kWaiting = QStringLiteral("等待获取网络时间...");
const QString kSyncing = QStringLiteral("正在校对网络时间...");
const QString kFetchFailed = QStringLiteral("获取网络时间失败!");
const QString kSyncFailed = QStringLiteral("校对网络时间失败!");
}  // namespace

TForm_nettime::TForm_nettime(orvane::ClockControl* clock, QWidget* owner, QUrl url)
    : Form(owner), clock_(clock), net_(std::move(url), this) {
  setObjectName(QStringLiteral("Form_nettime"));
  setCaption(QStringLiteral("时间校准器"));
  Label3 = named(new QLabel(QStringLiteral("网络时间：")), "Label3");
  Label1 = named(new QLabel, "Label1");
  Label4 = named(new QLabel(QStringLiteral("本机时间：")), "Label4");
  Label2 = named(new QLabel, "Label2");
  Button1 = named(new QPushButton(QStringLiteral("获取时间")), "Button1");
  Button2 = named(new QPushButton(QStringLiteral("校对时间")), "Button2");
  auto* grid = new QGridLayout(client());
  grid->addWidget(Label3, 0, 0);
  grid->addWidget(Label1, 0, 1);
  grid->addWidget(Label4, 1, 0);
  grid->addWidget(Label2, 1, 1);
  grid->setColumnStretch(1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  grid->addLayout(buttons, 2, 0, 1, 2);
  // The time labels start empty: they keep room for the longest thing they will show.
  int widest = 0;
  for (const QString& text : {kFetching, kWaiting, kSyncing, kFetchFailed, kSyncFailed, NetTimeText(QDateTime::currentDateTime())})
    widest = qMax(widest, Label1->fontMetrics().horizontalAdvance(text));
  Label1->setMinimumWidth(widest);
  Label2->setMinimumWidth(widest);
  setClientSize(330, 110);
  connect(Button1, &QPushButton::clicked, this, &TForm_nettime::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm_nettime::Button2Click);
  connect(&net_, &NetTime::fetched, this, &TForm_nettime::fetched);
  connect(&net_, &NetTime::synced, this, &TForm_nettime::SyncClock);
}

void TForm_nettime::setWaiting(bool waiting) {
  Button1->setEnabled(!waiting);
  Button2->setEnabled(!waiting);
}

void TForm_nettime::Button1Click() {
  if (net_.pending()) return;
  Label1->setText(kFetching);
  Label2->setText(kWaiting);
  syncing_ = false;
  setWaiting(true);
  net_.GetHttpDate();
}

void TForm_nettime::Button2Click() {
  if (net_.pending()) return;
  Label1->setText(kSyncing);
  date_ = QDateTime();
  syncing_ = true;
  setWaiting(true);
  if (!clock_) {
    qWarning() << "network time: there is no way to set the clock here";
    SyncClock(NetTimeOutcome::Refused);
    return;
  }
  net_.SyncClock(*clock_, true);
}

void TForm_nettime::fetched(const QDateTime& date) {
  date_ = date;
  if (syncing_) return;  // the shift's answer decides what shows
  Label1->setText(date.isValid() ? NetTimeText(date) : kFetchFailed);
  Label2->setText(NetTimeText(QDateTime::currentDateTime()));
  setWaiting(false);
}

void TForm_nettime::SyncClock(NetTimeOutcome outcome) {
  syncing_ = false;
  setWaiting(false);
  QString message;
  switch (outcome) {
    case NetTimeOutcome::Shifted:
    case NetTimeOutcome::AlreadyRight: message = QStringLiteral("时间同步成功!"); break;
    case NetTimeOutcome::SyncEnabled: message = QStringLiteral("系统已开启自动网络校时，无需校对。"); break;
    default:
      Label1->setText(kSyncFailed);
      orvane::MessageBox(QStringLiteral("时间同步失败!"), QStringLiteral("提示"), orvane::mb::OK);
      return;
  }
  Label1->setText(NetTimeText(date_));
  Label2->setText(NetTimeText(QDateTime::currentDateTime()));
  orvane::MessageBox(message, QStringLiteral("提示"), orvane::mb::OK);
}

void TForm_nettime::FormClose(CloseAction& action) {
  // A fetch still under way has no window to report to.
  net_.Cancel();
  syncing_ = false;
  setWaiting(false);
  Form::FormClose(action);
}
