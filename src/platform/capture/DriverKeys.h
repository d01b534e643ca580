#pragma once

#include "platform/capture/CaptureMode.h"
#include "platform/capture/DriverTable.h"

#include <QString>

namespace platform {

class Registry;

// The key that holds a driver's picture size, named after its device path with every
// backslash turned into "#".
QString driverKeyPath(const std::string& devicePath);

// Writes the driver's picture size into its key; false when the key cannot be written.
bool storePictureSize(Registry& registry, const CaptureDriver& driver, PictureSize size);

// What an operating system sets up for its capture drivers, made sure of at start-up before
// the program reads anything: the system version on the branch of newer systems, the media
// resources entry naming the first installed driver's device path (updated when that
// changed), and every driver's own key with the size it takes at first sight (its current
// one, or the largest of the `fitted` widths it offers when its own is none of them).
// Otherwise only what is missing is created; no key is removed, and a size the program keeps
// beside the driver's ("ApWidth", "ApHeight") is never touched.
void installRegistryKeys(const DriverTable& drivers, Registry& registry,
                         const FittedWidths& fitted = {});

} // namespace platform
