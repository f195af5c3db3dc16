// Caption-button records (see captionbuttons.h).
#include "skin/captionbuttons.h"

#include <optional>

#include "skin/WinSkinIni.h"
#include "skin/skinparser.h"

namespace orvane::skin {

namespace {

// Sections that describe push buttons or check boxes rather than caption buttons.
bool isOtherButtonSection(const QString& upper) {
  return upper == QLatin1String("BUTTONS") || upper == QLatin1String("BUTTON.RADIO") ||
         upper == QLatin1String("BUTTON.CHECKBOX") || upper == QLatin1String("BUTTON");
}

}  // namespace

void ReadCaptionButtons(const TQuickIni& ini, const TSkinReader& reader, const QStringList& sections,
                        TSkinData& data, QHash<QString, QImage>* images) {
  data.SysButtons.clear();
  QStringList names;
  for (const QString& name : sections) {
    const QString upper = name.toUpper();
    if (isOtherButtonSection(upper) || !upper.startsWith(QLatin1String("BUTTON"))) continue;
    // A button hidden for good (Action -1) is kept only with Visibility 0.
    const bool hidden = ini.ReadInteger(name, QStringLiteral("Action"), 0) == -1 &&
                        ini.ReadInteger(name, QStringLiteral("Visibility"), -1) != 0;
    if (!hidden) names.append(name);
  }

  std::optional<QPoint> maximisePoint;
  for (const QString& s : names) {
    auto r = std::make_unique<TDataSkinSysButton>(s.toUpper());
    r->Action = ini.ReadInteger(s, QStringLiteral("Action"), 0);
    r->Align = ini.ReadInteger(s, QStringLiteral("Align"), 0);
    r->Xcoord = ini.ReadInteger(s, QStringLiteral("Xcoord"), 0);
    r->Ycoord = ini.ReadInteger(s, QStringLiteral("Ycoord"), 0);
    r->Visibility = ini.ReadInteger(s, QStringLiteral("Visibility"), 0);
    r->Visibility1 = ini.ReadInteger(s, QStringLiteral("Visibility1"), r->Action == -1 ? -1 : 0);
    // The help button sits where the maximise button would be.
    if (r->Action == 1 && r->Visibility == 2) maximisePoint = QPoint(r->Xcoord, r->Ycoord);
    if (r->Action == 4 && maximisePoint) {
      r->Xcoord = maximisePoint->x();
      r->Ycoord = maximisePoint->y();
    }
    r->CombineOp = ini.ReadInteger(s, QStringLiteral("CombineOp"), -1);
    r->Frame = ini.ReadInteger(s, QStringLiteral("frame"), 0);
    r->Bitmap = LoadSkinImage(reader, ini.ReadString(s, QStringLiteral("ButtonImage"), QString()), s, images);
    if (r->Frame == 0) {
      r->Frame = 6;
      if (r->HasImage() && r->Action >= 0) {
        r->Frame = static_cast<double>(r->Bitmap.width()) / r->Bitmap.height() <= 3.8 ? 3 : 6;
      }
      // System-menu buttons show the window icon instead.
      if (r->Action == 3 || r->Action == 11) r->Bitmap = QImage();
    }
    data.SysButtons.push_back(std::move(r));
  }

  // The minimise, restore and close buttons of a maximised MDI child.
  const QImage strip = LoadSkinImage(reader, ini.ReadString(QStringLiteral("MDICONTROLS"), QStringLiteral("Image"), QString()),
                                     QStringLiteral("MDICONTROLS"), images);
  const int w = strip.isNull() ? 0 : strip.width() / 12;
  const int h = strip.isNull() ? 0 : strip.height();
  for (int j = 0; j < 3; ++j) {
    auto r = std::make_unique<TDataSkinSysButton>();
    r->Action = 7 + j;
    r->Align = 100;
    r->Visibility = 100;
    r->Visibility1 = 100;
    r->Frame = 4;
    if (w > 0 && h > 0) {
      r->Bitmap = strip.copy(4 * j * w, 0, 4 * w, h);
      r->Xcoord = (3 - j) * (w + 4);
    }
    data.SysButtons.push_back(std::move(r));
  }
}

}  // namespace orvane::skin
