#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace album {

inline constexpr int kSlots = 3;
// The scroll position that shows frames 0, 1 and 2.
inline constexpr int kFirstScrollPosition = 2;

// The album strip: which frame each of the three slots shows and which frame is selected.
// Slots are numbered 1 to 3; SlotFrame[0] is unused.
struct AlbumStrip {
    std::array<int, kSlots + 1> SlotFrame{};
    int NextSlot = 0;
    int StripFull = 0;
    int SelectedFrame = 0;
    int SelectedSlot = 1;

    // The first slot, in the order 1, 2, 3, that shows the selected frame; 0 when none does.
    int slotShowingSelection() const {
        for (int s = 1; s <= kSlots; ++s)
            if (SlotFrame[s] == SelectedFrame)
                return s;
        return 0;
    }
};

// The album's status line: the selected frame counted from 1, " / ", the number of frames
// and the suffix from the text table.
inline QString stripStatusText(int selectedFrame, std::uint32_t frameCount, const QString& suffix) {
    return QString::number(selectedFrame + 1) + QStringLiteral(" / ") +
           QString::number(frameCount) + suffix;
}

} // namespace album
