// The skin description reader (see WinSkinIni.h).
#include "skin/WinSkinIni.h"

#include <cstdint>

#include "platform/files/textfile.h"
#include "skin/SkinRead.h"

namespace orvane::skin {

namespace {

bool isHeader(const QString& line) {
  return line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'));
}

// The trimmed name between a header's brackets.
QString headerName(const QString& header) {
  return TQuickIni::TrimText(header.mid(1, header.size() - 2));
}

}  // namespace

QString TQuickIni::TrimText(const QString& text) {
  qsizetype start = 0;
  qsizetype end = text.size();
  while (start < end && text.at(start).unicode() <= 0x20) ++start;
  while (end > start && text.at(end - 1).unicode() <= 0x20) --end;
  return text.mid(start, end - start);
}

void TQuickIni::LoadFromStream(const QByteArray& bytes) {
  if (bytes.isNull()) return;
  const QString text = orvane::decodeText(bytes);
  lines_.clear();
  sections_.clear();
  sectionIndex_.clear();
  sectionKeys_.clear();
  Keys* keys = nullptr;  // the keys of the section being read; none before the first header
  qsizetype i = 0;
  const qsizetype n = text.size();
  while (i < n) {
    const qsizetype start = i;
    while (i < n && text.at(i) != QLatin1Char('\r') && text.at(i) != QLatin1Char('\n')) ++i;
    const QString line = TrimText(text.mid(start, i - start));
    // One CR, then one LF: CR LF, LF and CR each end a line, and CR CR LF leaves an empty one.
    if (i < n && text.at(i) == QLatin1Char('\r')) ++i;
    if (i < n && text.at(i) == QLatin1Char('\n')) ++i;
    if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) continue;
    lines_.append(line);
    if (isHeader(line)) {
      sections_.append(line);
      const QString name = headerName(line).toCaseFolded();
      keys = nullptr;
      if (!sectionIndex_.contains(name)) {
        sectionIndex_.insert(name, static_cast<qsizetype>(sectionKeys_.size()));
        sectionKeys_.emplace_back();
        keys = &sectionKeys_.back();
      }
      continue;
    }
    if (!keys) continue;
    // The first line with a key decides, even when its value is empty; a line without "="
    // has an empty key and no value.
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    const QString key = eq < 0 ? QString() : TSkinReader::LowerAscii(TrimText(line.left(eq)));
    if (!keys->contains(key)) keys->insert(key, eq < 0 ? QString() : TrimText(line.mid(eq + 1)));
  }
}

QString TQuickIni::ReadString(const QString& section, const QString& key, const QString& def) const {
  const auto found = sectionIndex_.constFind(section.toCaseFolded());
  if (found == sectionIndex_.cend()) return def;
  const Keys& keys = sectionKeys_[static_cast<size_t>(*found)];
  const auto value = keys.constFind(TSkinReader::LowerAscii(key));
  return value == keys.cend() || value->isEmpty() ? def : *value;
}

bool TQuickIni::StrToInt(const QString& text, int* value) {
  qsizetype i = 0;
  bool negative = false;
  if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
    negative = text.at(i) == QLatin1Char('-');
    ++i;
  }
  if (i >= text.size()) return false;
  uint64_t v = 0;
  if (text.at(i) == QLatin1Char('$')) {
    // Hexadecimal fills all 32 bits: $FFFFFFFF is -1.
    ++i;
    if (i >= text.size()) return false;
    for (; i < text.size(); ++i) {
      const char16_t c = text.at(i).unicode();
      int d = -1;
      if (c >= '0' && c <= '9') d = c - '0';
      if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
      if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
      if (d < 0) return false;
      v = v * 16 + static_cast<unsigned>(d);
      if (v > 0xFFFFFFFFull) return false;
    }
    const int32_t bits = static_cast<int32_t>(static_cast<uint32_t>(v));
    *value = negative ? static_cast<int>(0u - static_cast<uint32_t>(bits)) : bits;
    return true;
  }
  for (; i < text.size(); ++i) {
    const char16_t c = text.at(i).unicode();
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
    if (v > 0x80000000ull) return false;
  }
  if (!negative && v > 0x7FFFFFFFull) return false;
  *value = negative ? static_cast<int>(0u - static_cast<uint32_t>(v)) : static_cast<int>(v);
  return true;
}

int TQuickIni::ReadInteger(const QString& section, const QString& key, int def) const {
  QString s = ReadString(section, key, QString());
  if (s.size() > 2 && s.at(0) == QLatin1Char('0') && (s.at(1) == QLatin1Char('x') || s.at(1) == QLatin1Char('X'))) {
    s = QLatin1Char('$') + s.mid(2);
  }
  int value = 0;
  return StrToInt(s, &value) ? value : def;
}

void TQuickIni::ReadSections(QStringList& list) const {
  list.clear();
  list.reserve(sections_.size());
  for (const QString& header : sections_) list.append(headerName(header));
}

}  // namespace orvane::skin
