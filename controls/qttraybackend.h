// The notification-area icon on the desktop, through Qt's QSystemTrayIcon.
#pragma once

#include <QSystemTrayIcon>
#include <QTimer>

#include "controls/traybackend.h"

namespace orvane {

class QtTrayBackend : public TrayBackend {
  Q_OBJECT
 public:
  explicit QtTrayBackend(QObject* parent = nullptr);
  bool available() const override;
  bool add(const NotifyIconData& data) override;
  bool modify(const NotifyIconData& data) override;
  bool remove() override;
  void setMenu(QMenu* menu) override;
  bool showsMenuItself() const override { return menu_ != nullptr; }
  // The desktop's icon itself (tests look at the menu it was given and click it).
  QSystemTrayIcon& trayIcon() { return icon_; }

  // How often a missing notification area is looked for again.
  static constexpr int kTrayPollMs = 3000;

 private:
  void apply(const NotifyIconData& data);
  void pollTray();

  QSystemTrayIcon icon_;
  QMenu* menu_ = nullptr;
  bool added_ = false;
  quint64 shownBalloon_ = 0;
  QTimer balloonTimer_;
  QTimer trayPoll_;
};

}  // namespace orvane
