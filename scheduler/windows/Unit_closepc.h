// The countdown shown before a daily shutdown or restart: 30 seconds to cancel, then the
// request, repeated once a minute for as long as the program still runs.
#pragma once

#include <QTimer>

#include "platform/forms/form.h"

class QLabel;
class QPushButton;
namespace orvane {
class PowerControl;
}

class TForm_closepc : public orvane::Form {
  Q_OBJECT
 public:
  enum class Action { Shutdown, Reboot };

  TForm_closepc(Action action, orvane::PowerControl& power, QWidget* owner = nullptr);
  ~TForm_closepc() override;

  Action action() const { return action_; }
  // One tick of the countdown (the timer calls it every second, then every minute).
  void Timer1Timer();
  void ShutdownNow();
  void RebootNow();

  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QPushButton* Button1;
  QTimer Timer1;

  static constexpr int kSeconds = 30;
  static constexpr int kRepeatMs = 60000;

 protected:
  void FormClose(CloseAction& action) override;

 private:
  Action action_;
  orvane::PowerControl& power_;
  int count_ = kSeconds;
};

// The countdown window while one is open.
extern TForm_closepc* Form_closepc;
