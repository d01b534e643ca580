#include "platform/imaging/BmpFile.h"

#include "platform/files/WholeFile.h"
#include "platform/imaging/BmpRows.h"

#include <QBuffer>

namespace platform {

Result<> writeBmpFile(const QString& path, const QImage& picture, FileAccess access) {
    if (picture.isNull())
        return Failure(QStringLiteral("there is no picture to write"));
    // QImage writes 24-bit rows for an image without alpha.
    const QImage rows =
        picture.hasAlphaChannel() ? picture.convertToFormat(QImage::Format_RGB32) : picture;
    // Frames take the fast path; anything else goes through the toolkit's writer.
    QByteArray bmp = encodeBmpRows(rows);
    if (!bmp.isEmpty())
        return writeWholeFile(path, bmp, access);
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    if (!rows.save(&buffer, "BMP"))
        return Failure(QStringLiteral("the picture could not be encoded as BMP"));
    return writeWholeFile(path, bmp, access);
}

} // namespace platform
