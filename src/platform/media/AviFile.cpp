#include "platform/media/AviFile.h"

#include <QFile>

namespace platform {

Result<> checkAviFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure(QStringLiteral("it cannot be read (%1)").arg(file.errorString()));
    const QByteArray head = file.read(12);
    if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "AVI ")
        return Failure(QStringLiteral("it is not an AVI file"));
    return done();
}

} // namespace platform
