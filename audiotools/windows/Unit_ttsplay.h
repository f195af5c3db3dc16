// The speech studio: reads a text aloud with a chosen voice, rate and volume, optionally after
// the hint sound and over background music, a set number of times; imports text files, keeps
// the recently used ones, and exports the spoken text as an MP3 file.
#pragma once

#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

#include "platform/forms/form.h"
#include "platform/forms/updown.h"
#include "platform/speech/espeaksynth.h"
#include "platform/speech/voicecatalog.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTemporaryFile;
class QToolButton;
class TSpeechExport;
namespace orvane {
class MediaChannel;
class SpeechEngine;
namespace controls {
class TFlatTrackBar;
}
}  // namespace orvane

class TForm_ttsplay : public orvane::Form {
  Q_OBJECT
 public:
  explicit TForm_ttsplay(QWidget* owner = nullptr);
  ~TForm_ttsplay() override;

  // Makes the reading engine (tests stand in a scripted one).
  static std::function<std::unique_ptr<orvane::SpeechEngine>()> MakeEngine;
  // The longest piece handed to the engine at once, in characters.
  static int PieceLength;
  // The text cut into pieces of at most maxLength characters, each ending at a sentence end
  // where there is one; together they are the whole text.
  static QStringList SplitAtSentences(const QString& text, int maxLength);
  // The text as it is read: the tags filled in, each line break one "。" or ".".
  static QString PrepareText(const QString& text, bool chinese, const QDateTime& now);

  QString ReadSystemValue(const QString& key);
  void Button1Click();  // speak
  void Button2Click();  // pause / continue
  void Button3Click();  // stop
  void Button4Click();  // import
  void Button5Click();  // export
  void Button7Click();  // choose the music
  void LoadText(const QString& path);  // import without the picker
  void ComboBox1Select(int index);
  void Export(const QString& target);  // export without the picker
  bool Exporting() const { return !export_.isNull(); }

  QGroupBox* GroupBox1;
  QPlainTextEdit* Memo1;
  QPushButton* Button1;
  QPushButton* Button2;
  QPushButton* Button3;
  QPushButton* Button4;
  QPushButton* Button5;
  QPushButton* Button7;
  orvane::controls::TFlatTrackBar* FlatTrackBar1;  // rate
  orvane::controls::TFlatTrackBar* FlatTrackBar2;  // volume
  QLabel* Label5;
  QLabel* Label6;
  QLabel* Label10;
  QLineEdit* Edit1;  // background music
  QLineEdit* Edit2;  // its volume
  orvane::TUpDown* UpDown1;  // steps Edit2
  QLineEdit* Edit3;  // repeat count
  QCheckBox* CheckBox1;  // loop the music
  QCheckBox* CheckBox2;  // hint sound first
  QComboBox* ComboBox1;  // recent file names
  QComboBox* ComboBox2;  // voice descriptions (hidden)
  QComboBox* ComboBox3;  // recent file paths (hidden)
  QComboBox* ComboBox4;  // voice display names
  QProgressBar* Animate1;
  QTimer HintTimer;
  std::unique_ptr<orvane::MediaChannel> MediaPlayer1;
  std::unique_ptr<orvane::MediaChannel> HintPlayer;
  std::unique_ptr<orvane::SpeechEngine> SpVoice1;

  int speakcount = 1;
  bool chinesevoice = false;
  QString speaktext;

 protected:
  void FormClose(CloseAction& action) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void StartReading();
  bool SpeakPiece(int index);
  void SpVoice1EndStream();
  void SpVoice1Word(int position, int length);
  void ReadingFailed(const QString& why);
  void BackToIdle();
  void StartMusic();
  void CloseMusic();
  void MediaPlayer1Notify();
  void SettingChanged();
  void PlayHint();
  int RepeatCount() const;
  orvane::SpeechParams Params() const;
  bool ChooseVoiceOrComplain();
  QString FilePath() const;
  void AddRecent(const QString& path);
  void SaveRecent();

  QList<orvane::VoiceInfo> voices_;
  QStringList pieces_;
  QList<int> offsets_;
  int piece_ = 0;
  bool musicNotify_ = false;
  std::unique_ptr<QTemporaryFile> hintFile_;
  QPointer<TSpeechExport> export_;
};

// A speech studio window while one is open.
extern TForm_ttsplay* Form_ttsplay;
