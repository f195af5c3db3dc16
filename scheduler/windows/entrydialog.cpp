// Entry dialog base.
#include "scheduler/windows/entrydialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimeEdit>

#include "platform/msgbox/messagebox.h"
#include "platform/system/shell.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/entryfields.h"
#include "scheduler/core/mainstate.h"
#include "scheduler/core/pathrules.h"
#include "scheduler/core/songlist.h"
#include "scheduler/core/timetext.h"
#include "scheduler/core/ttsparams.h"
#include "scheduler/core/voicenames.h"
#include "scheduler/windows/Unit_lbbj.h"
#include "scheduler/windows/filepickers.h"
#include "scheduler/windows/namedwidgets.h"

namespace {
const QString kZero = QStringLiteral("00:00:00");
const QString kTextNote = QStringLiteral("（对于语音播报，结束时间为00:00:00表示播完停止，也可手调）");
const QString kSongNote = QStringLiteral("（结束时间已根据单首歌曲时长自动调整，也可按需手动调整）");
const QString kNotInstalled = QStringLiteral("（未安装）");

// A number field with its up-down whose emptied text means 0 when the operator leaves it.
class ZeroWhenEmptySpinBox : public QSpinBox {
 public:
  using QSpinBox::QSpinBox;

 protected:
  void focusOutEvent(QFocusEvent* e) override {
    if (cleanText().trimmed().isEmpty()) lineEdit()->setText(QStringLiteral("0"));
    QSpinBox::focusOutEvent(e);
  }
};

QLabel* label(QWidget* parent, const QString& text, int x, int y, int w = 80) {
  auto* l = new QLabel(text, parent);
  l->setGeometry(x, y, w, 20);
  return l;
}

QTimeEdit* timePicker(QWidget* parent, const char* name, int x, int y) {
  QTimeEdit* t = TimePicker(name, parent);
  t->setGeometry(x, y, 96, 24);
  return t;
}

// zeroWhenEmpty: the speech fields read an emptied value as 0 when left; the entry volume
// instead takes back its last value, so an emptied field never saves a silent entry.
QSpinBox* spin(QWidget* parent, const char* name, int min, int max, int value, int x, int y, bool zeroWhenEmpty) {
  QSpinBox* s = named(zeroWhenEmpty ? new ZeroWhenEmptySpinBox(parent) : new QSpinBox(parent), name);
  s->setRange(min, max);
  s->setValue(value);
  s->setGeometry(x, y, 64, 24);
  return s;
}
}  // namespace

EntryDialog::EntryDialog(const EntryDialogContext& context, Variant variant, QWidget* owner)
    : Form(owner), context_(context), store_(context.dm), variant_(variant) {
  QWidget* c = client();
  setClientSize(480, 446);
  // A modal dialog whose controls stand where they were placed: its size is fixed and its
  // title bar offers closing only.
  setBorderStyle(orvane::bsDialog);
  setBorderIcons(orvane::biSystemMenu);
  const bool series = variant == Variant::Series;

  label(c, QStringLiteral("节目类型："), 12, 12);
  ComboBox_jmlx = named(new QComboBox(c), "ComboBox_jmlx");
  ComboBox_jmlx->addItems(EntryKindTexts());
  ComboBox_jmlx->setGeometry(92, 10, 150, 24);
  label(c, QStringLiteral("节目名称："), 12, 42);
  Edit_pname = named(new QLineEdit(c), "Edit_pname");
  Edit_pname->setGeometry(92, 40, 200, 24);
  if (series) {
    labelStart_ = label(c, QStringLiteral("从"), 12, 72, 20);
    DateTimePicker1 = timePicker(c, "DateTimePicker1", 92, 70);
    labelEnd_ = label(c, QStringLiteral("到"), 200, 72, 20);
    DateTimePicker2 = timePicker(c, "DateTimePicker2", 224, 70);
  } else {
    labelStart_ = label(c, QStringLiteral("开始时间："), 12, 72);
    DateTimePicker1 = timePicker(c, "DateTimePicker1", 92, 70);
    labelEnd_ = label(c, QStringLiteral("结束时间："), 12, 102);
    DateTimePicker2 = timePicker(c, "DateTimePicker2", 92, 100);
  }
  Edit_Schedulen = named(new QLineEdit(c), "Edit_Schedulen");
  Edit_Schedulen->hide();
  Label7 = named(new QLabel(c), "Label7");
  Label7->setGeometry(12, 128, 460, 20);
  Label7->setStyleSheet(QStringLiteral("color: red"));
  Label7->hide();

  // The music panel: files, folders, lists, addresses and programs.
  Panel_music = named(new QFrame(c), "Panel_music");
  Panel_music->setGeometry(0, 150, 480, 250);
  Label_jmlxshow = named(label(Panel_music, QStringLiteral("单首歌曲："), 12, 8), "Label_jmlxshow");
  Edit_slpath = named(new QLineEdit(Panel_music), "Edit_slpath");
  Edit_slpath->setToolTip(QStringLiteral("要修改请按右边的按钮"));
  Edit_slpath->installEventFilter(this);
  Button_jmlx = named(new QPushButton(Panel_music), "Button_jmlx");
  // The picker's button holds the longest caption a kind gives it; the path field the rest.
  int buttonWidth = 112;
  for (int kind = kKindSong; kind <= kKindProgram; ++kind) {
    if (kind == kKindText) continue;
    Button_jmlx->setText(KindLayout(kind).buttonCaption);
    buttonWidth = qMax(buttonWidth, Button_jmlx->sizeHint().width());
  }
  Button_jmlx->setText(KindLayout(kKindSong).buttonCaption);
  Button_jmlx->setGeometry(470 - buttonWidth, 5, buttonWidth, 26);
  Edit_slpath->setGeometry(92, 6, 470 - buttonWidth - 4 - 92, 24);
  Label_longer0 = named(label(Panel_music, QStringLiteral("节目时长："), 12, 40), "Label_longer0");
  if (!series) Label_longer = named(label(Panel_music, QString(), 92, 40, 120), "Label_longer");
  Label_vol = named(label(Panel_music, QStringLiteral("音量："), 12, 72), "Label_vol");
  Edit_vol = spin(Panel_music, "Edit_vol", 0, 100, 100, 92, 70, false);
  Label_vol2 = named(label(Panel_music, QStringLiteral("%"), 160, 72, 20), "Label_vol2");
  Label_playmode = named(label(Panel_music, QStringLiteral("播放方式："), 12, 104), "Label_playmode");
  ComboBox_playmode = named(new QComboBox(Panel_music), "ComboBox_playmode");
  ComboBox_playmode->addItems(SongPlayModes());
  ComboBox_playmode->setGeometry(92, 102, 120, 24);
  Label_channel = named(label(Panel_music, QStringLiteral("通道："), 12, 136), "Label_channel");
  Label_channel->setToolTip(QStringLiteral("一般是超市播音才启用2个通道（相当于2个播放器）"));
  ComboBox_channel = named(new QComboBox(Panel_music), "ComboBox_channel");
  ComboBox_channel->addItems({kMainChannel, kSecondChannel});
  ComboBox_channel->setGeometry(92, 134, 120, 24);
  ComboBox_channel->setToolTip(QStringLiteral("主通道和副通道的节目时间可以交叉，交叉时主通道音量会自动变小。"));

  // The text panel.
  Panel_txt = named(new QFrame(c), "Panel_txt");
  Panel_txt->setGeometry(0, 150, 480, 250);
  Panel_txt->hide();
  label(Panel_txt, QStringLiteral("文本："), 12, 6);
  Memo1 = named(new QPlainTextEdit(Panel_txt), "Memo1");
  Memo1->setGeometry(92, 4, 378, 124);
  label(Panel_txt, QStringLiteral("语音库："), 12, 140);
  ComboBox_yyh = named(new QComboBox(Panel_txt), "ComboBox_yyh");
  ComboBox_yyh->setGeometry(92, 138, 270, 24);
  ComboBox_yyhyl = named(new QComboBox(Panel_txt), "ComboBox_yyhyl");
  ComboBox_yyhyl->hide();
  label(Panel_txt, QStringLiteral("语速："), 12, 172, 50);
  Edit_speed = spin(Panel_txt, "Edit_speed", -10, 10, 0, 92, 170, true);
  label(Panel_txt, QStringLiteral("音量："), 162, 172, 52);
  Edit_txtvol = spin(Panel_txt, "Edit_txtvol", 0, 100, 100, 216, 170, true);
  label(Panel_txt, QStringLiteral("播放次数："), 294, 172, 76);
  Edit_txtcs = named(new QLineEdit(QStringLiteral("1"), Panel_txt), "Edit_txtcs");
  Edit_txtcs->setGeometry(372, 170, 50, 24);
  CheckBox_txthint = named(new QCheckBox(QStringLiteral("播报前播放提示音乐"), Panel_txt), "CheckBox_txthint");
  CheckBox_txthint->setGeometry(92, 204, 240, 22);

  Button1 = named(new QPushButton(QStringLiteral("保存"), c), "Button1");
  Button1->setGeometry(278, 410, 90, 28);
  Button2 = named(new QPushButton(QStringLiteral("取消"), c), "Button2");
  Button2->setGeometry(378, 410, 90, 28);

  // FormCreate: the channel list only when the second channel is on.
  Label_channel->setVisible(context_.channelenabled);
  ComboBox_channel->setVisible(context_.channelenabled);

  connect(ComboBox_jmlx, &QComboBox::activated, this, &EntryDialog::ComboBox_jmlxChange);
  connect(Button_jmlx, &QPushButton::clicked, this, &EntryDialog::Button_jmlxClick);
  connect(ComboBox_yyh, &QComboBox::activated, this, &EntryDialog::ComboBox_yyhSelect);
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(Button2, &QPushButton::clicked, this, &EntryDialog::Button2Click);
  if (!series) {
    connect(DateTimePicker1, &QTimeEdit::timeChanged, this, &EntryDialog::DateTimePicker1Change);
    connect(DateTimePicker2, &QTimeEdit::timeChanged, this, &EntryDialog::DateTimePicker2Change);
  }
}

EntryDialog::~EntryDialog() = default;

bool EntryDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Edit_slpath && event->type() == QEvent::MouseButtonDblClick) Edit_slpathDblClick();
  return Form::eventFilter(watched, event);
}

void EntryDialog::SetTimeQuietly(QTimeEdit* picker, int seconds) {
  // Only the operator's changes run the change handlers, as with the classic pickers.
  const QSignalBlocker block(picker);
  picker->setTime(QTime(0, 0, 0).addSecs(seconds));
}

QString EntryDialog::TimeOf(const QTimeEdit* picker) { return picker->time().toString(QStringLiteral("HH:mm:ss")); }

void EntryDialog::ComboBox_jmlxChange() { ApplyKindLayout(ComboBox_jmlx->currentIndex()); }

void EntryDialog::ApplyKindLayout(int index) {
  Edit_slpath->clear();
  Label7->hide();
  if (index == kKindText) {
    Panel_music->hide();
    Panel_txt->show();
    FillVoiceLists();
    const int preferred = PreferredVoiceIndex(voices_);
    ComboBox_yyh->setCurrentIndex(preferred);
    ComboBox_yyhyl->setCurrentIndex(preferred);
    ResetTextTimes();
    Label7->setText(kTextNote);
    Label7->show();
    return;
  }
  if (index < 0 || index > kKindProgram) return;
  const EntryKindLayout l = KindLayout(index);
  Button_jmlx->setText(l.buttonCaption);
  Button_jmlx->setEnabled(l.buttonEnabled);
  Label_jmlxshow->setText(l.pathLabel);
  Edit_slpath->setToolTip(l.pathHint);
  Panel_music->show();
  Panel_txt->hide();
  // The batch dialog keeps its length for every kind of the music panel.
  const bool lengthShown = l.lengthAndVolume || variant_ == Variant::Series;
  Label_longer0->setVisible(lengthShown);
  if (QWidget* length = LengthField()) length->setVisible(lengthShown);
  for (QWidget* w : {static_cast<QWidget*>(Label_vol), static_cast<QWidget*>(Edit_vol),
                     static_cast<QWidget*>(Label_vol2), static_cast<QWidget*>(Label_playmode),
                     static_cast<QWidget*>(ComboBox_playmode)})
    w->setVisible(l.lengthAndVolume);
  if (index <= kKindList) {
    ComboBox_playmode->clear();
    ComboBox_playmode->addItems(PlayModesOfKind(index));
    ComboBox_playmode->setCurrentIndex(0);
  }
  Label_channel->setVisible(l.channel && context_.channelenabled);
  ComboBox_channel->setVisible(l.channel && context_.channelenabled);
}

void EntryDialog::FillVoiceLists() {
  voices_ = context_.services.voices ? context_.services.voices->voices() : QList<orvane::VoiceInfo>();
  ComboBox_yyh->clear();
  ComboBox_yyhyl->clear();
  for (const orvane::VoiceInfo& v : voices_) {
    ComboBox_yyhyl->addItem(v.description);
    ComboBox_yyh->addItem(VoiceDisplayName(v.description));
  }
}

void EntryDialog::SelectVoice(const QString& description) {
  int index = ComboBox_yyhyl->findText(description, Qt::MatchExactly);
  if (index < 0 && !description.isEmpty()) {
    // A voice this machine lacks stays the entry's voice, so saving keeps it.
    ComboBox_yyhyl->addItem(description);
    ComboBox_yyh->addItem(VoiceDisplayName(description) + kNotInstalled);
    index = ComboBox_yyhyl->count() - 1;
  }
  ComboBox_yyhyl->setCurrentIndex(index);
  ComboBox_yyh->setCurrentIndex(index);
}

void EntryDialog::ComboBox_yyhSelect() { ComboBox_yyhyl->setCurrentIndex(ComboBox_yyh->currentIndex()); }

void EntryDialog::UpdateLengthLabel() {
  if (!Label_longer || TimeOf(DateTimePicker2) == kZero) return;
  const int span = TimeToSeconds(TimeOf(DateTimePicker2)) - TimeToSeconds(TimeOf(DateTimePicker1));
  Label_longer->setText(SecondsToTime(qAbs(span)));
}

void EntryDialog::DateTimePicker1Change() { UpdateLengthLabel(); }

void EntryDialog::DateTimePicker2Change() {
  Label7->hide();
  UpdateLengthLabel();
}

QString EntryDialog::GetMediaLength(const QString& path) const {
  return ::GetMediaLength(context_.services.mediaProbe, path);
}

bool EntryDialog::FolderHasSongs(const QString& folder, bool recurse) const { return ::FolderHasSongs(folder, recurse); }

void EntryDialog::SongLengthPicked(const QString& length) {
  SetTimeQuietly(DateTimePicker2, TimeToSeconds(TimeOf(DateTimePicker1)) + MediaLengthSeconds(length));
  UpdateLengthLabel();
  Label7->setText(kSongNote);
  Label7->setVisible(length != kZero);
}

void EntryDialog::ResetTextTimes() { SetTimeQuietly(DateTimePicker2, 0); }

QWidget* EntryDialog::LengthField() const { return Label_longer; }

QString EntryDialog::LengthText() const { return Label_longer ? Label_longer->text() : QString(); }

bool EntryDialog::PrepareSongListEditor(TForm_lbbj*, QString* path) {
  *path = SongList::NewListPath(Edit_pname->text(), context_.clock.now());
  return true;
}

void EntryDialog::Button_jmlxClick() {
  const int kind = ComboBox_jmlx->currentIndex();
  if (kind == kKindSong) {
    const QString file = PickOpenFile(this, QStringLiteral("请选择音视频文件或文本文件"), MediaFileFilters(true));
    if (file.isEmpty()) return;
    Edit_slpath->setText(file);
    SongLengthPicked(GetMediaLength(file));
  } else if (kind == kKindList) {
    Label7->hide();
    auto* editor = new TForm_lbbj(this);
    QString path;
    if (PrepareSongListEditor(editor, &path)) {
      editor->Label_name->setText(path);
      editor->Label_bz->setText(SongListTag());
      editor->Label2->setText(QStringLiteral("（歌曲列表文件：") + path + QStringLiteral("）"));
      editor->ShowModal();
      if (variant_ == Variant::Single) UpdateLengthLabel();
    }
    delete editor;
  } else if (kind == kKindFolder) {
    const QString folder = PickFolder(this, QStringLiteral("请选择要播放的歌曲所在文件夹"));
    if (folder.isEmpty()) return;
    Edit_slpath->setText(folder);
    Label7->hide();
    if (variant_ == Variant::Single) UpdateLengthLabel();
    if (!FolderHasSongs(folder, false))
      orvane::MessageBox(QStringLiteral("请注意，文件夹中没有歌曲!"), QStringLiteral("提示"), orvane::mb::OK);
  } else if (kind == kKindProgram) {
    const QString file = PickProgram(this);
    if (!file.isEmpty()) Edit_slpath->setText(file);
  }
}

void EntryDialog::Edit_slpathDblClick() {
  const QString path = Edit_slpath->text().trimmed();
  if (path.isEmpty() || Label_jmlxshow->text() != QStringLiteral("文件夹：")) return;
  if (!context_.services.shell) {
    qWarning().noquote() << "entry dialog: no desktop shell to open" << path;
    return;
  }
  context_.services.shell->OpenFolder(path);
}

void EntryDialog::Button2Click() { Close(); }

bool EntryDialog::TimeConflicts(const QString& t, int jmlx) const {
  return store_.TimeConflicts(Edit_Schedulen->text(), ComboBox_channel->currentText(), t, jmlx, ConflictExclusion());
}

void EntryDialog::NormalizeSpeechFields() {
  Edit_txtcs->setText(QString::number(TtsParams::repeatsOf(Edit_txtcs->text())));
}

EntryInput EntryDialog::CollectInput() const {
  EntryInput in;
  in.kindIndex = ComboBox_jmlx->currentIndex();
  in.path = Edit_slpath->text();
  in.volume = Edit_vol->value();
  in.start = TimeOf(DateTimePicker1);
  in.end = TimeOf(DateTimePicker2);
  in.playmode = ComboBox_playmode->currentText();
  in.text = Memo1->toPlainText();
  return in;
}

EntryValues EntryDialog::CollectValues(const EntryVerdict& verdict) const {
  EntryValues v;
  v.pname = Edit_pname->text().trimmed();
  v.starttime = TimeOf(DateTimePicker1);
  v.endtime = TimeOf(DateTimePicker2);
  v.tlength = LengthText();
  v.Schedulen = Edit_Schedulen->text();
  if (verdict.jmlx == 4) {
    const QString text = StoredText(Memo1->toPlainText());
    TtsParams p;
    p.voice = ComboBox_yyhyl->currentText();
    p.rate = Edit_speed->value();
    p.volume = Edit_txtvol->value();
    p.repeats = TtsParams::repeatsOf(Edit_txtcs->text());
    p.hint = CheckBox_txthint->isChecked();
    v.slpath = TextEntryDisplay(text);
    v.playmode = p.toString();
    // The volume field is hidden for a text: it reads at full volume.
    v.ivolume = QStringLiteral("100");
    v.jmlx = 4;
    v.mainchannel = kSecondChannel;
    v.txt = text;
  } else {
    v.slpath = Edit_slpath->text().trimmed();
    v.playmode = verdict.playmode;
    v.ivolume = QString::number(Edit_vol->value());
    v.jmlx = verdict.jmlx;
    v.mainchannel = ComboBox_channel->currentText();
  }
  return v;
}

void EntryDialog::ShowVerdict(const EntryVerdict& verdict) {
  orvane::MessageBox(verdict.message, verdict.caption, verdict.flags);
  QWidget* field = nullptr;
  switch (verdict.field) {
    case EntryField::Path: field = Edit_slpath; break;
    case EntryField::Volume: field = Edit_vol; break;
    case EntryField::Start: field = DateTimePicker1; break;
    case EntryField::End: field = DateTimePicker2; break;
    case EntryField::Length: field = LengthField(); break;
    case EntryField::Text: field = Memo1; break;
    case EntryField::Interval: field = findChild<QWidget*>(QStringLiteral("Edit_jg")); break;
    case EntryField::None: break;
  }
  if (field) field->setFocus(Qt::OtherFocusReason);
}

bool EntryDialog::SaveSingle(const std::function<bool(const EntryValues&)>& write, const QString& failure) {
  NormalizeSpeechFields();
  const EntryVerdict verdict =
      EntryCheck::Single(CollectInput(), [this](const QString& t, int jmlx) { return TimeConflicts(t, jmlx); });
  if (!verdict.ok) {
    ShowVerdict(verdict);
    return false;
  }
  if (!write(CollectValues(verdict))) {
    orvane::MessageBox(failure, QStringLiteral("错误"), orvane::mb::ICONHAND);
    return false;
  }
  return true;
}

void EntryDialog::CloseSaved() {
  if (isModal()) setModalResult(mrOk);
  else Close();
}
