// What the skin manager needs of a form skinner and of a popup-menu skinner. The skinners are
// made by factories that the window-skinning code installs; the manager only creates them for
// the windows it accepts, switches them, and frees them.
#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "skin/WinSkinMsgs.h"

namespace orvane::skin {

class TSXSkin;

// The skinner of one top-level window.
class TWinSkinForm : public QObject {
 public:
  enum WindowKind { wkPlain = 0, wkMDIFrame = 1, wkMDIChild = 2 };
  enum LifeState { lsCreated = 0, lsAttached = 1, lsReapplying = 3, lsDestroying = 4, lsResizing = 5, lsDestroyed = 6 };

  // object: the window's Form, or null for a bare (foreign) window.
  TWinSkinForm(QWidget* hwnd, QObject* object, const QString& className)
      : hwnd_(hwnd), object_(object), className_(className) {
    ++LiveCount();
  }
  ~TWinSkinForm() override { --LiveCount(); }
  // Form skinners alive in the program.
  static int& LiveCount() {
    static int count = 0;
    return count;
  }

  QWidget* Handle() const { return hwnd_; }
  QObject* Object() const { return object_; }
  const QString& ClassName() const { return className_; }
  TSXSkin* Skin() const { return skin_; }
  int WindowKind() const { return windowKind_; }
  int LifeState() const { return lifeState_; }
  void SetLifeState(int state) { lifeState_ = state; }
  int RegionMode() const { return regionMode_; }
  void SetRegionMode(int mode) { regionMode_ = mode; }

  // Attaches the skin to a window with a Form, or to a bare window.
  virtual void InitForm(TSXSkin* skin, QObject* form) = 0;
  virtual void InitWindow(TSXSkin* skin) = 0;
  // Skin switched off for this window: everything given back.
  virtual void Unskin() = 0;
  // The manager goes: the window's procedures are restored, nothing repainted.
  virtual void Detach() = 0;
  virtual void RefreshWindow() = 0;
  virtual void FreeSysButtons() = 0;
  virtual void ApplySkinMetrics() = 0;
  virtual void ApplySkinColors() = 0;
  virtual bool HasRegion() const = 0;
  virtual void ClearRegion() = 0;
  virtual void UpdateRegion() = 0;
  virtual void FrameChanged() = 0;

 protected:
  QPointer<QWidget> hwnd_;
  QPointer<QObject> object_;
  QString className_;
  TSXSkin* skin_ = nullptr;
  int windowKind_ = wkPlain;
  int lifeState_ = lsCreated;
  int regionMode_ = 0;
};

// The skinner of one popup menu window.
class TWinSkinPopMenu : public QObject {
 public:
  explicit TWinSkinPopMenu(QWidget* hwnd) : hwnd_(hwnd) {}
  QWidget* Handle() const { return hwnd_; }
  bool OwnerDrawn = false;
  QPointer<QObject> MenuHandle;

  // Puts the skinner on the menu window's procedure chain with the skin.
  virtual void SubclassWindow(TSXSkin* skin) = 0;
  // Takes it off again.
  virtual void RestoreWindow() = 0;
  // The frame image of the menu shown, null before it is painted.
  virtual const QImage* FrameBitmap() const = 0;

 protected:
  QPointer<QWidget> hwnd_;
};

}  // namespace orvane::skin
