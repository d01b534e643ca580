#include "album/PictureLoad.h"

#include "ui/ErrorReport.h"

#include <QFile>
#include <QImageReader>

namespace album {

QImage loadPicture(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ui::ToolkitError(
            QStringLiteral("Cannot open the picture \"%1\": %2.").arg(path, file.errorString()));
    QImageReader reader(&file);
    QImage picture = reader.read();
    if (picture.isNull())
        throw ui::ToolkitError(
            QStringLiteral("Cannot load the picture \"%1\": %2.").arg(path, reader.errorString()));
    return picture;
}

} // namespace album
