// Time and text routines.
#include "scheduler/core/timetext.h"

#include <QStringList>

#include "scheduler/core/pathrules.h"

namespace {
constexpr int kDay = 24 * 3600;

// Parses a non-empty run of ASCII digits.
bool digitsToInt(const QString& s, int* out) {
  if (s.isEmpty() || s.size() > 6) return false;
  int v = 0;
  for (QChar c : s) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    v = v * 10 + (c.unicode() - '0');
  }
  *out = v;
  return true;
}
}  // namespace

int TimeToSeconds(const QString& time) {
  const QStringList parts = time.trimmed().split(QLatin1Char(':'));
  if (parts.size() != 3) return 0;
  int h = 0, m = 0, s = 0;
  if (!digitsToInt(parts[0], &h) || !digitsToInt(parts[1], &m) || !digitsToInt(parts[2], &s)) return 0;
  return h * 3600 + m * 60 + s;
}

bool IsTimeText(const QString& time) {
  if (time.size() != 8 || time[2] != QLatin1Char(':') || time[5] != QLatin1Char(':')) return false;
  for (int i : {0, 1, 3, 4, 6, 7})
    if (time[i] < QLatin1Char('0') || time[i] > QLatin1Char('9')) return false;
  return true;
}

std::optional<int> EntryTimeSeconds(const QString& time) {
  if (!IsTimeText(time)) return std::nullopt;
  const int h = time.left(2).toInt(), m = time.mid(3, 2).toInt(), s = time.right(2).toInt();
  if (m >= 60 || s >= 60) return std::nullopt;
  return h * 3600 + m * 60 + s;
}

QString SecondsToTime(int seconds) {
  if (seconds < 0 || seconds >= 100 * 3600)
    return QString::asprintf("%.2d:%.2d:%.2d", seconds / 3600, (seconds / 60) % 60, seconds % 60);
  // Written digit by digit: a day's load writes one for every entry whose end a fade moves.
  const int parts[3] = {seconds / 3600, (seconds / 60) % 60, seconds % 60};
  QString t(8, QLatin1Char(':'));
  QChar* c = t.data();
  for (int i = 0; i < 3; ++i) {
    c[3 * i] = QLatin1Char(char('0' + parts[i] / 10));
    c[3 * i + 1] = QLatin1Char(char('0' + parts[i] % 10));
  }
  return t;
}

QString WrapTime(int seconds) {
  int r = seconds % kDay;
  if (r < 0) r += kDay;
  return SecondsToTime(r);
}

QString SplitField(const QString& text, QChar delimiter, int n) {
  if (n < 1) return {};
  QString lines = text;
  lines.replace(delimiter, QLatin1Char('\n'));
  lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QStringList fields = lines.split(QLatin1Char('\n'));
  if (fields.size() > 1 && fields.last().isEmpty()) fields.removeLast();
  return n <= fields.size() ? fields.at(n - 1) : QString();
}

std::optional<int> TimeOfDaySeconds(const QString& time) {
  const QString t = time.trimmed();
  const qsizetype colons = t.count(QLatin1Char(':'));
  if (colons < 1 || colons > 2) return std::nullopt;
  int h = 0, m = 0, s = 0;
  auto field = [&](int n, int* out, int limit) {
    const QString f = SplitField(t, QLatin1Char(':'), n);
    return f.size() <= 2 && digitsToInt(f, out) && *out < limit;
  };
  if (!field(1, &h, 24) || !field(2, &m, 60)) return std::nullopt;
  if (colons == 2 && !field(3, &s, 60)) return std::nullopt;
  return h * 3600 + m * 60 + s;
}

QString AddSeconds(const QString& time, int n, bool add) {
  if (time == QLatin1String("00:00:00")) return time;
  const int t = TimeToSeconds(time);
  if (t >= kDay) return time;
  int r = (t + (add ? n : -n)) % kDay;
  if (r < 0) r += kDay;
  return SecondsToTime(r);
}

QString ClockText(const QDateTime& now) { return now.time().toString(QStringLiteral("HH:mm:ss")); }

QString FormatMs(qint64 milliseconds) {
  const qint64 s = milliseconds < 0 ? 0 : milliseconds / 1000;
  if (s >= 3600)
    return QString::asprintf("%lld:%.2lld:%.2lld", s / 3600, (s % 3600) / 60, s % 60);
  return QString::asprintf("%lld:%.2lld", s / 60, s % 60);
}

QString ExtractSongName(const QString& path) {
  const QString name = FileNameOf(path);
  return name.left(qMax<qsizetype>(0, name.size() - 4));
}

QString GetDelimitedItem(const QString& text, QChar delimiter, int n) {
  if (n < 1) return {};
  const QStringList pieces = text.split(delimiter);
  return n <= pieces.size() ? pieces.at(n - 1) : QString();
}

QString EnglishWeekday(const QDate& day) {
  static const char* const names[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
  return QString::fromLatin1(names[day.dayOfWeek() - 1]);
}

QString ChineseWeekday(const QDate& day) {
  static const char* const names[] = {"星期一", "星期二", "星期三", "星期四", "星期五", "星期六", "星期日"};
  return QString::fromUtf8(names[day.dayOfWeek() - 1]);
}

QString DateLabelText(const QDate& day) {
  return QString::asprintf("%.4d年%.2d月%.2d日", day.year(), day.month(), day.day()) + QLatin1Char(' ') +
         ChineseWeekday(day);
}

QString DateText(const QDate& day) { return day.toString(QStringLiteral("yyyy-MM-dd")); }
