#pragma once

#include <cstdint>

namespace playback {

// The four labels of a clock of whole seconds: tens of minutes (no modulus, so 100 minutes
// show 10), minutes, tens of seconds, seconds.
struct ClockDigits {
    std::uint32_t min10 = 0;
    std::uint32_t min1 = 0;
    std::uint32_t sec10 = 0;
    std::uint32_t sec1 = 0;
};
ClockDigits clockOf(std::uint32_t seconds);

// The track bar's range in whole seconds for a length in milliseconds, and its tick
// frequency: every second up to ten seconds, otherwise a tenth of the range.
struct TrackRange {
    int maximum = 0;
    int frequency = 1;
};
TrackRange trackRangeOf(std::uint32_t lengthMs);

} // namespace playback
