// The notification-area icon component: one icon with a tip, a balloon hint, an optionally
// animated icon from an image list, mouse actions reported as events, and a popup menu on a
// right click. The desktop is reached through a TrayBackend (Qt's QSystemTrayIcon by default).
#pragma once

#include <QIcon>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QTimer>
#include <functional>
#include <memory>

#include "controls/traybackend.h"

class QMenu;

enum TBalloonFlags { bfNone = 0, bfInfo = 1, bfWarning = 2, bfError = 3 };
enum TMouseButton { mbLeft, mbRight, mbMiddle };
// Keys and buttons held during a mouse action.
enum TShiftFlag : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32 };
using TShiftState = unsigned;

using TNotifyEvent = std::function<void(QObject* sender)>;
using TMouseEvent = std::function<void(QObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(QObject* sender, TShiftState shift, int x, int y)>;

// Mouse messages on the icon, as the notification area reports them.
namespace traymsg {
constexpr unsigned MouseMove = 512;
constexpr unsigned LButtonDown = 513;
constexpr unsigned LButtonUp = 514;
constexpr unsigned LButtonDblClk = 515;
constexpr unsigned RButtonDown = 516;
constexpr unsigned RButtonUp = 517;
constexpr unsigned RButtonDblClk = 518;
constexpr unsigned MButtonDown = 519;
constexpr unsigned MButtonUp = 520;
constexpr unsigned MButtonDblClk = 521;
constexpr unsigned BalloonHide = 1027;
constexpr unsigned BalloonTimeout = 1028;
}  // namespace traymsg

class TCustomTrayIcon : public QObject {
  Q_OBJECT
 public:
  static constexpr int kTipChars = 127;
  static constexpr int kBalloonChars = 255;
  static constexpr int kBalloonTitleChars = 63;

  // Without a backend the desktop's notification area is used.
  explicit TCustomTrayIcon(QObject* owner = nullptr, std::unique_ptr<orvane::TrayBackend> backend = nullptr);
  ~TCustomTrayIcon() override;

  // Moves the icon to another backend (a shown icon is taken out of the old one first).
  void setBackend(std::unique_ptr<orvane::TrayBackend> backend);
  orvane::TrayBackend* backend() const { return backend_.get(); }

  bool Animate() const { return animate_; }
  void SetAnimate(bool value);
  unsigned AnimateInterval() const { return unsigned(AnimateTimer.interval()); }
  void SetAnimateInterval(unsigned ms) { AnimateTimer.setInterval(int(ms)); }
  const QString& Hint() const { return hint_; }
  void SetHint(const QString& text);
  const QString& BalloonHint() const { return balloonHint_; }
  void SetBalloonHint(const QString& text);
  const QString& BalloonTitle() const { return balloonTitle_; }
  void SetBalloonTitle(const QString& text);
  int BalloonTimeout() const { return data_.timeout; }
  void SetBalloonTimeout(int ms) { data_.timeout = ms; }
  TBalloonFlags BalloonFlags() const { return balloonFlags_; }
  void SetBalloonFlags(TBalloonFlags flags) { balloonFlags_ = flags; }
  const QIcon& Icon() const { return icon_; }
  void SetIcon(const QIcon& icon);
  // What the notification area shows (a frame of Icons while animating).
  const QIcon& CurrentIcon() const { return currentIcon_; }
  // The image list; not owned, may be null.
  const QList<QIcon>* Icons() const { return icons_; }
  void SetIcons(const QList<QIcon>* icons);
  int IconIndex() const { return iconIndex_; }
  virtual void SetIconIndex(int value);
  // Not owned.
  QMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(QMenu* menu);
  bool Visible() const { return visible_; }
  // True when the notification area took the change. A refusal is logged ("Cannot create
  // shell notification icon" / "Cannot remove shell notification icon") and Visible keeps
  // the new value, so the icon is added when a notification area appears later.
  virtual bool SetVisible(bool value);
  // The icon is in the notification area now (Visible and accepted by the desktop).
  bool Shown() const { return inTray_; }

  virtual void ShowBalloon();
  // One message from the notification area: a mouse message with the cursor position and
  // the keys held at that moment, or a balloon message.
  virtual void HandleTrayMessage(unsigned message, const QPoint& pos, Qt::KeyboardModifiers keys);
  virtual void AnimationTick();
  void RefreshIcon();
  const orvane::NotifyIconData& data() const { return data_; }

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TNotifyEvent OnAnimate;

  QTimer AnimateTimer;

  // The first `count` characters (code points, never half a pair) of the text.
  static QString LeftChars(const QString& text, int count);
  static TShiftState ShiftStateOf(Qt::KeyboardModifiers keys);

 private:
  void SetDefaultIcon();
  enum class Action { Add, Modify, Delete };
  bool NotifyShell(Action action);
  void connectBackend();
  void activated(int reason);
  void trayAppeared();
  void mouse(unsigned message, const QPoint& pos, Qt::KeyboardModifiers keys);

  std::unique_ptr<orvane::TrayBackend> backend_;
  orvane::NotifyIconData data_;
  bool animate_ = false;
  QString hint_;
  QString balloonHint_;
  QString balloonTitle_;
  TBalloonFlags balloonFlags_ = bfNone;
  QIcon icon_;
  QIcon currentIcon_;
  const QList<QIcon>* icons_ = nullptr;
  int iconIndex_ = 0;
  QMenu* popupMenu_ = nullptr;
  bool visible_ = false;
  bool inTray_ = false;
  bool leftClickPending_ = false;
};

// The component as windows place it.
class TTrayIcon : public TCustomTrayIcon {
  Q_OBJECT
 public:
  using TCustomTrayIcon::TCustomTrayIcon;
};
