// Rendered skin pieces over QPixmapCache (see SkinPieceCache.h).
#include "skin/controls/SkinPieceCache.h"

#include <QPixmapCache>
#include <QString>

namespace orvane::skin {

namespace {
quint64 generation = 1;
quint64 built = 0;
std::weak_ptr<const void> followed;
}  // namespace

quint64 TSkinPieceCache::Generation() { return generation; }
void TSkinPieceCache::BumpGeneration() { ++generation; }
void TSkinPieceCache::Follow(const std::shared_ptr<const void>& skinData) {
  if (!skinData || followed.lock() == skinData) return;
  followed = skinData;
  ++generation;
}

quint64 TSkinPieceCache::Built() { return built; }

QPixmap TSkinPieceCache::Piece(const void* element, int frame, QSize size, bool transparent, int rotation,
                               const std::function<QImage()>& build) {
  const QString key = QStringLiteral("orvane-skin:%1:%2:%3:%4x%5:%6:%7")
                          .arg(generation)
                          .arg(reinterpret_cast<quintptr>(element), 0, 16)
                          .arg(frame)
                          .arg(size.width())
                          .arg(size.height())
                          .arg(transparent ? 1 : 0)
                          .arg(rotation);
  QPixmap pm;
  if (QPixmapCache::find(key, &pm)) return pm;
  const QImage image = build();
  if (image.isNull()) return QPixmap();
  ++built;
  pm = QPixmap::fromImage(image);
  QPixmapCache::insert(key, pm);
  return pm;
}

}  // namespace orvane::skin
