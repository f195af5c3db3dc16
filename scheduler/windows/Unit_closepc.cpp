// Shutdown countdown window.
#include "scheduler/windows/Unit_closepc.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/system/power.h"
#include "scheduler/windows/namedwidgets.h"

TForm_closepc* Form_closepc = nullptr;

TForm_closepc::TForm_closepc(Action action, orvane::PowerControl& power, QWidget* owner)
    : Form(owner), action_(action), power_(power) {
  setObjectName(QStringLiteral("Form_closepc"));
  const bool shutdown = action == Action::Shutdown;
  setCaption(shutdown ? QStringLiteral("关机提示：") : QStringLiteral("重启提示："));
  // The operator must see it whatever else is open.
  setWindowFlag(Qt::WindowStaysOnTopHint, true);

  Label1 = named(new QLabel(QStringLiteral("计算机将在")), "Label1");
  Label2 = named(new QLabel(QString::number(kSeconds)), "Label2");
  QFont big = Label2->font();
  big.setPointSize(big.pointSize() * 2);
  big.setBold(true);
  Label2->setFont(big);
  Label2->setStyleSheet(QStringLiteral("color: red"));
  Label3 = named(new QLabel(shutdown ? QStringLiteral("秒后自动关机。") : QStringLiteral("秒后自动重启。")), "Label3");
  Button1 = named(new QPushButton(shutdown ? QStringLiteral("取消关机") : QStringLiteral("取消重启")), "Button1");

  auto* layout = new QVBoxLayout(client());
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(Label1);
  row->addWidget(Label2);
  row->addWidget(Label3);
  row->addStretch();
  layout->addLayout(row);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Button1);
  buttons->addStretch();
  layout->addLayout(buttons);
  setClientSize(300, 110);

  connect(Button1, &QPushButton::clicked, this, &QWidget::close);
  Timer1.setInterval(1000);
  connect(&Timer1, &QTimer::timeout, this, &TForm_closepc::Timer1Timer);
  Timer1.start();
  Form_closepc = this;
}

TForm_closepc::~TForm_closepc() {
  if (Form_closepc == this) Form_closepc = nullptr;
}

void TForm_closepc::Timer1Timer() {
  --count_;
  Label2->setText(QString::number(count_));
  if (count_ < 1) {
    if (action_ == Action::Shutdown) ShutdownNow();
    else RebootNow();
  }
}

void TForm_closepc::ShutdownNow() {
  // If the system refuses, the window stays and asks again a minute later.
  Timer1.setInterval(kRepeatMs);
  power_.PowerOff();
}

void TForm_closepc::RebootNow() {
  Timer1.setInterval(kRepeatMs);
  power_.Reboot();
}

void TForm_closepc::FormClose(CloseAction& action) {
  Timer1.stop();
  if (Form_closepc == this) Form_closepc = nullptr;
  action = CloseAction::Free;
}
