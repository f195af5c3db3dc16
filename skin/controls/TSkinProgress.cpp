// Progress bars from the skin: both styles, turned for vertical bars.
#include "skin/controls/TSkinProgress.h"

#include <QPainter>
#include <QStyleOptionProgressBar>

#include "skin/controls/SkinRegistry.h"
#include "skin/controls/skinlayout.h"
#include "skin/imgutil.h"
#include "skin/skindata.h"

namespace orvane::skin {

bool TSkinProgress::CanSkin() const {
  const auto data = Data();
  if (!data || !data->Progress || !data->Progress->HasImage()) return false;
  return data->Progress->Style != 1 || (data->ProgressChunk && data->ProgressChunk->HasImage());
}

bool TSkinProgress::drawControl(const TSkinStyle*, QStyle::ControlElement ce, const QStyleOption* opt, QPainter* p,
                                const QWidget*) {
  if (ce == QStyle::CE_ProgressBarContents) return true;  // the groove paints the whole bar
  if (ce != QStyle::CE_ProgressBarGroove) return false;
  const auto* bar = qstyleoption_cast<const QStyleOptionProgressBar*>(opt);
  if (!bar) return false;
  DrawBar(p, bar->rect, !(bar->state & QStyle::State_Horizontal), bar->minimum, bar->maximum, bar->progress);
  return true;
}

void TSkinProgress::DrawBar(QPainter* p, const QRect& rect, bool vertical, int minimum, int maximum,
                            int value) const {
  const auto data = Data();
  if (!data || !data->Progress || !data->Progress->HasImage() || rect.isEmpty()) return;
  const TDataSkinBorder& e = *data->Progress;
  // Drawn across; a vertical bar's image is turned at the end, so it fills upwards.
  const QSize size = vertical ? rect.size().transposed() : rect.size();
  QImage bar(size, SkinImageFormat);
  bar.fill(ButtonFace());
  const int fill = ProgressFill(size.width(), value, minimum, maximum);
  {
    QPainter bp(&bar);
    if (e.Style != 1) {
      bp.drawImage(0, 0, BuildSkinBitmap(size, e.Bitmap, e.Margins(), false, e.Tile == 1, e.FrameCount(), 1));
      if (fill > 0)
        bp.drawImage(0, 0, BuildSkinBitmap(QSize(fill, size.height()), e.Bitmap, e.Margins(), false, e.Tile == 1,
                                           e.FrameCount(), 2));
    } else if (data->ProgressChunk && data->ProgressChunk->HasImage()) {
      const TDataSkinObject& c = *data->ProgressChunk;
      bp.drawImage(0, 0, BuildSkinBitmap(size, e.Bitmap, e.Margins(), false, false, 1, 1));
      bp.setClipRect(QRect(QPoint(0, 0), size));
      if (c.Tile != 1) {
        if (fill > 0)
          DrawStripFrameThreePart(bp, QRect(2, 2, fill, size.height() - 4), c.Bitmap, false, c.FrameCount(), 1,
                                  c.Margins());
      } else {
        const int cw = c.Bitmap.width() / c.FrameCount();
        const int ch = c.Bitmap.height();
        const int y = (size.height() - ch) / 2;
        const int n = ProgressChunks(fill, c.LeftWidth, cw);
        for (int i = 0; i < n; ++i)
          DrawStripFrame(bp, QRect(c.LeftWidth + 2 + i * cw, y, cw, ch), c.Bitmap, c.Trans == 1, c.FrameCount(), 1);
      }
    }
  }
  if (vertical) RotateLeft(bar);
  p->drawImage(rect.topLeft(), bar);
}

ORVANE_SKIN_KIND(TSkinProgress)

}  // namespace orvane::skin
