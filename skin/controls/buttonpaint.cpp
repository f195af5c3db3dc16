// Button painting (see buttonpaint.h).
#include "skin/controls/buttonpaint.h"

#include <QIcon>
#include <QWidget>

#include "skin/controls/kindkit.h"
#include "skin/controls/panelpaint.h"

namespace orvane::skin::kinds {

namespace {

constexpr int kButtonFrames = 5;

int LayoutCode(const QWidget* w) {
  const QString l = PropText(w, "Layout").toLower();
  if (l == QLatin1String("blglyphright")) return 1;
  if (l == QLatin1String("blglyphtop")) return 2;
  if (l == QLatin1String("blglyphbottom")) return 3;
  return 0;
}

int GlyphCount(const QWidget* w) {
  const int n = PropInt(w, "NumGlyphs");
  return n < 1 ? 1 : n;
}

// The caption colour of a state: the element's colours where it gives them, the control's
// own otherwise; grey when disabled.
QColor CaptionColour(const TDataSkinButton& e, const QColor& own, int state, bool normalAlways) {
  QColor c = own;
  if (e.NormalColour2Given && (normalAlways || state == bfNormal)) c = ToQColor(e.NormalColour2);
  if (e.MouseOverColour2Given && (normalAlways ? state == bfHot : state > bfDisabled)) c = ToQColor(e.MouseOverColour2);
  if (e.PressedColour2Given && state == bfPressed) c = ToQColor(e.PressedColour2);
  if (state == bfDisabled) c = DisabledTextColour();
  return c;
}

// The face: ButtonFace beneath (unless the parent shows through), then the frame.
void DrawFace(QPainter& p, const QRect& r, const TSkinData& data, bool transparent, int state, bool frame = true) {
  if (!transparent) p.fillRect(r, SkinColour(data, scButtonFace));
  if (frame) DrawElement(p, r, *data.Buttons, kButtonFrames, state);
}

void DrawIcon(QPainter& p, const QPoint& at, const QIcon& icon, const QSize& size, bool enabled, bool on) {
  const QPixmap pm = icon.pixmap(size, 1.0, enabled ? QIcon::Normal : QIcon::Disabled, on ? QIcon::On : QIcon::Off);
  p.drawPixmap(QRect(at, size), pm);
}

}  // namespace

bool HasButtonFace(const TSkinData& data) { return data.Buttons && data.Buttons->HasImage(); }

int ButtonState(ButtonKind kind, bool focused, bool isDefault, bool pressed, bool hot, bool enabled, bool down) {
  int s = bfNormal;
  if (kind == bkMenu) {
    if (focused) s = bfHot;
  } else if (kind != bkSpeed) {
    if (focused) s = bfFocused;
    if (kind != bkBitProperty && isDefault) s = bfFocused;
  }
  if (pressed)
    s = bfPressed;
  else if (hot)
    s = bfHot;
  if (!enabled) s = bfDisabled;
  if (kind == bkSpeed && down) s = bfPressed;
  return s;
}

int ButtonStateOf(ButtonKind kind, const QStyleOption& option, const QWidget* widget) {
  const QStyle::State st = option.state;
  bool isDefault = false;
  if (const auto* b = qstyleoption_cast<const QStyleOptionButton*>(&option))
    isDefault = b->features & QStyleOptionButton::DefaultButton;
  const bool down = kind == bkSpeed && ((st & QStyle::State_On) || PropTrue(widget, "Down"));
  const bool pressed = (st & QStyle::State_Sunken) || (kind != bkSpeed && (st & QStyle::State_On));
  return ButtonState(kind, st & QStyle::State_HasFocus, isDefault, pressed, st & QStyle::State_MouseOver,
                     st & QStyle::State_Enabled, down);
}

QRect DrawButtonCaption(QPainter& p, const QRect& rect, quint32 align, const QString& text, bool focused,
                        quint16 options, bool rtl) {
  const QString shown = ReplaceFirstBar(text);
  const QRect inner = rect.adjusted(2, 2, -2, -2);
  QRect t = MeasureText(p, shown, inner, align | DT_WORDBREAK | DT_EXPANDTABS);
  t.moveTop(rect.top() + (rect.height() - t.height()) / 2 - 1);
  if (align & DT_CENTER) {
    t.moveLeft(rect.left() + (rect.width() - t.width()) / 2);
  } else {
    t.setLeft(rect.left());
    t.setRight(rect.right());
  }
  DrawText(p, shown, t, align | DT_WORDBREAK | DT_EXPANDTABS | (rtl ? +DT_RTLREADING : 0));
  if (focused && !(options & SetBit(xoNoFocusRect)) && !shown.isEmpty()) DrawFocusRect(p, t.adjusted(-2, -2, 2, 2));
  return t;
}

GlyphLayout LayOutGlyph(QPainter& p, const QRect& client, const QSize& glyph, const QString& text, int layout,
                        int margin, int spacing, bool centred) {
  const int W = client.width(), H = client.height();
  const bool across = layout <= 1;  // glyph beside the text
  QRect measureIn = QRect(0, 0, W, H).adjusted(2, 2, -2, -2);
  if (across)
    measureIn.setWidth(measureIn.width() - (glyph.width() + 2));
  else
    measureIn.setHeight(measureIn.height() - (glyph.height() + 2));
  const QRect m = MeasureText(p, text, measureIn, DT_WORDBREAK);
  const int tw = text.isEmpty() ? 0 : m.width();
  const int th = text.isEmpty() ? 0 : m.height();
  GlyphLayout out;
  int gx = 0, gy = 0, tx = 0, ty = 0;
  if (across) {
    gy = (H - glyph.height() + 1) / 2;
    ty = (H - th + 1) / 2;
  } else {
    gx = (W - glyph.width() + 1) / 2;
    tx = (W - tw + 1) / 2;
  }
  if (tw == 0 || glyph.width() == 0) spacing = 0;
  const int extent = across ? W : H;
  const int gext = across ? glyph.width() : glyph.height();
  const int text_ext = across ? tw : th;
  if (margin != -1 && !centred) {
    if (spacing == -1) spacing = ((extent - (margin + gext)) - text_ext) / 2;
  } else if (spacing != -1) {
    margin = (extent - (gext + spacing + text_ext)) / 2;
  } else {
    margin = (extent - (gext + text_ext)) / 3;
    spacing = margin;
  }
  out.flags = DT_WORDBREAK;
  switch (layout) {
    case 1:
      gx = W - margin - glyph.width();
      tx = gx - spacing - tw;
      out.flags |= DT_RIGHT;
      break;
    case 2:
      gy = margin;
      ty = margin + glyph.height() + spacing;
      out.flags |= DT_CENTER;
      break;
    case 3:
      gy = H - margin - glyph.height();
      ty = gy - spacing - th;
      out.flags |= DT_CENTER;
      break;
    default:
      gx = margin;
      tx = margin + glyph.width() + spacing;
      break;
  }
  out.glyph = client.topLeft() + QPoint(gx, gy);
  out.text = QRect(client.topLeft() + QPoint(tx, ty), QSize(tw, th));
  return out;
}

MenuLayout LayOutMenuButton(QPainter& p, const QRect& client, const QSize& glyph, const QString& text, int margin,
                            int spacing) {
  constexpr int arrowW = 8, arrowH = 3;
  const int W = client.width(), H = client.height();
  const QRect measureIn = QRect(0, 0, W - glyph.width() - arrowW, H).adjusted(2, 2, -2, -2);
  const QRect m = MeasureText(p, text, measureIn, DT_WORDBREAK);
  const int tw = text.isEmpty() ? 0 : m.width();
  const int th = text.isEmpty() ? 0 : m.height();
  if (margin == -1) {
    if (spacing != -1) {
      margin = (W - (glyph.width() + spacing + tw + spacing + arrowW)) / 2;
    } else {
      margin = (W - (glyph.width() + tw + arrowW)) / 4;
      spacing = margin;
    }
  } else if (spacing == -1) {
    spacing = ((W - (2 * margin + glyph.width() - arrowW)) - tw) / 2;
  }
  MenuLayout out;
  out.glyph = client.topLeft() + QPoint(margin, (H - glyph.height()) / 2);
  const int tx = margin + glyph.width() + spacing;
  out.text = QRect(client.topLeft() + QPoint(tx, (H - th + 1) / 2), QSize(tw, th));
  out.arrow = client.topLeft() + QPoint(tx + tw + 2 * spacing, (H - arrowH) / 2 + 2);
  return out;
}

bool PaintPushButton(QPainter& p, const TSkinData& data, quint16 options, ButtonKind kind,
                     const QStyleOptionButton& option, const QWidget* widget, const QString& glyphProperty) {
  if (!HasButtonFace(data)) return false;
  if (kind == bkBitProperty && glyphProperty.isEmpty()) kind = bkBit;
  if (kind != bkPush && widget && PropText(widget, "Visible").compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
    return true;
  const QRect r = option.rect;
  const int state = ButtonStateOf(kind, option, widget);
  const bool focused = option.state & QStyle::State_HasFocus;
  const bool enabled = option.state & QStyle::State_Enabled;
  const bool rtl = option.direction == Qt::RightToLeft;
  p.save();
  DrawFace(p, r, data, IsTransparentControl(widget, options), state);
  p.setPen(CaptionColour(*data.Buttons, option.palette.color(QPalette::ButtonText), state, kind != bkMenu));
  p.setBrush(Qt::NoBrush);

  // The glyph: a strip by name; else an image of "Images" ("DisabledIndex" when disabled);
  // else the button's icon.
  QImage strip = PropImage(widget, kind == bkBitProperty ? glyphProperty.toLatin1().constData() : "Glyph");
  const int count = kind == bkMenu ? 1 : GlyphCount(widget);
  QIcon icon = option.icon;
  bool iconDisabled = !enabled;
  if (kind == bkBit && widget) {
    const QList<QIcon> images = widget->property("Images").value<QList<QIcon>>();
    const int index = PropInt(widget, "ImageIndex"), disabled = PropInt(widget, "DisabledIndex");
    const int pick = !enabled && disabled >= 0 ? disabled : index;
    if (index >= 0 && pick < images.size()) icon = images.at(pick);
    iconDisabled = !enabled && pick == index;
  }
  QSize glyph;
  if (!strip.isNull())
    glyph = QSize(strip.width() / count, strip.height());
  else if (!icon.isNull())
    glyph = option.iconSize;
  auto drawGlyph = [&](const QPoint& at) {
    if (!strip.isNull()) {
      DrawGlyphFrame(p, at, count, state == bfPressed ? 3 : state == bfDisabled ? 2 : 1, strip);
    } else if (!icon.isNull()) {
      DrawIcon(p, at, icon, glyph, !iconDisabled, option.state & QStyle::State_On);
    }
  };
  const QString& text = option.text;
  const bool showFocus = focused && !(options & SetBit(xoNoFocusRect));
  if (kind == bkPush) {
    DrawButtonCaption(p, r, DT_CENTER, text, focused, options, rtl);
  } else if (kind == bkMenu) {
    const MenuLayout l = LayOutMenuButton(p, r, glyph, text, PropInt(widget, "Margin"), PropInt(widget, "Spacing"));
    if (glyph.isValid() && !glyph.isEmpty()) drawGlyph(l.glyph);
    DrawText(p, text, l.text, DT_WORDBREAK | (rtl ? +DT_RTLREADING : 0));
    const QColor arrow = enabled ? ToQColor(SysColor(COLOR_WINDOWTEXT)) : DisabledTextColour();
    const int x = l.arrow.x(), y = l.arrow.y();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(arrow);
    p.setBrush(arrow);
    p.drawPolygon(QPolygon({QPoint(x, y + 2), QPoint(x - 3, y - 1), QPoint(x + 3, y - 1)}));
    if (showFocus && !text.isEmpty()) DrawFocusRect(p, l.text.adjusted(-2, -2, 2, 2));
  } else {
    const bool centred = kind == bkBit && PropText(widget, "Alignment").toLower() == QLatin1String("tacenter");
    if (!glyph.isValid()) glyph = QSize(0, 0);
    const GlyphLayout l = LayOutGlyph(p, r, glyph, text, LayoutCode(widget), PropInt(widget, "Margin"),
                                      PropInt(widget, "Spacing"), centred);
    if (!glyph.isEmpty()) drawGlyph(l.glyph);
    DrawText(p, text, l.text, l.flags | (rtl ? +DT_RTLREADING : 0));
    if (showFocus && !text.isEmpty()) DrawFocusRect(p, l.text.adjusted(-2, -2, 2, 2));
  }
  p.restore();
  return true;
}

bool PaintSpeedButton(QPainter& p, const TSkinData& data, quint16 options, const QStyleOptionToolButton& option,
                      const QWidget* widget, const QString& glyphProperty) {
  if (!HasButtonFace(data)) return false;
  if (widget && PropText(widget, "Visible").compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) return true;
  const QRect r = option.rect;
  if (r.isEmpty()) return true;
  const int state = ButtonStateOf(bkSpeed, option, widget);
  const bool down = (option.state & QStyle::State_On) || PropTrue(widget, "Down");
  const bool flat = (option.state & QStyle::State_AutoRaise) || PropTrue(widget, "Flat");
  const bool rtl = option.direction == Qt::RightToLeft;
  p.save();
  DrawFace(p, r, data, IsTransparentControl(widget, options), state,
           !flat || state == bfPressed || state == bfHot);
  p.setPen(CaptionColour(*data.Buttons, option.palette.color(QPalette::ButtonText), state, false));

  const QImage strip = PropImage(widget, glyphProperty.isEmpty() ? "Glyph" : glyphProperty.toLatin1().constData());
  const int count = GlyphCount(widget);
  const bool iconShown = option.toolButtonStyle != Qt::ToolButtonTextOnly;
  const QString text = option.toolButtonStyle == Qt::ToolButtonIconOnly ? QString() : option.text;
  QSize glyph(0, 0);
  if (!strip.isNull())
    glyph = QSize(strip.width() / count, strip.height());
  else if (iconShown && !option.icon.isNull())
    glyph = option.iconSize;
  if (!glyph.isEmpty()) {
    int layout = LayoutCode(widget);
    if (PropText(widget, "Layout").isEmpty()) {
      if (option.toolButtonStyle == Qt::ToolButtonTextUnderIcon) layout = 2;
    }
    const GlyphLayout l =
        LayOutGlyph(p, r, glyph, text, layout, PropInt(widget, "Margin"), PropInt(widget, "Spacing"), false);
    if (!strip.isNull()) {
      const int number = down ? 4 : state == bfPressed ? 3 : state == bfDisabled ? 2 : 1;
      DrawGlyphFrame(p, l.glyph, count, number, strip);
    } else {
      DrawIcon(p, l.glyph, option.icon, glyph, state != bfDisabled, down);
    }
    DrawText(p, text, l.text, l.flags | (rtl ? +DT_RTLREADING : 0));
  } else if (option.arrowType != Qt::NoArrow && text.isEmpty()) {
    // An arrow button: the skin's small arrow in the caption's colour, in the middle.
    const QPoint c = r.center();
    switch (option.arrowType) {
      case Qt::UpArrow: DrawArrowGlyph(p, c.x(), c.y() - 2, 0); break;
      case Qt::DownArrow: DrawArrowGlyph(p, c.x(), c.y() - 1, 1); break;
      case Qt::LeftArrow: DrawArrowGlyph(p, c.x(), c.y(), 2); break;
      default: DrawArrowGlyph(p, c.x(), c.y(), 3); break;
    }
  } else {
    DrawButtonCaption(p, r, DT_CENTER, text, false, options, rtl);
  }
  p.restore();
  return true;
}

}  // namespace orvane::skin::kinds
