// The recorder window: records a chosen sound source into a wave file in the home folder,
// optionally converted to MP3, with a level bar and the elapsed time.
#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <atomic>
#include <functional>

#include "audiotools/core/ACS_Audio.h"
#include "audiotools/core/ACS_Indicator.h"
#include "audiotools/core/ACS_Wave.h"
#include "platform/forms/form.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class KeyPreview;
class TMp3Conversion;

class TForm_recorder : public orvane::Form {
  Q_OBJECT
 public:
  explicit TForm_recorder(QWidget* owner = nullptr);
  ~TForm_recorder() override;

  // The time a recording is named after (tests inject one).
  static std::function<QDateTime()> Clock;
  // Plays a saved recording in the player (set by whoever provides the player).
  static std::function<void(const QString& path)> PlayRecording;

  // "录制时间: mm:ss" for an elapsed time; empty at 3601 s and beyond.
  static QString ElapsedText(qint64 ms);
  // The recording's path without extension: the home folder + "MMddHHmmss", with "-2", "-3",
  // ... when a wave or MP3 of that name exists already.
  static QString NewRecordBase(const QDateTime& when);

  // Selects the capture source whose server name is `name` (the studio asks for the monitor
  // of what is played); false when there is none.
  bool SelectSource(const QString& name);

  void Button1Click();  // record
  void Button2Click();  // stop
  void Button3Click();  // the conversion tool
  void Timer1Timer();
  void Label_gotimeClick();
  // Converts one wave file next to itself (the conversion tool without its picker).
  void ConvertFile(const QString& wav);
  // True while recording or converting.
  bool Busy() const;

  QListWidget* ListBox1;
  QRadioButton* RadioButton0;
  QRadioButton* RadioButton1;
  QRadioButton* RadioButton2;
  QRadioButton* RadioButton3;
  QRadioButton* RadioButton4;
  QRadioButton* RadioButton5;
  QRadioButton* RadioButton6;
  QRadioButton* RadioButton7;
  QCheckBox* CheckBox1;
  QPushButton* Button1;
  QPushButton* Button2;
  QPushButton* Button3;
  QProgressBar* ProgressBar2;
  QLabel* Label_gotime;
  QLabel* Label_Progress;
  QTimer Timer1;

  TAudioIn AudioIn1;
  TSoundIndicator SoundIndicator1;
  TWaveOut WaveOut1;

  QString recordbase;
  qint64 recordms = 0;

 protected:
  void FormClose(CloseAction& action) override;

 private:
  void WaveOut1Done(bool interrupted, const QString& why);
  void StartConversion(const QString& wav, const QString& mp3, bool isRecording);
  void ConversionFinished(const QString& error);
  void EndRecording(const QString& savedPath);
  // Stops a recording or conversion in progress and keeps the sound (closing the window).
  void StopAndKeep();
  QString KeepTempWave();
  void SetLabelLink(bool on);

  QList<QString> sourceNames_;
  QString tempWave_;       // the private wave of an MP3 recording
  bool toMp3_ = false;     // the running recording becomes an MP3
  bool interrupted_ = false;
  bool recording_ = false;
  bool convertingRecording_ = false;
  QString convertTarget_;
  QElapsedTimer elapsed_;
  QPointer<TMp3Conversion> conversion_;
  KeyPreview* preview_ = nullptr;
  // Bumped by every new run, so that a late end from an older one is ignored.
  std::atomic<int> generation_{0};
};

// The recorder window while one is open.
extern TForm_recorder* Form_recorder;
