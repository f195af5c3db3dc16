// Song-list editor.
#include "scheduler/windows/Unit_lbbj.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "platform/msgbox/messagebox.h"
#include "scheduler/core/songlist.h"
#include "scheduler/windows/Unit_sjbp_add.h"
#include "scheduler/windows/Unit_sjbp_addmuch.h"
#include "scheduler/windows/Unit_sjbp_edit.h"
#include "scheduler/windows/filepickers.h"
#include "scheduler/windows/namedwidgets.h"
#include "scheduler/windows/songlistbox.h"

TForm_lbbj* Form_lbbj = nullptr;

TForm_lbbj::TForm_lbbj(QWidget* owner) : Form(owner) {
  setObjectName(QStringLiteral("Form_lbbj"));
  setCaption(QStringLiteral("歌曲列表编辑"));
  QWidget* c = client();
  setClientSize(560, 430);

  Label1 = named(new QLabel(QStringLiteral("共有歌曲：0"), c), "Label1");
  // The list's file on a line of its own, whole: the window is as wide as it needs.
  Label2 = named(new QLabel(c), "Label2");
  Label_name = named(new QLabel(c), "Label_name");
  Label_name->hide();
  Label_bz = named(new QLabel(c), "Label_bz");
  Label_bz->hide();
  ListBox1 = named(new SongListBox(c), "ListBox1");
  Button1 = named(new QPushButton(QStringLiteral("添加歌曲..."), c), "Button1");
  Button4 = named(new QPushButton(QStringLiteral("清除全部"), c), "Button4");
  Button6 = named(new QPushButton(QStringLiteral("清除一首"), c), "Button6");
  GroupBox1 = named(new QGroupBox(c), "GroupBox1");
  Label3 = named(new QLabel(QStringLiteral("（说明：“歌曲列表”文件是存放多首歌曲名或视频名的，可以把某个文件夹或不同的文件夹中的"
                                           "歌名或视频名放入其中，实现多首歌曲或视频的播放）"),
                            GroupBox1),
                 "Label3");
  KeepWrappedWhole(Label3, 400);
  auto* box = new QVBoxLayout(GroupBox1);
  box->addWidget(Label3);

  auto* outer = new QVBoxLayout(c);
  outer->setContentsMargins(8, 8, 8, 8);
  outer->addWidget(Label2);
  outer->addWidget(Label1);
  auto* middle = new QHBoxLayout;
  middle->addWidget(ListBox1, 1);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {Button1, Button4, Button6}) buttons->addWidget(b);
  buttons->addStretch();
  middle->addLayout(buttons);
  outer->addLayout(middle, 1);
  outer->addWidget(GroupBox1);

  connect(Button1, &QPushButton::clicked, this, &TForm_lbbj::Button1Click);
  connect(Button4, &QPushButton::clicked, this, &TForm_lbbj::Button4Click);
  connect(Button6, &QPushButton::clicked, this, &TForm_lbbj::Button6Click);
  connect(ListBox1, &SongListBox::countChanged, this, &TForm_lbbj::showCount);
  Form_lbbj = this;
}

TForm_lbbj::~TForm_lbbj() {
  if (Form_lbbj == this) Form_lbbj = nullptr;
}

void TForm_lbbj::showCount() { Label1->setText(QStringLiteral("共有歌曲：") + QString::number(ListBox1->count())); }

bool TForm_lbbj::LoadList(const QString& path) {
  bool ok = false;
  const QStringList lines = SongList::Read(path, &ok);
  if (!ok) return false;
  ListBox1->setLines(lines);
  return true;
}

void TForm_lbbj::AddFiles(const QStringList& files) { ListBox1->appendLines(files); }

void TForm_lbbj::Button1Click() {
  const QStringList files = PickOpenFiles(this, QStringLiteral("请选择音视频文件"), MediaFileFilters(false));
  if (!files.isEmpty()) AddFiles(files);
}

void TForm_lbbj::Button4Click() { ListBox1->setLines({}); }

void TForm_lbbj::Button6Click() { ListBox1->removeSelected(); }

void TForm_lbbj::FormClose(CloseAction& action) {
  action = CloseAction::Hide;
  const QStringList lines = ListBox1->lines();
  if (!SongList::IsBlank(lines)) {
    const QString path = Label_name->text();
    if (!SongList::Write(path, lines)) {
      orvane::MessageBox(SongList::WriteErrorText(path), QStringLiteral("错误"), orvane::mb::ICONHAND);
    } else {
      const QString tag = Label_bz->text();
      EntryDialog* caller = nullptr;
      if (tag == QLatin1String("new")) caller = Form_sjbp_add;
      else if (tag == QLatin1String("edit")) caller = Form_sjbp_edit;
      else if (tag == QLatin1String("newmuch")) caller = Form_sjbp_addmuch;
      if (caller) caller->Edit_slpath->setText(path);
    }
  }
  if (Form_lbbj == this) Form_lbbj = nullptr;
}
