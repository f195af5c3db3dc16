// Form base.
#include "platform/forms/form.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPointer>
#include <QVBoxLayout>

namespace orvane {

Form::Form(QWidget* owner) : QWidget(owner, Qt::Window), client_(new QWidget(this)) {
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
  const QMargins m = contentsMargins();
  resize(width + m.left() + m.right(), height + m.top() + m.bottom());
}

int Form::ShowModal() {
  modalResult_ = mrNone;
  setWindowModality(Qt::ApplicationModal);
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
