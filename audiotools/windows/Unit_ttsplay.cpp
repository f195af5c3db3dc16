// Speech studio window.
#include "audiotools/windows/Unit_ttsplay.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QTemporaryFile>
#include <QTextBlock>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "audiotools/windows/Unit_recorder.h"
#include "audiotools/windows/audiotoolscontext.h"
#include "audiotools/windows/defaultmonitor.h"
#include "audiotools/windows/speechexport.h"
#include "controls/flatTrkBar.h"
#include "platform/files/homefolder.h"
#include "platform/files/textfile.h"
#include "platform/media/mediachannel.h"
#include "platform/msgbox/messagebox.h"
#include "platform/speech/speechengine.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/funVolume.h"
#include "scheduler/core/mainstate.h"
#include "scheduler/core/voicenames.h"
#include "scheduler/windows/labellink.h"
#include "scheduler/windows/namedwidgets.h"

using orvane::controls::TFlatTrackBar;

TForm_ttsplay* Form_ttsplay = nullptr;
std::function<std::unique_ptr<orvane::SpeechEngine>()> TForm_ttsplay::MakeEngine = [] {
  return std::make_unique<orvane::SpeechEngine>();
};
int TForm_ttsplay::PieceLength = 2000;

namespace {
const QString kGroup = QStringLiteral("播报内容：");
const QString kInsertCaption = QStringLiteral("语音播报(人工插播)");
constexpr int kHintWaitMs = 1600;
QString RecentPath() { return orvane::HomeFolder::file(QStringLiteral("latelytxt.txt")); }
}  // namespace

TForm_ttsplay::TForm_ttsplay(QWidget* owner) : Form(owner) {
  setObjectName(QStringLiteral("Form_ttsplay"));
  setCaption(QStringLiteral("语音播报(手动播报)"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);

  GroupBox1 = named(new QGroupBox(kGroup), "GroupBox1");
  Memo1 = named(new QPlainTextEdit, "Memo1");
  Memo1->viewport()->installEventFilter(this);
  (new QVBoxLayout(GroupBox1))->addWidget(Memo1);
  Button1 = named(new QPushButton(QStringLiteral("播报")), "Button1");
  Button2 = named(new QPushButton(QStringLiteral("暂停")), "Button2");
  Button3 = named(new QPushButton(QStringLiteral("停止")), "Button3");
  Button2->setEnabled(false);
  Button3->setEnabled(false);
  Button4 = named(new QPushButton(QStringLiteral("导入文本...")), "Button4");
  Button5 = named(new QPushButton(QStringLiteral("导出为音频")), "Button5");
  Button5->setToolTip(QStringLiteral("文本导出为Mp3音频文件"));
  FlatTrackBar1 = named(new TFlatTrackBar, "FlatTrackBar1");
  FlatTrackBar1->SetMin(-10);
  FlatTrackBar1->SetMax(10);
  FlatTrackBar1->SetPosition(0);
  FlatTrackBar2 = named(new TFlatTrackBar, "FlatTrackBar2");
  FlatTrackBar2->SetMax(100);
  FlatTrackBar2->SetPosition(90);
  Label6 = named(new QLabel(QStringLiteral("0")), "Label6");
  Label5 = named(new QLabel(QStringLiteral("90")), "Label5");
  Edit1 = named(new QLineEdit, "Edit1");
  Edit1->setToolTip(QStringLiteral("无背景音乐 时请将此项留空"));
  Button7 = named(new QPushButton(QStringLiteral("...")), "Button7");
  Edit2 = named(new QLineEdit(QStringLiteral("30")), "Edit2");
  Edit3 = named(new QLineEdit(QStringLiteral("1")), "Edit3");
  // Digits only: typed and pasted alike.
  for (QLineEdit* e : {Edit2, Edit3}) e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), e));
  UpDown1 = named(new orvane::TUpDown, "UpDown1");
  UpDown1->SetMin(0);
  UpDown1->SetMax(100);
  UpDown1->SetPosition(30);
  CheckBox1 = named(new QCheckBox(QStringLiteral("循环播放背景音乐")), "CheckBox1");
  CheckBox2 = named(new QCheckBox(QStringLiteral("播报前播放提示音乐")), "CheckBox2");
  ComboBox1 = named(new QComboBox, "ComboBox1");
  ComboBox3 = named(new QComboBox, "ComboBox3");
  ComboBox3->hide();
  ComboBox2 = named(new QComboBox, "ComboBox2");
  ComboBox2->hide();
  ComboBox4 = named(new QComboBox, "ComboBox4");
  Label10 = named(new QLabel(QStringLiteral("语音库下载")), "Label10");
  Animate1 = named(new QProgressBar, "Animate1");
  Animate1->setRange(0, 0);  // a busy bar
  Animate1->setTextVisible(false);
  Animate1->hide();

  auto* grid = new QGridLayout;
  int row = 0;
  grid->addWidget(new QLabel(QStringLiteral("语音库：")), row, 0);
  grid->addWidget(ComboBox4, row, 1, 1, 3);
  grid->addWidget(Label10, row++, 4);
  grid->addWidget(new QLabel(QStringLiteral("语速：")), row, 0);
  grid->addWidget(FlatTrackBar1, row, 1, 1, 3);
  grid->addWidget(Label6, row++, 4);
  grid->addWidget(new QLabel(QStringLiteral("音量：")), row, 0);
  grid->addWidget(FlatTrackBar2, row, 1, 1, 3);
  grid->addWidget(Label5, row++, 4);
  grid->addWidget(new QLabel(QStringLiteral("背景音乐：")), row, 0);
  grid->addWidget(Edit1, row, 1, 1, 3);
  grid->addWidget(Button7, row++, 4);
  grid->addWidget(new QLabel(QStringLiteral("背景音乐音量：")), row, 0);
  grid->addWidget(Edit2, row, 1);
  grid->addWidget(UpDown1, row, 2);
  grid->addWidget(CheckBox1, row++, 3, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("播放次数：")), row, 0);
  grid->addWidget(Edit3, row, 1);
  grid->addWidget(CheckBox2, row++, 3, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("最近打开：")), row, 0);
  grid->addWidget(ComboBox1, row++, 1, 1, 4);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {Button1, Button2, Button3, Button4, Button5}) buttons->addWidget(b);
  auto* top = new QHBoxLayout(client());
  auto* left = new QVBoxLayout;
  left->addWidget(GroupBox1, 1);
  left->addWidget(Animate1);
  left->addLayout(buttons);
  top->addLayout(left, 3);
  auto* right = new QVBoxLayout;
  right->addLayout(grid);
  right->addStretch();
  right->addWidget(ComboBox2);
  right->addWidget(ComboBox3);
  top->addLayout(right, 2);
  setClientSize(688, 510);
  move(screen()->availableGeometry().center() - rect().center());

  // Recent files.
  if (QFileInfo::exists(RecentPath())) {
    for (const QString& line : orvane::readTextLines(RecentPath())) {
      if (line.trimmed().isEmpty()) continue;
      ComboBox3->addItem(line);
      ComboBox1->addItem(QFileInfo(line).fileName());
    }
  }
  // Voices.
  if (AudioTools().voices) voices_ = AudioTools().voices->voices();
  for (const auto& v : voices_) ComboBox2->addItem(v.description);
  ComboBox4->addItems(VoiceDisplayNames(voices_));
  const int preferred = PreferredVoiceIndex(voices_);
  ComboBox4->setCurrentIndex(preferred);
  ComboBox2->setCurrentIndex(preferred);
  speakcount = 1;

  SpVoice1 = MakeEngine();
  connect(SpVoice1.get(), &orvane::SpeechEngine::endStream, this, &TForm_ttsplay::SpVoice1EndStream);
  connect(SpVoice1.get(), &orvane::SpeechEngine::word, this, &TForm_ttsplay::SpVoice1Word);
  connect(SpVoice1.get(), &orvane::SpeechEngine::failed, this, &TForm_ttsplay::ReadingFailed);
  if (AudioTools().media) {
    MediaPlayer1 = AudioTools().media->createChannel(orvane::ChannelKind::MediaPlayer);
    HintPlayer = AudioTools().media->createChannel(orvane::ChannelKind::MediaPlayer);
  }
  if (MediaPlayer1) connect(MediaPlayer1.get(), &orvane::MediaChannel::endOfMedia, this, &TForm_ttsplay::MediaPlayer1Notify);
  HintTimer.setSingleShot(true);
  connect(&HintTimer, &QTimer::timeout, this, &TForm_ttsplay::StartReading);

  connect(Button1, &QPushButton::clicked, this, &TForm_ttsplay::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm_ttsplay::Button2Click);
  connect(Button3, &QPushButton::clicked, this, &TForm_ttsplay::Button3Click);
  connect(Button4, &QPushButton::clicked, this, &TForm_ttsplay::Button4Click);
  connect(Button5, &QPushButton::clicked, this, &TForm_ttsplay::Button5Click);
  connect(Button7, &QPushButton::clicked, this, &TForm_ttsplay::Button7Click);
  connect(FlatTrackBar1, &TFlatTrackBar::OnChange, this, [this] {
    Label6->setText(QString::number(FlatTrackBar1->Position()));
    SettingChanged();
  });
  connect(FlatTrackBar2, &TFlatTrackBar::OnChange, this, [this] {
    Label5->setText(QString::number(FlatTrackBar2->Position()));
    SettingChanged();
  });
  connect(ComboBox4, qOverload<int>(&QComboBox::activated), this, [this](int i) {
    ComboBox2->setCurrentIndex(i);
    SettingChanged();
  });
  connect(ComboBox1, qOverload<int>(&QComboBox::activated), this, &TForm_ttsplay::ComboBox1Select);
  // The arrows step the volume typed in Edit2 and write it back.
  connect(Edit2, &QLineEdit::textChanged, UpDown1, [this](const QString& t) { UpDown1->SetPosition(qBound(0, t.toInt(), 100)); });
  connect(UpDown1, &orvane::TUpDown::Changed, this, [this](int position) { Edit2->setText(QString::number(position)); });
  connect(Edit2, &QLineEdit::editingFinished, this, [this] {
    if (Edit2->text().isEmpty()) Edit2->setText(QStringLiteral("0"));
    else if (Edit2->text().toInt() > 100) Edit2->setText(QStringLiteral("100"));
  });
  // Blue with a hand under the mouse, maroon otherwise; opens the help page's voice section.
  new LabelLink(
      Label10,
      [] {
        QUrl help = QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + QLatin1String("/help.html"));
        help.setFragment(QStringLiteral("voices"));
        if (AudioTools().openDocument) AudioTools().openDocument(help.toString());
        else QDesktopServices::openUrl(help);
      },
      Qt::blue, QColor(128, 0, 0));
  Form_ttsplay = this;
}

TForm_ttsplay::~TForm_ttsplay() {
  if (SpVoice1) SpVoice1->stop();
  if (Form_ttsplay == this) Form_ttsplay = nullptr;
}

QString TForm_ttsplay::ReadSystemValue(const QString& key) {
  return AudioTools().dm ? AudioTools().dm->GetSetting(key) : QString();
}

QStringList TForm_ttsplay::SplitAtSentences(const QString& text, int maxLength) {
  static const QString ends = QStringLiteral("。.!?！？;；\n");
  QStringList pieces;
  int start = 0;
  while (start < text.size()) {
    int end = int(qMin<qsizetype>(text.size(), start + maxLength));
    if (end < text.size()) {
      int cut = end;
      while (cut > start && !ends.contains(text[cut - 1])) --cut;
      if (cut > start) end = cut;
    }
    pieces << text.mid(start, end - start);
    start = end;
  }
  return pieces;
}

QString TForm_ttsplay::PrepareText(const QString& text, bool chinese, const QDateTime& now) {
  QString t = text;
  t.replace(QLatin1String("<time>"), now.time().toString(QStringLiteral("HH:mm:ss")));
  t.replace(QLatin1String("<date>"), now.date().toString(QStringLiteral("yyyy-MM-dd")));
  // One character for a line break, so the engine's positions are the memo's.
  t.replace(QLatin1Char('\n'), chinese ? QStringLiteral("。") : QStringLiteral("."));
  return t;
}

QString TForm_ttsplay::FilePath() const { return ComboBox3->currentText(); }

int TForm_ttsplay::RepeatCount() const {
  bool ok = false;
  const int n = Edit3->text().toInt(&ok);
  return ok && n > 0 ? n : 1;  // empty or nonsense reads once
}

orvane::SpeechParams TForm_ttsplay::Params() const {
  orvane::SpeechParams p;
  const int i = ComboBox2->currentIndex();
  if (i >= 0 && i < voices_.size()) p.voice = voices_[i].identifier;
  p.rate = FlatTrackBar1->Position();
  p.volume = FlatTrackBar2->Position();
  return p;
}

bool TForm_ttsplay::ChooseVoiceOrComplain() {
  if (ComboBox4->currentIndex() < 0) {
    orvane::MessageBox(QStringLiteral("请先选择语音库。"), QStringLiteral("提示"), orvane::mb::OK);
    ComboBox4->setFocus();
    return false;
  }
  const int i = ComboBox2->currentIndex();
  const bool listed = AudioTools().state && AudioTools().state->chinesevoices.contains(ComboBox2->currentText());
  chinesevoice = listed || (i >= 0 && i < voices_.size() && orvane::isChineseLanguage(voices_[i].language));
  return true;
}

void TForm_ttsplay::Button1Click() {
  if (!ChooseVoiceOrComplain()) return;
  // A new reading replaces whatever was going on, the hint's wait included.
  HintTimer.stop();
  SpVoice1->stop();
  if (CheckBox2->isChecked()) {
    PlayHint();
    bool ok = false;
    int wait = ReadSystemValue(QStringLiteral("ttstsy")).trimmed().toInt(&ok);
    if (!ok || wait < 0) wait = kHintWaitMs;
    Button2->setEnabled(true);
    Button3->setEnabled(true);
    HintTimer.start(wait);
    return;
  }
  StartReading();
}

void TForm_ttsplay::PlayHint() {
  if (!HintPlayer) return;
  if (!hintFile_) {
    // The player reads files; the sound ships inside the program.
    hintFile_ = std::make_unique<QTemporaryFile>(QDir::tempPath() + QLatin1String("/orvane-hint-XXXXXX.wav"));
    QFile resource(QStringLiteral(":/sounds/hint.wav"));
    if (!hintFile_->open() || !resource.open(QIODevice::ReadOnly) || hintFile_->write(resource.readAll()) <= 0 || !hintFile_->flush()) {
      qWarning("Speech studio: the hint sound cannot be prepared");
      hintFile_.reset();
      return;
    }
  }
  if (HintPlayer->open(hintFile_->fileName())) HintPlayer->play();
  else qWarning("Speech studio: the hint sound does not play");
}

void TForm_ttsplay::StartReading() {
  StartMusic();
  speaktext = PrepareText(Memo1->toPlainText(), chinesevoice, QDateTime::currentDateTime());
  pieces_ = SplitAtSentences(speaktext, PieceLength);
  offsets_.clear();
  int at = 0;
  for (const QString& p : pieces_) offsets_ << at, at += int(p.size());
  speakcount = 1;
  if (!SpeakPiece(0)) return;
  GroupBox1->setTitle(QStringLiteral("播报内容（正在播报文件：") + FilePath() + QStringLiteral("）"));
  Button2->setText(QStringLiteral("暂停"));
  Button2->setEnabled(true);
  Button3->setEnabled(true);
  Memo1->setFocus();
}

bool TForm_ttsplay::SpeakPiece(int index) {
  piece_ = index;
  if (pieces_.isEmpty()) {
    // Nothing to read: the reading ends as if it had been heard.
    QTimer::singleShot(0, this, &TForm_ttsplay::SpVoice1EndStream);
    return true;
  }
  if (!SpVoice1->speak(pieces_[index], Params())) {
    ReadingFailed(SpVoice1->lastError());
    return false;
  }
  return true;
}

void TForm_ttsplay::SpVoice1EndStream() {
  if (!Button3->isEnabled()) return;
  if (piece_ + 1 < pieces_.size()) {
    SpeakPiece(piece_ + 1);
    return;
  }
  if (RepeatCount() <= speakcount) {
    GroupBox1->setTitle(QStringLiteral("播报内容（播报完成）"));
    BackToIdle();
    return;
  }
  ++speakcount;
  SpeakPiece(0);
}

void TForm_ttsplay::SpVoice1Word(int position, int length) {
  if (Form_recorder) return;  // recording for an export: the memo stays as it is
  QTextCursor c = Memo1->textCursor();
  const int at = offsets_.value(piece_) + position;
  c.setPosition(qMin(at, Memo1->document()->characterCount() - 1));
  c.setPosition(qMin(at + length, Memo1->document()->characterCount() - 1), QTextCursor::KeepAnchor);
  Memo1->setTextCursor(c);
}

void TForm_ttsplay::ReadingFailed(const QString& why) {
  qWarning("Speech studio: the reading failed: %s", qPrintable(why));
  BackToIdle();
  orvane::MessageBox(QStringLiteral("语音播报出错!"), QStringLiteral("错误"), orvane::mb::ICONHAND);
}

void TForm_ttsplay::BackToIdle() {
  HintTimer.stop();
  Button2->setText(QStringLiteral("暂停"));
  Button2->setEnabled(false);
  Button3->setEnabled(false);
  CloseMusic();
}

void TForm_ttsplay::Button2Click() {
  if (Button2->text() == QStringLiteral("暂停")) {
    SpVoice1->pause();
    Button2->setText(QStringLiteral("继续"));
    GroupBox1->setTitle(QStringLiteral("播报内容（暂停播报文件：") + FilePath() + QStringLiteral("）"));
    if (MediaPlayer1 && MediaPlayer1->isPlaying()) MediaPlayer1->pause();
  } else {
    SpVoice1->resume();
    Button2->setText(QStringLiteral("暂停"));
    GroupBox1->setTitle(QStringLiteral("播报内容（正在播报文件：") + FilePath() + QStringLiteral("）"));
    if (MediaPlayer1 && MediaPlayer1->mode() == orvane::MediaMode::Paused) MediaPlayer1->play();
  }
}

void TForm_ttsplay::Button3Click() {
  speakcount = RepeatCount();
  HintTimer.stop();
  SpVoice1->stop();
  GroupBox1->setTitle(QStringLiteral("播报内容（停止播报文件：") + FilePath() + QStringLiteral("）"));
  BackToIdle();
}

void TForm_ttsplay::SettingChanged() {
  if (Button2->isEnabled()) Button1Click();  // a reading runs: it starts again with the change
}

void TForm_ttsplay::StartMusic() {
  const QString music = Edit1->text().trimmed();
  if (music.isEmpty() || !MediaPlayer1) return;
  CloseMusic();
  const auto r = MediaPlayer1->open(music);
  if (!r) {
    // The text is read all the same.
    qWarning("Speech studio: the background music %s does not play: %s", qPrintable(music), qPrintable(r.message));
    return;
  }
  SetMediaPlayerVolume(MediaPlayer1.get(), qBound(0, Edit2->text().toInt(), 100) * 10);
  musicNotify_ = true;
  MediaPlayer1->play();
}

void TForm_ttsplay::CloseMusic() {
  musicNotify_ = false;
  if (MediaPlayer1 && MediaPlayer1->isOpen()) MediaPlayer1->close();
}

void TForm_ttsplay::MediaPlayer1Notify() {
  if (CheckBox1->isChecked() && musicNotify_ && !Edit1->text().trimmed().isEmpty()) StartMusic();
}

void TForm_ttsplay::Button7Click() {
  const QString f = QFileDialog::getOpenFileName(
      this, QString(), QString(),
      QStringLiteral("音频文件(*.mp3;*.wma;*.wav;*.mid) (*.mp3 *.wma *.wav *.mid *.MP3 *.WMA *.WAV *.MID);;"
                     "视频文件(*.mpg;*.wmv;*.dat;*.avi;*.asf) (*.mpg *.wmv *.dat *.avi *.asf);;所有文件(*.*) (*)"),
      nullptr, QFileDialog::DontUseNativeDialog);
  if (!f.isEmpty()) Edit1->setText(f);
}

void TForm_ttsplay::Button4Click() {
  const QString f = QFileDialog::getOpenFileName(this, QString(), orvane::HomeFolder::file(QStringLiteral("txt")),
                                                 QStringLiteral("文本文件(*.txt) (*.txt);;所有文件(*.*) (*)"), nullptr,
                                                 QFileDialog::DontUseNativeDialog);
  if (!f.isEmpty()) LoadText(f);
}

void TForm_ttsplay::LoadText(const QString& path) {
  bool ok = false;
  const QString text = orvane::readTextFile(path, &ok);
  if (!ok) {
    orvane::MessageBox(QStringLiteral("无法读取文件:") + path, QStringLiteral("错误"), orvane::mb::ICONHAND);
    return;
  }
  Memo1->setPlainText(text);
  AddRecent(path);
}

void TForm_ttsplay::AddRecent(const QString& path) {
  ComboBox3->insertItem(0, path);
  ComboBox1->insertItem(0, QFileInfo(path).fileName());
  ComboBox3->setCurrentIndex(0);
  ComboBox1->setCurrentIndex(0);
}

void TForm_ttsplay::ComboBox1Select(int index) {
  if (index < 0 || ComboBox1->itemText(index).isEmpty()) return;
  const QString path = ComboBox3->itemText(index);
  ComboBox1->removeItem(index);
  ComboBox3->removeItem(index);
  if (!QFileInfo(path).isFile()) {
    // A file that went away leaves the list.
    orvane::MessageBox(QStringLiteral("无法读取文件:") + path, QStringLiteral("错误"), orvane::mb::ICONHAND);
    return;
  }
  LoadText(path);
}

bool TForm_ttsplay::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Memo1->viewport() && event->type() == QEvent::MouseButtonDblClick && !FilePath().isEmpty()) {
    // The file is opened as a document by the desktop, never started as a program.
    const QUrl url = QUrl::fromLocalFile(FilePath());
    if (AudioTools().openDocument) AudioTools().openDocument(url.toString());
    else QDesktopServices::openUrl(url);
  }
  return Form::eventFilter(watched, event);
}

void TForm_ttsplay::Button5Click() {
  if (!Edit1->text().trimmed().isEmpty() || CheckBox2->isChecked()) {
    orvane::MessageBox(QStringLiteral("您选择了有背景音乐的文本导出，软件将采用录音机的方式录制。请在文本播报结束后手动点击录音机中“停止”按钮结束录音！"),
                       QStringLiteral("提示"), orvane::mb::OK);
    auto* recorder = new TForm_recorder(this);
    // What is played is what is recorded.
    const QString monitor = DefaultSinkMonitor();
    if (!monitor.isEmpty()) recorder->SelectSource(monitor);
    recorder->CheckBox1->setChecked(true);
    recorder->Button1Click();
    Button1Click();
    recorder->ShowModal();
    return;
  }
  QFileDialog dialog(this, QString(), QString(), QStringLiteral("MP3文件(*.mp3) (*.mp3)"));
  dialog.setOptions(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("mp3"));
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) Export(dialog.selectedFiles().first());
}

void TForm_ttsplay::Export(const QString& target) {
  if (Exporting() || !ChooseVoiceOrComplain()) return;
  for (QPushButton* b : {Button1, Button4, Button5}) b->setEnabled(false);
  Animate1->show();
  GroupBox1->setTitle(QStringLiteral("        正在导出音频，请稍等......"));
  const QString text = PrepareText(Memo1->toPlainText(), chinesevoice, QDateTime::currentDateTime());
  export_ = new TSpeechExport(SplitAtSentences(text, PieceLength), Params(), target, this);
  connect(export_, &TSpeechExport::Converting, this,
          [this] { GroupBox1->setTitle(QStringLiteral("        正在保存为MP3格式，请稍等......")); });
  connect(export_, &TSpeechExport::Progress, GroupBox1, &QGroupBox::setTitle);
  connect(export_, &TSpeechExport::Finished, this, [this](const QString& error) {
    export_->deleteLater();
    export_ = nullptr;
    Animate1->hide();
    GroupBox1->setTitle(QStringLiteral("播报内容"));
    for (QPushButton* b : {Button1, Button4, Button5}) b->setEnabled(true);
    if (error.isEmpty()) {
      orvane::MessageBox(QStringLiteral("导出音频文件完毕!"), QStringLiteral("提示"), orvane::mb::OK);
    } else {
      qWarning("Speech studio: the export failed: %s", qPrintable(error));
      orvane::MessageBox(QStringLiteral("导出音频文件出错!"), QStringLiteral("错误"), orvane::mb::ICONHAND);
    }
  });
  export_->Start();
}

void TForm_ttsplay::SaveRecent() {
  QStringList lines;
  for (int i = 0; i < ComboBox3->count() && i < 15; ++i) lines << ComboBox3->itemText(i);
  orvane::HomeFolder::ensure();
  if (!orvane::writeTextLines(RecentPath(), lines)) qWarning("Speech studio: %s cannot be written", qPrintable(RecentPath()));
}

void TForm_ttsplay::FormClose(CloseAction& action) {
  HintTimer.stop();
  SpVoice1->stop();
  CloseMusic();
  delete export_;  // cancels and waits
  if (caption() == kInsertCaption) SaveRecent();
  if (Form_ttsplay == this) Form_ttsplay = nullptr;
  action = CloseAction::Free;
}
