// Password prompt.
#include "scheduler/windows/Unit_mm.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/msgbox/messagebox.h"
#include "scheduler/windows/keypreview.h"
#include "scheduler/windows/namedwidgets.h"

using orvane::MessageBox;
namespace mb = orvane::mb;

TForm_mm::TForm_mm(TDataModule1& dm, MainState& state, std::function<void(bool)> showLogout, QWidget* owner)
    : Form(owner), passwords_(dm, state, std::move(showLogout)) {
  setObjectName(QStringLiteral("Form_mm"));
  setCaption(QStringLiteral("请输入密码"));
  Label1 = named(new QLabel(QStringLiteral("密码：")), "Label1");
  Edit1 = PasswordEdit("Edit1");
  Button1 = named(new QPushButton(QStringLiteral("确定")), "Button1");
  Button2 = named(new QPushButton(QStringLiteral("取消")), "Button2");
  // Enter is the window's own (see FormKeyPress), never a default button's.
  Button1->setAutoDefault(false);
  Button2->setAutoDefault(false);

  auto* grid = new QGridLayout(client());
  grid->addWidget(Label1, 0, 0);
  grid->addWidget(Edit1, 0, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  grid->addLayout(buttons, 1, 0, 1, 2);
  setClientSize(280, 90);
  setTabOrder(Edit1, Button1);
  setTabOrder(Button1, Button2);
  Edit1->setFocus();

  connect(Button1, &QPushButton::clicked, this, &TForm_mm::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm_mm::Button2Click);
  preview_ = new KeyPreview(this, [this](QKeyEvent* e) { return FormKeyPress(e); });
}

bool TForm_mm::FormKeyPress(QKeyEvent* e) {
  if (e->key() != Qt::Key_Return && e->key() != Qt::Key_Enter) return false;
  // Enter steps to the next control; on a button it presses the button.
  if (auto* button = qobject_cast<QPushButton*>(focusWidget())) button->click();
  else focusNextChild();
  return true;
}

void TForm_mm::Button1Click() {
  switch (passwords_.Login(Edit1->text())) {
    case Passwords::Result::Ok: Close(); return;
    case Passwords::Result::ReadFailed:
      MessageBox(passwords_.error(), QStringLiteral("错误"), mb::ICONHAND);
      break;
    default:
      MessageBox(QStringLiteral("密码错误。"), QStringLiteral("错误"), mb::ICONHAND);
      break;
  }
  // The wrong entry is selected, so what the operator types next replaces it.
  Edit1->setFocus();
  Edit1->selectAll();
}

void TForm_mm::Button2Click() { Close(); }
