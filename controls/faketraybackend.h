// A notification area for tests: records every call and lets the test click, close balloons
// and make a tray appear.
#pragma once

#include <QList>
#include <QSystemTrayIcon>

#include "controls/traybackend.h"

namespace orvane {

class FakeTrayBackend : public TrayBackend {
 public:
  struct Call {
    QString action;  // "add", "modify", "remove"
    NotifyIconData data;
  };

  bool available() const override { return trayAvailable; }
  bool add(const NotifyIconData& data) override {
    calls.append({QStringLiteral("add"), data});
    if (!trayAvailable || !addResult) return false;
    shown = true;
    last = data;
    return true;
  }
  bool modify(const NotifyIconData& data) override {
    calls.append({QStringLiteral("modify"), data});
    if (!shown) return false;
    last = data;
    return true;
  }
  bool remove() override {
    calls.append({QStringLiteral("remove"), {}});
    if (!removeResult) return false;
    shown = false;
    return true;
  }
  void setMenu(QMenu* m) override { menu = m; }
  bool showsMenuItself() const override { return desktopMenu && menu; }

  // The desktop's side.
  void click(QSystemTrayIcon::ActivationReason reason) { emit activated(int(reason)); }
  void closeBalloon() { emit balloonClosed(); }
  void appear() {
    trayAvailable = true;
    emit trayAppeared();
  }
  int count(const QString& action) const {
    int n = 0;
    for (const Call& c : calls) n += c.action == action;
    return n;
  }

  bool trayAvailable = true;
  bool addResult = true;
  bool removeResult = true;
  bool desktopMenu = false;  // the desktop opens the menu itself
  bool shown = false;
  NotifyIconData last;
  QMenu* menu = nullptr;
  QList<Call> calls;
};

}  // namespace orvane
