#include "playback/Clocks.h"

namespace playback {

ClockDigits clockOf(std::uint32_t s) {
    return {s / 600, (s / 60) % 10, (s % 60) / 10, (s % 60) % 10};
}

TrackRange trackRangeOf(std::uint32_t lengthMs) {
    const int maximum = static_cast<int>(lengthMs / 1000);
    return {maximum, maximum <= 10 ? 1 : maximum / 10};
}

} // namespace playback
