#pragma once

#include "platform/Result.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>

namespace platform {

// The headers at the start of a BMP file: the file header, then the packed DIB's own header.
// Everything that reads or writes them goes through here, so that their layout and the rules
// of their fields live in one place.

inline constexpr std::int64_t kBmpFileHeader = 14;  // "BM", file size, reserved, pixel offset
inline constexpr std::int64_t kBmpInfoHeader = 40;  // the header the program's frames carry
inline constexpr std::uint32_t kDibCoreHeader = 12; // the OS/2 kind, with 16-bit sizes

inline constexpr std::uint32_t kDibRgb = 0, kDibRle8 = 1, kDibRle4 = 2, kDibBitfields = 3,
                               kDibAlphaBitfields = 6;

struct BmpFileHeader {
    std::uint32_t fileSize = 0;
    std::uint32_t pixelsAt = 0; // from the start of the file

    // Where the pixels start in the DIB behind the file header, as checkDib and
    // L_ChangeFromDIB take it. Some writers leave the field at 0, which means right after
    // the colour table: -1. A failure, in words for the user, when the field puts the pixels
    // inside the file header.
    Result<std::int64_t> dibPixelOffset() const;
};

// The file header from the first bytes of a file; none when there are fewer than 14. The
// "BM" mark is left to the caller, which knows what else the bytes might be.
std::optional<BmpFileHeader> readBmpFileHeader(QByteArrayView head);

// Writes the file header of a DIB of `dibSize` bytes whose pixels start `pixelOffset` bytes
// into it, to the 14 bytes at `out`.
void putBmpFileHeader(char* out, std::uint32_t dibSize, std::uint32_t pixelOffset);

// The fields of a DIB's header. A core header has no fields past the depth: those stay 0.
struct DibHeader {
    std::uint32_t size = 0; // of the header itself, which tells its kind
    std::int64_t width = 0;
    std::int64_t height = 0; // negative: top-down rows
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = kDibRgb;
    std::uint32_t imageSize = 0;
    std::int64_t xDensity = 0, yDensity = 0; // pixels per metre
    std::uint32_t coloursUsed = 0;

    bool core() const { return size == kDibCoreHeader; }
};

// Writes `header` as the 40-byte info header, with one plane and no colours marked important,
// to the bytes at `out`.
void putDibInfoHeader(char* out, const DibHeader& header);

// The header at the start of a packed DIB; a failure, in words for the user, when the bytes
// end inside it or its size names no kind of header.
Result<DibHeader> readDibHeader(QByteArrayView dib);

} // namespace platform
