// The play modes of song entries (column playmode of kinds 1 to 3).
#pragma once

#include <QString>

namespace PlayMode {
inline const QString Single = QStringLiteral("单曲播放");        // one song, then stop
inline const QString LoopOne = QStringLiteral("单曲循环");       // the first song again and again
inline const QString Random = QStringLiteral("随机播放");        // random order, reshuffled, endless
inline const QString InOrder = QStringLiteral("顺序播放");       // list order, stop after the last
inline const QString LoopAll = QStringLiteral("顺序循环");       // list order, endless
inline const QString RandomOne = QStringLiteral("随机单曲");     // one random song, then stop

inline bool isRandom(const QString& mode) { return mode == Random || mode == RandomOne; }
inline bool playsOnce(const QString& mode) { return mode == Single || mode == RandomOne; }
}  // namespace PlayMode
