// Settings window.
#include "scheduler/windows/Unit_sysj.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDebug>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QTimeEdit>

#include "platform/msgbox/messagebox.h"
#include "platform/system/autostart.h"
#include "scheduler/windows/keypreview.h"
#include "scheduler/windows/labellink.h"
#include "scheduler/windows/namedwidgets.h"

using orvane::MessageBox;
namespace mb = orvane::mb;

TForm_sysj* Form_sysj = nullptr;

TForm_sysj::TForm_sysj(TDataModule1& dm, SettingsTarget& target, const orvane::Autostart* autostart, QWidget* owner,
                       const QString& windowsVersion)
    : Form(owner), target_(target), autostart_(autostart), settings_(dm, windowsVersion) {
  setObjectName(QStringLiteral("Form_sysj"));
  setCaption(QStringLiteral("系统设置"));
  // A modal dialog of fixed size: only the close button.
  setBorderStyle(orvane::bsDialog);
  setBorderIcons(orvane::biSystemMenu);
  buildLayout();
  preview_ = new KeyPreview(this, [this](QKeyEvent* e) { return FormKeyDown(e); });
  Form_sysj = this;
  FormCreate();
}

TForm_sysj::~TForm_sysj() {
  if (Form_sysj == this) Form_sysj = nullptr;
}

void TForm_sysj::buildLayout() {
  CheckBox1 = named(new QCheckBox(QStringLiteral("定时关机1 (24时制)：")), "CheckBox1");
  DateTimePicker1 = TimePicker("DateTimePicker1");
  CheckBox5 = named(new QCheckBox(QStringLiteral("定时关机2 (24时制)：")), "CheckBox5");
  DateTimePicker2 = TimePicker("DateTimePicker2");
  CheckBox6 = named(new QCheckBox(QStringLiteral("定时关机3 (24时制)：")), "CheckBox6");
  DateTimePicker3 = TimePicker("DateTimePicker3");
  CheckBox12 = named(new QCheckBox(QStringLiteral("定时重启  (24时制)：")), "CheckBox12");
  DateTimePicker4 = TimePicker("DateTimePicker4");
  CheckBox9 = named(new QCheckBox(QStringLiteral("播完一天节目后自动关机")), "CheckBox9");
  CheckBox2 = named(new QCheckBox(QStringLiteral("关机或重启前30秒提示")), "CheckBox2");
  CheckBox3 = named(new QCheckBox(QStringLiteral("开机时启动此软件")), "CheckBox3");
  CheckBox7 = named(new QCheckBox(QStringLiteral("启动后最小化")), "CheckBox7");
  CheckBox4 = named(new QCheckBox(QStringLiteral("软件启动时自动设置系统音量为以下值：")), "CheckBox4");
  TrackBar1 = named(new QSlider(Qt::Horizontal), "TrackBar1");
  TrackBar1->setRange(0, SystemSettings::kMaxVolumePosition);
  TrackBar1->setPageStep(1);
  TrackBar1->setTickPosition(QSlider::TicksBelow);
  TrackBar1->setTickInterval(1);
  TrackBar1->setValue(3);
  CheckBox8 = named(new QCheckBox(QStringLiteral("启用软件皮肤")), "CheckBox8");
  CheckBox10 = named(new QCheckBox(QStringLiteral("播放视频时全屏")), "CheckBox10");
  CheckBox11 = named(new QCheckBox(QStringLiteral("软件启动时自动网络校时")), "CheckBox11");
  CheckBox15 = named(new QCheckBox(QStringLiteral("启用超市播音副通道")), "CheckBox15");
  Label_minvolume1 = named(new QLabel(QStringLiteral("副通道播放时主通道音量为：")), "Label_minvolume1");
  Edit_minvolume = named(new QLineEdit(QStringLiteral("10")), "Edit_minvolume");
  // Digits only, and no more than a percentage needs: a level can never fail to convert.
  Edit_minvolume->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), Edit_minvolume));
  Edit_minvolume->setMaximumWidth(48);
  Label_minvolume2 = named(new QLabel(QStringLiteral("%")), "Label_minvolume2");
  CheckBox13 = named(new QCheckBox(QStringLiteral("启用谈出谈入")), "CheckBox13");
  CheckBox13->hide();
  CheckBox14 = named(new QCheckBox(QStringLiteral("启用日志记录")), "CheckBox14");
  CheckBox14->hide();
  Label1 = named(new QLabel(QStringLiteral("软件标题：")), "Label1");
  Edit1 = named(new QLineEdit, "Edit1");
  Label2 = named(new QLabel(QStringLiteral("（什么作用?）")), "Label2");
  // Maroon under the mouse, black otherwise; a click explains the second channel.
  new LabelLink(Label2, [this] { Label2Click(); }, QColor(128, 0, 0), Qt::black);
  Button1 = named(new QPushButton(QStringLiteral("确定")), "Button1");
  Button2 = named(new QPushButton(QStringLiteral("取消")), "Button2");

  auto* grid = new QGridLayout(client());
  int row = 0;
  for (auto [b, p] : {std::pair{CheckBox1, DateTimePicker1}, std::pair{CheckBox5, DateTimePicker2},
                      std::pair{CheckBox6, DateTimePicker3}, std::pair{CheckBox12, DateTimePicker4}}) {
    grid->addWidget(b, row, 0);
    grid->addWidget(p, row++, 1);
  }
  for (QCheckBox* b : {CheckBox9, CheckBox2, CheckBox3, CheckBox7, CheckBox4}) grid->addWidget(b, row++, 0, 1, 2);
  grid->addWidget(TrackBar1, row++, 0, 1, 2);
  for (QCheckBox* b : {CheckBox8, CheckBox10, CheckBox11}) grid->addWidget(b, row++, 0, 1, 2);
  grid->addWidget(CheckBox15, row, 0);
  grid->addWidget(Label2, row++, 1);
  auto* ducking = new QHBoxLayout;
  ducking->addWidget(Label_minvolume1);
  ducking->addWidget(Edit_minvolume);
  ducking->addWidget(Label_minvolume2);
  ducking->addStretch();
  grid->addLayout(ducking, row++, 0, 1, 2);
  grid->addWidget(CheckBox13, row, 0);
  grid->addWidget(CheckBox14, row++, 1);
  grid->addWidget(Label1, row, 0);
  grid->addWidget(Edit1, row++, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  grid->addLayout(buttons, row, 0, 1, 2);
  // The window takes the size its controls need, also once Ctrl+H has revealed two more.
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  const std::pair<QCheckBox*, QTimeEdit*> timed[] = {
      {CheckBox1, DateTimePicker1}, {CheckBox5, DateTimePicker2}, {CheckBox6, DateTimePicker3}, {CheckBox12, DateTimePicker4}};
  for (auto [b, p] : timed) {
    p->setEnabled(false);
    connect(b, &QCheckBox::toggled, p, &QWidget::setEnabled);
  }
  connect(CheckBox15, &QCheckBox::toggled, this, &TForm_sysj::showDucking);
  connect(Button1, &QPushButton::clicked, this, &TForm_sysj::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm_sysj::Button2Click);
}

void TForm_sysj::FormCreate() {
  CheckBox3->setChecked(autostart_ && autostart_->isPresent());
  SettingsForm f;
  settings_.LoadSwitches(f);
  CheckBox1->setChecked(f.canshutdown[0]);
  CheckBox5->setChecked(f.canshutdown[1]);
  CheckBox6->setChecked(f.canshutdown[2]);
  CheckBox12->setChecked(f.canreboot);
  CheckBox9->setChecked(f.endshutdown);
  CheckBox2->setChecked(f.shutdownhint);
  CheckBox7->setChecked(f.runminimize);
  CheckBox8->setChecked(f.canuseskin);
  CheckBox10->setChecked(f.videofullsc);
  CheckBox11->setChecked(f.volume3);
  CheckBox13->setChecked(f.cantstr);
  CheckBox14->setChecked(f.canwritelogtxt);
  CheckBox15->setChecked(f.canchannel);
  CheckBox4->setChecked(f.autovolume);
  if (f.autovolume) TrackBar1->setValue(f.volumeposition);
  showDucking(CheckBox15->isChecked());
  Edit1->setText(f.softtitle);
}

void TForm_sysj::FormShow() {
  SettingsForm f;
  settings_.LoadTimes(f);
  DateTimePicker1->setTime(f.shutdowntime[0]);
  DateTimePicker2->setTime(f.shutdowntime[1]);
  DateTimePicker3->setTime(f.shutdowntime[2]);
  DateTimePicker4->setTime(f.reboottime);
  Edit_minvolume->setText(f.minvolume);
}

void TForm_sysj::showDucking(bool on) {
  Label_minvolume1->setVisible(on);
  Edit_minvolume->setVisible(on);
  Label_minvolume2->setVisible(on);
}

bool TForm_sysj::FormKeyDown(QKeyEvent* e) {
  if (e->key() == Qt::Key_H && (e->modifiers() & Qt::ControlModifier)) {
    // Nothing hides them again.
    CheckBox13->show();
    CheckBox14->show();
  }
  return false;
}

void TForm_sysj::Label2Click() {
  MessageBox(QStringLiteral("一般是超市播音才启用2个通道（相当于2个播放器），主通道播放背景音乐，副通道播放录制好的MP3语音节目。"
                            "主通道和副通道节目时间可交叉。例如：主通道7：00-23：00播放某个文件夹的歌曲做为背景音乐，"
                            "副通道每隔一个时间播放不同内容的MP3语音节目。"),
             QStringLiteral("提示"), mb::OK);
}

SettingsForm TForm_sysj::formValues() const {
  SettingsForm f;
  f.canshutdown = {CheckBox1->isChecked(), CheckBox5->isChecked(), CheckBox6->isChecked()};
  f.shutdowntime = {DateTimePicker1->time(), DateTimePicker2->time(), DateTimePicker3->time()};
  f.canreboot = CheckBox12->isChecked();
  f.reboottime = DateTimePicker4->time();
  f.endshutdown = CheckBox9->isChecked();
  f.shutdownhint = CheckBox2->isChecked();
  f.autorun = CheckBox3->isChecked();
  f.runminimize = CheckBox7->isChecked();
  f.autovolume = CheckBox4->isChecked();
  f.volumeposition = TrackBar1->value();
  f.canuseskin = CheckBox8->isChecked();
  f.videofullsc = CheckBox10->isChecked();
  f.volume3 = CheckBox11->isChecked();
  f.cantstr = CheckBox13->isChecked();
  f.canwritelogtxt = CheckBox14->isChecked();
  f.canchannel = CheckBox15->isChecked();
  f.minvolume = Edit_minvolume->text();
  f.softtitle = Edit1->text();
  return f;
}

QString TForm_sysj::AutostartFailureText(const QString& folder) {
  return QStringLiteral("更改开机自启动软件失败。请检查：1、当前用户能否写入自启动文件夹“") + folder +
         QStringLiteral("”；2、是否有安全类软件阻止了播音软件写自启动项");
}

void TForm_sysj::Button1Click() {
  SettingsForm f = formValues();
  const SystemSettings::SaveResult result = settings_.Save(f, target_);
  Edit_minvolume->setText(f.minvolume);
  if (result == SystemSettings::SaveResult::LevelTooHigh) {
    MessageBox(QStringLiteral("副通道播放时主通道音量的设置值不能大于100%。"), QStringLiteral("提示"), mb::ICONHAND);
    Edit_minvolume->setFocus();
    return;
  }
  if (autostart_) {
    QString error;
    const bool ok = CheckBox3->isChecked() ? autostart_->enable(QCoreApplication::applicationFilePath(), &error)
                                           : autostart_->disable(&error);
    if (!ok) {
      qWarning().noquote() << "settings: start at log-in could not be changed in" << autostart_->folder() << ":" << error;
      // Everything before this step is stored and applied; the window stays open.
      MessageBox(AutostartFailureText(autostart_->folder()), QStringLiteral("提示"), mb::OK);
      return;
    }
  }
  Close();
}

void TForm_sysj::Button2Click() { Close(); }

void TForm_sysj::FormClose(CloseAction& action) {
  (void)action;
  if (Form_sysj == this) Form_sysj = nullptr;
}
