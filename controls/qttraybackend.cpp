// Qt notification-area backend.
#include "controls/qttraybackend.h"

#include <QMenu>

namespace orvane {

QtTrayBackend::QtTrayBackend(QObject* parent) : TrayBackend(parent) {
  connect(&icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
    emit activated(int(r));
  });
  // Qt tells nothing when a balloon goes away by itself: its time-out stands for that.
  balloonTimer_.setSingleShot(true);
  connect(&balloonTimer_, &QTimer::timeout, this, &TrayBackend::balloonClosed);
  connect(&icon_, &QSystemTrayIcon::messageClicked, this, [this] {
    balloonTimer_.stop();
    emit balloonClosed();
  });
  trayPoll_.setInterval(kTrayPollMs);
  connect(&trayPoll_, &QTimer::timeout, this, &QtTrayBackend::pollTray);
}

bool QtTrayBackend::available() const { return QSystemTrayIcon::isSystemTrayAvailable(); }

void QtTrayBackend::apply(const NotifyIconData& data) {
  icon_.setIcon(data.icon);
  icon_.setToolTip((data.flags & NotifyIconData::NIF_TIP) ? data.tip : QString());
}

bool QtTrayBackend::add(const NotifyIconData& data) {
  apply(data);
  if (!available()) {
    // Keep looking: a panel with a notification area may start later.
    trayPoll_.start();
    return false;
  }
  trayPoll_.stop();
  icon_.show();
  added_ = true;
  return true;
}

bool QtTrayBackend::modify(const NotifyIconData& data) {
  apply(data);
  if (!added_) return false;
  if ((data.flags & NotifyIconData::NIF_INFO) && data.balloonSerial != shownBalloon_) {
    shownBalloon_ = data.balloonSerial;
    static const QSystemTrayIcon::MessageIcon kinds[] = {QSystemTrayIcon::NoIcon, QSystemTrayIcon::Information,
                                                         QSystemTrayIcon::Warning, QSystemTrayIcon::Critical};
    const auto kind = kinds[qBound(0, data.infoFlags, 3)];
    icon_.showMessage(data.infoTitle, data.info, kind, data.timeout);
    balloonTimer_.start(qMax(0, data.timeout));
  }
  return true;
}

bool QtTrayBackend::remove() {
  trayPoll_.stop();
  balloonTimer_.stop();
  icon_.hide();
  added_ = false;
  return true;
}

void QtTrayBackend::setMenu(QMenu* menu) {
  menu_ = menu;
  icon_.setContextMenu(menu);
}

void QtTrayBackend::pollTray() {
  if (!available()) return;
  trayPoll_.stop();
  emit trayAppeared();
}

}  // namespace orvane
