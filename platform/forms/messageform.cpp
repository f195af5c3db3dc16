// Message box window.
#include "platform/forms/messageform.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/forms/workingwindow.h"
#include "platform/msgbox/messagebox.h"

namespace orvane {

namespace {
QString buttonText(int result) {
  switch (result) {
    case mb::IDOK: return QStringLiteral("确定");
    case mb::IDCANCEL: return QStringLiteral("取消");
    case mb::IDABORT: return QStringLiteral("中止(&A)");
    case mb::IDRETRY: return QStringLiteral("重试(&R)");
    case mb::IDIGNORE: return QStringLiteral("忽略(&I)");
    case mb::IDYES: return QStringLiteral("是(&Y)");
    case mb::IDNO: return QStringLiteral("否(&N)");
    default: return QString::number(result);
  }
}

QStyle::StandardPixmap iconOf(int flags) {
  switch (flags & 0xF0) {
    case mb::ICONHAND: return QStyle::SP_MessageBoxCritical;
    case mb::ICONQUESTION: return QStyle::SP_MessageBoxQuestion;
    case mb::ICONEXCLAMATION: return QStyle::SP_MessageBoxWarning;
    case mb::ICONASTERISK: return QStyle::SP_MessageBoxInformation;
    default: return QStyle::SP_CustomBase;
  }
}
}  // namespace

TMessageForm::TMessageForm(const QString& text, const QString& caption, int flags, QWidget* owner)
    : Form(owner), text_(new QLabel(text)), flags_(flags) {
  setObjectName(QStringLiteral("TMessageForm"));
  setCaption(caption);
  // A dialog frame; the close box only where it has an answer.
  setBorderStyle(bsDialog);
  setBorderIcons(dismissResult() != 0 ? BorderIcons(biSystemMenu) : BorderIcons());
  setModalKind(owner ? Qt::WindowModal : Qt::ApplicationModal);

  auto* outer = new QVBoxLayout(client());
  outer->setContentsMargins(16, 14, 16, 12);
  outer->setSpacing(14);
  auto* row = new QHBoxLayout;
  row->setSpacing(12);
  const auto icon = iconOf(flags);
  if (icon != QStyle::SP_CustomBase) {
    auto* iconLabel = new QLabel;
    iconLabel->setObjectName(QStringLiteral("Image"));
    iconLabel->setPixmap(style()->standardIcon(icon).pixmap(32, 32));
    iconLabel->setAlignment(Qt::AlignTop);
    row->addWidget(iconLabel);
  }
  text_->setObjectName(QStringLiteral("Message"));
  text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  text_->setTextFormat(Qt::PlainText);
  // One line as long as it fits in three fifths of the screen, wrapped at that width beyond.
  const QFontMetrics metrics(text_->font());
  int natural = 0;
  for (const QString& line : text.split(QLatin1Char('\n'))) natural = qMax(natural, metrics.horizontalAdvance(line));
  const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
  const int widest = qMax(320, (screen ? screen->availableGeometry().width() : 1024) * 3 / 5);
  if (natural > widest) {
    text_->setWordWrap(true);
    text_->setFixedWidth(widest);
  }
  row->addWidget(text_, 1);
  outer->addLayout(row);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (int result : mb::buttonsOf(flags)) {
    auto* b = new QPushButton(buttonText(result));
    b->setProperty("modalResult", result);
    b->setMinimumWidth(75);
    b->setDefault(result == mb::defaultResultOf(flags));
    connect(b, &QPushButton::clicked, this, [this, result] { setModalResult(result); });
    buttons_.append(b);
    buttons->addWidget(b);
  }
  buttons->addStretch();
  outer->addLayout(buttons);
  // The box takes the size its caption, text and buttons need.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

QPushButton* TMessageForm::button(int result) const {
  for (auto* b : buttons_)
    if (b->property("modalResult").toInt() == result) return b;
  return nullptr;
}

int TMessageForm::dismissResult() const {
  const auto all = mb::buttonsOf(flags_);
  if (all.size() == 1) return all.front();
  for (int result : all)
    if (result == mb::IDCANCEL) return result;
  return 0;
}

void TMessageForm::FormShow() {
  if (QPushButton* b = button(mb::defaultResultOf(flags_))) b->setFocus(Qt::ActiveWindowFocusReason);
}

void TMessageForm::FormCloseQuery(bool& canClose) {
  if (modalResult() != mrNone) return;
  const int dismiss = dismissResult();
  canClose = dismiss != 0;
  // The close box answers as Escape does.
  if (canClose && isModal()) setModalResult(dismiss);
}

void TMessageForm::keyPressEvent(QKeyEvent* e) {
  if ((e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    switch (e->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter: {
        auto* focused = qobject_cast<QPushButton*>(focusWidget());
        QPushButton* b = buttons_.contains(focused) ? focused : button(mb::defaultResultOf(flags_));
        if (b) b->click();
        return;
      }
      case Qt::Key_Escape:
        if (QPushButton* b = button(dismissResult())) b->click();
        return;
      default: break;
    }
  }
  Form::keyPressEvent(e);
}

void installMessageFormHandler() {
  FollowWorkingWindow();
  setMessageBoxHandler([](const MessageBoxRequest& r) {
    // The window the box answers for owns it, as long as it shows.
    QWidget* owner = WorkingWindow();
    if (NoNestedLoopScope::active() && mb::isNotice(r.flags)) {
      auto* form = new TMessageForm(r.text, r.caption, r.flags, owner);
      form->setAttribute(Qt::WA_DeleteOnClose);
      QObject::connect(form->button(mb::IDOK), &QPushButton::clicked, form, &QWidget::close);
      form->show();
      return mb::IDOK;
    }
    // Not on the stack: an owner that goes while the box shows takes the box with it.
    QPointer<TMessageForm> form = new TMessageForm(r.text, r.caption, r.flags, owner);
    const int result = form->ShowModal();
    delete form.data();
    // A box that went without an answer (its owner closed under it) answers as its default.
    const auto offered = mb::buttonsOf(r.flags);
    return std::find(offered.begin(), offered.end(), result) != offered.end() ? result : mb::defaultResultOf(r.flags);
  });
}

}  // namespace orvane
