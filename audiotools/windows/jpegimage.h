// Decodes a JPEG held in memory with libjpeg (the player's picture).
#pragma once

#include <QByteArray>
#include <QImage>

// A null image when the bytes are not a JPEG libjpeg can read.
QImage DecodeJpeg(const QByteArray& bytes);
