// Turns a skin description and its package into skin data: every section and key that is
// read, with its default, in the order the skin component reads them.
#pragma once

#include <QHash>
#include <QImage>
#include <QString>
#include <QStringList>
#include <memory>

#include "skin/skindata.h"

namespace orvane::skin {

class TQuickIni;
class TSkinReader;

// The image a description value names: its file-name part (any folder dropped) is looked up
// in the package when its extension is exactly ".bmp"; a null image otherwise, or when the
// entry is missing or not a bitmap. With a cache, each entry is decoded once and every later
// value naming it shares that image, however many sections name it.
using SkinImageCache = QHash<QString, QImage>;
QImage LoadSkinImage(const TSkinReader& reader, const QString& value, const QString& section = QString(),
                     SkinImageCache* cache = nullptr);

class TSkinParser {
 public:
  // The width of a scroll-bar arrow in the classic metrics, which the combo image keeps
  // room for.
  static constexpr int ScrollArrowWidth = 17;
  // The combo button's strip always holds this many state frames.
  static constexpr int ComboButtonFrames = 4;

  TSkinParser(const TQuickIni& ini, const TSkinReader& reader) : ini_(ini), reader_(reader) {}
  // Builds the complete skin data.
  std::unique_ptr<TSkinData> ReadAll();

 private:
  QImage Image(const QString& section, const QString& key) const;
  int Int(const QString& section, const QString& key, int def) const;
  TColor Colour2(const QString& section, const QString& key, const TSkinData& data) const;

  // Fields shared by the plain, two-image and box-label readers.
  void ReadPlainFields(TDataSkinObject& e, const QString& section, bool readFrame, const TSkinData& data) const;
  std::unique_ptr<TDataSkinObject> ReadPlain(const QString& section, const TSkinData& data) const;
  std::unique_ptr<TDataSkinBorder> ReadTwoImage(const QString& section, const QString& secondKey,
                                                const TSkinData& data) const;
  std::unique_ptr<TDataSkinBorder> ReadBitmapKey(const QString& section) const;
  std::unique_ptr<TDataSkinBoxLabel> ReadBoxLabel(const QString& section, const TSkinData& data) const;
  std::unique_ptr<TDataSkinObject> ReadMenuBar() const;

  void ReadBorders(TSkinData& data) const;
  void ReadColours(TSkinData& data, const QStringList& sections) const;
  void ReadButtons(TSkinData& data) const;
  void ReadTitle(TSkinData& data) const;
  void SetFrameCounts(TSkinData& data) const;

  QImage Load(const QString& value, const QString& section) const;

  const TQuickIni& ini_;
  const TSkinReader& reader_;
  mutable SkinImageCache images_;
};

}  // namespace orvane::skin
