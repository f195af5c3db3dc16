// Checking and packing a skin source folder (see skinfolder.h).
#include "tools/skinpack/skinfolder.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QtEndian>

#include "skin/SkinRead.h"
#include "skin/WinSkinData.h"
#include "skin/WinSkinIni.h"
#include "skin/skindata.h"
#include "skin/skinparser.h"

namespace orvane::skinpack {

using namespace orvane::skin;

int BmpBitsPerPixel(const QByteArray& bytes) {
  if (bytes.size() < 54 || !bytes.startsWith("BM")) return -1;
  const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
  const uint32_t headerSize = qFromLittleEndian<uint32_t>(p + 14);
  if (headerSize < 40) return -1;
  const uint16_t bits = qFromLittleEndian<uint16_t>(p + 28);
  const uint32_t compression = qFromLittleEndian<uint32_t>(p + 30);
  return compression == 0 ? bits : -1;
}

bool SkinFolder::Read(const QString& path) {
  entries_.clear();
  const QDir dir(path);
  if (!dir.exists()) {
    errors_ << QStringLiteral("%1: no such folder").arg(path);
    return false;
  }
  const QStringList names = dir.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
  for (const QString& name : names) {
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::ReadOnly)) {
      errors_ << QStringLiteral("%1: cannot be read").arg(name);
      continue;
    }
    entries_.append({name, f.readAll()});
  }
  return errors_.isEmpty();
}

void SkinFolder::CheckNames() {
  QSet<QString> seen;
  for (const PackageEntry& e : entries_) {
    const QString lower = TSkinReader::LowerAscii(e.name);
    if (seen.contains(lower)) errors_ << QStringLiteral("%1: another file has the same name ignoring case").arg(e.name);
    seen.insert(lower);
    if (e.name.contains(QLatin1Char('\r')) || e.name.contains(QLatin1Char('\n'))) {
      errors_ << QStringLiteral("%1: a name cannot hold a line break").arg(e.name);
    }
  }
  if (entries_.size() > TSkinReader::MaxEntries) {
    errors_ << QStringLiteral("%1 files, more than a package holds (%2)").arg(entries_.size()).arg(TSkinReader::MaxEntries);
  }
}

void SkinFolder::CheckBitmaps() {
  for (const PackageEntry& e : entries_) {
    if (!e.name.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive)) continue;
    const int bits = BmpBitsPerPixel(e.data);
    if (bits != 24) {
      errors_ << (bits < 0 ? QStringLiteral("%1: not an uncompressed bitmap").arg(e.name)
                           : QStringLiteral("%1: %2 bits per pixel, skin bitmaps have 24").arg(e.name).arg(bits));
    }
  }
}

void SkinFolder::CheckDescription(const QByteArray& description) {
  TQuickIni ini;
  ini.LoadFromStream(description);
  QSet<QString> names;
  for (const PackageEntry& e : entries_) names.insert(TSkinReader::LowerAscii(e.name));
  QSet<QString> used;
  QString section;
  for (const QString& line : ini.lines()) {
    if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
      section = line;
      continue;
    }
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0) continue;
    const QString value = TQuickIni::TrimText(line.mid(eq + 1));
    const qsizetype cut = qMax(value.lastIndexOf(QLatin1Char('/')), value.lastIndexOf(QLatin1Char('\\')));
    const QString file = value.mid(cut + 1);
    if (!file.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive)) continue;
    if (!file.endsWith(QLatin1String(".bmp"))) {
      errors_ << QStringLiteral("%1 %2: the extension must be written \".bmp\" or the image is ignored").arg(section, line);
      continue;
    }
    if (!names.contains(TSkinReader::LowerAscii(file))) {
      errors_ << QStringLiteral("%1 %2: no file \"%3\" in the skin").arg(section, line, file);
    }
    used.insert(TSkinReader::LowerAscii(file));
  }
  for (const PackageEntry& e : entries_) {
    const QString lower = TSkinReader::LowerAscii(e.name);
    if (lower.endsWith(QLatin1String(".bmp")) && !used.contains(lower)) {
      warnings_ << QStringLiteral("%1: no section uses it").arg(e.name);
    }
  }
}

bool SkinFolder::CheckRoundTrip(TSkinReader& reader) {
  if (!reader.Load(package_)) {
    errors_ << QStringLiteral("the package does not load back: %1").arg(reader.error());
    return false;
  }
  if (reader.count() != entries_.size()) {
    errors_ << QStringLiteral("the package holds %1 entries instead of %2").arg(reader.count()).arg(entries_.size());
    return false;
  }
  bool same = true;
  for (const PackageEntry& e : entries_) {
    QByteArray back;
    reader.GetEntry(e.name, back);
    if (back != e.data) {
      errors_ << QStringLiteral("%1: decodes differently from its file").arg(e.name);
      same = false;
    }
  }
  return same;
}

void SkinFolder::CheckStrips(const TSkinReader& reader) {
  QByteArray description;
  reader.FindEntry(QStringLiteral(".ini"), description);
  TQuickIni ini;
  ini.LoadFromStream(description);
  TSXSkin skin;
  skin.ReadAll(ini, reader);
  const std::shared_ptr<const TSkinData> data = skin.Data();

  auto check = [this](const QString& what, const QImage& image, int frames, bool vertical) {
    if (image.isNull()) return;
    const int n = ValidFrameCount(frames);
    const int length = vertical ? image.height() : image.width();
    if (length % n != 0) {
      errors_ << QStringLiteral("%1: %2 pixels %3 do not divide into %4 frames")
                     .arg(what)
                     .arg(length)
                     .arg(vertical ? QStringLiteral("high") : QStringLiteral("wide"))
                     .arg(n);
    }
  };
  // The combo button and sunken edge images are rebuilt into the combo image; their own
  // strips are checked as the description gives them.
  const QStringList rebuilt = {QStringLiteral("ComboButton"), QStringLiteral("SunkEdge")};
  const bool comboBuilt = data->ComboButton && data->ComboButton->Style == 2;
  for (const auto& [section, e] : data->Elements()) {
    if (section == QLatin1String("ComboxArrow") || section == QLatin1String("Toolbar")) continue;
    if (comboBuilt && rebuilt.contains(section)) continue;
    const bool vertical = section == QLatin1String("Personality/Top") || section == QLatin1String("Personality/Bottom") ||
                          section == QLatin1String("Personality/TextBack") || section == QLatin1String("Personality/menuBar");
    check(QStringLiteral("[%1]").arg(section), e->Bitmap, e->FrameCount(), vertical);
    if (const auto* two = dynamic_cast<const TDataSkinBorder*>(e); two && section.startsWith(QLatin1String("UpDown"))) {
      check(QStringLiteral("[%1] GlyphImage").arg(section), two->Bitmap2, e->FrameCount(), false);
    }
  }
  for (const QString& section : rebuilt) {
    check(QStringLiteral("[%1]").arg(section),
          LoadSkinImage(reader, ini.ReadString(section, QStringLiteral("Image"), QString()), section), 4, false);
  }
  check(QStringLiteral("[Buttons] CheckButton"), data->Buttons->CheckBitmap, data->Buttons->CheckButtonFrame, false);
  check(QStringLiteral("[Buttons] RadioButton"), data->Buttons->RadioBitmap, data->Buttons->RadioButtonFrame, false);
  for (const auto& b : data->SysButtons) {
    if (b->Action >= 7 && b->Action <= 9) continue;
    check(QStringLiteral("[%1]").arg(b->Name), b->Bitmap, b->FrameCount(), false);
  }
  check(QStringLiteral("[MDICONTROLS]"),
        LoadSkinImage(reader, ini.ReadString(QStringLiteral("MDICONTROLS"), QStringLiteral("Image"), QString())), 12, false);
}

bool SkinFolder::Pack() {
  errors_.clear();
  warnings_.clear();
  package_.clear();
  CheckNames();
  CheckBitmaps();
  int descriptions = 0;
  QByteArray description;
  for (const PackageEntry& e : entries_) {
    if (TSkinReader::LowerAscii(e.name).contains(QLatin1String(".ini"))) {
      ++descriptions;
      description = e.data;
    }
  }
  if (descriptions != 1) {
    errors_ << QStringLiteral("%1 descriptions (names containing \".ini\"); a skin has exactly one").arg(descriptions);
  } else {
    CheckDescription(description);
  }
  if (!errors_.isEmpty()) return false;
  package_ = WritePackage(entries_);
  // The strips are checked on the package as the program will read it, decoded once.
  TSkinReader reader;
  if (CheckRoundTrip(reader)) CheckStrips(reader);
  if (!errors_.isEmpty()) package_.clear();
  return errors_.isEmpty();
}

}  // namespace orvane::skinpack
