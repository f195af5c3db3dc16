// Entry checks.
#include "scheduler/core/entrycheck.h"

#include "scheduler/core/entryfields.h"
#include "scheduler/core/pathrules.h"
#include "scheduler/core/timetext.h"

namespace {
const QString kStartConflict = QStringLiteral("该节目“开始时间”与其它节目时间有交叉，请修改开始时间。");
const QString kEndConflict = QStringLiteral("该节目“结束时间”与其它节目时间有交叉，请修改结束时间。");
// The example inside the radio-address message.
const QString kRadioMessage =
    QStringLiteral("网络电台网址要以MMS或HTTP开头！如“http://radio.example.com/music.asx”");

EntryVerdict fail(EntryVerdict v, const QString& message, EntryField field) {
  v.ok = false;
  v.message = message;
  v.field = field;
  return v;
}

bool isText(const EntryInput& in) { return in.kindIndex == kKindText; }

bool emptyPathAndVolume(const EntryInput& in, EntryVerdict& v) {
  if (in.path.trimmed().isEmpty()) {
    const QString kind = in.kindIndex >= 0 && in.kindIndex < EntryKindTexts().size() ? EntryKindTexts().at(in.kindIndex)
                                                                                      : QString();
    v = fail(v, QStringLiteral("“") + kind + QStringLiteral("”　栏不能为空。"), EntryField::Path);
    return true;
  }
  if (in.volume > 100) {
    v = fail(v, QStringLiteral("初始音量不能大于100%。"), EntryField::Volume);
    return true;
  }
  return false;
}
}  // namespace

bool EntryCheck::CheckKind(const EntryInput& in, EntryVerdict& v) {
  const QString path = in.path.trimmed();
  v.playmode = in.playmode;
  switch (in.kindIndex) {
    case kKindSong:
      if (FileExtension(path).isEmpty()) {
        v = fail(v, QStringLiteral("您选择的不是单首歌曲！请检查节目与节目类型是否对应。"), EntryField::Path);
        return false;
      }
      v.jmlx = 1;
      return true;
    case kKindFolder:
      if (!IsFolderPath(path)) {
        v = fail(v, QStringLiteral("您选择的不是文件夹！请检查节目与节目类型是否对应。"), EntryField::Path);
        return false;
      }
      v.jmlx = 2;
      return true;
    case kKindList:
      if (FileExtension(path).toUpper() != QLatin1String(".PL3")) {
        v = fail(v, QStringLiteral("您选择的不是歌曲列表！请检查节目与节目类型是否对应。"), EntryField::Path);
        return false;
      }
      v.jmlx = 3;
      return true;
    case kKindRadio:
      v.jmlx = RadioJmlx(path);
      if (v.jmlx == 0) {
        v = fail(v, kRadioMessage, EntryField::Path);
        return false;
      }
      v.playmode = kRadioPlayMode;
      return true;
    case kKindProgram:
      if (!IsProgramPath(path)) {
        v = fail(v, QStringLiteral("您选择的不是外部文件！请检查节目与节目类型是否对应。"), EntryField::Path);
        return false;
      }
      v.jmlx = 7;
      v.playmode = kProgramPlayMode;
      return true;
    default:
      v = fail(v, QStringLiteral("未知的节目类型。"), EntryField::None);
      return false;
  }
}

EntryVerdict EntryCheck::Single(const EntryInput& in, const Conflicts& conflicts) {
  EntryVerdict v;
  if (isText(in)) {
    if (in.text.trimmed().isEmpty()) return fail(v, QStringLiteral("文本不能为空。"), EntryField::Text);
    if (conflicts && conflicts(in.start, 4)) return fail(v, kStartConflict, EntryField::Start);
    v.ok = true;
    v.jmlx = 4;
    return v;
  }
  if (emptyPathAndVolume(in, v)) return v;
  if (TimeToSeconds(in.end) <= TimeToSeconds(in.start))
    return fail(v, QStringLiteral("结束时间不能小于或等于开始时间。"), EntryField::End);
  if (!CheckKind(in, v)) return v;
  if (conflicts && conflicts(in.start, v.jmlx)) return fail(v, kStartConflict, EntryField::Start);
  if (conflicts && conflicts(in.end, v.jmlx)) return fail(v, kEndConflict, EntryField::End);
  v.ok = true;
  return v;
}

EntryVerdict EntryCheck::Series(const EntryInput& in) {
  EntryVerdict v;
  if (isText(in)) {
    if (in.text.trimmed().isEmpty()) return fail(v, QStringLiteral("文本不能为空。"), EntryField::Text);
    v.jmlx = 4;
  } else {
    if (emptyPathAndVolume(in, v)) return v;
    if (TimeToSeconds(in.end) <= TimeToSeconds(in.start))
      return fail(v, QStringLiteral("终止时间不能小于或等于起始时间。"), EntryField::End);
    if (in.length == QLatin1String("00:00:00")) return fail(v, QStringLiteral("节目时长不能等于零。"), EntryField::Length);
    if (!CheckKind(in, v)) return v;
  }
  const QString interval = in.interval.trimmed();
  if (interval.isEmpty()) {
    v = fail(v, QStringLiteral("间隔不能为空。"), EntryField::Interval);
    v.caption = QStringLiteral("出错");
    return v;
  }
  bool ok = false;
  const int minutes = interval.toInt(&ok);
  // Below one minute, or a day or more (which is no time of day), the interval is refused.
  const std::optional<int> seconds = ok && minutes >= 1 ? TimeOfDaySeconds(IntervalText(minutes)) : std::nullopt;
  if (!seconds) return fail(v, QStringLiteral("间隔至少为1。请重设"), EntryField::Interval);
  v.intervalSeconds = *seconds;
  v.ok = true;
  return v;
}

QString EntryCheck::IntervalText(int minutes) {
  if (minutes >= 60) return QString::asprintf("%d:%.2d:00", minutes / 60, minutes % 60);
  return QString::asprintf("0:%.2d:00", minutes);
}
