#pragma once
// JPEG decoding with libjpeg, for the pictures kept in the program's own data.
#include <QByteArray>
#include <QImage>

// The picture in `data` as an RGB image; a null image when `data` is not a
// complete JPEG (garbage, truncated, an unsupported kind). Never exits.
QImage decodeJpeg(const QByteArray& data);
