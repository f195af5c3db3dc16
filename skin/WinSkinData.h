// Skin elements and the skin component: the element classes a skin description is parsed
// into, colour parsing, and TSXSkin, which holds the package, unpacks and parses it, hands the
// complete result to the painters and switches skinning of the program's windows.
#pragma once

#include <QByteArray>
#include <QFont>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <QImage>
#include <QMargins>
#include <QString>
#include <memory>

#include "skin/skincolors.h"
#include "skin/skinpaint.h"

class QLabel;
class QPainter;

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

// What kinds of controls and menus a skin component skins; the set is kept as a 32-bit mask
// with each member's bit at its position here.
enum TSkinControlType {
  xcMainMenu, xcPopupMenu, xcMenuItem, xcToolbar, xcControlbar, xcCombo, xcCheckBox, xcRadioButton,
  xcProgress, xcScrollbar, xcEdit, xcButton, xcBitBtn, xcSpeedButton, xcSpin, xcPanel, xcGroupBox,
  xcStatusBar, xcTab, xcTrackBar, xcSystemMenu, xcFastReport,
};
// Switches of a skin component, a 16-bit mask in this bit order.
enum TSkinOption {
  xoMDIScrollbar, xoMenuMerge, xoTransparent, xoPreview, xoParentBackGround, xoNoFocusRect, xoToolbarBK,
  xoToolbarButton, xoMDIChildBorder, xoMenuBG, xoCaptionButtonHint, xoFormScrollbar,
};
// sfMainform skins the whole program through the window hook, sfOnlyThisForm only its owner
// form, sfDialog is the skin for message and dialog boxes.
enum TSkinFormType { sfMainform, sfOnlyThisForm, sfDialog, sfDLL };

constexpr quint32 SetBit(int member) { return 1u << member; }
inline constexpr quint32 DefaultSkinControls =
    ((1u << (xcFastReport + 1)) - 1) & ~SetBit(xcMenuItem) & ~SetBit(xcFastReport);
inline constexpr quint16 DefaultSkinOptions = SetBit(xoPreview) | SetBit(xoToolbarBK) | SetBit(xoCaptionButtonHint);
inline constexpr const char* SkinComponentVersion = "5.40.07.15";
// The foreign control classes the component knows, "class=kind".
const QStringList& DefaultSkin3rd();

// The skin component: the one object the program sees of the skin engine. It holds the skin
// package and its parsed data, the switches saying what is skinned, and turns skinning of every
// window on and off through the skin manager. Setters that ask for work only queue it (250 ms).
class TSXSkin : public QObject {
  Q_OBJECT
  Q_PROPERTY(bool Active READ Active WRITE SetActive)
  Q_PROPERTY(int DisableTag MEMBER DisableTag)
  Q_PROPERTY(quint32 SkinControls MEMBER SkinControls)
  Q_PROPERTY(quint16 Options MEMBER Options)
  Q_PROPERTY(QStringList Skin3rd READ Skin3rd WRITE SetSkin3rd)
  Q_PROPERTY(QString SkinFile READ SkinFile WRITE SetSkinFile)
  Q_PROPERTY(QString SkinStore READ SkinStore WRITE SetSkinStore)
  Q_PROPERTY(int SkinFormtype MEMBER SkinFormtype)
  Q_PROPERTY(QString Version READ Version WRITE SetVersion)
  Q_PROPERTY(bool MenuUpdate MEMBER MenuUpdate)
  Q_PROPERTY(bool MenuMerge MEMBER MenuMerge)

 public:
  // A component whose owner is a Form belongs to that window (sfOnlyThisForm skins only it).
  explicit TSXSkin(QObject* owner = nullptr);
  ~TSXSkin() override;

  // ---- saved properties ----
  bool Active() const { return active_; }
  void SetActive(bool value);
  int DisableTag = 99;
  quint32 SkinControls = DefaultSkinControls;
  quint16 Options = DefaultSkinOptions;
  const QStringList& Skin3rd() const { return skin3rd_; }
  void SetSkin3rd(const QStringList& rows) { skin3rd_ = rows; }
  const QString& SkinFile() const { return skinFile_; }
  void SetSkinFile(const QString& fileName);
  QString SkinStore() const { return QStringLiteral("(none)"); }
  void SetSkinStore(const QString&) {}
  int SkinFormtype = sfMainform;
  QString Version() const { return QLatin1String(SkinComponentVersion); }
  void SetVersion(const QString&) {}
  bool MenuUpdate = true;
  bool MenuMerge = false;
  // Skinned frames are painted (switched off while a window is rebuilt).
  bool FramePainting = true;
  bool HasControl(TSkinControlType t) const { return SkinControls & SetBit(t); }
  bool HasOption(TSkinOption o) const { return Options & SetBit(o); }

  // ---- events (unset at creation) ----
  // Veto for a window class: DoSkin comes in as the engine's answer.
  std::function<void(TSXSkin* sender, const QString& name, bool& doSkin)> OnFormSkin;
  // After a switch, refresh or purge has been carried out.
  std::function<void(TSXSkin* sender)> OnSkinChanged;
  // Lets the host supply a control skinner for a control.
  std::function<void(QObject* sender, TSXSkin* skin, QWidget* form, QWidget* control, const QString& controlClass,
                     QObject*& skinnedControl)>
      OnSkinControl;
  std::function<void(TSXSkin* sender, QWidget* hwnd, const QString& name)> OnBeforeSkinForm;
  std::function<void(TSXSkin* sender, QWidget* hwnd, const QString& name)> OnAfterSkinForm;

  // ---- the package ----
  // The package (the bytes of a skin file; an empty array means no package).
  void SetSkinStream(const QByteArray& package) { skinStream_ = package; }
  const QByteArray& SkinStream() const { return skinStream_; }
  // The saved form of SkinStream: u32 little-endian length L, then L bytes (L = 0: none).
  QByteArray WriteSkinStream() const;
  // Reads the saved form (a length of 0 keeps the stream) and loads the package. False for a
  // truncated record, a package that cannot be read or a skin that cannot frame a window; the
  // stream and the skin in use then stay.
  bool ReadSkinStream(const QByteArray& saved);

  // Unpacks SkinStream and parses it. False when the package cannot be read; the previous
  // skin data then stays in use.
  bool LoadSkin();
  // Parses the description into a new skin data object, which replaces the current one
  // once it is complete, and clears the skin-loading flag.
  void ReadAll(const TQuickIni& ini, const TSkinReader& reader);
  // True while a load runs and while no complete skin is held.
  bool SkinLoading() const { return skinLoading_; }
  // The current skin data; null until a skin has been parsed.
  std::shared_ptr<const TSkinData> Data() const { return data_; }

  // ---- life ----
  // The component's properties are all set: creates the manager and, for the whole program,
  // installs its window hook and carries out a saved Active.
  void Loaded();
  bool IsLoaded() const { return loaded_; }
  // The window the component belongs to (its owner when that is a Form), else null.
  QWidget* OwnerWindow() const;

  // The manager's window check: DoSkin comes in True.
  void CanSkinForm(QWidget* handle, const QString& className, bool& doSkin);
  QWidget* LastCheckedWindow() const { return lastChecked_; }
  // The caption button hint below/next to a button (rectangle in screen coordinates).
  void ShowCaptionHint(const QRect& buttonRect, const QString& text);
  void HideCaptionHint();
  bool CaptionHintShown() const { return hintShown_; }
  QWidget* CaptionHintWindow() const;
  void DoSkinChanged();

  // ---- shared drawing resources ----
  // The four 16 x 16 menu glyphs (white see-through).
  const QList<QImage>& MenuGlyphs() const { return menuGlyphs_; }
  // The program's small icon on the key colour (RGB32; 0xFF00FF is see-through).
  const QImage& IconBitmap() const { return iconBitmap_; }
  const QFont& CaptionFont() const { return captionFont_; }
  QSize MaximizedSize() const { return maximizedSize_; }

 private:
  void BuildIconBitmap();
  // LoadSkin of this package, meant for the windows: a skin whose border images cannot draw a
  // window's frame is refused like a package that cannot be read (one log line saying why).
  // Refused, the skin in use and its package stay.
  bool LoadUsableSkin(QByteArray stream);

  bool active_ = false;
  bool loaded_ = false;
  QStringList skin3rd_;
  QString skinFile_;
  QByteArray skinStream_;
  bool skinLoading_ = true;
  std::shared_ptr<const TSkinData> data_;
  QList<QImage> menuGlyphs_;
  QImage iconBitmap_;
  QFont captionFont_;
  QSize maximizedSize_;
  std::unique_ptr<QLabel> hint_;
  bool hintShown_ = false;
  QPointer<QWidget> lastChecked_;
};

// Text routines. DT_* format flags as the Windows call takes them.
enum : quint32 {
  DT_LEFT = 0x0, DT_CENTER = 0x1, DT_RIGHT = 0x2, DT_VCENTER = 0x4, DT_BOTTOM = 0x8, DT_WORDBREAK = 0x10,
  DT_SINGLELINE = 0x20, DT_EXPANDTABS = 0x40, DT_NOCLIP = 0x100, DT_CALCRECT = 0x400, DT_NOPREFIX = 0x800,
  DT_END_ELLIPSIS = 0x8000, DT_RTLREADING = 0x20000,
};
// Draws text in the rectangle (an '&' underlines the next character unless DT_NOPREFIX);
// DT_CALCRECT only measures: rect takes the text's size (wrapped within rect's width with
// DT_WORDBREAK). Returns the text's height.
int SkinDrawText(QPainter* dc, const QString& text, QRect& rect, quint32 format);
// Text in the system's 8-bit encoding to text.
QString AnsiToWideStr(const QByteArray& text);
// The first n characters, or up to the terminator when n is -1.
QString WideCopy(const QChar* text, int n);

}  // namespace orvane::skin
