// Edit dialog.
#include "scheduler/windows/Unit_sjbp_edit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTimeEdit>
#include <QTimer>

#include "platform/msgbox/messagebox.h"
#include "scheduler/core/entryfields.h"
#include "scheduler/core/mainstate.h"
#include "scheduler/core/songlist.h"
#include "scheduler/core/timetext.h"
#include "scheduler/core/ttsparams.h"
#include "scheduler/windows/Unit_lbbj.h"

TForm_sjbp_edit* Form_sjbp_edit = nullptr;

namespace {
const QString kMalformed = QStringLiteral("节目单中有无法识别的时间或播放方式，已填入默认值，请检查后保存。");
}

TForm_sjbp_edit::TForm_sjbp_edit(const EntryDialogContext& context, qint64 id, QWidget* owner)
    : EntryDialog(context, Variant::Single, owner), id_(id) {
  setObjectName(QStringLiteral("Form_sjbp_edit"));
  setCaption(QStringLiteral("修改节目单内容"));
  Form_sjbp_edit = this;
}

TForm_sjbp_edit::~TForm_sjbp_edit() {
  if (Form_sjbp_edit == this) Form_sjbp_edit = nullptr;
}

void TForm_sjbp_edit::FormShow() {
  // Once only: when the song-list editor closes over the dialog, what the operator and the
  // editor put into the controls stays.
  if (filled_) return;
  filled_ = true;
  Fill();
}

void TForm_sjbp_edit::Fill() {
  const std::optional<StoredEntry> e = store_.Read(id_);
  if (!e) {
    orvane::MessageBox(QStringLiteral("该节目单已不存在，无法修改!"), QStringLiteral("错误"), orvane::mb::ICONHAND);
    QTimer::singleShot(0, this, [this] { Close(); });
    return;
  }
  bool malformed = false;
  bool jmlxOk = false;
  const int jmlx = e->jmlx.trimmed().toInt(&jmlxOk);
  const int index = jmlxOk ? KindIndexOfJmlx(jmlx) : -1;
  if (index >= 0) ComboBox_jmlx->setCurrentIndex(index);
  ApplyKindLayout(ComboBox_jmlx->currentIndex());

  // The entry stays in its schedule even when the opener named none.
  if (Edit_Schedulen->text().isEmpty()) Edit_Schedulen->setText(e->Schedulen);
  Edit_pname->setText(e->pname);
  const std::optional<int> start = TimeOfDaySeconds(e->starttime);
  const std::optional<int> end = TimeOfDaySeconds(e->endtime);
  malformed = malformed || !start || !end;
  SetTimeQuietly(DateTimePicker1, start.value_or(0));
  SetTimeQuietly(DateTimePicker2, end.value_or(0));
  Edit_slpath->setText(e->slpath);
  bool volumeOk = false;
  const int volume = e->ivolume.trimmed().toInt(&volumeOk);
  Edit_vol->setValue(volumeOk ? volume : 100);
  Label_longer->setText(e->tlength);
  QString text = e->txt;
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  Memo1->setPlainText(text);
  ComboBox_channel->setCurrentIndex(e->mainchannel == kMainChannel ? 0 : 1);

  if (jmlxOk && jmlx == 4) {
    // The text layout above has listed the voices and shown the text panel; a play mode that
    // cannot be read keeps the preferred voice it chose.
    const std::optional<TtsParams> p = TtsParams::parse(e->playmode);
    if (p) {
      SelectVoice(p->voice);
      Edit_speed->setValue(p->rate);
      Edit_txtvol->setValue(p->volume);
      Edit_txtcs->setText(QString::number(p->repeats));
      if (p->hint) CheckBox_txthint->setChecked(true);
    } else {
      malformed = true;
    }
  }

  const QStringList modes = jmlxOk && jmlx == 1 ? SongPlayModes() : FolderPlayModes();
  ComboBox_playmode->clear();
  ComboBox_playmode->addItems(modes);
  // Radio, program and text entries keep their play mode elsewhere; the list is hidden.
  if (jmlxOk && jmlx >= 1 && jmlx <= 3) {
    const qsizetype at = modes.indexOf(e->playmode);
    if (at < 0) malformed = true;
    ComboBox_playmode->setCurrentIndex(at < 0 ? 0 : int(at));
  }
  if (malformed) orvane::MessageBox(kMalformed, QStringLiteral("错误"), orvane::mb::ICONHAND);
}

bool TForm_sjbp_edit::PrepareSongListEditor(TForm_lbbj* editor, QString* path) {
  const QString existing = Edit_slpath->text().trimmed();
  if (existing.isEmpty()) return EntryDialog::PrepareSongListEditor(editor, path);
  if (!editor->LoadList(existing)) {
    orvane::MessageBox(SongList::ReadErrorText(existing), QStringLiteral("错误"), orvane::mb::ICONHAND);
    return false;
  }
  *path = existing;
  return true;
}

void TForm_sjbp_edit::Button1Click() {
  if (!SaveSingle([this](const EntryValues& v) { return store_.Update(id_, v); }, QStringLiteral("修改失败!"))) return;
  CloseSaved();
}

void TForm_sjbp_edit::FormClose(CloseAction& action) {
  action = CloseAction::Hide;
  if (Form_sjbp_edit == this) Form_sjbp_edit = nullptr;
}
