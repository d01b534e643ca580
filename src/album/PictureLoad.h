#pragma once

#include <QImage>
#include <QString>

namespace album {

// Loads a picture file; a file that cannot be read or decoded raises the toolkit error,
// naming the file and the reason.
QImage loadPicture(const QString& path);

} // namespace album
