// A window's preview of key presses: the window sees every key pressed in any of its
// controls before the control does, and may swallow it.
#pragma once

#include <QObject>
#include <functional>

class QKeyEvent;
class QWidget;

class KeyPreview : public QObject {
  Q_OBJECT
 public:
  // The handler returns true to swallow the key. A key no control takes travels up to the
  // parents and is previewed again on the way, so the handler must not mind seeing it twice.
  // Lives as long as the window.
  KeyPreview(QWidget* window, std::function<bool(QKeyEvent*)> handler);
  ~KeyPreview() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* window_;
  std::function<bool(QKeyEvent*)> handler_;
};
