// Owner-drawn menu items: their measure and their painting from the skin's menu-item element
// or, without one, in the skin's plain menu colours.
#include <QApplication>
#include <QFontMetrics>
#include <QMenu>
#include <QPainter>

#include "skin/WinSkinMenu.h"
#include "skin/WinSkinPopMenu.h"
#include "skin/WinSkinStore.h"
#include "skin/controls/kindkit.h"
#include "skin/skindata.h"
#include "skin/skinpaint.h"

namespace orvane::skin {

namespace {

// The menu-item element's frames: normal, separator, selected.
enum { miNormal = 1, miSeparator = 2, miSelected = 4, miFrames = 5 };
constexpr int kGlyphColumn = 16;  // at least this wide
constexpr int kGap = 4;
const QString kSkinGlyphs = QStringLiteral("skinMenuGlyphs");

std::shared_ptr<const TSkinData> DataFor(QWidget* owner) {
  if (!SkinManager) return nullptr;
  TSXSkin* skin = owner ? SkinManager->FindSkinFor(owner) : nullptr;
  if (!skin) skin = SkinManager->MainSkin();
  return skin && !skin->SkinLoading() ? skin->Data() : nullptr;
}

TSXSkin* SkinFor(QWidget* owner) {
  if (!SkinManager) return nullptr;
  TSXSkin* skin = owner ? SkinManager->FindSkinFor(owner) : nullptr;
  return skin ? skin : SkinManager->MainSkin();
}

QColor Slot(const TSkinData& data, SkinColourSlot slot) { return ToQColor(data.Colour(slot)); }

bool IsSeparator(const QAction* a) { return !a || a->isSeparator() || a->text() == QLatin1String("-"); }

// Whether the item's menu shows images (an image list of its own or icons on its items).
bool HasImages(const QWidget* menu) {
  if (!menu) return false;
  if (menu->property("Images").isValid()) return true;
  for (const QAction* a : menu->actions())
    if (!a->icon().isNull()) return true;
  return false;
}

// The caption: the text before a tab; what follows the tab is shown as the shortcut.
QString Caption(const QAction* a) {
  QString text = a ? a->text().section(QLatin1Char('\t'), 0, 0) : QString();
  if (text.isEmpty() || text == QLatin1String("&")) text += QLatin1Char(' ');
  return text;
}

QString ShortcutText(const QAction* a) {
  if (!a) return {};
  if (const qsizetype tab = a->text().indexOf(QLatin1Char('\t')); tab >= 0) return a->text().mid(tab + 1);
  return a->shortcut().isEmpty() ? QString() : a->shortcut().toString(QKeySequence::NativeText);
}

QFont ItemFont(const QAction* a, const QWidget* menu) {
  QFont f = QApplication::font("QMenu");
  if (auto* m = qobject_cast<const QMenu*>(menu); m && a && m->defaultAction() == a) f.setBold(true);
  return f;
}

// The width of a caption as shown: its "&" markers left out ("&&" shows one).
int TextWidth(const QFontMetrics& fm, const QString& text) {
  if (text.contains(QLatin1Char('\t')))
    return fm.boundingRect(QRect(0, 0, 0x7FFF, 0x7FFF), Qt::TextShowMnemonic | Qt::TextExpandTabs | Qt::TextSingleLine,
                           text)
        .width();
  QString shown;
  shown.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text.at(i) == QLatin1Char('&') && i + 1 < text.size()) ++i;
    shown += text.at(i);
  }
  return fm.horizontalAdvance(shown);
}

// The element's nine-slice image for an item size and frame, kept while items of that size paint.
const QImage& ElementImage(const TDataSkinObject& e, const QSize& size, int frame) {
  struct Key {
    qint64 image;
    QSize size;
    int frame;
  };
  static Key key{0, {}, 0};
  static QImage image;
  if (key.image != e.Bitmap.cacheKey() || key.size != size || key.frame != frame || image.isNull()) {
    image = QImage(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    DrawSkinImage(p, QRect(QPoint(0, 0), size), e.Bitmap, false, e.Tile != 0, e.Trans != 0, miFrames, frame,
                  e.Margins());
    key = {e.Bitmap.cacheKey(), size, frame};
  }
  return image;
}

// The item's measure without owner draw: caption, a gap and the shortcut, a line of text.
QSize StandardMeasure(const wm::MeasureItemStruct& item) {
  if (IsSeparator(item.action)) return QSize(0, 8);
  const QString text = item.action ? item.action->text() : QString();
  // The menu's own measure of its contents, except for the captions measured with a blank.
  // A menu with images has its glyph column in the standard measure.
  const int images = HasImages(item.menu) ? kGlyphColumn : 0;
  if (item.contentsSize.isValid() && !text.isEmpty() && text != QLatin1String("&"))
    return QSize(item.contentsSize.width() + images, std::max(item.contentsSize.height() + 4, kGlyphColumn + 4));
  const QFontMetrics fm(ItemFont(item.action, item.menu));
  int width = TextWidth(fm, Caption(item.action));
  const QString shortcut = ShortcutText(item.action);
  if (!shortcut.isEmpty()) width += 2 * kGap + fm.horizontalAdvance(shortcut);
  return QSize(width + images, std::max(fm.height() + 4, kGlyphColumn + 4));
}

int LeftMargin(QWidget* owner) {
  const auto data = DataFor(owner);
  return data && data->MenuItem ? data->MenuItem->LeftWidth : 0;
}

// The glyph, check mark, caption and shortcut of an item in `r` (item coordinates).
void DrawContents(QPainter& p, const QRect& r, const wm::DrawItemStruct& item, const TSkinData& data) {
  const QAction* a = item.action;
  const bool rtl = item.menu && item.menu->layoutDirection() == Qt::RightToLeft;
  const bool selected = item.itemState & wm::ODS_SELECTED;
  const bool disabled = item.itemState & (wm::ODS_GRAYED | wm::ODS_DISABLED);
  const bool checked = item.itemState & wm::ODS_CHECKED;

  QImage image;
  if (a) {
    const int index = a->property("ImageIndex").isValid() ? a->property("ImageIndex").toInt() : -1;
    TSXSkin* skin = SkinFor(wm::MenuOwner(item.menu));
    if (index >= 0 && item.menu && item.menu->property("Images").toString() == kSkinGlyphs && skin &&
        index < skin->MenuGlyphs().size())
      // The skin has no disabled glyphs of its own: a disabled item's is embossed.
      image = disabled ? kinds::CreateDisabledGlyph(skin->MenuGlyphs().at(index), true) : skin->MenuGlyphs().at(index);
    else if (!a->icon().isNull())
      image = a->icon().pixmap(QSize(16, 16), disabled ? QIcon::Disabled : QIcon::Normal).toImage();
  }
  const int glyphWidth = std::max(kGlyphColumn, image.isNull() ? 0 : image.width());
  const QRect glyph(rtl ? r.right() - 1 - glyphWidth : r.left() + 2, r.top(), glyphWidth, r.height());

  QColor text = selected ? Slot(data, scHilightText) : Slot(data, scMenuText);
  if (disabled)
    text = data.Colour(scButtonShadow) == data.Colour(scMenuText) ? QApplication::palette().color(QPalette::Dark)
                                                                    : Slot(data, scButtonShadow);

  if (!image.isNull()) {
    const QRect at(glyph.center() - QPoint(image.width() / 2, image.height() / 2), image.size());
    if (checked) {
      // A checked item's image sits on a pattern in a sunken edge.
      const QRect edge = at.adjusted(-2, -2, 2, 2);
      p.fillRect(edge, QBrush(QApplication::palette().color(QPalette::Light), Qt::Dense4Pattern));
      p.setPen(QApplication::palette().color(QPalette::Dark));
      p.drawLine(edge.topLeft(), edge.topRight());
      p.drawLine(edge.topLeft(), edge.bottomLeft());
      p.setPen(QApplication::palette().color(QPalette::Light));
      p.drawLine(edge.bottomLeft(), edge.bottomRight());
      p.drawLine(edge.topRight(), edge.bottomRight());
    }
    p.drawImage(at.topLeft(), image);
  } else if (checked) {
    const QPoint c = glyph.center();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(text, 2));
    const QPoint tick[] = {c + QPoint(-3, 0), c + QPoint(-1, 2), c + QPoint(3, -2)};
    p.drawPolyline(tick, 3);
    p.restore();
  }

  QRect area = rtl ? QRect(QPoint(r.left() + kGap, r.top()), QPoint(glyph.left() - 1 - kGap, r.bottom()))
                   : QRect(QPoint(glyph.right() + 1 + kGap, r.top()), QPoint(r.right() - kGap, r.bottom()));
  p.setFont(ItemFont(a, item.menu));
  p.setPen(text);
  QRect captionRect = area;
  const quint32 base = DT_SINGLELINE | DT_EXPANDTABS | DT_VCENTER;
  SkinDrawText(&p, Caption(a), captionRect, rtl ? base | DT_RIGHT : base);
  const QString shortcut = ShortcutText(a);
  if (!shortcut.isEmpty()) {
    QRect shortcutRect = area;
    SkinDrawText(&p, shortcut, shortcutRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (rtl ? DT_LEFT : DT_RIGHT));
  }
}

// The lower part of the element's separator frame across the item: caps and a stretched middle.
void DrawSeparatorStrip(QPainter& p, const QRect& r, const TDataSkinObject& e) {
  QRect cell = FrameRect(e.Bitmap, false, miFrames, miSeparator);
  if (cell.height() > r.height()) cell.setTop(cell.bottom() + 1 - r.height());
  const int l = e.LeftWidth, rr = e.RightWidth;
  if (cell.width() > r.width() || l + rr > cell.width()) {
    p.drawImage(r, e.Bitmap, cell);
    return;
  }
  const int h = cell.height();
  const QRect target(r.left(), r.top() + (r.height() - h) / 2, r.width(), h);
  p.drawImage(QRect(target.left(), target.top(), l, h), e.Bitmap, QRect(cell.left(), cell.top(), l, h));
  p.drawImage(QRect(target.left() + l, target.top(), target.width() - l - rr, h), e.Bitmap,
              QRect(cell.left() + l, cell.top(), cell.width() - l - rr, h));
  p.drawImage(QRect(target.right() + 1 - rr, target.top(), rr, h), e.Bitmap,
              QRect(cell.right() + 1 - rr, cell.top(), rr, h));
}

// An item's painting goes straight into the menu's paint pass, in item coordinates and
// clipped to the item; the painter is given back as it was.
struct ItemCanvas {
  explicit ItemCanvas(wm::DrawItemStruct& item) : p(*item.painter), local(QPoint(0, 0), item.rcItem.size()) {
    p.save();
    p.translate(item.rcItem.topLeft());
    p.setClipRect(local, Qt::IntersectClip);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  }
  ~ItemCanvas() { p.restore(); }
  ItemCanvas(const ItemCanvas&) = delete;
  ItemCanvas& operator=(const ItemCanvas&) = delete;
  QPainter& p;
  const QRect local;
};

}  // namespace

void TextMeasure(wm::MeasureItemStruct& item, int leftMargin) {
  const QString text = IsSeparator(item.action) ? QString() : wm::MenuItemText(item.action);
  if (text.isEmpty() && IsSeparator(item.action)) {
    item.itemWidth = 26 + leftMargin;
    item.itemHeight = 8;
    return;
  }
  QString shown = text;
  if (shown.isEmpty() || shown == QLatin1String("&")) shown += QLatin1Char(' ');
  const QFontMetrics fm(QApplication::font("QMenu"));
  item.itemWidth = TextWidth(fm, shown) + 26 + leftMargin;
  item.itemHeight = fm.height() + 4;
}

void MainMenuMeasurer(QWidget* owner, wm::MeasureItemStruct& item) {
  const QSize size = StandardMeasure(item);
  item.itemWidth = size.width() + LeftMargin(owner) + (HasImages(item.menu) ? 10 : 35);
  item.itemHeight = size.height();
}

void PopupMeasurer(QWidget* owner, wm::MeasureItemStruct& item) {
  const QSize size = StandardMeasure(item);
  item.itemWidth = size.width() + LeftMargin(owner) + (HasImages(item.menu) ? 12 : 35);
  item.itemHeight = size.height();
}

void ItemPainter(QWidget* owner, wm::DrawItemStruct& item) {
  const auto data = DataFor(owner);
  if (!data || !item.painter) return wm::DefaultDrawItem(item);
  if (!data->MenuItem || !data->MenuItem->HasImage()) return PlainPainter(owner, item);
  const TDataSkinObject& e = *data->MenuItem;
  const QRect& r = item.rcItem;
  if (r.width() < 1 || r.height() < 1) return;
  ItemCanvas canvas(item);
  QPainter& p = canvas.p;
  const QRect& local = canvas.local;
  // The skinned menu's own background under the item.
  p.fillRect(local, Slot(*data, scMenu));
  if (TPopupMenuSkinner* ps = PopupSkinnerOf(item.menu))
    if (const QImage* frame = ps->FrameBitmap()) p.drawImage(QPoint(0, 0), *frame, r);
  if (IsSeparator(item.action)) {
    DrawSeparatorStrip(p, local, e);
  } else {
    const int frame = (item.itemState & wm::ODS_SELECTED) ? miSelected : miNormal;
    p.drawImage(QPoint(0, 0), ElementImage(e, local.size(), frame));
    DrawContents(p, local, item, *data);
  }
}

void PlainPainter(QWidget* owner, wm::DrawItemStruct& item) {
  const auto data = DataFor(owner);
  if (!data || !item.painter) return wm::DefaultDrawItem(item);
  const QRect& r = item.rcItem;
  if (r.width() < 1 || r.height() < 1) return;
  ItemCanvas canvas(item);
  QPainter& p = canvas.p;
  const QRect& local = canvas.local;
  const bool selected = item.itemState & wm::ODS_SELECTED;
  if (IsSeparator(item.action)) {
    p.fillRect(local, Slot(*data, scMenu));
    // An etched line four pixels below the top.
    p.fillRect(QRect(0, 4, local.width(), 1), QApplication::palette().color(QPalette::Dark));
    p.fillRect(QRect(0, 5, local.width(), 1), QApplication::palette().color(QPalette::Light));
  } else {
    p.fillRect(local, Slot(*data, selected ? scHilight : scMenu));
    DrawContents(p, local, item, *data);
  }
}

void RegisterMenuPainters() {
  wm::RegisterMenuDrawer(QStringLiteral("skinMenuItem"), ItemPainter);
  wm::RegisterMenuMeasurer(QStringLiteral("skinMainMeasure"), MainMenuMeasurer);
  wm::RegisterMenuMeasurer(QStringLiteral("skinPopupMeasure"), PopupMeasurer);
}

}  // namespace orvane::skin
