#include "album/PictureLoad.h"

#include "ui/ErrorReport.h"

#include <QFile>
#include <QImageReader>

namespace album {

QImage loadPicture(const QString& path, const QByteArray& format) {
    if (!format.isNull() && !QImageReader::supportedImageFormats().contains(format))
        throw ui::ToolkitError(
            QStringLiteral("Cannot load the picture \"%1\": there is no picture type for %2.")
                .arg(path, format.isEmpty() ? QStringLiteral("a file name without extension")
                                            : QStringLiteral("the extension \".%1\"")
                                                  .arg(QString::fromLatin1(format))));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ui::ToolkitError(
            QStringLiteral("Cannot open the picture \"%1\": %2.").arg(path, file.errorString()));
    QImageReader reader(&file, format);
    reader.setDecideFormatFromContent(format.isNull());
    QImage picture = reader.read();
    if (picture.isNull())
        throw ui::ToolkitError(
            QStringLiteral("Cannot load the picture \"%1\": %2.").arg(path, reader.errorString()));
    return picture;
}

} // namespace album
