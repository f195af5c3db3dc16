// Sliders from the skin: channel, thumb, and the plain style's ticks.
#include "skin/controls/TSkinTrackBar.h"

#include <QPainter>
#include <QStyleOptionSlider>

#include "skin/SkinStyle.h"
#include "skin/controls/SkinRegistry.h"
#include "skin/imgutil.h"
#include "skin/skindata.h"

namespace orvane::skin {

void TSkinTrackBar::UpdateSkin() { Repaint(); }

bool TSkinTrackBar::drawComplexControl(const TSkinStyle* style, QStyle::ComplexControl cc,
                                       const QStyleOptionComplex* opt, QPainter* p, const QWidget* w) {
  if (cc != QStyle::CC_Slider || !style) return false;
  const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(opt);
  if (!slider) return false;
  const bool vertical = slider->orientation == Qt::Vertical;
  if (slider->subControls & QStyle::SC_SliderTickmarks) {
    QStyleOptionSlider ticks(*slider);
    ticks.subControls = QStyle::SC_SliderTickmarks;
    style->baseStyle()->drawComplexControl(cc, &ticks, p, w);
  }
  // Pieces are stretched pixel for pixel, never blended.
  p->save();
  p->setRenderHint(QPainter::SmoothPixmapTransform, false);
  if (slider->subControls & QStyle::SC_SliderGroove)
    DrawChannel(p, style->subControlRect(cc, slider, QStyle::SC_SliderGroove, w), vertical);
  if (slider->subControls & QStyle::SC_SliderHandle)
    DrawThumb(p, style->subControlRect(cc, slider, QStyle::SC_SliderHandle, w), vertical);
  p->restore();
  return true;
}

void TSkinTrackBar::DrawChannel(QPainter* p, const QRect& groove, bool vertical) const {
  const auto data = Data();
  if (!data || groove.isEmpty()) return;
  const TDataSkinObject* upright = vertical && data->TrackVert && data->TrackVert->HasImage() ? data->TrackVert.get()
                                                                                              : nullptr;
  const TDataSkinObject* e = upright ? upright : data->Track.get();
  if (!e || !e->HasImage()) return;
  // Copied, not keyed: see-through pixels show as the key colour, as a plain copy would.
  QImage image = e->Bitmap.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  ReplaceKeyColour(image, 0xFF00FF);
  const int iw = image.width(), ih = image.height();
  p->save();
  if (upright) {
    const int x = groove.left() + (iw < groove.width() ? (groove.width() - iw) / 2 : 0);
    const int top = qBound(0, e->TopHeight, ih), bottom = qBound(0, e->BottomHeight, ih - top);
    const int middle = groove.height() - top - bottom;
    p->drawImage(QRect(x, groove.top(), iw, top), image, QRect(0, 0, iw, top));
    if (middle > 0)
      p->drawImage(QRect(x, groove.top() + top, iw, middle), image, QRect(0, top, iw, ih - top - bottom));
    p->drawImage(QRect(x, groove.bottom() + 1 - bottom, iw, bottom), image, QRect(0, ih - bottom, iw, bottom));
  } else {
    const int y = groove.top() + (ih < groove.height() ? (groove.height() - ih) / 2 : 0);
    const int left = qBound(0, e->LeftWidth, iw), right = qBound(0, e->RightWidth, iw - left);
    const int middle = groove.width() - left - right;
    p->drawImage(QRect(groove.left(), y, left, ih), image, QRect(0, 0, left, ih));
    if (middle > 0)
      p->drawImage(QRect(groove.left() + left, y, middle, ih), image, QRect(left, 0, iw - left - right, ih));
    p->drawImage(QRect(groove.right() + 1 - right, y, right, ih), image, QRect(iw - right, 0, right, ih));
  }
  p->restore();
}

void TSkinTrackBar::DrawThumb(QPainter* p, const QRect& handle, bool vertical) const {
  const auto data = Data();
  if (!data || handle.isEmpty()) return;
  const TDataSkinObject* horz = data->TrackbarThumbs[tbThumbHorz].get();
  const TDataSkinObject* vert = data->TrackbarThumbs[tbThumbVert].get();
  const TDataSkinObject* e = vertical && vert && vert->HasImage() ? vert : horz;
  if (e && e->HasImage()) {
    DrawStripFrameDC(p, handle, e->FrameCount(), 2, e->Bitmap);
    return;
  }
  p->save();
  p->setPen(ToQColor(data->Colour(scButtonShadow)));
  p->setBrush(Qt::white);
  p->drawRect(handle.adjusted(0, 0, -1, -1));
  p->restore();
}

ORVANE_SKIN_KIND(TSkinTrackBar)

}  // namespace orvane::skin
