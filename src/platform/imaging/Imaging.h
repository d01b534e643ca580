#pragma once

#include "platform/Result.h"

#include <QImage>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The imaging library's bitmap record: the converted picture and its depth as the DIB gave it.
// Uncompressed 24- and 32-bit DIBs, the frames the program captures, keep their rows as they
// are, for the encoder to take directly; every other kind is decoded into `image`.
struct BitmapRecord {
    enum class Rows { None, Bgr24, Bgrx32 };
    QImage image;
    Rows layout = Rows::None;
    std::vector<std::uint8_t> rows;
    std::size_t firstRow = 0; // where the rows start in `rows`
    const std::uint8_t* rowData() const { return rows.data() + firstRow; }
    int width = 0;
    int height = 0;
    int pitch = 0;
    bool bottomUp = false;
    int BitsPerPixel = 0;

    bool empty() const { return image.isNull() && rows.empty(); }
};

// The record's picture as an image, however it is held.
QImage pictureOf(const BitmapRecord& bitmap);

// File-format codes of the JPEG save, by chroma sampling.
inline constexpr int kJpegSampling411 = 10; // 4x1
inline constexpr int kJpegSampling422 = 23; // 2x1
inline constexpr int kJpegSampling444 = 21; // 1x1

// The quality factor's range: 2 is the best quality, 100 the strongest compression.
inline constexpr int kQualityFactorBest = 2;
inline constexpr int kQualityFactorSmallest = 100;

inline constexpr int kSuccess = 1;
inline constexpr int kErrorBadDib = -1;
inline constexpr int kErrorBadFormat = -2;
inline constexpr int kErrorNoBitmap = -3;
inline constexpr int kErrorEncode = -4;
inline constexpr int kErrorWrite = -5;

// Converts the packed DIB of `size` bytes at `dib` (info header, colour table or masks,
// pixels; 1 to 32 bits per pixel, uncompressed, RLE or bitfields, either row order) into
// `bitmap`. The pixels follow the colour table, or start at `pixelOffset` bytes into the DIB
// when the file it came from says so. Returns kSuccess, or an error code when the DIB is
// damaged, lies about its size or has no pixels. Nothing outside the given bytes is read.
int L_ChangeFromDIB(BitmapRecord* bitmap, const std::uint8_t* dib, std::size_t size,
                    std::int64_t pixelOffset = -1);
// The same, taking over the DIB's bytes: rows that are kept as they are stay where they lie
// instead of being copied. The bytes are left empty or as they were.
int L_ChangeFromDIB(BitmapRecord* bitmap, std::vector<std::uint8_t>&& dib,
                    std::int64_t pixelOffset = -1);

// Writes `bitmap` to `path` as a baseline JFIF JPEG with the sampling of `format` and the
// quality factor (2..100), whole or not at all. A failure says why, with one of the error
// codes above as its code.
Result<> L_SaveBitmap(const QString& path, const BitmapRecord* bitmap, int format, int bitsPerPixel,
                      int qualityFactor);

// The JPEG encoding of L_SaveBitmap, into memory; a failure as L_SaveBitmap's.
Result<std::vector<std::uint8_t>> encodeJpeg(const BitmapRecord& bitmap, int format,
                                             int qualityFactor);

// Releases the picture held by the record.
void L_FreeBitmap(BitmapRecord* bitmap);

// The libjpeg quality (100 best .. 1 smallest) of a quality factor (2 best .. 100 smallest).
int jpegQualityOf(int qualityFactor);

} // namespace platform
