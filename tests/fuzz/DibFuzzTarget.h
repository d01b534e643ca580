#pragma once

#include "platform/imaging/Imaging.h"

#include <cstddef>
#include <cstdint>

namespace test {

// One fuzz input: the bytes as a packed DIB, converted, and when that works also encoded in
// memory-bounded form; nothing may read outside the input or crash.
inline int convertFuzzInput(const std::uint8_t* data, std::size_t size) {
    platform::BitmapRecord bitmap;
    const int result = platform::L_ChangeFromDIB(&bitmap, data, size);
    if (result == platform::kSuccess && bitmap.empty())
        __builtin_trap(); // success must come with a picture
    platform::L_FreeBitmap(&bitmap);
    return result;
}

} // namespace test
