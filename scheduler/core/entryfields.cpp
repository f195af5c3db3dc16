// Entry kinds and field forms.
#include "scheduler/core/entryfields.h"

#include <QDebug>

#include "platform/media/mediaprobe.h"
#include "scheduler/core/playmodes.h"
#include "scheduler/core/timetext.h"

namespace {
// How long the length probe may take before the file counts as unreadable.
constexpr int kProbeTimeoutMs = 5000;
// Added to every measured length, as an allowance for the player's start.
constexpr qint64 kLengthAllowanceMs = 3000;
constexpr int kTextHeadLength = 38;
}  // namespace

const QStringList& EntryKindTexts() {
  static const QStringList list{QStringLiteral("单首歌曲"), QStringLiteral("文件夹"),  QStringLiteral("歌曲列表"),
                                QStringLiteral("文本"),     QStringLiteral("网络电台"), QStringLiteral("外部EXE文件")};
  return list;
}

EntryKindLayout KindLayout(int index) {
  const QString pick = QStringLiteral("要修改请按右边的按钮");
  EntryKindLayout l;
  if (index >= 0 && index < EntryKindTexts().size()) l.text = EntryKindTexts().at(index);
  switch (index) {
    case kKindSong:
      l.pathLabel = QStringLiteral("单首歌曲：");
      l.buttonCaption = QStringLiteral("选择歌曲");
      l.pathHint = pick;
      break;
    case kKindFolder:
      l.pathLabel = QStringLiteral("文件夹：");
      l.buttonCaption = QStringLiteral("选择文件夹");
      l.pathHint = pick;
      break;
    case kKindList:
      l.pathLabel = QStringLiteral("歌曲列表：");
      l.buttonCaption = QStringLiteral("选择歌曲列表");
      l.pathHint = pick;
      break;
    case kKindRadio:
      l.pathLabel = QStringLiteral("网络电台：");
      l.buttonCaption = QStringLiteral("(填入mms或http网址)");
      l.buttonEnabled = false;
      l.pathHint = QStringLiteral("可直接粘贴网络电台网址");
      l.lengthAndVolume = false;
      l.channel = false;
      break;
    case kKindProgram:
      l.pathLabel = QStringLiteral("外部软件：");
      l.buttonCaption = QStringLiteral("选择exe文件");
      l.pathHint = pick;
      l.lengthAndVolume = false;
      l.channel = false;
      break;
    default:
      l.lengthAndVolume = false;
      l.channel = false;
      break;
  }
  return l;
}

const QStringList& SongPlayModes() {
  static const QStringList list{PlayMode::Single, PlayMode::LoopOne};
  return list;
}

const QStringList& FolderPlayModes() {
  static const QStringList list{PlayMode::Random, PlayMode::InOrder, PlayMode::LoopAll, PlayMode::RandomOne};
  return list;
}

QStringList PlayModesOfKind(int index) {
  if (index == kKindSong) return SongPlayModes();
  if (index == kKindFolder || index == kKindList) return FolderPlayModes();
  return {};
}

int RadioJmlx(const QString& address) {
  const QString a = address.trimmed();
  if (a.startsWith(QLatin1String("MMS"), Qt::CaseInsensitive)) return 5;
  if (a.startsWith(QLatin1String("HTTP"), Qt::CaseInsensitive)) return 6;
  return 0;
}

int JmlxOfKindIndex(int index, const QString& path) {
  switch (index) {
    case kKindSong: return 1;
    case kKindFolder: return 2;
    case kKindList: return 3;
    case kKindText: return 4;
    case kKindRadio: return RadioJmlx(path);
    case kKindProgram: return 7;
    default: return 0;
  }
}

int KindIndexOfJmlx(int jmlx) {
  switch (jmlx) {
    case 1: return kKindSong;
    case 2: return kKindFolder;
    case 3: return kKindList;
    case 4: return kKindText;
    case 5:
    case 6: return kKindRadio;
    case 7: return kKindProgram;
    default: return -1;
  }
}

QString TextEntryDisplay(const QString& text) {
  // Cut by code points, not UTF-16 units, so no character outside the basic plane is split.
  const QList<uint> codePoints = text.toUcs4();
  const QList<uint> head = codePoints.mid(0, kTextHeadLength);
  return kTextHead + QString::fromUcs4(reinterpret_cast<const char32_t*>(head.constData()), head.size()) +
         QStringLiteral("...");
}

QString StoredText(const QString& plainText) {
  QString t = plainText;
  t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  t.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return t;
}

QString GetMediaLength(orvane::MediaProbe* probe, const QString& path) {
  const QString unknown = QStringLiteral("00:00:00");
  if (!probe) {
    qWarning().noquote() << "media length: no probe available for" << path;
    return unknown;
  }
  const std::optional<qint64> ms = probe->lengthMs(path, kProbeTimeoutMs);
  if (!ms || *ms < 0) {
    qWarning().noquote() << "media length: cannot read the length of" << path;
    return unknown;
  }
  return FormatMs(*ms + kLengthAllowanceMs);
}

int MediaLengthSeconds(const QString& length) {
  const QString t = length.size() < 6 ? QStringLiteral("0:") + length : length;
  const std::optional<int> s = TimeOfDaySeconds(t);
  if (!s) qWarning().noquote() << "media length: not a time of day:" << length;
  return s.value_or(0);
}
