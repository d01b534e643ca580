#pragma once

#include <cstdint>

// The records a capture window fills in for the program, with the system's field names.
namespace platform {

// The picture size of the connected driver's current format.
struct CaptureStatus {
    std::uint32_t uiImageWidth = 0;
    std::uint32_t uiImageHeight = 0;
};

// Which of its own dialogs a driver offers.
struct CaptureDriverCaps {
    std::uint32_t fHasDlgVideoSource = 0;
    std::uint32_t fHasDlgVideoFormat = 0;
};

} // namespace platform
