// About box.
#include "scheduler/windows/About.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/msgbox/messagebox.h"
#include "platform/system/shell.h"
#include "scheduler/windows/Unit_testshow.h"
#include "scheduler/windows/namedwidgets.h"

QString HelpFilePath() { return QCoreApplication::applicationDirPath() + QStringLiteral("/help.html"); }

TAboutFrm::TAboutFrm(TDataModule1& dm, orvane::Shell* shell, QWidget* owner, QString helpPath)
    : Form(owner), dm_(dm), shell_(shell), helpPath_(std::move(helpPath)) {
  setObjectName(QStringLiteral("AboutFrm"));
  setCaption(QStringLiteral("关于"));
  Label1 = named(new QLabel(QStringLiteral("欢迎使用软件")), "Label1");
  Label1->setAlignment(Qt::AlignCenter);
  Button2 = named(new QPushButton(QStringLiteral("帮助")), "Button2");
  Button3 = named(new QPushButton(QStringLiteral("操作提示")), "Button3");
  auto* box = new QVBoxLayout(client());
  box->addWidget(Label1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Button2);
  buttons->addWidget(Button3);
  buttons->addStretch();
  box->addLayout(buttons);
  setClientSize(300, 140);
  // A single border: the box keeps its size, and closing is all its title bar offers.
  setBorderStyle(orvane::bsSingle);
  setBorderIcons(orvane::biSystemMenu);
  connect(Button2, &QPushButton::clicked, this, &TAboutFrm::Button2Click);
  connect(Button3, &QPushButton::clicked, this, &TAboutFrm::Button3Click);
}

void TAboutFrm::Button2Click() {
  if (!QFileInfo(helpPath_).isFile()) {
    orvane::MessageBox(QStringLiteral("找不到帮助文件：") + helpPath_, QStringLiteral("提示"), orvane::mb::OK);
    return;
  }
  // Told when the desktop answers, which may be after the about box has closed.
  auto tell = [help = helpPath_](const QString& why) {
    orvane::MessageBox(QStringLiteral("无法打开帮助文件：") + help + QStringLiteral("\n") + why, QStringLiteral("提示"),
                       orvane::mb::OK);
  };
  if (!shell_) {
    qWarning().noquote() << "about: no desktop shell to open" << helpPath_;
    tell(QStringLiteral("没有桌面程序可用"));
    return;
  }
  // The shell logs what failed.
  shell_->OpenFile(helpPath_, tell);
}

void TAboutFrm::Button3Click() {
  TForm_syfa tips(dm_, this);
  // From here the tips cannot change whether they show at start.
  tips.CheckBox1->hide();
  tips.ShowModal();
}
