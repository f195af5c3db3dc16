// The network-time window: shows a web server's time beside the computer's and sets the
// computer's clock from it. Requests never block the window; its buttons wait for them.
#pragma once

#include <QDateTime>

#include "platform/forms/form.h"
#include "scheduler/core/nettime.h"

class QLabel;
class QPushButton;
namespace orvane {
class ClockControl;
}

class TForm_nettime : public orvane::Form {
  Q_OBJECT
 public:
  // clock may be null: setting the clock then fails with the usual message.
  explicit TForm_nettime(orvane::ClockControl* clock, QWidget* owner = nullptr, QUrl url = NetTimeUrl());

  void Button1Click();  // 获取时间: fetch and show
  void Button2Click();  // 校对时间: set the clock
  NetTime& net() { return net_; }

  QLabel* Label3;
  QLabel* Label1;
  QLabel* Label4;
  QLabel* Label2;
  QPushButton* Button1;
  QPushButton* Button2;

 protected:
  void FormClose(CloseAction& action) override;

 private:
  void fetched(const QDateTime& date);
  void SyncClock(NetTimeOutcome outcome);
  void setWaiting(bool waiting);

  orvane::ClockControl* clock_;
  NetTime net_;
  bool syncing_ = false;
  QDateTime date_;
};
