// Recorder window.
#include "audiotools/windows/Unit_recorder.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryFile>
#include <QVBoxLayout>
#include <array>
#include <cmath>

#include "audiotools/core/MP3export.h"
#include "platform/audio/capturebackend.h"
#include "platform/files/filewrite.h"
#include "platform/files/homefolder.h"
#include "platform/msgbox/messagebox.h"
#include "scheduler/windows/filepickers.h"
#include "scheduler/windows/keypreview.h"
#include "scheduler/windows/namedwidgets.h"

TForm_recorder* Form_recorder = nullptr;
std::function<QDateTime()> TForm_recorder::Clock = [] { return QDateTime::currentDateTime(); };
std::function<void(const QString&)> TForm_recorder::PlayRecording;

namespace {

const QString kConverting = QStringLiteral("正在把wav转为mp3中,请稍等...");
const QString kSaved = QStringLiteral("录音已保存到:");

class LabelClicks : public QObject {
 public:
  LabelClicks(QLabel* label, TForm_recorder* form) : QObject(label), label_(label), form_(form) {
    label->installEventFilter(this);
  }
  bool eventFilter(QObject*, QEvent* e) override {
    const QString t = label_->text();
    const bool link = t.contains(QLatin1String(".mp3")) || t.contains(QLatin1String(".wav"));
    if (e->type() == QEvent::Enter && link) {
      label_->setStyleSheet(QStringLiteral("color: maroon"));
      label_->setCursor(Qt::PointingHandCursor);
    } else if (e->type() == QEvent::Leave) {
      label_->setStyleSheet(QStringLiteral("color: black"));
      label_->unsetCursor();
    } else if (e->type() == QEvent::MouseButtonRelease) {
      form_->Label_gotimeClick();
    }
    return false;
  }

 private:
  QLabel* label_;
  TForm_recorder* form_;
};

QRadioButton* Radio(const char* name, const QString& text, QVBoxLayout* into) {
  auto* r = named(new QRadioButton(text), name);
  into->addWidget(r);
  return r;
}

}  // namespace

TForm_recorder::TForm_recorder(QWidget* owner) : Form(owner) {
  setObjectName(QStringLiteral("Form_recorder"));
  setCaption(QStringLiteral("录音机"));
  // Above everything, of fixed size, with only the system menu (close) in its title bar.
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setBorderStyle(orvane::bsSingle);
  setBorderIcons(orvane::biSystemMenu);

  ListBox1 = named(new QListWidget, "ListBox1");
  auto* rates = new QGroupBox(QStringLiteral("频率："));
  auto* rl = new QVBoxLayout(rates);
  RadioButton1 = Radio("RadioButton1", QStringLiteral("11025 Hz"), rl);
  RadioButton2 = Radio("RadioButton2", QStringLiteral("22050 Hz"), rl);
  RadioButton3 = Radio("RadioButton3", QStringLiteral("44100 Hz"), rl);
  RadioButton0 = Radio("RadioButton0", QStringLiteral("48000 Hz"), rl);
  RadioButton0->setChecked(true);
  auto* bits = new QGroupBox(QStringLiteral("位数："));
  auto* bl = new QVBoxLayout(bits);
  RadioButton4 = Radio("RadioButton4", QStringLiteral("8 位"), bl);
  RadioButton5 = Radio("RadioButton5", QStringLiteral("16 位"), bl);
  RadioButton5->setChecked(true);
  auto* chans = new QGroupBox(QStringLiteral("声道数："));
  auto* cl = new QVBoxLayout(chans);
  RadioButton6 = Radio("RadioButton6", QStringLiteral("单声道"), cl);
  RadioButton7 = Radio("RadioButton7", QStringLiteral("立体声"), cl);
  RadioButton7->setChecked(true);
  CheckBox1 = named(new QCheckBox(QStringLiteral("录音完毕后转为MP3")), "CheckBox1");
  Button1 = named(new QPushButton(QStringLiteral("录音")), "Button1");
  Button2 = named(new QPushButton(QStringLiteral("停止")), "Button2");
  Button2->setEnabled(false);
  Button3 = named(new QPushButton(QStringLiteral("工具:wav转mp3...")), "Button3");
  Button3->hide();
  ProgressBar2 = named(new QProgressBar, "ProgressBar2");
  ProgressBar2->setOrientation(Qt::Vertical);
  ProgressBar2->setRange(0, 40);
  ProgressBar2->setValue(0);
  ProgressBar2->setTextVisible(false);
  Label_gotime = named(new QLabel, "Label_gotime");
  Label_Progress = named(new QLabel, "Label_Progress");

  auto* top = new QHBoxLayout(client());
  auto* left = new QVBoxLayout;
  left->addWidget(new QLabel(QStringLiteral("录音音源选择：")));
  left->addWidget(ListBox1);
  auto* groups = new QHBoxLayout;
  groups->addWidget(rates);
  groups->addWidget(bits);
  groups->addWidget(chans);
  left->addLayout(groups);
  left->addWidget(CheckBox1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  buttons->addWidget(Button3);
  left->addLayout(buttons);
  left->addWidget(Label_gotime);
  left->addWidget(Label_Progress);
  top->addLayout(left);
  top->addWidget(ProgressBar2);
  setClientSize(420, 360);
  // Centred on the main window (or the owner, or the screen).
  QWidget* anchor = owner ? owner->window() : nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (!anchor && w->objectName() == QLatin1String("Form_main_tamu")) anchor = w;
  const QRect area = anchor ? anchor->frameGeometry() : screen()->availableGeometry();
  move(area.center() - rect().center());

  SoundIndicator1.SetInput(&AudioIn1);
  WaveOut1.SetInput(&SoundIndicator1);
  WaveOut1.SetFileMode(foRewrite);
  WaveOut1.SetWavType(wtPCM);
  // Both come on the output's worker thread: the window's work is done on its own thread.
  WaveOut1.OnDone = [this](TACSOutput*) {
    const int gen = generation_.load();
    QMetaObject::invokeMethod(this, [this, gen] { if (gen == generation_) WaveOut1Done(false, {}); }, Qt::QueuedConnection);
  };
  WaveOut1.OnThreadException = [this](TACSOutput*, const std::exception& e) {
    const int gen = generation_.load();
    const QString why = QString::fromUtf8(e.what());
    QMetaObject::invokeMethod(this, [this, gen, why] { if (gen == generation_) WaveOut1Done(true, why); }, Qt::QueuedConnection);
  };

  Timer1.setInterval(100);
  connect(&Timer1, &QTimer::timeout, this, &TForm_recorder::Timer1Timer);
  connect(Button1, &QPushButton::clicked, this, &TForm_recorder::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm_recorder::Button2Click);
  connect(Button3, &QPushButton::clicked, this, &TForm_recorder::Button3Click);
  new LabelClicks(Label_gotime, this);
  preview_ = new KeyPreview(this, [this](QKeyEvent* e) {
    if (e->key() == Qt::Key_H && e->modifiers() == Qt::AltModifier) {
      Button3->show();
      return true;
    }
    return false;
  });

  bool ok = false;
  QString error;
  const auto sources = orvane::audio::captureBackend().sources(&ok, &error);
  if (!ok) qWarning("Recorder: the sound sources cannot be listed: %s", qPrintable(error));
  for (const auto& s : sources) {
    ListBox1->addItem(s.description);
    sourceNames_ << s.name;
  }
  if (ListBox1->count() > 0) ListBox1->setCurrentRow(ListBox1->count() == 2 ? 1 : 0);
  Form_recorder = this;
  if (ListBox1->count() == 0) {
    Button1->setEnabled(false);
    Button2->setEnabled(false);
    orvane::MessageBox(QStringLiteral("没有输入设备！请到win系统的声音设备中检查是否启用了输入设置。"), QStringLiteral("提示"),
                       orvane::mb::OK);
  }
}

TForm_recorder::~TForm_recorder() {
  StopAndKeep();
  if (Form_recorder == this) Form_recorder = nullptr;
}

QString TForm_recorder::ElapsedText(qint64 ms) {
  const qint64 s = ms / 1000;
  if (s >= 3601) return {};
  return QStringLiteral("录制时间: ") + QStringLiteral("%1:%2").arg(s / 60, 2, 10, QLatin1Char('0')).arg(s % 60, 2, 10, QLatin1Char('0'));
}

QString TForm_recorder::NewRecordBase(const QDateTime& when) {
  const QString base = orvane::HomeFolder::file(when.toString(QStringLiteral("MMddHHmmss")));
  QString candidate = base;
  for (int n = 2; QFileInfo::exists(candidate + QLatin1String(".wav")) || QFileInfo::exists(candidate + QLatin1String(".mp3")); ++n)
    candidate = base + QLatin1Char('-') + QString::number(n);
  return candidate;
}

bool TForm_recorder::SelectSource(const QString& name) {
  const int i = int(sourceNames_.indexOf(name));
  if (i < 0) return false;
  ListBox1->setCurrentRow(i);
  return true;
}

bool TForm_recorder::Busy() const { return recording_ || (conversion_ && conversion_->Running()); }

void TForm_recorder::Button1Click() {
  if (ListBox1->count() == 0 || Busy()) return;
  if (ListBox1->currentRow() < 0) ListBox1->setCurrentRow(0);
  try {
    AudioIn1.SetBaseChannel(ListBox1->currentRow());
  } catch (const EACSException& e) {
    orvane::MessageBox(e.Message(), QStringLiteral("错误"), orvane::mb::ICONHAND);
    return;
  }
  AudioIn1.InSampleRate = RadioButton1->isChecked() ? 11025 : RadioButton2->isChecked() ? 22050 : RadioButton3->isChecked() ? 44100 : 48000;
  toMp3_ = CheckBox1->isChecked();
  // The MP3 encoder takes 16-bit sound only.
  AudioIn1.InBitsPerSample = RadioButton4->isChecked() && !toMp3_ ? 8 : 16;
  AudioIn1.InChannels = RadioButton6->isChecked() ? 1 : 2;
  AudioIn1.RecTime = 3600;
  orvane::HomeFolder::ensure();
  recordbase = NewRecordBase(Clock());
  QString target = recordbase + QLatin1String(".wav");
  if (toMp3_) {
    // A private file of its own, so two recorders (or two users) never share one.
    QTemporaryFile tmp(QDir::tempPath() + QLatin1String("/orvane-rec-XXXXXX.wav"));
    tmp.setAutoRemove(false);
    if (!tmp.open()) {
      orvane::MessageBox(tmp.errorString(), QStringLiteral("错误"), orvane::mb::ICONHAND);
      return;
    }
    tempWave_ = target = tmp.fileName();
  }
  WaveOut1.SetFileName(target);
  ++generation_;
  try {
    WaveOut1.Run();
  } catch (const std::exception& e) {
    if (toMp3_) QFile::remove(tempWave_);
    orvane::MessageBox(QString::fromUtf8(e.what()), QStringLiteral("错误"), orvane::mb::ICONHAND);
    return;
  }
  recording_ = true;
  interrupted_ = false;
  Button1->setEnabled(false);
  Button2->setEnabled(true);
  recordms = 0;
  elapsed_.start();
  Timer1.start();
}

void TForm_recorder::Button2Click() {
  WaveOut1.Stop();
  Timer1.stop();
  ProgressBar2->setValue(0);
}

void TForm_recorder::Timer1Timer() {
  std::array<double, TSoundIndicator::kBands> v{};
  SoundIndicator1.GetValues(v);
  ProgressBar2->setValue(qBound(0, int(std::lround(v[0])), 40));
  // Measured, not counted: a busy window must not slow the clock down.
  recordms = elapsed_.elapsed();
  const QString t = ElapsedText(recordms);
  if (!t.isEmpty()) Label_gotime->setText(t);
}

void TForm_recorder::WaveOut1Done(bool interrupted, const QString& why) {
  if (!recording_) return;
  recording_ = false;
  Timer1.stop();
  ProgressBar2->setValue(0);
  interrupted_ = interrupted;
  if (interrupted) qWarning("Recorder: the recording broke off: %s", qPrintable(why));
  if (toMp3_) {
    Label_gotime->setText(kConverting);
    StartConversion(tempWave_, recordbase + QLatin1String(".mp3"), true);
  } else {
    EndRecording(recordbase + QLatin1String(".wav"));
  }
}

void TForm_recorder::StartConversion(const QString& wav, const QString& mp3, bool isRecording) {
  convertingRecording_ = isRecording;
  convertTarget_ = mp3;
  conversion_ = new TMp3Conversion(wav, mp3, 1, this);
  connect(conversion_, &TMp3Conversion::Progress, Label_Progress, &QLabel::setText);
  connect(conversion_, &TMp3Conversion::Finished, this, &TForm_recorder::ConversionFinished);
  conversion_->Start();
}

void TForm_recorder::ConversionFinished(const QString& error) {
  if (conversion_) conversion_->deleteLater();
  conversion_ = nullptr;
  Label_Progress->setText(QStringLiteral(" "));
  if (!convertingRecording_) {
    if (error.isEmpty()) {
      Label_gotime->setText(QStringLiteral("已转化并保存到:") + convertTarget_);
    } else {
      Label_gotime->clear();
      orvane::MessageBox(error, QStringLiteral("错误"), orvane::mb::ICONHAND);
    }
    return;
  }
  convertingRecording_ = false;
  if (error.isEmpty()) {
    QFile::remove(tempWave_);
    EndRecording(convertTarget_);
    return;
  }
  // The sound is never lost to a failed conversion: it stays as a wave beside where the MP3
  // would have been.
  qWarning("Recorder: the MP3 conversion failed: %s", qPrintable(error));
  interrupted_ = false;
  const QString path = KeepTempWave();
  EndRecording(path);
  orvane::MessageBox(QStringLiteral("转为MP3出错!录音已保存到:") + path, QStringLiteral("错误"), orvane::mb::ICONHAND);
}

void TForm_recorder::EndRecording(const QString& savedPath) {
  Label_gotime->setText(kSaved + savedPath);
  Button1->setEnabled(ListBox1->count() > 0);
  Button2->setEnabled(false);
  if (interrupted_) {
    interrupted_ = false;
    orvane::MessageBox(QStringLiteral("录音中断!已录制的部分保存到:") + savedPath, QStringLiteral("错误"), orvane::mb::ICONHAND);
  }
}

QString TForm_recorder::KeepTempWave() {
  const QString target = recordbase + QLatin1String(".wav");
  // Never over another recording that took the name meanwhile: the sound stays where it is.
  if (QFileInfo::exists(target)) return tempWave_;
  // The sound reaches the disk before its name moves, and the name with the folder: a power
  // loss right after never leaves an empty file or no file under the name shown.
  orvane::syncFile(tempWave_);
  if (orvane::renameDurably(tempWave_, target) != 0) {
    // Another file system: copy, then drop the private file.
    if (!QFile::copy(tempWave_, target)) return tempWave_;
    orvane::syncFile(target);
    orvane::syncFolderOf(target);
    QFile::remove(tempWave_);
  }
  return target;
}

void TForm_recorder::StopAndKeep() {
  if (recording_) {
    ++generation_;  // the run's own end must not start a conversion now
    recording_ = false;
    WaveOut1.Stop();
    WaveOut1.WaitForIdle(10000);
    Timer1.stop();
    const QString path = toMp3_ ? KeepTempWave() : recordbase + QLatin1String(".wav");
    qInfo("Recorder: closed while recording; the sound is kept in %s", qPrintable(path));
  }
  if (conversion_) {
    delete conversion_;  // cancels and waits
    conversion_ = nullptr;
    if (convertingRecording_) {
      convertingRecording_ = false;
      QFile::remove(convertTarget_);
      const QString path = KeepTempWave();
      qInfo("Recorder: closed while converting; the sound is kept in %s", qPrintable(path));
    }
  }
}

void TForm_recorder::Label_gotimeClick() {
  const QString t = Label_gotime->text();
  QString path;
  if (t.contains(QLatin1String(".mp3"))) path = recordbase + QLatin1String(".mp3");
  else if (t.contains(QLatin1String(".wav"))) path = recordbase + QLatin1String(".wav");
  if (!path.isEmpty() && PlayRecording) PlayRecording(path);
}

void TForm_recorder::Button3Click() {
  const QString wav = PickOpenFile(this, QString(), QStringLiteral("*.wav (*.wav)"));
  if (!wav.isEmpty()) ConvertFile(wav);
}

void TForm_recorder::ConvertFile(const QString& wav) {
  if (Busy()) return;
  Label_gotime->setText(kConverting);
  const QFileInfo fi(wav);
  QString name = fi.fileName();
  if (name.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive)) name.chop(4);
  recordbase = fi.absolutePath() + QLatin1Char('/') + name;
  StartConversion(wav, recordbase + QLatin1String(".mp3"), false);
}

void TForm_recorder::FormClose(CloseAction& action) {
  StopAndKeep();
  action = CloseAction::Free;
  if (Form_recorder == this) Form_recorder = nullptr;
}
