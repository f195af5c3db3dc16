// The default skin, read from the program's resources, for the skin benchmarks.
#pragma once

#include <QFile>

#include "skin/WinSkinData.h"
#include "skin/WinSkinStore.h"

namespace bench {

// Reads and loads the default skin into `skin`; false when it cannot.
inline bool LoadDefaultSkin(orvane::skin::TSXSkin& skin) {
  QFile f(QString::fromLatin1(orvane::skin::DefaultSkinResource));
  if (!f.open(QIODevice::ReadOnly)) return false;
  skin.SetSkinStream(f.readAll());
  return skin.LoadSkin();
}

}  // namespace bench
