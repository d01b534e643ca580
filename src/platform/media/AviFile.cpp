#include "platform/media/AviFile.h"

#include <QFile>

namespace platform {

QString whyNotAvi(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("it cannot be read (%1)").arg(file.errorString());
    const QByteArray head = file.read(12);
    if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "AVI ")
        return QStringLiteral("it is not an AVI file");
    return {};
}

} // namespace platform
