// The skin description parser (see skinparser.h).
#include "skin/skinparser.h"

#include <QLoggingCategory>
#include <limits>

#include "skin/SkinRead.h"
#include "skin/WinSkinIni.h"
#include "skin/captionbuttons.h"
#include "skin/derivedimages.h"
#include "skin/imgutil.h"

namespace orvane::skin {

Q_LOGGING_CATEGORY(lcSkinParse, "orvane.skin.data")

QImage LoadSkinImage(const TSkinReader& reader, const QString& value, const QString& section, SkinImageCache* cache) {
  if (value.isEmpty()) return QImage();
  const qsizetype cut = qMax(value.lastIndexOf(QLatin1Char('/')), value.lastIndexOf(QLatin1Char('\\')));
  const QString fileName = value.mid(cut + 1);
  const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
  // Only ".bmp" as written; other extensions (capitals included) name no image.
  if (dot < 0 || fileName.mid(dot) != QLatin1String(".bmp")) return QImage();
  if (cache) {
    const auto known = cache->constFind(TSkinReader::LowerAscii(fileName));
    if (known != cache->cend()) return *known;
    QImage image = LoadSkinImage(reader, fileName, section);
    cache->insert(TSkinReader::LowerAscii(fileName), image);
    return image;
  }
  QByteArray bytes;
  reader.GetEntry(fileName, bytes);
  if (bytes.isEmpty()) {
    qCWarning(lcSkinParse).noquote() << QStringLiteral("skin image \"%1\" of [%2] is not in the package").arg(fileName, section);
    return QImage();
  }
  QImage image = LoadSkinBitmap(bytes);
  if (image.isNull()) {
    qCWarning(lcSkinParse).noquote() << QStringLiteral("skin image \"%1\" of [%2] is not a readable bitmap").arg(fileName, section);
  }
  return image;
}

QImage TSkinParser::Load(const QString& value, const QString& section) const {
  return LoadSkinImage(reader_, value, section, &images_);
}

QImage TSkinParser::Image(const QString& section, const QString& key) const {
  return Load(ini_.ReadString(section, key, QString()), section);
}

int TSkinParser::Int(const QString& section, const QString& key, int def) const {
  return ini_.ReadInteger(section, key, def);
}

TColor TSkinParser::Colour2(const QString& section, const QString& key, const TSkinData& data) const {
  const QString value = ini_.ReadString(section, key, QString());
  return value.isEmpty() ? data.Colour(scButtonText) : ParseColour(value);
}

void TSkinParser::ReadPlainFields(TDataSkinObject& e, const QString& section, bool readFrame,
                                  const TSkinData& data) const {
  e.Style = Int(section, QStringLiteral("Style"), 0);
  e.LeftWidth = Int(section, QStringLiteral("LeftWidth"), 0);
  e.RightWidth = Int(section, QStringLiteral("RightWidth"), 0);
  e.TopHeight = Int(section, QStringLiteral("TopHeight"), 0);
  e.BottomHeight = Int(section, QStringLiteral("BottomHeight"), 0);
  if (readFrame) e.Frame = Int(section, QStringLiteral("Frame"), 0);
  e.Trans = Int(section, QStringLiteral("Trans"), 0);
  e.Tile = Int(section, QStringLiteral("Tile"), 0);
  if (e.Tile > 1) e.Tile = 0;
  e.NormalColour = Int(section, QStringLiteral("NormalColour"), -1);
  e.MouseOverColour = Int(section, QStringLiteral("MouseOverColour"), -1);
  e.PressedColour = Int(section, QStringLiteral("PressedColour"), -1);
  e.NormalColour2 = Colour2(section, QStringLiteral("NormalColour2"), data);
  e.MouseOverColour2 = Colour2(section, QStringLiteral("MouseOverColour2"), data);
  e.PressedColour2 = Colour2(section, QStringLiteral("PressedColour2"), data);
}

std::unique_ptr<TDataSkinObject> TSkinParser::ReadPlain(const QString& section, const TSkinData& data) const {
  const QString image = ini_.ReadString(section, QStringLiteral("Image"), QString());
  if (image.isEmpty()) return nullptr;
  auto e = std::make_unique<TDataSkinObject>(section);
  e->Bitmap = Load(image, section);
  ReadPlainFields(*e, section, true, data);
  return e;
}

std::unique_ptr<TDataSkinBorder> TSkinParser::ReadTwoImage(const QString& section, const QString& secondKey,
                                                           const TSkinData& data) const {
  const QString image = ini_.ReadString(section, QStringLiteral("Image"), QString());
  if (image.isEmpty()) return nullptr;
  auto e = std::make_unique<TDataSkinBorder>(section);
  e->Bitmap = Load(image, section);
  const QString second = ini_.ReadString(section, secondKey, QString());
  if (!second.isEmpty()) e->Bitmap2 = Load(second, section);
  ReadPlainFields(*e, section, false, data);
  return e;
}

std::unique_ptr<TDataSkinBorder> TSkinParser::ReadBitmapKey(const QString& section) const {
  const QString image = ini_.ReadString(section, QStringLiteral("Bitmap"), QString());
  if (image.isEmpty()) return nullptr;
  auto e = std::make_unique<TDataSkinBorder>(section);
  e->Bitmap = Load(image, section);
  e->Style = Int(section, QStringLiteral("Style"), 0);
  e->LeftWidth = Int(section, QStringLiteral("LeftWidth"), 0);
  e->RightWidth = Int(section, QStringLiteral("RightWidth"), 0);
  e->TopHeight = Int(section, QStringLiteral("TopHeight"), 0);
  e->BottomHeight = Int(section, QStringLiteral("BottomHeight"), 0);
  e->Trans = Int(section, QStringLiteral("Trans"), 0);
  e->Tile = Int(section, QStringLiteral("Tile"), 0);
  if (e->Tile > 1) e->Tile = 1;
  return e;
}

std::unique_ptr<TDataSkinBoxLabel> TSkinParser::ReadBoxLabel(const QString& section, const TSkinData& data) const {
  const QString image = ini_.ReadString(section, QStringLiteral("Image"), QString());
  if (image.isEmpty()) return nullptr;
  auto e = std::make_unique<TDataSkinBoxLabel>(section);
  e->Bitmap = Load(image, section);
  ReadPlainFields(*e, section, true, data);
  e->BackgroundAlignment = Int(section, QStringLiteral("BackgroundAlignment"), 0);
  e->BackgroundLeftShift = Int(section, QStringLiteral("BackgroundLeftShift"), 0);
  e->BackgroundRightShift = Int(section, QStringLiteral("BackgroundRightShift"), 0);
  return e;
}

std::unique_ptr<TDataSkinObject> TSkinParser::ReadMenuBar() const {
  const QString section = QStringLiteral("Personality");
  const QString image = ini_.ReadString(section, QStringLiteral("menuBar"), QString());
  if (image.isEmpty()) return nullptr;
  auto e = std::make_unique<TDataSkinObject>(QStringLiteral("menuBar"));
  e->Bitmap = Load(image, section);
  e->TopHeight = 0;
  e->BottomHeight = 0;
  // These three are switches for tiling, kept in the tile field and the side margins.
  e->Tile = Int(section, QStringLiteral("TileMenu"), 1);
  if (e->Tile > 1) e->Tile = 1;
  e->LeftWidth = Int(section, QStringLiteral("TileLeftMenu"), 1);
  e->RightWidth = Int(section, QStringLiteral("TileRightMenu"), 1);
  return e;
}

void TSkinParser::ReadBorders(TSkinData& data) const {
  const QString section = QStringLiteral("Personality");
  const char* const names[4] = {"Left", "Right", "Top", "Bottom"};
  for (int side = 0; side < 4; ++side) {
    const QString n = QLatin1String(names[side]);
    auto e = std::make_unique<TDataSkinBorder>(n);
    const int first = Int(section, n + QLatin1String("TopHeight"), 0);
    const int second = Int(section, n + QLatin1String("BotHeight"), 0);
    if (side < 2) {
      e->TopHeight = first;
      e->BottomHeight = second;
    } else {
      e->LeftWidth = first;
      e->RightWidth = second;
    }
    e->Frame = Int(section, n + QLatin1String("Frame"), 1);
    e->Tile = Int(section, n + QLatin1String("Stretch"), 1);
    if (e->Tile > 1) e->Tile = 1;
    e->Trans = Int(section, n + QLatin1String("Trans"), 1);
    e->Bitmap = Image(section, n);
    data.Borders[static_cast<size_t>(side)] = std::move(e);
  }
}

void TSkinParser::ReadColours(TSkinData& data, const QStringList& sections) const {
  const QString section = QStringLiteral("Colours");
  struct Slot {
    const char* key;
    SkinColourSlot slot;
    int system;  // default system colour, -1: the value of ButtonFace
  };
  // In reading order: Menubar's default is the ButtonFace read before it.
  const Slot table[] = {
      {"WindowText", scWindowText, COLOR_WINDOWTEXT},
      {"ButtonFace", scButtonFace, COLOR_BTNFACE},
      {"Scrollbar", scScrollbar, COLOR_SCROLLBAR},
      {"HilightText", scHilightText, COLOR_HIGHLIGHTTEXT},
      {"Hilight", scHilight, COLOR_HIGHLIGHT},
      {"Menubar", scMenubar, -1},
      {"Menu", scMenu, COLOR_MENU},
      {"MenuText", scMenuText, COLOR_MENUTEXT},
      {"ButtonText", scButtonText, COLOR_BTNTEXT},
      {"ButtonHilight", scButtonHilight, COLOR_BTNHIGHLIGHT},
      {"Buttonlight", scButtonlight, COLOR_BTNHIGHLIGHT},
      {"ButtonShadow", scButtonShadow, COLOR_BTNSHADOW},
      {"ButtonDkShadow", scButtonDkShadow, COLOR_3DDKSHADOW},
      {"MenuBarText", scMenuBarText, COLOR_MENUTEXT},
      {"TitleTextActive", scTitleTextActive, COLOR_CAPTIONTEXT},
      {"TitleTextNoActive", scTitleTextNoActive, COLOR_INACTIVECAPTIONTEXT},
  };
  for (const Slot& s : table) {
    const QString value = ini_.ReadString(section, QLatin1String(s.key), QString());
    const size_t i = static_cast<size_t>(s.slot);
    data.ColourGiven[i] = !value.isEmpty();
    if (!value.isEmpty()) {
      data.Colours[i] = ParseColour(value);
    } else {
      // System colours are resolved here, so every colour slot holds plain RGB.
      data.Colours[i] = s.system < 0 ? data.Colour(scButtonFace) : SysColor(s.system);
    }
  }
  data.ExtraColours.clear();
  for (const QString& name : sections) {
    const QString upper = name.toUpper();
    if (!upper.startsWith(QLatin1String("COLOUR")) || upper == QLatin1String("COLOURS")) continue;
    const QString value = ini_.ReadString(name, QStringLiteral("color"), QString());
    data.ExtraColours.append(value.isEmpty() ? SysColor(COLOR_WINDOWTEXT) : ParseColour(value));
  }
  for (int k = 0; k < 10; ++k) {
    const QString value = ini_.ReadString(QStringLiteral("Customcolors"), QStringLiteral("Color%1").arg(k), QString());
    data.CustomColours[static_cast<size_t>(k)] = value.isEmpty() ? clWhite : ParseColour(value);
  }
}

void TSkinParser::ReadButtons(TSkinData& data) const {
  const QString section = QStringLiteral("Buttons");
  auto& b = data.Buttons;
  b = std::make_unique<TDataSkinButton>(section);
  b->LeftWidth = Int(section, QStringLiteral("LeftWidth"), 0);
  b->RightWidth = Int(section, QStringLiteral("RightWidth"), 0);
  b->TopHeight = Int(section, QStringLiteral("TopHeight"), 0);
  b->BottomHeight = Int(section, QStringLiteral("BottomHeight"), 0);
  b->Trans = Int(section, QStringLiteral("Trans"), 0);
  b->Bitmap = Image(section, QStringLiteral("Bitmap"));
  b->Tile = Int(section, QStringLiteral("Tile"), 0);
  if (b->Tile > 1) b->Tile = 0;
  b->CheckBitmap = Image(section, QStringLiteral("CheckButton"));
  b->RadioBitmap = Image(section, QStringLiteral("RadioButton"));
  b->NormalColour = Int(section, QStringLiteral("NormalColour"), -1);
  b->MouseOverColour = Int(section, QStringLiteral("MouseOverColour"), -1);
  b->PressedColour = Int(section, QStringLiteral("PressedColour"), -1);
  b->RadioButtonFrame = Int(section, QStringLiteral("RadioButtonFrame"), 0);
  b->CheckButtonFrame = Int(section, QStringLiteral("CheckButtonFrame"), 0);
  b->NormalColour2Given = !ini_.ReadString(section, QStringLiteral("NormalColour2"), QString()).isEmpty();
  b->MouseOverColour2Given = !ini_.ReadString(section, QStringLiteral("MouseOverColour2"), QString()).isEmpty();
  b->PressedColour2Given = !ini_.ReadString(section, QStringLiteral("PressedColour2"), QString()).isEmpty();
  b->NormalColour2 = Colour2(section, QStringLiteral("NormalColour2"), data);
  b->MouseOverColour2 = Colour2(section, QStringLiteral("MouseOverColour2"), data);
  b->PressedColour2 = Colour2(section, QStringLiteral("PressedColour2"), data);
}

void TSkinParser::ReadTitle(TSkinData& data) const {
  const QString section = QStringLiteral("Personality");
  auto& t = data.Title;
  t = std::make_unique<TDataSkinTitle>(QStringLiteral("Title"));
  t->Bitmap = Image(section, QStringLiteral("TextBack"));
  t->LeftWidth = Int(section, QStringLiteral("TextShift"), 0);
  t->TopHeight = Int(section, QStringLiteral("TextShiftVert"), 0);
  t->RightWidth = Int(section, QStringLiteral("TextRightClip"), 0);
  t->BottomHeight = 0;
  t->TextAlignment = Int(section, QStringLiteral("TextAlignment"), 0);
  t->Textbackground = Int(section, QStringLiteral("Textbackground"), 0);
  t->FontHeight = Int(QStringLiteral("Fonts"), QStringLiteral("FontHeight"), 14);
  t->TXTBackleft = Int(section, QStringLiteral("TXTBackleft"), 0);
  t->TXTBackRight = Int(section, QStringLiteral("TXTBackRight"), 0);
  t->ActiveText = TDataSkinTitle::NotGiven;
  t->InActiveText = TDataSkinTitle::NotGiven;
  for (const char* prefix : {"ActiveText", "InActiveText"}) {
    const QString p = QLatin1String(prefix);
    const int r = Int(section, p + QLatin1Char('R'), -1);
    const int g = Int(section, p + QLatin1Char('G'), -1);
    const int b = Int(section, p + QLatin1Char('B'), -1);
    if (r < 0 || g < 0 || b < 0) continue;
    (p == QLatin1String("ActiveText") ? t->ActiveText : t->InActiveText) = RGBColor(r, g, b);
  }
}

void TSkinParser::SetFrameCounts(TSkinData& data) const {
  auto set = [](auto& e, int frames) {
    if (e) e->Frame = frames;
  };
  TDataSkinButton& b = *data.Buttons;
  b.Frame = 5;
  // Check and radio strips without a given count: square frames of 13 pixels (16 for taller
  // strips), at least four.
  auto squareFrames = [](const QImage& strip) {
    const int s = strip.height() < 16 ? 13 : 16;
    return qMax(strip.width() / s, 4);
  };
  if (b.RadioButtonFrame == 0) b.RadioButtonFrame = squareFrames(b.RadioBitmap);
  if (b.CheckButtonFrame == 0) b.CheckButtonFrame = squareFrames(b.CheckBitmap);
  data.Title->Frame = 2;
  if (data.Progress) data.Progress->Frame = data.Progress->Style != 0 ? 1 : 2;
  set(data.MenuBar, 2);
  set(data.GroupBoxEdge, 2);
  set(data.GroupBox, 1);
  set(data.Tabs, 5);
  set(data.StatusBarEdges, 3);
  set(data.TabPane, 1);
  set(data.ToolBars, 5);
  set(data.ComboButton, ComboButtonFrames);
  set(data.SunkEdge, 4);
  set(data.ExtraImages, 5);
  if (data.Headerbar && data.Headerbar->Frame == 0) data.Headerbar->Frame = 5;
  set(data.MenuItem, 5);
  set(data.MenuBackground, 1);
  set(data.Scrollbar, 23);
  set(data.HorzScroll, 4);
  set(data.VertScroll, 4);
  set(data.HorzScrollThumb, Int(QStringLiteral("HorzScrollThumb"), QStringLiteral("FrameCount"), 3));
  set(data.VertScrollThumb, Int(QStringLiteral("VertScrollThumb"), QStringLiteral("FrameCount"), 3));
  for (auto& thumb : data.TrackbarThumbs) set(thumb, 5);
  set(data.UpDownHorz, 8);
  set(data.UpDownVert, 8);
}

namespace {

// A description is input: its numbers are brought within what they address before anything
// is drawn from them, so that no routine meets a margin or frame count of 2^31 (which once
// meant billions of bands, or signed overflow), and every change is named in one log line
// for the whole skin.
class NumberBounds {
 public:
  // Positions and offsets that address a window rather than an image (title text, caption
  // buttons, box labels) stay within what a screen's coordinates can hold.
  static constexpr int kMaxOffset = 32767;

  void Clamp(const QString& section, const char* key, int& value, int low, int high) {
    if (value >= low && value <= high) return;
    const int was = value;
    value = value < low ? low : high;
    if (changed_.size() < kListed)
      changed_ << QStringLiteral("[%1] %2=%3 -> %4").arg(section, QLatin1String(key)).arg(was).arg(value);
    ++count_;
  }
  void Offset(const QString& section, const char* key, int& value) { Clamp(section, key, value, -kMaxOffset, kMaxOffset); }

  // Margins address the element's image (any of its frames lies within it); without an
  // image they address nothing and only need to stay small.
  void Margins(const QString& section, TDataSkinObject& e) {
    const int w = e.HasImage() ? e.Bitmap.width() : kMaxOffset;
    const int h = e.HasImage() ? e.Bitmap.height() : kMaxOffset;
    Clamp(section, "LeftWidth", e.LeftWidth, 0, w);
    Clamp(section, "RightWidth", e.RightWidth, 0, w);
    Clamp(section, "TopHeight", e.TopHeight, 0, h);
    Clamp(section, "BottomHeight", e.BottomHeight, 0, h);
  }
  // A frame count the description gave: below 0 is one frame; above the image's width and
  // height (frames without a pixel) it is the larger of them. 0 stays "none given"; without
  // an image there is nothing to divide.
  void Frames(const QString& section, const char* key, int& frames, const QImage& image) {
    const int most = image.isNull() ? std::numeric_limits<int>::max() : qMax(1, qMax(image.width(), image.height()));
    Clamp(section, key, frames, frames < 0 ? 1 : 0, most);
  }

  void Log() const {
    if (count_ == 0) return;
    QString line = QStringLiteral("skin description: %1 value(s) outside what they address were clamped: %2")
                       .arg(count_)
                       .arg(changed_.join(QStringLiteral(", ")));
    if (count_ > changed_.size()) line += QStringLiteral(", and %1 more").arg(count_ - changed_.size());
    qCWarning(lcSkinParse).noquote() << line;
  }

 private:
  static constexpr qsizetype kListed = 8;
  QStringList changed_;
  int count_ = 0;
};

void BoundNumbers(TSkinData& d) {
  NumberBounds b;
  const QString personality = QStringLiteral("Personality");
  const char* const sides[4] = {"Left", "Right", "Top", "Bottom"};
  for (int side = 0; side < 4; ++side) {
    TDataSkinBorder& e = *d.Borders[static_cast<size_t>(side)];
    b.Margins(personality + QLatin1Char('/') + QLatin1String(sides[side]), e);
    b.Frames(personality, side == 0 ? "LeftFrame" : side == 1 ? "RightFrame" : side == 2 ? "TopFrame" : "BottomFrame",
             e.Frame, e.Bitmap);
  }
  TDataSkinButton& buttons = *d.Buttons;
  b.Margins(QStringLiteral("Buttons"), buttons);
  b.Frames(QStringLiteral("Buttons"), "RadioButtonFrame", buttons.RadioButtonFrame, buttons.RadioBitmap);
  b.Frames(QStringLiteral("Buttons"), "CheckButtonFrame", buttons.CheckButtonFrame, buttons.CheckBitmap);
  // After the frame counts were set, a given count of 0 was replaced; one made 0 by nothing
  // would divide by zero.
  if (buttons.RadioButtonFrame < 1) buttons.RadioButtonFrame = 1;
  if (buttons.CheckButtonFrame < 1) buttons.CheckButtonFrame = 1;

  TDataSkinTitle& title = *d.Title;
  b.Offset(personality, "TextShift", title.LeftWidth);
  b.Offset(personality, "TextShiftVert", title.TopHeight);
  b.Offset(personality, "TextRightClip", title.RightWidth);
  b.Offset(personality, "TXTBackleft", title.TXTBackleft);
  b.Offset(personality, "TXTBackRight", title.TXTBackRight);
  b.Offset(QStringLiteral("Fonts"), "FontHeight", title.FontHeight);
  if (d.MenuBar) {
    b.Offset(personality, "TileLeftMenu", d.MenuBar->LeftWidth);
    b.Offset(personality, "TileRightMenu", d.MenuBar->RightWidth);
  }
  if (d.GroupBox) {
    b.Offset(QStringLiteral("GroupBox"), "BackgroundLeftShift", d.GroupBox->BackgroundLeftShift);
    b.Offset(QStringLiteral("GroupBox"), "BackgroundRightShift", d.GroupBox->BackgroundRightShift);
  }

  // The elements whose margins address their image, with the frame counts the description
  // gives (the others were fixed by the parse).
  struct Plain {
    const char* section;
    TDataSkinObject* e;
    const char* frameKey;  // null: the count is fixed
  };
  const Plain plain[] = {
      {"Progress", d.Progress.get(), nullptr},
      {"Progress.Chunk", d.ProgressChunk.get(), "Frame"},
      {"GroupBoxEdge", d.GroupBoxEdge.get(), nullptr},
      {"GroupBox", d.GroupBox.get(), nullptr},
      {"Tabs", d.Tabs.get(), nullptr},
      {"StatusBarEdges", d.StatusBarEdges.get(), nullptr},
      {"Tab.Pane", d.TabPane.get(), nullptr},
      {"ToolBars", d.ToolBars.get(), nullptr},
      {"ComboButton", d.ComboButton.get(), nullptr},
      {"SunkEdge", d.SunkEdge.get(), nullptr},
      {"ExtraImages", d.ExtraImages.get(), nullptr},
      {"Headerbar", d.Headerbar.get(), "Frame"},
      {"MenuItem", d.MenuItem.get(), nullptr},
      {"MenuBackground", d.MenuBackground.get(), nullptr},
      {"Scrollbar", d.Scrollbar.get(), nullptr},
      {"HorzScroll", d.HorzScroll.get(), nullptr},
      {"VertScroll", d.VertScroll.get(), nullptr},
      {"HorzScrollThumb", d.HorzScrollThumb.get(), "FrameCount"},
      {"VertScrollThumb", d.VertScrollThumb.get(), "FrameCount"},
      {"Trackbar.ThumbHorz", d.TrackbarThumbs[tbThumbHorz].get(), nullptr},
      {"Trackbar.ThumbVert", d.TrackbarThumbs[tbThumbVert].get(), nullptr},
      {"Trackbar.ThumbLeft", d.TrackbarThumbs[tbThumbLeft].get(), nullptr},
      {"Trackbar.ThumbRight", d.TrackbarThumbs[tbThumbRight].get(), nullptr},
      {"Trackbar.ThumbUp", d.TrackbarThumbs[tbThumbUp].get(), nullptr},
      {"Trackbar.ThumbDown", d.TrackbarThumbs[tbThumbDown].get(), nullptr},
      {"UpDown.Horz", d.UpDownHorz.get(), nullptr},
      {"UpDown.Vert", d.UpDownVert.get(), nullptr},
      {"Track", d.Track.get(), "Frame"},
      {"TRACKVERT", d.TrackVert.get(), "Frame"},
  };
  for (const Plain& p : plain) {
    if (!p.e) continue;
    const QString section = QLatin1String(p.section);
    b.Margins(section, *p.e);
    if (p.frameKey) b.Frames(section, p.frameKey, p.e->Frame, p.e->Bitmap);
  }
  for (const auto& r : d.SysButtons) {
    b.Frames(r->Name, "frame", r->Frame, r->Bitmap);
    b.Offset(r->Name, "Xcoord", r->Xcoord);
    b.Offset(r->Name, "Ycoord", r->Ycoord);
  }
  b.Log();
}

}  // namespace

std::unique_ptr<TSkinData> TSkinParser::ReadAll() {
  auto data = std::make_unique<TSkinData>();
  QStringList sections;
  ini_.ReadSections(sections);
  data->SkinName = ini_.ReadString(QStringLiteral("TitlebarSkin"), QStringLiteral("SkinName"), QString());

  ReadBorders(*data);
  ReadColours(*data, sections);
  ReadCaptionButtons(ini_, reader_, sections, *data, &images_);
  ReadButtons(*data);
  ReadTitle(*data);

  TSkinData& d = *data;
  d.Progress = ReadBitmapKey(QStringLiteral("Progress"));
  d.ProgressChunk = ReadPlain(QStringLiteral("Progress.Chunk"), d);
  d.MenuBar = ReadMenuBar();
  d.GroupBoxEdge = ReadPlain(QStringLiteral("GroupBoxEdge"), d);
  d.GroupBox = ReadBoxLabel(QStringLiteral("GroupBox"), d);
  d.Tabs = ReadTwoImage(QStringLiteral("Tabs"), QStringLiteral("Border"), d);
  d.StatusBarEdges = ReadPlain(QStringLiteral("StatusBarEdges"), d);
  d.TabPane = ReadPlain(QStringLiteral("Tab.Pane"), d);
  if (d.TabPane) {
    d.TabPane->LeftWidth = qMin(d.TabPane->LeftWidth, 4);
    d.TabPane->TopHeight = qMin(d.TabPane->TopHeight, 4);
    d.TabPane->RightWidth = qMin(d.TabPane->RightWidth, 4);
    d.TabPane->BottomHeight = qMin(d.TabPane->BottomHeight, 4);
  }
  d.ToolBars = ReadPlain(QStringLiteral("ToolBars"), d);
  d.ComboButton = ReadTwoImage(QStringLiteral("ComboButton"), QStringLiteral("****"), d);
  d.SunkEdge = ReadPlain(QStringLiteral("SunkEdge"), d);
  // The right-to-left combo button is the mirror image of the normal one, frame by frame
  // (its four frames are the states, which must keep their order).
  if (d.ComboButton && d.ComboButton->HasImage()) {
    d.ComboButton->Bitmap2 = d.ComboButton->Bitmap.copy();
    MirrorFramesHorz(d.ComboButton->Bitmap2, ComboButtonFrames);
  }

  d.ExtraImages = ReadPlain(QStringLiteral("ExtraImages"), d);
  d.Headerbar = ReadPlain(QStringLiteral("Headerbar"), d);
  d.MenuItem = ReadPlain(QStringLiteral("MenuItem"), d);
  d.MenuBackground = ReadPlain(QStringLiteral("MenuBackground"), d);
  d.Scrollbar = ReadPlain(QStringLiteral("Scrollbar"), d);
  d.HorzScroll = ReadPlain(QStringLiteral("HorzScroll"), d);
  d.VertScroll = ReadPlain(QStringLiteral("VertScroll"), d);
  d.HorzScrollThumb = ReadPlain(QStringLiteral("HorzScrollThumb"), d);
  d.VertScrollThumb = ReadPlain(QStringLiteral("VertScrollThumb"), d);
  const char* const thumbs[6] = {"Trackbar.ThumbHorz", "Trackbar.ThumbVert", "Trackbar.ThumbLeft",
                                 "Trackbar.ThumbRight", "Trackbar.ThumbUp", "Trackbar.ThumbDown"};
  for (int k = 0; k < 6; ++k) d.TrackbarThumbs[static_cast<size_t>(k)] = ReadPlain(QLatin1String(thumbs[k]), d);
  d.UpDownHorz = ReadTwoImage(QStringLiteral("UpDown.Horz"), QStringLiteral("GlyphImage"), d);
  d.UpDownVert = ReadTwoImage(QStringLiteral("UpDown.Vert"), QStringLiteral("GlyphImage"), d);
  d.Track = ReadPlain(QStringLiteral("Track"), d);
  if (!d.Track) d.Track = BuiltinTrack(QStringLiteral("TRACK"));
  d.TrackVert = ReadPlain(QStringLiteral("TRACKVERT"), d);
  if (!d.TrackVert) d.TrackVert = BuiltinTrack(QStringLiteral("TRACKVERT"));

  SetFrameCounts(d);
  BoundNumbers(d);
  BuildDerivedImages(d, ScrollArrowWidth);
  d.Colours[scWindow] = WindowColour(d);
  d.ColourGiven[scWindow] = false;
  d.ButtonFaceBrush = QBrush(ToQColor(d.Colour(scButtonFace)));
  return data;
}

}  // namespace orvane::skin
