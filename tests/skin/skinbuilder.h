// Builds small skin packages for tests: a description and named images.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
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
  // A skin's sources as they lie in a folder: its .ini file is the description, every other
  // file an image. Read by hand, so that a fault of the package reader cannot hide here.
  static SkinBuilder FromFolder(const QString& path) {
    SkinBuilder b;
    const QDir dir(path);
    for (const QString& name : dir.entryList(QDir::Files)) {
      QFile f(dir.filePath(name));
      if (!f.open(QIODevice::ReadOnly)) continue;
      if (name.endsWith(QLatin1String(".ini")))
        b.description = f.readAll();
      else
        b.files[name] = f.readAll();
    }
    return b;
  }
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
