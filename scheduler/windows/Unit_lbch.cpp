// Song-list window.
#include "scheduler/windows/Unit_lbch.h"

#include <QLabel>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/msgbox/messagebox.h"
#include "scheduler/core/songlist.h"
#include "scheduler/windows/filepickers.h"
#include "scheduler/windows/namedwidgets.h"
#include "scheduler/windows/songlistbox.h"

TForm_lb* Form_lb = nullptr;

TForm_lb::TForm_lb(const QString& path, QWidget* owner) : Form(owner), path_(path) {
  setObjectName(QStringLiteral("Form_lb"));
  setCaption(QStringLiteral("查看歌曲列表内容"));
  QWidget* c = client();
  setClientSize(560, 380);

  Label1 = named(new QLabel(QStringLiteral("歌曲列表文件名："), c), "Label1");
  Label2 = named(new QLabel(c), "Label2");
  ListBox1 = named(new SongListBox(c), "ListBox1");
  Button1 = named(new QPushButton(QStringLiteral("添加歌曲..."), c), "Button1");
  Button2 = named(new QPushButton(QStringLiteral("清除全部"), c), "Button2");
  Button3 = named(new QPushButton(QStringLiteral("清除一首"), c), "Button3");
  Button4 = named(new QPushButton(QStringLiteral("保存列表"), c), "Button4");

  auto* outer = new QVBoxLayout(c);
  outer->setContentsMargins(8, 8, 8, 8);
  auto* top = new QHBoxLayout;
  top->addWidget(Label1, 1);
  top->addWidget(Label2);
  outer->addLayout(top);
  auto* middle = new QHBoxLayout;
  middle->addWidget(ListBox1, 1);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {Button1, Button2, Button3}) buttons->addWidget(b);
  buttons->addStretch();
  buttons->addWidget(Button4);
  middle->addLayout(buttons);
  outer->addLayout(middle, 1);

  connect(Button1, &QPushButton::clicked, this, &TForm_lb::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm_lb::Button2Click);
  connect(Button3, &QPushButton::clicked, this, &TForm_lb::Button3Click);
  connect(Button4, &QPushButton::clicked, this, &TForm_lb::Button4Click);
  connect(ListBox1, &SongListBox::countChanged, this, &TForm_lb::showCount);
  Form_lb = this;

  bool ok = false;
  const QStringList lines = SongList::Read(path_, &ok);
  if (!ok) {
    loadFailed_ = true;
    orvane::MessageBox(SongList::ReadErrorText(path_), QStringLiteral("错误"), orvane::mb::ICONHAND);
    return;
  }
  Label1->setText(SongList::NameLine(path_));
  ListBox1->setLines(lines);
}

TForm_lb::~TForm_lb() {
  if (Form_lb == this) Form_lb = nullptr;
}

void TForm_lb::showCount() {
  Label2->setText(QStringLiteral("(共 ") + QString::number(ListBox1->count()) + QStringLiteral(" 首)"));
}

void TForm_lb::AddFiles(const QStringList& files) { ListBox1->appendLines(files); }

void TForm_lb::Button1Click() {
  const QStringList files = PickOpenFiles(this, QStringLiteral("请选择音视频文件"), MediaFileFilters(false));
  if (!files.isEmpty()) AddFiles(files);
}

void TForm_lb::Button2Click() { ListBox1->setLines({}); }

void TForm_lb::Button3Click() { ListBox1->removeSelected(); }

void TForm_lb::Button4Click() {
  // A list that could not be read may still exist on disk: saving would replace it.
  if (loadFailed_ &&
      orvane::MessageBox(QStringLiteral("该歌曲列表文件未能读取，保存将覆盖此文件。确定要保存吗?"), QStringLiteral("提示"),
                         orvane::mb::OKCANCEL | orvane::mb::ICONQUESTION) != orvane::mb::IDOK)
    return;
  if (!SongList::Write(path_, ListBox1->lines())) {
    orvane::MessageBox(SongList::WriteErrorText(path_), QStringLiteral("错误"), orvane::mb::ICONHAND);
    return;
  }
  orvane::MessageBox(QStringLiteral("保存列表成功。"), QStringLiteral("提示"), orvane::mb::OK);
  Close();
}

void TForm_lb::FormClose(CloseAction& action) {
  action = CloseAction::Hide;
  if (Form_lb == this) Form_lb = nullptr;
}
