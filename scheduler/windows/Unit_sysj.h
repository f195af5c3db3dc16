// The settings window: daily shutdown and restart times, shutdown after the day's last
// entry, the countdown warning, start at log-in, start minimised, the start volume, skin,
// full-screen video, network time, the second channel with its ducking level, the title,
// and the fade and log switches that Ctrl+H reveals.
#pragma once

#include "platform/forms/form.h"
#include "scheduler/core/systemsettings.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTimeEdit;
class KeyPreview;
class TDataModule1;
namespace orvane {
class Autostart;
}

class TForm_sysj : public orvane::Form {
  Q_OBJECT
 public:
  // Without an autostart (no place for it) the start-at-log-in box stays unchecked and is
  // not applied.
  TForm_sysj(TDataModule1& dm, SettingsTarget& target, const orvane::Autostart* autostart, QWidget* owner = nullptr,
             const QString& windowsVersion = QStringLiteral("Windows Unknown"));
  ~TForm_sysj() override;

  void Button1Click();
  void Button2Click();
  void Label2Click();

  QCheckBox* CheckBox1;
  QTimeEdit* DateTimePicker1;
  QCheckBox* CheckBox5;
  QTimeEdit* DateTimePicker2;
  QCheckBox* CheckBox6;
  QTimeEdit* DateTimePicker3;
  QCheckBox* CheckBox12;
  QTimeEdit* DateTimePicker4;
  QCheckBox* CheckBox9;
  QCheckBox* CheckBox2;
  QCheckBox* CheckBox3;
  QCheckBox* CheckBox7;
  QCheckBox* CheckBox4;
  QSlider* TrackBar1;
  QCheckBox* CheckBox8;
  QCheckBox* CheckBox10;
  QCheckBox* CheckBox11;
  QCheckBox* CheckBox15;
  QLabel* Label_minvolume1;
  QLineEdit* Edit_minvolume;
  QLabel* Label_minvolume2;
  QCheckBox* CheckBox13;
  QCheckBox* CheckBox14;
  QLabel* Label1;
  QLineEdit* Edit1;
  QLabel* Label2;
  QPushButton* Button1;
  QPushButton* Button2;

  static QString AutostartFailureText(const QString& folder);

 protected:
  void FormShow() override;
  void FormClose(CloseAction& action) override;

 private:
  void buildLayout();
  void FormCreate();
  bool FormKeyDown(QKeyEvent* e);
  void showDucking(bool on);
  SettingsForm formValues() const;

  SettingsTarget& target_;
  const orvane::Autostart* autostart_;
  SystemSettings settings_;
  KeyPreview* preview_ = nullptr;
};

// The settings window while it is open.
extern TForm_sysj* Form_sysj;
