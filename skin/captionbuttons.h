// Caption-button records: the title-bar buttons a skin describes in its "Button..."
// sections, plus the three buttons of a maximised MDI child.
#pragma once

#include <QHash>
#include <QImage>
#include <QStringList>

#include "skin/skindata.h"

namespace orvane::skin {

class TQuickIni;
class TSkinReader;

// Replaces data.SysButtons with one record per caption-button section of `sections` (in
// description order) followed by the three MDI records. Images come through `images` when
// given, so buttons naming one entry share it.
void ReadCaptionButtons(const TQuickIni& ini, const TSkinReader& reader, const QStringList& sections,
                        TSkinData& data, QHash<QString, QImage>* images = nullptr);

}  // namespace orvane::skin
