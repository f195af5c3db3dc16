// Builds small skin packages for tests: a description and named images.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QMap>
#include <QString>
#include <memory>

#include "skin/WinSkinData.h"
#include "skin/skindata.h"
#include "tests/skin/skintestdata.h"
#include "tools/skinpack/packagewriter.h"

namespace skin_testing {

struct SkinBuilder {
  QByteArray description;
  QMap<QString, QByteArray> files;
  SkinBuilder& ini(const QByteArray& text) {
    description += text;
    return *this;
  }
  SkinBuilder& image(const QString& name, const QImage& img) {
    files[name] = bmp24(img);
    return *this;
  }
  QList<orvane::skinpack::PackageEntry> entries() const {
    QList<orvane::skinpack::PackageEntry> out{{QStringLiteral("test.ini"), description}};
    for (auto it = files.begin(); it != files.end(); ++it) out.append({it.key(), it.value()});
    return out;
  }
  QByteArray package() const { return orvane::skinpack::WritePackage(entries()); }
  // Loads the package into a fresh skin component; null data when loading fails.
  std::shared_ptr<const orvane::skin::TSkinData> parse() const {
    orvane::skin::TSXSkin skin;
    skin.SetSkinStream(package());
    if (!skin.LoadSkin()) return nullptr;
    return skin.Data();
  }
};

}  // namespace skin_testing
