// The base of every control skinner: one object per skinned control, a QObject child of the
// control so that it dies with it. The form skinner of the control's window keeps the list of
// them, frees them when the skin goes and tells them when the skin changes.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace orvane::skin {

class TSkinControl : public QObject {
 public:
  // 0 created, 1 attached; 6 once the control has gone (then nothing is given back).
  enum { csCreated = 0, csAttached = 1, csDestroyed = 6 };

  explicit TSkinControl(QWidget* control) : QObject(control), hwnd_(control) {}

  QWidget* Handle() const { return hwnd_; }
  int State() const { return state_; }
  void SetState(int state) { state_ = state; }

  // The skin comes off: the control gets back what the skinner changed.
  virtual void DoneControl() {}
  // The skin changed: the skinner takes the new data and repaints.
  virtual void UpdateSkin() {}

 protected:
  QPointer<QWidget> hwnd_;
  int state_ = csCreated;
};

}  // namespace orvane::skin
