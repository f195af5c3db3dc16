// What the notification-area icon asks of the desktop: add, change and remove one icon, and
// hear about clicks, closed balloons and a tray that appears. One real backend over Qt's
// QSystemTrayIcon and one fake for tests.
#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

class QMenu;

namespace orvane {

// The icon's record, kept filled by the component and handed over whole on every call.
struct NotifyIconData {
  static constexpr unsigned NIF_MESSAGE = 1;
  static constexpr unsigned NIF_ICON = 2;
  static constexpr unsigned NIF_TIP = 4;
  static constexpr unsigned NIF_INFO = 16;

  unsigned flags = NIF_MESSAGE | NIF_ICON;
  QIcon icon;
  QString tip;        // at most 127 characters
  QString info;       // the balloon text, at most 255 characters
  QString infoTitle;  // the balloon title, at most 63 characters
  int timeout = 3000;  // balloon time-out in milliseconds
  int infoFlags = 0;   // 0 none, 1 information, 2 warning, 3 error
  // Counts the balloons asked for, so that a backend shows each one once however often the
  // record is handed over while it is up.
  quint64 balloonSerial = 0;
};

class TrayBackend : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  // The desktop has a notification area now.
  virtual bool available() const = 0;
  // False when the icon could not be put in (or changed in, or taken out of) the area.
  virtual bool add(const NotifyIconData& data) = 0;
  virtual bool modify(const NotifyIconData& data) = 0;
  virtual bool remove() = 0;
  // A menu the desktop itself opens on a right click (nullptr for none).
  virtual void setMenu(QMenu* menu) { (void)menu; }
  // True when the desktop opens the menu itself, so the component must not open it again.
  virtual bool showsMenuItself() const { return false; }

 signals:
  // A QSystemTrayIcon::ActivationReason.
  void activated(int reason);
  void balloonClosed();
  // A notification area appeared after the icon could not be added.
  void trayAppeared();
};

}  // namespace orvane
