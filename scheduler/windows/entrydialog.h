// What the three entry dialogs (add, edit, batch) share: the form with its kinds and their
// layouts, the pickers, the speech fields with the voice lists, and the checks and values of
// a save. The dialogs differ in how they save and in a few layout details.
#pragma once

#include <QList>
#include <functional>

#include "platform/forms/form.h"
#include "platform/speech/voicecatalog.h"
#include "scheduler/core/entrycheck.h"
#include "scheduler/core/entrystore.h"
#include "scheduler/core/services.h"

class Clock;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTimeEdit;
class TDataModule1;
class TForm_lbbj;

// What an entry dialog works with.
struct EntryDialogContext {
  TDataModule1& dm;
  // The media length probe, the voice catalogue, and the shell that opens a folder path
  // double-clicked in the dialog.
  SystemServices services;
  const Clock& clock;       // names new song lists
  bool channelenabled = false;  // the second channel is on
};

class EntryDialog : public orvane::Form {
  Q_OBJECT
 public:
  enum class Variant { Single, Series };
  EntryDialog(const EntryDialogContext& context, Variant variant, QWidget* owner);
  ~EntryDialog() override;

  // The operator picked a kind: lay the form out for it.
  void ComboBox_jmlxChange();
  // The picker of the current kind.
  void Button_jmlxClick();
  void DateTimePicker1Change();
  void DateTimePicker2Change();
  void Edit_slpathDblClick();
  void ComboBox_yyhSelect();
  virtual void Button1Click() = 0;
  void Button2Click();

  QString GetMediaLength(const QString& path) const;
  bool FolderHasSongs(const QString& folder, bool recurse) const;

  QComboBox* ComboBox_jmlx;
  QLineEdit* Edit_pname;
  QTimeEdit* DateTimePicker1;
  QTimeEdit* DateTimePicker2;
  QLineEdit* Edit_Schedulen;  // hidden: the schedule, filled by the opener
  QLabel* Label7;             // the note under the end time
  QFrame* Panel_music;
  QLabel* Label_jmlxshow;
  QLineEdit* Edit_slpath;
  QPushButton* Button_jmlx;
  QLabel* Label_longer0;
  QLabel* Label_longer = nullptr;  // the length as stored (add and edit dialogs)
  QLabel* Label_vol;
  QSpinBox* Edit_vol;  // the volume with its up-down, 0..100
  QLabel* Label_vol2;
  QLabel* Label_playmode;
  QComboBox* ComboBox_playmode;
  QLabel* Label_channel;
  QComboBox* ComboBox_channel;
  QFrame* Panel_txt;
  QPlainTextEdit* Memo1;
  QComboBox* ComboBox_yyh;    // voices with their display names
  QComboBox* ComboBox_yyhyl;  // hidden: the same voices' descriptions, on the same index
  QSpinBox* Edit_speed;       // rate with its up-down, -10..10
  QSpinBox* Edit_txtvol;      // speaking volume with its up-down, 0..100
  QLineEdit* Edit_txtcs;      // repeat count
  QCheckBox* CheckBox_txthint;
  QPushButton* Button1;
  QPushButton* Button2;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

  // Lays the form out for a kind index (clears the path; for a text lists the voices).
  void ApplyKindLayout(int index);
  // Lists the installed voices into both voice lists, without choosing one.
  void FillVoiceLists();
  // Length label: end minus start whenever the end is not 00:00:00.
  void UpdateLengthLabel();
  static void SetTimeQuietly(QTimeEdit* picker, int seconds);
  static QString TimeOf(const QTimeEdit* picker);

  // Hooks of the variants.
  // A song was picked and measured: the add and edit dialogs move the end time.
  virtual void SongLengthPicked(const QString& length);
  // The text layout: the add and edit dialogs set the end time to 00:00:00.
  virtual void ResetTextTimes();
  // The widget that shows the length in the music panel.
  virtual QWidget* LengthField() const;
  // The length stored with the entry.
  virtual QString LengthText() const;
  // Gives the song-list editor its file; false when the picker must stop.
  virtual bool PrepareSongListEditor(TForm_lbbj* editor, QString* path);
  virtual QString SongListTag() const = 0;
  // The entry never checked against itself (the edit dialog's row).
  virtual qint64 ConflictExclusion() const { return 0; }

  // The time-conflict test of the add and edit dialogs for this dialog's schedule and channel.
  bool TimeConflicts(const QString& t, int jmlx) const;
  // The repeat count becomes a whole number of at least 1.
  void NormalizeSpeechFields();
  EntryInput CollectInput() const;
  // The row for the current kind, with the kind and play mode the checks settled.
  EntryValues CollectValues(const EntryVerdict& verdict) const;
  // Shows the failed check's message and puts the focus on its field.
  void ShowVerdict(const EntryVerdict& verdict);
  // The save of the add and edit dialogs: checks, then write; a failed write shows failure
  // and keeps the dialog open with what was typed.
  bool SaveSingle(const std::function<bool(const EntryValues&)>& write, const QString& failure);
  // Closes after a successful save.
  void CloseSaved();
  // Selects a voice by its description; one that is not installed is added and selected.
  void SelectVoice(const QString& description);

  EntryDialogContext context_;
  EntryStore store_;
  Variant variant_;
  QLabel* labelStart_;
  QLabel* labelEnd_;
  QList<orvane::VoiceInfo> voices_;
};
