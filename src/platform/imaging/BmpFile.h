#pragma once

#include "platform/files/WholeFile.h"

#include <QImage>
#include <QString>

namespace platform {

// The picture as a 24-bit bottom-up BMP file, written whole or not at all by writeWholeFile;
// `why` (when given) receives the reason of a failure.
bool writeBmpFile(const QString& path, const QImage& picture, QString* why = nullptr,
                  FileAccess access = FileAccess::Usual);

} // namespace platform
