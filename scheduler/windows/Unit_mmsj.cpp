// Password window.
#include "scheduler/windows/Unit_mmsj.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/msgbox/messagebox.h"
#include "scheduler/windows/namedwidgets.h"

using orvane::MessageBox;
namespace mb = orvane::mb;

TForm_mmsj* Form_mmsj = nullptr;

TForm_mmsj::TForm_mmsj(TDataModule1& dm, MainState& state, std::function<void(bool)> showLogout, QWidget* owner)
    : Form(owner), passwords_(dm, state, std::move(showLogout)) {
  setObjectName(QStringLiteral("Form_mmsj"));
  setCaption(QStringLiteral("密码设置"));
  Label1 = named(new QLabel(QStringLiteral("原密码：")), "Label1");
  Label2 = named(new QLabel(QStringLiteral("新密码：")), "Label2");
  Label3 = named(new QLabel(QStringLiteral("确认新密码：")), "Label3");
  Edit1 = PasswordEdit("Edit1");
  Edit2 = PasswordEdit("Edit2");
  Edit3 = PasswordEdit("Edit3");
  Label4 = named(new QLabel(QStringLiteral("说明：如果设置了不为空的密码，那么只有用户登陆后才可以更改各项设置，否则只能查看（用户不再编辑时，"
                                           "请注意退出）。如果想设置方便，则把密码设为空，这时进行各项设置不需要密码。默认密码为空。\n")),
                 "Label4");
  KeepWrappedWhole(Label4, 340);
  Button1 = named(new QPushButton(QStringLiteral("确定")), "Button1");
  Button2 = named(new QPushButton(QStringLiteral("取消")), "Button2");

  auto* grid = new QGridLayout(client());
  grid->addWidget(Label1, 0, 0);
  grid->addWidget(Edit1, 0, 1);
  grid->addWidget(Label2, 1, 0);
  grid->addWidget(Edit2, 1, 1);
  grid->addWidget(Label3, 2, 0);
  grid->addWidget(Edit3, 2, 1);
  grid->addWidget(Label4, 3, 0, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  grid->addLayout(buttons, 4, 0, 1, 2);
  setClientSize(360, 240);

  connect(Button1, &QPushButton::clicked, this, &TForm_mmsj::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm_mmsj::Button2Click);
  Form_mmsj = this;
}

TForm_mmsj::~TForm_mmsj() {
  if (Form_mmsj == this) Form_mmsj = nullptr;
}

void TForm_mmsj::Button1Click() {
  switch (passwords_.Change(Edit1->text(), Edit2->text(), Edit3->text())) {
    case Passwords::Result::NewMismatch:
      MessageBox(QStringLiteral("两次输入的密码不一致，请重新输入。"), QStringLiteral("出错"), mb::ICONHAND);
      Edit3->setFocus();
      Edit3->selectAll();  // retyped, not appended to
      return;
    case Passwords::Result::OldWrong:
    case Passwords::Result::WrongPassword:
      MessageBox(QStringLiteral("输入的原密码不正确，请重新输入。"), QStringLiteral("出错"), mb::ICONHAND);
      Edit1->setFocus();
      Edit1->selectAll();
      return;
    case Passwords::Result::ReadFailed:
      MessageBox(passwords_.error(), QStringLiteral("错误"), mb::ICONHAND);
      return;
    case Passwords::Result::WriteFailed:
      // Already reported as a failed write; nothing changed, so nothing more is said.
      return;
    case Passwords::Result::Ok: break;
  }
  MessageBox(QStringLiteral("修改密码成功。"), QStringLiteral("提示"), mb::OK);
  Close();
}

void TForm_mmsj::Button2Click() { Close(); }

void TForm_mmsj::FormClose(CloseAction& action) {
  (void)action;
  if (Form_mmsj == this) Form_mmsj = nullptr;
}
