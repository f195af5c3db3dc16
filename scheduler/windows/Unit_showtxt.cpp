// Entry-text window.
#include "scheduler/windows/Unit_showtxt.h"

#include <QDebug>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/msgbox/messagebox.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/entryfields.h"
#include "scheduler/windows/namedwidgets.h"

TForm_showtxt::TForm_showtxt(TDataModule1& dm, const QString& id, const QString& pname, QWidget* owner)
    : Form(owner), dm_(dm) {
  setObjectName(QStringLiteral("Form_showtxt"));
  setCaption(QStringLiteral("查看文本内容"));
  Label1 = named(new QLabel(QStringLiteral("节目<") + pname + QStringLiteral(">中的文本：")), "Label1");
  Label_id = named(new QLabel(id), "Label_id");
  Label_id->hide();
  Memo1 = named(new QPlainTextEdit, "Memo1");
  Button1 = named(new QPushButton(QStringLiteral("保存")), "Button1");
  Button2 = named(new QPushButton(QStringLiteral("关闭")), "Button2");
  auto* box = new QVBoxLayout(client());
  box->addWidget(Label1);
  box->addWidget(Label_id);
  box->addWidget(Memo1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  box->addLayout(buttons);
  setClientSize(480, 320);
  connect(Button1, &QPushButton::clicked, this, &TForm_showtxt::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm_showtxt::Button2Click);

  try {
    dm_.OpenQuery(dm_.qry_temp, QStringLiteral("select txt from sjb where id=:id"), {{QStringLiteral(":id"), id}});
    if (!dm_.qry_temp.isEmpty()) Memo1->setPlainText(dm_.qry_temp.fieldAsString(QStringLiteral("txt")).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  } catch (const std::exception& e) {
    qWarning().noquote() << "entry text: cannot read the text of entry" << id << ":" << e.what();
  }
}

void TForm_showtxt::Button1Click() {
  const QString text = StoredText(Memo1->toPlainText());
  // Bound values: whatever the text holds (quotes, SQL, emoji) is stored as it is.
  const bool ok = dm_.ExecQuery(dm_.qry_temp, QStringLiteral("update sjb set slpath=:p,txt=:t where id=:id"),
                                {{QStringLiteral(":p"), TextEntryDisplay(text)},
                                 {QStringLiteral(":t"), text},
                                 {QStringLiteral(":id"), Label_id->text()}});
  // An entry deleted meanwhile takes no update: that is no success either.
  if (!ok || dm_.qry_temp.rowsAffected() != 1)
    orvane::MessageBox(QStringLiteral("修改失败!"), QStringLiteral("错误"), orvane::mb::ICONHAND);
  Close();
}

void TForm_showtxt::Button2Click() { Close(); }
