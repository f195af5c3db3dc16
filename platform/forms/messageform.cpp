// Message box window.
#include "platform/forms/messageform.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

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
  auto* outer = new QVBoxLayout(client());
  auto* row = new QHBoxLayout;
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
  text_->setWordWrap(text.size() > 60);
  row->addWidget(text_, 1);
  outer->addLayout(row);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  const int def = mb::defaultResultOf(flags);
  for (int result : mb::buttonsOf(flags)) {
    auto* b = new QPushButton(buttonText(result));
    b->setProperty("modalResult", result);
    b->setMinimumWidth(75);
    connect(b, &QPushButton::clicked, this, [this, result] { setModalResult(result); });
    buttons_.append(b);
    buttons->addWidget(b);
    if (result == def) {
      b->setDefault(true);
      b->setFocus();
    }
  }
  buttons->addStretch();
  outer->addLayout(buttons);
  setWindowFlag(Qt::WindowMinMaxButtonsHint, false);
  setFixedSize(sizeHint());
}

QPushButton* TMessageForm::button(int result) const {
  for (auto* b : buttons_)
    if (b->property("modalResult").toInt() == result) return b;
  return nullptr;
}

void installMessageFormHandler() {
  setMessageBoxHandler([](const MessageBoxRequest& r) {
    QWidget* owner = QApplication::activeWindow();
    if (NoNestedLoopScope::active() && mb::isNotice(r.flags)) {
      auto* form = new TMessageForm(r.text, r.caption, r.flags, owner);
      form->setAttribute(Qt::WA_DeleteOnClose);
      QObject::connect(form->button(mb::IDOK), &QPushButton::clicked, form, &QWidget::close);
      form->show();
      return mb::IDOK;
    }
    TMessageForm form(r.text, r.caption, r.flags, owner);
    int result = form.ShowModal();
    // Closing the window counts as Cancel where there is one, else as the default button.
    if (result == Form::mrCancel && !form.button(mb::IDCANCEL)) result = mb::defaultResultOf(r.flags);
    return result;
  });
}

}  // namespace orvane
