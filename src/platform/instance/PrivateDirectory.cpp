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
    return systemFailure(error).text();
}

// Whether the directory at `path` is this user's alone, and if not why not. Looked at
// through a descriptor of the directory itself, never through a symbolic link in its place.
Result<> checkPrivate(const QString& path, bool tighten) {
    const UniqueFd fd(::open(QFile::encodeName(path).constData(),
                             O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd)
        return Failure(
            QStringLiteral("cannot open the directory \"%1\": %2").arg(path, systemReason(errno)));
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return Failure(QStringLiteral("cannot look at the directory \"%1\": %2")
                           .arg(path, systemReason(errno)));
    if (info.st_uid != ::geteuid())
        return Failure(QStringLiteral("the directory \"%1\" belongs to another user").arg(path));
    if ((info.st_mode & 077) != 0 && !(tighten && ::fchmod(fd.get(), 0700) == 0))
        return Failure(QStringLiteral("other users may enter the directory \"%1\"").arg(path));
    return done();
}

} // namespace

Result<QString> privateDirectory() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QString runtimeFault;
    if (QDir::isAbsolutePath(runtime)) {
        // The session's own directory is used only as the session made it.
        const Result<> checked = checkPrivate(QDir::cleanPath(runtime), false);
        if (checked)
            return QDir::cleanPath(runtime);
        runtimeFault = checked.why();
    }
    const QString own = QDir::tempPath() + QStringLiteral("/nimbacast-%1").arg(::geteuid());
    if (::mkdir(QFile::encodeName(own).constData(), 0700) != 0 && errno != EEXIST)
        return Failure(
            QStringLiteral("cannot make the directory \"%1\": %2").arg(own, systemReason(errno)));
    const Result<> checked = checkPrivate(own, true);
    if (checked)
        return own;
    if (runtimeFault.isEmpty())
        return checked.failure();
    return Failure(runtimeFault + QStringLiteral(", and ") + checked.why());
}

} // namespace platform
