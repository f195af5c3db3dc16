// Operation tips window.
#include "scheduler/windows/Unit_testshow.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "scheduler/core/datamodule.h"
#include "scheduler/windows/namedwidgets.h"

TForm_syfa* Form_syfa = nullptr;

TForm_syfa::TForm_syfa(TDataModule1& dm, QWidget* owner) : Form(owner), dm_(dm) {
  setObjectName(QStringLiteral("Form_syfa"));
  setCaption(QStringLiteral("操作提示"));
  setWindowFlag(Qt::WindowStaysOnTopHint);
  Memo1 = named(new QPlainTextEdit(TipsText()), "Memo1");
  Memo1->setReadOnly(true);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  CheckBox1 = named(new QCheckBox(QStringLiteral("下次不显示此操作提示窗口")), "CheckBox1");
  auto* box = new QVBoxLayout(client());
  box->addWidget(Memo1, 1);
  box->addWidget(CheckBox1);
  setClientSize(560, 280);
  connect(CheckBox1, &QCheckBox::clicked, this, &TForm_syfa::CheckBox1Click);
}

TForm_syfa::~TForm_syfa() {
  if (Form_syfa == this) Form_syfa = nullptr;
}

QString TForm_syfa::TipsText() {
  return QStringLiteral(
      "   使用时，先用“设定节目表”按钮设定每一天所用的节目表，\n"
      "再用“节目表编辑”按钮编辑各个节目表中的节目。\n"
      "\n"
      "   其它操作提示：\n"
      "1、在今日节目单上单击右键，可以手动试播节目、人工插播音乐或语音、停止自动播音。\n"
      "2、“常用乐曲播放”可以手动播放早操、眼保健操等常用乐曲，也可以录音。\n"
      "3、有的歌曲不能播放时，需要补充音视频解码器：请系统管理员安装 Debian 软件包\n"
      "   libavcodec-extra（详见帮助文件）。\n"
      "4、语音播报需要语音库：普通话语音 cmn-latn-pinyin 随本软件安装（Debian 软件包\n"
      "   espeak-ng 与 espeak-ng-data），其它语言的语音见帮助文件“语音库”一节。\n");
}

void TForm_syfa::CheckBox1Click() {
  dm_.SetSetting(QStringLiteral("volume1"), CheckBox1->isChecked() ? QStringLiteral("0") : QStringLiteral("1"));
}

void TForm_syfa::FormClose(CloseAction& action) {
  if (Form_syfa == this) Form_syfa = nullptr;
  // Modal copies (from the about box) are freed by whoever showed them.
  action = isModal() ? CloseAction::Hide : CloseAction::Free;
}
