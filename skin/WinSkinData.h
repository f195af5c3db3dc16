// Skin elements and the skin component's data half: the element classes a skin
// description is parsed into, colour parsing, and TSXSkin, which holds the package,
// unpacks and parses it, and hands the complete result to the painters.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QMargins>
#include <QString>
#include <memory>

#include "skin/skincolors.h"
#include "skin/skinpaint.h"

namespace orvane::skin {

class TQuickIni;
class TSkinReader;
struct TSkinData;

// The packed default skin, compiled into the program.
inline constexpr const char* DefaultSkinResource = ":/skin/default.skn";

// One skin element, named after its description section.
class TDataSkinObject {
 public:
  explicit TDataSkinObject(const QString& name = QString()) : Name(name) {}
  virtual ~TDataSkinObject() = default;
  TDataSkinObject(const TDataSkinObject&) = delete;
  TDataSkinObject& operator=(const TDataSkinObject&) = delete;

  // Fixed nine-slice margins (a border element keeps its "TopHeight"/"BotHeight" values in
  // the two margins along its length; the title keeps its text offsets here).
  int LeftWidth = 0;
  int TopHeight = 0;
  int RightWidth = 0;
  int BottomHeight = 0;
  QImage Bitmap;  // skin image format (imgutil.h); null when no image was found
  int Trans = 0;  // 1: the key colour is see-through when drawing
  int Tile = 0;   // mostly: 0 stretch the middle, 1 tile it
  QString Name;
  int Frame = 0;  // frames side by side in Bitmap
  int Style = 0;
  int NormalColour = -1;  // -1: not given
  int MouseOverColour = -1;
  int PressedColour = -1;
  TColor NormalColour2 = 0;
  TColor MouseOverColour2 = 0;
  TColor PressedColour2 = 0;

  QMargins Margins() const { return QMargins(LeftWidth, TopHeight, RightWidth, BottomHeight); }
  // The frame count as every division uses it (below 1 counts as 1).
  int FrameCount() const { return ValidFrameCount(Frame); }
  bool HasImage() const { return !Bitmap.isNull() && Bitmap.width() > 0 && Bitmap.height() > 0; }
};

class TDataSkinBorder : public TDataSkinObject {
 public:
  using TDataSkinObject::TDataSkinObject;
  QImage Bitmap2;
};

class TDataSkinButton : public TDataSkinObject {
 public:
  using TDataSkinObject::TDataSkinObject;
  QImage CheckBitmap;
  QImage RadioBitmap;
  int RadioButtonFrame = 0;
  int CheckButtonFrame = 0;
  bool NormalColour2Given = false;
  bool MouseOverColour2Given = false;
  bool PressedColour2Given = false;
};

// The title: the base margins hold TextShift (left), TextShiftVert (top) and TextRightClip
// (right); Bitmap is the "TextBack" image.
class TDataSkinTitle : public TDataSkinObject {
 public:
  static constexpr TColor NotGiven = 0x1FFFFFFF;
  using TDataSkinObject::TDataSkinObject;
  int TextShift() const { return LeftWidth; }
  int TextShiftVert() const { return TopHeight; }
  int TextRightClip() const { return RightWidth; }
  int TextAlignment = 0;
  int Textbackground = 0;
  int FontHeight = 14;
  int TXTBackleft = 0;
  int TXTBackRight = 0;
  TColor ActiveText = NotGiven;
  TColor InActiveText = NotGiven;
};

class TDataSkinBoxLabel : public TDataSkinObject {
 public:
  using TDataSkinObject::TDataSkinObject;
  int BackgroundLeftShift = 0;
  int BackgroundRightShift = 0;
  int BackgroundAlignment = 0;
};

// A caption button record: Name is the upper-cased section name, Bitmap the button strip.
class TDataSkinSysButton : public TDataSkinObject {
 public:
  using TDataSkinObject::TDataSkinObject;
  int Action = 0;  // 0 close, 1 maximise/restore, 2 minimise, 3 and 11 system menu, 4 help, 7-9 MDI child
  int Align = 0;   // 0 from the left, 1 from the right, ...; 100 on the menu-bar row
  int Xcoord = 0;
  int Ycoord = 0;
  int CombineOp = -1;
  int Visibility = 0;
  int Visibility1 = 0;
};

// Text to colour (trimmed): runs of decimal digits ended by another character fill red,
// green and blue in turn (the low byte of each); the run that ends the text counts only as
// blue, after exactly two others. Missing components are 0: "1,2,3" is RGB 1 2 3, "7 8"
// is red 7, a single number is black.
TColor ParseColour(const QString& text);

// The skin component's data half.
class TSXSkin {
 public:
  TSXSkin();
  ~TSXSkin();

  // The package (the bytes of a skin file; an empty array means no package).
  void SetSkinStream(const QByteArray& package) { skinStream_ = package; }
  const QByteArray& SkinStream() const { return skinStream_; }

  // Unpacks SkinStream and parses it. False when the package cannot be read; the previous
  // skin data then stays.
  bool LoadSkin();
  // Parses the description into a new skin data object, which replaces the current one
  // once it is complete, and clears the skin-loading flag.
  void ReadAll(const TQuickIni& ini, const TSkinReader& reader);

  // True from creation and from the start of every load until a parse completes: no
  // complete skin is held.
  bool SkinLoading() const { return skinLoading_; }
  // The current skin data; null until a skin has been parsed.
  std::shared_ptr<const TSkinData> Data() const { return data_; }

 private:
  QByteArray skinStream_;
  bool skinLoading_ = true;
  std::shared_ptr<const TSkinData> data_;
};

}  // namespace orvane::skin
