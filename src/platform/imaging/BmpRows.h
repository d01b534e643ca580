#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>

namespace platform {

// The frames this program writes are plain 24-bit BMPs; these two handle that kind straight
// from and to its rows, several times faster than the toolkit's general BMP codec, with the
// same result to the byte and to the pixel.

// The picture of a BMP file whose structure has been checked: for an uncompressed 24- or
// 32-bit one, its pixels as an RGB32 image equal to the toolkit's decoding; a null image for
// any other kind, which the caller leaves to the toolkit.
QImage decodeBmpRows(QByteArrayView file);

// An RGB32 picture as the toolkit's BMP writer makes it (24 bits, bottom-up); an empty array
// for other image formats, which the caller leaves to the toolkit.
QByteArray encodeBmpRows(const QImage& picture);

} // namespace platform
