// Speech tip window.
#include "scheduler/windows/Unit_testshowtts.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "scheduler/core/datamodule.h"
#include "scheduler/windows/namedwidgets.h"

TForm_testshowtts::TForm_testshowtts(TDataModule1& dm, QWidget* owner) : Form(owner), dm_(dm) {
  setObjectName(QStringLiteral("Form_testshowtts"));
  setCaption(QStringLiteral("提示"));
  setBorderStyle(orvane::bsToolWindow);
  Memo1 = named(new QPlainTextEdit(TipText()), "Memo1");
  Memo1->setReadOnly(true);
  CheckBox1 = named(new QCheckBox(QStringLiteral("下次不显示此提示窗口")), "CheckBox1");
  auto* box = new QVBoxLayout(client());
  box->addWidget(Memo1, 1);
  box->addWidget(CheckBox1);
  setClientSize(420, 240);
  connect(CheckBox1, &QCheckBox::clicked, this, &TForm_testshowtts::CheckBox1Click);
}

QString TForm_testshowtts::TipText() {
  return QStringLiteral(
      "语音播报是把文字转换成声音朗读出来。朗读之前，计算机上必须先安装语音库。\n"
      "\n"
      "推荐使用普通话语音 cmn-latn-pinyin（中文），它由 Debian 软件包 espeak-ng-data "
      "提供，随本软件一同安装；英文可用 espeak-ng 的 en 语音。\n"
      "\n"
      "如果语音列表中没有中文语音，请系统管理员安装 Debian 软件包 espeak-ng 和 "
      "espeak-ng-data，详见帮助文件中的“语音库”一节。");
}

void TForm_testshowtts::CheckBox1Click() {
  dm_.SetSetting(QStringLiteral("volume2"), CheckBox1->isChecked() ? QStringLiteral("0") : QStringLiteral("1"));
}
