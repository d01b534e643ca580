#include "album/PictureLoad.h"

#include "platform/imaging/BmpRows.h"
#include "platform/imaging/DibCheck.h"
#include "ui/ErrorReport.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace album {

namespace {
// 2^26 pixels of 32 bits, the largest picture the checks let through, with room for headers.
constexpr qint64 kMaxPictureFile = (qint64(1) << 28) + (qint64(1) << 20);

// A picture type named by a file's extension must be one the toolkit reads.
void requireType(const QString& path, const QByteArray& format) {
    if (!format.isNull() && !QImageReader::supportedImageFormats().contains(format))
        throw ui::ToolkitError(
            QStringLiteral("Cannot load the picture \"%1\": there is no picture type for %2.")
                .arg(path, format.isEmpty() ? QStringLiteral("a file name without extension")
                                            : QStringLiteral("the extension \".%1\"")
                                                  .arg(QString::fromLatin1(format))));
}
} // namespace

QByteArray readPictureFile(const QString& path) {
    // A FIFO or a device would block the open or never end; only plain files are pictures.
    if (const QFileInfo info(path); info.exists() && !info.isFile())
        throw ui::ToolkitError(
            QStringLiteral("Cannot open the picture \"%1\": it is not a regular file.").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ui::ToolkitError(
            QStringLiteral("Cannot open the picture \"%1\": %2.").arg(path, file.errorString()));
    if (file.size() > kMaxPictureFile)
        throw ui::ToolkitError(QStringLiteral("Cannot load the picture \"%1\": its %2 bytes are "
                                              "more than a picture of this program may have.")
                                   .arg(path)
                                   .arg(file.size()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw ui::ToolkitError(
            QStringLiteral("Cannot read the picture \"%1\": %2.").arg(path, file.errorString()));
    return bytes;
}

QImage decodePicture(const QString& path, const QByteArray& bytes, const QByteArray& format) {
    // A BMP's structure is checked to its last byte before decoding: the toolkit's reader
    // shows part of a damaged one rather than refusing it.
    const bool bmp = format.isNull() ? bytes.startsWith("BM") : format == "bmp";
    if (bmp) {
        if (const platform::Result<> checked = platform::checkBmpFile(bytes); !checked)
            throw ui::ToolkitError(
                QStringLiteral("Cannot load the picture \"%1\": %2.").arg(path, checked.why()));
        if (QImage frame = platform::decodeBmpRows(bytes); !frame.isNull())
            return frame;
    }
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(format.isNull());
    QImage picture = reader.read();
    if (picture.isNull())
        throw ui::ToolkitError(
            QStringLiteral("Cannot load the picture \"%1\": %2.").arg(path, reader.errorString()));
    return picture;
}

QImage loadPicture(const QString& path, const QByteArray& format) {
    requireType(path, format); // before the file is opened: its name alone rules it out
    return decodePicture(path, readPictureFile(path), format);
}

} // namespace album
