// Everything parsed from one skin: elements, caption-button records, colours. Built
// complete by the parser and then shared read-only with the painters.
#pragma once

#include <QBrush>
#include <QString>
#include <QVector>
#include <array>
#include <memory>
#include <utility>
#include <vector>

#include "skin/WinSkinData.h"

namespace orvane::skin {

// Colour slots; 9 and 10 are never filled from a description.
enum SkinColourSlot {
  scWindowText = 0,
  scTitleTextActive = 1,
  scTitleTextNoActive = 2,
  scButtonFace = 3,
  scButtonText = 4,
  scButtonHilight = 5,
  scButtonlight = 6,
  scButtonShadow = 7,
  scButtonDkShadow = 8,
  scHilightText = 11,
  scHilight = 12,
  scMenubar = 13,
  scMenuBarText = 14,
  scMenuText = 15,
  scMenu = 16,
  scWindow = 17,  // the window colour derived after the parse
  scScrollbar = 18,
  SkinColourSlots = 19
};

enum BorderSide { bsLeft = 0, bsRight = 1, bsTop = 2, bsBottom = 3 };
enum TrackbarThumb { tbThumbHorz = 0, tbThumbVert, tbThumbLeft, tbThumbRight, tbThumbUp, tbThumbDown };

struct TSkinData {
  QString SkinName;

  // Always present.
  std::array<std::unique_ptr<TDataSkinBorder>, 4> Borders;
  std::unique_ptr<TDataSkinButton> Buttons;
  std::unique_ptr<TDataSkinTitle> Title;

  // Null when the description lacks them.
  std::unique_ptr<TDataSkinBorder> Progress;
  std::unique_ptr<TDataSkinObject> ProgressChunk;
  std::unique_ptr<TDataSkinObject> MenuBar;
  std::unique_ptr<TDataSkinObject> GroupBoxEdge;
  std::unique_ptr<TDataSkinBoxLabel> GroupBox;
  std::unique_ptr<TDataSkinBorder> Tabs;
  std::unique_ptr<TDataSkinObject> StatusBarEdges;
  std::unique_ptr<TDataSkinObject> TabPane;
  std::unique_ptr<TDataSkinObject> ToolBars;
  std::unique_ptr<TDataSkinBorder> ComboButton;
  std::unique_ptr<TDataSkinObject> SunkEdge;
  std::unique_ptr<TDataSkinObject> ExtraImages;
  std::unique_ptr<TDataSkinObject> Headerbar;
  std::unique_ptr<TDataSkinObject> MenuItem;
  std::unique_ptr<TDataSkinObject> MenuBackground;
  std::unique_ptr<TDataSkinObject> Scrollbar;
  std::unique_ptr<TDataSkinObject> HorzScroll;
  std::unique_ptr<TDataSkinObject> VertScroll;
  std::unique_ptr<TDataSkinObject> HorzScrollThumb;
  std::unique_ptr<TDataSkinObject> VertScrollThumb;
  std::array<std::unique_ptr<TDataSkinObject>, 6> TrackbarThumbs;
  std::unique_ptr<TDataSkinBorder> UpDownHorz;
  std::unique_ptr<TDataSkinBorder> UpDownVert;

  // Present after every parse (from the description or built in / derived).
  std::unique_ptr<TDataSkinObject> Track;
  std::unique_ptr<TDataSkinObject> TrackVert;
  std::unique_ptr<TDataSkinObject> ComboxArrow;
  std::unique_ptr<TDataSkinObject> Toolbar;

  // One record per caption-button section, then the three of a maximised MDI child.
  std::vector<std::unique_ptr<TDataSkinSysButton>> SysButtons;

  std::array<TColor, SkinColourSlots> Colours{};
  std::array<bool, SkinColourSlots> ColourGiven{};
  QVector<TColor> ExtraColours;
  std::array<TColor, 10> CustomColours{};
  QBrush ButtonFaceBrush;

  TColor Colour(SkinColourSlot slot) const { return Colours[static_cast<size_t>(slot)]; }
  const TDataSkinBorder& Border(BorderSide side) const { return *Borders[static_cast<size_t>(side)]; }

  // Every element that exists, with the section it came from (caption buttons excluded).
  std::vector<std::pair<QString, const TDataSkinObject*>> Elements() const;
};

}  // namespace orvane::skin
