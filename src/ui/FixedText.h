#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ui {

// What arrives of `text` when it is copied into a terminated buffer of `capacity` bytes:
// at most capacity - 1 bytes, cut back to a whole UTF-8 character.
inline std::string cutToBuffer(std::string_view text, std::size_t capacity) {
    if (capacity == 0)
        return {};
    if (text.size() < capacity)
        return std::string(text);
    std::size_t keep = capacity - 1;
    // Step back over continuation bytes so that no character is split.
    while (keep > 0 && (static_cast<unsigned char>(text[keep]) & 0xC0) == 0x80)
        --keep;
    return std::string(text.substr(0, keep));
}

} // namespace ui
