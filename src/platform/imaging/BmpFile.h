#pragma once

#include "platform/files/WholeFile.h"

#include <QImage>
#include <QString>

namespace platform {

// The picture as a 24-bit bottom-up BMP file, written whole or not at all by writeWholeFile.
Result<> writeBmpFile(const QString& path, const QImage& picture,
                      FileAccess access = FileAccess::Usual);

} // namespace platform
