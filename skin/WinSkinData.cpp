// Skin elements, colour parsing and the skin component's data half (see WinSkinData.h).
#include "skin/WinSkinData.h"

#include <cstdint>

#include "skin/SkinRead.h"
#include "skin/WinSkinIni.h"
#include "skin/skindata.h"
#include "skin/skinparser.h"

namespace orvane::skin {

TColor ParseColour(const QString& text) {
  const QString t = TQuickIni::TrimText(text);
  int components[3] = {0, 0, 0};
  int stored = 0;
  qsizetype i = 0;
  while (i < t.size()) {
    const char16_t c = t.at(i).unicode();
    if (c < '0' || c > '9') {
      ++i;
      continue;
    }
    // A run of decimal digits; one too large for a 32-bit integer gives 0.
    uint64_t value = 0;
    bool overflow = false;
    for (; i < t.size() && t.at(i).unicode() >= '0' && t.at(i).unicode() <= '9'; ++i) {
      if (!overflow) {
        value = value * 10 + (t.at(i).unicode() - '0');
        overflow = value > 0x7FFFFFFFull;
      }
    }
    const int component = overflow ? 0 : static_cast<int>(value & 0xFF);
    const bool last = i >= t.size();
    // A run ended by another character fills the next component; the run that ends the
    // text counts only as the third, so "7" is black and "7 8" is red 7.
    if (!last) {
      if (stored < 3) components[stored] = component;
      ++stored;
    } else if (stored == 2) {
      components[2] = component;
    }
  }
  return RGBColor(components[0], components[1], components[2]);
}

bool TSXSkin::LoadSkin() {
  skinLoading_ = true;
  TSkinReader reader;
  if (!reader.Load(skinStream_)) {
    // The previous skin stays in use, so windows shown from now on are still skinned.
    skinLoading_ = !data_;
    return false;
  }
  QByteArray description;
  reader.FindEntry(QStringLiteral(".ini"), description);
  TQuickIni ini;
  ini.LoadFromStream(description);
  ReadAll(ini, reader);
  return true;
}

void TSXSkin::ReadAll(const TQuickIni& ini, const TSkinReader& reader) {
  TSkinParser parser(ini, reader);
  std::shared_ptr<const TSkinData> parsed = parser.ReadAll();
  data_ = std::move(parsed);
  skinLoading_ = false;
}

std::vector<std::pair<QString, const TDataSkinObject*>> TSkinData::Elements() const {
  std::vector<std::pair<QString, const TDataSkinObject*>> list;
  auto add = [&list](const char* section, const TDataSkinObject* e) {
    if (e) list.emplace_back(QLatin1String(section), e);
  };
  add("Personality/Left", Borders[bsLeft].get());
  add("Personality/Right", Borders[bsRight].get());
  add("Personality/Top", Borders[bsTop].get());
  add("Personality/Bottom", Borders[bsBottom].get());
  add("Buttons", Buttons.get());
  add("Personality/TextBack", Title.get());
  add("Progress", Progress.get());
  add("Progress.Chunk", ProgressChunk.get());
  add("Personality/menuBar", MenuBar.get());
  add("GroupBoxEdge", GroupBoxEdge.get());
  add("GroupBox", GroupBox.get());
  add("Tabs", Tabs.get());
  add("StatusBarEdges", StatusBarEdges.get());
  add("Tab.Pane", TabPane.get());
  add("ToolBars", ToolBars.get());
  add("ComboButton", ComboButton.get());
  add("SunkEdge", SunkEdge.get());
  add("ExtraImages", ExtraImages.get());
  add("Headerbar", Headerbar.get());
  add("MenuItem", MenuItem.get());
  add("MenuBackground", MenuBackground.get());
  add("Scrollbar", Scrollbar.get());
  add("HorzScroll", HorzScroll.get());
  add("VertScroll", VertScroll.get());
  add("HorzScrollThumb", HorzScrollThumb.get());
  add("VertScrollThumb", VertScrollThumb.get());
  add("Trackbar.ThumbHorz", TrackbarThumbs[tbThumbHorz].get());
  add("Trackbar.ThumbVert", TrackbarThumbs[tbThumbVert].get());
  add("Trackbar.ThumbLeft", TrackbarThumbs[tbThumbLeft].get());
  add("Trackbar.ThumbRight", TrackbarThumbs[tbThumbRight].get());
  add("Trackbar.ThumbUp", TrackbarThumbs[tbThumbUp].get());
  add("Trackbar.ThumbDown", TrackbarThumbs[tbThumbDown].get());
  add("UpDown.Horz", UpDownHorz.get());
  add("UpDown.Vert", UpDownVert.get());
  add("Track", Track.get());
  add("TRACKVERT", TrackVert.get());
  add("ComboxArrow", ComboxArrow.get());
  add("Toolbar", Toolbar.get());
  return list;
}

}  // namespace orvane::skin
