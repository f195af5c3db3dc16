// Notification-area icon component.
#include "controls/ExtCtrlsX.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDebug>
#include <QGuiApplication>
#include <QMenu>
#include <QSystemTrayIcon>

#include "controls/qttraybackend.h"

using orvane::NotifyIconData;

TCustomTrayIcon::TCustomTrayIcon(QObject* owner, std::unique_ptr<orvane::TrayBackend> backend)
    : QObject(owner), backend_(std::move(backend)) {
  if (!backend_) backend_ = std::make_unique<orvane::QtTrayBackend>();
  connectBackend();
  AnimateTimer.setInterval(1000);
  connect(&AnimateTimer, &QTimer::timeout, this, &TCustomTrayIcon::AnimationTick);
  data_.flags = NotifyIconData::NIF_MESSAGE | NotifyIconData::NIF_ICON;
  data_.timeout = 3000;
  // Until a hint is set the tip is the application's title.
  data_.tip = LeftChars(QCoreApplication::applicationName(), kTipChars);
  if (!data_.tip.isEmpty()) data_.flags |= NotifyIconData::NIF_TIP;
  RefreshIcon();
}

TCustomTrayIcon::~TCustomTrayIcon() {
  AnimateTimer.stop();
  if (inTray_) backend_->remove();
}

void TCustomTrayIcon::connectBackend() {
  connect(backend_.get(), &orvane::TrayBackend::activated, this, &TCustomTrayIcon::activated);
  connect(backend_.get(), &orvane::TrayBackend::balloonClosed, this, [this] {
    HandleTrayMessage(traymsg::BalloonTimeout, QPoint(), Qt::NoModifier);
  });
  connect(backend_.get(), &orvane::TrayBackend::trayAppeared, this, &TCustomTrayIcon::trayAppeared);
  backend_->setMenu(popupMenu_);
}

void TCustomTrayIcon::setBackend(std::unique_ptr<orvane::TrayBackend> backend) {
  if (!backend) return;
  if (inTray_) backend_->remove();
  inTray_ = false;
  backend_->disconnect(this);
  backend_ = std::move(backend);
  connectBackend();
  if (visible_) {
    inTray_ = NotifyShell(Action::Add);
    if (!inTray_) qWarning() << "tray: Cannot create shell notification icon";
  }
}

QString TCustomTrayIcon::LeftChars(const QString& text, int count) {
  qsizetype units = 0;
  for (int chars = 0; chars < count && units < text.size(); ++chars)
    units += (text.at(units).isHighSurrogate() && units + 1 < text.size() && text.at(units + 1).isLowSurrogate()) ? 2 : 1;
  return text.left(units);
}

TShiftState TCustomTrayIcon::ShiftStateOf(Qt::KeyboardModifiers keys) {
  TShiftState s = 0;
  if (keys & Qt::ShiftModifier) s |= ssShift;
  if (keys & Qt::AltModifier) s |= ssAlt;
  if (keys & Qt::ControlModifier) s |= ssCtrl;
  return s;
}

bool TCustomTrayIcon::NotifyShell(Action action) {
  switch (action) {
    case Action::Add: return backend_->add(data_);
    case Action::Modify:
      // An icon that is not in the area has nothing to change; the whole record goes with
      // the next add.
      return inTray_ && backend_->modify(data_);
    case Action::Delete: return backend_->remove();
  }
  return false;
}

void TCustomTrayIcon::RefreshIcon() {
  data_.icon = currentIcon_;
  if (visible_) NotifyShell(Action::Modify);
}

void TCustomTrayIcon::SetDefaultIcon() {
  currentIcon_ = icon_.isNull() ? QGuiApplication::windowIcon() : icon_;
  RefreshIcon();
}

bool TCustomTrayIcon::SetVisible(bool value) {
  if (value == visible_) return true;
  visible_ = value;
  if (!animate_ || currentIcon_.isNull()) SetDefaultIcon();
  bool ok = true;
  if (value) {
    ok = NotifyShell(Action::Add);
    inTray_ = ok;
    if (!ok) qWarning() << "tray: Cannot create shell notification icon";
  } else {
    ok = NotifyShell(Action::Delete);
    if (ok) inTray_ = false;
    else qWarning() << "tray: Cannot remove shell notification icon";
  }
  if (animate_) {
    if (value) AnimateTimer.start();
    else AnimateTimer.stop();
  }
  return ok;
}

void TCustomTrayIcon::SetHint(const QString& text) {
  if (text == hint_) return;
  hint_ = text;
  data_.tip = LeftChars(text, kTipChars);
  if (text.isEmpty()) data_.flags &= ~NotifyIconData::NIF_TIP;
  else data_.flags |= NotifyIconData::NIF_TIP;
  RefreshIcon();
}

void TCustomTrayIcon::SetIcon(const QIcon& icon) {
  icon_ = icon;
  currentIcon_ = icon;
  RefreshIcon();
}

void TCustomTrayIcon::SetIcons(const QList<QIcon>* icons) {
  icons_ = icons;
  if (!icons_) SetDefaultIcon();
}

void TCustomTrayIcon::SetIconIndex(int value) {
  if (value == iconIndex_) return;
  iconIndex_ = value;
  // An index outside the list leaves the picture as it is.
  if (icons_ && value >= 0 && value < icons_->size()) currentIcon_ = icons_->at(value);
  RefreshIcon();
}

void TCustomTrayIcon::SetAnimate(bool value) {
  if (value == animate_) return;
  animate_ = value;
  if (icons_ && !icons_->isEmpty() && visible_) {
    if (value) AnimateTimer.start();
    else AnimateTimer.stop();
  }
  // The frame shown last stays as the icon.
  if (!value && !currentIcon_.isNull()) icon_ = currentIcon_;
}

void TCustomTrayIcon::SetPopupMenu(QMenu* menu) {
  popupMenu_ = menu;
  backend_->setMenu(menu);
}

void TCustomTrayIcon::SetBalloonHint(const QString& text) {
  if (text == balloonHint_) return;
  balloonHint_ = text;
  data_.info = LeftChars(text, kBalloonChars);
  NotifyShell(Action::Modify);
}

void TCustomTrayIcon::SetBalloonTitle(const QString& text) {
  if (text == balloonTitle_) return;
  balloonTitle_ = text;
  data_.infoTitle = LeftChars(text, kBalloonTitleChars);
  NotifyShell(Action::Modify);
}

void TCustomTrayIcon::ShowBalloon() {
  data_.flags |= NotifyIconData::NIF_INFO;
  data_.infoFlags = int(balloonFlags_);
  ++data_.balloonSerial;
  NotifyShell(Action::Modify);
}

void TCustomTrayIcon::AnimationTick() {
  if (OnAnimate) OnAnimate(this);
  if (icons_ && iconIndex_ < icons_->size() - 1) SetIconIndex(iconIndex_ + 1);
  else SetIconIndex(0);
  RefreshIcon();
}

void TCustomTrayIcon::trayAppeared() {
  if (!visible_) return;
  inTray_ = NotifyShell(Action::Add);
}

void TCustomTrayIcon::activated(int reason) {
  // Qt reports whole clicks; they are replayed as the button messages a click is made of.
  const QPoint pos = QCursor::pos();
  const Qt::KeyboardModifiers keys = QGuiApplication::queryKeyboardModifiers();
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      HandleTrayMessage(traymsg::LButtonDown, pos, keys);
      HandleTrayMessage(traymsg::LButtonUp, pos, keys);
      break;
    case QSystemTrayIcon::DoubleClick:
      // The first click of the pair has already come as a Trigger.
      HandleTrayMessage(traymsg::LButtonDblClk, pos, keys);
      HandleTrayMessage(traymsg::LButtonUp, pos, keys);
      break;
    case QSystemTrayIcon::Context:
      HandleTrayMessage(traymsg::RButtonDown, pos, keys);
      HandleTrayMessage(traymsg::RButtonUp, pos, keys);
      break;
    case QSystemTrayIcon::MiddleClick:
      HandleTrayMessage(traymsg::MButtonDown, pos, keys);
      HandleTrayMessage(traymsg::MButtonUp, pos, keys);
      break;
    default: break;
  }
}

void TCustomTrayIcon::HandleTrayMessage(unsigned message, const QPoint& pos, Qt::KeyboardModifiers keys) {
  if (message == traymsg::BalloonHide || message == traymsg::BalloonTimeout) {
    data_.flags &= ~NotifyIconData::NIF_INFO;
    return;
  }
  mouse(message, pos, keys);
}

void TCustomTrayIcon::mouse(unsigned message, const QPoint& pos, Qt::KeyboardModifiers keys) {
  const TShiftState shift = ShiftStateOf(keys);
  const int x = pos.x(), y = pos.y();
  switch (message) {
    case traymsg::MouseMove:
      if (OnMouseMove) OnMouseMove(this, shift, x, y);
      break;
    case traymsg::LButtonDown:
      if (OnMouseDown) OnMouseDown(this, mbLeft, shift | ssLeft, x, y);
      leftClickPending_ = true;
      break;
    case traymsg::LButtonUp:
      if (leftClickPending_ && OnClick) {
        OnClick(this);
        leftClickPending_ = false;
      }
      if (OnMouseUp) OnMouseUp(this, mbLeft, shift | ssLeft, x, y);
      break;
    case traymsg::LButtonDblClk:
    case traymsg::RButtonDblClk:
    case traymsg::MButtonDblClk:
      if (OnDblClick) OnDblClick(this);
      break;
    case traymsg::RButtonDown:
      if (OnMouseDown) OnMouseDown(this, mbRight, shift | ssRight, x, y);
      break;
    case traymsg::RButtonUp:
      if (OnMouseUp) OnMouseUp(this, mbRight, shift | ssRight, x, y);
      if (popupMenu_ && !backend_->showsMenuItself()) popupMenu_->popup(pos);
      break;
    case traymsg::MButtonDown:
      if (OnMouseDown) OnMouseDown(this, mbMiddle, shift | ssMiddle, x, y);
      break;
    case traymsg::MButtonUp:
      if (OnMouseUp) OnMouseUp(this, mbMiddle, shift | ssMiddle, x, y);
      break;
    default: break;
  }
}
