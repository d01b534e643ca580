#pragma once

#include "platform/capture/SourceSettings.h"
#include "platform/capture/v4l2/V4l2Device.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// What a V4L2 camera's source dialog set, kept in its driver's registry key: a UVC camera
// forgets its controls whenever it loses power, so the driver puts them back at every connect.
namespace platform::v4l2 {

// The value name of the chosen input (its index).
inline constexpr const char* kKeptInput = "Input";

// Whether a control is kept under its own name: not when the name is one the key holds for
// itself (the picture size, the input), which a device's control names must not overwrite.
bool keptByName(const std::string& controlName);

struct KeptValues {
    // By control id, for the controls of the device that have a value kept.
    std::map<std::uint32_t, int> controls;
    std::optional<int> input;
};

// The values the key holds for these controls, and the input.
KeptValues readKept(const SettingsKey& key, const std::vector<Control>& controls);

// Stores `changed` (values by control id) and the input, when given. `forgetFirst`: every
// control value and the input the key held go first ("Defaults"). A key that cannot be
// written stores nothing.
void storeKept(const SettingsKey& key, const std::vector<Control>& controls,
               const std::map<std::uint32_t, int>& changed, std::optional<int> input,
               bool forgetFirst);

// Sets the wanted values on the device in an order it takes them: each round sets those the
// device lets be set now, since an automatic mode leaves the value it governs inactive until
// it is switched off, and the rounds go on while one sets something. A value out of the
// control's range, or for a control that stays inactive or is read-only, is skipped.
// `controls`: the device's controls as they stand now, for the first round.
void setInAcceptedOrder(const std::string& node, std::map<std::uint32_t, int> wanted,
                        std::vector<Control> controls);

} // namespace platform::v4l2
