#pragma once

#include "platform/registry/Registry.h"
#include "settings/CameraSettings.h"

#include <QString>

namespace settings {

// The registry key that holds the driver's picture size: under the video mapper, named
// after the driver's device path, on systems from version 4.10.2150 on; the driver's
// media-resources key before that.
QString deriveDriverKeyPath(platform::Registry& registry, const CameraSettings& settings);

// At start-up, before the driver connects: puts the picture size kept at the last exit
// ("ApWidth"/"ApHeight") back into the driver's own values, each only where both exist.
void restorePictureSize(platform::Registry& registry, const QString& driverKeyPath);

// At exit: keeps the driver's picture size in "ApWidth"/"ApHeight" and brings the driver's
// own values into the range 176 x 144 to 320 x 240, which every driver accepts at connect.
void writeBackPictureSize(platform::Registry& registry, const QString& driverKeyPath);

} // namespace settings
