// Batch dialog.
#include "scheduler/windows/Unit_sjbp_addmuch.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QTimeEdit>

#include "platform/msgbox/messagebox.h"
#include "scheduler/core/entryfields.h"
#include "scheduler/core/timetext.h"
#include "scheduler/windows/namedwidgets.h"

TForm_sjbp_addmuch* Form_sjbp_addmuch = nullptr;

TForm_sjbp_addmuch::TForm_sjbp_addmuch(const EntryDialogContext& context, QWidget* owner)
    : EntryDialog(context, Variant::Series, owner) {
  setObjectName(QStringLiteral("Form_sjbp_addmuch"));
  setCaption(QStringLiteral("批量增加节目单内容"));
  QWidget* c = client();
  auto* every = new QLabel(QStringLiteral("每隔"), c);
  every->setGeometry(12, 102, 34, 20);
  Edit_jg = named(new QLineEdit(c), "Edit_jg");
  Edit_jg->setGeometry(48, 100, 60, 24);
  // Digits only, as typed.
  Edit_jg->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), Edit_jg));
  auto* minutes = new QLabel(QStringLiteral("分钟生成一个播出节目"), c);
  minutes->setGeometry(112, 102, 200, 20);
  CheckBox_jmnameauto = named(new QCheckBox(QStringLiteral("节目名称自动补充后缀数字"), c), "CheckBox_jmnameauto");
  // The name field leaves the box the room of its whole text.
  Edit_pname->setFixedWidth(160);
  CheckBox_jmnameauto->setGeometry(258, 42, 218, 22);
  CheckBox_jmnameauto->setChecked(true);
  DateTimePicker3 = TimePicker("DateTimePicker3", Panel_music);
  DateTimePicker3->setGeometry(92, 38, 96, 24);
  Form_sjbp_addmuch = this;
}

TForm_sjbp_addmuch::~TForm_sjbp_addmuch() {
  if (Form_sjbp_addmuch == this) Form_sjbp_addmuch = nullptr;
}

QWidget* TForm_sjbp_addmuch::LengthField() const { return DateTimePicker3; }

QString TForm_sjbp_addmuch::LengthText() const { return TimeOf(DateTimePicker3); }

void TForm_sjbp_addmuch::SongLengthPicked(const QString& length) {
  SetTimeQuietly(DateTimePicker3, MediaLengthSeconds(length));
  Label7->setText(QStringLiteral("（节目时长已根据单首歌曲时长自动调整，也可按需手动调整）"));
  Label7->setVisible(length != QLatin1String("00:00:00"));
}

void TForm_sjbp_addmuch::ResetTextTimes() { SetTimeQuietly(DateTimePicker3, 0); }

void TForm_sjbp_addmuch::Button1Click() {
  NormalizeSpeechFields();
  EntryInput in = CollectInput();
  in.length = LengthText();
  in.interval = Edit_jg->text();
  const EntryVerdict verdict = EntryCheck::Series(in);
  if (!verdict.ok) {
    ShowVerdict(verdict);
    return;
  }
  const QList<SeriesSlot> series =
      EntryStore::SeriesSlots(in.start, in.end, verdict.intervalSeconds, in.length, verdict.jmlx == 4);
  bool failed = false;
  const int written = store_.InsertSeries(CollectValues(verdict), series, CheckBox_jmnameauto->isChecked(), &failed);
  if (failed) {
    orvane::MessageBox(QStringLiteral("增加失败!"), QStringLiteral("错误"), orvane::mb::ICONHAND);
    return;
  }
  orvane::MessageBox(QStringLiteral("批量增加") + QString::number(written) + QStringLiteral("条节目单!"),
                     QStringLiteral("提示"), orvane::mb::OK);
  CloseSaved();
}

void TForm_sjbp_addmuch::FormClose(CloseAction& action) {
  action = CloseAction::Hide;
  if (Form_sjbp_addmuch == this) Form_sjbp_addmuch = nullptr;
}
