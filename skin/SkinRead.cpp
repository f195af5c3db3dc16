// The skin package reader (see SkinRead.h).
#include "skin/SkinRead.h"

#include <QLoggingCategory>
#include <QtEndian>

#include "platform/files/textfile.h"
#include "skin/WinConvert.h"

namespace orvane::skin {

Q_LOGGING_CATEGORY(lcSkinRead, "orvane.skin.package")

namespace {

uint32_t u32At(const QByteArray& bytes, qsizetype offset) {
  return qFromLittleEndian<uint32_t>(bytes.constData() + offset);
}

}  // namespace

int TSkinReader::SkippedBlockSize(uint32_t version) {
  switch (version) {
    case 20000: return 0;
    case 30000: return 256;
    case 40000: return 80;
    case 50000: return 48;
    case 60000: return 117;
    case 70000: return 69;
    default: return -1;
  }
}

QString TSkinReader::LowerAscii(const QString& text) {
  QString out = text;
  for (QChar& c : out) {
    if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) c = QChar(c.unicode() + 32);
  }
  return out;
}

bool TSkinReader::Load(const QByteArray& source) {
  auto fail = [this](const QString& why) {
    error_ = why;
    qCWarning(lcSkinRead).noquote() << "skin package not loaded:" << why;
    return false;
  };
  if (source.size() < 4) return fail(QStringLiteral("the package is shorter than its size field"));
  const uint32_t unpackedSize = u32At(source, 0);

  QByteArray unpacked;
  TLZH lzh;
  if (!lzh.LzhUnpack(unpackedSize, source.mid(4), unpacked)) return fail(lzh.error());

  if (unpacked.size() < 16) return fail(QStringLiteral("the package has no header"));
  const uint32_t version = u32At(unpacked, 0);
  const uint32_t namesLength = u32At(unpacked, 4);
  const uint32_t reserved1 = u32At(unpacked, 8);
  const uint32_t reserved2 = u32At(unpacked, 12);
  const int skipped = SkippedBlockSize(version);
  if (skipped < 0) return fail(QStringLiteral("unknown package version %1").arg(version));

  const uint64_t namesStart = 16 + static_cast<uint64_t>(skipped);
  const uint64_t total = static_cast<uint64_t>(unpacked.size());
  if (namesStart + namesLength > total) {
    return fail(QStringLiteral("the name block (%1 bytes) runs past the end").arg(namesLength));
  }
  // Decoded first, then lowercased: in GB18030 text the second byte of a character can be
  // an ASCII capital, and lowering that byte would name a different character than the one
  // a description asks for.
  const QByteArray block = unpacked.mid(static_cast<qsizetype>(namesStart), static_cast<qsizetype>(namesLength));
  // One name a line (CR, LF or CR LF); a final line break adds no empty name.
  const QStringList names = orvane::splitLines(LowerAscii(orvane::decodeText(block)));
  const int count = static_cast<int>(names.size());
  if (count > MaxEntries) return fail(QStringLiteral("%1 entries, more than %2").arg(count).arg(MaxEntries));

  const uint64_t tableStart = namesStart + namesLength;
  const uint64_t dataStart = tableStart + 4ull * static_cast<uint64_t>(count);
  if (dataStart > total) return fail(QStringLiteral("the size table runs past the end"));
  std::array<uint32_t, MaxEntries> sizes{};
  uint64_t sum = 0;
  for (int i = 0; i < count; ++i) {
    sizes[static_cast<size_t>(i)] = u32At(unpacked, static_cast<qsizetype>(tableStart + 4ull * i));
    sum += sizes[static_cast<size_t>(i)];
  }
  const uint64_t dataLength = total - dataStart;
  if (sum > dataLength) {
    return fail(QStringLiteral("the entries need %1 bytes, the package holds %2").arg(sum).arg(dataLength));
  }

  names_ = names;
  count_ = count;
  sizes_ = sizes;
  data_ = unpacked.mid(static_cast<qsizetype>(dataStart));
  version_ = version;
  namesLength_ = namesLength;
  reserved1_ = reserved1;
  reserved2_ = reserved2;
  error_.clear();
  return true;
}

void TSkinReader::CopyEntry(int index, uint64_t offset, QByteArray& dest) const {
  const uint64_t size = sizes_[static_cast<size_t>(index)];
  // Load checked the sizes against the data; the bound is kept here all the same.
  if (offset + size > static_cast<uint64_t>(data_.size())) return;
  dest = data_.mid(static_cast<qsizetype>(offset), static_cast<qsizetype>(size));
}

void TSkinReader::GetEntry(const QString& name, QByteArray& dest) const {
  dest.clear();
  const QString wanted = LowerAscii(name);
  uint64_t offset = 0;
  for (int i = 0; i < count_; ++i) {
    if (names_.at(i) == wanted) {
      CopyEntry(i, offset, dest);
      return;
    }
    offset += sizes_[static_cast<size_t>(i)];
  }
}

QString TSkinReader::FindEntry(const QString& text, QByteArray& dest) const {
  dest.clear();
  uint64_t offset = 0;
  for (int i = 0; i < count_; ++i) {
    if (names_.at(i).contains(text)) {
      CopyEntry(i, offset, dest);
      return names_.at(i);
    }
    offset += sizes_[static_cast<size_t>(i)];
  }
  return QString();
}

}  // namespace orvane::skin
