// The small control skinners (see SkinSmallKinds.h).
#include "skin/controls/SkinSmallKinds.h"

#include <QPainter>
#include <QStyleOptionTab>
#include <QTabBar>

#include "skin/FormSkinner.h"
#include "skin/SkinStyle.h"
#include "skin/controls/skinprops.h"
#include "skin/skindata.h"
#include "skin/skinpaint.h"

namespace orvane::skin {

namespace {
// The key colour, which custom glyphs are drawn around.
constexpr int GlyphKeyColour = 0xFF00FF;
}  // namespace

bool HasProperty(const QObject* obj, const char* name) {
  return obj && (obj->metaObject()->indexOfProperty(name) >= 0 || obj->dynamicPropertyNames().contains(name));
}

// ---- size grips ------------------------------------------------------------------------------

bool TSkinSizer::drawControl(const TSkinStyle*, QStyle::ControlElement ce, const QStyleOption* opt, QPainter* p,
                             const QWidget* w) {
  if (ce != QStyle::CE_SizeGrip || w != hwnd_) return false;
  FillButtonFace(p, opt->rect);
  return true;
}

// ---- pages -----------------------------------------------------------------------------------

void TSkinTabSheet::InitControl(TFormSkinner* formSkin, TSXSkin* skin, bool) {
  TSkinControl::InitControl(formSkin, skin, true);
}

// ---- bare dialogs and tool-bar windows -----------------------------------------------------

void TSkinBoxH::InitWindow(QWidget* handle, TSXSkin* skin, TFormSkinner* formSkin) {
  if (initialized_ || !handle) return;
  hadPalette_ = handle->testAttribute(Qt::WA_SetPalette);
  palette_ = handle->palette();
  hadFill_ = handle->autoFillBackground();
  TSkinControl::InitWindow(handle, skin, formSkin);
  Fill();
}

void TSkinBoxH::Fill() {
  QWidget* w = hwnd_;
  if (!w) return;
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, ButtonFace());
  pal.setColor(QPalette::Button, ButtonFace());
  w->setPalette(pal);
  w->setAutoFillBackground(true);
}

void TSkinBoxH::UpdateSkin() {
  Fill();
  TSkinControl::UpdateSkin();
}

void TSkinBoxH::DoneControl() {
  if (initialized_ && state_ != csDestroyed && hwnd_) {
    hwnd_->setPalette(hadPalette_ ? palette_ : QPalette());
    hwnd_->setAutoFillBackground(hadFill_);
  }
  TSkinControl::DoneControl();
}

// ---- custom glyphs ---------------------------------------------------------------------------

QImage TSkinObjImage::BuildGlyphs(int kind, const QImage& strip, int stripFrames) {
  const int frames = ValidFrameCount(stripFrames);
  const int w = strip.width() / frames, h = strip.height();
  if (strip.isNull() || w < 1 || h < 1 || kind < 1 || kind > 3) return QImage();
  // Which strip frame each glyph frame takes; -1 leaves it the key colour.
  QList<int> map;
  const int extra = frames == 5 ? 4 : -1;
  if (kind == 2) map = {0, 1, 0, 1, 2, 3};
  if (kind == 1) map = {0, 1, extra, 0, 1, extra, 2, 3, extra};
  if (kind == 3) map = {0, 1, extra, 0, 1, extra};
  QImage out(w * map.size(), h, QImage::Format_RGB32);
  // Frames left as created are the key colour, not whatever memory held.
  out.fill(QColor(0xFF, 0x00, 0xFF));
  QPainter p(&out);
  for (int i = 0; i < map.size(); ++i)
    if (map[i] >= 0 && map[i] < frames) p.drawImage(QRect(i * w, 0, w, h), strip, QRect(map[i] * w, 0, w, h));
  return out;
}

void TSkinObjImage::InitControl(TFormSkinner* formSkin, TSXSkin* skin, bool setColor) {
  // The control reloads its own glyphs: no procedure link, no restyling.
  if (!Bind(formSkin, skin, setColor)) return;
  ApplyGlyphs();
  MarkAttached();
}

void TSkinObjImage::ApplyGlyphs() {
  const auto data = Data();
  QObject* c = hwnd_;
  if (!data || !c || !data->Buttons) return;
  const TDataSkinButton& b = *data->Buttons;
  const QImage strip = GlyphKind == 2 ? b.RadioBitmap : b.CheckBitmap;
  const QImage glyphs = BuildGlyphs(GlyphKind, strip, GlyphKind == 2 ? b.RadioButtonFrame : b.CheckButtonFrame);
  if (glyphs.isNull()) return;
  if (GlyphKind == 3) {
    QObject* props = GetObjectPropByName(c, QStringLiteral("Properties"), &QObject::staticMetaObject);
    if (HasProperty(props, "Glyph")) props->setProperty("Glyph", glyphs);
    return;
  }
  if (HasProperty(c, "CustomGlyphs")) c->setProperty("CustomGlyphs", glyphs);
  if (HasProperty(c, "transparentcolor")) SetPropByName(c, QStringLiteral("transparentcolor"), QString::number(GlyphKeyColour));
  if (HasProperty(c, "UseCustomGlyphs")) {
    // Off and on again: the control reads its glyphs anew.
    SetPropByName(c, QStringLiteral("UseCustomGlyphs"), QStringLiteral("false"));
    SetPropByName(c, QStringLiteral("UseCustomGlyphs"), QStringLiteral("true"));
  }
}

void TSkinObjImage::UpdateSkin() { ApplyGlyphs(); }

void TSkinObjImage::DoneControl() {
  if (!initialized_) return;
  initialized_ = false;
  skinEnabled_ = false;
  QObject* c = hwnd_;
  if (state_ == csDestroyed || !c) return;
  if (GlyphKind == 3) {
    QObject* props = GetObjectPropByName(c, QStringLiteral("Properties"), &QObject::staticMetaObject);
    if (HasProperty(props, "Glyph")) props->setProperty("Glyph", QImage());
  } else if (HasProperty(c, "UseCustomGlyphs")) {
    SetPropByName(c, QStringLiteral("UseCustomGlyphs"), QStringLiteral("false"));
  }
}

// ---- tab backgrounds -------------------------------------------------------------------------

void TSkinAdvPage::InitControl(TFormSkinner* formSkin, TSXSkin* skin, bool setColor) {
  if (initialized_) return;
  TSkinControl::InitControl(formSkin, skin, setColor);
  ApplyTabBackgrounds();
  FindUpDown();
}

void TSkinAdvPage::ApplyTabBackgrounds() {
  const auto data = Data();
  QObject* c = hwnd_;
  if (AdvKind != 4 || !c || !data || !data->Tabs || !data->Tabs->HasImage()) return;
  const TDataSkinBorder& t = *data->Tabs;
  for (int frame : {1, 2}) {
    const char* name = frame == 1 ? "TabBackGround" : "TabBackGroundActive";
    if (!HasProperty(c, name)) continue;
    c->setProperty(name, BuildSkinBitmap(QSize(100, 21), t.Bitmap, t.Margins(), false, t.Tile == 1, t.FrameCount(),
                                         frame));
  }
}

void TSkinAdvPage::UpdateSkin() {
  ApplyTabBackgrounds();
  TSkinControl::UpdateSkin();
}

void TSkinAdvPage::DoneControl() {
  QObject* c = hwnd_;
  if (initialized_ && state_ != csDestroyed && c)
    for (const char* name : {"TabBackGround", "TabBackGroundActive"})
      if (HasProperty(c, name)) c->setProperty(name, QImage());
  TSkinControl::DoneControl();
}

void TSkinAdvPage::DrawControl(QPainter*, const QRect&) { FindUpDown(); }

void TSkinAdvPage::FindUpDown() {
  if (UpDownSkin || !hwnd_) return;
  for (QWidget* child : hwnd_->findChildren<QWidget*>()) {
    const bool upDown = wm::GetClassName(child).compare(QLatin1String("msctls_updown32"), Qt::CaseInsensitive) == 0 ||
                        child->property("vclClass").toString().compare(QLatin1String("TUpDown"), Qt::CaseInsensitive) == 0;
    if (!upDown || TSkinRegistry::Find(child)) continue;
    UpDownSkin = TSkinKinds::Create(QStringLiteral("TSkinUpDown"), child);
    if (UpDownSkin) UpDownSkin->InitWindow(child, Skin(), FormSkin());
    return;
  }
}

// ---- tab bars as buttons ---------------------------------------------------------------------

bool TSkinTabBtn::CanSkin() const {
  const auto data = Data();
  return data && data->Buttons && data->Buttons->HasImage();
}

bool TSkinTabBtn::drawControl(const TSkinStyle*, QStyle::ControlElement ce, const QStyleOption* opt, QPainter* p,
                              const QWidget* w) {
  const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(opt);
  const auto data = Data();
  if (!tab || !data || !qobject_cast<const QTabBar*>(w)) return false;
  const TDataSkinButton& b = *data->Buttons;
  const bool current = tab->state & QStyle::State_Selected;
  if (ce == QStyle::CE_TabBarTabShape) {
    FillButtonFace(p, tab->rect);
    DrawElement(p, tab->rect.translated(0, 1), b.FrameCount(), current ? 2 : 1, &b);
    return true;
  }
  if (ce == QStyle::CE_TabBarTabLabel) {
    p->save();
    const bool given = current ? b.PressedColour2Given : b.NormalColour2Given;
    p->setPen(given ? ToQColor(current ? b.PressedColour2 : b.NormalColour2) : tab->palette.color(QPalette::ButtonText));
    Enabled = tab->state & QStyle::State_Enabled;
    const QList<QIcon> images{tab->icon};
    DrawGlyphCaption(p, tab->rect.translated(0, 1), 1, tab->text, tab->icon.isNull() ? -1 : 0, &images,
                     tab->iconSize.isValid() ? tab->iconSize : QSize(16, 16));
    p->restore();
    return true;
  }
  return false;
}

ORVANE_SKIN_KIND(TSkinSizer)
ORVANE_SKIN_KIND(TSkinTabSheet)
ORVANE_SKIN_KIND(TSkinBoxH)
ORVANE_SKIN_KIND_ARGS(TSkinObjImage)
ORVANE_SKIN_KIND_ARGS(TSkinAdvPage)
ORVANE_SKIN_KIND(TSkinTabBtn)

}  // namespace orvane::skin
