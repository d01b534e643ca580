#pragma once

#include "platform/Result.h"
#include "platform/imaging/BmpHeaders.h"

#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace platform {

// How the pixels of a packed DIB lie.
struct DibLayout {
    std::int64_t offset = 0; // where the pixels start inside the DIB
    std::int64_t width = 0, height = 0, stride = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::int64_t colours = 0;
};

// Checks a packed DIB of `size` bytes (info header, colour table or masks, pixels) through to
// its last pixel: the header's fields, the colour table, the masks, every colour index and
// every run of compressed rows must stay inside the picture and inside the given bytes. The
// pixels follow the colour table, or start at `pixelOffset` bytes into the DIB when the file
// says so. Returns the layout, or what is wrong, in words for the user.
Result<DibLayout> checkDib(const std::uint8_t* dib, std::size_t size, std::int64_t pixelOffset);

// Checks a whole BMP file: its file header against the file's length, then the DIB inside it;
// a failure says what is wrong with it.
Result<> checkBmpFile(QByteArrayView file);

} // namespace platform
