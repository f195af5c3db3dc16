// The RIFF chunk walker.
#include "platform/mp3/riffwalker.h"

#include <QIODevice>
#include <QtEndian>
#include <cstring>

namespace orvane::mp3 {

RiffWalker::RiffWalker(QIODevice* device) : device_(device) {}

bool RiffWalker::Descend(const char formType[4]) {
  formStart_ = -1;
  if (!device_ || !device_->isOpen() || !device_->seek(0)) return false;
  const QByteArray head = device_->read(12);
  if (head.size() < 12 || std::memcmp(head.constData(), "RIFF", 4) != 0 ||
      std::memcmp(head.constData() + 8, formType, 4) != 0)
    return false;
  const qint64 declared = qFromLittleEndian<quint32>(head.constData() + 4);
  formStart_ = 12;
  formEnd_ = qMin<qint64>(8 + declared, device_->size());
  return true;
}

bool RiffWalker::FindChunk(const char id[4], RiffChunk* chunk) {
  if (formStart_ < 0) return false;
  qint64 pos = formStart_;
  while (pos + 8 <= formEnd_) {
    if (!device_->seek(pos)) return false;
    const QByteArray head = device_->read(8);
    if (head.size() < 8) return false;
    const qint64 declared = qFromLittleEndian<quint32>(head.constData() + 4);
    const qint64 start = pos + 8;
    const qint64 held = qMin(declared, formEnd_ - start);
    if (std::memcmp(head.constData(), id, 4) == 0) {
      chunk->offset = start;
      chunk->size = held;
      return true;
    }
    pos = start + declared + (declared & 1);  // chunks are padded to even lengths
  }
  return false;
}

QByteArray RiffWalker::Read(const RiffChunk& chunk, qint64 maxBytes) {
  if (chunk.offset < 0 || !device_->seek(chunk.offset)) return {};
  return device_->read(qMin(maxBytes, chunk.size));
}

}  // namespace orvane::mp3
