// Text entries.
#include "scheduler/core/textentries.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <QTimer>

#include "platform/media/mediachannel.h"
#include "platform/msgbox/messagebox.h"
#include "platform/speech/speechengine.h"
#include "platform/speech/voicechoice.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/entryrunner.h"
#include "scheduler/core/mainchannel.h"
#include "scheduler/core/settingskeys.h"
#include "scheduler/core/todayprogramme.h"

TextEntries::TextEntries(TDataModule1& dm, MainState& state, const Clock& clock, TodayProgramme& today,
                         MainChannel& main, orvane::VoiceCatalog* voices, orvane::MediaBackend* media, QObject* parent)
    : QObject(parent), dm_(dm), s_(state), clock_(clock), today_(today), main_(main), voices_(voices), media_(media) {}

TextEntries::~TextEntries() = default;

orvane::SpeechEngine* TextEntries::engine() {
  if (!speech_) {
    speech_ = makeSpeech_ ? makeSpeech_() : std::make_unique<orvane::SpeechEngine>();
    connect(speech_.get(), &orvane::SpeechEngine::word, this, &TextEntries::SpeechWord);
    connect(speech_.get(), &orvane::SpeechEngine::endStream, this, &TextEntries::SpeechEnd);
    connect(speech_.get(), &orvane::SpeechEngine::failed, this, [this](const QString& why) {
      // A reading that breaks off (the sound server went away) is told: nobody heard the rest.
      if (s_.textshown) {
        const QString text = QStringLiteral("节目<%1>的文稿播报中断（%2）。").arg(entry_.pname, why);
        orvane::PostNotice(text, QStringLiteral("错误"), orvane::mb::ICONHAND);
        WriteLog(BroadcastLog::NoticeLine(clock_.now(), text));
      }
      failStart(why);
    });
  }
  return speech_.get();
}

void TextEntries::markPlayed(qint64 id) {
  today_.WriteStatus(id, QStringLiteral("已播"), true);
}

void TextEntries::StartKind(int index, const rjmb& e, EntryMode mode) {
  // A text still being read gives way to this one; it has stopped sounding, so it is played.
  if (s_.textshown && entry_.id != 0 && entry_.id != e.id && mode_ == EntryMode::Auto) markPlayed(entry_.id);
  ++generation_;
  hintPending_ = false;
  paused_ = false;
  held_ = false;
  if (speech_) speech_->stop();
  if (hint_) hint_->close();

  entry_ = e;
  mode_ = mode;
  textindex_ = index;
  textrepeat_ = 0;
  ttsLabel_ = (mode == EntryMode::TryPlay ? QStringLiteral("正在试播节目<") : QStringLiteral("正在播报节目<")) + e.pname +
              QStringLiteral(">中的文稿：");
  params_ = TtsParams::read(e.playmode);
  textrepeats_ = params_.repeats;
  const CarriedState::Text takeUp = std::exchange(takeUp_, {});
  const bool takingUp = takeUp.id != 0 && takeUp.id == e.id && mode == EntryMode::Auto;

  // A reading taken up goes on with the text as it was read.
  QString text = takeUp.memo;
  if (!takingUp) {
    try {
      dm_.OpenQuery(dm_.qry_temp, QStringLiteral("select txt from sjb where id=:id"), {{QStringLiteral(":id"), e.id}});
      text = dm_.qry_temp.fieldAsString(QStringLiteral("txt"));
    } catch (const DbError& ex) {
      failStart(QStringLiteral("its text cannot be read: ") + QString::fromStdString(ex.what()));
      return;
    }
    text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    // The tags take the moment of the start, the same in every reading.
    const QDateTime now = clock_.now();
    text.replace(QLatin1String("<time>"), now.time().toString(QStringLiteral("HH:mm:ss")));
    text.replace(QLatin1String("<date>"), now.date().toString(QStringLiteral("yyyy-MM-dd")));
  }
  memoText_ = text;
  selStart_ = selLength_ = 0;

  // Voice names stored by other machines may not exist here: the fallback reads Chinese with
  // the Mandarin voice.
  const bool listedChinese = s_.chinesevoices.contains(params_.voice);
  const orvane::VoiceChoice choice =
      orvane::chooseVoice(voices_, params_.voice, listedChinese || orvane::containsChinese(memoText_));
  if (!choice.found) {
    qWarning().noquote() << "text:" << e.pname << "names the voice" << '"' + params_.voice + '"'
                         << "which is not installed - reading with"
                         << (choice.voice.identifier.isEmpty() ? QStringLiteral("the default voice") : choice.voice.identifier);
  }
  voiceId_ = choice.voice.identifier;
  ischinesevoice_ = listedChinese || orvane::isChineseLanguage(choice.voice.language);
  // One character for one line break, so the word positions of the spoken text are the memo's.
  spokenText_ = memoText_;
  spokenText_.replace(QLatin1Char('\n'), ischinesevoice_ ? QStringLiteral("。") : QStringLiteral("."));

  s_.textshown = true;
  main_.Duck(MainChannel::DuckReason::Text);
  emit panelChanged();

  if (takingUp) {
    // From the beginning of the sentence the voice was in, so that it is heard whole.
    int from = qBound(0, takeUp.position, int(spokenText_.size()));
    while (from > 0 && !QStringLiteral("。.！？!?；;").contains(spokenText_.at(from - 1))) --from;
    textrepeat_ = qBound(1, takeUp.repeat, qMax(1, textrepeats_));
    if (!speak(from)) return;
    if (takeUp.paused) SpeedButton2Click();
    emit readingStarted();
    return;
  }
  if (params_.hint) {
    playHint();
    hintPending_ = true;
    const int wait = qMax(0, SettingsReader(dm_).integer(QStringLiteral("ttstsy"), kHintSoundMs));
    // No nested event loop: the reading goes on from a timer, unless something moved on.
    const quint64 generation = generation_;
    QTimer::singleShot(wait, Qt::PreciseTimer, this, [this, generation] { speakNow(generation); });
    return;
  }
  speakNow(generation_);
}

void TextEntries::speakNow(quint64 generation) {
  if (generation != generation_) return;
  hintPending_ = false;
  textrepeat_ = 1;
  if (!speak()) return;
  if (paused_ || held_) speech_->pause();  // paused during the hint
  emit readingStarted();
}

bool TextEntries::speak(int from) {
  orvane::SpeechEngine* voice = engine();
  spokenFrom_ = from;
  if (voice->speak(spokenText_.mid(from), orvane::SpeechParams{voiceId_, params_.rate, params_.volume})) return true;
  failStart(voice->lastError());
  return false;
}

void TextEntries::failStart(const QString& reason) {
  qWarning().noquote() << "text:" << entry_.pname << "cannot be read:" << reason;
  ++generation_;
  hintPending_ = false;
  paused_ = false;
  held_ = false;
  if (speech_) speech_->stop();
  // The window leaves reading mode and the music comes back up; the entry stays "正播".
  if (s_.textshown) {
    s_.textshown = false;
    main_.Unduck(MainChannel::DuckReason::Text);
    emit panelChanged();
  }
  today_.ShowNextEntry();
}

void TextEntries::playHint() {
  if (!media_) {
    qWarning() << "text: no media layer for the hint sound";
    return;
  }
  if (!hintFile_) {
    // The player reads files; the sound ships inside the program.
    auto file = std::make_unique<QTemporaryFile>(QStringLiteral("%1/orvane-hint-XXXXXX.wav").arg(QDir::tempPath()));
    QFile resource(QStringLiteral(":/sounds/hint.wav"));
    if (!file->open() || !resource.open(QIODevice::ReadOnly) || file->write(resource.readAll()) <= 0 || !file->flush()) {
      qWarning() << "text: the hint sound cannot be prepared";
      return;
    }
    hintFile_ = std::move(file);
  }
  if (!hint_) hint_ = media_->createChannel(orvane::ChannelKind::MediaPlayer);
  if (!hint_) return;
  const orvane::MediaResult opened = hint_->open(hintFile_->fileName());
  if (!opened) {
    qWarning().noquote() << "text: the hint sound cannot play:" << opened.message;
    return;
  }
  hint_->play();
}

void TextEntries::SpeechWord(int position, int length) {
  if (!s_.textshown) return;
  // The engine counts characters of the text as given, as the memo does.
  position += spokenFrom_;
  selStart_ = position;
  selLength_ = length;
  emit wordMarked(position, length);
}

void TextEntries::SpeechEnd() {
  if (!s_.textshown || hintPending_) return;
  if (textrepeat_ >= textrepeats_) {
    endReading();
    return;
  }
  ++textrepeat_;
  speak();
}

void TextEntries::endReading() {
  // A trial stays a trial to its end: no status, no end line, no end of the day.
  if (runner_) runner_->EndEntry(textindex_, mode_);
  else EndKind(textindex_, entry_, mode_);
}

void TextEntries::EndKind(int, const rjmb& e, EntryMode mode) {
  // Only the text being read is stopped by its own end.
  if (s_.textshown && e.id == entry_.id) {
    ++generation_;
    hintPending_ = false;
    paused_ = false;
    held_ = false;
    s_.textshown = false;
    emit panelChanged();
    if (speech_) speech_->stop();
    main_.Unduck(MainChannel::DuckReason::Text);
    entry_ = rjmb();
  }
  today_.ShowNextEntry();
  if (mode == EntryMode::Auto && !s_.textshown) today_.ArmEndShutdown(&e);
}

void TextEntries::StopKind() {
  ++generation_;
  hintPending_ = false;
  paused_ = false;
  held_ = false;
  if (hint_) hint_->close();
  if (!s_.textshown) return;
  main_.setSongLine(QString());
  if (view_) view_->setNextEntryLabel(QString());
  s_.textshown = false;
  emit panelChanged();
  if (speech_) speech_->stop();
  main_.Unduck(MainChannel::DuckReason::Text);
  entry_ = rjmb();
}

bool TextEntries::HoldForInsertion() {
  if (!s_.textshown || paused_ || held_) return false;
  held_ = true;
  // During the hint the reading has not begun: it starts paused (see speakNow).
  if (speech_ && !hintPending_) speech_->pause();
  return true;
}

bool TextEntries::ResumeAfterInsertion() {
  if (!held_) return false;
  held_ = false;
  if (!s_.textshown) return false;
  if (speech_ && !hintPending_) speech_->resume();
  return true;
}

void TextEntries::SpeedButton2Click() {
  if (!s_.textshown) return;
  // The main channel plays at the slider's level already while a text is read; the second
  // channel keeps its own entry's level.
  paused_ = true;
  if (speech_ && !hintPending_) speech_->pause();
  ttsLabel_ = QStringLiteral("暂停播报节目<") + entry_.pname + QStringLiteral(">中的文稿：");
  emit panelChanged();
}

void TextEntries::Memo1DblClick() {
  if (!s_.textshown) return;
  if (main_.ducked()) main_.FlatTrackBar1Change(s_.minvolume10);
  paused_ = false;
  if (speech_ && !hintPending_) speech_->resume();
  ttsLabel_ = QStringLiteral("正在播报节目<") + entry_.pname + QStringLiteral(">中的文稿：");
  emit panelChanged();
}
