// Form base.
#include "platform/forms/form.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPointer>
#include <QScreen>
#include <QVBoxLayout>

namespace orvane {

namespace {
// What a title bar needs beside its caption: the icon, the buttons and the margins.
constexpr int kTitleBarRoom = 120;

// The window manager keeps a window above its owner only for a dialog's window type (that is
// what names the owner to it); an owned window keeps a normal window's maximise button.
Qt::WindowFlags windowFlagsFor(const QWidget* owner) {
  if (!owner) return Qt::Window;
  return Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
         Qt::WindowCloseButtonHint;
}
}  // namespace

Form::Form(QWidget* owner) : QWidget(owner, windowFlagsFor(owner)), client_(new QWidget(this)) {
  client_->setObjectName(QStringLiteral("client"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(client_);
}

Form::~Form() {
  if (modalLoop_) modalLoop_->quit();
}

void Form::setClientSize(int width, int height) {
  designSize_ = QSize(width, height);
  const QMargins m = contentsMargins();
  resize(width + m.left() + m.right(), height + m.top() + m.bottom());
}

void Form::setVisible(bool visible) {
  if (visible && !isVisible()) {
    // Controls placed by coordinates are cut by a smaller client.
    if (!client_->layout() && designSize_.isValid() && client_->minimumSize().isNull())
      client_->setMinimumSize(designSize_);
    fitCaption();
  }
  QWidget::setVisible(visible);
}

void Form::fitCaption() {
  QFont titleFont = font();
  titleFont.setBold(true);
  const int needed = QFontMetrics(titleFont).horizontalAdvance(caption()) + kTitleBarRoom;
  const int frame = contentsMargins().left() + contentsMargins().right();
  // An explicit minimum replaces the one the client's layout asks for, so it is set only
  // when it is the larger.
  const int ownMinimum = qMax(client_->minimumWidth(), client_->minimumSizeHint().width());
  if (ownMinimum + frame < needed) client_->setMinimumWidth(needed - frame);
  if (width() < needed) resize(needed, height());
}

void Form::placeOnOwner() {
  QWidget* ownerWindow = owner();
  const bool ownerShown = ownerWindow && ownerWindow->isVisible() && !ownerWindow->isMinimized();
  // A window without owner is placed by the window manager unless it asked for a place.
  if (!ownerWindow && !testAttribute(Qt::WA_Moved)) return;
  QScreen* screen = ownerShown ? ownerWindow->screen() : this->screen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  // The window manager frames this window only once it shows; the owner's frame is the same
  // kind of frame.
  QMargins frame;
  if (ownerShown) {
    const QRect outer = ownerWindow->frameGeometry(), inner = ownerWindow->geometry();
    frame = QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                     outer.bottom() - inner.bottom());
  }
  const QSize fitting = size().boundedTo(area.size().shrunkBy(frame)).expandedTo(minimumSize());
  if (fitting != size()) resize(fitting);
  QRect outer(QPoint(0, 0), size().grownBy(frame));
  if (ownerShown) outer.moveCenter(ownerWindow->frameGeometry().center());
  else if (ownerWindow) outer.moveCenter(area.center());
  else outer.moveTopLeft(pos());
  outer.moveLeft(qMax(area.left(), qMin(outer.left(), area.right() + 1 - outer.width())));
  outer.moveTop(qMax(area.top(), qMin(outer.top(), area.bottom() + 1 - outer.height())));
  // Placed by its client area: until the window manager has framed the window, the toolkit
  // cannot place it by its frame.
  setGeometry(QRect(outer.topLeft() + QPoint(frame.left(), frame.top()), size()));
}

int Form::ShowModal() {
  modalResult_ = mrNone;
  // A dialog to the window manager, so it is framed and kept as one.
  if (!testAttribute(Qt::WA_WState_Created) && windowType() == Qt::Window)
    setWindowFlags((windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog);
  setWindowModality(modalKind_);
  QEventLoop loop;
  modalLoop_ = &loop;
  QPointer<Form> self(this);
  show();
  raise();
  activateWindow();
  loop.exec(QEventLoop::DialogExec);
  if (!self) return mrCancel;
  modalLoop_ = nullptr;
  setWindowModality(Qt::NonModal);
  if (modalResult_ == mrNone) modalResult_ = mrCancel;
  return modalResult_;
}

void Form::setModalResult(int result) {
  modalResult_ = result;
  if (result != mrNone && modalLoop_) close();
}

void Form::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  if (!e->spontaneous()) {
    if (!placed_) placeOnOwner();
    placed_ = true;
    FormShow();
    emit formShown();
  }
}

void Form::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (e->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void Form::keyPressEvent(QKeyEvent* e) {
  // Escape cancels a modal window, as dialogs do.
  if (modalLoop_ && e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
    setModalResult(mrCancel);
    return;
  }
  QWidget::keyPressEvent(e);
}

void Form::closeEvent(QCloseEvent* e) {
  if (closing_) {
    e->ignore();
    return;
  }
  bool canClose = true;
  FormCloseQuery(canClose);
  if (!canClose) {
    if (modalLoop_) modalResult_ = mrNone;
    e->ignore();
    return;
  }
  CloseAction action = CloseAction::Hide;
  closing_ = true;
  FormClose(action);
  closing_ = false;
  switch (action) {
    case CloseAction::None:
      e->ignore();
      if (modalLoop_) modalResult_ = mrNone;
      return;
    case CloseAction::Minimize:
      e->ignore();
      showMinimized();
      return;
    case CloseAction::Hide:
    case CloseAction::Free:
      break;
  }
  e->accept();
  if (modalLoop_) modalLoop_->quit();
  emit formClosed();
  if (action == CloseAction::Free) deleteLater();
}

}  // namespace orvane
