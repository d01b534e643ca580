#include "platform/instance/PrivateDirectory.h"

#include "platform/files/UniqueFd.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Why the directory at `path` is not this user's alone, or an empty text. Looked at through
// a descriptor of the directory itself, never through a symbolic link in its place.
QString whyNotPrivate(const QString& path, bool tighten) {
    const UniqueFd fd(::open(QFile::encodeName(path).constData(),
                             O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd)
        return QStringLiteral("cannot open the directory \"%1\": %2")
            .arg(path, systemReason(errno));
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return QStringLiteral("cannot look at the directory \"%1\": %2")
            .arg(path, systemReason(errno));
    if (info.st_uid != ::geteuid())
        return QStringLiteral("the directory \"%1\" belongs to another user").arg(path);
    if ((info.st_mode & 077) != 0 && !(tighten && ::fchmod(fd.get(), 0700) == 0))
        return QStringLiteral("other users may enter the directory \"%1\"").arg(path);
    return {};
}

} // namespace

PrivateDirectory privateDirectory() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QString runtimeFault;
    if (QDir::isAbsolutePath(runtime)) {
        // The session's own directory is used only as the session made it.
        runtimeFault = whyNotPrivate(QDir::cleanPath(runtime), false);
        if (runtimeFault.isEmpty())
            return {QDir::cleanPath(runtime), {}};
    }
    const QString own = QDir::tempPath() + QStringLiteral("/nimbacast-%1").arg(::geteuid());
    if (::mkdir(QFile::encodeName(own).constData(), 0700) != 0 && errno != EEXIST)
        return {
            {},
            QStringLiteral("cannot make the directory \"%1\": %2").arg(own, systemReason(errno))};
    QString fault = whyNotPrivate(own, true);
    if (fault.isEmpty())
        return {own, {}};
    if (!runtimeFault.isEmpty())
        fault = runtimeFault + QStringLiteral(", and ") + fault;
    return {{}, fault};
}

} // namespace platform
