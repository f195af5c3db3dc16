// Grid cells painted once and copied after (see cachedcelldelegate.h).
#include "platform/forms/cachedcelldelegate.h"

#include <QAbstractItemView>
#include <QPainter>

namespace orvane {

namespace {

// What a kept cell costs beside its pixels and its key: the image's own record and the
// cache's entry for it.
constexpr qsizetype kCellOverheadBytes = 256;

// The colours a cell's panel and text are drawn with, in every colour group. The window's
// colour only frames the focused cell (it is the colour a window's skin changes, so the cells
// of a skinned window are those it had before).
QByteArray Colours(const QPalette& palette) {
  static const QPalette::ColorRole roles[] = {QPalette::Base,  QPalette::AlternateBase, QPalette::Text,
                                              QPalette::HighlightedText, QPalette::Highlight, QPalette::WindowText,
                                              QPalette::Light, QPalette::Dark,          QPalette::Mid,
                                              QPalette::Shadow, QPalette::Button};
  QByteArray out;
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    for (QPalette::ColorRole role : roles) {
      const quint64 c = palette.color(group, role).rgba64();
      out.append(reinterpret_cast<const char*>(&c), sizeof c);
    }
  return out;
}

template <typename T>
void Append(QByteArray& key, const T& value) {
  key.append(reinterpret_cast<const char*>(&value), sizeof value);
}

}  // namespace

CachedCellDelegate::CachedCellDelegate(QObject* parent, qsizetype limitBytes)
    : QStyledItemDelegate(parent), cells_(limitBytes) {}

QByteArray CachedCellDelegate::KeyOf(const QPainter* painter, const QStyleOptionViewItem& opt) const {
  const auto* view = qobject_cast<const QAbstractItemView*>(opt.widget);
  const QWidget* viewport = view ? view->viewport() : nullptr;
  if (!viewport || !viewport->autoFillBackground() || opt.rect.isEmpty()) return {};
  if (opt.features & (QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDecoration)) return {};
  if (opt.state & QStyle::State_Editing) return {};
  const Qt::BrushStyle ownBrush = opt.backgroundBrush.style();
  if (ownBrush != Qt::NoBrush && ownBrush != Qt::SolidPattern) return {};
  const QBrush beneath = viewport->palette().brush(viewport->backgroundRole());
  if (beneath.style() != Qt::SolidPattern) return {};
  // Copied pixel for pixel only where the painter moves by whole pixels.
  const QTransform t = painter->deviceTransform();
  if (t.type() > QTransform::TxTranslate || t.dx() != qRound(t.dx()) || t.dy() != qRound(t.dy())) return {};
  if (opt.palette.cacheKey() != paletteKey_) {
    paletteKey_ = opt.palette.cacheKey();
    paletteColours_ = Colours(opt.palette);
  }
  if (fontKey_.isNull() || !(opt.font == font_)) {
    font_ = opt.font;
    fontKey_ = opt.font.key().toUtf8();
  }
  QByteArray key;
  key.reserve(opt.text.size() * 2 + fontKey_.size() + paletteColours_.size() + 128);
  for (qint64 v : {qint64(opt.rect.width()), qint64(opt.rect.height()), qint64(opt.state.toInt()),
                   qint64(opt.features.toInt()), qint64(opt.displayAlignment.toInt()), qint64(opt.textElideMode),
                   qint64(opt.direction), qint64(opt.viewItemPosition), qint64(opt.showDecorationSelected),
                   qint64(ownBrush), qint64(opt.backgroundBrush.color().rgba64()), qint64(beneath.color().rgba64()),
                   qint64(painter->renderHints().toInt()), qint64(painter->device()->devicePixelRatioF() * 1000),
                   qint64(quintptr(view->style())), qint64(opt.text.size()), qint64(fontKey_.size())})
    Append(key, v);
  key.append(paletteColours_);
  if (opt.state & QStyle::State_HasFocus)
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
      Append(key, opt.palette.color(group, QPalette::Window).rgba64());
  key.append(fontKey_);
  key.append(reinterpret_cast<const char*>(opt.text.constData()), opt.text.size() * qsizetype(sizeof(QChar)));
  return key;
}

void CachedCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  const QByteArray key = KeyOf(painter, opt);
  if (key.isEmpty()) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  if (const QImage* cell = cells_.object(key)) {
    ++hits_;
    painter->drawImage(option.rect.topLeft(), *cell);
    return;
  }
  ++misses_;
  // What the view has beneath the cell (its viewport's background, the row's panel), then the
  // cell itself, as they are drawn straight into the view.
  const auto* view = static_cast<const QAbstractItemView*>(option.widget);
  const QWidget* viewport = view->viewport();
  const qreal dpr = painter->device()->devicePixelRatioF();
  QImage cell((QSizeF(option.rect.size()) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
  cell.setDevicePixelRatio(dpr);
  cell.fill(viewport->palette().brush(viewport->backgroundRole()).color());
  {
    QPainter p(&cell);
    p.setRenderHints(painter->renderHints());
    p.translate(-option.rect.topLeft());
    view->style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &option, &p, view);
    QStyledItemDelegate::paint(&p, option, index);
  }
  painter->drawImage(option.rect.topLeft(), cell);
  // The image painted on keeps its paint engine (about half a kilobyte, a quarter of a small
  // cell) until it goes: a copy of its pixels is kept instead. The limit counts everything a
  // cell holds, so a cache of many small cells stays within it too.
  auto* kept = new QImage(cell.copy());
  const qsizetype bytes = kept->sizeInBytes() + key.size() + kCellOverheadBytes;
  cells_.insert(key, kept, bytes);
}

}  // namespace orvane
